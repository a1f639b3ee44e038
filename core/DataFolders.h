#pragma once

#include <QString>

// Where the program's files are once it is installed: the person's own data folder, and the
// installed read-only data folder (share/vesk) with the pristine Exam.mdb and the documents.
class DataFolders final {
public:
    // The person's own data folder (~/.local/share/vesk); it may not exist yet.
    static QString userFolder();
    // The installed copy of `fileName`, found from the program's own folder (<bin>/../share/vesk),
    // else in the system's data folders; empty when the program is not installed.
    static QString installedFile(const QString &fileName);
    // The folder a companion document opens from: beside the program, else the installed data
    // folder when it holds the document, else the program's folder (where it is then missing).
    static QString documentFolder(const QString &fileName);

private:
    DataFolders() = delete;
};
