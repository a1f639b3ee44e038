#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "data/PoolBuilder.h"
#include "data/PoolReader.h"

using namespace Qt::StringLiterals;
using Rows = QList<QVariantList>;
using Mode = PoolBuilder::Mode;

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What one build reported, through the builder itself or through the command-line tool.
struct Outcome {
    bool ok = false;
    QStringList errors;
    QString message;
};

Outcome runBuild(bool tool, Mode mode, const QStringList &files, const QString &out)
{
    if (!tool) {
        PoolBuilder builder;
        const bool ok = builder.loadFiles(files) && builder.build(out, mode);
        return {ok, builder.errors(), builder.message()};
    }
    QStringList args = QStringList{u"--out"_s, out} + files;
    if (mode != Mode::Create)
        args.prepend(mode == Mode::IfAbsent ? u"--if-absent"_s : u"--replace-pool"_s);
    QProcess process; // the tool sits in the build root, the tests in build/tests
    process.start(QCoreApplication::applicationDirPath() + u"/../vesk-buildpool"_s, args);
    const bool finished = process.waitForFinished(60000);
    Outcome outcome{finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, {}, {}};
    // Every error is one line on stderr, after the tool's name.
    for (const QString &line : QString::fromUtf8(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts))
        outcome.errors << (line.startsWith(u"vesk-buildpool: "_s) ? line.mid(16) : u"[raw] "_s + line);
    outcome.message = QString::fromUtf8(process.readAllStandardOutput());
    if (outcome.message.endsWith('\n'))
        outcome.message.chop(1);
    return outcome;
}

// What Exam.mdb is before a build; from OldPool on, each starts as the old pool.
enum Before { Missing, NotADatabase, OldPool, NoExamTable, WithExams, NewestDeleted, AllDeleted };
} // namespace

class tst_poolbuilder final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void refusesABadPool_data() { TestSupport::addCases(u"pool/refused.tsv"_s); }
    void refusesABadPool();
    void builds_data() { TestSupport::addCases(u"pool/builds.tsv"_s); }
    void builds();
    void readsQuestions_data() { TestSupport::addCases(u"pool/read.tsv"_s); }
    void readsQuestions();
    void capsTheReport_data();
    void capsTheReport();

private:
    QString write(const QString &name, const QByteArray &bytes) const;
    QString out() const { return m_dir->filePath(u"Exam.mdb"_s); }
    QStringList files() const { return QDir(m_dir->path()).entryList(QDir::Files); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QString tst_poolbuilder::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

// A bad pool is refused whole, naming the file, the question and the fault, and nothing is written,
// not even the file built beside the target; y.json is the bad file, z.json a good one before it.
void tst_poolbuilder::refusesABadPool()
{
    QFETCH(QString, file);
    QFETCH(QString, tool);
    QFETCH(QString, error);
    const QStringList paths{write(u"z.json"_s, bytesOf(TestSupport::testData(u"pool/good.json"_s))),
        write(u"y.json"_s, bytesOf(TestSupport::testData(u"pool/"_s + file)))};
    const Outcome outcome = runBuild(tool == u"yes"_s, Mode::Create, paths, out());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors, QStringList{error});
    QCOMPARE(outcome.message, QString());
    QCOMPARE(files(), (QStringList{u"y.json"_s, u"z.json"_s}));
}

void tst_poolbuilder::builds()
{
    QFETCH(QString, tool);
    QFETCH(QString, mode);
    QFETCH(QString, pool);
    QFETCH(QString, expected);
    QFETCH(QString, written);
    const auto data
        = [](const QString &name) { return bytesOf(TestSupport::testData(u"pool/builds/%1.json"_s.arg(name))); };
    const int before = QStringList{u"missing"_s, u"not a database"_s, u"old pool"_s, u"no exam table"_s,
        u"with exams"_s, u"newest deleted"_s, u"all deleted"_s}
                           .indexOf(*static_cast<const QString *>(QTest::qData("before", qMetaTypeId<QString>())));
    QVERIFY(before >= 0);
    if (before == NotADatabase)
        write(u"Exam.mdb"_s, QByteArray("This is no database. ").repeated(400));
    if (before >= OldPool)
        QVERIFY(runBuild(false, Mode::Create, {write(u"old.json"_s, data(u"old"_s))}, out()).ok);
    if (before == NoExamTable)
        TestSupport::exec(out(), u"DROP TABLE ExamTitle"_s);
    if (before >= WithExams)
        TestSupport::exec(out(),
            u"INSERT INTO ExamTitle VALUES (1, 'Ann', '2026-03-01 10:15:00', 3, 1), "
            u"(2, 'Bob O''Neil', '2026-03-02 10:15:00', 2, 2), (3, 'Cid', '2026-03-03', 1, NULL); "
            u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (1, 'Ann', 2, 'A', -1), "
            u"(1, 'Ann', 4, NULL, 0), (1, 'Ann', 7, 'C', -1), (2, 'Bob O''Neil', 6, 'D', -1), "
            u"(2, 'Bob O''Neil', 1, 'B', -1), (3, 'Cid', 8, NULL, 0)"_s);
    if (before >= NewestDeleted)
        TestSupport::exec(out(),
            u"DELETE FROM ExamDetails WHERE ExamID >= %1; DELETE FROM ExamTitle "
            u"WHERE ExamID >= %1"_s.arg(before == AllDeleted ? 1 : 3));
    QStringList paths;
    for (const QString &file : pool.split(u' '))
        paths << write(u"%1.json"_s.arg(QChar(char16_t(u'z' - paths.size()))), data(file));
    const QStringList filesBefore = files();
    const QByteArray bytesBefore = bytesOf(out());
    const QString exams = u"SELECT t.*, d.DetailID, d.UserName, d.Answer, d.Answered, q.Question FROM ExamTitle t "
                          u"JOIN ExamDetails d USING (ExamID) JOIN Q_A q USING (QID) ORDER BY d.DetailID"_s;
    const Rows examsBefore = before >= OldPool && !written.isEmpty() ? TestSupport::query(out(), exams) : Rows();

    const Outcome outcome = runBuild(tool == u"yes"_s,
        mode == u"create"_s          ? Mode::Create
            : mode == u"if-absent"_s ? Mode::IfAbsent
                                     : Mode::ReplacePool,
        paths, out());
    QCOMPARE(outcome.errors.size(), outcome.ok ? 0 : 1);
    // A refused build says nothing but its error.
    QCOMPARE(outcome.ok ? outcome.message : u"error: "_s + outcome.errors.first() + outcome.message,
        expected.replace(u"%1"_s, out()));
    if (written.isEmpty()) {
        QCOMPARE(files(), filesBefore); // nothing written, not even the file built beside the target
        QVERIFY(bytesOf(out()) == bytesBefore);
        return;
    }
    QCOMPARE(files().filter(u".building"_s), QStringList());
    Rows numbering;
    for (const QJsonValue &q : QJsonDocument::fromJson(data(written)).array()) {
        numbering << QVariantList{numbering.size() + 1};
        for (const char *key : {"category", "question", "a", "b", "c", "d", "correct", "explanation"})
            numbering.last() << q[QLatin1String(key)].toString();
        for (const char *key : {"e", "f"})
            numbering.last() << (q[QLatin1String(key)].toString().isEmpty() ? QVariant()
                                                                            : q[QLatin1String(key)].toVariant());
    }
    QCOMPARE(TestSupport::query(out(),
                 u"SELECT QID, Category, Question, A, B, C, D, CorrectAnswer, Description, E, F "
                 u"FROM Q_A ORDER BY QID"_s),
        numbering);
    // Stored exams are kept with their questions renumbered, and their keys are never handed out again.
    QCOMPARE(TestSupport::query(out(), exams), examsBefore);
    TestSupport::exec(out(),
        u"INSERT INTO ExamTitle (UserName) VALUES ('Dee'); INSERT INTO ExamDetails "
        u"(ExamID, UserName, QID) VALUES (last_insert_rowid(), 'Dee', 1)"_s);
    QCOMPARE(TestSupport::query(out(), u"SELECT ExamID, DetailID FROM ExamDetails WHERE UserName = 'Dee'"_s),
        (Rows{before >= WithExams ? QVariantList{4, 7} : QVariantList{1, 1}}));
}

// What an accepted file gives: its texts decoded, an id where there is one; a row of the table for
// each question, or one for a file of none.
void tst_poolbuilder::readsQuestions()
{
    QFETCH(QString, file);
    QFETCH(QString, count);
    QFETCH(QString, index);
    const PoolReader reader(bytesOf(TestSupport::testData(u"pool/"_s + file)), u"pool.json"_s);
    QCOMPARE(reader.errors().lines(), QStringList());
    QCOMPARE(int(reader.questions().size()), count.toInt());
    if (index.isEmpty())
        return;
    const PoolQuestion &q = reader.questions().at(index.toInt());
    QStringList expected;
    for (const char *column : {"id", "category", "question", "a", "b", "c", "d", "correct", "explanation", "e", "f"})
        expected << *static_cast<const QString *>(QTest::qData(column, qMetaTypeId<QString>()));
    QCOMPARE(
        (QStringList{q.id, q.category, q.question, q.a, q.b, q.c, q.d, q.correct, q.explanation, q.e, q.f}), expected);
}

// However many faults a pool has, the report holds the first 50 and the count of the rest.
void tst_poolbuilder::capsTheReport_data()
{
    QTest::addColumn<bool>("tool");
    QTest::addColumn<QByteArrayList>("pool");
    QTest::addColumn<QString>("first"); // the first error
    QTest::addColumn<QString>("last");

    QTest::newRow("a million empty objects, tool")
        << true << QByteArrayList{"[" + QByteArray("{},").repeated(999999) + "{}]"}
        << u"z.json, question 1: missing keys \"category\", \"question\", \"a\", \"b\", \"c\", \"d\", \"correct\", "
           u"\"explanation\""_s
        << u"and 999950 more"_s;
    const auto data
        = [](const char *name) { return bytesOf(TestSupport::testData(u"pool/caps/"_s + QLatin1String(name))); };
    QTest::newRow("faults across files, tool") << true << QByteArrayList{data("hints.json"), data("hints.json")}
                                               << u"z.json, question 1: unknown key \"hint\""_s << u"and 110 more"_s;
    QTest::newRow("faults of the pool check, builder")
        << false << QByteArrayList{data("misc.json")} << u"z.json, question 1 (\"Q1\"): unknown category \"Misc\""_s
        << u"and 10 more"_s;
}

void tst_poolbuilder::capsTheReport()
{
    QFETCH(bool, tool);
    QFETCH(QByteArrayList, pool);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QStringList paths;
    for (const QByteArray &file : pool)
        paths << write(u"%1.json"_s.arg(QChar(char16_t(u'z' - paths.size()))), file);
    const Outcome outcome = runBuild(tool, Mode::Create, paths, out());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors.size(), 51);
    QCOMPARE(outcome.errors.first(), first);
    QCOMPARE(outcome.errors.last(), last);
    QCOMPARE(outcome.message, QString());
    QVERIFY(!QFile::exists(out()));
}

QTEST_GUILESS_MAIN(tst_poolbuilder)
#include "tst_poolbuilder.moc"
