#pragma once

#include <QFont>
#include <QStringList>

namespace monitor {

/** A font by preference: the first of `families` the system has, else its nearest match. */
inline QFont MakeFont(const QStringList& families, int points, bool bold) {
    QFont f;
    f.setFamilies(families);
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

}  // namespace monitor
