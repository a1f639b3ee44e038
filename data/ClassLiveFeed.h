#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QThread>

#include "data/ClassOverview.h"

class Database;
struct DbError;

// Reads the exams running on a class's server off the program's thread, on a server session of
// its own, so that the screen answers clicks while the server takes its time. One reading at a
// time: a request while one is under way is dropped, and the next tick asks again.
class ClassLiveFeed final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClassLiveFeed)

public:
    using Opener = std::function<std::shared_ptr<Database>(DbError *)>;
    // `open` makes the session, on the reading thread (ConnectionPool::separateServer).
    explicit ClassLiveFeed(Opener open, QObject *parent = nullptr);
    // Waits for a reading under way, then closes the session on its own thread.
    ~ClassLiveFeed() override;

    // False when a reading is under way already.
    bool request();
    bool isBusy() const { return m_busy; }

signals:
    // On the program's thread: the running exams, or the reason there are none to show.
    void arrived(const std::vector<ClassOverview::Running> &rows, const QString &error);

private:
    struct Reader;
    std::shared_ptr<Reader> m_reader; // touched on the reading thread only
    QThread m_thread;
    QObject *m_context; // lives on the reading thread
    bool m_busy = false;
};
