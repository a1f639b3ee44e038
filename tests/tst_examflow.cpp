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
using namespace Qt::StringLiterals;

// The exam screen as a test centre: the question map, flags, the keyboard, continuing an exam a
// crashed run left behind, and answers kept while the file cannot be written.
class tst_examflow final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QPointer<frmExam> m_exam;
    std::shared_ptr<SqliteHandle> m_locker; // another program's connection holding the file's write lock

    void lockFile() { m_locker = TestSupport::holdWriteLock(m_program->dbPath()); }
    void releaseFile() { m_locker.reset(); }
    // The map's cells (1-based) marked as not stored.
    QList<int> unstoredCells() const
    {
        QList<int> cells;
        for (int i = 0; i < map()->count(); ++i) {
            if (map()->cell(i)->isUnstored())
                cells << i + 1;
        }
        return cells;
    }
    // Cells the map shows answered whose answer is not in the file, though the map does not say so.
    QList<int> silentlyMissing() const
    {
        QList<int> cells;
        for (int i = 0; i < map()->count(); ++i) {
            const QuestionMapCell *c = map()->cell(i);
            if (c->isAnswered() && !c->isUnstored() && storedAnswer(i + 1).isEmpty())
                cells << i + 1;
        }
        return cells;
    }
    // Answers the current question with the option of that index and moves to the next one.
    void answerAndMoveOn(int option)
    {
        click(m_exam->Option1(option));
        click(m_exam->Command1(5));
    }

    void openProgram(const std::array<int, 6> &trueFalse = {})
    {
        m_program->build({12, 12, 12, 12, 12, 12}, trueFalse);
        m_window = m_program->start();
        // Keys go where the focus is, and only an active window has one.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        openExamScreen();
    }
    void openExamScreen()
    {
        m_window->menuForm()->OpenScreen(0);
        m_exam = m_window->examForm();
        QVERIFY(m_exam);
    }
    void startExam(int countIndex = 0, int category = 0)
    {
        QTest::keyClicks(m_exam->Text1(0), u"Mia"_s);
        click(m_exam->chkCategory(category));
        click(m_exam->optTask(countIndex));
        click(m_exam->Command1(0));
        QVERIFY(m_exam->rsExam());
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
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
    int scalarInt(const QString &sql) const { return m_program->scalar(sql).toInt(); }
    QString storedAnswer(int position) const
    {
        return m_program
            ->scalar(u"SELECT Answer FROM ExamDetails WHERE ExamID = %1 ORDER BY DetailID LIMIT 1 OFFSET %2"_s
                         .arg(m_exam->examId())
                         .arg(position - 1))
            .toString();
    }
    qint64 now() const { return Clock::now().toSecsSinceEpoch(); }
    // An unscored exam of `name` with `answers` given, left by a run that stopped `age` seconds ago.
    qint32 leftBehind(const QString &name, const QStringList &answers, int timeLeft, qint64 age, bool progress = true)
    {
        const QString quoted = QString(name).replace(u'\'', u"''"_s);
        m_program->exec(
            u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES ('%1', '2026-12-03 09:15:00', %2)"_s
                .arg(quoted)
                .arg(answers.size()));
        const qint32 examId = scalarInt(u"SELECT max(ExamID) FROM ExamTitle"_s);
        for (int i = 0; i < answers.size(); ++i) {
            const QString answer = answers.at(i).isEmpty() ? u"NULL"_s : u"'%1'"_s.arg(answers.at(i));
            m_program->exec(
                u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (%1, '%2', %3, %4, %5)"_s
                    .arg(examId)
                    .arg(quoted)
                    .arg(i * 3 + 1)
                    .arg(answer)
                    .arg(answers.at(i).isEmpty() ? 0 : -1));
        }
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
        releaseFile();
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
        QCOMPARE(map()->count(), 10);
        QCOMPARE(map()->rows(), 1);
        QCOMPARE(mapText(), u"[.]........."_s);
        // The answer just ticked shows at once, before the row is stored.
        click(m_exam->Option1(1));
        QCOMPARE(mapText(), u"[a]........."_s);
        QCOMPARE(storedAnswer(1), QString());
        click(m_exam->Command1(5));
        QCOMPARE(mapText(), u"a[.]........"_s);
        QCOMPARE(storedAnswer(1), u"B"_s);
        // A flag is stored at once and shown; flags never change the score.
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"a[F]........"_s);
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamFlags"_s), 1);
        QVERIFY(m_exam->flagToggle()->isChecked());
        click(m_exam->Command1(6));
        QVERIFY(!m_exam->flagToggle()->isChecked());
        click(m_exam->Option1(0));
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"aF.......[A]"_s);
        click(m_exam->flagToggle());
        QCOMPARE(mapText(), u"aF.......[a]"_s);
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamFlags"_s), 1);
        TestSupport::screenshot(m_window, u"exam-map-10"_s);
        click(m_exam->Command1(1));
        QVERIFY(!m_program->scalar(u"SELECT ExamResult FROM ExamTitle"_s).isNull());
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamProgress"_s), 0);
    }

    void fiftyQuestionsInTwoRows()
    {
        openProgram();
        startExam(2, 6);
        QCOMPARE(map()->count(), 50);
        QCOMPARE(map()->rows(), 2);
        QCOMPARE(map()->cell(25)->y(), map()->cell(49)->y());
        QVERIFY(map()->cell(25)->y() > map()->cell(24)->y());
        // Every cell inside the frame, none overlapping the next.
        for (int i = 0; i < 49; ++i) {
            if (i % 25 != 24)
                QVERIFY(map()->cell(i)->geometry().right() < map()->cell(i + 1)->geometry().left());
            QVERIFY(map()->cell(i)->geometry().bottom() <= map()->height());
        }
        QVERIFY(map()->mapTo(m_exam->Frame1(3), QPoint(map()->width(), 0)).x() <= m_exam->Frame1(3)->width());
        // A screen like a candidate's mid-way: some answered, some flagged.
        for (int i = 0; i < 17; ++i) {
            QTest::keyClick(m_exam->Option1(0), char('1' + (i * 7) % 4));
            if (i % 5 == 2)
                QTest::keyClick(m_exam->Option1(0), Qt::Key_F);
            QTest::keyClick(m_exam->Option1(0), Qt::Key_Right);
        }
        QTest::keyClick(m_exam->Option1(0), Qt::Key_Right);
        QTest::keyClick(m_exam->Option1(0), Qt::Key_F);
        QCOMPARE(mapText().count(u'a') + mapText().count(u'A'), 17);
        QCOMPARE(mapText().count(u'A') + mapText().count(u'F'), 4);
        TestSupport::screenshot(m_window, u"exam-map-50"_s);
    }

    void jumpByClickAndKeyboardStoresTheRowLeft()
    {
        openProgram();
        startExam();
        QCOMPARE(m_exam->Label1(11)->text(), u"10"_s);
        click(m_exam->Option1(2));
        click(map()->cell(4));
        QCOMPARE(status(), u"Question: 5 of 10"_s);
        QCOMPARE(storedAnswer(1), u"C"_s);
        QCOMPARE(m_exam->Label1(11)->text(), u"9"_s);
        QCOMPARE(mapText(), u"a...[.]....."_s);
        // Enter on a cell that has the focus.
        click(m_exam->Option1(3));
        map()->cell(7)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(map()->cell(7), Qt::Key_Return);
        QCOMPARE(status(), u"Question: 8 of 10"_s);
        QCOMPARE(storedAnswer(5), u"D"_s);
        QCOMPARE(m_exam->Label1(11)->text(), u"8"_s);
        // Tab from the map's cells goes on through them in order.
        QTest::keyClick(map()->cell(7), Qt::Key_Tab);
        QVERIFY2(map()->cell(8)->hasFocus(),
            qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : u"none"_s));
    }

    void keysWhereverTheFocusIs_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::newRow("option button") << u"option"_s;
        QTest::newRow("question text") << u"question"_s;
        QTest::newRow("answer text") << u"answer"_s;
        QTest::newRow("map cell") << u"cell"_s;
        QTest::newRow("picture button") << u"button"_s;
    }
    void keysWhereverTheFocusIs()
    {
        QFETCH(QString, focus);
        openProgram();
        startExam();
        QWidget *target = focus == u"option"_s ? static_cast<QWidget *>(m_exam->Option1(0))
            : focus == u"question"_s           ? m_exam->txtFields(0)
            : focus == u"answer"_s             ? m_exam->txtFields(2)
            : focus == u"cell"_s               ? static_cast<QWidget *>(map()->cell(3))
                                               : static_cast<QWidget *>(m_exam->Command1(5));
        target->setFocus(Qt::TabFocusReason);
        const auto press = [&](int key) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)); };
        // Each step: the key, then the status, the answer on screen and the beeps so far.
        const QList<std::tuple<int, int, QString, int>> steps{{Qt::Key_B, 1, u"B"_s, 0}, {Qt::Key_Left, 1, u"B"_s, 1},
            {Qt::Key_PageUp, 1, u"B"_s, 2}, {Qt::Key_Right, 2, u""_s, 2}, {Qt::Key_3, 2, u"C"_s, 2},
            {Qt::Key_D, 2, u"D"_s, 2}, {Qt::Key_End, 10, u""_s, 2}, {Qt::Key_Right, 10, u""_s, 3},
            {Qt::Key_PageDown, 10, u""_s, 4}, {Qt::Key_1, 10, u"A"_s, 4}, {Qt::Key_Home, 1, u"B"_s, 4},
            {Qt::Key_PageDown, 2, u"D"_s, 4}};
        for (const auto &[key, position, answer, beeps] : steps) {
            press(key);
            QCOMPARE(status(), u"Question: %1 of 10"_s.arg(position));
            QCOMPARE(m_exam->txtFieldsText(6), answer);
            QCOMPARE(SystemBeep::count(), beeps);
        }
        QCOMPARE(storedAnswer(1), u"B"_s);
        QCOMPARE(storedAnswer(10), u"A"_s);
        // F flags the question on screen, and again unflags it.
        press(Qt::Key_F);
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamFlags"_s), 1);
        press(Qt::Key_F);
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamFlags"_s), 0);
    }

    void trueFalseTakesAOrBOnly()
    {
        openProgram({12, 0, 0, 0, 0, 0});
        startExam();
        m_exam->Option1(0)->setFocus(Qt::TabFocusReason);
        QVERIFY(!m_exam->Option1(2)->isEnabled() && !m_exam->Option1(3)->isEnabled());
        for (int key : {Qt::Key_C, Qt::Key_D, Qt::Key_3, Qt::Key_4})
            QTest::keyClick(m_exam->Option1(0), Qt::Key(key));
        QCOMPARE(m_exam->txtFieldsText(6), QString());
        QCOMPARE(mapText(), u"[.]........."_s);
        QTest::keyClick(m_exam->Option1(0), Qt::Key_2);
        QCOMPARE(m_exam->txtFieldsText(6), u"B"_s);
    }

    // Every second question gains `extra` choices: those show E (and F), answered by E or 5 (and
    // 6); the others keep the screen as drawn. F flags on every question.
    void fiveAndSixChoices_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("answers"); // on screen after each key
        QTest::newRow("four") << QString() << QList<int>{Qt::Key_1, Qt::Key_5, Qt::Key_6, Qt::Key_E}
                              << QStringList{u"A"_s, u"A"_s, u"A"_s, u"A"_s};
        QTest::newRow("five") << u"E"_s << QList<int>{Qt::Key_5, Qt::Key_1, Qt::Key_E, Qt::Key_6}
                              << QStringList{u"E"_s, u"A"_s, u"E"_s, u"E"_s};
        QTest::newRow("six") << u"EF"_s << QList<int>{Qt::Key_6, Qt::Key_E, Qt::Key_6, Qt::Key_2}
                             << QStringList{u"F"_s, u"E"_s, u"F"_s, u"B"_s};
    }
    void fiveAndSixChoices()
    {
        QFETCH(QString, extra);
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, answers);
        openProgram();
        for (const QChar c : extra)
            m_program->exec(u"UPDATE Q_A SET %1 = 'Choice %1 of ' || QID WHERE QID % 2 = 0"_s.arg(c));
        // The question area as drawn, before any question.
        const QList<QWidget *> drawn{m_exam->txtFields(0), m_exam->txtFields(7), m_exam->Option1(0), m_exam->Option1(1),
            m_exam->Option1(2), m_exam->Option1(3), m_exam->choiceText(0), m_exam->choiceText(1), m_exam->choiceText(2),
            m_exam->choiceText(3), m_exam->Command1(2), m_exam->Command1(6), m_exam->flagToggle(), map()};
        QList<QRect> drawnAt;
        for (QWidget *w : drawn)
            drawnAt << w->geometry();
        startExam();
        int withExtra = -1;
        for (int i = 0; i < 10; ++i, click(m_exam->Command1(5))) {
            const int shown = m_exam->rsExam()->Fields(u"QID"_s).toInt() % 2 == 0 ? 4 + int(extra.size()) : 4;
            for (int k = 0; k < 6; ++k) {
                QCOMPARE(m_exam->Option1(k)->isVisibleTo(m_exam), k < shown);
                QCOMPARE(m_exam->choiceText(k)->isVisibleTo(m_exam), k < shown);
                QCOMPARE(m_exam->chkChoice(k)->isVisibleTo(m_exam), false);
            }
            if (shown == 4) {
                for (int w = 0; w < drawn.size(); ++w)
                    QCOMPARE(drawn.at(w)->geometry(), drawnAt.at(w));
                continue;
            }
            withExtra = withExtra < 0 ? i : withExtra;
            QCOMPARE(m_exam->txtFieldsText(8 + shown - 5),
                u"Choice %1 of %2"_s.arg(extra.back()).arg(m_exam->rsExam()->Fields(u"QID"_s).toInt()));
            // The choices share the band of four: none over another, the last above the moves.
            for (int k = 0; k < shown; ++k) {
                const QRect box = m_exam->choiceText(k)->geometry();
                QVERIFY(box.bottom() < (k + 1 < shown ? m_exam->choiceText(k + 1)->y() : m_exam->Command1(2)->y()));
                QVERIFY(m_exam->Option1(k)->y() >= box.y() && m_exam->Option1(k)->geometry().bottom() <= box.bottom());
            }
        }
        QVERIFY(m_exam->Option1(4)->toolTip().contains(u"(E or 5)"_s));
        QVERIFY(m_exam->Option1(5)->toolTip().contains(u"(6)"_s));
        QCOMPARE(m_exam->Option1(5)->accessibleName(), u"Choice F"_s);
        QCOMPARE(m_exam->choiceText(5)->accessibleName(), u"Answer F"_s);
        click(m_exam->Command1(2));
        for (int i = 0; i < withExtra; ++i)
            click(m_exam->Command1(5));
        if (!extra.isEmpty())
            TestSupport::screenshot(m_window, u"exam-%1choice"_s.arg(4 + extra.size()));
        for (int i = 0; i < keys.size(); ++i) {
            QTest::keyClick(m_exam->Option1(0), Qt::Key(keys.at(i)));
            QCOMPARE(m_exam->txtFieldsText(6), answers.at(i));
        }
        // F flags the question and leaves the answer alone.
        QTest::keyClick(m_exam->Option1(0), Qt::Key_F);
        QCOMPARE(m_exam->txtFieldsText(6), answers.back());
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamFlags"_s), 1);
        click(m_exam->Command1(5));
        QCOMPARE(storedAnswer(qMax(withExtra, 0) + 1), answers.back());
    }

    // A question of several right answers offers boxes: a key ticks and clears its box, a tick
    // beyond the number asked for is refused with a beep, and the question is answered exactly
    // while that many are ticked.
    void severalRightAnswers_data()
    {
        QTest::addColumn<QString>("correct");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<int>>("ticks"); // keys in the order pressed
        QTest::addColumn<int>("refused"); // a letter's key pressed once the boxes are full
        QTest::newRow("two") << u"AC"_s << u"Choose two"_s << QList<int>{Qt::Key_3, Qt::Key_A} << int(Qt::Key_B);
        QTest::newRow("three") << u"BDE"_s << u"Choose three"_s << QList<int>{Qt::Key_E, Qt::Key_2, Qt::Key_4}
                               << int(Qt::Key_A);
    }
    void severalRightAnswers()
    {
        QFETCH(QString, correct);
        QFETCH(QString, line);
        QFETCH(QList<int>, ticks);
        QFETCH(int, refused);
        openProgram();
        m_program->exec(
            u"UPDATE Q_A SET CorrectAnswer = '%1', E = 'Choice E of ' || QID WHERE QID % 2 = 0"_s.arg(correct));
        startExam();
        while (m_exam->rsExam()->Fields(u"QID"_s).toInt() % 2 != 0)
            click(m_exam->Command1(5));
        const int position = m_exam->rsExam()->AbsolutePosition();
        QVERIFY(m_exam->lblChoose()->isVisibleTo(m_exam));
        QCOMPARE(m_exam->lblChoose()->text(), line);
        QVERIFY(m_exam->lblChoose()->geometry().bottom() < m_exam->txtFields(7)->y());
        QVERIFY(m_exam->txtFields(0)->geometry().bottom() < m_exam->lblChoose()->y());
        for (int k = 0; k < 5; ++k) {
            QVERIFY(m_exam->chkChoice(k)->isVisibleTo(m_exam));
            QVERIFY(!m_exam->Option1(k)->isVisibleTo(m_exam));
        }
        QCOMPARE(m_exam->chkChoice(0)->accessibleName(), u"Tick A"_s);
        // Answered only with the last tick; the answer is the letters in order.
        for (int i = 0; i < ticks.size(); ++i) {
            QTest::keyClick(m_exam->chkChoice(0), Qt::Key(ticks.at(i)));
            const bool full = i + 1 == ticks.size();
            QCOMPARE(mapText().count(u'a'), full ? 1 : 0);
        }
        QCOMPARE(m_exam->txtFieldsText(6), correct);
        TestSupport::screenshot(m_window, u"exam-choose%1"_s.arg(correct.size()));
        QTest::keyClick(m_exam->chkChoice(0), Qt::Key(refused));
        QCOMPARE(SystemBeep::count(), 1);
        QVERIFY(!m_exam->chkChoice(refused - Qt::Key_A)->isChecked());
        QCOMPARE(m_exam->txtFieldsText(6), correct);
        // A mouse click beyond the number is refused alike.
        click(m_exam->chkChoice(refused - Qt::Key_A));
        QCOMPARE(SystemBeep::count(), 2);
        QCOMPARE(m_exam->txtFieldsText(6), correct);
        click(m_exam->Command1(5));
        QCOMPARE(storedAnswer(position), correct);
        QCOMPARE(m_exam->Label1(11)->text(), u"9"_s);
        // Clearing one box makes it unanswered again, on the map and in the count.
        click(m_exam->Command1(3));
        QVERIFY(m_exam->chkChoice(correct.at(0).unicode() - u'A')->isChecked());
        click(m_exam->chkChoice(correct.at(0).unicode() - u'A'));
        QCOMPARE(m_exam->txtFieldsText(6), correct.mid(1));
        QCOMPARE(mapText().count(u'a'), 0);
        click(m_exam->Command1(5));
        QCOMPARE(storedAnswer(position), correct.mid(1));
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamDetails WHERE Answered <> 0"_s), 0);
        QCOMPARE(m_exam->Label1(11)->text(), u"10"_s);
        // A question of one right answer has its option buttons again.
        while (m_exam->rsExam()->Fields(u"QID"_s).toInt() % 2 == 0)
            click(m_exam->Command1(5));
        QVERIFY(!m_exam->lblChoose()->isVisibleTo(m_exam));
        QVERIFY(m_exam->Option1(0)->isVisibleTo(m_exam) && !m_exam->chkChoice(0)->isVisibleTo(m_exam));
    }

    void keysDoNothingInSetUp()
    {
        openProgram();
        m_exam->Option1(0)->setFocus();
        QTest::keyClick(m_exam->Text1(0), Qt::Key_A);
        QTest::keyClick(m_exam->Text1(0), Qt::Key_Home);
        QCOMPARE(m_exam->Text1(0)->text(), u"a"_s);
        QCOMPARE(SystemBeep::count(), 0);
        QVERIFY(m_exam->Command1(2)->toolTip().contains(u"Home"_s));
        QCOMPARE(m_exam->Command1(2)->accessibleName(), u"First question"_s);
    }

    void flagsShowInReview()
    {
        openProgram();
        startExam();
        click(m_exam->Command1(5));
        click(m_exam->flagToggle());
        click(m_exam->Command1(1));
        frmViewExam *view = m_window->viewExamForm();
        QVERIFY(view);
        view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
        view->Grid1_DblClick();
        QVERIFY(!view->lblFlagged()->isVisibleTo(view));
        click(view->Command1(5));
        QVERIFY(view->lblFlagged()->isVisibleTo(view));
        click(view->Command1(5));
        QVERIFY(!view->lblFlagged()->isVisibleTo(view));
        // Deleting the exam takes its flags with it, in the same transaction.
        MessageBox::setNextAnswer(MessageBox::Yes);
        view->Command1_Click(0);
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamFlags"_s) + scalarInt(u"SELECT count(*) FROM ExamDetails"_s), 0);
    }

    void heartbeatWhileRunningAndPaused()
    {
        openProgram();
        startExam();
        SetRunToken(u"this-run"_s);
        const qint64 started = scalarInt(u"SELECT Heartbeat FROM ExamProgress"_s);
        QCOMPARE(started, now());
        // A move's write-back carries the heartbeat in its own transaction.
        Clock::advance(5);
        click(m_exam->Option1(0));
        click(m_exam->Command1(5));
        QCOMPARE(
            m_program->scalar(u"SELECT Heartbeat || ' ' || Token || ' ' || TimeLeft FROM ExamProgress"_s).toString(),
            u"%1 this-run %2"_s.arg(now()).arg(gTimeLeft));
        // Paused, the clock stands still but the heartbeat goes on every 30 seconds.
        click(m_exam->Command1(4));
        const int left = gTimeLeft;
        Clock::advance(125);
        QCOMPARE(gTimeLeft, left);
        QVERIFY(now() - scalarInt(u"SELECT Heartbeat FROM ExamProgress"_s) < 30);
        QCOMPARE(scalarInt(u"SELECT TimeLeft FROM ExamProgress"_s), left);
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
        m_program->build({12, 12, 12, 12, 12, 12});
        m_window = m_program->start();
        const qint32 older = leftBehind(u"Old"_s, QStringList(10, u"A"_s), 500, 4000);
        const qint32 examId = leftBehind(u"Zoë O'Hara"_s,
            {u"A"_s, u"C"_s, QString(), u"B"_s, QString(), QString(), QString(), QString(), QString(), QString()}, 437,
            91);
        MessageBox::setNextAnswer(answer);
        openExamScreen();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(box(0),
            (QVariantList{u"Continue the exam of Zoë O'Hara started 2026-12-03 09:15: 10 questions, 07:17 left?"_s,
                u"Continue Exam"_s, MessageBox::Question}));
        QCOMPARE(MessageBox::shown().first().buttons, MessageBox::YesNo);
        if (answer == MessageBox::No) {
            // Scored as it stands; the screen stays in set-up.
            QCOMPARE(m_program->scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)).toInt(), 2);
            QVERIFY(m_exam->Frame1(3)->isHidden());
            QCOMPARE(m_exam->windowTitle(), u" Set New Exam"_s);
            // As freshly opened: nothing ticked, so nothing to start or end yet.
            QVERIFY(m_exam->Frame1(0)->isEnabled());
            QVERIFY(!m_exam->Command1(0)->isEnabled());
            QVERIFY(!m_exam->Command1(1)->isEnabled());
            QVERIFY(m_program->scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(older)).isNull());
            return;
        }
        TestSupport::screenshot(m_window, u"exam-resumed"_s);
        QCOMPARE(m_exam->examId(), examId);
        QCOMPARE(m_exam->windowTitle(), u" Exam: Zoë O'Hara"_s);
        QCOMPARE(m_exam->Label1(7)->text(), u"12/03/26"_s);
        QCOMPARE(m_exam->Label1(8)->text(), u"09:15 AM"_s);
        QCOMPARE(m_exam->Label1(9)->text(), u"12 minutes"_s);
        QCOMPARE(m_exam->Label1(10)->text(), u"07:17"_s);
        QCOMPARE(m_exam->Label1(11)->text(), u"7"_s);
        QCOMPARE(status(), u"Question: 3 of 10"_s);
        QCOMPARE(mapText(), u"aa[.]a......"_s);
        QVERIFY(m_exam->Timer1()->isActive() && !m_exam->Frame1(0)->isEnabled());
        QCOMPARE(m_program->scalar(u"SELECT Token FROM ExamProgress WHERE ExamID = %1"_s.arg(examId)).toString(),
            RunToken());
        Clock::advance(2);
        QCOMPARE(m_exam->Label1(10)->text(), u"07:15"_s);
        click(m_exam->Command1(1));
        QCOMPARE(m_program->scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)).toInt(), 2);
    }

    void resumeNeverOfferedForLiveOrOldExams()
    {
        m_program->build({12, 12, 12, 12, 12, 12});
        m_window = m_program->start();
        leftBehind(u"Live"_s, QStringList(10, u"A"_s), 300, 89); // another window's, alive
        leftBehind(u"First"_s, QStringList(10, u"A"_s), 300, 4000, false); // an exam of the first version
        const qint32 scored = leftBehind(u"Done"_s, QStringList(10, u"B"_s), 300, 4000);
        m_program->exec(u"UPDATE ExamTitle SET ExamResult = 0 WHERE ExamID = %1"_s.arg(scored));
        openExamScreen();
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(m_exam->windowTitle(), u" Set New Exam"_s);
    }

    // A run that the failure path ended noted itself in the settings: its exam, though its heartbeat
    // is seconds old, is offered at the next start; a live window's is still not.
    void endedRunOfferedAtOnce()
    {
        m_program->build({12, 12, 12, 12, 12, 12});
        m_window = m_program->start();
        leftBehind(u"Live"_s, QStringList(10, u"A"_s), 300, 5);
        const qint32 examId = leftBehind(u"Ended"_s, QStringList(10, QString()), 300, 5);
        m_program->exec(u"UPDATE ExamProgress SET Token = 'ended-run' WHERE ExamID = %1"_s.arg(examId));
        const QString thisRun = RunToken();
        SetRunToken(u"ended-run"_s);
        AppExit::now(); // test mode: notes the run and carries on
        SetRunToken(thisRun);
        QCOMPARE(UserSettings::endedRun(), u"ended-run"_s);
        AppExit::resetRequested();
        MessageBox::setNextAnswer(MessageBox::Yes);
        openExamScreen();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().text.startsWith(u"Continue the exam of Ended started"_s));
        QCOMPARE(m_exam->examId(), examId);
        QCOMPARE(
            m_program->scalar(u"SELECT Token FROM ExamProgress WHERE ExamID = %1"_s.arg(examId)).toString(), thisRun);
        QVERIFY(UserSettings::endedRun().isEmpty());
    }

    void claimLostToAnotherWindow()
    {
        m_program->build({12, 12, 12, 12, 12, 12});
        m_window = m_program->start();
        const qint32 examId = leftBehind(u"Ivo"_s, QStringList(10, QString()), 300, 200);
        // While the question waits, another window takes the exam over.
        MessageBox::setNextAnswer(MessageBox::Yes, [&] {
            m_program->exec(
                u"UPDATE ExamProgress SET Heartbeat = %1, Token = 'other' WHERE ExamID = %2"_s.arg(now()).arg(examId));
        });
        openExamScreen();
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(box(1),
            (QVariantList{u"The exam of Ivo has just been continued in another window."_s, u"Continue Exam"_s,
                MessageBox::Information}));
        QCOMPARE(m_exam->examId(), 0);
        QVERIFY(m_exam->Frame1(3)->isHidden());
        QCOMPARE(m_program->scalar(u"SELECT Token FROM ExamProgress"_s).toString(), u"other"_s);
        QVERIFY(m_program->scalar(u"SELECT ExamResult FROM ExamTitle"_s).isNull());
    }

    void firstVersionDatabaseIsUpgraded()
    {
        m_program->build({12, 12, 12, 12, 12, 12});
        m_program->exec(u"DROP TABLE ExamProgress; DROP TABLE ExamFlags"_s);
        leftBehind(u"Early"_s, {u"A"_s, u"B"_s}, 0, 0, false);
        m_program->exec(u"UPDATE ExamTitle SET ExamResult = 1"_s);
        m_window = m_program->start();
        m_window->menuForm()->OpenScreen(1);
        frmViewExam *view = m_window->viewExamForm();
        QCOMPARE(view->gridModel()->rowCount(), 1);
        QCOMPARE(scalarInt(u"SELECT count(*) FROM sqlite_master WHERE name IN ('ExamProgress', 'ExamFlags')"_s), 2);
        view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
        view->Grid1_DblClick();
        QCOMPARE(view->lblStatus()->text(), u"Question: 1 of 2"_s);
        openExamScreen();
        startExam();
        click(m_exam->flagToggle());
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamFlags"_s), 1);
    }

    void readOnlyFirstVersionDatabase()
    {
        m_program->build({12, 12, 12, 12, 12, 12});
        // Q_A of the first version, without E and F, which a file that cannot be written cannot gain.
        m_program->exec(u"DROP TABLE ExamProgress; DROP TABLE ExamFlags; CREATE TABLE Q_A1 (QID INTEGER PRIMARY KEY, "
                        "Question TEXT NOT NULL, A TEXT, B TEXT, C TEXT, D TEXT, CorrectAnswer TEXT, Category TEXT, "
                        "Description TEXT); INSERT INTO Q_A1 SELECT QID, Question, A, B, C, D, CorrectAnswer, "
                        "Category, Description FROM Q_A; DROP TABLE Q_A; ALTER TABLE Q_A1 RENAME TO Q_A"_s);
        leftBehind(u"Frozen"_s, {u"A"_s, u"B"_s}, 0, 0, false);
        m_program->exec(u"UPDATE ExamTitle SET ExamResult = 1"_s);
        if (QProcess::execute(u"chattr"_s, {u"+i"_s, m_program->dbPath()}) != 0)
            QSKIP("chattr +i is not available here");
        const auto thaw = qScopeGuard([this] { QProcess::execute(u"chattr"_s, {u"-i"_s, m_program->dbPath()}); });
        m_window = m_program->start();
        m_window->menuForm()->OpenScreen(1);
        frmViewExam *view = m_window->viewExamForm();
        QCOMPARE(view->gridModel()->rowCount(), 1);
        view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
        view->Grid1_DblClick();
        QCOMPARE(view->txtFieldsText(6), u"A"_s);
        QVERIFY(view->choiceText(3)->isVisibleTo(view) && !view->choiceText(4)->isVisibleTo(view));
        QVERIFY(!view->lblFlagged()->isVisibleTo(view));
        // The exam screen opens without offering anything.
        openExamScreen();
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!AppExit::requested());
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
        lockFile();
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
        QVERIFY(silentlyMissing().isEmpty());
        TestSupport::screenshot(m_exam, u"exam-answers-not-stored"_s);

        releaseFile();
        click(m_exam->Command1(5));
        QCOMPARE(unstoredCells(), QList<int>());
        QCOMPARE(map()->cell(1)->accessibleName(), u"Question 2"_s);
        QCOMPARE(storedAnswer(2), u"C"_s);
        QCOMPARE(storedAnswer(3), u"A"_s);
        QCOMPARE(MessageBox::shown().size(), 1);

        // A new lock after answers were stored again is a new outage, told again.
        lockFile();
        answerAndMoveOn(3);
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown().last().title, u"Answer Not Stored"_s);
        QCOMPARE(unstoredCells(), QList<int>{5});
        releaseFile();
        const qint32 examId = m_exam->examId();
        click(m_exam->Command1(1)); // End Exam stores it before scoring
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(m_program
                     ->scalar(u"SELECT Answer FROM ExamDetails WHERE ExamID = %1 ORDER BY DetailID LIMIT 1 "
                              "OFFSET 4"_s.arg(examId))
                     .toString(),
            u"D"_s);
        QVERIFY(!m_program->scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)).isNull());
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamProgress"_s), 0);
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
        lockFile();
        click(m_exam->Option1(3)); // on screen, not yet stored
        const qint32 examId = m_exam->examId();
        const QString resultQuery = u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId);
        QVariantList scoredWhileAsked;
        if (tryAgain) {
            // Tried again still locked, then again once the lock is gone.
            MessageBox::setNextAnswer(MessageBox::Yes, [&] { scoredWhileAsked << m_program->scalar(resultQuery); });
            MessageBox::setNextAnswer(MessageBox::Yes, [&] {
                scoredWhileAsked << m_program->scalar(resultQuery);
                releaseFile();
            });
        } else {
            MessageBox::setNextAnswer(MessageBox::No, [&] { scoredWhileAsked << m_program->scalar(resultQuery); });
        }
        click(m_exam->Command1(1));
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
            QCOMPARE(
                m_program
                    ->scalar(
                        u"SELECT Answer FROM ExamDetails WHERE ExamID = %1 ORDER BY DetailID LIMIT 1 OFFSET 1"_s.arg(
                            examId))
                    .toString(),
                u"D"_s);
            QVERIFY(!m_program->scalar(resultQuery).isNull());
            QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamProgress"_s), 0);
            QVERIFY(!AppExit::requested());
            return;
        }
        // The failure road: nothing scored, the exam kept for the next start, the answer marked.
        QVERIFY(AppExit::requested());
        QCOMPARE(UserSettings::endedRun(), RunToken());
        QCOMPARE(unstoredCells(), QList<int>{2});
        releaseFile();
        QVERIFY(m_program->scalar(resultQuery).isNull());
        QCOMPARE(scalarInt(u"SELECT count(*) FROM ExamProgress WHERE ExamID = %1"_s.arg(examId)), 1);
        QCOMPARE(storedAnswer(1), u"B"_s);
        QCOMPARE(storedAnswer(2), QString());
    }
};

QTEST_MAIN(tst_examflow)
#include "tst_examflow.moc"
