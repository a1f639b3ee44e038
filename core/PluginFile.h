#pragma once

#include <QObject>
#include <QString>

// The program's plugins, each loaded on first use so that start-up never loads their libraries:
// found beside the program, in the folder above it (a test or the benchmark in the build tree) or
// in ../lib/vesk/plugins (an installed program). A plugin stays loaded until the program ends.
namespace PluginFile {
// The root object of the plugin `fileName`, or null with `error` telling why.
QObject *instance(const QString &fileName, QString *error);

// The plugin `fileName` as the interface it is loaded for, or null with `error` telling why.
template <typename Interface> Interface *load(const char *fileName, QString *error)
{
    QObject *root = instance(QString::fromLatin1(fileName), error);
    auto *loaded = qobject_cast<Interface *>(root);
    if (root && !loaded)
        *error = QStringLiteral("%1 is not the plugin the program expects.").arg(QString::fromLatin1(fileName));
    return loaded;
}
} // namespace PluginFile
