#pragma once

#include <memory>

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// Owns one open SQLCipher connection.
class SqliteHandle final {
public:
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
