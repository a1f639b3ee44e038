#include "data/cDBAccess.h"

#include "core/AppExit.h"
#include "core/FailureReport.h"
#include "core/GenModule.h"
#include "data/Connection.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/DbError.h"
#include "data/Recordset.h"

namespace {
constexpr char kSqlServerHost[] = "EXAMSERVER";
} // namespace

cDBAccess::cDBAccess()
    : mConnection(std::make_shared<Connection>())
{
    gConnection = mConnection;
}

cDBAccess::~cDBAccess()
{
    RollbackBatch();
    if (gConnection == mConnection && mConnection->isOpen())
        gConnection.reset();
}

QString cDBAccess::connectionDescription(
    int dbProvider, const QString &dbPath, const QString &db_Name, const QString &sDSN)
{
    // Any folder must reach its file: the path is quoted when it holds what would end the item.
    const QString file = Connection::quoteValue(dbPath + QLatin1String("\\Exam.mdb")) + QLatin1String(";");
    switch (dbProvider) {
    case 0:
        return QLatin1String("Provider=Microsoft.Jet.OLEDB.3.51;")
            + QLatin1String("Persist Security Info=False;User ID=Admin;") + QLatin1String("Data Source=") + file
            + QLatin1String("Mode=Share Deny None;")
            + QLatin1String("Extended Properties=';COUNTRY=0;CP=1252;LANGID=0x0409';")
            + QLatin1String("Locale Identifier=1033;Jet OLEDB:System database='';")
            + QLatin1String("Jet OLEDB:Registry Path='';Jet OLEDB:Database Password='';")
            + QLatin1String("Jet OLEDB:Global Partial Bulk Ops=2");
    case 1:
        return QLatin1String("Provider=Microsoft.Jet.OLEDB.4.0;") + QLatin1String("Data Source=") + file
            + QLatin1String(";Jet OLEDB:Database Password=QOMB;")
            + QLatin1String("Mode=Share Deny None;Extended Properties='';")
            + QLatin1String("Jet OLEDB:System database='';Jet OLEDB:Registry Path='';")
            + QLatin1String("Jet OLEDB:Database Password='QOMB';Jet OLEDB:Engine Type=5;")
            + QLatin1String("Jet OLEDB:Database Locking Mode=0;Jet OLEDB:Global Partial Bulk Ops=2;")
            + QLatin1String("Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password='';")
            + QLatin1String("Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;")
            + QLatin1String("Jet OLEDB:Don't Copy Locale on Compact=False;")
            + QLatin1String("Jet OLEDB:Compact Without Replica Repair=False;Jet OLEDB:SFP=False");
    case 2:
        return QLatin1String("Provider=SQLOLEDB;Connect timeout=30;Integrated Security=SSPI;Persist Security "
                             "Info=False;Initial Catalog=Target;Data Source=")
            + QLatin1String(kSqlServerHost);
    case 3:
    case 4:
        // A name with ';' in it stays one item (quoted as a path is), not the start of another.
        return QLatin1String("PROVIDER=MSDASQL;dsn=") + Connection::quoteValue(sDSN)
            + QLatin1String(";uid=;pwd=;database=") + Connection::quoteValue(db_Name) + QLatin1String(";");
    case 5:
        return QLatin1String("Provider=MSDataShape;Data Provider=SQLOLEDB;Connect timeout=30;Integrated "
                             "Security=SSPI;Persist Security Info=False;Initial Catalog=Target;Data Source=")
            + QLatin1String(kSqlServerHost);
    default:
        return QString();
    }
}

bool cDBAccess::Open_Connection(int dbProvider, const QString &db_Path, const QString &db_Name, const QString &sDSN)
{
    Q_UNUSED(db_Path) // the file types always take their folder from gDbPath
    const QString description = connectionDescription(dbProvider, gDbPath, db_Name, sDSN);
    if (!description.isEmpty())
        mConnectionString = description;
    DbError error;
    if (mConnection->open(mConnectionString, &error))
        return true;

    mLastError = error.text();
    if (error.number == DbError::GenericFailure) {
        FailureReport::report({FailureReport::Kind::FileError, QStringLiteral("File Error"), mLastError, {}});
    } else {
        FailureReport::report({FailureReport::Kind::DatabaseConnection, QStringLiteral("Database Connection"),
            QStringLiteral("The database connection could not be estibleshed.\n"
                           "You don't have Microsoft MDAC 2.5 installed on your system or\n"
                           ".mdb file is corrupted."),
            QString::fromLatin1(kDownloadPage)});
    }
    AppExit::now();
    return false;
}

bool cDBAccess::ExecuteSQL(const QString &SQL, const QVariantList &values)
{
    mRecordsAffected = 0;
    const std::shared_ptr<Database> db = mConnection->database();
    if (!db) {
        mLastError
            = DbError{DbError::ConnectionClosed, QStringLiteral("The connection is closed; the statement was not run.")}
                  .text();
        return false;
    }
    // Inside a batch each statement is a nested transaction of its own.
    DbError error;
    const bool nested = mBatch != nullptr;
    if (!(nested ? db->execute(QStringLiteral("SAVEPOINT statement"), {}, nullptr, &error) : db->begin(&error))) {
        mLastError = error.text();
        return false;
    }
    qint64 changes = 0;
    bool ok = db->execute(db->translate(SQL), values, &changes, &error);
    mRecordsAffected = ok ? int(changes) : 0;
    if (ok)
        ok = nested ? db->execute(QStringLiteral("RELEASE SAVEPOINT statement"), {}, nullptr, &error)
                    : db->commit(&error);
    if (!ok) {
        mLastError = error.text();
        mRecordsAffected = 0;
        if (!nested) {
            db->rollback();
        } else if (db->inTransaction()) {
            DbError ignored;
            db->execute(QStringLiteral("ROLLBACK TO SAVEPOINT statement"), {}, nullptr, &ignored);
            db->execute(QStringLiteral("RELEASE SAVEPOINT statement"), {}, nullptr, &ignored);
        }
    }
    return ok;
}

std::shared_ptr<Recordset> cDBAccess::GetRS(
    const QString &SQL, CursorLocation CLocation, CursorType CType, LockType CLock, CommandType cmdType)
{
    // A client-side cursor fetches the whole result, so every move works whatever type is asked.
    Q_UNUSED(CLocation)
    Q_UNUSED(CType)
    Q_UNUSED(cmdType)
    const std::shared_ptr<Database> db = mConnection->database();
    DbError error{DbError::ConnectionClosed, QStringLiteral("Operation is not allowed when the object is closed.")};
    if (db)
        mRecordset = Recordset::open(db, db->translate(SQL), CLock == LockType::Optimistic, &error);
    if (!mRecordset) {
        mLastError = error.text();
        FailureReport::report({FailureReport::Kind::Query, QStringLiteral("Class DBAccess"), mLastError, {}});
        AppExit::now();
        return nullptr;
    }
    std::shared_ptr<Recordset> result = std::move(mRecordset);
    mRecordset.reset();
    return result;
}

std::shared_ptr<Connection> cDBAccess::GetConnection() const
{
    return mConnection;
}

bool cDBAccess::BeginBatch()
{
    const std::shared_ptr<Database> db = mConnection->database();
    if (!db || mBatch)
        return false;
    DbError error;
    if (!db->begin(&error)) {
        mLastError = error.text();
        return false;
    }
    mBatch = db;
    return true;
}

bool cDBAccess::CommitBatch()
{
    const std::shared_ptr<Database> db = std::move(mBatch);
    mBatch.reset();
    if (!db)
        return false;
    DbError error;
    if (db->commit(&error))
        return true;
    mLastError = error.text();
    db->rollback();
    return false;
}

void cDBAccess::RollbackBatch()
{
    const std::shared_ptr<Database> db = std::move(mBatch);
    mBatch.reset();
    if (db)
        db->rollback();
}

qlonglong cDBAccess::lastInsertId() const
{
    const std::shared_ptr<Database> db = mConnection->database();
    return db ? db->lastInsertId() : 0;
}
