#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

namespace monitor {

/** The look both notice windows share: a vertical gradient from dark to light blue over the
 *  whole window, under a white panel that leaves it showing as a 3-pixel frame. */
inline constexpr int kNoticeFrameWidth = 3;

inline void PaintNoticeFrame(QPainter& painter, const QRect& window) {
    QLinearGradient gradient(window.topLeft(), window.bottomLeft());
    gradient.setColorAt(0.0, QColor(9, 65, 177));
    gradient.setColorAt(1.0, QColor(191, 209, 244));
    painter.fillRect(window, gradient);
    painter.fillRect(window.adjusted(kNoticeFrameWidth, kNoticeFrameWidth, -kNoticeFrameWidth,
                                     -kNoticeFrameWidth),
                     Qt::white);
}

}  // namespace monitor
