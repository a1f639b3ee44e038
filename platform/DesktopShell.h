#pragma once

#include <functional>

#include <QList>
#include <QString>

// The desktop shell's open-document service. Returns a shell-style number: below 5 means the
// document, its path or the resources to open it were not found; 42 means it was handed over.
class DesktopShell final {
public:
    enum Result { OutOfResources = 0, FileNotFound = 2, PathNotFound = 3, NoAssociation = 31, Opened = 42 };

    struct Request {
        QString verb; // empty for the document type's default action
        QString file; // as passed: a bare name, a full path or a web address
        QString workingDir;
        bool hasOwner = false;
    };

    static int open(const Request &request);

    // Test seam: requests are recorded and answered by the handler instead of the desktop.
    static void setHandler(std::function<int(const Request &)> handler);
    static const QList<Request> &requests();
    static void resetTestState();

private:
    DesktopShell() = delete;
};
