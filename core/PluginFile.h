#pragma once

#include <QString>

class QObject;

// The program's plugins, each loaded on first use so that start-up never loads their libraries:
// found beside the program, in the folder above it (a test or the benchmark in the build tree) or
// in ../lib/vesk/plugins (an installed program). A plugin stays loaded until the program ends.
namespace PluginFile {
// The root object of the plugin `fileName`, or null with `error` telling why.
QObject *instance(const QString &fileName, QString *error);
} // namespace PluginFile
