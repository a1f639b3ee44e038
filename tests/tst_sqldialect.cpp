#include "TestSupport.h"
#include "data/ConnectionPool.h"
#include "data/DateFormat.h"
#include "data/ExamQueries.h"
#include "data/SqlDialect.h"
#include "data/SqliteDatabase.h"
#include "data/SqliteHandle.h"

#include <sqlcipher/sqlite3.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
using Rows = QList<QVariantList>;

QVariant n(qint64 value)
{
    return QVariant::fromValue(value);
}

struct Result {
    QString error;
    QStringList columns;
    Rows rows;
};

// A value as the evaluation table writes it: NULL, an integer, or 'text' with its quotes doubled.
QString written(const QVariant &value)
{
    if (value.isNull())
        return u"NULL"_s;
    if (value.typeId() == QMetaType::LongLong)
        return value.toString();
    if (value.typeId() == QMetaType::QString)
        return u"'"_s + value.toString().replace(u"'"_s, u"''"_s) + u"'"_s;
    return u"%1 of type %2"_s.arg(value.toString(), QLatin1String(value.typeName()));
}
} // namespace

class tst_SqlDialect : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<SqliteDatabase> m_db;

    Result run(const QString &sql) const;
    void expect(const QString &sql, const Rows &rows, const QStringList &columns = {}) const;

private slots:
    void initTestCase();
    void formatsDates_data() { TestSupport::addCases(u"classroom/date-formats.tsv"_s); }
    void formatsDates();
    void readsDates_data() { TestSupport::addCases(u"classroom/date-reading.tsv"_s); }
    void readsDates();
    void datePatternsForTheServer_data() { TestSupport::addCases(u"classroom/date-patterns.tsv"_s); }
    void datePatternsForTheServer();
    void translatesStatements_data() { TestSupport::addCases(u"classroom/translations.tsv"_s); }
    void translatesStatements();
    void translatesLongStatementsInLinearTime_data() { TestSupport::addCases(u"classroom/long-statements.tsv"_s); }
    void translatesLongStatementsInLinearTime();
    void evaluatesTranslatedSql_data() { TestSupport::addCases(u"classroom/evaluations.tsv"_s); }
    void evaluatesTranslatedSql();
    void rejectsDivisionOfText();
    void runsProgramStatements();
};

// Software Testing QIDs 1-2, Programming Basic QID 3, on the program's own keyed connection.
void tst_SqlDialect::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"Exam.mdb"_s);
    TestSupport::buildDatabase(path, {2, 1, 0, 0, 0, 0});
    DbError error;
    m_db = ConnectionPool::acquire(path, u"QOMB"_s, &error);
    QVERIFY2(m_db, qPrintable(error.text()));
}

// Runs a statement written in the data layer's dialect the way the data layer does: translated.
Result tst_SqlDialect::run(const QString &sql) const
{
    Result result;
    SqliteStatement statement(m_db->get(), SqlDialect::translate(sql));
    int code = statement.isValid() ? SQLITE_ROW : SQLITE_ERROR;
    for (int c = 0; statement.isValid() && c < statement.columnCount(); ++c)
        result.columns << QString::fromUtf8(sqlite3_column_name(statement.get(), c));
    while (statement.isValid() && (code = statement.step()) == SQLITE_ROW) {
        result.rows << QVariantList();
        for (int c = 0; c < statement.columnCount(); ++c)
            result.rows.last() << statement.column(c);
    }
    if (code != SQLITE_DONE)
        result.error = m_db->lastMessage() + u" in: "_s + sql;
    return result;
}

void tst_SqlDialect::expect(const QString &sql, const Rows &rows, const QStringList &columns) const
{
    const Result result = run(sql);
    QCOMPARE(result.error, QString());
    if (!columns.isEmpty())
        QCOMPARE(result.columns, columns);
    QCOMPARE(result.rows, rows);
}

void tst_SqlDialect::formatsDates()
{
    QFETCH(QString, when);
    QFETCH(QString, pattern);
    QFETCH(QString, shown);
    QCOMPARE(DateFormat::format(QDateTime::fromString(when, u"yyyy-MM-dd HH:mm:ss"_s), pattern), shown);
}

void tst_SqlDialect::readsDates()
{
    QFETCH(QString, text);
    QFETCH(QString, read);
    QCOMPARE(DateFormat::parse(text), QDateTime::fromString(read, u"yyyy-MM-dd HH:mm:ss"_s));
}

void tst_SqlDialect::datePatternsForTheServer()
{
    QFETCH(QString, pattern);
    QFETCH(QString, toChar);
    QCOMPARE(DateFormat::toCharPattern(pattern), toChar);
}

// What each engine is sent; what the server runs of it is tested in tst_classroom_statements, side
// by side with the file.
void tst_SqlDialect::translatesStatements()
{
    QFETCH(QString, engine);
    QFETCH(QString, dialect);
    QFETCH(QString, translated);
    QCOMPARE(SqlDialect::translate(
                 dialect, engine == u"server"_s ? SqlDialect::Target::PostgreSql : SqlDialect::Target::Sqlite),
        translated);
}

// A quadratic pass over a megabyte takes minutes: the suite's time-out ends it.
void tst_SqlDialect::translatesLongStatementsInLinearTime()
{
    QFETCH(QString, unit);
    QFETCH(QString, dialect);
    QFETCH(QString, sqlite);
    const int k = (1 << 20) / int(unit.size());
    for (QString *text : {&dialect, &sqlite}) {
        static const QRegularExpression repeated(u"\\{([^}]*)\\}"_s);
        for (QRegularExpressionMatch m; (m = repeated.match(*text)).hasMatch();)
            text->replace(m.capturedStart(), m.capturedLength(), m.captured(1).repeated(k));
    }
    const QString translated = SqlDialect::translate(dialect);
    qsizetype same = 0;
    while (same < translated.size() && same < sqlite.size() && translated[same] == sqlite[same])
        ++same;
    QVERIFY2(translated == sqlite, qPrintable(u"differs at %1: %2"_s.arg(same).arg(translated.mid(same, 40))));
}

void tst_SqlDialect::evaluatesTranslatedSql()
{
    QFETCH(QString, sql);
    QFETCH(QString, rows);
    const Result result = run(sql);
    QCOMPARE(result.error, QString());
    QStringList lines;
    for (const QVariantList &row : result.rows) {
        QStringList values;
        for (const QVariant &value : row)
            values << written(value);
        lines << values.join(u'|');
    }
    QCOMPARE(lines.join(u'\n'), rows);
}

void tst_SqlDialect::rejectsDivisionOfText()
{
    QVERIFY(run(uR"(SELECT 'ten' \ 2)"_s).error.contains(u"integer division"_s));
}

// The statements an exam lives through, on the file; those of the first version keep their text.
void tst_SqlDialect::runsProgramStatements()
{
    const QVariant null;
    const QString insert = ExamQueries::insertExam(u"O'Brien"_s, u"2026-12-04 23:20:05"_s, 10);
    QCOMPARE(insert,
        u"INSERT INTO ExamTitle(UserName,ExamDate,NumOfQuestions)  VALUES('O''Brien',  '2026-12-04 23:20:05','10') "_s);
    expect(insert, {});
    QCOMPARE(ExamQueries::lastIdentity(), u"SELECT @@IDENTITY"_s);
    expect(ExamQueries::lastIdentity(), {{n(1)}});
    QCOMPARE(ExamQueries::insertExamQuestion(1, u"O'Brien"_s, 1),
        u"INSERT INTO ExamDetails(ExamID,UserName,QID)  VALUES('1','O''Brien','1')"_s);
    expect(ExamQueries::insertExamQuestion(1, u"O'Brien"_s, 1), {});

    const QVariantList title{n(1), "O'Brien", "2026-12-04 23:20:05", n(10), null, n(1), null, n(0), n(1)};
    const QVariantList question{"Software Testing question 1", "Choice A of 1", "Choice B of 1", "Choice C of 1",
        "Choice D of 1", "A", "Software Testing"};
    QCOMPARE(ExamQueries::examQuestions(1, false),
        u"SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamDate,  ExamTitle.NumOfQuestions, "
        "ExamTitle.ExamResult, ExamDetails.QID,  ExamDetails.Answer, ExamDetails.Answered, ExamDetails.DetailID, "
        "Q_A.Question,  Q_A.A, Q_A.B, Q_A.C, Q_A.D,  Q_A.CorrectAnswer, Q_A.Category  FROM (ExamTitle INNER JOIN "
        "ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID)  INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID  WHERE "
        "ExamTitle.ExamID = 1"_s);
    expect(ExamQueries::examQuestions(1, false), {title + question});
    QCOMPARE(ExamQueries::unansweredOf(1),
        u"SELECT ExamDetails.ExamID, ExamDetails.Answered  From ExamDetails  WHERE ExamDetails.Answered =0 "
        "and ExamDetails.ExamID = 1"_s);
    expect(ExamQueries::unansweredOf(1), {{n(1), n(0)}}, {"ExamID", "Answered"});
    QCOMPARE(ExamQueries::questionsOfCategory(u"Software Testing"_s),
        u"SELECT * FROM Q_A WHERE Category = 'Software Testing' ORDER BY QID "_s);

    // The list: dates shown as the first version showed them, the result by integer division.
    expect(u"INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, ExamResult) VALUES "
           "('alice', '2002-03-05 10:00:00', 30, 2), ('bob', '2003-03-05', 30, 7), ('carol', '2004-06-30T08:15:00', "
           "10, 10), ('dave', '2001-01-01 09:00:00', 10, NULL), ('erin', NULL, 0, 0)"_s,
        {});
    expect(ExamQueries::examListPage(0, 10),
        {{n(1), "12/04/26", "O'Brien", n(10), null, null}, {n(2), "03/05/02", "alice", n(30), n(2), n(6)},
            {n(3), "03/05/03", "bob", n(30), n(7), n(23)}, {n(4), "06/30/04", "carol", n(10), n(10), n(100)},
            {n(5), "01/01/01", "dave", n(10), null, null}, {n(6), null, "erin", n(0), n(0), null}},
        {"ExamID", "Date", "User Name", "No of Questions", "Correct Answers", "Result (%)"});

    const QStringList deletion = ExamQueries::deleteExam(1);
    QCOMPARE(deletion,
        (QStringList{u"DELETE FROM ExamTitle  WHERE ExamID = 1"_s, u"DELETE FROM ExamDetails  WHERE ExamID = 1"_s}));
    for (const QString &sql : deletion)
        expect(sql, {});
    expect(u"SELECT (SELECT COUNT(*) FROM ExamTitle), (SELECT COUNT(*) FROM ExamDetails)"_s, {{n(5), n(0)}});
}

QTEST_GUILESS_MAIN(tst_SqlDialect)
#include "tst_sqldialect.moc"
