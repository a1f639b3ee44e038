#include "shell/UserDatabase.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "core/DataFolders.h"
#include "core/GenModule.h"
#include "data/ConnectionPool.h"

UserDatabase::Found UserDatabase::locate()
{
    Found found;
    found.installedCopy = DataFolders::installedFile(QStringLiteral("Exam.mdb"));
    const QString folder = DataFolders::userFolder();
    if (folder.isEmpty())
        return found;
    // Matched without regard to case, as beside the program.
    if (FileExists(ConnectionPool::resolveFile(folder + QStringLiteral("/Exam.mdb")))) {
        found.folder = folder;
        return found;
    }
    if (found.installedCopy.isEmpty() || !QDir().mkpath(folder)
        || !copyWhole(found.installedCopy, folder + QStringLiteral("/Exam.mdb")))
        return found;
    found.folder = folder;
    found.copied = true;
    return found;
}

bool UserDatabase::copyWhole(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    // QSaveFile writes to a temporary file in the same folder, syncs it to disk and renames it
    // over `to` only on commit; anything short of a commit leaves `to` as it was.
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    while (!(chunk = source.read(1 << 16)).isEmpty()) {
        if (target.write(chunk) != chunk.size())
            return false;
    }
    return source.error() == QFileDevice::NoError && target.commit();
}
