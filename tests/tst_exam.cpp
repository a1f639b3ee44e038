#include <QTest>
#include <QtWidgets>

#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/ClockTimer.h"
#include "core/GenModule.h"
#include "core/UserSettings.h"
#include "data/ConnectionPool.h"
#include "data/Recordset.h"
#include "data/SqliteHandle.h"
#include "exam/frmExam.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/SystemBeep.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionMapCell.h"

using TestSupport::box;
using TestSupport::click;
using TestSupport::key;
using TestSupport::query;
using TestSupport::startExam;
using namespace Qt::StringLiterals;

namespace {
QList<int> numbers(const QString &list)
{
    QList<int> out;
    for (const QString &n : list.split(u' ', Qt::SkipEmptyParts))
        out << n.toInt();
    return out;
}
int keyOf(const QString &name)
{
    return QKeySequence::fromString(name)[0].key();
}
} // namespace

// Drives the exam screen as a candidate would and checks what is stored: set-up, the clock, the
// question map, flags, the keyboard, continuing an exam a crashed run left behind, and answers
// kept while the file cannot be written.
class tst_exam final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QPointer<frmExam> m_exam;
    std::shared_ptr<SqliteHandle> m_locker; // another program's connection holding the file's write lock

    // The map's cells (1-based) marked as not stored, and negated those shown as stored that the
    // file does not hold.
    QList<int> unstoredCells() const
    {
        QList<int> cells;
        for (int i = 0; i < map()->count(); ++i) {
            const QuestionMapCell *c = map()->cell(i);
            if (c->isUnstored())
                cells << i + 1;
            else if (c->isAnswered() && storedAnswer(i + 1).isEmpty())
                cells << -(i + 1);
        }
        return cells;
    }
    // Answers the current question with the option of that index and moves to the next one.
    void answerAndMoveOn(int option)
    {
        click(m_exam->choiceOption(option));
        click(m_exam->Command1(ExamCommand::Next));
    }
    // The index of the current question's right answer, or of the one `shift` letters after it.
    int rightChoice(int shift = 0) const
    {
        return (u"ABCD"_s.indexOf(m_exam->rsExam()->Fields(u"CorrectAnswer"_s).toString()) + shift) % 4;
    }
    int qid() const { return m_exam->rsExam()->Fields(u"QID"_s).toInt(); }
    // Moves on to the first question from here whose QID is even (or odd); bounded by the exam's
    // length, as Next on the last question stays there.
    bool moveToQid(bool even)
    {
        for (int q = 0; q < 10 && (qid() % 2 == 0) != even; ++q)
            click(m_exam->Command1(ExamCommand::Next));
        return (qid() % 2 == 0) == even;
    }
    void start(const std::array<int, 6> &counts = {12, 12, 12, 12, 12, 12}, const std::array<int, 6> &tf = {})
    {
        m_program->build(counts, tf);
        m_window = m_program->start();
    }
    void openProgram(const std::array<int, 6> &counts = {12, 12, 12, 12, 12, 12}, const std::array<int, 6> &tf = {})
    {
        start(counts, tf);
        // Keys go where the focus is, and only an active window has one.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_exam = TestSupport::openExam(m_window);
        QVERIFY(m_exam);
    }
    void clickCommand(ExamCommand index) { click(m_exam->Command1(index)); }
    QString label(ExamLabel index) const { return m_exam->Label1(index)->text(); }
    QuestionMap *map() const { return m_exam->questionMap(); }
    // Each cell as a letter: '.' not answered, 'a' answered; upper case when flagged; the cell on
    // screen in brackets.
    QString mapText() const
    {
        QString text;
        for (int i = 0; i < map()->count(); ++i) {
            const QuestionMapCell *c = map()->cell(i);
            QChar mark = c->isAnswered() ? u'a' : u'.';
            if (c->isFlagged())
                mark = c->isAnswered() ? u'A' : u'F';
            text += c->isCurrent() ? u"["_s + mark + u"]"_s : QString(mark);
        }
        return text;
    }
    QString status() const { return m_exam->lblStatus()->text(); }
    int flags() const { return m_program->count(u"FROM ExamFlags"_s); }
    QVariant result(qint32 examId) const
    {
        return m_program->scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId));
    }
    QString storedAnswer(int position, qint32 examId = 0) const
    {
        return m_program
            ->scalar(u"SELECT Answer FROM ExamDetails WHERE ExamID = %1 ORDER BY DetailID LIMIT 1 OFFSET %2"_s
                         .arg(examId ? examId : m_exam->examId())
                         .arg(position - 1))
            .toString();
    }
    qint64 now() const { return Clock::now().toSecsSinceEpoch(); }
    // An unscored exam of `name` with `answers` given, left by a run that stopped `age` seconds ago.
    qint32 leftBehind(const QString &name, const QStringList &answers, int timeLeft, qint64 age)
    {
        QList<std::pair<int, QString>> rows;
        for (int i = 0; i < answers.size(); ++i)
            rows.append({i * 3 + 1, answers.at(i)});
        const qint32 examId
            = m_program->storeExam(name, u"2026-12-03 09:15:00"_s, int(answers.size()), QVariant(), rows);
        m_program->exec(u"INSERT INTO ExamProgress VALUES (%1, %2, %3, 'crashed-run')"_s.arg(examId).arg(timeLeft).arg(
            now() - age));
        return examId;
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
        QCOMPARE(label(ExamLabel::TimeLeft), QString());
        QCOMPARE(m_exam->windowTitle(), u" Set New Exam"_s);
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
    }
    void cleanup()
    {
        m_locker.reset();
        m_program.reset();
    }

    void setUpRules()
    {
        openProgram();
        TestSupport::screenshot(m_window, u"exam-setup"_s);
        QVERIFY(m_exam->optTask(ExamTask::Ten)->isChecked());
        QCOMPARE(gNumOfQuestions, 10);
        for (ExamCommand i : {ExamCommand::StartExam, ExamCommand::EndExam, ExamCommand::Pause})
            QVERIFY(!m_exam->Command1(i)->isEnabled());
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

    // The name box: blank names are refused where the focus leaves it and at Start Exam; control
    // characters never reach it, typed, pasted or inserted; it is stored exactly as it stands.
    void names()
    {
        openProgram();
        QLineEdit *name = m_exam->Text1(ExamText::User);
        name->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(name, u"   "_s);
        // A click on a label, on an empty part of a frame or on the screen's ground is no move
        // to another control.
        for (QWidget *spot : {static_cast<QWidget *>(m_exam->Label1(ExamLabel::ExamDateCaption)),
                 static_cast<QWidget *>(m_exam->Frame1(ExamFrame::Categories)),
                 m_exam->Frame1(ExamFrame::Categories)->parentWidget()}) {
            QTest::mouseClick(spot, Qt::LeftButton, {}, QPoint(2, spot->height() - 3));
            QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(spot->objectName()));
            QVERIFY(name->hasFocus());
        }
        QTest::keyClick(name, Qt::Key_Tab);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(box(0), (QVariantList{"User name can not be blank.", "User Name", MessageBox::Critical}));
        QVERIFY(name->hasFocus());
        QCOMPARE(name->text(), u"   "_s);
        startExam(m_window, QString());
        QCOMPARE(box(-1), (QVariantList{"Please enter the name", "Missing name", MessageBox::Critical}));
        verifyInSetUp();
        MessageBox::clearShown();
        name->clear();
        name->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(name, u" O'Ne"_s);
        QGuiApplication::clipboard()->setText(u"i"_s + QChar(0) + u"l\t \x1b[\x7f\u00e9\r\n"_s);
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        name->insert(QString(QChar(0)) + u"\u65e5\x1f"_s);
        QCOMPARE(name->text(), u" O'Neil [\u00e9\u65e5"_s);
        QCOMPARE(name->cursorPosition(), int(name->text().size()));
        // With a name the focus goes on without a word.
        QTest::keyClick(name, Qt::Key_Tab);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!name->hasFocus());
        startExam(m_window, QString(), {});
        QCOMPARE(m_program->scalar(u"SELECT UserName FROM ExamTitle"_s).toString(), name->text());
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE UserName = ' O''Neil [\u00e9\u65e5'"_s), 10);
        QCOMPARE(m_exam->windowTitle(), u" Exam: "_s + name->text());
    }

    // A started exam: its draw over the categories ticked, its clock panel, and its map in one row
    // up to ten questions, in two beyond, every cell inside the frame and none over another.
    void started_data() { TestSupport::addCases(u"screens/divisions.tsv"_s); }
    void started()
    {
        QFETCH(QString, countIndex);
        QFETCH(QString, categories);
        QFETCH(QString, blocks);
        QFETCH(QString, duration);
        QFETCH(QString, left);
        QFETCH(QString, later);
        QFETCH(QString, rows);
        openProgram({20, 20, 20, 20, 20, 20});
        // An exam dated later than now must not be taken for the new one.
        m_program->storeExam(u"Later"_s, u"2030-01-01 00:00:00"_s, 10);
        Clock::setNow(QDateTime(QDate(2026, 12, 4), QTime(21, 5, 0)));
        startExam(m_window, u"Eve"_s, numbers(categories), countIndex.toInt());
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QCOMPARE(std::pair(m_exam->examId(), gExamID), std::pair(2, 2));
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE ExamID = 1"_s), 0);
        const QList<QVariantList> qids
            = query(m_program->dbPath(), u"SELECT QID FROM ExamDetails WHERE ExamID = 2 ORDER BY DetailID"_s);
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
        const QString questions = QString::number(slot);
        QCOMPARE((QStringList{label(ExamLabel::ExamDate), label(ExamLabel::StartTime), label(ExamLabel::Duration),
                     label(ExamLabel::TimeLeft), label(ExamLabel::QuestionsLeft)}),
            (QStringList{u"12/04/26"_s, u"09:05 PM"_s, duration, left, questions}));
        Clock::advance(1);
        QCOMPARE(label(ExamLabel::TimeLeft), later);
        int breaks = 0;
        for (int i = 0; i + 1 < map()->count(); ++i) {
            const QRect cell = map()->cell(i)->geometry(), next = map()->cell(i + 1)->geometry();
            breaks += next.top() > cell.bottom();
            QVERIFY(next.top() > cell.bottom() || (next.top() == cell.top() && cell.right() < next.left()));
            QVERIFY(next.bottom() <= map()->height());
        }
        QCOMPARE(std::tuple(QString::number(map()->count()), map()->rows(), breaks + 1),
            std::tuple(questions, rows.toInt(), rows.toInt()));
        QWidget *frame = m_exam->Frame1(ExamFrame::Question);
        QVERIFY(map()->mapTo(frame, QPoint(map()->width(), 0)).x() <= frame->width());
        if (slot == 50)
            TestSupport::screenshot(m_window, u"exam-map-50"_s);
    }

    // The clock: the time standing still while paused (the heartbeat going on), and the time-over scoring the exam
    // once, never under an open box.
    void timeOver()
    {
        openProgram();
        m_program->storeExam(u"Old"_s, u"2025-01-01 10:00:00"_s, 10, 4, {{1, u"A"_s}});
        startExam(m_window, u"Finn"_s);
        Clock::advance(5);
        answerAndMoveOn(0);
        Clock::advance(85);
        QCOMPARE(label(ExamLabel::TimeLeft), u"10:30"_s);
        // Paused, the clock stands still, the heartbeat goes on every 30 seconds and answers can
        // still be chosen.
        clickCommand(ExamCommand::Pause);
        QCOMPARE(m_exam->Command1(ExamCommand::Pause)->text(), u"Continue"_s);
        Clock::advance(125);
        QCOMPARE(label(ExamLabel::TimeLeft), u"10:30"_s);
        QVERIFY(now() - m_program->scalar(u"SELECT Heartbeat FROM ExamProgress"_s).toLongLong() <= 30);
        QCOMPARE(m_program->scalar(u"SELECT TimeLeft FROM ExamProgress"_s).toInt(), 630);
        click(m_exam->Option1(ExamChoice::B));
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), u"B"_s);
        clickCommand(ExamCommand::Pause);
        QCOMPARE(m_exam->Command1(ExamCommand::Pause)->text(), u"Pause"_s);
        Clock::advance(629);
        QCOMPARE(label(ExamLabel::TimeLeft), u"00:01"_s);
        QVERIFY(MessageBox::shown().isEmpty());
        // The time runs out while a delete question of the results screen waits: nothing closes under it.
        QPointer<frmViewExam> view = TestSupport::openResults(m_window);
        TestSupport::review(m_window, 0);
        QCOMPARE(gExamID, 1);
        bool examOpenWhileAsking = false;
        MessageBox::setNextAnswer(MessageBox::No, [&] {
            Clock::advance(10);
            examOpenWhileAsking = gExamLoaded && view;
        });
        view->Command1_Click(ViewExamCommand::DeleteExam);
        QVERIFY(examOpenWhileAsking);
        // Ticks that arrive while the time-over box is open change nothing.
        QString shownWhileOpen;
        MessageBox::setNextAnswer(MessageBox::Ok, [&] {
            Clock::advance(5);
            shownWhileOpen = m_exam ? label(ExamLabel::TimeLeft) : QString();
        });
        Clock::advance(1);
        QCOMPARE(shownWhileOpen, u"00:00"_s);
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(
            box(1), (QVariantList{"The exam time is over.\n       Thank you.", "Exam Time", MessageBox::Critical}));
        // The running exam scored, not the reviewed one; results shown, exam screen gone.
        QCOMPARE(
            std::pair(result(1).toInt(), m_program->count(u"FROM ExamDetails WHERE ExamID = 1"_s)), std::pair(4, 1));
        QVERIFY(!result(2).isNull());
        QVERIFY(!gExamLoaded && gViewExamLoaded);
        QVERIFY(m_window->menuForm()->Command1(MenuCommand::StartExam)->isEnabled());
        Clock::advance(3);
        QCOMPARE(MessageBox::shown().size(), 2);
    }

    // A true/false question disables C and D, and their keys do nothing there.
    void trueFalseTakesAOrBOnly()
    {
        // Networking questions 1..10 are all true/false; Software Testing ones have four choices.
        openProgram({10, 0, 0, 0, 0, 10}, {0, 0, 0, 0, 0, 10});
        startExam(m_window, u"Jo"_s, {0, 5});
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

    // A start or an end the program refuses tells why; a start refused leaves the screen in set-up.
    void refusals_data() { TestSupport::addCases(u"screens/refusals.tsv"_s); }
    void refusals()
    {
        QFETCH(QString, counts);
        QFETCH(QString, categories);
        QFETCH(QString, countIndex);
        QFETCH(QString, trigger);
        QFETCH(QString, atEnd);
        QFETCH(QString, title);
        QFETCH(QString, message);
        const QList<int> c = numbers(counts);
        openProgram({c[0], c[1], c[2], c[3], c[4], c[5]});
        const QString failing
            = u"CREATE TRIGGER failing %1 BEGIN SELECT RAISE(ABORT, 'disk is full'); END"_s.arg(trigger);
        if (!trigger.isEmpty() && atEnd != u"1")
            m_program->exec(failing);
        startExam(m_window, u"Max"_s, numbers(categories), countIndex.toInt());
        if (atEnd == u"1") {
            m_program->exec(failing);
            TestSupport::endExam(m_exam);
            QVERIFY(gViewExamLoaded);
        }
        QCOMPARE(MessageBox::shown().size(), 1);
        const MessageBox::Shown shown = MessageBox::shown().first();
        QVERIFY2(shown.text.startsWith(message) && (trigger.isEmpty() || shown.text.contains(u"disk is full"_s)),
            qPrintable(shown.text));
        QCOMPARE(shown.title, title);
        if (atEnd != u"1")
            verifyInSetUp();
    }

    // Any program folder reaches its database, whatever its name holds: the whole road from the
    // menu through an exam to its results, and an exam the closing program scores on its way out.
    void wholeRoadInOddFolders_data() { TestSupport::addCases(u"screens/odd-folder-names.tsv"_s); }
    void wholeRoadInOddFolders()
    {
        QFETCH(QString, row);
        m_program = std::make_unique<TestSupport::Program>(row);
        start();
        click(m_window->menuForm()->Command1(MenuCommand::StartExam));
        m_exam = TestSupport::startExam(m_window, u"Una"_s);
        // Every question answered correctly but the first.
        for (int i = 0; i < 10; ++i)
            answerAndMoveOn(rightChoice(i == 0));
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"0"_s);
        TestSupport::endExam(m_exam);
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QVERIFY(!gExamLoaded);
        frmViewExam *view = TestSupport::review(m_window, 0);
        QCOMPARE(view->gridModel()->rowCount(), 1);
        QCOMPARE(view->gridModel()->index(0, 4).data().toString(), u"9"_s);
        QCOMPARE(view->reviewedExamId(), 1);
        QCOMPARE(view->lblStatus()->text(), u"Question: 1 of 10"_s);
        click(m_window->menuForm()->Command1(MenuCommand::StartExam));
        const qint32 examId = TestSupport::startExam(m_window, u"Quitter"_s)->examId();
        MessageBox::setNextAnswer(MessageBox::Yes);
        m_window->close();
        QCOMPARE(result(examId), 0);
        QVERIFY(!gExamLoaded && !gViewExamLoaded && !gMenuLoaded && LoadedForms().isEmpty());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().text, u"Do you want to quit?"_s);
        QVERIFY(!AppExit::requested());
    }

    // Answers, moves, the map and flags: an answer shows on the map at once and is stored when the
    // cursor leaves its row (a changed one replaced, the count of questions left following);
    // flags are stored at once; a cell's click or Return moves there; the answer on screen when the
    // exam ends counts too.
    void answersMovesMapAndFlags()
    {
        openProgram();
        // Before the start there is no exam to map, and the exam's keys are the name box's own.
        QVERIFY(!map()->isVisibleTo(m_exam));
        QCOMPARE(map()->count(), 0);
        QTest::keyClick(m_exam->Text1(ExamText::User), Qt::Key_A);
        QTest::keyClick(m_exam->Text1(ExamText::User), Qt::Key_Home);
        QCOMPARE(m_exam->Text1(ExamText::User)->text(), u"a"_s);
        QCOMPARE(SystemBeep::count(), 0);
        QVERIFY(m_exam->Command1(ExamCommand::First)->toolTip().contains(u"Home"_s));
        QCOMPARE(m_exam->Command1(ExamCommand::First)->accessibleName(), u"First question"_s);
        startExam(m_window, u"Hal"_s, {2});
        QVERIFY(m_exam->Frame1(ExamFrame::Question)->isVisible() && !m_exam->Frame1(ExamFrame::Categories)->isEnabled()
            && !m_exam->Frame1(ExamFrame::QuestionCount)->isEnabled() && map()->isVisibleTo(m_exam));
        QVERIFY(!m_exam->Command1(ExamCommand::StartExam)->isEnabled()
            && m_exam->Command1(ExamCommand::EndExam)->isEnabled()
            && m_exam->Command1(ExamCommand::Pause)->isEnabled());
        QCOMPARE(m_exam->txtFieldsText(ExamField::Question), m_exam->rsExam()->Fields(u"Question"_s).toString());
        QCOMPARE(m_exam->txtFieldsText(ExamField::Category), u"Database Basic"_s);
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"10"_s);
        QCOMPARE(mapText(), u"[.]........."_s);
        click(m_exam->Option1(ExamChoice::B));
        QVERIFY(m_exam->Check1()->isChecked());
        QCOMPARE(mapText(), u"[a]........."_s);
        QCOMPARE(storedAnswer(1), QString());
        clickCommand(ExamCommand::Next);
        QCOMPARE(mapText(), u"a[.]........"_s);
        QCOMPARE(storedAnswer(1), u"B"_s);
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"9"_s);
        QVERIFY(!m_exam->Option1(ExamChoice::B)->isChecked());
        clickCommand(ExamCommand::Previous);
        QVERIFY(m_exam->Option1(ExamChoice::B)->isChecked());
        // Changing an answer replaces it and leaves the count alone.
        const QString right = m_exam->rsExam()->Fields(u"CorrectAnswer"_s).toString();
        click(m_exam->choiceOption(rightChoice()));
        clickCommand(ExamCommand::Next);
        QCOMPARE(storedAnswer(1), right);
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"9"_s);
        // A flag is stored at once and shown; flags never change the score.
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"a[F]........"_s);
        QCOMPARE(flags(), 1);
        QVERIFY(m_exam->flagToggle()->isChecked());
        clickCommand(ExamCommand::Last);
        QVERIFY(!m_exam->flagToggle()->isChecked());
        click(m_exam->Option1(ExamChoice::A));
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"aF.......[A]"_s);
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"aF.......[a]"_s);
        QCOMPARE(flags(), 1);
        TestSupport::screenshot(m_window, u"exam-map-10"_s);
        // A click on a cell, or Return on a focused one, stores the row left and moves there.
        click(map()->cell(4));
        QCOMPARE(status(), u"Question: 5 of 10"_s);
        QCOMPARE(storedAnswer(10), u"A"_s);
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"8"_s);
        QCOMPARE(mapText(), u"aF..[.]....a"_s);
        click(m_exam->Option1(ExamChoice::D));
        map()->cell(7)->setFocus(Qt::TabFocusReason);
        key(Qt::Key_Return);
        QCOMPARE(status(), u"Question: 8 of 10"_s);
        QCOMPARE(storedAnswer(5), u"D"_s);
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"7"_s);
        // Tab from the map's cells goes on through them in order.
        key(Qt::Key_Tab);
        QVERIFY2(map()->cell(8)->hasFocus(),
            qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : u"none"_s));
        const QString eighth = m_exam->rsExam()->Fields(u"CorrectAnswer"_s).toString();
        click(m_exam->choiceOption(rightChoice()));
        TestSupport::endExam(m_exam);
        QCOMPARE(storedAnswer(8, 1), eighth);
        QCOMPARE(result(1).toInt(),
            m_program->count(u"FROM ExamDetails d JOIN Q_A q USING (QID) WHERE d.Answer = q.CorrectAnswer"_s));
        QCOMPARE(m_program->count(u"FROM ExamProgress"_s), 0);
        // The review shows the flag; deleting the exam takes its flags with it (the review session
        // suite counts flags through their exam's questions, so it cannot see ones left behind).
        frmViewExam *view = TestSupport::review(m_window, 0);
        for (const bool flagged : {false, true, false}) {
            QCOMPARE(view->lblFlagged()->isVisibleTo(view), flagged);
            click(view->Command1(ViewExamCommand::Next));
        }
        MessageBox::setNextAnswer(MessageBox::Yes);
        view->Command1_Click(ViewExamCommand::DeleteExam);
        QCOMPARE(flags() + m_program->count(u"FROM ExamDetails"_s), 0);
    }

    void keysWhereverTheFocusIs_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char *focus : {"option", "question", "answer", "cell", "button"})
            QTest::newRow(focus) << QString::fromLatin1(focus);
    }
    void keysWhereverTheFocusIs()
    {
        QFETCH(QString, focus);
        openProgram();
        startExam(m_window);
        const QMap<QString, QWidget *> targets{{u"option"_s, m_exam->Option1(ExamChoice::A)},
            {u"question"_s, m_exam->txtFields(ExamField::Question)}, {u"answer"_s, m_exam->txtFields(ExamField::B)},
            {u"cell"_s, map()->cell(3)}, {u"button"_s, m_exam->Command1(ExamCommand::Next)}};
        targets.value(focus)->setFocus(Qt::TabFocusReason);
        const TestSupport::CaseTable steps = TestSupport::caseTable(u"screens/exam-keys.tsv"_s);
        for (const QStringList &step : steps.rows) {
            key(keyOf(steps.value(step, u"key"_s)));
            QCOMPARE(status(), u"Question: %1 of 10"_s.arg(steps.value(step, u"position"_s)));
            QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), steps.value(step, u"answer"_s));
            QCOMPARE(SystemBeep::count(), steps.value(step, u"beeps"_s).toInt());
        }
        QCOMPARE(std::pair(storedAnswer(1), storedAnswer(10)), std::pair(u"B"_s, u"A"_s));
        // F flags the question on screen, and again unflags it.
        key(Qt::Key_F);
        QCOMPARE(flags(), 1);
        key(Qt::Key_F);
        QCOMPARE(flags(), 0);
    }

    // Every second question gains extra choices: those show E (and F), answered by E or 5 (and
    // 6); the others keep the screen as drawn. F flags on every question.
    void fiveAndSixChoices_data() { TestSupport::addCases(u"screens/extra-choices.tsv"_s); }
    void fiveAndSixChoices()
    {
        QFETCH(QString, extra);
        QFETCH(QString, keys);
        QFETCH(QString, answers);
        openProgram();
        for (const QChar c : extra)
            m_program->exec(u"UPDATE Q_A SET %1 = 'Choice %1 of ' || QID WHERE QID % 2 = 0"_s.arg(c));
        // The question area as drawn, before any question.
        const QList<QWidget *> drawn{m_exam->txtFields(ExamField::Question), m_exam->txtFields(ExamField::Category),
            m_exam->Option1(ExamChoice::A), m_exam->Option1(ExamChoice::B), m_exam->Option1(ExamChoice::C),
            m_exam->Option1(ExamChoice::D), m_exam->txtFields(ExamField::A), m_exam->txtFields(ExamField::B),
            m_exam->txtFields(ExamField::C), m_exam->txtFields(ExamField::D), m_exam->Command1(ExamCommand::First),
            m_exam->Command1(ExamCommand::Last), m_exam->flagToggle(), map()};
        QList<QRect> drawnAt;
        for (QWidget *w : drawn)
            drawnAt << w->geometry();
        startExam(m_window);
        for (int i = 0; i < 10; ++i, click(m_exam->Command1(ExamCommand::Next))) {
            const int qid = m_exam->rsExam()->Fields(u"QID"_s).toInt();
            const int shown = qid % 2 == 0 ? 4 + int(extra.size()) : 4;
            for (int k = 0; k < 6; ++k)
                QCOMPARE(std::tuple(m_exam->choiceOption(k)->isVisibleTo(m_exam),
                             m_exam->choiceText(k)->isVisibleTo(m_exam), m_exam->chkChoice(k)->isVisibleTo(m_exam)),
                    std::tuple(k < shown, k < shown, false));
            if (shown == 4) {
                for (int w = 0; w < drawn.size(); ++w)
                    QCOMPARE(drawn.at(w)->geometry(), drawnAt.at(w));
                continue;
            }
            QCOMPARE(m_exam->txtFieldsText(static_cast<int>(ExamField::E) + shown - 5),
                u"Choice %1 of %2"_s.arg(extra.back()).arg(qid));
            // The choices share the band of four: none over another, the last above the moves.
            for (int k = 0; k < shown; ++k) {
                const QRect box = m_exam->choiceText(k)->geometry();
                QVERIFY(box.bottom()
                    < (k + 1 < shown ? m_exam->choiceText(k + 1)->y() : m_exam->Command1(ExamCommand::First)->y()));
                QVERIFY(m_exam->choiceOption(k)->y() >= box.y()
                    && m_exam->choiceOption(k)->geometry().bottom() <= box.bottom());
            }
        }
        QVERIFY(m_exam->Option1(ExamChoice::E)->toolTip().contains(u"(E or 5)"_s));
        QVERIFY(m_exam->Option1(ExamChoice::F)->toolTip().contains(u"(6)"_s));
        QCOMPARE(std::pair(m_exam->Option1(ExamChoice::F)->accessibleName(),
                     m_exam->txtFields(ExamField::F)->accessibleName()),
            std::pair(u"Choice F"_s, u"Answer F"_s));
        click(m_exam->Command1(ExamCommand::First));
        QVERIFY(moveToQid(true));
        const int position = m_exam->rsExam()->AbsolutePosition();
        if (!extra.isEmpty())
            TestSupport::screenshot(m_window, u"exam-%1choice"_s.arg(4 + extra.size()));
        const QStringList keyList = keys.split(u' ');
        const QStringList shownAfter = answers.split(u' ');
        m_exam->Option1(ExamChoice::A)->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < keyList.size(); ++i) {
            key(keyOf(keyList.at(i)));
            QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), shownAfter.at(i));
        }
        // F flags the question and leaves the answer alone.
        key(Qt::Key_F);
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), shownAfter.back());
        QCOMPARE(flags(), 1);
        click(m_exam->Command1(ExamCommand::Next));
        QCOMPARE(storedAnswer(position), shownAfter.back());
    }

    // A question of several right answers offers boxes: a key ticks and clears its box, a tick
    // beyond the number asked for is refused with a beep, and the question is answered exactly
    // while that many are ticked.
    void severalRightAnswers_data() { TestSupport::addCases(u"screens/several-right.tsv"_s); }
    void severalRightAnswers()
    {
        QFETCH(QString, correct);
        QFETCH(QString, line);
        QFETCH(QString, ticks);
        QFETCH(QString, refused);
        openProgram();
        m_program->exec(
            u"UPDATE Q_A SET CorrectAnswer = '%1', E = 'Choice E of ' || QID WHERE QID % 2 = 0"_s.arg(correct));
        startExam(m_window);
        QVERIFY2(moveToQid(true), "no question of several answers in the exam");
        const int position = m_exam->rsExam()->AbsolutePosition();
        QVERIFY(m_exam->lblChoose()->isVisibleTo(m_exam));
        QCOMPARE(m_exam->chkChoice(ExamChoice::A)->accessibleName(), u"Tick A"_s);
        QCOMPARE(m_exam->lblChoose()->text(), line);
        QVERIFY(m_exam->lblChoose()->geometry().bottom() < m_exam->txtFields(ExamField::Category)->y());
        QVERIFY(m_exam->txtFields(ExamField::Question)->geometry().bottom() < m_exam->lblChoose()->y());
        for (int k = 0; k < 5; ++k)
            QVERIFY(m_exam->chkChoice(k)->isVisibleTo(m_exam) && !m_exam->choiceOption(k)->isVisibleTo(m_exam));
        // Answered only with the last tick; the answer is the letters in order.
        m_exam->chkChoice(ExamChoice::A)->setFocus(Qt::TabFocusReason);
        const QStringList keys = ticks.split(u' ');
        for (int i = 0; i < keys.size(); ++i) {
            key(keyOf(keys.at(i)));
            QCOMPARE(mapText().count(u'a'), i + 1 == keys.size() ? 1 : 0);
        }
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), correct);
        TestSupport::screenshot(m_window, u"exam-choose%1"_s.arg(correct.size()));
        QAbstractButton *refusedBox = m_exam->chkChoice(refused.at(0).unicode() - u'A');
        key(keyOf(refused));
        QCOMPARE(SystemBeep::count(), 1);
        QVERIFY(!refusedBox->isChecked());
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), correct);
        // A mouse click beyond the number is refused alike.
        click(refusedBox);
        QCOMPARE(SystemBeep::count(), 2);
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), correct);
        click(m_exam->Command1(ExamCommand::Next));
        QCOMPARE(storedAnswer(position), correct);
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"9"_s);
        // Clearing one box makes it unanswered again, on the map and in the count.
        click(m_exam->Command1(ExamCommand::Previous));
        QAbstractButton *first = m_exam->chkChoice(correct.at(0).unicode() - u'A');
        QVERIFY(first->isChecked());
        click(first);
        QCOMPARE(m_exam->txtFieldsText(ExamField::Answer), correct.mid(1));
        QCOMPARE(mapText().count(u'a'), 0);
        click(m_exam->Command1(ExamCommand::Next));
        QCOMPARE(storedAnswer(position), correct.mid(1));
        QCOMPARE(m_program->count(u"FROM ExamDetails WHERE Answered <> 0"_s), 0);
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"10"_s);
        // A question of one right answer has its option buttons again.
        click(m_exam->Command1(ExamCommand::First));
        QVERIFY2(moveToQid(false), "no question of one answer in the exam");
        QVERIFY(!m_exam->lblChoose()->isVisibleTo(m_exam));
        QVERIFY(m_exam->Option1(ExamChoice::A)->isVisibleTo(m_exam)
            && !m_exam->chkChoice(ExamChoice::A)->isVisibleTo(m_exam));
    }

    // An exam a crashed run left behind is offered at the screen's opening: continued as it stood,
    // scored as it stands, or lost to another window that continued it while the question waited.
    void resumeOffered_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(MessageBox::Yes);
        QTest::newRow("no") << int(MessageBox::No);
        QTest::newRow("taken meanwhile") << int(MessageBox::Yes);
    }
    void resumeOffered()
    {
        QFETCH(int, answer);
        const bool taken = QTest::currentDataTag() == "taken meanwhile"_ba;
        start();
        const qint32 older = taken ? 0 : leftBehind(u"Old"_s, QStringList(10, u"A"_s), 500, 4000);
        QStringList answers(10);
        answers[0] = u"A"_s;
        answers[1] = u"C"_s;
        answers[3] = u"B"_s;
        const qint32 examId = leftBehind(u"Zoë O'Hara"_s, answers, 437, 91);
        MessageBox::setNextAnswer(answer, [&] {
            if (taken)
                m_program->exec(
                    u"UPDATE ExamProgress SET Heartbeat = %1, Token = 'other' WHERE ExamID = %2"_s.arg(now()).arg(
                        examId));
        });
        m_exam = TestSupport::openExam(m_window);
        QCOMPARE(MessageBox::shown().size(), taken ? 2 : 1);
        QCOMPARE(box(0),
            (QVariantList{u"Continue the exam of Zoë O'Hara started 2026-12-03 09:15: 10 questions, 07:17 left?"_s,
                u"Continue Exam"_s, MessageBox::Question}));
        QCOMPARE(MessageBox::shown().first().buttons, MessageBox::YesNo);
        if (answer == MessageBox::No || taken) {
            // Scored as it stands, or left to the other window; the screen stays in set-up, as
            // freshly opened: nothing ticked, so nothing to start or end yet.
            QCOMPARE(result(examId), taken ? QVariant() : QVariant(2));
            QVERIFY(m_exam->Frame1(ExamFrame::Question)->isHidden());
            QCOMPARE(std::pair(m_exam->windowTitle(), m_exam->examId()), std::pair(u" Set New Exam"_s, 0));
            QVERIFY(m_exam->Frame1(ExamFrame::Categories)->isEnabled()
                && !m_exam->Command1(ExamCommand::StartExam)->isEnabled());
            QVERIFY(!m_exam->Command1(ExamCommand::EndExam)->isEnabled());
            QVERIFY(!older || result(older).isNull());
            if (taken) {
                QCOMPARE(box(1),
                    (QVariantList{u"The exam of Zoë O'Hara has just been continued in another window."_s,
                        u"Continue Exam"_s, MessageBox::Information}));
                QCOMPARE(m_program->scalar(u"SELECT Token FROM ExamProgress"_s).toString(), u"other"_s);
            }
            return;
        }
        TestSupport::screenshot(m_window, u"exam-resumed"_s);
        QCOMPARE(m_exam->examId(), examId);
        QCOMPARE(m_exam->windowTitle(), u" Exam: Zoë O'Hara"_s);
        QCOMPARE((QStringList{label(ExamLabel::ExamDate), label(ExamLabel::StartTime), label(ExamLabel::Duration),
                     label(ExamLabel::TimeLeft), label(ExamLabel::QuestionsLeft), status()}),
            (QStringList{u"12/03/26"_s, u"09:15 AM"_s, u"12 minutes"_s, u"07:17"_s, u"7"_s, u"Question: 3 of 10"_s}));
        QCOMPARE(mapText(), u"aa[.]a......"_s);
        QVERIFY(m_exam->Timer1()->isActive() && !m_exam->Frame1(ExamFrame::Categories)->isEnabled());
        Clock::advance(2);
        QCOMPARE(label(ExamLabel::TimeLeft), u"07:15"_s);
        TestSupport::endExam(m_exam);
        QCOMPARE(result(examId).toInt(), 2);
    }

    void firstVersionDatabaseIsUpgraded()
    {
        m_program->build({12, 12, 12, 12, 12, 12});
        m_program->exec(u"DROP TABLE ExamProgress; DROP TABLE ExamFlags"_s);
        m_program->storeExam(u"Early"_s, u"2026-12-03 09:15:00"_s, 2, 1, {{1, u"A"_s}, {4, u"B"_s}});
        m_window = m_program->start();
        frmViewExam *view = TestSupport::review(m_window, 0);
        QCOMPARE(view->gridModel()->rowCount(), 1);
        QCOMPARE(m_program->count(u"FROM sqlite_master WHERE name IN ('ExamProgress', 'ExamFlags')"_s), 2);
        QCOMPARE(view->lblStatus()->text(), u"Question: 1 of 2"_s);
        m_exam = TestSupport::openExam(m_window);
        startExam(m_window);
        click(m_exam->flagToggle());
        QCOMPARE(flags(), 1);
    }

    // Another program holds the file's write lock mid-exam: the answers given meanwhile stay
    // marked on the map, the candidate is told once, and the first move after the lock is gone
    // stores them all. A second lock is told again.
    void lockedFileKeepsAnswersMarked_data()
    {
        QTest::addColumn<bool>("givenUp");
        QTest::newRow("tried again") << false;
        QTest::newRow("given up") << true;
    }
    void lockedFileKeepsAnswersMarked()
    {
        QFETCH(bool, givenUp);
        openProgram();
        ConnectionPool::setBusyTimeout(20);
        startExam(m_window);
        answerAndMoveOn(1);
        QCOMPARE(storedAnswer(1), u"B"_s);
        m_locker = TestSupport::holdWriteLock(m_program->dbPath());
        answerAndMoveOn(2);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Answer Not Stored"_s);
        QVERIFY(MessageBox::shown().first().text.startsWith(u"Your answer could not be stored:\n"_s));
        answerAndMoveOn(0);
        QCOMPARE(MessageBox::shown().size(), 1); // once an outage, not at every move
        QCOMPARE(mapText(), u"aaa[.]......"_s);
        QCOMPARE(unstoredCells(), (QList<int>{2, 3}));
        QCOMPARE(map()->cell(1)->accessibleName(), u"Question 2, answered, not stored"_s);
        QVERIFY(map()->cell(1)->toolTip().contains(u"not stored"_s));
        QCOMPARE(map()->cell(0)->accessibleName(), u"Question 1"_s);
        QCOMPARE(storedAnswer(2), QString());
        TestSupport::screenshot(m_exam, u"exam-answers-not-stored"_s);

        m_locker.reset();
        click(m_exam->Command1(ExamCommand::Next));
        QCOMPARE(unstoredCells(), QList<int>());
        QCOMPARE(map()->cell(1)->accessibleName(), u"Question 2"_s);
        QCOMPARE(std::pair(storedAnswer(2), storedAnswer(3)), std::pair(u"C"_s, u"A"_s));
        QCOMPARE(MessageBox::shown().size(), 1);

        // A new lock after answers were stored again is a new outage, told again.
        m_locker = TestSupport::holdWriteLock(m_program->dbPath());
        answerAndMoveOn(3);
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown().last().title, u"Answer Not Stored"_s);
        QCOMPARE(unstoredCells(), QList<int>{5});
        // End Exam never scores while an answer is not stored, the one on screen included: tried
        // again still locked, then either once the lock is gone, storing the answers before scoring,
        // or given up, which ends the program with the exam kept for the next start.
        click(m_exam->Option1(ExamChoice::D));
        const qint32 examId = m_exam->examId();
        QVariantList scoredWhileAsked;
        MessageBox::setNextAnswer(MessageBox::Yes, [&] { scoredWhileAsked << result(examId); });
        MessageBox::setNextAnswer(givenUp ? MessageBox::No : MessageBox::Yes, [&] {
            scoredWhileAsked << result(examId);
            if (!givenUp)
                m_locker.reset();
        });
        TestSupport::endExam(m_exam);
        QCOMPARE(MessageBox::shown().size(), 4);
        for (const MessageBox::Shown &shown : MessageBox::shown().mid(2)) {
            QCOMPARE(shown.title, u"Answers Not Stored"_s);
            QVERIFY2(shown.text.startsWith(u"2 answer(s) could not be stored, so the exam cannot be scored yet:\n"_s),
                qPrintable(shown.text));
            QCOMPARE(shown.buttons, MessageBox::YesNo);
        }
        QCOMPARE(scoredWhileAsked.size(), 2);
        for (const QVariant &result : scoredWhileAsked)
            QVERIFY(result.isNull());
        QCOMPARE(AppExit::requested(), givenUp);
        if (givenUp) {
            QCOMPARE(UserSettings::endedRun(), RunToken());
            QCOMPARE(unstoredCells(), (QList<int>{5, 6}));
            m_locker.reset();
            QVERIFY(result(examId).isNull());
            QCOMPARE(m_program->count(u"FROM ExamProgress WHERE ExamID = %1"_s.arg(examId)), 1);
            QCOMPARE(std::pair(storedAnswer(5, examId), storedAnswer(6, examId)), std::pair(QString(), QString()));
            return;
        }
        QCOMPARE(std::pair(storedAnswer(5, examId), storedAnswer(6, examId)), std::pair(u"D"_s, u"D"_s));
        QVERIFY(!result(examId).isNull());
        QCOMPARE(m_program->count(u"FROM ExamProgress"_s), 0);
    }
};

QTEST_MAIN(tst_exam)
#include "tst_exam.moc"
