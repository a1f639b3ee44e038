#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
const QString ST = u"Software Testing"_s;
const QString PB = u"Programming Basic"_s;
const QString DB = u"Database Basic"_s;
const QString QA = u"Quality Assurance"_s;
const QString NB = u"Networking Basic"_s;

QJsonObject question(const QString &category, const QString &text, const QString &correct = u"A"_s,
    const QString &a = u"Yes"_s, const QString &b = u"No"_s, const QString &c = u"Maybe"_s,
    const QString &d = u"Never"_s, const QString &explanation = u"Because."_s)
{
    return QJsonObject{{"category", category}, {"question", text}, {"a", a}, {"b", b}, {"c", c}, {"d", d},
        {"correct", correct}, {"explanation", explanation}};
}

// A question of four choices and a fifth, and a sixth when given.
QJsonObject withChoices(
    const QString &category, const QString &text, const QString &correct, const QString &e, const QString &f = {})
{
    QJsonObject q = question(category, text, correct);
    q.insert("e", e);
    if (!f.isNull())
        q.insert("f", f);
    return q;
}

QByteArray json(const QJsonArray &items)
{
    return QJsonDocument(items).toJson();
}

// A pool of "<category> question <i>" questions, in the order given.
QByteArray numbered(const QList<std::pair<QString, QList<int>>> &parts)
{
    QJsonArray items;
    for (const auto &[category, numbers] : parts)
        for (const int i : numbers)
            items.append(question(category, u"%1 question %2"_s.arg(category).arg(i)));
    return json(items);
}

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
    void builds_data();
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
    const QStringList paths{write(u"z.json"_s, json({question(NB, u"A good question"_s)})),
        write(u"y.json"_s, bytesOf(TestSupport::testData(u"pool/"_s + file)))};
    const Outcome outcome = runBuild(tool == u"yes"_s, Mode::Create, paths, out());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors, QStringList{error});
    QCOMPARE(outcome.message, QString());
    QCOMPARE(files(), (QStringList{u"y.json"_s, u"z.json"_s}));
}

void tst_poolbuilder::builds_data()
{
    QTest::addColumn<bool>("tool");
    QTest::addColumn<int>("before");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QByteArrayList>("pool"); // its files, named z.json, y.json, ...: against the order given
    QTest::addColumn<QString>("expected"); // the message, or "error: " and the single error; %1 is Exam.mdb
    QTest::addColumn<QByteArray>("written"); // the new pool in its numbered order; none: nothing was written
    const auto add = [](const char *name, bool tool, int before, Mode mode, const QByteArrayList &pool,
                         const QString &report, const QByteArray &written = {}) {
        QTest::addRow("%s, %s", name, tool ? "tool" : "builder") << tool << before << mode << pool << report << written;
    };
    // Numbered 1..N in the category order, each category in the order of the input; texts kept as written.
    QJsonArray pool{question(ST, u"It's \"quoted\" – Größe ≤ 5?"_s, u"D"_s, u"  padded  "_s, u"b'"_s, u"c\\"_s, u"d%"_s,
                        u"Line one.\nLine two."_s),
        question(ST, u"True or false?"_s, u"B"_s, u"True"_s, u"False"_s, {}, {})};
    for (const QString &category : {ST, PB, DB, u"Internet Technology"_s, QA, NB, NB})
        pool.append(question(category, u"Question %1"_s.arg(pool.size() + 1), u"ABCD"_s.at(pool.size() % 4)));
    add("numbering", true, Missing, Mode::Create,
        {json({pool[7], pool[0], pool[4], pool[1]}), json({pool[6], pool[3], pool[8], pool[5], pool[2]})},
        u"%1 written: 9 questions, 0 stored exam(s) kept."_s, json(pool));
    // Five and six choices go into E and F, several right letters into CorrectAnswer; a question of
    // four leaves E and F empty (NULL), as every row of a database of the first version.
    const QJsonArray wide{question(PB, u"Four?"_s, u"C"_s), withChoices(PB, u"Five?"_s, u"E"_s, u"Often"_s),
        withChoices(PB, u"Six?"_s, u"ACF"_s, u"Often"_s, u"Rarely"_s), question(PB, u"Two of four?"_s, u"BD"_s)};
    add("five, six and several", false, Missing, Mode::Create, {json(wide)},
        u"%1 written: 4 questions, 0 stored exam(s) kept."_s, json(wide));

    const QByteArray qa = numbered({{QA, {1, 2}}});
    add("create over stored exams", false, WithExams, Mode::Create, {qa},
        u"error: %1 holds 3 stored exam(s); it was "
        u"left unchanged. Use --replace-pool to load the new pool and keep the stored exams."_s);
    add("create over a file without exams", true, OldPool, Mode::Create, {qa},
        u"%1 written: 2 questions, 0 stored exam(s) kept."_s, qa);
    add("--if-absent, file exists", true, WithExams, Mode::IfAbsent, {qa}, u"%1 exists; left unchanged."_s);
    add("--if-absent, no file", false, Missing, Mode::IfAbsent, {numbered({{QA, {1, 2}}, {ST, {1}}})},
        u"%1 written: 3 questions, 0 stored exam(s) kept."_s, numbered({{ST, {1}}, {QA, {1, 2}}}));
    add("not a database", false, NotADatabase, Mode::Create, {qa},
        u"error: %1 is not an exam database that can be "
        u"read (file is encrypted or is not a database); it was left unchanged."_s);
    add("no exam table, replace", true, NoExamTable, Mode::ReplacePool, {qa},
        u"error: %1 is not an exam database that can be read (no such table: ExamTitle); it was left unchanged."_s);
    // Programming Basic question 3 (QID 6), used by Bob's exam, is no longer shipped: it stays, after its
    // category's shipped questions, and is reported.
    add("--replace-pool without a used question", true, WithExams, Mode::ReplacePool,
        {numbered({{ST, {1, 2, 3, 4}}, {PB, {1, 2}}, {DB, {1, 2}}})},
        u"%1 written: 9 questions, 3 stored exam(s) kept.\n1 question(s) kept, retired, because stored exams use them, "
        u"though the new pool no longer has them: q-6298a73321c8 (\"Programming Basic question 3\")."_s,
        numbered({{ST, {1, 2, 3, 4}}, {PB, {1, 2, 3}}, {DB, {1, 2}}}));
    // Two new Software Testing questions move every later category; the order within changes too.
    const QByteArray replacing = numbered({{DB, {1, 2}}, {PB, {3, 1, 2}}, {ST, {5, 1, 4, 2, 3}}});
    const QByteArray replaced = numbered({{ST, {5, 1, 4, 2, 3}}, {PB, {3, 1, 2}}, {DB, {1, 2}}});
    add("--replace-pool, newest exam deleted", true, NewestDeleted, Mode::ReplacePool, {replacing},
        u"%1 written: 10 questions, 2 stored exam(s) kept."_s, replaced);
    add("--replace-pool, every exam deleted", false, AllDeleted, Mode::ReplacePool, {replacing},
        u"%1 written: 10 questions, 0 stored exam(s) kept."_s, replaced);
}

void tst_poolbuilder::builds()
{
    QFETCH(bool, tool);
    QFETCH(int, before);
    QFETCH(Mode, mode);
    QFETCH(QByteArrayList, pool);
    QFETCH(QString, expected);
    QFETCH(QByteArray, written);
    // The old pool: Software Testing 1-3 (QID 1-3), Programming Basic 1-3 (4-6), Database Basic 1-2 (7-8). Its
    // exams: Ann's (1), Bob O'Neil's (2) and Cid's (3), detail rows 1-6.
    if (before == NotADatabase)
        write(u"Exam.mdb"_s, QByteArray("This is no database. ").repeated(400));
    if (before >= OldPool)
        QVERIFY(runBuild(false, Mode::Create,
            {write(u"old.json"_s, numbered({{ST, {1, 2, 3}}, {PB, {1, 2, 3}}, {DB, {1, 2}}}))}, out())
                    .ok);
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
    for (const QByteArray &file : pool)
        paths << write(u"%1.json"_s.arg(QChar(char16_t(u'z' - paths.size()))), file);
    const QStringList filesBefore = files();
    const QByteArray bytesBefore = bytesOf(out());
    const QString exams = u"SELECT t.*, d.DetailID, d.UserName, d.Answer, d.Answered, q.Question FROM ExamTitle t "
                          u"JOIN ExamDetails d USING (ExamID) JOIN Q_A q USING (QID) ORDER BY d.DetailID"_s;
    const Rows examsBefore = before >= OldPool && !written.isEmpty() ? TestSupport::query(out(), exams) : Rows();

    const Outcome outcome = runBuild(tool, mode, paths, out());
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
    for (const QJsonValue &q : QJsonDocument::fromJson(written).array()) {
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
    QJsonArray unknown;
    for (int i = 0; i < 40; ++i)
        unknown.append(QJsonObject{{"hint", i}});
    QTest::newRow("faults across files, tool") << true << QByteArrayList{json(unknown), json(unknown)}
                                               << u"z.json, question 1: unknown key \"hint\""_s << u"and 110 more"_s;
    QJsonArray unchecked;
    for (int i = 1; i <= 30; ++i)
        unchecked.append(question(u"Misc"_s, u"Q%1"_s.arg(i), u"E"_s));
    QTest::newRow("faults of the pool check, builder")
        << false << QByteArrayList{json(unchecked)} << u"z.json, question 1 (\"Q1\"): unknown category \"Misc\""_s
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
