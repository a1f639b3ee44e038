#include <vector>

#include <QtTest>

#include "QuestionCases.h"
#include "SessionCases.h"
#include "bank/BankIds.h"
#include "bank/BankImport.h"
#include "bank/HtmlText.h"
#include "bank/QuestionBank.h"

using namespace Qt::StringLiterals;
using QuestionBank::Format;
using QuestionCases::bytesOf;
using SessionCases::text;

Q_DECLARE_METATYPE(QuestionBank::Format)

namespace {
// The lines of a file under tests/data, without the last line's end.
QStringList linesOf(const QString &relativePath)
{
    QString text = QString::fromUtf8(QuestionCases::dataBytes(relativePath));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

// A question as its fields, for QCOMPARE to show where two differ.
QStringList fields(const BankQuestion &q)
{
    QStringList all{u"line %1 %2"_s.arg(q.line).arg(q.id)};
    const auto add = [&](const QString &key, QString value) {
        if (!value.isEmpty())
            all << u"  %1: %2"_s.arg(key, value.replace(u"\\"_s, u"\\\\"_s).replace(u"\n"_s, u"\\n"_s));
    };
    add(u"name"_s, q.name);
    add(u"path"_s, q.categoryPath.join(u" > "_s));
    add(u"text"_s, q.question);
    for (int i = 0; i < BankQuestion::kMaxChoices; ++i)
        add(QString(QChar(u'a' + i)), q.choice(i));
    add(u"correct"_s, q.correct);
    add(u"explanation"_s, q.explanation);
    return all;
}

// All a reader gives, as bank/expected/ writes it.
QStringList rendered(const BankReadResult &result)
{
    QStringList lines;
    for (const QString &e : result.errors)
        lines << u"error: "_s + e;
    for (const QString &w : result.warnings)
        lines << u"warning: "_s + w;
    for (const QString &s : result.skipped)
        lines << u"skipped: "_s + s;
    if (const QString report = QuestionBank::skippedReport(result.skippedByKind); !report.isEmpty())
        lines << u"report: "_s + report;
    for (const BankQuestion &q : result.questions)
        lines << fields(q);
    return lines;
}

// What writing in `format` keeps of a question: Aiken keeps neither its id, category nor
// explanation (an Aiken question's id comes from its text again), CSV no id, CSV and JSON only
// the path's last part.
QStringList kept(BankQuestion q, Format format)
{
    if (format == Format::Aiken || format == Format::Csv)
        q.id = BankIds::fromText(q.question);
    if (format == Format::Aiken) {
        q.categoryPath.clear();
        q.explanation.clear();
        for (int i = 0; i < BankQuestion::kMaxChoices; ++i)
            q.choice(i).replace(u'\n', u' ');
    } else if (format == Format::Csv || format == Format::Json) {
        q.categoryPath = q.category().isEmpty() ? QStringList() : QStringList{q.category()};
    }
    q.line = 0;
    q.name.clear();
    return fields(q);
}

std::vector<Format> formatsOf(const QString &cell)
{
    std::vector<Format> formats;
    for (const Format format : QuestionBank::kFormats) {
        if (cell == u"all"_s || cell.split(u',').contains(QuestionBank::formatName(format)))
            formats.push_back(format);
    }
    if (cell != u"all"_s && formats.size() != size_t(cell.split(u',').size()))
        qFatal("not a list of formats: %s", qPrintable(cell));
    return formats;
}
} // namespace

// Question banks in and out. The banks of tests/data/bank/ are written as real exports are, or hold one
// fault or rule of a format each; bank/read.tsv names the result under bank/expected/ each must give.
class tst_bank final : public QObject {
    Q_OBJECT

    QStringList m_pool = QuestionCases::jsonFiles();

    static QString bank(const QString &file) { return TestSupport::testData(u"bank/"_s + file); }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(bank(u"read.tsv"_s)), "tests/data/bank was not found; set VESK_TEST_DATA");
        QCOMPARE(m_pool.size(), 6);
    }

    void readsEachBank_data() { TestSupport::addCases(u"bank/read.tsv"_s); }
    // Per bank: its format told from its content (and its name), and all its reader gives. A file that
    // is no text of the format gives the same fault whatever reader takes it.
    void readsEachBank()
    {
        const QString file = text("file"), detected = text("detected");
        const QByteArray bytes = bytesOf(bank(file));
        if (!detected.isEmpty()) {
            QCOMPARE(QuestionBank::detect(bytes, u"bank.dat"_s), QuestionBank::formatFromName(detected));
            QCOMPARE(QuestionBank::detect(bytes, file), QuestionBank::formatFromName(detected));
        }
        const QStringList expected = linesOf(u"bank/expected/"_s + text("gives"));
        for (const Format format : formatsOf(text("formats")))
            QCOMPARE(rendered(QuestionBank::read(bytes, format)), expected);
        if (text("utf16") != u"yes"_s)
            return;
        // Saved as UTF-16 with its byte-order mark, either byte order, as editors on Windows save
        // "Unicode" text (a document then saying so), it reads the same.
        const QByteArray utf8 = QByteArray(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes)
                                    .replace("encoding=\"UTF-8\"", "encoding=\"UTF-16\"");
        for (const QStringEncoder::Encoding encoding : {QStringEncoder::Utf16LE, QStringEncoder::Utf16BE}) {
            QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
            const QByteArray wide = encoder(QString::fromUtf8(utf8));
            QCOMPARE(QuestionBank::detect(wide, u"bank.dat"_s), QuestionBank::formatFromName(detected));
            QCOMPARE(rendered(QuestionBank::read(wide, *QuestionBank::formatFromName(detected))), expected);
        }
    }

    void makesHtmlPlainText_data() { TestSupport::addCases(u"bank/html.tsv"_s); }
    void makesHtmlPlainText()
    {
        int dropped = -1;
        QCOMPARE(HtmlText::toPlain(text("html"), &dropped), text("text"));
        QCOMPARE(dropped, text("images").toInt());
    }

    void detectsTheFormat_data() { TestSupport::addCases(u"bank/detect.tsv"_s); }
    // What a file starts with decides; the extension breaks a tie; a .txt of no markup is Aiken.
    void detectsTheFormat()
    {
        // %HH is a byte, the rest UTF-8.
        const QByteArray bytes = QByteArray::fromPercentEncoding(text("bytes").toUtf8());
        const std::optional<Format> found = QuestionBank::detect(bytes, text("fileName"));
        QCOMPARE(found ? QuestionBank::formatName(*found) : u"none"_s, text("format"));
    }

    void comparesAndReportsAsTheImportDoes()
    {
        QCOMPARE(QuestionBank::normalisedText(u"  Which\tOSI\n layer   IS it? "_s), u"which osi layer is it?"_s);
        QCOMPARE(QuestionBank::normalisedText(u"ÉTÉ Σ"_s), QuestionBank::normalisedText(u"été σ"_s));
        QCOMPARE(QuestionBank::normalisedText(u"Cafe\u0301"_s), QuestionBank::normalisedText(u"Café"_s));
        QCOMPARE(QuestionBank::formatFromName(u"xml"_s), Format::MoodleXml);
        QVERIFY(!QuestionBank::formatFromName(u"docx"_s));
        QCOMPARE(QuestionBank::write({}, Format::Json), QByteArray("[]\n"));
        QCOMPARE(QuestionBank::fileFilters(), linesOf(u"bank/expected/file-filters.txt"_s));
    }

    // Written in a format and read back, questions come back up to what the format holds; a pool file
    // written as JSON is the file again, byte for byte.
    void roundTripsEveryFormat_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<Format>("format");
        const TestSupport::CaseTable banks = TestSupport::caseTable(u"bank/read.tsv"_s);
        QStringList sources = m_pool;
        for (const QStringList &row : banks.rows) {
            if (banks.value(row, u"roundtrip"_s) == u"yes"_s)
                sources << bank(banks.value(row, u"file"_s));
        }
        for (const QString &source : sources) {
            for (const Format format : QuestionBank::kFormats)
                QTest::addRow(
                    "%s to %s", qPrintable(QFileInfo(source).fileName()), qPrintable(QuestionBank::formatName(format)))
                    << source << format;
        }
    }

    void roundTripsEveryFormat()
    {
        QFETCH(QString, source);
        QFETCH(Format, format);
        const QByteArray bytes = bytesOf(source);
        const std::vector<BankQuestion> questions
            = QuestionBank::read(bytes, *QuestionBank::detect(bytes, source)).questions;
        QVERIFY(!questions.empty());
        const bool pool = m_pool.contains(source);
        if (pool) // every question of the file
            QCOMPARE(questions.size(), size_t(QJsonDocument::fromJson(bytes).array().size()));
        const QByteArray written = QuestionBank::write(questions, format);
        if (pool && format == Format::Json)
            QVERIFY(written == bytes);
        QCOMPARE(QuestionBank::detect(written, QString()), format);
        const BankReadResult back = QuestionBank::read(written, format);
        QCOMPARE(back.errors, QStringList());
        QCOMPARE(back.warnings, QStringList());
        QCOMPARE(QuestionBank::skippedReport(back.skippedByKind), QString());
        // Aiken holds one right answer: a question of several is left out (tellsWhatAikenCannotHold).
        std::vector<BankQuestion> held;
        std::copy_if(questions.begin(), questions.end(), std::back_inserter(held),
            [format](const BankQuestion &q) { return format != Format::Aiken || !q.hasSeveralAnswers(); });
        QCOMPARE(back.questions.size(), held.size());
        for (size_t i = 0; i < held.size(); ++i)
            QCOMPARE(kept(back.questions[i], format), kept(held[i], format));
    }

    void writesTextsTheirFormatMustEscape_data() { TestSupport::addCases(u"bank/escape.tsv"_s); }
    // Texts that use what each format takes for markup, through every writer and back; the lines that
    // Aiken would read as markup start with a no-break space.
    void writesTextsTheirFormatMustEscape()
    {
        BankQuestion q;
        q.id = u"x-1"_s;
        q.question = text("question");
        q.categoryPath = text("path").split(u'\n', Qt::SkipEmptyParts);
        for (const char *column : {"a", "b", "c", "d"})
            q.choice(column[0] - 'a') = text(column);
        q.correct = text("correct");
        q.explanation = text("explanation");
        const QString aiken = text("aiken");
        for (const Format format : QuestionBank::kFormats) {
            const BankReadResult back = QuestionBank::read(QuestionBank::write({q}, format), format);
            QCOMPARE(back.errors, QStringList());
            QCOMPARE(back.questions.size(), size_t(1));
            if (format == Format::Aiken && !aiken.isEmpty())
                QCOMPARE(back.questions.front().question, aiken);
            else
                QCOMPARE(kept(back.questions.front(), format), kept(q, format));
        }
    }

    // An import's report names each file's format and what it leaves out; a file of faults stops the
    // import unless the person takes the good ones.
    void describesEachFileOfAnImport()
    {
        std::vector<BankImport::File> files;
        for (const QString &name : {u"duplicates.gift"_s, u"databases.xml"_s, u"aiken-errors.txt"_s, u"notes.dat"_s})
            files.push_back(BankImport::readFile(bank(name)));
        QCOMPARE(files[3].howRead(), u"not read"_s);
        const BankImport::Plan plan = BankImport::plan(files, {u"Database Basic"_s, {}});
        QCOMPARE(BankImport::describe(plan), linesOf(u"bank/expected/import-report.txt"_s));
        QVERIFY(!BankImport::canImport(plan, false));
        QVERIFY(BankImport::canImport(plan, true));
    }

    // Aiken holds no explanation and no category, a choice on one line and one right answer: an
    // export says, for each question, what it did not write, and leaves out a question of several.
    void tellsWhatAikenCannotHold()
    {
        std::vector<BankQuestion> questions
            = QuestionBank::read(bytesOf(bank(u"networking.gift"_s)), Format::Gift).questions;
        BankQuestion pooled;
        pooled.id = u"st-001"_s;
        pooled.question = u"Q?"_s;
        pooled.a = u"one"_s;
        pooled.b = u"two\nlines"_s;
        pooled.correct = u"A"_s;
        pooled.explanation = u"Why."_s;
        questions.push_back(pooled);
        QStringList warnings;
        const QByteArray written = QuestionBank::write(questions, Format::Aiken, &warnings);
        QCOMPARE(written, QuestionBank::write(questions, Format::Aiken));
        QCOMPARE(warnings, linesOf(u"bank/expected/aiken-warnings.txt"_s));
        // GIFT and Moodle XML hold all of it.
        for (const Format format : {Format::Gift, Format::MoodleXml}) {
            QStringList none;
            QuestionBank::write(questions, format, &none);
            QCOMPARE(none, QStringList());
        }
    }

    // Imported, a fifth and sixth choice go into E and F, several right letters into CorrectAnswer;
    // exported, each is as read. (A duplicate whatever its choices' order: tst_poolstore.)
    void importsFiveSixAndSeveralIntoTheFile()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath(u"Exam.mdb"_s);
        TestSupport::buildDatabase(db, {0, 0, 0, 0, 0, 1});
        const BankImport::File file = BankImport::readFile(bank(u"choices.gift"_s));
        const BankImport::Plan plan = BankImport::plan({file}, {});
        QVERIFY(BankImport::canImport(plan, false));
        PoolStore::Report report;
        QString error;
        QVERIFY2(BankImport::apply(db, plan, &report, &error), qPrintable(error));
        QCOMPARE(report.added, 4);
        // The texts come back through the export below; here, the empty choices are NULL.
        QCOMPARE(TestSupport::query(db, u"SELECT CorrectAnswer, E IS NULL, F IS NULL FROM Q_A ORDER BY QID"_s),
            (QuestionCases::Rows{{u"A"_s, 1, 1}, {u"B"_s, 0, 1}, {u"D"_s, 0, 0}, {u"AC"_s, 1, 1}, {u"ACE"_s, 0, 0}}));

        std::vector<BankQuestion> exported;
        QVERIFY2(BankImport::poolQuestions(db, {u"Networking Basic"_s}, &exported, &error), qPrintable(error));
        QCOMPARE(exported.size(), size_t(5));
        // Neither the line, the id nor the bank's category path is the pool's.
        const auto content = [](BankQuestion q) {
            q.id.clear();
            q.categoryPath.clear();
            return kept(q, Format::Gift);
        };
        for (size_t i = 0; i < file.read.questions.size(); ++i)
            QCOMPARE(content(exported[i + 1]), content(file.read.questions[i]));
    }
};

QTEST_GUILESS_MAIN(tst_bank)
#include "tst_bank.moc"
