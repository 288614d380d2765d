#include "FrameOverlay.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>

#include <cmath>

FrameOverlay::FrameOverlay(QAbstractScrollArea* box) : QWidget(box)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(box->rect());
    box->installEventFilter(this);
    raise();
}

bool FrameOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        setGeometry(static_cast<QWidget*>(watched)->rect());
    return false;
}

void FrameOverlay::paintEvent(QPaintEvent*)
{
    // At whole scales the style's own frame is whole.
    const qreal scale = devicePixelRatioF();
    if (scale == std::floor(scale))
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Window).darker(140), 1.0));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
