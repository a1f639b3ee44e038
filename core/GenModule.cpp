#include "core/GenModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUuid>

QString gDbPath;
bool gQuitNoPrompt = false;
bool gMenuLoaded = false;
bool gExamLoaded = false;
bool gViewExamLoaded = false;
QString gMsgResult;
int gIndex = 0;
int gNumOfQuestions = 0;
int gTimeLeft = 0;
qint32 gExamID = 0;
QString gUserName;

bool FileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

namespace {
QString &appFolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

namespace {
QString &runToken()
{
    static QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return token;
}
} // namespace

QString RunToken()
{
    return runToken();
}

void SetRunToken(const QString &token)
{
    runToken() = token;
}

QString AppFolder()
{
    return appFolderOverride().isEmpty() ? QCoreApplication::applicationDirPath() : appFolderOverride();
}

void SetAppFolder(const QString &folder)
{
    appFolderOverride() = folder;
}
