#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
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

// A pool whose second question is written by hand, `from` replaced by `to` in it: what no JSON
// writer would write.
QByteArray handWritten(const QByteArray &from, const QByteArray &to)
{
    const QByteArray first = QJsonDocument(question(u"Software Testing"_s, u"First"_s)).toJson(QJsonDocument::Compact);
    QByteArray second = R"({"category": "Programming Basic", "question": "Raw?", "a": "Yes", "b": "No", "c": "", )"
                        R"("d": "", "correct": "A", "explanation": ""})";
    if (!second.contains(from))
        qFatal("%s is not in the question", from.constData());
    return "[" + first + ",\n" + second.replace(from, to) + "]\n";
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
    void builds_data();
    void builds();
    void readsQuestions_data();
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
    // A bad pool is refused whole, naming the file, the question and the fault; every other one through the tool.
    const QJsonObject first = question(ST, u"First"_s);
    const QByteArray good = json({question(NB, u"A good question"_s)});
    auto refused = [&, row = 0](const char *name, const QByteArray &bad, const QString &error) mutable {
        add(name, row++ % 2, Missing, Mode::Create, {good, bad}, u"error: y.json"_s + error);
    };
    const auto second = [&](const char *name, const QJsonObject &q, const QString &fault) {
        refused(name, json({first, q}), u", question 2 (\"%1\"): %2"_s.arg(q.value("question").toString(), fault));
    };
    second("unknown category", question(u"software testing"_s, u"Case?"_s), u"unknown category \"software testing\""_s);
    second("letter E of four choices", question(PB, u"Five?"_s, u"E"_s),
        u"the correct letter E points at an empty choice"_s);
    second("letter G", question(PB, u"Seven?"_s, u"G"_s, u"Often"_s, u"Rarely"_s),
        u"the correct letter \"G\" is not one of A to F"_s);
    second("letters out of order", question(PB, u"Order?"_s, u"CA"_s),
        u"the correct letters \"CA\" are not letters of A to F in order, each once"_s);
    second("a letter twice", question(PB, u"Twice?"_s, u"AA"_s),
        u"the correct letters \"AA\" are not letters of A to F in order, each once"_s);
    second("small letters", question(PB, u"Small?"_s, u"ac"_s),
        u"the correct letters \"ac\" are not letters of A to F in order, each once"_s);
    second("several letters, one on an empty choice", withChoices(PB, u"Several?"_s, u"BF"_s, u"Often"_s),
        u"the correct letter F points at an empty choice"_s);
    second("F without E", withChoices(PB, u"Gap at E"_s, u"A"_s, QString(), u"Rarely"_s),
        u"choice F is given without choice E"_s);
    QJsonObject gapAtC = question(PB, u"Gap at C"_s, u"A"_s, u"Yes"_s, u"No"_s, {}, {});
    gapAtC.insert("e", u"Often"_s);
    second("E without C", gapAtC, u"choice E is given without choice C"_s);
    second("two choices of one text", question(PB, u"Same?"_s, u"A"_s, u"Yes"_s, u"No"_s, u" Yes "_s),
        u"choices A and C have the same text"_s);
    second("correct letter on an empty choice", question(PB, u"Pick C"_s, u"C"_s, u"True"_s, u"False"_s, {}, {}),
        u"the correct letter C points at an empty choice"_s);
    second("choice A empty", question(PB, u"No A"_s, u"B"_s, {}), u"choices A and B must not be empty"_s);
    second("choice B blank", question(PB, u"No B"_s, u"A"_s, u"Yes"_s, u" "_s), u"choices A and B must not be empty"_s);
    second(
        "D without C", question(PB, u"Gap"_s, u"A"_s, u"Yes"_s, u"No"_s, {}), u"choice D is given without choice C"_s);
    second("duplicate across files", question(DB, u"A good question"_s), u"the same question text appears twice"_s);
    second("duplicate apart from spaces", question(DB, u"  First "_s), u"the same question text appears twice"_s);
    refused("empty question", json({first, question(PB, u"   "_s)}), u", question 2: the question is empty"_s);
    refused("not an object", json({first, 42}), u", question 2: not a JSON object"_s);
    refused("not valid JSON", "[{\"category\": \"Software Testing\",",
        u": not valid JSON at offset 33: unterminated object"_s);
    refused("not an array", QJsonDocument(first).toJson(), u": the pool must be a JSON array of questions"_s);
    // What is not text, a key given twice or unknown, a missing key, and a control character in a text.
    const auto raw = [&](const char *name, const QByteArray &from, const QByteArray &to, const QString &fault) {
        refused(name, handWritten(from, to), u", question 2: "_s + fault);
    };
    raw("number for text", R"("a": "Yes")", R"("a": 3)", u"A must be text, found a number"_s);
    raw("boolean for text", R"("correct": "A")", R"("correct": true)", u"correct must be text, found a boolean"_s);
    raw("array for text", R"("Programming Basic")", R"(["Programming Basic"])",
        u"category must be text, found an array"_s);
    raw("object for text", R"("explanation": "")", R"("explanation": {"a": [1, {}]})",
        u"explanation must be text, found an object"_s);
    raw("null id", "{", R"({"id": null, )", u"id must be text, found null"_s);
    raw("duplicate key", R"("b": "No")", R"("b": "No", "b": "Maybe")", u"duplicate key \"b\""_s);
    raw("unknown key", R"("d": "")", R"("d": "", "hint": "none")", u"unknown key \"hint\""_s);
    raw("unknown key, quoted cut", R"("d": "")", R"("d": "", ")" + QByteArray(100, 'k') + R"(": 1)",
        u"unknown key \""_s + QString(80, u'k') + u"...\""_s);
    raw("unknown key behind a byte-order mark", R"("d": "")",
        "\"d\": \"\", \"\xEF\xBB\xBF"
        "d\": \"\"",
        u"unknown key \"\\ufeffd\""_s);
    raw("missing key", R"(, "explanation": "")", "", u"missing key \"explanation\""_s);
    raw("missing keys", R"("c": "", "d": "", )", "", u"missing keys \"c\", \"d\""_s);
    raw("raw NUL", "Raw?", QByteArray("Raw\0?", 5), u"question holds an unescaped control character (U+0000)"_s);
    raw("raw line break", R"("No")", "\"N\no\"", u"B holds an unescaped control character (U+000A)"_s);
    raw("escaped NUL", R"("Yes")", R"("Y\u0000es")", u"A holds a control character (U+0000)"_s);
    raw("escaped tab", R"("explanation": "")", R"("explanation": "Step\tby step")",
        u"explanation holds a control character (U+0009)"_s);
    raw("line break in a category", "Programming Basic", R"(Programming\nBasic)",
        u"category holds a control character (U+000A)"_s);
    raw("C1 control", R"("c": "")", "\"c\": \"\xc2\x85\"", u"C holds a control character (U+0085)"_s);
    raw("unpaired surrogate", R"("d": "")", R"("d": "\ud83d")", u"D holds an unpaired surrogate (U+D83D)"_s);
    const auto syntax = [&](const char *name, const QByteArray &from, const QByteArray &to, const QByteArray &at,
                            const char *fault) {
        const QByteArray bytes = handWritten(from, to);
        refused(name, bytes, u": not valid JSON at offset %1: %2"_s.arg(bytes.indexOf(at)).arg(QLatin1String(fault)));
    };
    syntax("invalid UTF-8", "Raw?", "Raw\xc0\xaf?", "\xc0", "invalid UTF8 string");
    syntax("invalid escape", "Raw?", R"(Raw\x?)", "x?", "invalid escape sequence");
    syntax("control character in a key", R"("b")", "\"b\x01\"", "\x01", "unescaped control character in a string");
    syntax("garbage after the pool", "}", "}] x", "x]", "garbage at the end of the document");
    // Quoted values are cut and kept on one line.
    second("long unknown category", question(QString(100, u'x'), u"Case?"_s),
        u"unknown category \""_s + QString(80, u'x') + u"...\""_s);
    refused("line break in a quoted question", json({first, question(u"Misc"_s, u"Two\nlines"_s)}),
        uR"(, question 2 ("Two\nlines"): unknown category "Misc")"_s);

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

// What an accepted file gives: its texts decoded, an id where there is one.
void tst_poolbuilder::readsQuestions_data()
{
    QTest::addColumn<QByteArray>("file");
    // id, category, question, a, b, c, d, correct, explanation, e, f
    QTest::addColumn<QList<QStringList>>("expected");

    const QByteArray escapes = R"([{"id": "st-001", "category": "Software Testing", "question": "Line one\nline )"
                               R"(two: \"x\" \\ \/ \u00e9\ud83d\ude00 \u20ac", "a": "Gr\u00f6\u00dfe", )"
                               "\"b\": \"Gr\xc3\xb6\xc3\x9f"
                               "e \xe2\x82\xac \xf0\x9f\x98\x80\", "
                               R"("c": "", "d": "", "correct": "B", "explanation": ""}])";
    QTest::newRow("escapes and UTF-8") << escapes
                                       << QList<QStringList>{{u"st-001"_s, ST,
                                              u"Line one\nline two: \"x\" \\ / \u00e9\U0001F600 \u20ac"_s,
                                              u"Gr\u00f6\u00dfe"_s, u"Gr\u00f6\u00dfe \u20ac \U0001F600"_s, {}, {},
                                              u"B"_s, {}, {}, {}}};
    QTest::newRow("marks at the start of texts kept")
        << QByteArray("[{\"category\": \"\xEF\xBB\xBFSoftware Testing\", \"question\": \"\xEF\xBF\xBEWhy?\", ")
            + R"("a": "\ufeffYes", "b": "\ufffeNo", "c": "", "d": "", "correct": "A", "explanation": ""}])"
        << QList<QStringList>{
               {{}, u"\uFEFF"_s + ST, u"\uFFFEWhy?"_s, u"\uFEFFYes"_s, u"\uFFFENo"_s, {}, {}, u"A"_s, {}, {}, {}}};
    QTest::newRow("byte-order mark, no id") << QByteArray("\xEF\xBB\xBF") + json({question(PB, u"Old?"_s)})
                                            << QList<QStringList>{{{}, PB, u"Old?"_s, u"Yes"_s, u"No"_s, u"Maybe"_s,
                                                   u"Never"_s, u"A"_s, u"Because."_s, {}, {}}};
    // The fifth and sixth choices are keys a question may leave out, in any place; several letters
    // are its right answers.
    QTest::newRow("five and six choices, several letters")
        << QByteArray(R"([{"e": "Often", "category": "Programming Basic", "question": "Five?", "a": "Yes", "b": "No", )"
                      R"("c": "Maybe", "d": "Never", "correct": "E", "explanation": ""},)"
                      R"({"category": "Programming Basic", "question": "Six?", "a": "Yes", "b": "No", "c": "Maybe", )"
                      R"("d": "Never", "e": "Often", "f": "Rarely", "correct": "ACF", "explanation": ""}])")
        << QList<QStringList>{
               {{}, PB, u"Five?"_s, u"Yes"_s, u"No"_s, u"Maybe"_s, u"Never"_s, u"E"_s, {}, u"Often"_s, {}},
               {{}, PB, u"Six?"_s, u"Yes"_s, u"No"_s, u"Maybe"_s, u"Never"_s, u"ACF"_s, {}, u"Often"_s, u"Rarely"_s}};
    QTest::newRow("empty pool") << QByteArray(" [ ] ") << QList<QStringList>{};
}

void tst_poolbuilder::readsQuestions()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QStringList>, expected);
    const PoolReader reader(file, u"pool.json"_s);
    QCOMPARE(reader.errors().lines(), QStringList());
    QList<QStringList> read;
    for (const PoolQuestion &q : reader.questions())
        read.append({q.id, q.category, q.question, q.a, q.b, q.c, q.d, q.correct, q.explanation, q.e, q.f});
    QCOMPARE(read, expected);
}

// However many faults a pool has, the report holds the first 50 and the count of the rest, and
// a file of garbage is told quickly.
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
    QElapsedTimer timer;
    timer.start();
    const Outcome outcome = runBuild(tool, Mode::Create, paths, out());
    QVERIFY2(timer.elapsed() < 20000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.errors.size(), 51);
    QCOMPARE(outcome.errors.first(), first);
    QCOMPARE(outcome.errors.last(), last);
    QCOMPARE(outcome.message, QString());
    QVERIFY(!QFile::exists(out()));
}

QTEST_GUILESS_MAIN(tst_poolbuilder)
#include "tst_poolbuilder.moc"
