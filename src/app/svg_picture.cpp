#include "app/svg_picture.h"

#include <QPainter>
#include <QSvgRenderer>

namespace monitor {

QPixmap SvgPixmap(const QString& resource, QSize box) {
    QPixmap pixmap(box);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) return pixmap;
    QSizeF size = renderer.viewBoxF().size();
    size.scale(QSizeF(box), Qt::KeepAspectRatio);
    const QRectF target(
        QPointF((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, target);
    return pixmap;
}

QIcon MonitorIcon() {
    QIcon icon;
    for (const int s : {16, 24, 32, 48, 64, 128}) {
        icon.addPixmap(SvgPixmap(":/monitor/icon.svg", QSize(s, s)));
    }
    return icon;
}

}  // namespace monitor
