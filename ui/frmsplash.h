#pragma once

#include <QWidget>

// The splash window: the product name and the release, shown while the start-up connect runs
// when the "Splash" setting is 1.
class frmSplash final : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(QWidget *parent = nullptr);
};
