#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Window geometry is kept in twips (1/1440 inch), the program's unit, and converted to pixels
// here and nowhere else. Twips per pixel come from the primary screen's logical DPI (15 at 96
// DPI); pixel values are rounded to the nearest whole number, halves to even.

double twipsPerPixelX();
double twipsPerPixelY();

int toPixelsX(double twips);
int toPixelsY(double twips);
QPoint toPixels(QPoint twips);
QSize toPixels(QSize twips);
QRect toPixels(const QRect &twips);

// Pixels back to whole twips.
int toTwipsX(int pixels);
int toTwipsY(int pixels);
