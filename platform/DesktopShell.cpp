#include "platform/DesktopShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {
std::function<int(const DesktopShell::Request &)> s_handler;
QList<DesktopShell::Request> s_requests;

bool isWebAddress(const QString &file)
{
    return file.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || file.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}
} // namespace

int DesktopShell::open(const Request &request)
{
    if (s_handler) {
        s_requests.append(request);
        return s_handler(request);
    }
    if (isWebAddress(request.file))
        return QDesktopServices::openUrl(QUrl(request.file)) ? Opened : NoAssociation;

    // A bare name is looked up in the working directory, as the shell does.
    const QString path = QDir(request.workingDir).absoluteFilePath(request.file);
    const QFileInfo info(path);
    if (!info.dir().exists())
        return PathNotFound;
    if (!info.exists())
        return FileNotFound;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? Opened : NoAssociation;
}

void DesktopShell::setHandler(std::function<int(const Request &)> handler)
{
    s_handler = std::move(handler);
    s_requests.clear();
}

const QList<DesktopShell::Request> &DesktopShell::requests()
{
    return s_requests;
}

void DesktopShell::resetTestState()
{
    s_handler = nullptr;
    s_requests.clear();
}
