#include "widgets/PngIcon.h"

#include <QImageReader>
#include <QPixmap>

QIcon PngIcon::fromFile(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}
