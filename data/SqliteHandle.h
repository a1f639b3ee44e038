#pragma once

#include <memory>

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// Owns one open SQLCipher connection.
class SqliteHandle final {
public:
    // The outcome of opening a keyed file: the handle, or the step that failed and why.
    struct Opened;
    // Opens `path` with the SQLite `flags` and keys it with `password`, then reads the schema once,
    // since a wrong key or a file that is not a database shows only at the first read. The busy
    // time-out, when given, is set before that read. The one place a keyed file is opened.
    static Opened openKeyed(const QString &path, int flags, const QString &password, int busyTimeoutMs = 0);

    explicit SqliteHandle(sqlite3 *db);
    ~SqliteHandle();
    SqliteHandle(const SqliteHandle &) = delete;
    SqliteHandle &operator=(const SqliteHandle &) = delete;

    sqlite3 *get() const { return m_db; }
    QString lastMessage() const;
    int lastCode() const;

private:
    sqlite3 *m_db;
};

struct SqliteHandle::Opened {
    enum class Step { Done, Open, Key, Read };
    std::shared_ptr<SqliteHandle> handle; // null unless step is Done
    Step step = Step::Open;
    int code = 0; // the SQLite result code of the step that failed
    QString message;
};

// Owns one prepared statement.
class SqliteStatement final {
public:
    SqliteStatement(sqlite3 *db, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }
    int prepareCode() const { return m_prepareCode; }
    sqlite3_stmt *get() const { return m_stmt; }
    void bind(int index, const QVariant &value);
    int step();
    int columnCount() const;
    QVariant column(int index) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_prepareCode = 0;
};
