#include "core/DataFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/GenModule.h"

namespace {
// The install layout, set by the build: the data folder relative to the program's folder, and
// its name below a system data folder.
constexpr char kDataFromProgram[] = VESK_DATA_FROM_PROGRAM;
constexpr char kDataFolderName[] = VESK_DATA_FOLDER_NAME;
} // namespace

QString DataFolders::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString DataFolders::installedFile(const QString &fileName)
{
    const QString besideProgram = QDir::cleanPath(
        AppFolder() + QLatin1Char('/') + QLatin1String(kDataFromProgram) + QLatin1Char('/') + fileName);
    if (FileExists(besideProgram))
        return besideProgram;
    const QString located = QStandardPaths::locate(
        QStandardPaths::GenericDataLocation, QLatin1String(kDataFolderName) + QLatin1Char('/') + fileName);
    return FileExists(located) ? located : QString();
}

QString DataFolders::documentFolder(const QString &fileName)
{
    if (FileExists(AppFolder() + QLatin1Char('/') + fileName))
        return AppFolder();
    const QString installed = installedFile(fileName);
    return installed.isEmpty() ? AppFolder() : QFileInfo(installed).absolutePath();
}
