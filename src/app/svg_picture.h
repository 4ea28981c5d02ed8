#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace monitor {

/** A picture of the resources drawn into a box of the given size, scaled proportionally and
 *  centred, on a transparent background. */
QPixmap SvgPixmap(const QString& resource, QSize box);

/** The program's icon (window and tray) in the usual sizes. */
QIcon MonitorIcon();

}  // namespace monitor
