#include <QTest>
#include <QtWidgets>

#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/ClockTimer.h"
#include "core/GenModule.h"
#include "data/Recordset.h"
#include "exam/frmExam.h"
#include "platform/MessageBox.h"
#include "platform/SystemBeep.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using TestSupport::box;
using TestSupport::click;
using TestSupport::query;
using namespace Qt::StringLiterals;

namespace {
QList<int> numbers(const QString &list)
{
    QList<int> out;
    for (const QString &n : list.split(u' ', Qt::SkipEmptyParts))
        out << n.toInt();
    return out;
}
} // namespace

// Drives the exam screen as a candidate would and checks what is stored.
class tst_exam final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QPointer<frmExam> m_exam;

    void openProgram(const std::array<int, 6> &counts = {10, 10, 10, 10, 10, 10}, const std::array<int, 6> &tf = {})
    {
        m_program->build(counts, tf);
        m_window = m_program->start();
        m_exam = TestSupport::openExam(m_window);
        QVERIFY(m_exam);
    }
    void startExam(const QString &name, const QList<int> &categories = {0}, int countIndex = 0)
    {
        TestSupport::startExam(m_window, name, categories, countIndex);
    }
    void clickCommand(ExamCommand index) { click(m_exam->Command1(index)); }
    QVariant result(qint32 examId) const
    {
        return m_program->scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId));
    }
    // Nothing stored, the set-up controls usable, the clock stopped.
    void verifyInSetUp() const
    {
        QCOMPARE(m_program->count(u"FROM ExamTitle"_s) + m_program->count(u"FROM ExamDetails"_s), 0);
        QVERIFY(m_exam->Frame1(ExamFrame::Categories)->isEnabled()
            && m_exam->Frame1(ExamFrame::QuestionCount)->isEnabled()
            && m_exam->Frame1(ExamFrame::Question)->isHidden());
        QVERIFY(m_exam->Command1(ExamCommand::StartExam)->isEnabled()
            && !m_exam->Command1(ExamCommand::EndExam)->isEnabled());
        QVERIFY(!m_exam->Timer1()->isActive());
        QCOMPARE(m_exam->Label1(ExamLabel::TimeLeft)->text(), QString());
        QCOMPARE(m_exam->windowTitle(), u" Set New Exam"_s);
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
    }
    void cleanup() { m_program.reset(); }

    void setUpRules()
    {
        openProgram();
        TestSupport::screenshot(m_window, u"exam-setup"_s);
        QVERIFY(m_exam->optTask(ExamTask::Ten)->isChecked());
        QCOMPARE(gNumOfQuestions, 10);
        for (ExamCommand i : {ExamCommand::StartExam, ExamCommand::EndExam, ExamCommand::Pause})
            QVERIFY(!m_exam->Command1(i)->isEnabled());
        click(m_exam->optTask(ExamTask::Fifty));
        click(m_exam->optTask(ExamTask::Thirty));
        QCOMPARE(gNumOfQuestions, 30);
        const TestSupport::CaseTable steps = TestSupport::caseTable(u"screens/setup-ticks.tsv"_s);
        for (const QStringList &step : steps.rows) {
            click(m_exam->chkCategory(steps.value(step, u"clicked"_s).toInt()));
            QList<int> on;
            for (int i = 0; i < 7; ++i)
                if (m_exam->chkCategory(i)->isChecked())
                    on << i;
            QCOMPARE(on, numbers(steps.value(step, u"ticked"_s)));
            QCOMPARE(m_exam->Command1(ExamCommand::StartExam)->isEnabled(), steps.value(step, u"start"_s) == u"1");
        }
        // Closing the set-up screen scores nothing, not even an exam a stale key points at.
        gExamID = m_program->storeExam(u"Old"_s, u"2025-01-01 10:00:00"_s, 10);
        qobject_cast<QMdiSubWindow *>(m_exam->parentWidget())->close();
        QVERIFY(result(1).isNull());
        QVERIFY(!gExamLoaded && gViewExamLoaded);
        QVERIFY(m_window->menuForm()->Command1(MenuCommand::StartExam)->isEnabled());
    }

    void blankNames()
    {
        openProgram();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_exam->Text1(ExamText::User)->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(m_exam->Text1(ExamText::User), u"   "_s);
        // A click on a label, on an empty part of a frame or on the screen's ground is no move
        // to another control.
        for (QWidget *spot : {static_cast<QWidget *>(m_exam->Label1(ExamLabel::ExamDateCaption)),
                 static_cast<QWidget *>(m_exam->Frame1(ExamFrame::Categories)),
                 m_exam->Frame1(ExamFrame::Categories)->parentWidget()}) {
            QTest::mouseClick(spot, Qt::LeftButton, {}, QPoint(2, spot->height() - 3));
            QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(spot->objectName()));
            QVERIFY(m_exam->Text1(ExamText::User)->hasFocus());
        }
        QTest::keyClick(m_exam->Text1(ExamText::User), Qt::Key_Tab);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(box(0), (QVariantList{"User name can not be blank.", "User Name", MessageBox::Critical}));
        QVERIFY(m_exam->Text1(ExamText::User)->hasFocus());
        QCOMPARE(m_exam->Text1(ExamText::User)->text(), u"   "_s);
        // Start Exam repeats the check and starts nothing.
        startExam(QString());
        QCOMPARE(box(-1), (QVariantList{"Please enter the name", "Missing name", MessageBox::Critical}));
        verifyInSetUp();
        // With a name the focus goes on without a word.
        MessageBox::clearShown();
        m_exam->Text1(ExamText::User)->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(m_exam->Text1(ExamText::User), u"Ann"_s);
        QTest::keyClick(m_exam->Text1(ExamText::User), Qt::Key_Tab);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!m_exam->Text1(ExamText::User)->hasFocus());
    }

    void controlCharactersNeverReachTheName()
    {
        openProgram();
        QLineEdit *name = m_exam->Text1(ExamText::User);
        name->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(name, u"O'Ne"_s);
        QGuiApplication::clipboard()->setText(u"i"_s + QChar(0) + u"l\t \x1b[\x7f\u00e9\r\n"_s);
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        name->insert(QString(QChar(0)) + u"\u65e5\x1f"_s);
        QCOMPARE(name->text(), u"O'Neil [\u00e9\u65e5"_s);
        QCOMPARE(name->cursorPosition(), int(name->text().size()));
        startExam(QString());
        // Stored exactly as it stands in the box.
        QCOMPARE(m_program->scalar(u"SELECT UserName FROM ExamTitle"_s).toString(), name->text());
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE UserName = 'O''Neil [\u00e9\u65e5'"_s), 10);
    }

    void divisions_data() { TestSupport::addCases(u"screens/divisions.tsv"_s); }
    void divisions()
    {
        QFETCH(QString, countIndex);
        QFETCH(QString, categories);
        QFETCH(QString, blocks);
        openProgram({20, 20, 20, 20, 20, 20});
        // An exam dated later than now must not be taken for the new one.
        m_program->storeExam(u"Later"_s, u"2030-01-01 00:00:00"_s, 10);
        const QString name = u"  O'Brien 'Jr.''  "_s;
        startExam(name, numbers(categories), countIndex.toInt());
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QCOMPARE(std::pair(m_exam->examId(), gExamID), std::pair(2, 2));
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE ExamID = 1"_s), 0);
        const QList<QVariantList> qids
            = query(m_program->dbPath(), u"SELECT QID FROM ExamDetails WHERE ExamID = 2 ORDER BY DetailID"_s);
        QCOMPARE(m_program->count(u"FROM (SELECT DISTINCT QID FROM ExamDetails WHERE ExamID = 2)"_s), qids.size());
        int slot = 0;
        for (const QString &block : blocks.split(u' ')) {
            const int c = block.section(u':', 0, 0).toInt();
            for (int i = 0; i < block.section(u':', 1).toInt(); ++i, ++slot) {
                const int qid = qids.value(slot).value(0).toInt();
                QVERIFY2(c < 0 ? qid >= 1 && qid <= 120 : qid > c * 20 && qid <= c * 20 + 20,
                    qPrintable(u"slot %1"_s.arg(slot + 1)));
            }
        }
        QCOMPARE(qids.size(), slot);
        QCOMPARE(
            query(m_program->dbPath(), u"SELECT NumOfQuestions, ExamDate, ExamResult FROM ExamTitle WHERE ExamID = 2"_s)
                .first(),
            (QVariantList{slot, u"2026-12-04 00:30:00"_s, QVariant()}));
        // The name is stored exactly as typed, in the title and in every question row.
        QCOMPARE(query(m_program->dbPath(),
                     u"SELECT UserName FROM ExamTitle WHERE ExamID = 2 "
                     "UNION SELECT UserName FROM ExamDetails WHERE ExamID = 2"_s),
            QList<QVariantList>{{name}});
        QCOMPARE(m_exam->windowTitle(), u" Exam: "_s + name);
    }

    void clockPanel_data() { TestSupport::addCases(u"screens/clock-panel.tsv"_s); }
    void clockPanel()
    {
        QFETCH(QString, countIndex);
        QFETCH(QString, duration);
        QFETCH(QString, left);
        QFETCH(QString, later);
        openProgram({50, 50, 50, 50, 50, 50});
        Clock::setNow(QDateTime(QDate(2026, 12, 4), QTime(21, 5, 0)));
        startExam(u"Eve"_s, {6}, countIndex.toInt());
        QCOMPARE((QStringList{m_exam->Label1(ExamLabel::ExamDate)->text(), m_exam->Label1(ExamLabel::StartTime)->text(),
                     m_exam->Label1(ExamLabel::Duration)->text(), m_exam->Label1(ExamLabel::TimeLeft)->text(),
                     m_exam->Label1(ExamLabel::QuestionsLeft)->text()}),
            (QStringList{u"12/04/26"_s, u"09:05 PM"_s, duration, left, QString::number(gNumOfQuestions)}));
        QCOMPARE(m_exam->Timer1()->interval(), 1000);
        Clock::advance(1);
        QCOMPARE(m_exam->Label1(ExamLabel::TimeLeft)->text(), later);
    }

    void timeOver()
    {
        openProgram();
        startExam(u"Finn"_s);
        Clock::advance(90);
        QCOMPARE(m_exam->Label1(ExamLabel::TimeLeft)->text(), u"10:30"_s);
        // Paused, the clock stands still and answers can still be chosen.
        clickCommand(ExamCommand::Pause);
        QCOMPARE(m_exam->Command1(ExamCommand::Pause)->text(), u"Continue"_s);
        Clock::advance(30);
        QCOMPARE(m_exam->Label1(ExamLabel::TimeLeft)->text(), u"10:30"_s);
        click(m_exam->Option1(ExamChoice::B));
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), u"B"_s);
        clickCommand(ExamCommand::Pause);
        QCOMPARE(m_exam->Command1(ExamCommand::Pause)->text(), u"Pause"_s);
        Clock::advance(629);
        QCOMPARE(m_exam->Label1(ExamLabel::TimeLeft)->text(), u"00:01"_s);
        QVERIFY(MessageBox::shown().isEmpty());
        // Ticks that arrive while the time-over box is open change nothing.
        QString shownWhileOpen;
        MessageBox::setNextAnswer(MessageBox::Ok, [&] {
            Clock::advance(5);
            shownWhileOpen = m_exam ? m_exam->Label1(ExamLabel::TimeLeft)->text() : QString();
        });
        Clock::advance(1);
        QCOMPARE(shownWhileOpen, u"00:00"_s);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(
            box(0), (QVariantList{"The exam time is over.\n       Thank you.", "Exam Time", MessageBox::Critical}));
        // Scored, results shown, exam screen gone.
        QVERIFY(!result(1).isNull());
        QVERIFY(!gExamLoaded && gViewExamLoaded);
        QVERIFY(m_window->menuForm()->Command1(MenuCommand::StartExam)->isEnabled());
        Clock::advance(3);
        QCOMPARE(MessageBox::shown().size(), 1);
    }

    void navigationAndStatus()
    {
        openProgram();
        startExam(u"Hal"_s, {2});
        QVERIFY(m_exam->Frame1(ExamFrame::Question)->isVisible() && !m_exam->Frame1(ExamFrame::Categories)->isEnabled()
            && !m_exam->Frame1(ExamFrame::QuestionCount)->isEnabled());
        QVERIFY(!m_exam->Command1(ExamCommand::StartExam)->isEnabled()
            && m_exam->Command1(ExamCommand::EndExam)->isEnabled()
            && m_exam->Command1(ExamCommand::Pause)->isEnabled());
        // Each step: the command clicked, then the status and the beeps so far.
        using C = ExamCommand;
        const std::tuple<C, int, int> steps[]{{C::Previous, 1, 1}, {C::Next, 2, 1}, {C::Next, 3, 1}, {C::Last, 10, 1},
            {C::Next, 10, 2}, {C::First, 1, 2}};
        for (const auto &[command, position, beeps] : steps) {
            clickCommand(command);
            QCOMPARE(m_exam->lblStatus()->text(), u"Question: %1 of 10"_s.arg(position));
            QCOMPARE(std::pair(m_exam->rsExam()->AbsolutePosition(), SystemBeep::count()), std::pair(position, beeps));
        }
        // The shown question is the current row's.
        QCOMPARE(m_exam->txtFieldsText(ExamField::Question), m_exam->rsExam()->Fields(u"Question"_s).toString());
        QCOMPARE(m_exam->txtFieldsText(ExamField::Category), u"Database Basic"_s);
    }

    void answeringStoresTheRow()
    {
        openProgram();
        startExam(u"Ida"_s);
        QCOMPARE(m_exam->Label1(ExamLabel::QuestionsLeft)->text(), u"10"_s);
        const qlonglong firstDetail = m_exam->rsExam()->Fields(u"DetailID"_s).toLongLong();
        click(m_exam->Option1(ExamChoice::C));
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), u"C"_s);
        QVERIFY(m_exam->Check1()->isChecked() && m_exam->Option1(ExamChoice::C)->isChecked());
        // Stored when the cursor leaves the row; the count then drops by one.
        clickCommand(ExamCommand::Next);
        QCOMPARE(query(m_program->dbPath(),
                     u"SELECT Answer, Answered <> 0 FROM ExamDetails WHERE DetailID = %1"_s.arg(firstDetail))
                     .first(),
            (QVariantList{u"C"_s, 1}));
        QCOMPARE(m_exam->Label1(ExamLabel::QuestionsLeft)->text(), u"9"_s);
        QVERIFY(!m_exam->Option1(ExamChoice::C)->isChecked()); // the next question is unanswered
        // Changing an answer replaces it and leaves the count alone.
        clickCommand(ExamCommand::Previous);
        QVERIFY(m_exam->Option1(ExamChoice::C)->isChecked());
        const auto correctOption = [this] {
            return m_exam->choiceOption(u"ABCD"_s.indexOf(m_exam->rsExam()->Fields(u"CorrectAnswer"_s).toString()));
        };
        click(correctOption());
        clickCommand(ExamCommand::Next);
        QCOMPARE(m_program->count(u"FROM ExamDetails d JOIN Q_A q ON q.QID = d.QID "
                                  "WHERE d.Answer = q.CorrectAnswer AND d.DetailID = %1"_s.arg(firstDetail)),
            1);
        QCOMPARE(m_exam->Label1(ExamLabel::QuestionsLeft)->text(), u"9"_s);
        TestSupport::screenshot(m_window, u"exam-running"_s);
        // The answer on screen when the exam ends counts too.
        clickCommand(ExamCommand::Last);
        click(correctOption());
        TestSupport::endExam(m_exam);
        QCOMPARE(result(1).toInt(), 2);
    }

    // A true/false question disables C and D, and their keys do nothing there.
    void trueFalseTakesAOrBOnly()
    {
        // Networking questions 1..10 are all true/false; Software Testing ones have four choices.
        openProgram({10, 0, 0, 0, 0, 10}, {0, 0, 0, 0, 0, 10});
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        startExam(u"Jo"_s, {0, 5});
        m_exam->Option1(ExamChoice::A)->setFocus(Qt::TabFocusReason);
        int trueFalseSeen = 0;
        for (int i = 0; i < 10; ++i, clickCommand(ExamCommand::Next)) {
            const bool trueFalse = m_exam->txtFieldsText(ExamField::C).isEmpty();
            trueFalseSeen += trueFalse;
            QCOMPARE(std::tuple(m_exam->Option1(ExamChoice::A)->isEnabled(),
                         m_exam->Option1(ExamChoice::C)->isEnabled(), m_exam->Option1(ExamChoice::D)->isEnabled()),
                std::tuple(true, !trueFalse, !trueFalse));
            if (!trueFalse || trueFalseSeen > 1)
                continue;
            for (int key : {Qt::Key_C, Qt::Key_D, Qt::Key_3, Qt::Key_4})
                QTest::keyClick(m_exam->Option1(ExamChoice::A), Qt::Key(key));
            QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), QString());
            QTest::keyClick(m_exam->Option1(ExamChoice::A), Qt::Key_2);
            QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), u"B"_s);
        }
        QCOMPARE(trueFalseSeen, 5);
    }

    void shortageIsRefusedBeforeAnythingChanges_data() { TestSupport::addCases(u"screens/shortage.tsv"_s); }
    void shortageIsRefusedBeforeAnythingChanges()
    {
        QFETCH(QString, counts);
        QFETCH(QString, categories);
        QFETCH(QString, countIndex);
        QFETCH(QString, message);
        const QList<int> c = numbers(counts);
        openProgram({c[0], c[1], c[2], c[3], c[4], c[5]});
        startExam(u"Max"_s, numbers(categories), countIndex.toInt());
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown().first().text.startsWith(message), qPrintable(MessageBox::shown().first().text));
        QCOMPARE(MessageBox::shown().first().title, u"Not Enough Questions"_s);
        verifyInSetUp();
    }

    void storageFailures_data() { TestSupport::addCases(u"screens/storage-failures.tsv"_s); }
    void storageFailures()
    {
        QFETCH(QString, when);
        QFETCH(QString, atStart);
        QFETCH(QString, message);
        openProgram();
        const QString trigger = u"CREATE TRIGGER failing %1 BEGIN SELECT RAISE(ABORT, 'disk is full'); END"_s.arg(when);
        if (atStart == u"1")
            m_program->exec(trigger);
        startExam(u"Ned"_s);
        if (atStart != u"1") {
            m_program->exec(trigger);
            TestSupport::endExam(m_exam);
            QVERIFY(gViewExamLoaded);
        }
        QCOMPARE(MessageBox::shown().size(), 1);
        const QString text = MessageBox::shown().first().text;
        QVERIFY2(text.startsWith(message) && text.contains(u"disk is full"_s), qPrintable(text));
        if (atStart == u"1")
            verifyInSetUp();
    }

    // Any program folder reaches its database, whatever its name holds: start, exam, results.
    void oddFolderNames_data() { TestSupport::addCases(u"screens/odd-folder-names.tsv"_s); }
    void oddFolderNames()
    {
        QFETCH(QString, row);
        m_program = std::make_unique<TestSupport::Program>(row);
        openProgram();
        startExam(u"Una"_s);
        click(m_exam->Option1(ExamChoice::A));
        TestSupport::endExam(m_exam);
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QCOMPARE(m_program
                     ->scalar(u"SELECT UserName || ' ' || NumOfQuestions || ' ' || (ExamResult IS NOT NULL) "
                              "FROM ExamTitle"_s)
                     .toString(),
            u"Una 10 1"_s);
        frmViewExam *view = TestSupport::review(m_window, 0);
        QCOMPARE(view->gridModel()->rowCount(), 1);
        QCOMPARE(view->reviewedExamId(), 1);
        QVERIFY(!view->txtFieldsText(ViewExamField::Question).isEmpty());
        QVERIFY(!AppExit::requested());
    }

    void reviewDuringExam()
    {
        openProgram();
        m_program->storeExam(u"Old"_s, u"2025-01-01 10:00:00"_s, 10, 4, {{1, u"A"_s}});
        startExam(u"Ray"_s);
        click(m_exam->Option1(ExamChoice::A));
        Clock::advance(715);
        QPointer<frmViewExam> view = TestSupport::openResults(m_window);
        TestSupport::review(m_window, 0);
        QCOMPARE(gExamID, 1);
        // The time runs out while the delete question waits: nothing closes under it.
        bool examOpenWhileAsking = false;
        MessageBox::setNextAnswer(MessageBox::No, [&] {
            Clock::advance(10);
            examOpenWhileAsking = gExamLoaded && view;
        });
        view->Command1_Click(ViewExamCommand::DeleteExam);
        QVERIFY(examOpenWhileAsking);
        QCOMPARE(MessageBox::shown().size(), 1);
        Clock::advance(1);
        QCOMPARE(MessageBox::shown().last().title, u"Exam Time"_s);
        QVERIFY(!gExamLoaded);
        // The running exam scored itself, not the reviewed one.
        QCOMPARE(result(1).toInt(), 4);
        QVERIFY(!result(2).isNull());
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE ExamID = 1"_s), 1);
    }
};

QTEST_MAIN(tst_exam)
#include "tst_exam.moc"
