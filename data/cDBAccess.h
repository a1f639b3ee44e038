#pragma once

#include <memory>

#include <QString>
#include <QVariantList>

class Connection;
class Database;
class Recordset;

// How a recordset is asked for, by the numbers the program's callers have always passed. Every
// recordset is a client-side static cursor over the whole result, so only the lock type changes
// anything: Optimistic makes it writable (written back by key), ReadOnly does not. The cursor
// location, the cursor type and the command type are taken and ignored.
enum class CursorLocation : int { UseClient = 3 };
enum class CursorType : int { ForwardOnly = 0, Static = 3 };
enum class LockType : int { ReadOnly = 1, Optimistic = 3 };
enum class CommandType : int { Unstated = 0, Text = 1 };

// The one class through which the program talks to its database. Each object owns its connection;
// gConnection mirrors the newest object's, for those who look at the program's state, and is
// released with it when it was opened; the program itself never reads it back. Failing to connect or to open a
// recordset is fatal: the user is told and the program ends at once.
class cDBAccess final {
public:
    static constexpr char kDatabasePassword[] = "QOMB";
    static constexpr char kDownloadPage[] = "https://www.zetetic.net/sqlcipher/";

    cDBAccess();
    ~cDBAccess();
    cDBAccess(const cDBAccess &) = delete;
    cDBAccess &operator=(const cDBAccess &) = delete;

    // `values` are bound to the statement's ? marks, in order.
    bool ExecuteSQL(const QString &SQL, const QVariantList &values = {});
    std::shared_ptr<Recordset> GetRS(const QString &SQL, CursorLocation CLocation = CursorLocation::UseClient,
        CursorType CType = CursorType::ForwardOnly, LockType CLock = LockType::ReadOnly,
        CommandType cmdType = CommandType::Text);
    std::shared_ptr<Connection> GetConnection() const;
    bool Open_Connection(int dbProvider, const QString &db_Path = QString(), const QString &db_Name = QString(),
        const QString &sDSN = QString());

    // The key the last successful insert on this object's connection was given, or 0.
    qlonglong lastInsertId() const;

    // Groups the statements that follow into one transaction: each statement still succeeds or
    // fails whole on its own, and the group is stored at once on CommitBatch (one sync of the file
    // instead of one per statement) or not at all on RollbackBatch.
    bool BeginBatch();
    bool CommitBatch();
    void RollbackBatch();

    QString mConnectionString;
    QString mLastError;
    // Rows the last ExecuteSQL changed (0 after a failure).
    int mRecordsAffected = 0;

    static QString connectionDescription(
        int dbProvider, const QString &dbPath, const QString &db_Name, const QString &sDSN);

private:
    std::shared_ptr<Connection> mConnection;
    std::shared_ptr<Recordset> mRecordset;
    std::shared_ptr<Database> mBatch; // the connection a batch is open on
};
