#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "data/ExamSchema.h"
#include "data/PoolBuilder.h"

using namespace Qt::StringLiterals;

namespace {
const QString ST = u"Software Testing"_s;
const QString PB = u"Programming Basic"_s;
const QString DB = u"Database Basic"_s;
const QString IT = u"Internet Technology"_s;
const QString QA = u"Quality Assurance"_s;
const QString NB = u"Networking Basic"_s;

QJsonObject question(const QString &category, const QString &text, const QString &correct = u"A"_s,
                     const QString &a = u"Yes"_s, const QString &b = u"No"_s, const QString &c = u"Maybe"_s,
                     const QString &d = u"Never"_s, const QString &explanation = u"Because."_s)
{
    return QJsonObject{{"category", category}, {"question", text}, {"a", a}, {"b", b}, {"c", c}, {"d", d},
                       {"correct", correct}, {"explanation", explanation}};
}

QByteArray json(const QJsonArray &items)
{
    return QJsonDocument(items).toJson();
}

// "<category> question <i>" for i in 1..count, in that order.
QJsonArray numbered(const QString &category, const QList<int> &numbers)
{
    QJsonArray items;
    for (const int i : numbers)
        items.append(question(category, u"%1 question %2"_s.arg(category).arg(i)));
    return items;
}

QJsonArray concat(std::initializer_list<QJsonArray> parts)
{
    QJsonArray all;
    for (const QJsonArray &part : parts) {
        for (const QJsonValue &v : part)
            all.append(v);
    }
    return all;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The tool sits in the build root; the tests in build/tests.
QString toolPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../vesk-buildpool"_s);
}

// What one build reported, through the builder itself or through the command-line tool.
struct Outcome
{
    bool ok = false;
    QStringList errors;
    QString message;
};

Outcome runBuild(bool tool, PoolBuilder::Mode mode, const QStringList &files, const QString &out)
{
    Outcome outcome;
    if (!tool) {
        PoolBuilder builder;
        outcome.ok = builder.loadFiles(files) && builder.build(out, mode);
        outcome.errors = builder.errors();
        outcome.message = builder.message();
        return outcome;
    }
    QStringList args;
    if (mode == PoolBuilder::Mode::IfAbsent)
        args << u"--if-absent"_s;
    else if (mode == PoolBuilder::Mode::ReplacePool)
        args << u"--replace-pool"_s;
    args << u"--out"_s << out << files;
    QProcess process;
    process.start(toolPath(), args);
    if (!process.waitForFinished(60000)) {
        outcome.errors << u"the tool did not finish"_s;
        return outcome;
    }
    outcome.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    // Every error is one line on stderr, after the tool's name.
    const QString prefix = u"vesk-buildpool: "_s;
    for (QString line : QString::fromUtf8(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts))
        outcome.errors << (line.startsWith(prefix) ? line.mid(prefix.size()) : u"[raw] "_s + line);
    outcome.message = QString::fromUtf8(process.readAllStandardOutput());
    if (outcome.message.endsWith('\n'))
        outcome.message.chop(1);
    return outcome;
}

// One stored exam: a title row and a detail row per question, answered on every other one.
void storeExam(const QString &db, int examId, QString user, const QList<int> &qids)
{
    user.replace(QLatin1Char('\''), QLatin1String("''"));
    TestSupport::exec(db, u"INSERT INTO ExamTitle (ExamID, UserName, ExamDate, NumOfQuestions, ExamResult) "
                          u"VALUES (%1, '%2', '2026-03-0%1 10:15:00', %3, %4)"_s
                              .arg(examId).arg(user).arg(qids.size()).arg(examId * 10));
    for (int i = 0; i < qids.size(); ++i)
        TestSupport::exec(db, u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) "
                              u"VALUES (%1, '%2', %3, '%4', %5)"_s
                                  .arg(examId).arg(user).arg(qids.at(i)).arg(QChar(u"ABCD"[i % 4])).arg(i % 2));
}
} // namespace

class tst_poolbuilder final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    // Faulty pools
    void refusesBadPool_data();
    void refusesBadPool();

    // Numbering
    void numbersByCategoryOrder();

    // Existing files
    void createRefusesStoredExams_data() { addRoutes(); }
    void createRefusesStoredExams();
    void createRebuildsFileWithoutExams_data() { addRoutes(); }
    void createRebuildsFileWithoutExams();
    void ifAbsentLeavesExistingFile_data() { addRoutes(); }
    void ifAbsentLeavesExistingFile();
    void ifAbsentCreatesMissingFile_data() { addRoutes(); }
    void ifAbsentCreatesMissingFile();
    void refusesFileThatIsNoExamDatabase_data();
    void refusesFileThatIsNoExamDatabase();

    // Replacing the pool of a file with stored exams
    void replacePoolKeepsAndRenumbersExams_data() { addRoutes(); }
    void replacePoolKeepsAndRenumbersExams();
    void replacePoolNeverReusesExamKeys_data();
    void replacePoolNeverReusesExamKeys();
    void replacePoolRefusesMissingQuestion_data() { addRoutes(); }
    void replacePoolRefusesMissingQuestion();

private:
    static void addRoutes();
    QString write(const QString &name, const QByteArray &bytes) const;
    QString out() const { return m_dir->filePath(u"Exam.mdb"_s); }
    QStringList builtFiles() const { return QDir(m_dir->path()).entryList({u"*.building"_s}); }
    // Exam.mdb from the old pool: Software Testing 1-3 (QID 1-3), Programming Basic 1-3 (4-6),
    // Database Basic 1-2 (7-8).
    void buildOldPool();

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_poolbuilder::initTestCase()
{
    QVERIFY2(QFile::exists(toolPath()), qPrintable(toolPath() + u" is missing; build vesk-buildpool"_s));
}

void tst_poolbuilder::init()
{
    TestSupport::resetProgramState();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_poolbuilder::addRoutes()
{
    QTest::addColumn<bool>("tool");
    QTest::newRow("builder") << false;
    QTest::newRow("tool") << true;
}

QString tst_poolbuilder::write(const QString &name, const QByteArray &bytes) const
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_poolbuilder::buildOldPool()
{
    const QString file =
        write(u"old.json"_s, json(concat({numbered(ST, {1, 2, 3}), numbered(PB, {1, 2, 3}), numbered(DB, {1, 2})})));
    const Outcome built = runBuild(false, PoolBuilder::Mode::Create, {file}, out());
    QVERIFY2(built.ok, qPrintable(built.errors.join('\n')));
}

// --- Faulty pools -------------------------------------------------------------------------

void tst_poolbuilder::refusesBadPool_data()
{
    QTest::addColumn<bool>("tool");
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("exact"); // false: the message starts with `expected`

    const QJsonObject first = question(ST, u"First"_s);
    const auto add = [&](const char *name, const QByteArray &bad, const QString &expected, bool exact = true) {
        QTest::addRow("%s, builder", name) << false << bad << expected << exact;
        QTest::addRow("%s, tool", name) << true << bad << expected << exact;
    };
    const auto second = [&](const QJsonObject &q) { return json({first, q}); };

    add("unknown category", second(question(u"Sorcery"_s, u"Which spell?"_s)),
        u"bad.json, question 2 (\"Which spell?\"): unknown category \"Sorcery\""_s);
    add("category in another case", second(question(u"software testing"_s, u"Lower"_s)),
        u"bad.json, question 2 (\"Lower\"): unknown category \"software testing\""_s);
    add("correct letter E", second(question(PB, u"Five?"_s, u"E"_s)),
        u"bad.json, question 2 (\"Five?\"): the correct letter \"E\" is not one of A, B, C, D"_s);
    add("correct letter missing", second(question(PB, u"None?"_s, QString())),
        u"bad.json, question 2 (\"None?\"): the correct letter \"\" is not one of A, B, C, D"_s);
    add("correct letter in lower case", second(question(PB, u"Small?"_s, u"a"_s)),
        u"bad.json, question 2 (\"Small?\"): the correct letter \"a\" is not one of A, B, C, D"_s);
    add("correct letter on an empty choice",
        second(question(PB, u"Pick C"_s, u"C"_s, u"True"_s, u"False"_s, QString(), QString())),
        u"bad.json, question 2 (\"Pick C\"): the correct letter C points at an empty choice"_s);
    add("empty question", second(question(PB, u"   "_s)), u"bad.json, question 2: the question is empty"_s);
    add("choice A empty", second(question(PB, u"No A"_s, u"B"_s, QString())),
        u"bad.json, question 2 (\"No A\"): choices A and B must not be empty"_s);
    add("choice B empty", second(question(PB, u"No B"_s, u"A"_s, u"Yes"_s, u" "_s)),
        u"bad.json, question 2 (\"No B\"): choices A and B must not be empty"_s);
    add("D without C", second(question(PB, u"Gap"_s, u"A"_s, u"Yes"_s, u"No"_s, QString(), u"Never"_s)),
        u"bad.json, question 2 (\"Gap\"): choice D is given without choice C"_s);
    add("duplicate in one file", second(question(DB, u"First"_s)),
        u"bad.json, question 2 (\"First\"): the same question text appears twice"_s);
    add("duplicate across files", second(question(DB, u"A good question"_s)),
        u"bad.json, question 2 (\"A good question\"): the same question text appears twice"_s);
    add("duplicate apart from spaces", second(question(DB, u"  First "_s)),
        u"bad.json, question 2 (\"  First \"): the same question text appears twice"_s);
    add("not an object", json({first, 42}), u"bad.json, question 2: not a JSON object"_s);
    add("not valid JSON", QByteArrayLiteral("[{\"category\": \"Software Testing\","),
        u"bad.json: not valid JSON at offset "_s, false);
    add("not an array", QJsonDocument(first).toJson(), u"bad.json: the pool must be a JSON array of questions"_s);
}

void tst_poolbuilder::refusesBadPool()
{
    QFETCH(bool, tool);
    QFETCH(QByteArray, bad);
    QFETCH(QString, expected);
    QFETCH(bool, exact);
    const QStringList files{write(u"good.json"_s, json({question(NB, u"A good question"_s)})),
                            write(u"bad.json"_s, bad)};

    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::Create, files, out());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors.size(), 1);
    if (exact)
        QCOMPARE(outcome.errors.first(), expected);
    else
        QVERIFY2(outcome.errors.first().startsWith(expected), qPrintable(outcome.errors.first()));
    QCOMPARE(outcome.message, QString());
    // Nothing written, not even the file built beside the target.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), (QStringList{"bad.json", "good.json"}));
}

// --- Numbering ----------------------------------------------------------------------------

void tst_poolbuilder::numbersByCategoryOrder()
{
    const QJsonObject st1 = question(ST, u"It's \"quoted\" – Größe ≤ 5?"_s, u"D"_s, u"  padded  "_s, u"b'"_s,
                                     u"c\\"_s, u"d%"_s, u"Line one.\nLine two."_s);
    const QJsonObject st2 =
        question(ST, u"Second testing question"_s, u"B"_s, u"True"_s, u"False"_s, QString(), QString());
    const QJsonObject st3 = question(ST, u"Third testing question"_s);
    const QJsonObject pb = question(PB, u"Programming"_s, u"C"_s);
    const QJsonObject db = question(DB, u"Database"_s);
    const QJsonObject it = question(IT, u"Internet"_s);
    const QJsonObject qa = question(QA, u"Quality"_s);
    const QJsonObject nb1 = question(NB, u"Network one"_s);
    const QJsonObject nb2 = question(NB, u"Network two"_s);
    // Files named and ordered against the category order, categories mixed within each file.
    const QStringList files{write(u"z.json"_s, json({nb1, st1, db, st2})),
                            write(u"a.json"_s, json({qa, pb, nb2, it, st3}))};

    const Outcome outcome = runBuild(true, PoolBuilder::Mode::Create, files, out());
    QVERIFY2(outcome.ok, qPrintable(outcome.errors.join('\n')));
    QCOMPARE(outcome.message, out() + u" written: 9 questions, 0 stored exam(s) kept."_s);

    // Each category one run in the category order; within it, the order of the input.
    const QList<QJsonObject> order{st1, st2, st3, pb, db, it, qa, nb1, nb2};
    QList<QVariantList> expected;
    for (int i = 0; i < order.size(); ++i) {
        QVariantList row{i + 1};
        for (const char *key : {"category", "question", "a", "b", "c", "d", "correct", "explanation"})
            row << order.at(i).value(QLatin1String(key)).toString();
        expected << row;
    }
    QCOMPARE(TestSupport::query(out(), u"SELECT QID, Category, Question, A, B, C, D, CorrectAnswer, Description "
                                       u"FROM Q_A ORDER BY QID"_s),
             expected);
    QCOMPARE(builtFiles(), QStringList());
}

// --- Existing files -----------------------------------------------------------------------

void tst_poolbuilder::createRefusesStoredExams()
{
    QFETCH(bool, tool);
    buildOldPool();
    storeExam(out(), 1, u"Ann"_s, {2, 5});
    const QByteArray before = bytesOf(out());
    const QString file = write(u"new.json"_s, json(numbered(QA, {1, 2})));

    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::Create, {file}, out());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors, QStringList{out() + u" holds 1 stored exam(s); it was left unchanged. Use --replace-pool "
                                                 u"to load the new pool and keep the stored exams."_s});
    QCOMPARE(outcome.message, QString());
    QVERIFY(bytesOf(out()) == before);
    QCOMPARE(builtFiles(), QStringList());
}

void tst_poolbuilder::createRebuildsFileWithoutExams()
{
    QFETCH(bool, tool);
    buildOldPool();
    const QString file = write(u"new.json"_s, json(numbered(QA, {1, 2})));

    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::Create, {file}, out());
    QVERIFY2(outcome.ok, qPrintable(outcome.errors.join('\n')));
    QCOMPARE(outcome.message, out() + u" written: 2 questions, 0 stored exam(s) kept."_s);
    QCOMPARE(TestSupport::query(out(), u"SELECT QID, Question FROM Q_A ORDER BY QID"_s),
             (QList<QVariantList>{{1, "Quality Assurance question 1"}, {2, "Quality Assurance question 2"}}));
    QCOMPARE(builtFiles(), QStringList());
}

void tst_poolbuilder::ifAbsentLeavesExistingFile()
{
    QFETCH(bool, tool);
    buildOldPool();
    storeExam(out(), 1, u"Ann"_s, {1});
    const QByteArray before = bytesOf(out());
    const QString file = write(u"new.json"_s, json(numbered(QA, {1, 2})));

    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::IfAbsent, {file}, out());
    QVERIFY2(outcome.ok, qPrintable(outcome.errors.join('\n')));
    QCOMPARE(outcome.message, out() + u" exists; left unchanged."_s);
    QVERIFY(bytesOf(out()) == before);
    QCOMPARE(builtFiles(), QStringList());
}

void tst_poolbuilder::ifAbsentCreatesMissingFile()
{
    QFETCH(bool, tool);
    const QString file = write(u"new.json"_s, json(concat({numbered(QA, {1, 2}), numbered(ST, {1})})));

    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::IfAbsent, {file}, out());
    QVERIFY2(outcome.ok, qPrintable(outcome.errors.join('\n')));
    QCOMPARE(outcome.message, out() + u" written: 3 questions, 0 stored exam(s) kept."_s);
    QCOMPARE(TestSupport::query(out(), u"SELECT QID, Category FROM Q_A ORDER BY QID"_s),
             (QList<QVariantList>{{1, ST}, {2, QA}, {3, QA}}));
}

void tst_poolbuilder::refusesFileThatIsNoExamDatabase_data()
{
    QTest::addColumn<bool>("tool");
    QTest::addColumn<bool>("randomBytes"); // else a keyed database without the stored-exams table
    QTest::addColumn<PoolBuilder::Mode>("mode");
    QTest::addColumn<QString>("reason"); // empty: whatever SQLCipher says
    QTest::newRow("random bytes, create, builder") << false << true << PoolBuilder::Mode::Create << QString();
    QTest::newRow("random bytes, replace, tool") << true << true << PoolBuilder::Mode::ReplacePool << QString();
    QTest::newRow("no exam table, create, tool")
        << true << false << PoolBuilder::Mode::Create << u"no such table: ExamTitle"_s;
    QTest::newRow("no exam table, replace, builder")
        << false << false << PoolBuilder::Mode::ReplacePool << u"no such table: ExamTitle"_s;
}

void tst_poolbuilder::refusesFileThatIsNoExamDatabase()
{
    QFETCH(bool, tool);
    QFETCH(bool, randomBytes);
    QFETCH(PoolBuilder::Mode, mode);
    QFETCH(QString, reason);
    if (randomBytes) {
        QRandomGenerator random(20261204);
        QByteArray bytes(8192, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random.bounded(256));
        write(u"Exam.mdb"_s, bytes);
    } else {
        buildOldPool();
        TestSupport::exec(out(), u"DROP TABLE ExamTitle"_s);
    }
    const QByteArray before = bytesOf(out());
    const QString file = write(u"new.json"_s, json(numbered(QA, {1})));

    const Outcome outcome = runBuild(tool, mode, {file}, out());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors.size(), 1);
    const QString head = out() + u" is not an exam database that can be read ("_s;
    const QString tail = u"); it was left unchanged."_s;
    if (reason.isEmpty())
        QVERIFY2(outcome.errors.first().startsWith(head) && outcome.errors.first().endsWith(tail),
                 qPrintable(outcome.errors.first()));
    else
        QCOMPARE(outcome.errors.first(), head + reason + tail);
    QVERIFY(bytesOf(out()) == before);
    QCOMPARE(builtFiles(), QStringList());
}

// --- Replacing the pool of a file with stored exams ---------------------------------------

void tst_poolbuilder::replacePoolKeepsAndRenumbersExams()
{
    QFETCH(bool, tool);
    buildOldPool();
    storeExam(out(), 1, u"Ann"_s, {2, 4, 7});
    storeExam(out(), 2, u"Bob O'Neil"_s, {6, 1});
    const QString titles = u"SELECT * FROM ExamTitle ORDER BY ExamID"_s;
    const QString details = u"SELECT DetailID, ExamID, UserName, Answer, Answered FROM ExamDetails ORDER BY DetailID"_s;
    const QString texts = u"SELECT q.Question FROM ExamDetails d JOIN Q_A q ON q.QID = d.QID ORDER BY d.DetailID"_s;
    const QList<QVariantList> titlesBefore = TestSupport::query(out(), titles);
    const QList<QVariantList> detailsBefore = TestSupport::query(out(), details);
    const QList<QVariantList> textsBefore = TestSupport::query(out(), texts);

    // Two new Software Testing questions move every later category; the order within changes too.
    const QString file = write(
        u"new.json"_s, json(concat({numbered(DB, {1, 2}), numbered(PB, {3, 1, 2}), numbered(ST, {5, 1, 4, 2, 3})})));
    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::ReplacePool, {file}, out());
    QVERIFY2(outcome.ok, qPrintable(outcome.errors.join('\n')));
    QCOMPARE(outcome.message, out() + u" written: 10 questions, 2 stored exam(s) kept."_s);

    QCOMPARE(TestSupport::query(out(), titles), titlesBefore);
    QCOMPARE(TestSupport::query(out(), details), detailsBefore);
    QCOMPARE(TestSupport::query(out(), texts), textsBefore);
    // ST 2 -> 4, PB 1 -> 7, DB 1 -> 9; PB 3 -> 6, ST 1 -> 2.
    QCOMPARE(TestSupport::query(out(), u"SELECT QID FROM ExamDetails ORDER BY DetailID"_s),
             (QList<QVariantList>{{4}, {7}, {9}, {6}, {2}}));
    QCOMPARE(builtFiles(), QStringList());
}

void tst_poolbuilder::replacePoolNeverReusesExamKeys_data()
{
    QTest::addColumn<bool>("tool");
    QTest::addColumn<QList<int>>("deleted");
    QTest::newRow("newest exam deleted, builder") << false << QList<int>{3};
    QTest::newRow("newest exam deleted, tool") << true << QList<int>{3};
    QTest::newRow("every exam deleted, tool") << true << QList<int>{1, 2, 3};
}

void tst_poolbuilder::replacePoolNeverReusesExamKeys()
{
    QFETCH(bool, tool);
    QFETCH(QList<int>, deleted);
    buildOldPool();
    storeExam(out(), 1, u"Ann"_s, {1, 2});
    storeExam(out(), 2, u"Bob"_s, {3});
    storeExam(out(), 3, u"Cid"_s, {4, 5, 6});
    for (const int examId : deleted) {
        TestSupport::exec(out(), u"DELETE FROM ExamDetails WHERE ExamID = %1"_s.arg(examId));
        TestSupport::exec(out(), u"DELETE FROM ExamTitle WHERE ExamID = %1"_s.arg(examId));
    }

    const QString file = write(u"new.json"_s, json(concat({numbered(PB, {1, 2, 3}), numbered(ST, {1, 2, 3})})));
    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::ReplacePool, {file}, out());
    QVERIFY2(outcome.ok, qPrintable(outcome.errors.join('\n')));

    TestSupport::exec(out(), u"INSERT INTO ExamTitle (UserName) VALUES ('Dee')"_s);
    TestSupport::exec(out(), u"INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (4, 'Dee', 1)"_s);
    QCOMPARE(TestSupport::scalar(out(), u"SELECT ExamID FROM ExamTitle WHERE UserName = 'Dee'"_s), QVariant(4));
    QCOMPARE(TestSupport::scalar(out(), u"SELECT DetailID FROM ExamDetails WHERE UserName = 'Dee'"_s), QVariant(7));
}

void tst_poolbuilder::replacePoolRefusesMissingQuestion()
{
    QFETCH(bool, tool);
    buildOldPool();
    storeExam(out(), 1, u"Ann"_s, {2, 4});
    storeExam(out(), 2, u"Bob"_s, {1, 6});
    const QByteArray before = bytesOf(out());

    // Programming Basic question 3 (QID 6), used by Bob's exam only, is dropped.
    const QString file = write(
        u"new.json"_s, json(concat({numbered(ST, {1, 2, 3, 4}), numbered(PB, {1, 2}), numbered(DB, {1, 2})})));
    const Outcome outcome = runBuild(tool, PoolBuilder::Mode::ReplacePool, {file}, out());
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors, QStringList{u"exam 2 uses question 6 (\"Programming Basic question 3\"), which is not in "
                                         u"the new pool; nothing was changed."_s});
    QCOMPARE(outcome.message, QString());
    QVERIFY(bytesOf(out()) == before);
    QCOMPARE(builtFiles(), QStringList());
}

QTEST_GUILESS_MAIN(tst_poolbuilder)
#include "tst_poolbuilder.moc"
