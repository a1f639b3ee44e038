#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "TestSupport.h"
#include "data/Recordset.h"
#include "exam/frmExam.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/Clock.h"
#include "shell/ClockTimer.h"
#include "shell/GenModule.h"
#include "shell/MessageBox.h"
#include "shell/SystemBeep.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using TestSupport::query;
using TestSupport::scalar;

// Drives the exam screen as a candidate would and checks what is stored.
class tst_exam final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void setUpRules();
    void blankNames();
    void divisions_data();
    void divisions();
    void clockPanel_data();
    void clockPanel();
    void timeOver();
    void navigationAndStatus();
    void answeringStoresTheRow();
    void trueFalseDisablesCAndD();
    void scoringComparesCaseButNotBlanks();
    void shortageIsRefusedBeforeAnythingChanges_data();
    void shortageIsRefusedBeforeAnythingChanges();
    void storageFailures_data();
    void storageFailures();
    void failedAnswerWriteIsReportedOnce();
    void closingWithoutExamScoresNothing();
    void reviewDuringExam();

private:
    void openProgram(const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse = {});
    void startExam(const QString &name, const QList<int> &categories, int countIndex = 0);
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickCommand(int index) { click(m_exam->Command1(index)); }
    QList<int> storedQids(qint32 examId) const;
    void verifyInSetUp() const;
    QString dbPath() const { return m_program->dbPath(); }
    QVariant result(qint32 examId) const
    {
        return m_program->scalar(QStringLiteral("SELECT ExamResult FROM ExamTitle WHERE ExamID = %1").arg(examId));
    }
    int count(const QString &sql) const { return m_program->scalar(QStringLiteral("SELECT count(*) ") + sql).toInt(); }

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QPointer<frmExam> m_exam;
};

void tst_exam::init()
{
    TestSupport::resetProgramState();
    m_program = std::make_unique<TestSupport::Program>();
}

void tst_exam::cleanup()
{
    m_program.reset();
}

void tst_exam::openProgram(const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse)
{
    m_program->build(counts, trueFalse);
    m_window = m_program->start();
    m_window->menuForm()->OpenScreen(0);
    m_exam = m_window->examForm();
    QVERIFY(m_exam);
}

void tst_exam::startExam(const QString &name, const QList<int> &categories, int countIndex)
{
    QTest::keyClicks(m_exam->Text1(0), name);
    for (int c : categories)
        click(m_exam->chkCategory(c));
    click(m_exam->optTask(countIndex));
    clickCommand(0);
}

QList<int> tst_exam::storedQids(qint32 examId) const
{
    QList<int> qids;
    for (const QVariantList &row :
        query(dbPath(), QStringLiteral("SELECT QID FROM ExamDetails WHERE ExamID = %1 ORDER BY DetailID").arg(examId)))
        qids.append(row.at(0).toInt());
    return qids;
}

// Nothing stored, the set-up controls usable, the clock stopped.
void tst_exam::verifyInSetUp() const
{
    QCOMPARE(count(QStringLiteral("FROM ExamTitle")) + count(QStringLiteral("FROM ExamDetails")), 0);
    QVERIFY(m_exam->Frame1(0)->isEnabled() && m_exam->Frame1(1)->isEnabled() && m_exam->Frame1(3)->isHidden());
    QVERIFY(m_exam->Command1(0)->isEnabled() && !m_exam->Command1(1)->isEnabled());
    QVERIFY(!m_exam->Timer1()->isActive());
    QCOMPARE(m_exam->Label1(10)->text(), QString());
    QCOMPARE(m_exam->windowTitle(), QStringLiteral(" Set New Exam"));
}

void tst_exam::setUpRules()
{
    openProgram({10, 10, 10, 10, 10, 10});
    TestSupport::screenshot(m_window, QStringLiteral("exam-setup"));
    QCOMPARE(m_exam->windowTitle(), QStringLiteral(" Set New Exam"));
    QVERIFY(m_exam->optTask(0)->isChecked());
    QCOMPARE(gNumOfQuestions, 10);
    for (int i : {0, 1, 4})
        QVERIFY(!m_exam->Command1(i)->isEnabled());
    QVERIFY(m_exam->Frame1(3)->isHidden());
    click(m_exam->optTask(2));
    click(m_exam->optTask(1));
    QCOMPARE(gNumOfQuestions, 30);

    // Each step: the box clicked, then the boxes ticked and whether Start Exam is enabled.
    const QList<std::tuple<int, QList<int>, bool>> steps{{0, {0}, true}, {0, {}, false}, {2, {2}, true},
        {4, {2, 4}, true}, {2, {4}, true}, {0, {0, 4}, true}, {1, {0, 1, 4}, true}, {6, {6}, true}, {3, {3}, true},
        {6, {6}, true}, {6, {}, false}};
    for (const auto &[box, ticked, startEnabled] : steps) {
        click(m_exam->chkCategory(box));
        QList<int> on;
        for (int i = 0; i < 7; ++i)
            if (m_exam->chkCategory(i)->isChecked())
                on << i;
        QCOMPARE(on, ticked);
        QCOMPARE(m_exam->Command1(0)->isEnabled(), startEnabled);
    }
}

void tst_exam::blankNames()
{
    openProgram({10, 10, 10, 10, 10, 10});
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_exam->Text1(0)->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(m_exam->Text1(0), QStringLiteral("   "));
    QTest::keyClick(m_exam->Text1(0), Qt::Key_Tab);
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().text, QStringLiteral("User name can not be blank."));
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("User Name"));
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Critical);
    QVERIFY(m_exam->Text1(0)->hasFocus());
    QCOMPARE(m_exam->Text1(0)->text(), QStringLiteral("   "));

    // Start Exam repeats the check and starts nothing.
    click(m_exam->chkCategory(0));
    clickCommand(0);
    QCOMPARE(MessageBox::shown().last().text, QStringLiteral("Please enter the name"));
    QCOMPARE(MessageBox::shown().last().title, QStringLiteral("Missing name"));
    QCOMPARE(MessageBox::shown().last().icon, MessageBox::Critical);
    verifyInSetUp();

    // With a name the focus goes on without a word.
    MessageBox::clearShown();
    m_exam->Text1(0)->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(m_exam->Text1(0), QStringLiteral("Ann"));
    QTest::keyClick(m_exam->Text1(0), Qt::Key_Tab);
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(!m_exam->Text1(0)->hasFocus());
}

void tst_exam::divisions_data()
{
    QTest::addColumn<int>("countIndex");
    QTest::addColumn<QList<int>>("categories");
    QTest::addColumn<QList<int>>("blockCategory"); // category whose range each slot lies in
    auto blocks = [](const QList<std::pair<int, int>> &runs) {
        QList<int> cells;
        for (const auto &run : runs)
            for (int i = 0; i < run.second; ++i)
                cells << run.first;
        return cells;
    };
    QTest::newRow("10 over 3") << 0 << QList<int>{0, 2, 5} << blocks({{0, 3}, {2, 3}, {5, 3}, {5, 1}});
    QTest::newRow("50 over 4") << 2 << QList<int>{1, 2, 3, 4} << blocks({{1, 12}, {2, 12}, {3, 12}, {4, 12}, {4, 2}});
    QTest::newRow("30 over 6") << 1 << QList<int>{0, 1, 2, 3, 4, 5}
                               << blocks({{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}});
    QTest::newRow("10 over six") << 0 << QList<int>{0, 1, 2, 3, 4, 5}
                                 << blocks({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {5, 4}});
    QTest::newRow("10 from one") << 0 << QList<int>{3} << blocks({{3, 10}});
    QTest::newRow("50 from all") << 2 << QList<int>{6} << blocks({{-1, 50}});
}

void tst_exam::divisions()
{
    QFETCH(int, countIndex);
    QFETCH(QList<int>, categories);
    QFETCH(QList<int>, blockCategory);
    const std::array<int, 6> counts{20, 20, 20, 20, 20, 20};
    openProgram(counts);
    // An exam dated later than now must not be taken for the new one.
    m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) "
                                   "VALUES ('Later', '2030-01-01 00:00:00', 10)"));
    const QString name = QStringLiteral("  O'Brien 'Jr.''  ");
    startExam(name, categories, countIndex);
    QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
    const qint32 examId = m_exam->examId();
    QCOMPARE(examId, 2);
    QCOMPARE(gExamID, examId);
    QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE ExamID = 1")), 0);
    const QList<int> qids = storedQids(examId);
    QCOMPARE(qids.size(), blockCategory.size());
    QCOMPARE(QSet<int>(qids.begin(), qids.end()).size(), qids.size());
    for (int s = 0; s < qids.size(); ++s) {
        const int c = blockCategory.at(s);
        const int low = c < 0 ? 1 : c * 20 + 1;
        const int high = c < 0 ? 120 : c * 20 + 20;
        QVERIFY2(qids.at(s) >= low && qids.at(s) <= high, qPrintable(QStringLiteral("slot %1").arg(s + 1)));
    }
    const QString sql = QStringLiteral("SELECT NumOfQuestions, ExamDate, ExamResult FROM ExamTitle WHERE ExamID = %1");
    QCOMPARE(query(dbPath(), sql.arg(examId)).first(),
             (QVariantList{blockCategory.size(), QStringLiteral("2026-12-04 00:30:00"), QVariant()}));
    // The name is stored exactly as typed, in the title and in every question row.
    const QList<QVariantList> names = query(dbPath(), QStringLiteral("SELECT UserName FROM ExamTitle WHERE ExamID = %1 "
                                                                     "UNION SELECT UserName FROM ExamDetails WHERE ExamID = %1").arg(examId));
    QCOMPARE(names, QList<QVariantList>{{name}});
    QCOMPARE(m_exam->windowTitle(), QStringLiteral(" Exam: ") + name);
}

void tst_exam::clockPanel_data()
{
    QTest::addColumn<int>("countIndex");
    QTest::addColumn<QString>("duration");
    QTest::addColumn<QString>("timeLeft");
    QTest::addColumn<QString>("afterOneTick");
    QTest::newRow("10") << 0 << "12 minutes" << "12:00" << "11:59";
    QTest::newRow("30") << 1 << "36 minutes" << "36:00" << "35:59";
    QTest::newRow("50") << 2 << "60 minutes" << "59:59" << "59:58";
}

void tst_exam::clockPanel()
{
    QFETCH(int, countIndex);
    QFETCH(QString, duration);
    QFETCH(QString, timeLeft);
    QFETCH(QString, afterOneTick);
    openProgram({50, 50, 50, 50, 50, 50});
    Clock::setNow(QDateTime(QDate(2026, 12, 4), QTime(21, 5, 0)));
    startExam(QStringLiteral("Eve"), {6}, countIndex);
    QCOMPARE(m_exam->Label1(7)->text(), QStringLiteral("12/04/26"));
    QCOMPARE(m_exam->Label1(8)->text(), QStringLiteral("09:05 PM"));
    QCOMPARE(m_exam->Label1(9)->text(), duration);
    QCOMPARE(m_exam->Label1(10)->text(), timeLeft);
    QCOMPARE(m_exam->Label1(11)->text(), QString::number(gNumOfQuestions));
    QCOMPARE(m_exam->Timer1()->interval(), 1000);
    Clock::advance(1);
    QCOMPARE(m_exam->Label1(10)->text(), afterOneTick);
}

void tst_exam::timeOver()
{
    openProgram({10, 10, 10, 10, 10, 10});
    startExam(QStringLiteral("Finn"), {0});
    const qint32 examId = m_exam->examId();
    Clock::advance(90);
    QCOMPARE(m_exam->Label1(10)->text(), QStringLiteral("10:30"));
    // Paused, the clock stands still and answers can still be chosen.
    clickCommand(4);
    QCOMPARE(m_exam->Command1(4)->text(), QStringLiteral("Continue"));
    Clock::advance(30);
    QCOMPARE(m_exam->Label1(10)->text(), QStringLiteral("10:30"));
    click(m_exam->Option1(1));
    QCOMPARE(m_exam->txtFieldsText(6), QStringLiteral("B"));
    clickCommand(4);
    QCOMPARE(m_exam->Command1(4)->text(), QStringLiteral("Pause"));
    Clock::advance(629);
    QCOMPARE(m_exam->Label1(10)->text(), QStringLiteral("00:01"));
    QVERIFY(MessageBox::shown().isEmpty());
    // Ticks that arrive while the time-over box is open change nothing.
    QString shownWhileOpen;
    MessageBox::setNextAnswer(MessageBox::Ok, [&] {
        Clock::advance(5);
        shownWhileOpen = m_exam ? m_exam->Label1(10)->text() : QString();
    });
    Clock::advance(1);
    QCOMPARE(shownWhileOpen, QStringLiteral("00:00"));
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().text, QStringLiteral("The exam time is over.\n       Thank you."));
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Exam Time"));
    QCOMPARE(MessageBox::shown().first().icon, MessageBox::Critical);
    QCOMPARE(gMsgResult, QStringLiteral("1"));
    // Scored, results shown, exam screen gone.
    QVERIFY(!result(examId).isNull());
    QVERIFY(!gExamLoaded && gViewExamLoaded);
    QVERIFY(m_window->menuForm()->Command1(0)->isEnabled());
    Clock::advance(3);
    QCOMPARE(MessageBox::shown().size(), 1);
}

void tst_exam::navigationAndStatus()
{
    openProgram({10, 10, 10, 10, 10, 10});
    startExam(QStringLiteral("Hal"), {2});
    QVERIFY(m_exam->Frame1(3)->isVisible() && !m_exam->Frame1(0)->isEnabled() && !m_exam->Frame1(1)->isEnabled());
    QVERIFY(!m_exam->Command1(0)->isEnabled() && m_exam->Command1(1)->isEnabled() && m_exam->Command1(4)->isEnabled());
    QCOMPARE(m_exam->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
    QCOMPARE(m_exam->Label1(11)->text(), QStringLiteral("10"));
    clickCommand(3);
    QCOMPARE(SystemBeep::count(), 1);
    QCOMPARE(m_exam->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
    clickCommand(5);
    clickCommand(5);
    QCOMPARE(m_exam->lblStatus()->text(), QStringLiteral("Question: 3 of 10"));
    QCOMPARE(m_exam->rsExam()->AbsolutePosition(), 3);
    clickCommand(6);
    QCOMPARE(m_exam->lblStatus()->text(), QStringLiteral("Question: 10 of 10"));
    clickCommand(5);
    QCOMPARE(SystemBeep::count(), 2);
    QCOMPARE(m_exam->lblStatus()->text(), QStringLiteral("Question: 10 of 10"));
    clickCommand(2);
    QCOMPARE(m_exam->lblStatus()->text(), QStringLiteral("Question: 1 of 10"));
    // The shown question is the current row's.
    QCOMPARE(m_exam->txtFieldsText(0), m_exam->rsExam()->Fields(QStringLiteral("Question")).toString());
    QCOMPARE(m_exam->txtFieldsText(7), QStringLiteral("Database Basic"));
}

void tst_exam::answeringStoresTheRow()
{
    openProgram({10, 10, 10, 10, 10, 10});
    startExam(QStringLiteral("Ida"), {0});
    const qint32 examId = m_exam->examId();
    const qlonglong firstDetail = m_exam->rsExam()->Fields(QStringLiteral("DetailID")).toLongLong();
    click(m_exam->Option1(2));
    QCOMPARE(m_exam->txtFieldsText(6), QStringLiteral("C"));
    QVERIFY(m_exam->Check1()->isChecked());
    QVERIFY(m_exam->Option1(2)->isChecked());
    // Stored when the cursor leaves the row; the count then drops by one.
    clickCommand(5);
    const QVariantList row = query(
        dbPath(), QStringLiteral("SELECT Answer, Answered FROM ExamDetails WHERE DetailID = %1").arg(firstDetail))
                                 .first();
    QCOMPARE(row.at(0).toString(), QStringLiteral("C"));
    QVERIFY(row.at(1).toInt() != 0);
    QCOMPARE(m_exam->Label1(11)->text(), QStringLiteral("9"));
    QVERIFY(!m_exam->Option1(2)->isChecked()); // the next question is unanswered
    // Changing an answer replaces it and leaves the count alone.
    clickCommand(3);
    QVERIFY(m_exam->Option1(2)->isChecked());
    const auto correctOption = [this] {
        return m_exam->Option1(
            QStringLiteral("ABCD").indexOf(m_exam->rsExam()->Fields(QStringLiteral("CorrectAnswer")).toString()));
    };
    click(correctOption());
    clickCommand(5);
    QCOMPARE(count(QStringLiteral("FROM ExamDetails d JOIN Q_A q ON q.QID = d.QID WHERE d.Answer = q.CorrectAnswer "
                                  "AND d.DetailID = %1").arg(firstDetail)),
             1);
    QCOMPARE(m_exam->Label1(11)->text(), QStringLiteral("9"));
    TestSupport::screenshot(m_window, QStringLiteral("exam-running"));
    // The answer on screen when the exam ends counts too.
    clickCommand(6);
    click(correctOption());
    clickCommand(1);
    QCOMPARE(result(examId).toInt(), 2);
}

void tst_exam::trueFalseDisablesCAndD()
{
    // Networking questions 1..10 are all true/false; Software Testing ones have four choices.
    openProgram({10, 0, 0, 0, 0, 10}, {0, 0, 0, 0, 0, 10});
    startExam(QStringLiteral("Jo"), {0, 5});
    bool sawTrueFalse = false;
    bool sawFourChoice = false;
    for (int i = 0; i < 10; ++i) {
        const bool trueFalse = m_exam->txtFieldsText(3).isEmpty();
        QCOMPARE(m_exam->Option1(2)->isEnabled(), !trueFalse);
        QCOMPARE(m_exam->Option1(3)->isEnabled(), !trueFalse);
        QVERIFY(m_exam->Option1(0)->isEnabled());
        sawTrueFalse = sawTrueFalse || trueFalse;
        sawFourChoice = sawFourChoice || !trueFalse;
        clickCommand(5);
    }
    QVERIFY(sawTrueFalse && sawFourChoice);
}

void tst_exam::scoringComparesCaseButNotBlanks()
{
    openProgram({10, 10, 10, 10, 10, 10});
    startExam(QStringLiteral("Kim"), {0});
    const qint32 examId = m_exam->examId();
    // Store answers behind the screen's back: the right letter in lower case for the first
    // three questions, the right letter with a trailing blank for the next two.
    const QList<QVariantList> rows = query(dbPath(),
        QStringLiteral("SELECT d.DetailID, q.CorrectAnswer FROM ExamDetails d "
                       "JOIN Q_A q ON q.QID = d.QID WHERE d.ExamID = %1 "
                       "ORDER BY d.DetailID")
            .arg(examId));
    for (int i = 0; i < 5; ++i) {
        const QString answer
            = i < 3 ? rows.at(i).at(1).toString().toLower() : rows.at(i).at(1).toString() + QLatin1Char(' ');
        m_program->exec(QStringLiteral("UPDATE ExamDetails SET Answer = '%1', Answered = -1 WHERE DetailID = %2")
                            .arg(answer)
                            .arg(rows.at(i).at(0).toLongLong()));
    }
    m_exam->rsExam().reset();
    clickCommand(1);
    QCOMPARE(result(examId).toInt(), 3);
    QVERIFY(!gExamLoaded && gViewExamLoaded);
}

void tst_exam::shortageIsRefusedBeforeAnythingChanges_data()
{
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QList<int>>("categories");
    QTest::addColumn<int>("countIndex");
    QTest::addColumn<QString>("message");
    QTest::newRow("one category too small")
        << QList<int>{20, 4, 20, 20, 20, 20} << QList<int>{0, 1} << 0
        << "The category \"Programming Basic\" has 4 question(s), but this exam needs 5 from it.";
    QTest::newRow("last category cannot fill the gaps")
        << QList<int>{20, 20, 3, 20, 20, 20} << QList<int>{0, 1, 2} << 0
        << "The category \"Database Basic\" has 3 question(s), but this exam needs 4 from it.";
    QTest::newRow("empty category without left-over slots")
        << QList<int>{20, 0, 20, 20, 20, 20} << QList<int>{0, 1} << 0
        << "The category \"Programming Basic\" has 0 question(s), but this exam needs 5 from it.";
    QTest::newRow("whole pool too small") << QList<int>{5, 5, 5, 5, 5, 4} << QList<int>{6} << 1
                                          << "The question pool has 29 question(s), but this exam needs 30 from it.";
}

void tst_exam::shortageIsRefusedBeforeAnythingChanges()
{
    QFETCH(QList<int>, counts);
    QFETCH(QList<int>, categories);
    QFETCH(int, countIndex);
    QFETCH(QString, message);
    openProgram({counts[0], counts[1], counts[2], counts[3], counts[4], counts[5]});
    startExam(QStringLiteral("Max"), categories, countIndex);
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY2(MessageBox::shown().first().text.startsWith(message), qPrintable(MessageBox::shown().first().text));
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Not Enough Questions"));
    verifyInSetUp();
}

void tst_exam::storageFailures_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("atStart");
    QTest::addColumn<QString>("message");
    QTest::newRow("title insert") << "BEFORE INSERT ON ExamTitle BEGIN SELECT RAISE(ABORT, 'disk is full'); END" << true
                                  << "The exam could not be stored:\n";
    QTest::newRow("detail insert") << "BEFORE INSERT ON ExamDetails WHEN (SELECT count(*) FROM ExamDetails) >= 3 "
                                      "BEGIN SELECT RAISE(ABORT, 'disk is full'); END"
                                   << true << "The exam could not be stored:\n";
    QTest::newRow("score update") << "BEFORE UPDATE ON ExamTitle BEGIN SELECT RAISE(ABORT, 'disk is full'); END"
                                  << false << "The result of the exam could not be stored:\n";
}

void tst_exam::storageFailures()
{
    QFETCH(QString, trigger);
    QFETCH(bool, atStart);
    QFETCH(QString, message);
    openProgram({10, 10, 10, 10, 10, 10});
    if (atStart)
        m_program->exec(QStringLiteral("CREATE TRIGGER failing ") + trigger);
    startExam(QStringLiteral("Ned"), {0});
    if (!atStart) {
        m_program->exec(QStringLiteral("CREATE TRIGGER failing ") + trigger);
        clickCommand(1);
        QVERIFY(gViewExamLoaded);
    }
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY(MessageBox::shown().first().text.startsWith(message));
    QVERIFY(MessageBox::shown().first().text.contains(QStringLiteral("disk is full")));
    if (!atStart)
        return;
    verifyInSetUp();
}

void tst_exam::failedAnswerWriteIsReportedOnce()
{
    openProgram({10, 10, 10, 10, 10, 10});
    startExam(QStringLiteral("Quin"), {0});
    m_program->exec(QStringLiteral("CREATE TRIGGER no_answers BEFORE UPDATE ON ExamDetails "
                                   "BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END"));
    click(m_exam->Option1(1));
    clickCommand(5);
    click(m_exam->Option1(1));
    clickCommand(5);
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().title, QStringLiteral("Answer Not Stored"));
    QVERIFY(MessageBox::shown().first().text.contains(QStringLiteral("readonly")));
    // The answer is kept and stored once the file takes writes again.
    m_program->exec(QStringLiteral("DROP TRIGGER no_answers"));
    clickCommand(2);
    QVERIFY(m_exam->Option1(1)->isChecked());
    clickCommand(5);
    clickCommand(5);
    QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE Answer = 'B'")), 2);
}

void tst_exam::closingWithoutExamScoresNothing()
{
    openProgram({10, 10, 10, 10, 10, 10});
    m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) "
                                   "VALUES ('Old', '2025-01-01 10:00:00', 10)"));
    gExamID = 1; // a stale key from earlier must not be scored again
    qobject_cast<QMdiSubWindow *>(m_exam->parentWidget())->close();
    QVERIFY(result(1).isNull());
    QVERIFY(!gExamLoaded && gViewExamLoaded);
    QVERIFY(m_window->menuForm()->Command1(0)->isEnabled());
}

void tst_exam::reviewDuringExam()
{
    openProgram({10, 10, 10, 10, 10, 10});
    m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) "
                                   "VALUES ('Old', '2025-01-01 10:00:00', 10, 4)"));
    m_program->exec(QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID, Answer) VALUES (1, 'Old', 1, 'A')"));
    startExam(QStringLiteral("Ray"), {0});
    const qint32 examId = m_exam->examId();
    click(m_exam->Option1(0));
    Clock::advance(715);
    m_window->menuForm()->OpenScreen(1);
    QPointer<frmViewExam> view = m_window->viewExamForm();
    view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
    view->Grid1_DblClick();
    QCOMPARE(gExamID, 1);
    // The time runs out while the delete question waits: nothing closes under it.
    bool examOpenWhileAsking = false;
    MessageBox::setNextAnswer(MessageBox::No, [&] {
        Clock::advance(10);
        examOpenWhileAsking = gExamLoaded && view;
    });
    view->Command1_Click(0);
    QVERIFY(examOpenWhileAsking);
    QCOMPARE(MessageBox::shown().size(), 1);
    Clock::advance(1);
    QCOMPARE(MessageBox::shown().last().title, QStringLiteral("Exam Time"));
    QVERIFY(!gExamLoaded);
    // The running exam scored itself, not the reviewed one.
    QCOMPARE(result(1).toInt(), 4);
    QVERIFY(!result(examId).isNull());
    QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE ExamID = 1")), 1);
}

QTEST_MAIN(tst_exam)
#include "tst_exam.moc"
