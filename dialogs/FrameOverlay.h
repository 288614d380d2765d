#pragma once

#include <QWidget>

class QAbstractScrollArea;

// Draws a text box's frame again, above the box's viewport and scroll bar, when the screen's
// scale is fractional (150% text scaling, say). Qt then rounds each widget to whole device
// pixels and draws the style's one-pixel frame without antialiasing, so the box's own children
// covered its top, right or bottom line, depending on where the box sits. The frame is drawn
// antialiased, as a band one pixel wide just inside the box's edge, in the outline colour of
// Fusion, the style Qt uses where the desktop names none.
class FrameOverlay : public QWidget
{
    Q_OBJECT
public:
    explicit FrameOverlay(QAbstractScrollArea* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
