#include <QTest>
#include <QtWidgets>

#include "QuestionCases.h"
#include "SessionCases.h"
#include "bank/QuestionBank.h"
#include "data/ExamSchema.h"
#include "exam/frmExam.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "questions/frmExportQuestions.h"
#include "questions/frmImportQuestions.h"
#include "shell/frmMain.h"

using namespace Qt::StringLiterals;
using QuestionCases::buildpool;
using QuestionCases::Rows;
using SessionCases::text;

// Question banks in and out through the File menu and vesk-buildpool's --import and --export.
class tst_questions final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;

    static QString bank(const QString &name) { return TestSupport::testData(u"bank/"_s + name); }
    // "Only the good questions", ticked where a person clicks it.
    static void takeGoodOnly(frmImportQuestions *preview)
    {
        QTest::mouseClick(preview->goodOnly(), Qt::LeftButton, {}, QPoint(5, preview->goodOnly()->height() / 2));
    }
    // A scored exam drawn from every category, with a flag, stored before the import.
    void storeExam()
    {
        frmExam *exam = TestSupport::startExam(
            m_window, u"Ana"_s, {static_cast<int>(ExamCategory::All)}, static_cast<int>(ExamTask::Thirty));
        TestSupport::click(exam->Option1(ExamChoice::B));
        TestSupport::click(exam->flagToggle());
        TestSupport::endExam(exam);
        QCOMPARE(m_program->count(u"FROM ExamDetails"_s), 30);
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
        m_program->build({8, 8, 8, 8, 8, 8});
        m_window = m_program->start();
    }
    void cleanup() { m_program.reset(); }

    void importThroughThePreview()
    {
        storeExam();
        const Rows before = QuestionCases::storedExams(m_program->dbPath());
        MessageBox::clearShown();
        FileDialog::setNextResult(bank(u"networking.gift"_s));
        m_window->findChild<QAction *>(u"mnuImport"_s)->trigger();
        QCOMPARE(FileDialog::lastTitle(), u"Import Questions"_s);
        QVERIFY(FileDialog::lastFilter().contains(u"*.gift"_s));
        auto *preview = m_window->findChild<frmImportQuestions *>();
        QVERIFY(preview);
        // "Networking" is no category of the pool: nothing is imported until it is mapped, then the good ones.
        QComboBox *choice = preview->mappingFor(u"Networking"_s);
        QVERIFY(choice);
        QVERIFY(!preview->importButton()->isEnabled());
        // The format the file was read as, and the import's report (its wording is the bank suite's).
        QVERIFY(preview->findChild<QLabel *>(u"lblFrom"_s)->text().contains(u"networking.gift, read as GIFT"_s));
        const QStringList details = preview->details()->toPlainText().split(u'\n');
        QVERIFY(details.contains(u"error: networking.gift: line 101: the answers' \"{\" is not closed by \"}\""_s));
        QVERIFY2(details.contains(u"networking.gift: read as GIFT, 10 question(s), left out:"_s),
            qPrintable(details.join(u'\n')));
        // "OSI again" asks what "OSI layers" asks with other choices: another question, not a duplicate.
        choice->setCurrentText(u"Networking Basic"_s);
        QCOMPARE(preview->counts()->item(5, 1)->text(), u"7"_s);
        QVERIFY(!preview->importButton()->isEnabled());
        takeGoodOnly(preview);
        QVERIFY(preview->importButton()->isEnabled());
        TestSupport::screenshot(preview, u"import-preview"_s);
        QCOMPARE(m_program->count(u"FROM Q_A"_s), 48); // nothing changes before Import
        QTest::mouseClick(preview->importButton(), Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Import Questions"_s);
        QVERIFY2(MessageBox::shown().first().text.contains(u"Networking Basic: 7 question(s) added"_s),
            qPrintable(MessageBox::shown().first().text));
        QCOMPARE(m_program->count(u"FROM Q_A WHERE Category = 'Networking Basic'"_s), 15);
        QCOMPARE(m_program->count(u"FROM QuestionKeys WHERE Origin = 'imported'"_s), 10);
        // Every stored exam shows the same questions, its flag with them.
        QCOMPARE(QuestionCases::storedExams(m_program->dbPath()), before);
    }

    // Nothing is imported with every category left out, when cancelled, or while an exam runs.
    void importCancelledOrRefused()
    {
        FileDialog::setNextResult(bank(u"databases.xml"_s));
        frmImportQuestions *preview = m_window->ImportQuestions();
        QVERIFY(preview);
        for (QComboBox *choice : preview->findChildren<QComboBox *>())
            choice->setCurrentText(u"Leave these out"_s);
        takeGoodOnly(preview);
        QVERIFY(preview->plan().questions.empty() && !preview->importButton()->isEnabled());
        QTest::mouseClick(preview->cancelButton(), Qt::LeftButton);
        QCOMPARE(m_program->count(u"FROM Q_A"_s), 48);
        FileDialog::setNextResult(std::nullopt);
        QCOMPARE(m_window->ImportQuestions(), nullptr);
        TestSupport::startExam(m_window, u"Ben"_s, {static_cast<int>(ExamCategory::All)});
        const int dialogs = FileDialog::shownCount();
        QCOMPARE(m_window->ImportQuestions(), nullptr);
        QCOMPARE(FileDialog::shownCount(), dialogs);
        QCOMPARE(TestSupport::box(-1),
            (QVariantList{u"Questions cannot be imported while an exam is running.\n"
                          u"Please end the exam first."_s,
                u"Import Questions"_s, MessageBox::Exclamation}));
    }

    // Exported as Aiken, which holds no explanation or category: the export says so for each question.
    void exportThroughTheDialog()
    {
        frmExportQuestions *dialog = m_window->ExportQuestions();
        QVERIFY(dialog);
        dialog->format()->setCurrentText(u"Aiken"_s);
        for (int i = 1; i < 6; ++i)
            QTest::mouseClick(dialog->category(i), Qt::LeftButton, {}, QPoint(5, 5));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"st.txt"_s);
        FileDialog::setNextResult(path);
        QTest::mouseClick(dialog->exportButton(), Qt::LeftButton);
        const QVariantList box = TestSupport::box(-1);
        const BankReadResult read = QuestionBank::read(QuestionCases::bytesOf(path), QuestionBank::Format::Aiken);
        QCOMPARE(int(read.questions.size()), 8);
        QCOMPARE(read.questions.front().question, u"Software Testing question 1"_s);
        QCOMPARE(box.mid(1), (QVariantList{u"Export Questions"_s, MessageBox::Exclamation}));
        const QStringList lines = box.value(0).toString().split(u'\n');
        QCOMPARE(lines.mid(0, 3),
            (QStringList{
                u"8 questions written to %1."_s.arg(path), QString(), u"Left out, as Aiken cannot hold it:"_s}));
        QCOMPARE(lines.filter(u": explanation and category not written: Aiken cannot hold them"_s).size(), 8);
    }

    // The pool exported and imported back into an empty pool: GIFT keeps every field and key; Aiken, a
    // category a file, warns of what it leaves out.
    void roundTripThroughTheCommandLine_data() { TestSupport::addCases(u"bank/export-formats.tsv"_s); }
    void roundTripThroughTheCommandLine()
    {
        QFETCH(QString, format);
        const bool aiken = format == u"aiken"_s;
        QTemporaryDir dir;
        const QString empty = dir.filePath(u"Exam.mdb"_s);
        QVERIFY(QFile::copy(m_program->dbPath(), empty));
        TestSupport::exec(empty, u"DELETE FROM Q_A; DELETE FROM QuestionKeys"_s);
        for (const QString &category : aiken ? ExamSchema::categories() : QStringList{QString()}) {
            const QString file = dir.filePath(category.left(2) + u"."_s + format);
            const QStringList only = aiken ? QStringList{u"--category"_s, category} : QStringList();
            const TestSupport::Run out = TestSupport::run(buildpool(),
                QStringList{u"--export"_s, format, u"--out"_s, file} + only + QStringList{m_program->dbPath()});
            QVERIFY2(out.status == 0, qPrintable(out.err));
            QCOMPARE(out.out.count(u"warning: "_s), aiken ? 8 : 0);
            const TestSupport::Run in
                = TestSupport::run(buildpool(), QStringList{u"--import"_s, file, u"--out"_s, empty} + only);
            QVERIFY2(in.status == 0, qPrintable(in.out + in.err));
        }
        const QString query = aiken
            ? u"SELECT Question, A, B, C, D, CorrectAnswer, Category FROM Q_A ORDER BY QID"_s
            : u"SELECT QID, Question, A, B, C, D, CorrectAnswer, Category, Description, StableID "
              "FROM Q_A JOIN QuestionKeys USING (QID) ORDER BY QID"_s;
        QCOMPARE(TestSupport::query(empty, query), TestSupport::query(m_program->dbPath(), query));
    }

    // The tool's import report or refusal, bank/import-commands.tsv's cases.
    void commandLineImport_data() { TestSupport::addCases(u"bank/import-commands.tsv"_s); }
    void commandLineImport()
    {
        const QByteArray before = QuestionCases::bytesOf(m_program->dbPath());
        QStringList args{u"--import"_s};
        for (const QString &file : text("files").split(u' '))
            args << bank(file);
        args << u"--out"_s << m_program->dbPath() << text("args").split(u'\n');
        TestSupport::Run run;
        for (int i = 0; i < SessionCases::number("runs"); ++i)
            run = TestSupport::run(buildpool(), args);
        QVERIFY2(run.status == SessionCases::number("status"), qPrintable(run.out + run.err));
        for (const QString &line : text("says").split(u'\n'))
            QVERIFY2((run.status == 0 ? run.out : run.err).contains(line), qPrintable(run.out + run.err));
        QCOMPARE(m_program->count(u"FROM Q_A"_s), SessionCases::number("questions"));
        if (run.status != 0)
            QVERIFY(QuestionCases::bytesOf(m_program->dbPath()) == before);
    }
};

QTEST_MAIN(tst_questions)
#include "tst_questions.moc"
