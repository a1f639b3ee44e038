#include "SessionCases.h"
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
using SessionCases::text;

namespace {
struct Result {
    QString error;
    QStringList columns;
    QList<QVariantList> rows;
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

QStringList written(const QList<QVariantList> &rows)
{
    QStringList lines;
    for (const QVariantList &row : rows) {
        QStringList values;
        for (const QVariant &value : row)
            values << written(value);
        lines << values.join(u'|');
    }
    return lines;
}
} // namespace

class tst_SqlDialect : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<SqliteDatabase> m_db;

    // Runs a statement written in the data layer's dialect the way the data layer does: translated.
    Result run(const QString &sql) const
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

private slots:
    // Software Testing QIDs 1-2, Programming Basic QID 3, on the program's own keyed connection.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(u"Exam.mdb"_s);
        TestSupport::buildDatabase(path, {2, 1, 0, 0, 0, 0});
        DbError error;
        m_db = ConnectionPool::acquire(path, u"QOMB"_s, &error);
        QVERIFY2(m_db, qPrintable(error.text()));
    }

    void formatsDates_data() { TestSupport::addCases(u"classroom/date-formats.tsv"_s); }
    void formatsDates()
    {
        const QDateTime when = QDateTime::fromString(text("when"), u"yyyy-MM-dd HH:mm:ss"_s);
        QCOMPARE(DateFormat::format(when, text("pattern")), text("shown"));
    }

    void readsDates_data() { TestSupport::addCases(u"classroom/date-reading.tsv"_s); }
    void readsDates()
    {
        QCOMPARE(DateFormat::parse(text("text")), QDateTime::fromString(text("read"), u"yyyy-MM-dd HH:mm:ss"_s));
    }

    void datePatternsForTheServer_data() { TestSupport::addCases(u"classroom/date-patterns.tsv"_s); }
    void datePatternsForTheServer() { QCOMPARE(DateFormat::toCharPattern(text("pattern")), text("toChar")); }

    // What each engine is sent; what the server runs of it is tested in tst_classroom_data, side
    // by side with the file.
    void translatesStatements_data() { TestSupport::addCases(u"classroom/translations.tsv"_s); }
    void translatesStatements()
    {
        const auto target = text("engine") == u"server"_s ? SqlDialect::Target::PostgreSql : SqlDialect::Target::Sqlite;
        QCOMPARE(SqlDialect::translate(text("dialect"), target), text("translated"));
    }

    // A quadratic pass over a megabyte takes minutes: the suite's time-out ends it.
    void translatesLongStatementsInLinearTime_data() { TestSupport::addCases(u"classroom/long-statements.tsv"_s); }
    void translatesLongStatementsInLinearTime()
    {
        auto [unit, dialect, sqlite] = SessionCases::texts("unit", "dialect", "sqlite");
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

    void evaluatesTranslatedSql_data() { TestSupport::addCases(u"classroom/evaluations.tsv"_s); }
    void evaluatesTranslatedSql()
    {
        const auto [sql, rows] = SessionCases::texts("sql", "rows");
        const Result result = run(sql);
        QCOMPARE(result.error, QString());
        QCOMPARE(written(result.rows).join(u'\n'), rows);
    }

    void rejectsDivisionOfText() { QVERIFY(run(uR"(SELECT 'ten' \ 2)"_s).error.contains(u"integer division"_s)); }

    // The statements an exam lives through, on the file; those of the first version keep their text.
    void runsProgramStatements_data() { TestSupport::addCases(u"sessions/program-statements.tsv"_s); }
    void runsProgramStatements()
    {
        const auto [call, text, columns, rows] = SessionCases::texts("call", "text", "columns", "rows");
        const QHash<QString, QStringList> made{
            {u"insertExam"_s, {ExamQueries::insertExam(u"O'Brien"_s, u"2026-12-04 23:20:05"_s, 10)}},
            {u"lastIdentity"_s, {ExamQueries::lastIdentity()}},
            {u"insertExamQuestion"_s, {ExamQueries::insertExamQuestion(1, u"O'Brien"_s, 1)}},
            {u"examQuestions"_s, {ExamQueries::examQuestions(1, false)}},
            {u"unansweredOf"_s, {ExamQueries::unansweredOf(1)}},
            {u"questionsOfCategory"_s, {ExamQueries::questionsOfCategory(u"Software Testing"_s)}},
            {u"examListPage"_s, {ExamQueries::examListPage(0, 10)}}, {u"deleteExam"_s, ExamQueries::deleteExam(1)}};
        const QStringList statements = made.value(call, {call});
        if (!text.isEmpty())
            QCOMPARE(statements.join(u'\n'), text);
        QStringList lines;
        for (const QString &sql : statements) {
            const Result result = run(sql);
            QCOMPARE(result.error, QString());
            if (!columns.isEmpty())
                QCOMPARE(result.columns.join(u'|'), columns);
            lines << written(result.rows);
        }
        if (rows != u"?"_s)
            QCOMPARE(lines.join(u'\n'), rows);
    }
};

QTEST_GUILESS_MAIN(tst_SqlDialect)
#include "tst_sqldialect.moc"
