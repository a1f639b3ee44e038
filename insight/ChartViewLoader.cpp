#include "insight/ChartViewLoader.h"

#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include "insight/ChartView.h"

QStringList ChartViewLoader::searchFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.absolutePath(), QDir::cleanPath(program.filePath(QStringLiteral(".."))),
        QDir::cleanPath(program.filePath(QStringLiteral("../lib/vesk/plugins")))};
}

ChartViewFactory *ChartViewLoader::factory(QString *error)
{
    static QPluginLoader *loaded = nullptr; // never unloaded: views of it may be alive
    if (loaded)
        return qobject_cast<ChartViewFactory *>(loaded->instance());
    for (const QString &folder : searchFolders()) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
        if (!QFileInfo::exists(path))
            continue;
        auto loader = std::make_unique<QPluginLoader>(path);
        auto *factory = qobject_cast<ChartViewFactory *>(loader->instance());
        if (!factory) {
            *error = loader->errorString();
            return nullptr;
        }
        loaded = loader.release();
        return factory;
    }
    *error = QStringLiteral("%1 was not found in %2.")
                 .arg(QString::fromLatin1(kFileName), searchFolders().join(QStringLiteral(", ")));
    return nullptr;
}
