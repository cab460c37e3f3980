#include "ui/twips.h"

#include "core/numbers.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
constexpr double kTwipsPerInch = 1440.0;
// Without a screen (no application yet) the program's classic 96 DPI.
constexpr double kDefaultDpi = 96.0;

double logicalDpiX() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : kDefaultDpi;
}

double logicalDpiY() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : kDefaultDpi;
}
} // namespace

double twipsPerPixelX() {
    return kTwipsPerInch / logicalDpiX();
}

double twipsPerPixelY() {
    return kTwipsPerInch / logicalDpiY();
}

int toPixelsX(double twips) {
    return int(roundHalfEven(twips / twipsPerPixelX()));
}

int toPixelsY(double twips) {
    return int(roundHalfEven(twips / twipsPerPixelY()));
}

QPoint toPixels(QPoint twips) {
    return {toPixelsX(twips.x()), toPixelsY(twips.y())};
}

QSize toPixels(QSize twips) {
    return {toPixelsX(twips.width()), toPixelsY(twips.height())};
}

QRect toPixels(const QRect &twips) {
    return {toPixels(twips.topLeft()), toPixels(twips.size())};
}

int toTwipsX(int pixels) {
    return int(roundHalfEven(pixels * twipsPerPixelX()));
}

int toTwipsY(int pixels) {
    return int(roundHalfEven(pixels * twipsPerPixelY()));
}
