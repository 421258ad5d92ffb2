#pragma once
// Picture: reads the bundled interface pictures. The format comes from the name's suffix, so
// Qt is never asked to guess it: for a plain QPixmap(path) it asks every installed image
// plugin whether it knows the suffix, which loads all of them (with their codec libraries)
// the first time, a cost paid before the first window can paint. GUI thread only for
// pixmap() and icon(); image() may be called from any thread.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

class Picture {
public:
    // The picture at `path` (such as ":/images/bg-tab-dot.png"); null when it cannot be read.
    static QImage image(const QString& path);
    static QPixmap pixmap(const QString& path);
    // Every picture of a multi-size file (an .ico holds several sizes) in one icon.
    static QIcon icon(const QString& path);
};
