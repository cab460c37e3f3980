#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

// The device lamps that the channel view and the program editor carry. The artwork is drawn in
// code at the screen's resolution, so it stays crisp at any device pixel ratio.

enum class LampColor { Grey, Green, Red };

// One 16 x 16 lamp image.
class Lamp final : public QWidget {
public:
    Lamp(LampColor color, QWidget *parent);

    LampColor color() const { return m_color; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    LampColor m_color;
};

// The "off" and "on" images of one lamp; exactly one of them is visible, and it lies in front.
// The images are named pic<name>off and pic<name>on (picPoweroff, picErroron, ...); the "off"
// one shows after construction. Assistive tools read the state: "<name> on", "<name> off".
class LampPair {
public:
    // Places in twips: each image takes a 240 x 240 twip square.
    LampPair(QWidget &parent, const QString &name, LampColor onColor, QPoint offTwips,
             QPoint onTwips);

    void setOn(bool on);
    bool isOn() const { return m_on; }

private:
    QString m_name;
    Lamp *m_offImage;
    Lamp *m_onImage;
    bool m_on = false;
};
