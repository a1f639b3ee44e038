#include "insight/ChartViewLoader.h"

#include "core/PluginFile.h"
#include "insight/ChartView.h"

ChartViewFactory *ChartViewLoader::factory(QString *error)
{
    QObject *root = PluginFile::instance(QString::fromLatin1(kFileName), error);
    auto *factory = qobject_cast<ChartViewFactory *>(root);
    if (root && !factory)
        *error = QStringLiteral("%1 is not the program's chart plugin.").arg(QString::fromLatin1(kFileName));
    return factory;
}
