#pragma once

#include <QColor>
#include <QWidget>

// A square widget masked to its inscribed circle: only the circle is drawn and takes the mouse.
// It has no pressed look, never takes the focus and carries no text. A press that is dragged out
// of the square is cancelled; otherwise releasing any mouse button over it sends released(), and
// a release of the left button then sends clicked().
class RoundButton final : public QWidget {
    Q_OBJECT

public:
    explicit RoundButton(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    // Repaints at once, so the new colour shows before a command that blocks the windows.
    void setColor(const QColor &color);
    // A left click without the mouse, as assistive tools press a button: released(), clicked().
    void click();

signals:
    void pressed();
    void released();
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool insideSquare(QPointF pos) const;

    QColor m_color;
    // A press is held that has not been dragged out of the square.
    bool m_armed = false;
};
