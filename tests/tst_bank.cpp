#include <map>
#include <vector>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "bank/BankIds.h"
#include "bank/BankImport.h"
#include "bank/HtmlText.h"
#include "bank/QuestionBank.h"

using namespace Qt::StringLiterals;
using QuestionBank::Format;

Q_DECLARE_METATYPE(QuestionBank::Format)
Q_DECLARE_METATYPE(BankQuestion)

// Question banks in and out: the banks of tests/data/bank/ are written as real exports are (other
// kinds of question, HTML, comments, category lines, Windows line ends, byte-order marks), and
// each reader must find in them exactly the questions, skips, faults and warnings listed here.
class tst_bank final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readsEachBank_data();
    void readsEachBank();
    void readsEachQuestionAsTheBankHasIt_data();
    void readsEachQuestionAsTheBankHasIt();
    void refusesWhatIsNotUtf8Text_data();
    void refusesWhatIsNotUtf8Text();
    void namesTheLineOfEachFault_data();
    void namesTheLineOfEachFault();
    void readsGiftAsGiftDefinesIt_data();
    void readsGiftAsGiftDefinesIt();
    void makesHtmlPlainText_data();
    void makesHtmlPlainText();
    void detectsTheFormat_data();
    void detectsTheFormat();
    void makesStableIds_data();
    void makesStableIds();
    void comparesAndReportsAsTheImportDoes();
    void capsTheFaultsOfAFileOfGarbage();
    void writesJsonAsThePoolFilesAre();
    void roundTripsEveryFormat_data();
    void roundTripsEveryFormat();
    void writesTextsTheirFormatMustEscape_data();
    void writesTextsTheirFormatMustEscape();
    void writesBackWhatItReads_data();
    void writesBackWhatItReads();
    void readsBanksAsPeopleWriteThem_data();
    void readsBanksAsPeopleWriteThem();
    void importsTheGoodOnesOfABrokenBank();
    void readsUtf16WithItsMark_data();
    void readsUtf16WithItsMark();
    void refusesBrokenUtf16_data();
    void refusesBrokenUtf16();
    void readsXmlInItsDeclaredEncoding_data();
    void readsXmlInItsDeclaredEncoding();
    void listsEverySkippedQuestion();
    void describesEachFileOfAnImport();
    void tellsWhatAikenCannotHold();
    void readsFiveSixAndSeveralRightAnswers_data();
    void readsFiveSixAndSeveralRightAnswers();
    void importsFiveSixAndSeveralIntoTheFile();

private:
    static QByteArray bytesOf(const QString &path);
    QString m_data; // tests/data/bank
    QStringList m_pool; // pool/*.json
};

namespace {
const QString kNetworking = u"$course$/top/Default for VESK/Networking"_s;
const QString kProgramming = u"$course$/top/Default for VESK/Programming Basic"_s;
const QString kDatabases = u"$course$/top/Default for VESK/Databases"_s;

BankQuestion question(const QString &text, const QStringList &choices, const QString &correct,
    const QString &explanation = QString(), const QStringList &path = {})
{
    BankQuestion q;
    q.question = text;
    for (qsizetype i = 0; i < choices.size() && i < BankQuestion::kMaxChoices; ++i)
        q.choice(int(i)) = choices[i];
    q.correct = correct;
    q.explanation = explanation;
    q.categoryPath = path;
    return q;
}

// A question as its fields, for QCOMPARE to show where two differ.
QStringList fields(const BankQuestion &q)
{
    return {u"id="_s + q.id, u"path="_s + q.categoryPath.join(u" > "_s), u"question="_s + q.question, u"a="_s + q.a,
        u"b="_s + q.b, u"c="_s + q.c, u"d="_s + q.d, u"e="_s + q.e, u"f="_s + q.f, u"correct="_s + q.correct,
        u"explanation="_s + q.explanation};
}

// What writing in `format` keeps of a question: Aiken keeps neither its id, category nor
// explanation (an Aiken question's id comes from its text again), CSV no id, CSV and JSON only
// the path's last part.
QStringList kept(BankQuestion q, Format format)
{
    switch (format) {
    case Format::Aiken:
        q.id = BankIds::fromText(q.question);
        q.categoryPath.clear();
        q.explanation.clear();
        for (int i = 0; i < BankQuestion::kMaxChoices; ++i)
            q.choice(i).replace(u'\n', u' ');
        break;
    case Format::Csv:
        q.id = BankIds::fromText(q.question);
        q.categoryPath = q.category().isEmpty() ? QStringList() : QStringList{q.category()};
        break;
    case Format::Json:
        q.categoryPath = q.category().isEmpty() ? QStringList() : QStringList{q.category()};
        break;
    case Format::Gift:
    case Format::MoodleXml:
        break;
    }
    return fields(q);
}

QString report(const BankReadResult &result)
{
    return QuestionBank::skippedReport(result.skippedByKind);
}

// A question on one line, with where it starts, its id and its category: "line 4 imp-x [Networking]:
// Which...? {POST | GET} B".
QString summary(const BankQuestion &q)
{
    QStringList choices;
    for (int i = 0; i < q.choiceCount(); ++i)
        choices << q.choice(i);
    return u"line %1 %2 [%3]: %4 {%5} %6"_s.arg(q.line).arg(
        q.id, q.category(), QString(q.question).replace(u'\n', u'/'), choices.join(u" | "_s), q.correct);
}

// A question's line, text, choices and right letters: "line 4: Which...? {IP | UDP} B".
QString shape(const BankQuestion &q)
{
    QStringList choices;
    for (int i = 0; i < q.choiceCount(); ++i)
        choices << q.choice(i);
    return u"line %1: %2 {%3} %4"_s.arg(q.line).arg(q.question, choices.join(u" | "_s), q.correct);
}

QStringList summaries(const BankReadResult &result)
{
    QStringList all;
    for (const BankQuestion &q : result.questions)
        all << summary(q);
    return all;
}

// A text file as UTF-16 with its byte-order mark, as editors on Windows save "Unicode" text.
QByteArray utf16(QByteArray utf8, QStringEncoder::Encoding encoding)
{
    if (utf8.startsWith("\xEF\xBB\xBF"))
        utf8.remove(0, 3);
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder(QString::fromUtf8(utf8));
}
} // namespace

QByteArray tst_bank::bytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void tst_bank::initTestCase()
{
    const QString data
        = qEnvironmentVariableIsSet("VESK_TEST_DATA") ? qEnvironmentVariable("VESK_TEST_DATA") : QFINDTESTDATA("data");
    m_data = QDir(data).filePath(u"bank"_s);
    QVERIFY2(QDir(m_data).exists(), "tests/data/bank was not found; set VESK_TEST_DATA");
    const QDir pool(QDir(data).filePath(u"../../pool"_s));
    for (const QString &name : pool.entryList({u"*.json"_s}, QDir::Files, QDir::Name))
        m_pool.append(pool.filePath(name));
    QCOMPARE(m_pool.size(), 6);
}

// Per bank: its format told from its content, how many questions it gives, what it skips by
// kind, and every fault and warning with its line.
void tst_bank::readsEachBank_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Format>("format");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QString>("skipped");
    QTest::addColumn<QStringList>("skippedList");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("warnings");

    // The question each bank has again with other choices is another question, not a duplicate.
    // Several right answers of equal weights are read, their penalties dropped with a warning.
    const QString penalties = u"the negative weights of the wrong choices were dropped: a question of several "
                              "right answers scores when every right choice and no other is chosen"_s;
    QTest::newRow("GIFT, BOM and CRLF")
        << u"networking.gift"_s << Format::Gift << 10
        << u"skipped: 1 description, 1 essay, 1 matching, 1 numerical, 1 short answer"_s
        << QStringList{u"line 30 (Port of HTTPS): short answer; multiple-choice and true/false questions only"_s,
               u"line 34 (Describe NAT): essay; multiple-choice and true/false questions only"_s,
               u"line 38 (Match protocols): matching; multiple-choice and true/false questions only"_s,
               u"line 46 (Subnet hosts): numerical; multiple-choice and true/false questions only"_s,
               u"line 73 (Welcome): a description, no question to answer"_s}
        << QStringList{u"line 101: the answers' \"{\" is not closed by \"}\""_s, u"line 103: no right answer (\"=\")"_s,
               u"line 105: a \"}\" with no \"{\" before it (write \\} for a brace in a text)"_s}
        << QStringList{u"line 16: an image was dropped"_s, u"line 54: "_s + penalties};
    // A fault of one answer is told at the answer's line.
    QTest::newRow("Moodle XML")
        << u"databases.xml"_s << Format::MoodleXml << 7
        << u"skipped: 1 calculated, 1 cloze, 1 description, 1 essay, 1 matching, 1 numerical, 1 short answer"_s
        << QStringList{u"line 144 (SQL keyword): short answer; multiple-choice and true/false questions only"_s,
               u"line 152 (Explain ACID): essay; multiple-choice and true/false questions only"_s,
               u"line 159 (Match keys): matching; multiple-choice and true/false questions only"_s,
               u"line 166 (Rows): numerical; multiple-choice and true/false questions only"_s,
               u"line 173 (Fill in): cloze; multiple-choice and true/false questions only"_s,
               u"line 179 (Intro): a description, no question to answer"_s,
               u"line 185 (Growth): calculated; multiple-choice and true/false questions only"_s}
        << QStringList{u"line 228: no right answer (fraction 100)"_s,
               u"line 248: a true/false question whose right answer (fraction 100) is neither \"true\" nor "
               "\"false\""_s,
               u"line 260: answer 1's fraction \"full\" is not a number"_s}
        << QStringList{u"line 93: an image was dropped"_s, u"line 114: "_s + penalties};
    // The missing ANSWER line is told where it is missing, not at the question's first line.
    QTest::newRow("Aiken, CRLF") << u"programming.txt"_s << Format::Aiken << 7 << QString() << QStringList()
                                 << QStringList{u"line 38: choice C where B was expected"_s,
                                        u"line 44: an ANSWER line is missing here, after the choices of the question "
                                        "of line 41"_s,
                                        u"line 48: the ANSWER \"E\" is not one of the choices"_s,
                                        u"line 50: an ANSWER line without a question"_s}
                                 << QStringList();
    QTest::newRow("CSV, BOM and CRLF")
        << u"testing.csv"_s << Format::Csv << 6 << QString() << QStringList()
        << QStringList{u"line 8: 7 fields where 8 were expected"_s,
               u"line 9: the right answer \"E\" is not one of the choices"_s, u"line 10: choice B is empty"_s,
               u"line 11: choice C is empty but D is not"_s,
               u"line 12: text after a field's closing quote (a quote inside a quoted field is written "
               "twice)"_s,
               u"line 14: a quoted field is not closed"_s}
        << QStringList();
}

void tst_bank::readsEachBank()
{
    QFETCH(QString, file);
    QFETCH(Format, format);
    QFETCH(int, questions);
    QFETCH(QString, skipped);
    QFETCH(QStringList, skippedList);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, warnings);
    const QByteArray bytes = bytesOf(QDir(m_data).filePath(file));
    QCOMPARE(QuestionBank::detect(bytes, file), format);
    QCOMPARE(QuestionBank::detect(bytes, u"bank.dat"_s), format);
    const BankReadResult result = QuestionBank::read(bytes, format);
    QCOMPARE(result.errors, errors);
    QCOMPARE(result.warnings, warnings);
    QCOMPARE(report(result), skipped);
    QCOMPARE(result.skipped, skippedList);
    QCOMPARE(int(result.questions.size()), questions);
}

// Every question the banks give, in their order: texts plain, choices in the bank's order, the
// right letter where it falls, the general feedback as the explanation, the category path.
void tst_bank::readsEachQuestionAsTheBankHasIt_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QStringList>("expected");

    const QStringList networking = kNetworking.split(u'/');
    const QStringList programming = kProgramming.split(u'/');
    const auto row
        = [](const char *name, const QString &file, int index, int line, const QString &id, const BankQuestion &q) {
              QTest::newRow(name) << file << index << line << id << fields(q).mid(1);
          };
    const QString gift = u"networking.gift"_s;
    row("GIFT html, feedback per answer dropped", gift, 0, 6, u"imp-osi-layers"_s,
        question(u"Which OSI layer is responsible for routing packets between networks?"_s,
            {u"Network layer"_s, u"Data link layer"_s, u"Transport layer"_s, u"Session layer"_s}, u"A"_s,
            u"Routing & forwarding happen at layer 3.\nLayer 2 only moves frames."_s, networking));
    row("GIFT html with an image", gift, 1, 16, u"imp-tcp-handshake"_s,
        question(u"How many segments does the TCP handshake use?"_s, {u"2"_s, u"3"_s, u"4"_s}, u"B"_s,
            u"SYN, SYN-ACK, ACK."_s, networking));
    row("GIFT true/false with feedback", gift, 2, 26, u"imp-udp-is-connection-oriented"_s,
        question(u"UDP sets up a connection before sending data."_s, {u"True"_s, u"False"_s}, u"B"_s,
            u"UDP is connectionless; TCP sets up connections."_s, networking));
    row("GIFT missing word", gift, 3, 50, u"imp-missing-word"_s,
        question(u"The {default} gateway is also called the _____ of last resort."_s,
            {u"switch"_s, u"router"_s, u"hub"_s}, u"B"_s, QString(), networking));
    row("GIFT several right answers of equal weights", gift, 4, 54, u"imp-secure-protocols"_s,
        question(u"Which protocols encrypt their traffic?"_s, {u"SSH"_s, u"HTTPS"_s, u"Telnet"_s, u"FTP"_s}, u"AB"_s,
            QString(), networking));
    row("GIFT five choices", gift, 5, 63, u"imp-private-address"_s,
        question(u"Which of these is a private IPv4 address?"_s,
            {u"10.1.2.3"_s, u"8.8.8.8"_s, u"1.1.1.1"_s, u"9.9.9.9"_s, u"4.4.4.4"_s}, u"A"_s, QString(), networking));
    row("GIFT the same text with other choices", gift, 6, 77, u"imp-osi-again"_s,
        question(u"which OSI layer is responsible for routing packets between NETWORKS?"_s, {u"Network"_s, u"Link"_s},
            u"A"_s, QString(), networking));
    row("GIFT plain keeps < and &", gift, 7, 86, u"imp-comparison"_s,
        question(u"Which expression is true when a = 5 and b = 7?"_s, {u"a < b && b > a"_s, u"a > b"_s, u"a == b"_s},
            u"A"_s, u"In C, = assigns and == compares; < and && mean what they say."_s, programming));
    row("GIFT escapes", gift, 8, 93, u"imp-escapes"_s,
        question(u"Which characters does GIFT escape with a backslash: ~ = # { } : or \\?\nAll of them."_s,
            {u"True"_s, u"False"_s}, u"A"_s, QString(), programming));
    const QString code = u"What does this print?\nfor i in range(3):\n    print(i)"_s;
    row("GIFT without a name, on three lines", gift, 9, 96, BankIds::fromText(code),
        question(code, {u"0 1 2"_s, u"1 2 3"_s, u"0 1 2 3"_s}, u"A"_s, QString(), programming));

    const QString xml = u"databases.xml"_s;
    const QStringList databases = kDatabases.split(u'/');
    row("Moodle html", xml, 0, 15, u"imp-primary-key"_s,
        question(u"Which constraint makes a column unique and not null?"_s, {u"UNIQUE"_s, u"PRIMARY KEY"_s, u"CHECK"_s},
            u"B"_s, u"A primary key is unique and never null.\nUNIQUE allows nulls.\nCHECK tests a condition."_s,
            databases));
    row("Moodle true/false, moodle format", xml, 1, 64, u"imp-rollback"_s,
        question(u"A ROLLBACK undoes every change of the transaction since its start & its savepoints."_s,
            {u"True"_s, u"False"_s}, u"A"_s, u"ROLLBACK without TO SAVEPOINT ends the whole transaction."_s,
            databases));
    row("Moodle answers without a format, a penalty", xml, 2, 93, u"imp-join-diagram"_s,
        question(u"Which join does the diagram show?"_s, {u"LEFT OUTER JOIN"_s, u"INNER JOIN"_s}, u"A"_s, QString(),
            databases));
    row("Moodle several right answers, single false", xml, 3, 114, u"imp-aggregate-functions"_s,
        question(u"Which of these are aggregate functions?"_s, {u"COUNT"_s, u"SUM"_s, u"UPPER"_s}, u"AB"_s, QString(),
            databases));
    row("Moodle five choices", xml, 4, 128, u"imp-normal-forms"_s,
        question(u"Which normal form removes transitive dependencies?"_s,
            {u"1NF"_s, u"2NF"_s, u"3NF"_s, u"BCNF"_s, u"4NF"_s}, u"C"_s, QString(), databases));
    row("Moodle plain text, a slash in a category", xml, 5, 198, u"imp-comparison-in-plain-text"_s,
        question(u"Which operator tests \"a < b && b < c\" in one go?\nPick one."_s, {u"BETWEEN"_s, u"IN"_s}, u"A"_s,
            u"BETWEEN includes both ends: <p> stays as written."_s, databases + QStringList{u"SQL/NoSQL"_s}));
    row("Moodle the same text with other choices", xml, 6, 215, u"imp-primary-key-again"_s,
        question(u"Which constraint makes a column unique and not null?"_s, {u"PRIMARY KEY"_s, u"NOT NULL"_s}, u"A"_s,
            QString(), databases + QStringList{u"SQL/NoSQL"_s}));

    const QString aiken = u"programming.txt"_s;
    const auto aikenRow = [&](const char *name, int index, int line, const BankQuestion &q) {
        row(name, aiken, index, line, BankIds::fromText(q.question), q);
    };
    aikenRow("Aiken four choices", 0, 1,
        question(u"What is the value of 7 / 2 in integer division?"_s, {u"3"_s, u"3.5"_s, u"4"_s, u"0"_s}, u"A"_s));
    aikenRow("Aiken A) choices", 1, 8,
        question(u"Which operator compares two values for equality in C?"_s, {u"="_s, u"=="_s, u"==="_s}, u"B"_s));
    aikenRow("Aiken true/false", 2, 14,
        question(u"A stack returns its elements in last-in, first-out order."_s, {u"True"_s, u"False"_s}, u"A"_s));
    aikenRow("Aiken on several lines", 3, 19,
        question(u"What does this code print?\nx = 1\nif x < 2 && x > 0:\n    print(\"in\")\n"
                 "B. is not a choice here: choices start with A."_s,
            {u"in"_s, u"nothing"_s}, u"A"_s));
    aikenRow("Aiken five choices", 4, 28,
        question(u"Which sorting algorithm is stable?"_s,
            {u"Merge sort"_s, u"Quick sort"_s, u"Heap sort"_s, u"Selection sort"_s, u"Shell sort"_s}, u"A"_s));
    // Unnamed, its text an earlier question's: its id is made from its text and its choices.
    const QString integer = u"what is the value of 7 / 2   in INTEGER division?"_s;
    row("Aiken the same text with other choices", aiken, 5, 52, BankIds::fromTextAndChoices(integer, {u"3"_s, u"4"_s}),
        question(integer, {u"3"_s, u"4"_s}, u"A"_s));
    aikenRow("Aiken after faults", 6, 57,
        question(u"Which data structure serves its elements first in, first out?"_s, {u"Queue"_s, u"Stack"_s}, u"A"_s));

    const QString csv = u"testing.csv"_s;
    const QStringList st{u"Software Testing"_s};
    const auto csvRow = [&](const char *name, int index, int line, const BankQuestion &q) {
        row(name, csv, index, line, BankIds::fromText(q.question), q);
    };
    csvRow("CSV plain row", 0, 2,
        question(u"Which technique divides inputs into groups that the program should treat alike?"_s,
            {u"Equivalence partitioning"_s, u"Boundary value analysis"_s, u"Decision table testing"_s,
                u"State transition testing"_s},
            u"A"_s, u"Equivalence partitioning groups inputs into classes, each tested by one value."_s, st));
    csvRow("CSV quotes and a line break", 1, 3,
        question(u"A tester says: \"the login fails\". Which report field holds\nthe steps to reproduce?"_s,
            {u"Summary"_s, u"Steps to reproduce"_s, u"Severity"_s}, u"B"_s, QString(), st));
    csvRow("CSV true/false, small letter", 2, 5,
        question(u"Exhaustive testing is possible for most programs."_s, {u"True"_s, u"False"_s}, u"B"_s,
            u"Even small programs have too many inputs and paths; risk and priorities guide testing instead."_s, st));
    csvRow("CSV several right letters", 3, 6,
        question(u"Which tools are among the seven basic quality tools?"_s,
            {u"Pareto chart"_s, u"Gantt chart"_s, u"Ishikawa diagram"_s, u"PERT chart"_s}, u"AC"_s, QString(),
            {u"Quality Assurance"_s}));
    csvRow("CSV commas in quoted choices", 4, 7,
        question(u"What does PDCA stand for?"_s, {u"Plan, Do, Check, Act"_s, u"Prepare, Design, Code, Audit"_s}, u"A"_s,
            u"PDCA is the improvement cycle of Deming and Shewhart."_s, {u"Quality Assurance"_s}));
    const QString technique = u"WHICH technique divides inputs into groups that the program should treat   alike?"_s;
    const QStringList twoTechniques{u"Equivalence partitioning"_s, u"Boundary value analysis"_s};
    row("CSV the same text with other choices", csv, 5, 13, BankIds::fromTextAndChoices(technique, twoTechniques),
        question(technique, twoTechniques, u"A"_s, QString(), {u"Quality Assurance"_s}));
}

void tst_bank::readsEachQuestionAsTheBankHasIt()
{
    QFETCH(QString, file);
    QFETCH(int, index);
    QFETCH(int, line);
    QFETCH(QString, id);
    QFETCH(QStringList, expected);
    const QByteArray bytes = bytesOf(QDir(m_data).filePath(file));
    const BankReadResult result = QuestionBank::read(bytes, *QuestionBank::detect(bytes, file));
    QVERIFY(size_t(index) < result.questions.size());
    const BankQuestion &q = result.questions[size_t(index)];
    QCOMPARE(fields(q).mid(1), expected);
    QCOMPARE(q.id, id);
    QCOMPARE(q.line, line);
}

// A file that is not UTF-8 text (nor UTF-16 with its mark, readsUtf16WithItsMark) gives nothing,
// whatever its format, and says where it stops.
void tst_bank::refusesWhatIsNotUtf8Text_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    const QByteArray good = "Q?\nA. x\nB. y\nANSWER: A\n";
    QTest::newRow("UTF-32 with its mark")
        << QByteArray("\xFF\xFE\0\0Q\0\0\0", 8) << u"line 1: UTF-32 text; save the file as UTF-8"_s;
    QTest::newRow("UTF-32 big-endian") << QByteArray("\0\0\xFE\xFF\0\0\0Q", 8)
                                       << u"line 1: UTF-32 text; save the file as UTF-8"_s;
    QTest::newRow("UTF-16 without a mark") << QByteArray(
        "Q\0?\0\n\0", 6) << u"line 1: a NUL byte: the file is not UTF-8 text (UTF-16?); save it as UTF-8"_s;
    QTest::newRow("Latin-1 on line 3") << good + "Caf\xE9?\n"
                                       << u"line 5: not UTF-8 text (byte 0xE9); save the file as UTF-8"_s;
    QTest::newRow("a NUL byte after CRLF") << QByteArray(
        "a\r\nb\r\n\0", 7) << u"line 3: a NUL byte: the file is not UTF-8 text (UTF-16?); save it as UTF-8"_s;
    QTest::newRow("a lone CR is a line break") << QByteArray("a\rb\r\x1B") << u"line 3: a control character (U+001B)"_s;
    QTest::newRow("a C1 control") << QByteArray("a\n\xC2\x85") << u"line 2: a control character (U+0085)"_s;
    QTest::newRow("an overlong form") << QByteArray("\xC0\xAF")
                                      << u"line 1: not UTF-8 text (byte 0xC0); save the file as UTF-8"_s;
    QTest::newRow("a surrogate") << QByteArray("x\n\xED\xA0\x80")
                                 << u"line 2: not UTF-8 text (byte 0xED); save the file as UTF-8"_s;
    QTest::newRow("cut short") << QByteArray("x\xE2\x82")
                               << u"line 1: not UTF-8 text (byte 0xE2); save the file as UTF-8"_s;
    QTest::newRow("U+FFFF") << QByteArray("x\n\n\xEF\xBF\xBF") << u"line 3: a character that is not text (U+FFFF)"_s;
}

void tst_bank::refusesWhatIsNotUtf8Text()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    for (const Format format : QuestionBank::kFormats) {
        const BankReadResult result = QuestionBank::read(bytes, format);
        QCOMPARE(result.errors, QStringList{error});
        QVERIFY(result.questions.empty());
    }
}

// Faults of each format's own, each told with its line; the good questions around them are read.
void tst_bank::namesTheLineOfEachFault_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<int>("questions");

    QTest::newRow("GIFT name not closed") << Format::Gift << QByteArray("\n\n::Name: Q?{=a ~b}\n\nQ2?{=a ~b}\n")
                                          << QStringList{u"line 3: the question's name is not closed by \"::\""_s} << 1;
    QTest::newRow("GIFT two pairs of braces")
        << Format::Gift << QByteArray("Q?{=a ~b} and {=c ~d}\n")
        << QStringList{u"line 1: more than one pair of braces (write \\{ and \\} for braces in a text)"_s} << 0;
    QTest::newRow("GIFT text before the answers")
        << Format::Gift << QByteArray("// c\r\n// c\r\nQ?{a =b ~c}\r\n")
        << QStringList{u"line 3: text before the first answer's \"=\" or \"~\""_s} << 0;
    // A "~" with nothing after it is no answer; one with a weight is an empty one.
    QTest::newRow("GIFT one choice, empty choice")
        << Format::Gift << QByteArray("Q?{=a ~%0%}\n\nQ2?{=a ~}\n\nQ3?{=a ~b}")
        << QStringList{u"line 1: choice B is empty"_s, u"line 3: a multiple-choice question with one choice"_s} << 1;
    QTest::newRow("GIFT faults on the lines of a long question")
        << Format::Gift
        << QByteArray("::One::Q?{\n=a\n~%0%\n~c\n}\n\n::Two::Q2,\nat length?\n{=a\n~b\n\n::Three::Q3?\n{\n~a\n~b\n}\n\n"
                      "::Four::Q4\n\\{x\\} and {\n=a ~b\n}\nthen } again\n")
        << QStringList{u"line 3: choice B is empty"_s, u"line 9: the answers' \"{\" is not closed by \"}\""_s,
               u"line 13: no right answer (\"=\")"_s,
               u"line 22: more than one pair of braces (write \\{ and \\} for braces in a text)"_s}
        << 0;
    QTest::newRow("GIFT no question text")
        << Format::Gift << QByteArray("::n::{=a ~b}\n") << QStringList{u"line 1: the question has no text"_s} << 0;
    QTest::newRow("Aiken choice without question")
        << Format::Aiken << QByteArray("A. x\nB. y\nANSWER: A\n\nQ?\nA. x\nB. y\nANSWER: B\n")
        << QStringList{u"line 1: a choice without a question"_s} << 1;
    QTest::newRow("Aiken no choices at the end") << Format::Aiken << QByteArray("Q?\nA. x\nB. y\nANSWER: B\n\nLast?\n")
                                                 << QStringList{u"line 6: the question has no choices"_s} << 1;
    // An empty choice is told at its own line.
    QTest::newRow("Aiken one choice, empty choice")
        << Format::Aiken << QByteArray("Q?\nA. x\nANSWER: A\n\nQ2?\nA. x\nB.\nANSWER: A\n")
        << QStringList{u"line 1: a question with one choice"_s, u"line 7: choice B is empty"_s} << 0;
    QTest::newRow("Aiken a choice of a no-break space")
        << Format::Aiken << QByteArray("Intro\nA.\xC2\xA0\nB. b\nANSWER: B\n")
        << QStringList{u"line 2: choice A is empty"_s} << 0;
    QTest::newRow("Aiken a line of no kind among the choices")
        << Format::Aiken << QByteArray("Q?\nA. x\nB. y\nNUMBERING: abc\nANSWER: A\n\nQ2?\nA. x\nB. y\nANSWER: B\n")
        << QStringList{u"line 4: \"NUMBERING: abc\" is neither a choice nor the ANSWER line of the question of line 1"_s}
        << 1;
    QTest::newRow("Aiken the next question right after the choices")
        << Format::Aiken << QByteArray("Q?\nA. x\nB. y\nQ2?\nA. x\nB. y\nANSWER: B\n\nQ3?\nA. x\nB. y\n")
        << QStringList{u"line 4: an ANSWER line is missing here, after the choices of the question of line 1"_s,
               u"line 12: an ANSWER line is missing here, after the choices of the question of line 9"_s}
        << 1;
    QTest::newRow("Aiken answer without choices") << Format::Aiken << QByteArray("Q?\nANSWER: A\n")
                                                  << QStringList{u"line 2: an ANSWER line without choices"_s} << 0;
    QTest::newRow("CSV header")
        << Format::Csv << QByteArray("\n\nQuestion,A,B\n")
        << QStringList{u"line 3: the first row must be the header Category,Question,A,B,C,D,Correct,Explanation (with "
                       "E,F after D for five or six choices)"_s}
        << 0;
    QTest::newRow("CSV semicolons")
        << Format::Csv << QByteArray("Category;Question;A;B;C;D;Correct;Explanation\r\n")
        << QStringList{u"line 1: the fields are separated by \";\"; save the file with commas"_s} << 0;
    QTest::newRow("CSV no right answer")
        << Format::Csv << QByteArray("category,question,a,b,c,d,correct,explanation\nX,Q?,a,b,,,,\nX,Q2?,a,b,,,B,\n")
        << QStringList{u"line 2: no right answer"_s} << 1;
    QTest::newRow("XML not well-formed")
        << Format::MoodleXml
        << QByteArray("<?xml version=\"1.0\"?>\n<quiz>\n<question "
                      "type=\"truefalse\"><questiontext><text>Q?</text></questiontext>"
                      "<answer fraction=\"100\"><text>true</text></answer></question>\n<question>\n</quiz>\n")
        << QStringList{u"line 5: not well-formed XML: Opening and ending tag mismatch."_s} << 1;
    QTest::newRow("XML another document") << Format::MoodleXml << QByteArray("<?xml version=\"1.0\"?>\n\n<html></html>")
                                          << QStringList{u"line 3: the document is a <html>, not a <quiz>"_s} << 0;
    QTest::newRow("XML with a DTD") << Format::MoodleXml
                                    << QByteArray(
                                           "<?xml version=\"1.0\"?>\n<!DOCTYPE quiz [<!ENTITY a \"aaaa\">]>\n<quiz/>")
                                    << QStringList{u"line 2: a document type declaration, which banks do not have"_s}
                                    << 0;
    QTest::newRow("XML without a type") << Format::MoodleXml << QByteArray("<quiz>\n\n<question/></quiz>")
                                        << QStringList{u"line 3: a question without a type"_s} << 0;
    QTest::newRow("XML an empty choice")
        << Format::MoodleXml
        << QByteArray("<quiz>\n<question type=\"multichoice\">\n<questiontext><text>Q?</text></questiontext>\n"
                      "<answer fraction=\"100\"><text>a</text></answer>\n<answer fraction=\"0\"><text> </text>"
                      "</answer>\n</question>\n</quiz>")
        << QStringList{u"line 5: choice B is empty"_s} << 0;
    QTest::newRow("XML one choice")
        << Format::MoodleXml
        << QByteArray("<quiz><question type=\"multichoice\"><questiontext><text>Q?</text></questiontext>"
                      "<answer fraction=\"100\"><text>a</text></answer></question></quiz>")
        << QStringList{u"line 1: a multiple-choice question with one choice"_s} << 0;
    QTest::newRow("JSON syntax") << Format::Json << QByteArray("[\n  {\n    \"id\": \"x-1\",\n    oops\n  }\n]\n")
                                 << QStringList{u"line 4: not valid JSON: illegal value"_s} << 0;
    QTest::newRow("JSON a question's fault")
        << Format::Json
        << QByteArray(
               "[\n{\"category\": \"C\", \"question\": \"Q?\", \"a\": \"x\", \"b\": \"y\", \"c\": \"\", \"d\": \"\", "
               "\"correct\": \"A\", \"explanation\": \"\"},\n\n  {\"question\": \"Q2?\"}\n]")
        << QStringList{u"line 4: missing keys \"category\", \"a\", \"b\", \"c\", \"d\", \"correct\", \"explanation\""_s}
        << 0;
    QTest::newRow("JSON a right letter of no choice")
        << Format::Json
        << QByteArray(
               "[{\"id\": \"x-1\", \"category\": \"C\", \"question\": \"Q?\", \"a\": \"x\", \"b\": \"y\", \"c\": \"\", "
               "\"d\": \"\", \"correct\": \"C\", \"explanation\": \"\"},\n"
               "{\"id\": \"x-1\", \"category\": \"C\", \"question\": \"Q2?\", \"a\": \"x\", \"b\": \"y\", \"c\": \"\", "
               "\"d\": \"\", \"correct\": \"B\", \"explanation\": \"\"}]")
        << QStringList{u"line 1: the right answer \"C\" is not one of the choices"_s} << 1;
    QTest::newRow("JSON a byte-order mark in a key")
        << Format::Json << QByteArray("\xEF\xBB\xBF[\r\n  {\"id\xEF\xBB\xBF\": []}]")
        << QStringList{u"line 2: unknown key \"id\\ufeff\""_s,
               u"line 2: missing keys \"category\", \"question\", \"a\", \"b\", \"c\", \"d\", \"correct\", "
               "\"explanation\""_s}
        << 0;
    QTest::newRow("JSON an id twice")
        << Format::Json
        << QByteArray(
               "[{\"id\": \"x-1\", \"category\": \"C\", \"question\": \"Q?\", \"a\": \"x\", \"b\": \"y\", \"c\": \"\", "
               "\"d\": \"\", \"correct\": \"A\", \"explanation\": \"\"},\n"
               "{\"id\": \"x-1\", \"category\": \"C\", \"question\": \"Q2?\", \"a\": \"x\", \"b\": \"y\", \"c\": \"\", "
               "\"d\": \"\", \"correct\": \"B\", \"explanation\": \"\"}]")
        << QStringList{u"line 2: the id \"x-1\" is an earlier question's"_s} << 1;
}

void tst_bank::namesTheLineOfEachFault()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, errors);
    QFETCH(int, questions);
    const BankReadResult result = QuestionBank::read(bytes, format);
    QCOMPARE(result.errors, errors);
    QCOMPARE(int(result.questions.size()), questions);
}

// Small GIFT banks, each for one rule of the format: what the question reads, or how it is skipped.
void tst_bank::readsGiftAsGiftDefinesIt_data()
{
    QTest::addColumn<QByteArray>("gift");
    QTest::addColumn<QStringList>("expected"); // the question's fields but its id, or empty
    QTest::addColumn<QString>("skipped");

    const auto row = [](const char *name, const QByteArray &gift, const BankQuestion &q) {
        QTest::newRow(name) << gift << fields(q).mid(1) << QString();
    };
    const auto skipRow = [](const char *name, const QByteArray &gift, const QString &skipped) {
        QTest::newRow(name) << gift << QStringList() << skipped;
    };
    row("escaped backslash before n", R"(A\\n B{=x\\ ~\\n})", question(u"A\\n B"_s, {u"x\\"_s, u"\\n"_s}, u"A"_s));
    row("other backslashes stay", R"(C:\temp \x{=a ~b})", question(u"C:\\temp \\x"_s, {u"a"_s, u"b"_s}, u"A"_s));
    row("a comment line inside, // inside a line",
        "Where is http://example.org?\n// not part of it\n  // nor this\n{=here ~there}",
        question(u"Where is http://example.org?"_s, {u"here"_s, u"there"_s}, u"A"_s));
    row("explicit weights of all or nothing", "Q?{~%0%a ~%100%b ~%-50%c}",
        question(u"Q?"_s, {u"a"_s, u"b"_s, u"c"_s}, u"B"_s));
    row("a percent sign that is no weight", "Q?{=50% ~%x%}", question(u"Q?"_s, {u"50%"_s, u"%x%"_s}, u"A"_s));
    row("true written small", "Q?{true}", question(u"Q?"_s, {u"True"_s, u"False"_s}, u"A"_s));
    row("T with feedbacks", "Q?{T#no#yes}", question(u"Q?"_s, {u"True"_s, u"False"_s}, u"A"_s));
    row("F", "Q?{F}", question(u"Q?"_s, {u"True"_s, u"False"_s}, u"B"_s));
    row("markdown is plain", "[markdown]**Q** <b>?{=a ~b####<i>why</i>}",
        question(u"**Q** <b>?"_s, {u"a"_s, u"b"_s}, u"A"_s, u"<i>why</i>"_s));
    row("html reaches answers and feedback", "[html]<p>Q &lt;?</p>{=<b>a</b> ~b&amp;c####<p>x</p><p>y</p>}",
        question(u"Q <?"_s, {u"a"_s, u"b&c"_s}, u"A"_s, u"x\ny"_s));
    row("an answer of its own format", "[html]Q?{=[plain]<b> ~b}", question(u"Q?"_s, {u"<b>"_s, u"b"_s}, u"A"_s));
    row("-> in a multiple choice", "Q?{=a -> b ~c}", question(u"Q?"_s, {u"a -> b"_s, u"c"_s}, u"A"_s));
    // Without "=", equal weights that sum to 100 % are several right answers; penalties are dropped.
    row("equal halves", "Q?{~%50%a ~%-100%b ~%50%c}", question(u"Q?"_s, {u"a"_s, u"b"_s, u"c"_s}, u"AC"_s));
    row("thirds as files round them", "Q?{~%33.33333%a ~b ~%33.3333%c ~%33.33333%d}",
        question(u"Q?"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}, u"ACD"_s));
    row("one weight of 100 without =", "Q?{~a ~%100%b}", question(u"Q?"_s, {u"a"_s, u"b"_s}, u"B"_s));
    row("six choices", "Q?{~a ~b ~c ~d ~e =f}",
        question(u"Q?"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s}, u"F"_s));
    skipRow("weights that share the credit", "Q?{=%50%a =%50%b ~c}", u"skipped: 1 partial credit"_s);
    skipRow("a share of the credit beside the right answer", "Q?{=a ~%50%b}", u"skipped: 1 partial credit"_s);
    skipRow("unequal weights", "Q?{~%60%a ~%40%b ~c}", u"skipped: 1 partial credit"_s);
    skipRow("equal weights short of 100", "Q?{~%40%a ~%40%b ~c}", u"skipped: 1 partial credit"_s);
    skipRow("two right answers of which one is picked", "Q?{=a =b ~c}", u"skipped: 1 any of several right"_s);
    skipRow("seven choices", "Q?{=a ~b ~c ~d ~e ~f ~g}", u"skipped: 1 too many choices"_s);
    skipRow("short answer with a weight", "Q?{=%50%a}", u"skipped: 1 short answer"_s);
    skipRow("essay with feedback only", "Q?{####Write freely.}", u"skipped: 1 essay"_s);
    skipRow("numerical range", "Q?{#1..5}", u"skipped: 1 numerical"_s);
    skipRow("a name and nothing else", "::Intro::", u"skipped: 1 description"_s);
}

void tst_bank::readsGiftAsGiftDefinesIt()
{
    QFETCH(QByteArray, gift);
    QFETCH(QStringList, expected);
    QFETCH(QString, skipped);
    const BankReadResult result = QuestionBank::read(gift, Format::Gift);
    QCOMPARE(result.errors, QStringList());
    QCOMPARE(report(result), skipped);
    QCOMPARE(int(result.questions.size()), expected.isEmpty() ? 0 : 1);
    if (!expected.isEmpty())
        QCOMPARE(fields(result.questions.front()).mid(1), expected);
}

void tst_bank::makesHtmlPlainText_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("images");

    QTest::newRow("paragraphs and breaks")
        << u"<p>One</p><p>Two<br>Three<br/>Four</p>"_s << u"One\nTwo\nThree\nFour"_s << 0;
    QTest::newRow("source line breaks are spaces")
        << u"<p>One\ntwo  \t three</p>\n\n<p>\nFour</p>"_s << u"One two three\nFour"_s << 0;
    QTest::newRow("blank lines folded") << u"A<br><br><br><br>B<p></p><p>&nbsp;</p><div>C</div>"_s << u"A\n\nB\n\nC"_s
                                        << 0;
    QTest::newRow("lists") << u"<ul><li>a</li><li>b</li></ul>after"_s << u"a\nb\nafter"_s << 0;
    QTest::newRow("entities") << u"&lt;a&gt; &amp;amp; &quot;&apos; &eacute;&#233;&#xE9; &euro; &mdash; &unknown; & x"_s
                              << u"<a> &amp; \"' ééé € — &unknown; & x"_s << 0;
    QTest::newRow("bad numeric references")
        << u"a&#0;b&#xD800;c&#1114112;d&#27;e&#x110000000000;"_s << u"a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFD"_s << 0;
    QTest::newRow("a < that opens no tag") << u"a < b and c<d and 1<2"_s << u"a < b and c<d and 1<2"_s << 0;
    QTest::newRow("images dropped and counted")
        << u"<p>See <img src=\"a.png\" alt=\"x > y\"> and <IMG SRC=b.png/></p>"_s << u"See and"_s << 2;
    QTest::newRow("comments, scripts and styles")
        << u"a<!-- <p>x</p> -->b<script>if (a<b) x();</script>c<style>p{}</style>d"_s << u"abcd"_s << 0;
    QTest::newRow("pre keeps its spaces")
        << u"<p>Code:</p><pre>\nif x:\n    y()</pre>done"_s << u"Code:\nif x:\n    y()\ndone"_s << 0;
    QTest::newRow("inline tags and cells")
        << u"<b>x</b><i>2</i> <table><tr><td>a</td><td>b</td></tr></table>"_s << u"x2\na b"_s << 0;
}

void tst_bank::makesHtmlPlainText()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QFETCH(int, images);
    int dropped = -1;
    QCOMPARE(HtmlText::toPlain(html, &dropped), text);
    QCOMPARE(dropped, images);
}

void tst_bank::detectsTheFormat_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("format"); // -1: none

    QTest::newRow("JSON") << QByteArray("\xEF\xBB\xBF\n[\n  {") << u"x.txt"_s << int(Format::Json);
    QTest::newRow("empty JSON") << QByteArray("[]") << u""_s << int(Format::Json);
    QTest::newRow("XML") << QByteArray("  <?xml version=\"1.0\"?><quiz/>") << u"x.gift"_s << int(Format::MoodleXml);
    QTest::newRow("XML without a declaration") << QByteArray("<quiz>") << u""_s << int(Format::MoodleXml);
    QTest::newRow("CSV quoted header") << QByteArray("\"Category\",\"Question\",\"A\"") << u""_s << int(Format::Csv);
    QTest::newRow("GIFT starting [html]") << QByteArray("[html]<p>Q</p>{=a ~b}") << u"bank.txt"_s << int(Format::Gift);
    QTest::newRow("GIFT comments only") << QByteArray("// nothing yet\n") << u"bank.txt"_s << int(Format::Gift);
    QTest::newRow("Aiken with a brace") << QByteArray("Q {x}?\nA. a\nB. b\nANSWER: A\n\nQ2?\nA. a\nB. b\nANSWER: B\n")
                                        << u"bank.txt"_s << int(Format::Aiken);
    QTest::newRow("empty .gift") << QByteArray() << u"Bank.GIFT"_s << int(Format::Gift);
    QTest::newRow("text of no format, .xml") << QByteArray("hello") << u"a.xml"_s << int(Format::MoodleXml);
    QTest::newRow("CSV without a header, .csv") << QByteArray("a,b,c\n") << u"a.csv"_s << int(Format::Csv);
    // What a file starts with that says nothing of its format is passed over.
    QTest::newRow("XML after processing instructions and comments")
        << QByteArray("\n\n<?latexml class=\"article\"?>\n<!-- converted\n from LaTeX -->\n<?latexml x?><quiz>")
        << u"bank.txt"_s << int(Format::MoodleXml);
    QTest::newRow("XML of a comment only")
        << QByteArray("<!-- nothing yet -->\n") << u"bank.gift"_s << int(Format::MoodleXml);
    QTest::newRow("JSON after GIFT comments")
        << QByteArray("// exported by a tool\n\n[{") << u"bank.gift"_s << int(Format::Json);
    QTest::newRow("CSV after blank lines")
        << QByteArray("\r\n\r\nCategory,Question,A,B,C,D,Correct,Explanation\r\n") << u"bank.txt"_s << int(Format::Csv);
    QTest::newRow("UTF-16 XML") << QByteArray("\xFF\xFE<\0q\0u\0i\0z\0>\0", 14) << u"bank.txt"_s
                                << int(Format::MoodleXml);
    QTest::newRow("UTF-16 XML without a mark")
        << QByteArray("\0<\0?\0x\0m\0l\0 \0v\0=\0\"\0\x31\0\"\0?\0>", 26) << u""_s << int(Format::MoodleXml);
    QTest::newRow("UTF-16 GIFT") << QByteArray("\xFE\xFF\0Q\0?\0{\0T\0}", 12) << u"bank.txt"_s << int(Format::Gift);
    // The extension breaks a tie; a .txt of no markup is Aiken, as VESK writes Aiken.
    QTest::newRow("text of no format, .txt") << QByteArray("hello") << u"a.txt"_s << int(Format::Aiken);
    QTest::newRow("text of no format, .json") << QByteArray("hello") << u"a.json"_s << int(Format::Json);
    QTest::newRow("text of no format, .dat") << QByteArray("hello") << u"a.dat"_s << -1;
}

void tst_bank::detectsTheFormat()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, fileName);
    QFETCH(int, format);
    const std::optional<Format> found = QuestionBank::detect(bytes, fileName);
    QCOMPARE(found ? int(*found) : -1, format);
}

void tst_bank::makesStableIds_data()
{
    QTest::addColumn<QByteArray>("gift");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("slugs") << QByteArray("::OSI layers::Q1?{T}\n\n::Café crème / 2::Q2?{T}\n\n::  ::Q3?{T}")
                           << QStringList{u"imp-osi-layers"_s, u"imp-cafe-creme-2"_s, BankIds::fromText(u"Q3?"_s)};
    QTest::newRow("ids are kept") << QByteArray("::st-001::Q1?{T}\n\n::imp-abc::Q2?{T}\n\n::q1::Q3?{T}")
                                  << QStringList{u"st-001"_s, u"imp-abc"_s, u"imp-q1"_s};
    QTest::newRow("no ASCII in the name")
        << QByteArray("::Вопрос::Q1?{T}") << QStringList{BankIds::fromText(u"Вопрос"_s)};
    QTest::newRow("the same name again") << QByteArray("::N::Q1?{T}\n\n::n::Q2?{T}\n\n::imp-n-2::Q3?{T}")
                                         << QStringList{u"imp-n"_s, u"imp-n-2"_s, u"imp-n-2-2"_s};
    QTest::newRow("the hash of the normalised text")
        << QByteArray("Q  one?{T}") << QStringList{BankIds::fromText(u"q ONE?"_s)};
    const QByteArray longName(70, 'x');
    QTest::newRow("a long name") << QByteArray("::" + longName + "::Q1?{T}\n\n::" + longName + "::Q2?{T}")
                                 << QStringList{u"imp-"_s + QString(48, u'x'), u"imp-"_s + QString(48, u'x') + u"-2"_s};
}

void tst_bank::makesStableIds()
{
    QFETCH(QByteArray, gift);
    QFETCH(QStringList, ids);
    const BankReadResult result = QuestionBank::read(gift, Format::Gift);
    QCOMPARE(result.errors, QStringList());
    QStringList found;
    for (const BankQuestion &q : result.questions)
        found.append(q.id);
    QCOMPARE(found, ids);
    QVERIFY(BankIds::fromText(u"Q3?"_s).startsWith(u"imp-"_s));
    QCOMPARE(BankIds::fromText(u"Q3?"_s).size(), 16);
}

void tst_bank::comparesAndReportsAsTheImportDoes()
{
    QCOMPARE(QuestionBank::normalisedText(u"  Which\tOSI\n layer   IS it? "_s), u"which osi layer is it?"_s);
    QCOMPARE(QuestionBank::normalisedText(u"ÉTÉ Σ"_s), QuestionBank::normalisedText(u"été σ"_s));
    QCOMPARE(QuestionBank::normalisedText(u"Cafe\u0301"_s), QuestionBank::normalisedText(u"Café"_s));
    QCOMPARE(QuestionBank::skippedReport({}), QString());
    QCOMPARE(QuestionBank::skippedReport({{u"multiple-answer"_s, 2}, {u"essay"_s, 1}, {u"matching"_s, 1}}),
        u"skipped: 1 essay, 1 matching, 2 multiple-answer"_s);
    QCOMPARE(QuestionBank::formatFromName(u"Moodle XML"_s), Format::MoodleXml);
    QCOMPARE(QuestionBank::formatFromName(u"xml"_s), Format::MoodleXml);
    QCOMPARE(QuestionBank::formatFromName(u"GIFT"_s), Format::Gift);
    QVERIFY(!QuestionBank::formatFromName(u"docx"_s));
    for (const Format format : QuestionBank::kFormats)
        QCOMPARE(QuestionBank::formatFromName(QuestionBank::formatName(format)), format);
    QCOMPARE(QuestionBank::fileFilters(),
        (QStringList{u"Question banks (*.gift *.txt *.xml *.csv *.json)"_s, u"GIFT (*.gift *.txt)"_s,
            u"Aiken (*.txt)"_s, u"Moodle XML (*.xml)"_s, u"CSV (*.csv)"_s, u"JSON (*.json)"_s, u"All files (*)"_s}));
}

// A file of garbage costs neither memory nor pages: 50 faults are told, the rest counted.
void tst_bank::capsTheFaultsOfAFileOfGarbage()
{
    QByteArray gift;
    for (int i = 0; i < 200; ++i)
        gift += "Q" + QByteArray::number(i) + "?{=a\n\n";
    const BankReadResult result = QuestionBank::read(gift, Format::Gift);
    QCOMPARE(result.errors.size(), 51);
    QCOMPARE(result.errors.first(), u"line 1: the answers' \"{\" is not closed by \"}\""_s);
    QCOMPARE(result.errors.last(), u"and 150 more"_s);
}

void tst_bank::writesJsonAsThePoolFilesAre()
{
    for (const QString &path : std::as_const(m_pool)) {
        const QByteArray bytes = bytesOf(path);
        const BankReadResult result = QuestionBank::read(bytes, Format::Json);
        QCOMPARE(result.errors, QStringList());
        // Every question of the file, as many as it holds.
        QCOMPARE(result.questions.size(), size_t(QJsonDocument::fromJson(bytes).array().size()));
        QVERIFY(result.questions.size() >= 150);
        QVERIFY2(QuestionBank::write(result.questions, Format::Json) == bytes, qPrintable(path));
    }
    QCOMPARE(QuestionBank::write({}, Format::Json), QByteArray("[]\n"));
}

// Written in a format and read back, questions come back as they were, up to what the format
// holds: the banks of tests/data/bank/ and the whole shipped pool, into every format.
void tst_bank::roundTripsEveryFormat_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<Format>("format");
    QStringList sources{u"networking.gift"_s, u"databases.xml"_s, u"programming.txt"_s, u"testing.csv"_s,
        u"choices.gift"_s, u"choices.xml"_s, u"choices.txt"_s, u"choices.csv"_s, u"choices.json"_s, u"pool"_s};
    for (const QString &source : sources) {
        for (const Format format : QuestionBank::kFormats)
            QTest::addRow("%s to %s", qPrintable(source), qPrintable(QuestionBank::formatName(format)))
                << source << format;
    }
}

void tst_bank::roundTripsEveryFormat()
{
    QFETCH(QString, source);
    QFETCH(Format, format);
    std::vector<BankQuestion> questions;
    if (source == u"pool"_s) {
        size_t inFiles = 0;
        for (const QString &path : std::as_const(m_pool)) {
            BankReadResult part = QuestionBank::read(bytesOf(path), Format::Json);
            questions.insert(questions.end(), part.questions.begin(), part.questions.end());
            inFiles += size_t(QJsonDocument::fromJson(bytesOf(path)).array().size());
        }
        QCOMPARE(questions.size(), inFiles);
    } else {
        const QByteArray bytes = bytesOf(QDir(m_data).filePath(source));
        questions = QuestionBank::read(bytes, *QuestionBank::detect(bytes, source)).questions;
        QVERIFY(questions.size() >= 2);
    }
    const QByteArray written = QuestionBank::write(questions, format);
    QCOMPARE(QuestionBank::detect(written, QString()), format);
    const BankReadResult back = QuestionBank::read(written, format);
    QCOMPARE(back.errors, QStringList());
    QCOMPARE(back.warnings, QStringList());
    QCOMPARE(report(back), QString());
    // Aiken holds one right answer: a question of several is left out (tellsWhatAikenCannotHold).
    std::vector<BankQuestion> held;
    for (const BankQuestion &q : questions) {
        if (format != Format::Aiken || !q.hasSeveralAnswers())
            held.push_back(q);
    }
    QCOMPARE(back.questions.size(), held.size());
    for (size_t i = 0; i < held.size(); ++i)
        QCOMPARE(kept(back.questions[i], format), kept(held[i], format));
}

// Texts that use what each format takes for markup, through every writer and back.
void tst_bank::writesTextsTheirFormatMustEscape_data()
{
    QTest::addColumn<BankQuestion>("q");
    const auto row = [](const char *name, BankQuestion q) {
        q.id = u"x-1"_s;
        QTest::newRow(name) << q;
    };
    row("GIFT's marks",
        question(u"::{a} ~b =c #d :e \\f \\n //g $CATEGORY: x"_s, {u"=1"_s, u"~2"_s, u"#3"_s, u"{4}"_s}, u"D"_s,
            u"####5 ::6 \\"_s, {u"a/b"_s, u"/c/"_s, u"d//e"_s}));
    row("a format's name at the start",
        question(u"[html]<b>Q</b>"_s, {u"[html]<i>a</i>"_s, u"[plain]b"_s}, u"B"_s, u"[markdown]*x*"_s, {u"C"_s}));
    row("weights at the start", question(u"%50% of what?"_s, {u"%50%"_s, u"%-1%x"_s, u"100%"_s}, u"A"_s));
    row("markup of HTML and XML",
        question(
            u"<p>a &amp; b</p> <![CDATA[ ]]>"_s, {u"<img src=x>"_s, u"&lt;"_s}, u"A"_s, u"</text>"_s, {u"<C & D>"_s}));
    row("CSV's marks",
        question(u"a, \"b\"\nc"_s, {u"\"\""_s, u","_s, u"x\n\ny"_s}, u"C"_s, u"\",\"\nx"_s, {u"Cat, \"egory\""_s}));
    row("lines Aiken would misread",
        question(u"A. first\nANSWER: A\n  A) third\nB. fourth\n\nfifth"_s, {u"A. x"_s, u"ANSWER: B"_s}, u"B"_s));
    row("true/false", question(u"Is it?"_s, {u"True"_s, u"False"_s}, u"B"_s, u"It is not."_s, {u"C"_s}));
    row("true and false of another case", question(u"Is it?"_s, {u"true"_s, u"false"_s}, u"A"_s));
}

void tst_bank::writesTextsTheirFormatMustEscape()
{
    QFETCH(BankQuestion, q);
    for (const Format format : QuestionBank::kFormats) {
        const BankReadResult back = QuestionBank::read(QuestionBank::write({q}, format), format);
        QCOMPARE(back.errors, QStringList());
        QCOMPARE(back.questions.size(), size_t(1));
        if (format == Format::Aiken && q.question.contains(u"ANSWER"_s)) {
            // The lines that would read as markup start with a no-break space.
            QCOMPARE(
                back.questions.front().question, u"A. first\n\u00A0ANSWER: A\n\u00A0  A) third\nB. fourth\n\nfifth"_s);
            continue;
        }
        QCOMPARE(kept(back.questions.front(), format), kept(q, format));
    }
}

// Files the fuzz targets found (fuzz/): what a reader accepts from them comes back as it was,
// written in its format or in the pool's JSON.
void tst_bank::writesBackWhatItReads_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("texts"); // the questions read

    QTest::newRow("a byte-order mark starting a CSV field")
        << Format::Csv
        << QByteArray("\xEF\xBB\xBF"
                      "Category,Question,A,B,C,D,Correct,Explanation\r\nX,\xEF\xBB\xBFQ?,a,b,,,A,\r\n")
        << QStringList{u"Q?"_s};
    QTest::newRow("a byte-order mark starting a GIFT text") << Format::Gift
                                                            << QByteArray("::n::\xEF\xBB\xBFQ?{=a ~b}\n\nA\xEF\xBB\xBF"
                                                                          "B?{T}")
                                                            << QStringList{u"Q?"_s, u"AB?"_s};
    QTest::newRow("a JSON escape of a character that is not text")
        << Format::Json
        << QByteArray("[{\"category\": \"C\", \"question\": \"Q\\uFFFF?\", \"a\": \"x\", \"b\": \"y\", \"c\": \"\", "
                      "\"d\": \"\", \"correct\": \"A\", \"explanation\": \"\\uFFFE\"}]")
        << QStringList{u"Q\uFFFD?"_s};
    QTest::newRow("a byte-order mark before an Aiken choice") << Format::Aiken
                                                              << QByteArray("Q?\n\xEF\xBB\xBF"
                                                                            "A. a\n\xEF\xBB\xBF"
                                                                            "B. b\nANSWER: A\n")
                                                              << QStringList{u"Q?"_s};
}

void tst_bank::writesBackWhatItReads()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, texts);
    const std::vector<BankQuestion> questions = QuestionBank::read(bytes, format).questions;
    QStringList read;
    for (const BankQuestion &q : questions)
        read.append(q.question);
    QCOMPARE(read, texts);
    for (const Format to : {format, Format::Json}) {
        const BankReadResult back = QuestionBank::read(QuestionBank::write(questions, to), to);
        QCOMPARE(back.errors, QStringList());
        QCOMPARE(back.questions.size(), questions.size());
        for (size_t i = 0; i < questions.size(); ++i)
            QCOMPARE(kept(back.questions[i], to), kept(questions[i], to));
    }
}

// Banks as people write them rather than as the platform exports them: GIFT's "~=" and empty
// answers, questions without the blank line between them, Aiken's labels without a space and
// broken questions among good ones, XML after processing instructions and comments, and
// questions that repeat, resemble or contradict each other. Every good question is read, each
// fault is told at its line.
void tst_bank::readsBanksAsPeopleWriteThem_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Format>("format");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QStringList>("skipped");

    QTest::newRow("GIFT ~= and empty answers")
        << u"tilde-equals.gift"_s << Format::Gift
        << QStringList{u"line 4 imp-four-tilde-equals [Networking]: Which HTTP method is both safe and idempotent? "
                       "{POST | GET | PATCH | CONNECT} B"_s,
               u"line 11 imp-three-tilde-equals [Networking]: Which layer does TCP belong to? "
               "{Network | Transport | Session} B"_s,
               u"line 13 imp-two-tilde-equals [Networking]: Which protocol sends mail between servers? {SMTP | IMAP} A"_s,
               u"line 15 imp-an-empty-answer [Networking]: Which port does SSH listen on by default? {22 | 23 | 21} A"_s,
               u"line 17 imp-empty-answers-and-tilde-equals [Networking]: Which protocol resolves host names? "
               "{DNS | DHCP} A"_s,
               u"line 19 imp-four-and-an-empty-one [Networking]: Which address is a loopback address? "
               "{127.0.0.1 | 10.0.0.1 | 192.168.0.1 | 8.8.8.8} A"_s,
               u"line 21 imp-five-tilde-equals [Networking]: Which of these is a transport protocol? "
               "{IP | UDP | ARP | ICMP | OSPF} B"_s}
        << QStringList() << QStringList() << QStringList();
    QTest::newRow("GIFT without blank lines")
        << u"no-blank-lines.gift"_s << Format::Gift
        << QStringList{u"line 3 imp-dns-port [Networking]: Which port does DNS use? {53 | 80 | 443} A"_s,
               u"line 5 imp-loop [Programming]: Which loop tests its condition after the body? {do-while | while | "
               u"for} "
               "A"_s,
               u"line 10 imp-stack [Programming]: A stack hands out its elements first in, first out. {True | False} B"_s,
               u"line 11 "_s + BankIds::fromText(u"Which structure hands out its elements first in, first out?"_s)
                   + u" [Programming]: Which structure hands out its elements first in, first out? {Queue | Stack} A"_s,
               u"line 13 imp-heap [Programming]: Which heap keeps its smallest element on top? {Min-heap | Max-heap} A"_s,
               u"line 14 imp-tree [Programming]: A binary search tree keeps the smaller keys on the left. "
               "{True | False} A"_s,
               u"line 16 imp-missing-word [Programming]: The _____ turns source code/into an executable program. "
               "{compiler | editor} A"_s,
               u"line 23 imp-after-the-fault [Programming]: Which sorting algorithm is stable? {Merge sort | Heap "
               u"sort} "
               "A"_s}
        << QStringList{u"line 20: a blank line is missing before this line: the question of line 19 ends with its "
                       "answers on line 19"_s}
        << QStringList() << QStringList();
    const auto aiken = [](int line, const QString &text, const QString &rest) {
        return u"line %1 %2 []: %3 %4"_s.arg(line).arg(BankIds::fromText(text), text, rest);
    };
    QTest::newRow("Aiken, good questions among broken ones")
        << u"aiken-errors.txt"_s << Format::Aiken
        << QStringList{aiken(1, u"Which of these is a programming language?"_s, u"{Python | HTML | CSS} A"_s),
               aiken(10, u"Which keyword leaves a function with a value?"_s, u"{break | return | continue} B"_s),
               aiken(31, u"Which data structure is last in, first out?"_s, u"{Stack | Queue} A"_s)}
        << QStringList{u"line 8: an ANSWER line without choices"_s, u"line 18: choice C where B was expected"_s,
               u"line 24: \"NUMBERING: abc\" is neither a choice nor the ANSWER line of the question of line 21"_s,
               u"line 30: an ANSWER line is missing here, after the choices of the question of line 27"_s,
               u"line 39: the ANSWER \"Z\" is not one of the choices"_s}
        << QStringList() << QStringList();
    QTest::newRow("XML after processing instructions and comments")
        << u"latexml.xml"_s << Format::MoodleXml
        << QStringList{u"line 12 imp-foreign-key [Databases]: What does a foreign key refer to? "
                       "{A key of another table | An index of the same table} A"_s,
               u"line 19 imp-null [Databases]: NULL = NULL is true in SQL. {True | False} B"_s}
        << QStringList() << QStringList() << QStringList();
    // A duplicate is the same text, choices (in any order) and right answer; the same text with other
    // choices is another question, and with another right answer a contradiction.
    const QString ssh = u"Which port does SSH use?"_s;
    const QString https = u"Which port does HTTPS use?"_s;
    QTest::newRow("GIFT duplicates and look-alikes")
        << u"duplicates.gift"_s << Format::Gift
        << QStringList{u"line 4 imp-port-of-ssh [Networking Basic]: Which port does SSH use? {22 | 23 | 21} A"_s,
               u"line 10 imp-ssh-other-choices [Networking Basic]: Which port does SSH use? {22 | 80 | 443} A"_s,
               u"line 12 imp-ssh-another-key [Networking Basic]: Which port does SSH use? {22 | 23 | 21} B"_s,
               u"line 14 %1 [Networking Basic]: Which port does SSH use? {22 | 25 | 110} A"_s.arg(
                   BankIds::fromTextAndChoices(ssh, {u"22"_s, u"25"_s, u"110"_s})),
               u"line 18 %1 [Networking Basic]: Which port does HTTPS use? {443 | 80} A"_s.arg(
                   BankIds::fromText(https)),
               u"line 20 %1 [Networking Basic]: Which port does HTTPS use? {443 | 8443} A"_s.arg(
                   BankIds::fromTextAndChoices(https, {u"443"_s, u"8443"_s})),
               u"line 22 imp-tcp-in-order [Networking Basic]: TCP delivers the bytes of a stream in order. "
               "{True | False} A"_s,
               u"line 24 imp-tcp-in-order-the-other-way [Networking Basic]: TCP delivers the bytes of a stream in "
               "order. {True | False} B"_s}
        << QStringList()
        << QStringList{u"line 12: contradicts line 4 (Port of SSH): the same question with another right answer "
                       "(\"23\", not \"22\")"_s,
               u"line 24: contradicts line 22 (TCP in order): the same question with another right answer "
               "(\"False\", not \"True\")"_s}
        << QStringList{u"line 6 (SSH again): a duplicate of line 4 (Port of SSH)"_s,
               u"line 8 (SSH shuffled): a duplicate of line 4 (Port of SSH)"_s,
               u"line 16 (Which port does SSH use?): a duplicate of line 14 (Which port does SSH use?)"_s,
               u"line 26 (TCP delivers the bytes of a stream in or...): a duplicate of line 24 (TCP in order, the "
               "other way)"_s};
}

void tst_bank::readsBanksAsPeopleWriteThem()
{
    QFETCH(QString, file);
    QFETCH(Format, format);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, warnings);
    QFETCH(QStringList, skipped);
    const QByteArray bytes = bytesOf(QDir(m_data).filePath(file));
    QCOMPARE(QuestionBank::detect(bytes, u"bank.dat"_s), format);
    const BankReadResult result = QuestionBank::read(bytes, format);
    QCOMPARE(result.errors, errors);
    QCOMPARE(result.warnings, warnings);
    QCOMPARE(result.skipped, skipped);
    QCOMPARE(summaries(result), questions);
}

// The platform's own way with a bank of faults: "import the good ones" takes every good question.
void tst_bank::importsTheGoodOnesOfABrokenBank()
{
    const BankImport::File file = BankImport::readFile(QDir(m_data).filePath(u"aiken-errors.txt"_s));
    QCOMPARE(file.howRead(), u"read as Aiken"_s);
    const BankImport::Plan plan = BankImport::plan({file}, {u"Programming Basic"_s, {}});
    QCOMPARE(plan.errors.size(), 5);
    QVERIFY(!BankImport::canImport(plan, false));
    QVERIFY(BankImport::canImport(plan, true));
    QStringList texts;
    for (const PoolQuestion &q : plan.questions)
        texts << q.question;
    QCOMPARE(texts,
        (QStringList{u"Which of these is a programming language?"_s, u"Which keyword leaves a function with a value?"_s,
            u"Which data structure is last in, first out?"_s}));
}

// UTF-16 with its byte-order mark, either byte order, reads as the same bank in UTF-8 does: the
// same questions at the same lines, the same faults.
void tst_bank::readsUtf16WithItsMark_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("encoding"); // QStringEncoder::Encoding
    for (const QString &file : {u"networking.gift"_s, u"programming.txt"_s, u"testing.csv"_s, u"aiken-errors.txt"_s,
             u"databases.xml"_s, u"../../../pool/software-testing.json"_s}) {
        QTest::addRow("%s, little-endian", qPrintable(file)) << file << int(QStringEncoder::Utf16LE);
        QTest::addRow("%s, big-endian", qPrintable(file)) << file << int(QStringEncoder::Utf16BE);
    }
}

void tst_bank::readsUtf16WithItsMark()
{
    QFETCH(QString, file);
    QFETCH(int, encoding);
    const QByteArray utf8 = bytesOf(QDir(m_data).filePath(file));
    // A document that says it is UTF-16, as one saved so says.
    const QByteArray wide = utf16(
        QByteArray(utf8).replace("encoding=\"UTF-8\"", "encoding=\"UTF-16\""), QStringEncoder::Encoding(encoding));
    QVERIFY(wide.size() > utf8.size());
    const std::optional<Format> format = QuestionBank::detect(utf8, file);
    QVERIFY(format);
    QCOMPARE(QuestionBank::detect(wide, u"bank.dat"_s), format);
    const BankReadResult expected = QuestionBank::read(utf8, *format);
    const BankReadResult result = QuestionBank::read(wide, *format);
    QVERIFY(!expected.questions.empty());
    QCOMPARE(result.errors, expected.errors);
    QCOMPARE(result.warnings, expected.warnings);
    QCOMPARE(result.skipped, expected.skipped);
    QCOMPARE(summaries(result), summaries(expected));
    for (size_t i = 0; i < result.questions.size(); ++i)
        QCOMPARE(fields(result.questions[i]), fields(expected.questions[i]));
}

void tst_bank::refusesBrokenUtf16_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::newRow("half a surrogate pair") << QByteArray("\xFF\xFEQ\0?\0\r\0\n\0\x00\xD8x\0", 14)
                                           << u"line 2: not UTF-16 text (half a surrogate pair, U+D800); save the file "
                                              "as UTF-8"_s;
    QTest::newRow("a low surrogate first") << QByteArray("\xFE\xFF\0Q\xDC\x00\0x", 8)
                                           << u"line 1: not UTF-16 text (half a surrogate pair, U+DC00); save the file "
                                              "as UTF-8"_s;
    QTest::newRow("cut short") << QByteArray("\xFF\xFEQ\0\n\0\n\0x", 9)
                               << u"line 3: UTF-16 text cut short (an odd number of bytes); save the file as UTF-8"_s;
}

void tst_bank::refusesBrokenUtf16()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    for (const Format format : {Format::Gift, Format::Aiken, Format::Csv, Format::Json}) {
        const BankReadResult result = QuestionBank::read(bytes, format);
        QCOMPARE(result.errors, QStringList{error});
        QVERIFY(result.questions.empty());
    }
}

// A Moodle XML document in the encoding its declaration names; the declaration is believed, not
// guessed around.
void tst_bank::readsXmlInItsDeclaredEncoding_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("declaration"); // in place of the file's own, when set
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("ISO-8859-1")
        << u"latin1.xml"_s << QByteArray()
        << QStringList{u"line 6 imp-controle [Qualité]: Quel schéma montre les causes d'un défaut ? "
                       "{Le diagramme d'Ishikawa | Le diagramme de Gantt} A"_s}
        << QStringList();
    QTest::newRow("windows-1252")
        << u"cp1252.xml"_s << QByteArray()
        << QStringList{u"line 3 imp-cost-of-a-defect []: A defect costs 10 € to fix in design. Which phase is called "
                       "“the most expensive” for fixing it? {Design – the earliest | Operation – after release} B"_s}
        << QStringList();
    QTest::newRow("ISO-8859-1 declared as UTF-8")
        << u"latin1.xml"_s << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") << QStringList()
        << QStringList{u"line 4: not UTF-8 text (byte 0xE9); save the file as UTF-8"_s};
    QTest::newRow("ISO-8859-1 without a declaration")
        << u"latin1.xml"_s << QByteArray("<!-- no declaration -->") << QStringList()
        << QStringList{u"line 4: not UTF-8 text (byte 0xE9); save the file as UTF-8"_s};
}

void tst_bank::readsXmlInItsDeclaredEncoding()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, declaration);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, errors);
    QByteArray bytes = bytesOf(QDir(m_data).filePath(file));
    if (!declaration.isEmpty())
        bytes = declaration + bytes.mid(bytes.indexOf('\n'));
    QCOMPARE(QuestionBank::detect(bytes, u"bank.dat"_s), Format::MoodleXml);
    const BankReadResult result = QuestionBank::read(bytes, Format::MoodleXml);
    QCOMPARE(result.errors, errors);
    QCOMPARE(summaries(result), questions);
}

// Every question left out is listed with its line, its name and the limit it breaks, the first 20
// of a file and then how many more; the counts by kind stay whole.
void tst_bank::listsEverySkippedQuestion()
{
    QByteArray gift;
    for (int i = 1; i <= 24; ++i)
        gift += "::Q" + QByteArray::number(i) + "::Which?{=a ~b ~c ~d ~e ~f ~g" + QByteArray(i % 2 ? " ~h" : "")
            + "}\n\n";
    gift += "Which two?{=a =b ~c}\n\nWhich one?{=a ~b}\n";
    const BankReadResult result = QuestionBank::read(gift, Format::Gift);
    QCOMPARE(result.errors, QStringList());
    QCOMPARE(result.questions.size(), size_t(1));
    QCOMPARE(report(result), u"skipped: 1 any of several right, 24 too many choices"_s);
    QCOMPARE(result.skipped.size(), 21);
    QCOMPARE(result.skipped.at(0), u"line 1 (Q1): 8 choices; at most 6"_s);
    QCOMPARE(result.skipped.at(1), u"line 3 (Q2): 7 choices; at most 6"_s);
    QCOMPARE(result.skipped.at(19), u"line 39 (Q20): 7 choices; at most 6"_s);
    QCOMPARE(result.skipped.at(20), u"and 5 more"_s);

    const BankReadResult some
        = QuestionBank::read("Which two?{=a =b ~c}\n\n::Q::Which?{=a ~b ~c ~d ~e ~f ~g}\n", Format::Gift);
    QCOMPARE(some.skipped,
        (QStringList{u"line 1 (Which two?): 2 right answers of which any one scores; a question of several right "
                     "answers asks for all of them"_s,
            u"line 3 (Q): 7 choices; at most 6"_s}));
    // A question of no name and no text is named by its line alone.
    QCOMPARE(QuestionBank::read("<quiz>\n<question type=\"calculated\"/></quiz>", Format::MoodleXml).skipped,
        QStringList{u"line 2: calculated; multiple-choice and true/false questions only"_s});
}

// An import's report names each file's format and lists, under it, what that file leaves out.
void tst_bank::describesEachFileOfAnImport()
{
    QTemporaryDir dir;
    QFile garbage(dir.filePath(u"notes.dat"_s));
    QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("hello\n") > 0);
    garbage.close();
    std::vector<BankImport::File> files{BankImport::readFile(QDir(m_data).filePath(u"duplicates.gift"_s)),
        BankImport::readFile(QDir(m_data).filePath(u"databases.xml"_s)), BankImport::readFile(garbage.fileName())};
    QCOMPARE(files[1].howRead(), u"read as Moodle XML"_s);
    QCOMPARE(files[2].howRead(), u"not read"_s);
    const QStringList lines = BankImport::describe(BankImport::plan(files, {u"Database Basic"_s, {}}));
    const qsizetype first = lines.indexOf(u"duplicates.gift: read as GIFT, 8 question(s), left out:"_s);
    QVERIFY2(first >= 0, qPrintable(lines.join(u'\n')));
    QCOMPARE(lines.mid(first, 15),
        (QStringList{u"duplicates.gift: read as GIFT, 8 question(s), left out:"_s,
            u"  line 6 (SSH again): a duplicate of line 4 (Port of SSH)"_s,
            u"  line 8 (SSH shuffled): a duplicate of line 4 (Port of SSH)"_s,
            u"  line 16 (Which port does SSH use?): a duplicate of line 14 (Which port does SSH use?)"_s,
            u"  line 26 (TCP delivers the bytes of a stream in or...): a duplicate of line 24 (TCP in order, the "
            "other way)"_s,
            u"databases.xml: read as Moodle XML, 7 question(s), left out:"_s,
            u"  line 144 (SQL keyword): short answer; multiple-choice and true/false questions only"_s,
            u"  line 152 (Explain ACID): essay; multiple-choice and true/false questions only"_s,
            u"  line 159 (Match keys): matching; multiple-choice and true/false questions only"_s,
            u"  line 166 (Rows): numerical; multiple-choice and true/false questions only"_s,
            u"  line 173 (Fill in): cloze; multiple-choice and true/false questions only"_s,
            u"  line 179 (Intro): a description, no question to answer"_s,
            u"  line 185 (Growth): calculated; multiple-choice and true/false questions only"_s,
            u"notes.dat: not read, 0 question(s)"_s,
            u"skipped: 1 calculated, 1 cloze, 1 description, 4 duplicate, 1 essay, 1 matching, 1 numerical, "
            "1 short answer"_s}));
    QVERIFY(lines.contains(u"error: notes.dat: not a question bank of a known format (GIFT, Aiken, Moodle XML, CSV, "
                           "JSON)"_s));
    QVERIFY(lines.contains(u"warning: duplicates.gift: line 24: contradicts line 22 (TCP in order): the same question "
                           "with another right answer (\"False\", not \"True\")"_s));
}

// Aiken holds no explanation and no category, a choice on one line and one right answer: an
// export says, for each question, what it did not write, and leaves out a question of several.
void tst_bank::tellsWhatAikenCannotHold()
{
    std::vector<BankQuestion> questions
        = QuestionBank::read(bytesOf(QDir(m_data).filePath(u"networking.gift"_s)), Format::Gift).questions;
    BankQuestion pooled = question(u"Q?"_s, {u"one"_s, u"two\nlines"_s}, u"A"_s, u"Why."_s);
    pooled.id = u"st-001"_s;
    questions.push_back(pooled);
    QStringList warnings;
    const QByteArray written = QuestionBank::write(questions, Format::Aiken, &warnings);
    QCOMPARE(written, QuestionBank::write(questions, Format::Aiken));
    QVERIFY(!written.contains("Which protocols encrypt their traffic?"));
    QCOMPARE(warnings,
        (QStringList{u"line 6: explanation and category not written: Aiken cannot hold them"_s,
            u"line 16: explanation and category not written: Aiken cannot hold them"_s,
            u"line 26: explanation and category not written: Aiken cannot hold them"_s,
            u"line 50: category not written: Aiken cannot hold it"_s,
            u"line 54: not written: Aiken cannot hold several right answers (AB)"_s,
            u"line 63: category not written: Aiken cannot hold it"_s,
            u"line 77: category not written: Aiken cannot hold it"_s,
            u"line 86: explanation and category not written: Aiken cannot hold them"_s,
            u"line 93: category not written: Aiken cannot hold it"_s,
            u"line 96: category not written: Aiken cannot hold it"_s,
            u"st-001: explanation not written: Aiken cannot hold it"_s,
            u"st-001: the line breaks of choice B written as spaces: Aiken holds a choice on one line"_s}));
    // GIFT and Moodle XML hold all of it.
    for (const Format format : {Format::Gift, Format::MoodleXml}) {
        QStringList none;
        QuestionBank::write(questions, format, &none);
        QCOMPARE(none, QStringList());
    }
}

// The same five- and six-choice and several-answer questions in every format (tests/data/bank/
// choices.*): each reads as the others do, and what the format or VESK cannot hold is told at its
// line. Written and read back they come back whole (roundTripsEveryFormat).
void tst_bank::readsFiveSixAndSeveralRightAnswers_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QStringList>("skipped");

    const QString transport = u"Which of these is a transport protocol? {IP | UDP | ARP | ICMP | OSPF} B"_s;
    const QString notFound
        = u"Which HTTP status code means that the resource was not found? {200 | 301 | 403 | 404 | 500 | 503} D"_s;
    const QString encrypting = u"Which two protocols encrypt their traffic? {SSH | Telnet | HTTPS | FTP} AC"_s;
    const QString privates = u"Which three of these are private IPv4 addresses? {10.0.0.1 | 8.8.8.8 | 172.16.0.1 | "
                             "1.1.1.1 | 192.168.1.1 | 9.9.9.9} ACE"_s;
    const auto at = [](int line, const QString &text) { return u"line %1: %2"_s.arg(line).arg(text); };
    const QString penalties = u"the negative weights of the wrong choices were dropped: a question of several "
                              "right answers scores when every right choice and no other is chosen"_s;
    const QString anyOne = u"2 right answers of which any one scores; a question of several right answers asks for "
                           "all of them"_s;
    const QString unequal = u"right choices of unequal weights (60 %, 40 %); each must weigh the same"_s;

    QTest::newRow("GIFT") << u"choices.gift"_s
                          << QStringList{at(4, transport), at(12, notFound), at(23, encrypting), at(30, privates)}
                          << QStringList() << QStringList{at(23, penalties)}
                          << QStringList{u"line 39 (Seven layers): 7 choices; at most 6"_s,
                                 u"line 49 (Unequal weights): "_s + unequal, u"line 55 (Any one of two): "_s + anyOne};
    // A penalty on a wrong choice of a question of one right answer changes nothing VESK scores.
    QTest::newRow("Moodle XML") << u"choices.xml"_s
                                << QStringList{at(6, transport), at(16, notFound), at(29, encrypting), at(38, privates)}
                                << QStringList() << QStringList{at(29, penalties)}
                                << QStringList{u"line 49 (Seven layers): 7 choices; at most 6"_s,
                                       u"line 61 (Unequal weights): "_s + unequal,
                                       u"line 69 (Any one of two): "_s + anyOne};
    // Aiken holds one right answer: several letters are a fault of the file.
    QTest::newRow("Aiken")
        << u"choices.txt"_s << QStringList{at(1, transport), at(9, notFound)}
        << QStringList{u"line 33: the ANSWER \"A, C\" names several choices; Aiken holds one right answer"_s}
        << QStringList()
        << QStringList{u"line 18 (Which layer of the OSI model routes pack...): 7 choices; at most 6"_s};
    // Letters as people write them, in any order; no column holds a seventh choice.
    QTest::newRow("CSV") << u"choices.csv"_s
                         << QStringList{at(2, transport), at(3, notFound), at(4, encrypting), at(5, privates)}
                         << QStringList{u"line 6: 11 fields where 10 were expected"_s,
                                u"line 7: the right answers \"A,A\" are not letters A to F in order, each once"_s}
                         << QStringList() << QStringList();
    QTest::newRow("JSON") << u"choices.json"_s
                          << QStringList{at(2, transport), at(14, notFound), at(27, encrypting), at(38, privates)}
                          << QStringList{u"line 51: the right answers \"BA\" are not letters A to F in order, each "
                                         "once"_s,
                                 u"line 62: choice C is empty but E is not"_s}
                          << QStringList() << QStringList();
}

void tst_bank::readsFiveSixAndSeveralRightAnswers()
{
    QFETCH(QString, file);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, warnings);
    QFETCH(QStringList, skipped);
    const QByteArray bytes = bytesOf(QDir(m_data).filePath(file));
    const std::optional<Format> format = QuestionBank::detect(bytes, u"bank.dat"_s);
    QVERIFY(format);
    const BankReadResult result = QuestionBank::read(bytes, *format);
    QStringList read;
    for (const BankQuestion &q : result.questions)
        read << shape(q);
    QCOMPARE(read, questions);
    QCOMPARE(result.errors, errors);
    QCOMPARE(result.warnings, warnings);
    QCOMPARE(result.skipped, skipped);
}

// Imported into an exam database, a fifth and sixth choice go into E and F and several right
// letters into CorrectAnswer; a question of four keeps E and F empty. Imported again, each is a
// duplicate, in whatever order its choices come; exported, they come back as they were read.
void tst_bank::importsFiveSixAndSeveralIntoTheFile()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(u"Exam.mdb"_s);
    TestSupport::buildDatabase(db, {0, 0, 0, 0, 0, 1});
    const BankImport::File file = BankImport::readFile(QDir(m_data).filePath(u"choices.gift"_s));
    const BankImport::Plan plan = BankImport::plan({file}, {});
    QVERIFY(BankImport::canImport(plan, false));
    PoolStore::Report report;
    QString error;
    QVERIFY2(BankImport::apply(db, plan, &report, &error), qPrintable(error));
    QCOMPARE(report.added, 4);
    const QVariant none;
    QCOMPARE(TestSupport::query(db, u"SELECT Question, A, B, C, D, E, F, CorrectAnswer FROM Q_A ORDER BY QID"_s),
        (QList<QVariantList>{{u"Networking Basic question 1"_s, u"Choice A of 1"_s, u"Choice B of 1"_s,
                                 u"Choice C of 1"_s, u"Choice D of 1"_s, none, none, u"A"_s},
            {u"Which of these is a transport protocol?"_s, u"IP"_s, u"UDP"_s, u"ARP"_s, u"ICMP"_s, u"OSPF"_s, none,
                u"B"_s},
            {u"Which HTTP status code means that the resource was not found?"_s, u"200"_s, u"301"_s, u"403"_s, u"404"_s,
                u"500"_s, u"503"_s, u"D"_s},
            {u"Which two protocols encrypt their traffic?"_s, u"SSH"_s, u"Telnet"_s, u"HTTPS"_s, u"FTP"_s, none, none,
                u"AC"_s},
            {u"Which three of these are private IPv4 addresses?"_s, u"10.0.0.1"_s, u"8.8.8.8"_s, u"172.16.0.1"_s,
                u"1.1.1.1"_s, u"192.168.1.1"_s, u"9.9.9.9"_s, u"ACE"_s}}));

    // The same questions from the CSV bank, one with its first and last choices swapped.
    BankImport::File again = BankImport::readFile(QDir(m_data).filePath(u"choices.csv"_s));
    BankQuestion &shuffled = again.read.questions.at(3);
    std::swap(shuffled.a, shuffled.f);
    shuffled.correct = u"CEF"_s;
    PoolStore::Report twice;
    QVERIFY2(BankImport::apply(db, BankImport::plan({again}, {}), &twice, &error), qPrintable(error));
    QCOMPARE(twice.added, 0);
    QCOMPARE(twice.duplicates, 4);

    std::vector<BankQuestion> exported;
    QVERIFY2(BankImport::poolQuestions(db, {u"Networking Basic"_s}, &exported, &error), qPrintable(error));
    QCOMPARE(exported.size(), size_t(5));
    for (size_t i = 0; i < file.read.questions.size(); ++i)
        QCOMPARE(fields(exported[i + 1]).mid(2), fields(file.read.questions[i]).mid(2));
}

QTEST_GUILESS_MAIN(tst_bank)
#include "tst_bank.moc"
