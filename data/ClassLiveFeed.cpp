#include "data/ClassLiveFeed.h"

#include "data/Database.h"
#include "data/DbError.h"

struct ClassLiveFeed::Reader {
    Opener open;
    std::shared_ptr<Database> db;
};

ClassLiveFeed::ClassLiveFeed(Opener open, QObject *parent)
    : QObject(parent)
    , m_reader(std::make_shared<Reader>())
    , m_context(new QObject)
{
    m_reader->open = std::move(open);
    m_thread.setObjectName(QStringLiteral("ClassLiveFeed"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

ClassLiveFeed::~ClassLiveFeed()
{
    QMetaObject::invokeMethod(
        m_context, [reader = m_reader] { reader->db.reset(); }, Qt::QueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

bool ClassLiveFeed::request()
{
    if (m_busy)
        return false;
    m_busy = true;
    QMetaObject::invokeMethod(
        m_context,
        [this, reader = m_reader] {
            std::vector<ClassOverview::Running> rows;
            QString error;
            // A session the server ended is opened anew for the next reading.
            if (!reader->db || !reader->db->isUsable()) {
                DbError failure;
                reader->db = reader->open ? reader->open(&failure) : nullptr;
                error = failure.description;
            }
            if (reader->db)
                ClassOverview::readRunning(*reader->db, &rows, &error);
            // The feed outlives this: its destructor waits for the thread before it goes.
            QMetaObject::invokeMethod(
                this,
                [this, rows = std::move(rows), error] {
                    m_busy = false;
                    emit arrived(rows, error);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}
