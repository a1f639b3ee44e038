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
using namespace Qt::StringLiterals;

namespace {
int keyOf(const QString &name)
{
    return QKeySequence::fromString(name)[0].key();
}
} // namespace

// The exam screen as a test centre: the question map, flags, the keyboard, continuing an exam a
// crashed run left behind, and answers kept while the file cannot be written.
class tst_examflow final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QPointer<frmExam> m_exam;
    std::shared_ptr<SqliteHandle> m_locker; // another program's connection holding the file's write lock

    // The map's cells (1-based) marked as not stored.
    QList<int> unstoredCells() const
    {
        QList<int> cells;
        for (int i = 0; i < map()->count(); ++i) {
            if (map()->cell(i)->isUnstored())
                cells << i + 1;
            // No cell shows an answer as stored that the file does not hold.
            const QuestionMapCell *c = map()->cell(i);
            if (c->isAnswered() && !c->isUnstored() && storedAnswer(i + 1).isEmpty())
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
    void start(const std::array<int, 6> &trueFalse = {})
    {
        m_program->build({12, 12, 12, 12, 12, 12}, trueFalse);
        m_window = m_program->start();
    }
    void openProgram()
    {
        start();
        // Keys go where the focus is, and only an active window has one.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_exam = TestSupport::openExam(m_window);
    }
    void startExam(int countIndex = 0, int category = 0)
    {
        TestSupport::startExam(m_window, u"Mia"_s, {category}, countIndex);
        QVERIFY(m_exam->rsExam());
    }
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
    QVariant resultOf(qint32 examId) const
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
    qint32 leftBehind(const QString &name, const QStringList &answers, int timeLeft, qint64 age, bool progress = true)
    {
        QList<std::pair<int, QString>> rows;
        for (int i = 0; i < answers.size(); ++i)
            rows.append({i * 3 + 1, answers.at(i)});
        const qint32 examId
            = m_program->storeExam(name, u"2026-12-03 09:15:00"_s, int(answers.size()), QVariant(), rows);
        if (progress)
            m_program->exec(
                u"INSERT INTO ExamProgress VALUES (%1, %2, %3, 'crashed-run')"_s.arg(examId).arg(timeLeft).arg(
                    now() - age));
        return examId;
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

    void mapFollowsAnswersMovesAndFlags()
    {
        openProgram();
        // Before the start there is no exam to map.
        QVERIFY(!map()->isVisibleTo(m_exam));
        QCOMPARE(map()->count(), 0);
        startExam();
        QVERIFY(map()->isVisibleTo(m_exam));
        QCOMPARE(std::pair(map()->count(), map()->rows()), std::pair(10, 1));
        QCOMPARE(mapText(), u"[.]........."_s);
        // The answer just ticked shows at once, before the row is stored.
        click(m_exam->Option1(ExamChoice::B));
        QCOMPARE(mapText(), u"[a]........."_s);
        QCOMPARE(storedAnswer(1), QString());
        click(m_exam->Command1(ExamCommand::Next));
        QCOMPARE(mapText(), u"a[.]........"_s);
        QCOMPARE(storedAnswer(1), u"B"_s);
        // A flag is stored at once and shown; flags never change the score.
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"a[F]........"_s);
        QCOMPARE(flags(), 1);
        QVERIFY(m_exam->flagToggle()->isChecked());
        click(m_exam->Command1(ExamCommand::Last));
        QVERIFY(!m_exam->flagToggle()->isChecked());
        click(m_exam->Option1(ExamChoice::A));
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"aF.......[A]"_s);
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"aF.......[a]"_s);
        QCOMPARE(flags(), 1);
        TestSupport::screenshot(m_window, u"exam-map-10"_s);
        TestSupport::endExam(m_exam);
        QVERIFY(!m_program->scalar(u"SELECT ExamResult FROM ExamTitle"_s).isNull());
        QCOMPARE(m_program->count(u"FROM ExamProgress"_s), 0);
    }

    void fiftyQuestionsInTwoRows()
    {
        openProgram();
        startExam(2, 6);
        QCOMPARE(std::pair(map()->count(), map()->rows()), std::pair(50, 2));
        QCOMPARE(map()->cell(25)->y(), map()->cell(49)->y());
        QVERIFY(map()->cell(25)->y() > map()->cell(24)->y());
        // Every cell inside the frame, none overlapping the next.
        for (int i = 0; i < 49; ++i) {
            if (i % 25 != 24)
                QVERIFY(map()->cell(i)->geometry().right() < map()->cell(i + 1)->geometry().left());
            QVERIFY(map()->cell(i)->geometry().bottom() <= map()->height());
        }
        QVERIFY(map()->mapTo(m_exam->Frame1(ExamFrame::Question), QPoint(map()->width(), 0)).x()
            <= m_exam->Frame1(ExamFrame::Question)->width());
        TestSupport::screenshot(m_window, u"exam-map-50"_s);
    }

    void jumpByClickAndKeyboardStoresTheRowLeft()
    {
        openProgram();
        startExam();
        click(m_exam->Option1(ExamChoice::C));
        click(map()->cell(4));
        QCOMPARE(status(), u"Question: 5 of 10"_s);
        QCOMPARE(storedAnswer(1), u"C"_s);
        QCOMPARE(m_exam->Label1(ExamLabel::QuestionsLeft)->text(), u"9"_s);
        QCOMPARE(mapText(), u"a...[.]....."_s);
        // Enter on a cell that has the focus.
        click(m_exam->Option1(ExamChoice::D));
        map()->cell(7)->setFocus(Qt::TabFocusReason);
        key(Qt::Key_Return);
        QCOMPARE(status(), u"Question: 8 of 10"_s);
        QCOMPARE(storedAnswer(5), u"D"_s);
        QCOMPARE(m_exam->Label1(ExamLabel::QuestionsLeft)->text(), u"8"_s);
        // Tab from the map's cells goes on through them in order.
        key(Qt::Key_Tab);
        QVERIFY2(map()->cell(8)->hasFocus(),
            qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : u"none"_s));
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
        startExam();
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
        startExam();
        int withExtra = -1;
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
            withExtra = withExtra < 0 ? i : withExtra;
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
        for (int i = 0; i < withExtra; ++i)
            click(m_exam->Command1(ExamCommand::Next));
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
        QCOMPARE(storedAnswer(qMax(withExtra, 0) + 1), shownAfter.back());
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
        startExam();
        while (m_exam->rsExam()->Fields(u"QID"_s).toInt() % 2 != 0)
            click(m_exam->Command1(ExamCommand::Next));
        const int position = m_exam->rsExam()->AbsolutePosition();
        QVERIFY(m_exam->lblChoose()->isVisibleTo(m_exam));
        QCOMPARE(m_exam->lblChoose()->text(), line);
        QVERIFY(m_exam->lblChoose()->geometry().bottom() < m_exam->txtFields(ExamField::Category)->y());
        QVERIFY(m_exam->txtFields(ExamField::Question)->geometry().bottom() < m_exam->lblChoose()->y());
        for (int k = 0; k < 5; ++k)
            QVERIFY(m_exam->chkChoice(k)->isVisibleTo(m_exam) && !m_exam->choiceOption(k)->isVisibleTo(m_exam));
        QCOMPARE(m_exam->chkChoice(ExamChoice::A)->accessibleName(), u"Tick A"_s);
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
        QCOMPARE(m_exam->Label1(ExamLabel::QuestionsLeft)->text(), u"9"_s);
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
        QCOMPARE(m_exam->Label1(ExamLabel::QuestionsLeft)->text(), u"10"_s);
        // A question of one right answer has its option buttons again.
        while (m_exam->rsExam()->Fields(u"QID"_s).toInt() % 2 == 0)
            click(m_exam->Command1(ExamCommand::Next));
        QVERIFY(!m_exam->lblChoose()->isVisibleTo(m_exam));
        QVERIFY(m_exam->Option1(ExamChoice::A)->isVisibleTo(m_exam)
            && !m_exam->chkChoice(ExamChoice::A)->isVisibleTo(m_exam));
    }

    void keysDoNothingInSetUp()
    {
        openProgram();
        m_exam->Option1(ExamChoice::A)->setFocus();
        QTest::keyClick(m_exam->Text1(ExamText::User), Qt::Key_A);
        QTest::keyClick(m_exam->Text1(ExamText::User), Qt::Key_Home);
        QCOMPARE(m_exam->Text1(ExamText::User)->text(), u"a"_s);
        QCOMPARE(SystemBeep::count(), 0);
        QVERIFY(m_exam->Command1(ExamCommand::First)->toolTip().contains(u"Home"_s));
        QCOMPARE(m_exam->Command1(ExamCommand::First)->accessibleName(), u"First question"_s);
    }

    void flagsShowInReview()
    {
        openProgram();
        startExam();
        click(m_exam->Command1(ExamCommand::Next));
        click(m_exam->flagToggle());
        TestSupport::endExam(m_exam);
        frmViewExam *view = TestSupport::review(m_window, 0);
        QVERIFY(!view->lblFlagged()->isVisibleTo(view));
        click(view->Command1(ViewExamCommand::Next));
        QVERIFY(view->lblFlagged()->isVisibleTo(view));
        click(view->Command1(ViewExamCommand::Next));
        QVERIFY(!view->lblFlagged()->isVisibleTo(view));
        // Deleting the exam takes its flags with it, in the same transaction.
        MessageBox::setNextAnswer(MessageBox::Yes);
        view->Command1_Click(ViewExamCommand::DeleteExam);
        QCOMPARE(flags() + m_program->count(u"FROM ExamDetails"_s), 0);
    }

    void heartbeatWhileRunningAndPaused()
    {
        openProgram();
        startExam();
        SetRunToken(u"this-run"_s);
        QCOMPARE(m_program->scalar(u"SELECT Heartbeat FROM ExamProgress"_s).toLongLong(), now());
        // A move's write-back carries the heartbeat in its own transaction.
        Clock::advance(5);
        answerAndMoveOn(0);
        QCOMPARE(
            m_program->scalar(u"SELECT Heartbeat || ' ' || Token || ' ' || TimeLeft FROM ExamProgress"_s).toString(),
            u"%1 this-run %2"_s.arg(now()).arg(gTimeLeft));
        // Paused, the clock stands still but the heartbeat goes on every 30 seconds.
        click(m_exam->Command1(ExamCommand::Pause));
        const int left = gTimeLeft;
        Clock::advance(125);
        QCOMPARE(gTimeLeft, left);
        QVERIFY(now() - m_program->scalar(u"SELECT Heartbeat FROM ExamProgress"_s).toLongLong() < 30);
        QCOMPARE(m_program->scalar(u"SELECT TimeLeft FROM ExamProgress"_s).toInt(), left);
    }

    void resumeOffered_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(MessageBox::Yes);
        QTest::newRow("no") << int(MessageBox::No);
    }
    void resumeOffered()
    {
        QFETCH(int, answer);
        start();
        const qint32 older = leftBehind(u"Old"_s, QStringList(10, u"A"_s), 500, 4000);
        QStringList answers(10);
        answers[0] = u"A"_s;
        answers[1] = u"C"_s;
        answers[3] = u"B"_s;
        const qint32 examId = leftBehind(u"Zoë O'Hara"_s, answers, 437, 91);
        m_exam = TestSupport::openExam(m_window, answer);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(box(0),
            (QVariantList{u"Continue the exam of Zoë O'Hara started 2026-12-03 09:15: 10 questions, 07:17 left?"_s,
                u"Continue Exam"_s, MessageBox::Question}));
        QCOMPARE(MessageBox::shown().first().buttons, MessageBox::YesNo);
        if (answer == MessageBox::No) {
            // Scored as it stands; the screen stays in set-up, as freshly opened: nothing ticked,
            // so nothing to start or end yet.
            QCOMPARE(resultOf(examId).toInt(), 2);
            QVERIFY(m_exam->Frame1(ExamFrame::Question)->isHidden());
            QCOMPARE(m_exam->windowTitle(), u" Set New Exam"_s);
            QVERIFY(m_exam->Frame1(ExamFrame::Categories)->isEnabled()
                && !m_exam->Command1(ExamCommand::StartExam)->isEnabled());
            QVERIFY(!m_exam->Command1(ExamCommand::EndExam)->isEnabled());
            QVERIFY(resultOf(older).isNull());
            return;
        }
        TestSupport::screenshot(m_window, u"exam-resumed"_s);
        QCOMPARE(m_exam->examId(), examId);
        QCOMPARE(m_exam->windowTitle(), u" Exam: Zoë O'Hara"_s);
        QCOMPARE((QStringList{m_exam->Label1(ExamLabel::ExamDate)->text(), m_exam->Label1(ExamLabel::StartTime)->text(),
                     m_exam->Label1(ExamLabel::Duration)->text(), m_exam->Label1(ExamLabel::TimeLeft)->text(),
                     m_exam->Label1(ExamLabel::QuestionsLeft)->text(), status()}),
            (QStringList{u"12/03/26"_s, u"09:15 AM"_s, u"12 minutes"_s, u"07:17"_s, u"7"_s, u"Question: 3 of 10"_s}));
        QCOMPARE(mapText(), u"aa[.]a......"_s);
        QVERIFY(m_exam->Timer1()->isActive() && !m_exam->Frame1(ExamFrame::Categories)->isEnabled());
        QCOMPARE(m_program->scalar(u"SELECT Token FROM ExamProgress WHERE ExamID = %1"_s.arg(examId)).toString(),
            RunToken());
        Clock::advance(2);
        QCOMPARE(m_exam->Label1(ExamLabel::TimeLeft)->text(), u"07:15"_s);
        TestSupport::endExam(m_exam);
        QCOMPARE(resultOf(examId).toInt(), 2);
    }

    void claimLostToAnotherWindow()
    {
        start();
        const qint32 examId = leftBehind(u"Ivo"_s, QStringList(10, QString()), 300, 200);
        // While the question waits, another window takes the exam over.
        MessageBox::setNextAnswer(MessageBox::Yes, [&] {
            m_program->exec(
                u"UPDATE ExamProgress SET Heartbeat = %1, Token = 'other' WHERE ExamID = %2"_s.arg(now()).arg(examId));
        });
        m_exam = TestSupport::openExam(m_window);
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(box(1),
            (QVariantList{u"The exam of Ivo has just been continued in another window."_s, u"Continue Exam"_s,
                MessageBox::Information}));
        QCOMPARE(m_exam->examId(), 0);
        QVERIFY(m_exam->Frame1(ExamFrame::Question)->isHidden());
        QCOMPARE(m_program->scalar(u"SELECT Token FROM ExamProgress"_s).toString(), u"other"_s);
        QVERIFY(resultOf(examId).isNull());
    }

    void firstVersionDatabaseIsUpgraded()
    {
        m_program->build({12, 12, 12, 12, 12, 12});
        m_program->exec(u"DROP TABLE ExamProgress; DROP TABLE ExamFlags"_s);
        leftBehind(u"Early"_s, {u"A"_s, u"B"_s}, 0, 0, false);
        m_program->exec(u"UPDATE ExamTitle SET ExamResult = 1"_s);
        m_window = m_program->start();
        frmViewExam *view = TestSupport::review(m_window, 0);
        QCOMPARE(view->gridModel()->rowCount(), 1);
        QCOMPARE(m_program->count(u"FROM sqlite_master WHERE name IN ('ExamProgress', 'ExamFlags')"_s), 2);
        QCOMPARE(view->lblStatus()->text(), u"Question: 1 of 2"_s);
        m_exam = TestSupport::openExam(m_window);
        startExam();
        click(m_exam->flagToggle());
        QCOMPARE(flags(), 1);
    }

    // Another program holds the file's write lock mid-exam: the answers given meanwhile stay
    // marked on the map, the candidate is told once, and the first move after the lock is gone
    // stores them all. A second lock is told again.
    void lockedFileKeepsAnswersMarked()
    {
        openProgram();
        ConnectionPool::setBusyTimeout(20);
        startExam();
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
        m_locker.reset();
        const qint32 examId = m_exam->examId();
        TestSupport::endExam(m_exam); // End Exam stores it before scoring
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(storedAnswer(5, examId), u"D"_s);
        QVERIFY(!resultOf(examId).isNull());
        QCOMPARE(m_program->count(u"FROM ExamProgress"_s), 0);
    }

    // End Exam while the file is locked never scores: it asks to try again, or to end the program
    // with the exam kept for the next start.
    void endExamWhileLocked_data()
    {
        QTest::addColumn<bool>("tryAgain");
        QTest::newRow("tried again once the lock is gone") << true;
        QTest::newRow("ended, to be continued") << false;
    }
    void endExamWhileLocked()
    {
        QFETCH(bool, tryAgain);
        openProgram();
        ConnectionPool::setBusyTimeout(20);
        startExam();
        answerAndMoveOn(1);
        m_locker = TestSupport::holdWriteLock(m_program->dbPath());
        click(m_exam->Option1(ExamChoice::D)); // on screen, not yet stored
        const qint32 examId = m_exam->examId();
        QVariantList scoredWhileAsked;
        // Tried again still locked, then again once the lock is gone; or not tried again.
        MessageBox::setNextAnswer(
            tryAgain ? MessageBox::Yes : MessageBox::No, [&] { scoredWhileAsked << resultOf(examId); });
        if (tryAgain)
            MessageBox::setNextAnswer(MessageBox::Yes, [&] {
                scoredWhileAsked << resultOf(examId);
                m_locker.reset();
            });
        TestSupport::endExam(m_exam);
        QCOMPARE(MessageBox::shown().size(), tryAgain ? 2 : 1);
        for (const MessageBox::Shown &shown : MessageBox::shown()) {
            QCOMPARE(shown.title, u"Answers Not Stored"_s);
            QVERIFY2(shown.text.startsWith(u"1 answer(s) could not be stored, so the exam cannot be scored yet:\n"_s),
                qPrintable(shown.text));
            QCOMPARE(shown.buttons, MessageBox::YesNo);
        }
        QCOMPARE(scoredWhileAsked.size(), tryAgain ? 2 : 1);
        for (const QVariant &result : scoredWhileAsked)
            QVERIFY(result.isNull());
        if (tryAgain) {
            QCOMPARE(storedAnswer(2, examId), u"D"_s);
            QVERIFY(!resultOf(examId).isNull());
            QCOMPARE(m_program->count(u"FROM ExamProgress"_s), 0);
            QVERIFY(!AppExit::requested());
            return;
        }
        // The failure road: nothing scored, the exam kept for the next start, the answer marked.
        QVERIFY(AppExit::requested());
        QCOMPARE(UserSettings::endedRun(), RunToken());
        QCOMPARE(unstoredCells(), QList<int>{2});
        m_locker.reset();
        QVERIFY(resultOf(examId).isNull());
        QCOMPARE(m_program->count(u"FROM ExamProgress WHERE ExamID = %1"_s.arg(examId)), 1);
        QCOMPARE(std::pair(storedAnswer(1), storedAnswer(2)), std::pair(u"B"_s, QString()));
    }
};

QTEST_MAIN(tst_examflow)
#include "tst_examflow.moc"
