#include "core/PluginFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPluginLoader>

namespace {
QStringList searchFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.absolutePath(), QDir::cleanPath(program.filePath(QStringLiteral(".."))),
        QDir::cleanPath(program.filePath(QStringLiteral("../lib/vesk/plugins")))};
}
} // namespace

QObject *PluginFile::instance(const QString &fileName, QString *error)
{
    // Never unloaded, nor the table forgotten: objects the plugins made may be alive until the end.
    static auto *const loaded = new QHash<QString, QPluginLoader *>;
    if (QPluginLoader *loader = loaded->value(fileName))
        return loader->instance();
    for (const QString &folder : searchFolders()) {
        const QString path = QDir(folder).filePath(fileName);
        if (!QFileInfo::exists(path))
            continue;
        auto *loader = new QPluginLoader(path);
        QObject *root = loader->instance();
        if (!root) {
            *error = loader->errorString();
            delete loader;
            return nullptr;
        }
        loaded->insert(fileName, loader);
        return root;
    }
    *error = QStringLiteral("%1 was not found in %2.").arg(fileName, searchFolders().join(QStringLiteral(", ")));
    return nullptr;
}
