#include "data/DateFormat.h"
#include "data/SqlDialect.h"

#include <sqlcipher/sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

const char* const kExamTables =
    "CREATE TABLE ExamTitle (ExamID INTEGER PRIMARY KEY AUTOINCREMENT, UserName TEXT, "
    "ExamDate TEXT, NumOfQuestions INTEGER, ExamResult INTEGER);"
    "CREATE TABLE ExamDetails (DetailID INTEGER PRIMARY KEY AUTOINCREMENT, ExamID INTEGER, "
    "UserName TEXT, QID INTEGER, Answer TEXT, Answered INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE Q_A (QID INTEGER PRIMARY KEY, Question TEXT, A TEXT, B TEXT, C TEXT, D TEXT, "
    "CorrectAnswer TEXT, Category TEXT, Description TEXT);";

// What one statement produced: column names and rows, or SQLite's complaint.
struct Result {
    QString error;
    QStringList columns;
    QList<QVariantList> rows;
};

QVariant integer(qint64 value) { return QVariant::fromValue(value); }

QVariant columnValue(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return integer(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: return sqlite3_column_double(statement, column);
    case SQLITE_NULL: return QVariant();
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    }
}

// Runs SQL exactly as given.
Result runSqlite(sqlite3* db, const QString& sql)
{
    Result result;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* prepared = nullptr;
    const int prepareCode = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &prepared, nullptr);
    const Statement statement(prepared);
    if (prepareCode != SQLITE_OK) {
        result.error = QString::fromUtf8(sqlite3_errmsg(db)) + QStringLiteral(" in: ") + sql;
        return result;
    }
    const int columnCount = sqlite3_column_count(prepared);
    for (int column = 0; column < columnCount; ++column)
        result.columns << QString::fromUtf8(sqlite3_column_name(prepared, column));
    int stepCode = SQLITE_ROW;
    while ((stepCode = sqlite3_step(prepared)) == SQLITE_ROW) {
        QVariantList row;
        for (int column = 0; column < columnCount; ++column)
            row << columnValue(prepared, column);
        result.rows << row;
    }
    if (stepCode != SQLITE_DONE)
        result.error = QString::fromUtf8(sqlite3_errmsg(db)) + QStringLiteral(" in: ") + sql;
    return result;
}

// Runs a statement written in the data layer's dialect, the way the data layer will.
Result run(sqlite3* db, const QString& dialectSql)
{
    return runSqlite(db, SqlDialect::translate(dialectSql));
}

QString execAll(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    const QString error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return error;
}

Database openFile(const QString& path)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    return Database(raw); // even a failed open hands back a handle that must be closed
}

QList<QVariantList> rowsOf(std::initializer_list<QVariantList> rows) { return rows; }

} // namespace

class tst_SqlDialect : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void formatsDates_data();
    void formatsDates();
    void readsStoredDates_data();
    void readsStoredDates();
    void rejectsOtherDateText_data();
    void rejectsOtherDateText();

    void translatesStatements_data();
    void translatesStatements();
    void evaluatesTranslatedSql_data();
    void evaluatesTranslatedSql();
    void rejectsDivisionOfText();

    void listsExamHistory();
    void findsLatestExam();
    void runsExamLifecycle();
    void keepsDatabaseEncrypted();

private:
    Database openExamDatabase(QString& error);
    QString newDatabasePath();

    QTemporaryDir m_dir;
    int m_databases = 0;
};

void tst_SqlDialect::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString tst_SqlDialect::newDatabasePath()
{
    return m_dir.filePath(QStringLiteral("Exam%1.mdb").arg(++m_databases));
}

// A new database file keyed like the program's own, holding the exam tables, functions registered.
Database tst_SqlDialect::openExamDatabase(QString& error)
{
    Database db = openFile(newDatabasePath());
    error = execAll(db.get(), "PRAGMA key = 'QOMB';");
    if (error.isEmpty())
        error = execAll(db.get(), kExamTables);
    if (!error.isEmpty())
        return nullptr;
    SqlDialect::registerFunctions(db.get());
    return db;
}

// ---------------------------------------------------------------- dates

void tst_SqlDialect::formatsDates_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");

    const QDateTime dec4(QDate(2026, 12, 4), QTime(23, 20, 5));
    const QDateTime mar5(QDate(2002, 3, 5), QTime(7, 4, 9));
    const auto at = [](int hour, int minute, int second = 0) {
        return QDateTime(QDate(2026, 12, 4), QTime(hour, minute, second));
    };

    QTest::newRow("month/day/year") << dec4 << "mm/dd/yy" << "12/04/26";
    QTest::newRow("zero-padded") << mar5 << "mm/dd/yy" << "03/05/02";
    QTest::newRow("unpadded") << mar5 << "m/d/yyyy h:n:s" << "3/5/2002 7:4:9";
    QTest::newRow("upper-case codes") << mar5 << "MM/DD/YYYY" << "03/05/2002";
    QTest::newRow("evening, 12-hour") << at(21, 5) << "hh:mm AMPM" << "09:05 PM";
    QTest::newRow("after midnight") << at(0, 30) << "hh:mm AMPM" << "12:30 AM";
    QTest::newRow("noon") << at(12, 0) << "hh:mm AMPM" << "12:00 PM";
    QTest::newRow("lower-case marker") << at(13, 7) << "h:mm am/pm" << "1:07 pm";
    QTest::newRow("AM/PM") << at(11, 59) << "h:nn AM/PM" << "11:59 AM";
    QTest::newRow("letter marker") << at(9, 0) << "h:nnA/P" << "9:00A";
    QTest::newRow("24-hour without marker") << at(0, 11, 59) << "hh:mm:ss" << "00:11:59";
    QTest::newRow("minutes before seconds") << at(0, 11, 59) << "mm:ss" << "11:59";
    QTest::newRow("minutes after hour and text") << at(7, 4) << "h \"h\" mm" << "7 h 04";
    QTest::newRow("month after day") << dec4 << "dd mm" << "04 12";
    QTest::newRow("stored form") << dec4 << "yyyy-mm-dd hh:mm:ss" << "2026-12-04 23:20:05";
    QTest::newRow("names") << dec4 << "dddd, mmmm d (ddd mmm)" << "Friday, December 4 (Fri Dec)";
    QTest::newRow("day of year") << mar5 << "y" << "64";
    QTest::newRow("quoted text") << dec4 << "\"Taken on\" d-mmm-yy" << "Taken on 4-Dec-26";
    QTest::newRow("escaped code letter") << dec4 << "\\d=d" << "d=4";
    QTest::newRow("other characters") << dec4 << "yyyy.mm.ddThh!" << "2026.12.04T23!";
    QTest::newRow("invalid date-time") << QDateTime() << "mm/dd/yy" << "";
}

void tst_SqlDialect::formatsDates()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(DateFormat::format(when, pattern), expected);
}

void tst_SqlDialect::readsStoredDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");

    QTest::newRow("space") << "2026-12-04 23:20:05" << QDate(2026, 12, 4) << QTime(23, 20, 5);
    QTest::newRow("T") << "2026-12-04T23:20:05" << QDate(2026, 12, 4) << QTime(23, 20, 5);
    QTest::newRow("date only") << "2003-03-05" << QDate(2003, 3, 5) << QTime(0, 0);
    QTest::newRow("leap day") << "2000-02-29 00:00:00" << QDate(2000, 2, 29) << QTime(0, 0);
}

void tst_SqlDialect::readsStoredDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    const QDateTime parsed = DateFormat::parse(text);
    QVERIFY(parsed.isValid());
    QCOMPARE(parsed.date(), date);
    QCOMPARE(parsed.time(), time);
}

void tst_SqlDialect::rejectsOtherDateText_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << "";
    QTest::newRow("words") << "yesterday";
    QTest::newRow("display form") << "12/04/2026";
    QTest::newRow("short month") << "2026-1-04";
    QTest::newRow("month 13") << "2026-13-01";
    QTest::newRow("30 February") << "2026-02-30";
    QTest::newRow("hour 24") << "2026-12-04 24:00:00";
    QTest::newRow("no seconds") << "2026-12-04 23:20";
    QTest::newRow("fraction") << "2026-12-04 23:20:05.500";
    QTest::newRow("zone") << "2026-12-04T23:20:05Z";
    QTest::newRow("leading space") << " 2026-12-04";
    QTest::newRow("trailing newline") << "2026-12-04\n";
}

void tst_SqlDialect::rejectsOtherDateText()
{
    QFETCH(QString, text);
    QVERIFY(!DateFormat::parse(text).isValid());
}

// ---------------------------------------------------------------- translation

void tst_SqlDialect::translatesStatements_data()
{
    QTest::addColumn<QString>("dialect");
    QTest::addColumn<QString>("sqlite");

    QTest::newRow("TOP")
        << "Select Top 1 ExamTitle.* FROM ExamTitle ORDER BY ExamDate DESC"
        << "Select ExamTitle.* FROM ExamTitle ORDER BY ExamDate DESC LIMIT 1";
    QTest::newRow("TOP after DISTINCT, before ;")
        << "SELECT DISTINCT TOP 3 UserName FROM ExamTitle;"
        << "SELECT DISTINCT UserName FROM ExamTitle LIMIT 3;";
    QTest::newRow("TOP before trailing space and comment")
        << "SELECT TOP 2 * FROM Q_A -- newest\n"
        << "SELECT * FROM Q_A LIMIT 2 -- newest\n";
    QTest::newRow("TOP in a subquery")
        << "SELECT * FROM Q_A WHERE QID IN (SELECT TOP 5 QID FROM ExamDetails ORDER BY DetailID) ORDER BY QID"
        << "SELECT * FROM Q_A WHERE QID IN (SELECT QID FROM ExamDetails ORDER BY DetailID LIMIT 5) ORDER BY QID";
    QTest::newRow("TOP in a UNION arm")
        << "SELECT TOP 1 QID FROM Q_A UNION SELECT QID FROM ExamDetails ORDER BY QID"
        << "SELECT * FROM (SELECT QID FROM Q_A LIMIT 1) UNION SELECT QID FROM ExamDetails ORDER BY QID";
    QTest::newRow("TOP n PERCENT left alone")
        << "SELECT TOP 10 PERCENT * FROM Q_A" << "SELECT TOP 10 PERCENT * FROM Q_A";
    QTest::newRow("@@IDENTITY") << "SELECT @@IDENTITY" << "SELECT last_insert_rowid()";
    QTest::newRow("@@identity;") << "select @@identity;" << "select last_insert_rowid();";
    QTest::newRow("\\ below *") << R"sql(SELECT 7 \ 2 * 3)sql"
                                << "SELECT vesk_intdiv((7), (2 * 3))";
    QTest::newRow("\\ above +") << R"sql(SELECT 10 + 7 \ 2)sql"
                                << "SELECT 10 + vesk_intdiv((7), (2))";
    QTest::newRow("\\ left-associative")
        << R"sql(SELECT 100 \ 7 \ 2)sql"
        << "SELECT vesk_intdiv((vesk_intdiv((100), (7))), (2))";
    QTest::newRow("\\ on qualified names")
        << R"sql(SELECT ExamTitle.ExamResult * 100\ ExamTitle.NumOfQuestions AS [Result (%)] FROM ExamTitle)sql"
        << "SELECT vesk_intdiv((ExamTitle.ExamResult * 100), (ExamTitle.NumOfQuestions)) AS [Result (%)] FROM ExamTitle";
    QTest::newRow("\\ on calls, groups and signs")
        << R"sql(SELECT -Abs(x) \ -(y + 1), Max(a, b)\[c d].e FROM t)sql"
        << "SELECT vesk_intdiv((-Abs(x)), (-(y + 1))), vesk_intdiv((Max(a, b)), ([c d].e)) FROM t";
    QTest::newRow("\\ inside a comparison")
        << R"sql(SELECT * FROM t WHERE a - b \ c >= 2 AND NOT d \ e = 0)sql"
        << "SELECT * FROM t WHERE a - vesk_intdiv((b), (c)) >= 2 AND NOT vesk_intdiv((d), (e)) = 0";
    QTest::newRow("\\ on CASE")
        << R"sql(SELECT CASE WHEN a THEN 9 ELSE 7 END \ 2 FROM t)sql"
        << "SELECT vesk_intdiv((CASE WHEN a THEN 9 ELSE 7 END), (2)) FROM t";
    QTest::newRow("TOP with \\ at the end")
        << R"sql(SELECT TOP 1 a \ b)sql" << "SELECT vesk_intdiv((a), (b)) LIMIT 1";

    const QStringList unchanged = {
        R"sql(SELECT 'TOP 5 \ @@IDENTITY [x]' AS [Top 5 \ @@identity], "a\b" FROM [Select Top 3])sql",
        "SELECT 'O''Brien', 'it''s TOP 1' FROM ExamTitle WHERE UserName = 'O''Brien'",
        "SELECT ExamDetails.ExamID, ExamDetails.Answered  From ExamDetails  "
        "WHERE ExamDetails.Answered =0 and ExamDetails.ExamID = 1",
        "SELECT ExamTitle.ExamID, Q_A.Question  FROM (ExamTitle INNER JOIN ExamDetails ON "
        "ExamTitle.ExamID = ExamDetails.ExamID)  INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID",
        "SELECT Format(ExamTitle.ExamDate,'mm/dd/yy') AS [Date] FROM ExamTitle",
        "SELECT TopScore, x / 2 FROM [Top] /* TOP 1 \\ */",
    };
    for (const QString& sql : unchanged)
        QTest::addRow("unchanged: %s", qPrintable(sql.left(40))) << sql << sql;
}

void tst_SqlDialect::translatesStatements()
{
    QFETCH(QString, dialect);
    QFETCH(QString, sqlite);
    QCOMPARE(SqlDialect::translate(dialect), sqlite);
}

void tst_SqlDialect::evaluatesTranslatedSql_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("\\ below *") << R"sql(SELECT 7 \ 2 * 3)sql" << integer(1);
    QTest::newRow("* before \\") << R"sql(SELECT 2 * 3 \ 4)sql" << integer(1);
    QTest::newRow("\\ above +") << R"sql(SELECT 10 + 7 \ 2)sql" << integer(13);
    QTest::newRow("\\ above -") << R"sql(SELECT 9 \ 2 - 1)sql" << integer(3);
    QTest::newRow("\\ in a mixed chain") << R"sql(SELECT 1 + 9 \ 4 \ 2 * 1)sql" << integer(2);
    QTest::newRow("left-associative") << R"sql(SELECT 100 \ 7 \ 2)sql" << integer(7);
    QTest::newRow("parentheses") << R"sql(SELECT (9 - 1) \ (1 + 1))sql" << integer(4);
    QTest::newRow("below comparison") << R"sql(SELECT 7 \ 2 = 3)sql" << integer(1);
    QTest::newRow("in WHERE") << R"sql(SELECT 'kept' WHERE 7 \ 2 = 3)sql" << QVariant(QStringLiteral("kept"));
    QTest::newRow("call operand") << R"sql(SELECT Abs(-9) \ 2)sql" << integer(4);
    QTest::newRow("7.5 rounds up to 8") << R"sql(SELECT 7.5 \ 2)sql" << integer(4);
    QTest::newRow("6.5 rounds down to 6") << R"sql(SELECT 6.5 \ 2)sql" << integer(3);
    QTest::newRow("divisor 2.5 rounds to 2") << R"sql(SELECT 9 \ 2.5)sql" << integer(4);
    QTest::newRow("half rounds to even") << R"sql(SELECT 0.5 \ 1 + 1.5 \ 1 + 6.5 \ 1)sql" << integer(8);
    QTest::newRow("negative half rounds to even") << R"sql(SELECT -2.5 \ 1)sql" << integer(-2);
    QTest::newRow("-7.5 rounds to -8") << R"sql(SELECT -7.5 \ 2)sql" << integer(-4);
    QTest::newRow("negative truncates") << R"sql(SELECT -7 \ 2)sql" << integer(-3);
    QTest::newRow("negative divisor") << R"sql(SELECT 7 \ -2)sql" << integer(-3);
    QTest::newRow("numeric text") << R"sql(SELECT '7' \ '2')sql" << integer(3);
    QTest::newRow("NULL dividend") << R"sql(SELECT NULL \ 2)sql" << QVariant();
    QTest::newRow("NULL divisor") << R"sql(SELECT 2 \ NULL)sql" << QVariant();
    QTest::newRow("zero divisor") << R"sql(SELECT 5 \ 0)sql" << QVariant();
    QTest::newRow("divisor rounding to zero") << R"sql(SELECT 5 \ 0.4)sql" << QVariant();
    QTest::newRow("literal kept")
        << R"sql(SELECT 'TOP 5 \ @@IDENTITY [x]')sql" << QVariant(QStringLiteral(R"(TOP 5 \ @@IDENTITY [x])"));
    QTest::newRow("Format")
        << "SELECT Format('2002-03-05 10:00:00','mm/dd/yy')" << QVariant(QStringLiteral("03/05/02"));
    QTest::newRow("FORMAT, 12-hour")
        << "SELECT FORMAT('2026-12-04T21:05:00', 'hh:mm AMPM')" << QVariant(QStringLiteral("09:05 PM"));
    QTest::newRow("Format of NULL") << "SELECT Format(NULL, 'mm/dd/yy')" << QVariant();
    QTest::newRow("Format of other text") << "SELECT Format('last week', 'mm/dd/yy')" << QVariant();
    QTest::newRow("Format with NULL pattern") << "SELECT Format('2003-03-05', NULL)" << QVariant();

    const QString numbers = QStringLiteral("WITH n(v) AS (VALUES (1), (2), (3), (4), (5)) ");
    QTest::newRow("TOP with ORDER BY")
        << numbers + "SELECT TOP 1 v FROM n ORDER BY v DESC" << integer(5);
    QTest::newRow("DISTINCT TOP in a subquery")
        << numbers + "SELECT SUM(v) FROM (SELECT DISTINCT TOP 2 v FROM n ORDER BY v)" << integer(3);
    QTest::newRow("TOP on each UNION arm")
        << numbers + "SELECT COUNT(*) FROM (SELECT TOP 2 v FROM n UNION ALL SELECT TOP 3 v FROM n)"
        << integer(5);
}

void tst_SqlDialect::evaluatesTranslatedSql()
{
    QFETCH(QString, sql);
    QFETCH(QVariant, expected);
    QString error;
    const Database db = openExamDatabase(error);
    QVERIFY2(db, qPrintable(error));

    const Result result = run(db.get(), sql);
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.rows.size(), 1);
    const QVariant actual = result.rows.first().value(0);
    QCOMPARE(QString::fromLatin1(actual.typeName()), QString::fromLatin1(expected.typeName()));
    QCOMPARE(actual, expected);
}

void tst_SqlDialect::rejectsDivisionOfText()
{
    QString error;
    const Database db = openExamDatabase(error);
    QVERIFY2(db, qPrintable(error));
    const Result result = run(db.get(), R"sql(SELECT 'ten' \ 2)sql");
    QVERIFY(result.error.contains(QStringLiteral("integer division")));
}

// ---------------------------------------------------------------- the data layer's statements

void tst_SqlDialect::listsExamHistory()
{
    QString error;
    const Database db = openExamDatabase(error);
    QVERIFY2(db, qPrintable(error));
    const Result setup = runSqlite(
        db.get(), "INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, ExamResult) VALUES "
                  "('alice', '2002-03-05 10:00:00', 30, 2), ('bob', '2003-03-05', 30, 7), "
                  "('carol', '2004-06-30T08:15:00', 10, 10), ('dave', '2001-01-01 09:00:00', 10, NULL), "
                  "('erin', NULL, 0, 0)");
    QVERIFY2(setup.error.isEmpty(), qPrintable(setup.error));

    const Result history = run(
        db.get(),
        R"sql(SELECT ExamTitle.ExamID, Format(ExamTitle.ExamDate,'mm/dd/yy') AS [Date],  ExamTitle.UserName AS [User Name], ExamTitle.NumOfQuestions AS [No of Questions],  ExamTitle.ExamResult AS [Correct Answers],  ExamTitle.ExamResult * 100\ ExamTitle.NumOfQuestions AS [Result (%)] FROM ExamTitle ORDER BY ExamTitle.ExamDate DESC, ExamTitle.UserName )sql");
    QVERIFY2(history.error.isEmpty(), qPrintable(history.error));
    QCOMPARE(history.columns, QStringList({"ExamID", "Date", "User Name", "No of Questions",
                                           "Correct Answers", "Result (%)"}));
    const QVariant null;
    QCOMPARE(history.rows,
             rowsOf({
                 {integer(3), "06/30/04", "carol", integer(10), integer(10), integer(100)},
                 {integer(2), "03/05/03", "bob", integer(30), integer(7), integer(23)},
                 {integer(1), "03/05/02", "alice", integer(30), integer(2), integer(6)},
                 {integer(4), "01/01/01", "dave", integer(10), null, null},
                 {integer(5), null, "erin", integer(0), integer(0), null},
             }));
}

void tst_SqlDialect::findsLatestExam()
{
    QString error;
    const Database db = openExamDatabase(error);
    QVERIFY2(db, qPrintable(error));
    const Result setup = runSqlite(
        db.get(), "INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, ExamResult) VALUES "
                  "('alice', '2002-03-05 10:00:00', 30, 2), ('carol', '2004-06-30 08:15:00', 10, 10), "
                  "('bob', '2003-03-05', 30, 7)");
    QVERIFY2(setup.error.isEmpty(), qPrintable(setup.error));

    const Result latest = run(db.get(), "Select Top 1 ExamTitle.* FROM ExamTitle ORDER BY ExamDate DESC");
    QVERIFY2(latest.error.isEmpty(), qPrintable(latest.error));
    QCOMPARE(latest.columns,
             QStringList({"ExamID", "UserName", "ExamDate", "NumOfQuestions", "ExamResult"}));
    QCOMPARE(latest.rows,
             rowsOf({{integer(2), "carol", "2004-06-30 08:15:00", integer(10), integer(10)}}));
}

void tst_SqlDialect::runsExamLifecycle()
{
    QString error;
    const Database db = openExamDatabase(error);
    QVERIFY2(db, qPrintable(error));
    sqlite3* const exam = db.get();
    const Result questions = runSqlite(
        exam, "INSERT INTO Q_A VALUES "
              "(5, 'Which activity finds defects?', 'Testing', 'Debugging', 'Compiling', 'Linking', "
              "'A', 'Software Testing', 'Testing finds defects; debugging removes them.'), "
              "(3, 'What does a test case pair with its inputs?', 'Expected results', 'Source code', "
              "'A schedule', 'A budget', 'A', 'Software Testing', 'Inputs plus expected results.'), "
              "(9, 'How many bits are in a byte?', '4', '8', '16', '32', 'B', 'IT Basics', 'Eight.')");
    QVERIFY2(questions.error.isEmpty(), qPrintable(questions.error));
    const QVariant null;

    Result result = run(exam, "INSERT INTO ExamTitle(UserName,ExamDate,NumOfQuestions)  "
                              "VALUES('O''Brien',  '2026-12-04 23:20:05','10') ");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(sqlite3_changes(exam), 1);

    result = run(exam, "SELECT @@IDENTITY");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.rows, rowsOf({{integer(1)}}));

    result = run(exam, "SELECT Format(ExamDate, 'hh:mm AMPM') FROM ExamTitle WHERE ExamID = 1");
    QCOMPARE(result.rows, rowsOf({{"11:20 PM"}}));

    result = run(exam, "INSERT INTO ExamDetails(ExamID,UserName,QID)  VALUES('1','O''Brien','5')");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));

    result = run(exam,
                 "SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamDate,  "
                 "ExamTitle.NumOfQuestions, ExamTitle.ExamResult, ExamDetails.QID,  "
                 "ExamDetails.Answer, ExamDetails.Answered, ExamDetails.DetailID, Q_A.Question,  "
                 "Q_A.A, Q_A.B, Q_A.C, Q_A.D, Q_A.CorrectAnswer, Q_A.Category  "
                 "FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID)  "
                 "INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID  WHERE ExamTitle.ExamID = 1");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.rows,
             rowsOf({{integer(1), "O'Brien", "2026-12-04 23:20:05", integer(10), null, integer(5),
                      null, integer(0), integer(1), "Which activity finds defects?", "Testing",
                      "Debugging", "Compiling", "Linking", "A", "Software Testing"}}));

    result = run(exam, "SELECT ExamDetails.ExamID, ExamDetails.Answered  From ExamDetails  "
                       "WHERE ExamDetails.Answered =0 and ExamDetails.ExamID = 1");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.columns, QStringList({"ExamID", "Answered"}));
    QCOMPARE(result.rows, rowsOf({{integer(1), integer(0)}}));

    result = run(exam, "SELECT * FROM ExamDetails  WHERE ExamID = 1");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.rows, rowsOf({{integer(1), integer(1), "O'Brien", integer(5), null, integer(0)}}));

    result = run(exam, "SELECT * FROM Q_A WHERE QID = 5");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.rows.size(), 1);
    QCOMPARE(result.rows.first().size(), 9);
    QCOMPARE(result.rows.first().constLast().toString(),
             QStringLiteral("Testing finds defects; debugging removes them."));

    result = run(exam, "SELECT * FROM Q_A WHERE Category = 'Software Testing' ORDER BY QID ");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.rows.size(), 2);
    QCOMPARE(result.rows.at(0).first(), integer(3));
    QCOMPARE(result.rows.at(1).first(), integer(5));

    result = run(exam, "UPDATE ExamTitle  SET ExamResult = '7'  WHERE ExamID = 1");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    result = runSqlite(exam, "SELECT ExamResult, typeof(ExamResult) FROM ExamTitle WHERE ExamID = 1");
    QCOMPARE(result.rows, rowsOf({{integer(7), "integer"}}));

    result = run(exam, "DELETE FROM ExamTitle  WHERE ExamID = 1");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    result = run(exam, "DELETE FROM ExamDetails  WHERE ExamID = 1");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    result = runSqlite(exam, "SELECT (SELECT COUNT(*) FROM ExamTitle), (SELECT COUNT(*) FROM ExamDetails)");
    QCOMPARE(result.rows, rowsOf({{integer(0), integer(0)}}));
}

void tst_SqlDialect::keepsDatabaseEncrypted()
{
    QString error;
    Database db = openExamDatabase(error);
    QVERIFY2(db, qPrintable(error));
    const QString path = QString::fromUtf8(sqlite3_db_filename(db.get(), "main"));
    db.reset();

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.read(16).startsWith("SQLite format 3"));

    const QString tableCount = QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'");
    const Database unkeyed = openFile(path);
    QVERIFY(!runSqlite(unkeyed.get(), tableCount).error.isEmpty());

    const Database wrongKey = openFile(path);
    QVERIFY(execAll(wrongKey.get(), "PRAGMA key = 'qomb';").isEmpty());
    QVERIFY(!runSqlite(wrongKey.get(), tableCount).error.isEmpty());

    const Database keyed = openFile(path);
    QVERIFY(execAll(keyed.get(), "PRAGMA key = 'QOMB';").isEmpty());
    const Result tables = runSqlite(keyed.get(), tableCount);
    QVERIFY2(tables.error.isEmpty(), qPrintable(tables.error));
    QCOMPARE(tables.rows.first().first(), integer(4)); // the three tables and sqlite_sequence
}

QTEST_GUILESS_MAIN(tst_SqlDialect)
#include "tst_sqldialect.moc"
