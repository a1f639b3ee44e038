#include "widgets/PngIcon.h"

#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace {
QHash<QString, QImage> &preloaded()
{
    static QHash<QString, QImage> images;
    return images;
}

QImage readPng(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}
} // namespace

QIcon PngIcon::fromFile(const QString &path)
{
    const QImage image = preloaded().contains(path) ? preloaded().take(path) : readPng(path);
    return QIcon(QPixmap::fromImage(image));
}

void PngIcon::preload(const QString &path)
{
    preloaded().insert(path, readPng(path));
}
