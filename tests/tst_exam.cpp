#include "ScreenSuite.h"

#include "core/Clock.h"
#include "core/ClockTimer.h"
#include "core/UserSettings.h"
#include "data/ConnectionPool.h"
#include "data/ExamSession.h"
#include "data/SqliteHandle.h"
#include "shell/frmMenu.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionMapCell.h"

using SessionCases::numbers;
using TestSupport::startExam;

// Drives the exam screen as a candidate would and checks what is stored: set-up, the clock, the
// question map, flags, the keyboard, continuing an exam a crashed run left behind, and answers
// kept while the file cannot be written. The session tests do the exam's database work without
// the screen: creation in one transaction, answers, the score and the offer of an exam left behind.
class tst_exam final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QPointer<frmExam> m_exam;
    std::shared_ptr<SqliteHandle> m_locker; // another program's connection holding the file's write lock

    int qid() const { return m_exam->rsExam()->Fields(u"QID"_s).toInt(); }
    // The program started on a pool of `counts` questions, the exam screen opened unless `screen` is false.
    void openProgram(const std::array<int, 6> &counts = {12, 12, 12, 12, 12, 12}, bool screen = true)
    {
        m_program->build(counts);
        m_window = m_program->start();
        if (!screen)
            return;
        // Keys go where the focus is, and only an active window has one.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_exam = TestSupport::openExam(m_window);
        QVERIFY(m_exam);
    }
    void clickCommand(ExamCommand index) { click(m_exam->Command1(index)); }
    QString label(ExamLabel index) const { return m_exam->Label1(index)->text(); }
    QString answer() const { return m_exam->txtFieldsText(ExamField::Answer); }
    QuestionMap *map() const { return m_exam->questionMap(); }
    // Each cell as a letter: '.' not answered, 'a' answered, 'u' answered but not stored; upper case
    // when flagged ('F' when not answered); the cell on screen in brackets.
    QString mapText() const
    {
        QString text;
        for (int i = 0; i < map()->count(); ++i) {
            const QuestionMapCell *c = map()->cell(i);
            QChar mark = c->isUnstored() ? u'u' : c->isAnswered() ? u'a' : u'.';
            if (c->isFlagged())
                mark = mark == u'.' ? u'F' : mark.toUpper();
            text += c->isCurrent() ? u"["_s + mark + u"]"_s : QString(mark);
        }
        return text;
    }
    QVariant scalar(const QString &sql) const { return m_program->scalar(sql); }
    int count(const QString &from) const { return m_program->count(u"FROM "_s + from); }
    void exec(const QString &sql) const { m_program->exec(sql); }
    int flags() const { return count(u"ExamFlags"_s); }
    QVariant result(qint32 examId) const
    {
        return scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId));
    }
    // The answers the file holds in the exam's order, "." for none.
    QStringList stored(qint32 examId = 0) const
    {
        QStringList answers;
        for (const QVariantList &row : TestSupport::query(m_program->dbPath(),
                 u"SELECT coalesce(Answer, '.') FROM ExamDetails WHERE ExamID = %1 ORDER BY DetailID"_s.arg(
                     examId ? examId : m_exam->examId())))
            answers << row.value(0).toString();
        return answers;
    }
    qint64 now() const { return Clock::now().toSecsSinceEpoch(); }
    // An unscored exam of `name` with `answers` given, left by a run holding `token` that stopped
    // `age` seconds ago.
    qint32 leftBehind(qint64 age, const QString &token = u"crashed-run"_s, const QString &name = u"Ann"_s,
        const QStringList &answers = QStringList(2), int timeLeft = 437)
    {
        QList<std::pair<int, QString>> rows;
        for (int i = 0; i < answers.size(); ++i)
            rows.append({i * 3 + 1, answers.at(i)});
        const qint32 examId
            = m_program->storeExam(name, u"2026-12-03 09:15:00"_s, int(answers.size()), QVariant(), rows);
        exec(u"INSERT INTO ExamProgress VALUES (%1, %2, %3, '%4')"_s.arg(examId)
                 .arg(timeLeft)
                 .arg(now() - age)
                 .arg(token));
        return examId;
    }
    // The exam's database work without its screen, on a file of Ann's.
    void openSession()
    {
        m_program->build({12, 12, 0, 12, 12, 12});
        gDbPath = m_program->folder();
        SetRunToken(u"this-run"_s);
        gTimeLeft = 720;
    }
    // In set-up with `stored` rows of exams and their questions in the file: the set-up controls
    // usable, Start Exam while a category is ticked, the clock stopped.
    void verifyInSetUp(int stored = 0) const
    {
        QCOMPARE(count(u"ExamTitle"_s) + count(u"ExamDetails"_s), stored);
        QVERIFY(m_exam->Frame1(ExamFrame::Categories)->isEnabled()
            && m_exam->Frame1(ExamFrame::QuestionCount)->isEnabled() && m_exam->Frame1(ExamFrame::Question)->isHidden()
            && !m_exam->Timer1()->isActive());
        bool ticked = false;
        for (int i = 0; i < 7; ++i)
            ticked |= m_exam->chkCategory(i)->isChecked();
        QCOMPARE(std::pair(m_exam->Command1(ExamCommand::StartExam)->isEnabled(),
                     m_exam->Command1(ExamCommand::EndExam)->isEnabled()),
            std::pair(ticked, false));
        QCOMPARE(std::tuple(label(ExamLabel::TimeLeft), m_exam->windowTitle(), m_exam->examId()),
            std::tuple(QString(), u" Set New Exam"_s, 0));
    }

    // Runs a table of steps under tests/data/screens on the running exam. A step is a key pressed
    // where the focus is, "click" and a choice's letter, a move, "flag" or a map cell's number,
    // "focus" and a cell's number, "lock" or "unlock" the file, "wait" some seconds. The table's
    // columns then read the map (its cell on screen: "cell"), the question on screen ("at"), the
    // questions left, the time left, the pause button, the answer shown, the answers stored (of the
    // question the steps began on: "kept"), and the flags stored, beeps and boxes so far. The
    // buttons always agree with the question on screen.
    void runSteps(const QString &table)
    {
        using C = ExamCommand;
        const QMap<QString, C> moves{{u"first"_s, C::First}, {u"previous"_s, C::Previous}, {u"next"_s, C::Next},
            {u"last"_s, C::Last}, {u"pause"_s, C::Pause}};
        const int began = m_exam->rsExam()->AbsolutePosition();
        const QMap<QString, std::function<QString()>> probes{{u"map"_s, [this] { return mapText(); }},
            {u"cell"_s, [this] { return mapText().section(u'[', 1).left(1); }},
            {u"at"_s, [this] { return m_exam->lblStatus()->text().remove(u"Question: "_s).remove(u" of 10"_s); }},
            {u"left"_s, [this] { return label(ExamLabel::QuestionsLeft); }},
            {u"time"_s, [this] { return label(ExamLabel::TimeLeft); }},
            {u"pause"_s, [this] { return m_exam->Command1(C::Pause)->text(); }},
            {u"answer"_s, [this] { return answer(); }}, {u"stored"_s, [this] { return stored().join(QString()); }},
            {u"kept"_s, [this, began] { return stored().value(began - 1); }},
            {u"flags"_s, [this] { return QString::number(flags()); }},
            {u"beeps"_s, [] { return QString::number(SystemBeep::count()); }},
            {u"boxes"_s, [] { return QString::number(MessageBox::shown().size()); }}};
        const TestSupport::CaseTable steps = TestSupport::caseTable(u"screens/"_s + table);
        for (const QStringList &step : steps.rows) {
            const QString verb = step[0].section(u' ', 0, 0), what = step[0].section(u' ', 1);
            const int letter = what.isEmpty() ? -1 : what.at(0).unicode() - u'A';
            if (verb == u"click")
                click(moves.contains(what)                       ? m_exam->Command1(moves[what])
                        : what == u"flag"                        ? m_exam->flagToggle()
                        : what.at(0).isDigit()                   ? static_cast<QWidget *>(map()->cell(what.toInt() - 1))
                        : m_exam->chkChoice(letter)->isVisible() ? static_cast<QWidget *>(m_exam->chkChoice(letter))
                                                                 : m_exam->choiceOption(letter));
            else if (verb == u"wait")
                Clock::advance(what.toInt());
            else if (verb == u"focus")
                map()->cell(what.toInt() - 1)->setFocus(Qt::TabFocusReason);
            else if (verb == u"lock" || verb == u"unlock")
                m_locker = verb == u"lock" ? TestSupport::holdWriteLock(m_program->dbPath()) : nullptr;
            else if (!verb.isEmpty())
                TestSupport::key(QKeySequence::fromString(verb)[0].key());
            QStringList seen{step[0]};
            for (const QString &column : steps.columns.mid(1))
                seen << probes.value(column, [] { return u"no such column"_s; })();
            QVERIFY2(seen == step, qPrintable(u"seen %1\nnot %2"_s.arg(seen.join(u'|'), step.join(u'|'))));
            const QuestionMapCell *at = map()->cell(m_exam->rsExam()->AbsolutePosition() - 1);
            QString chosen;
            for (int k = 0; k < 6; ++k)
                if (m_exam->choiceOption(k)->isChecked() || m_exam->chkChoice(k)->isChecked())
                    chosen += QChar(u'A' + k);
            QCOMPARE(
                std::tuple(at->isCurrent(), m_exam->Check1()->isChecked(), m_exam->flagToggle()->isChecked(), chosen),
                std::tuple(true, at->isAnswered(), at->isFlagged(), answer()));
        }
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
        verifyInSetUp();
        QVERIFY(m_exam->optTask(ExamTask::Ten)->isChecked() && !m_exam->Command1(ExamCommand::Pause)->isEnabled());
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
        QVERIFY(result(1).isNull()); // the hand-over to the results screen: tst_shell
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
            QVERIFY2(MessageBox::shown().isEmpty() && name->hasFocus(), qPrintable(spot->objectName()));
        }
        QTest::keyClick(name, Qt::Key_Tab);
        QCOMPARE(std::tuple(MessageBox::shown().size(), name->hasFocus(), name->text()),
            std::tuple(qsizetype(1), true, u"   "_s));
        QCOMPARE(box(0), (QVariantList{"User name can not be blank.", "User Name", MessageBox::Critical}));
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
        QVERIFY(MessageBox::shown().isEmpty() && !name->hasFocus());
        startExam(m_window, QString(), {});
        QCOMPARE(scalar(u"SELECT UserName FROM ExamTitle"_s).toString(), name->text());
        QCOMPARE(count(u"ExamDetails WHERE UserName = ' O''Neil [\u00e9\u65e5'"_s), 10);
        QCOMPARE(m_exam->windowTitle(), u" Exam: "_s + name->text());
    }

    // A started exam: its draw over the categories ticked, its clock panel, and its map in one row
    // up to ten questions, in two beyond, every cell inside the frame and none over another.
    void started_data() { TestSupport::addCases(u"screens/divisions.tsv"_s); }
    void started()
    {
        const auto [countIndex, categories, draw, duration, left, later, rows]
            = SessionCases::texts("countIndex", "categories", "draw", "duration", "left", "later", "rows");
        openProgram({20, 20, 20, 20, 20, 20});
        // An exam dated later than now must not be taken for the new one.
        m_program->storeExam(u"Later"_s, u"2030-01-01 00:00:00"_s, 10);
        Clock::setNow(QDateTime(QDate(2026, 12, 4), QTime(21, 5, 0)));
        startExam(m_window, u"Eve"_s, numbers(categories), countIndex.toInt());
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QCOMPARE(std::pair(m_exam->examId(), gExamID), std::pair(2, 2));
        QCOMPARE(count(u"ExamDetails WHERE ExamID = 1"_s), 0);
        const QString drawn = scalar(u"SELECT group_concat((QID - 1) / 20, '') FROM (SELECT QID FROM ExamDetails "
                                     "WHERE ExamID = 2 ORDER BY DetailID)"_s)
                                  .toString();
        QVERIFY2(
            QRegularExpression(QRegularExpression::anchoredPattern(draw)).match(drawn).hasMatch(), qPrintable(drawn));
        const QString questions = QString::number(drawn.size());
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
        if (drawn.size() == 50)
            TestSupport::screenshot(m_window, u"exam-map-50"_s);
    }

    // The clock: the time standing still while paused (the heartbeat going on), and the time-over scoring the exam
    // once, never under an open box.
    void timeOver()
    {
        openProgram();
        m_program->storeExam(u"Old"_s, u"2025-01-01 10:00:00"_s, 10, 4, {{1, u"A"_s}});
        startExam(m_window, u"Finn"_s);
        // Paused, the clock stands still, the heartbeat goes on every 30 seconds and answers can
        // still be chosen.
        runSteps(u"clock-paused.tsv"_s);
        QVERIFY(now() - scalar(u"SELECT Heartbeat FROM ExamProgress"_s).toLongLong() <= 30);
        QCOMPARE(scalar(u"SELECT TimeLeft FROM ExamProgress"_s).toInt(), 630);
        runSteps(u"clock-resumed.tsv"_s);
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
        QCOMPARE(std::pair(result(1).toInt(), count(u"ExamDetails WHERE ExamID = 1"_s)), std::pair(4, 1));
        QVERIFY(!result(2).isNull());
        QVERIFY(!gExamLoaded && gViewExamLoaded && m_window->menuForm()->Command1(MenuCommand::StartExam)->isEnabled());
        Clock::advance(3);
        QCOMPARE(MessageBox::shown().size(), 2);
    }

    // A start or an end the program refuses tells why; a start refused leaves the screen in set-up.
    void refusals_data() { TestSupport::addCases(u"screens/refusals.tsv"_s); }
    void refusals()
    {
        const auto [counts, categories, countIndex, trigger, atEnd, title, message]
            = SessionCases::texts("counts", "categories", "countIndex", "trigger", "atEnd", "title", "message");
        const QList<int> c = numbers(counts);
        openProgram({c[0], c[1], c[2], c[3], c[4], c[5]});
        const QString failing
            = u"CREATE TRIGGER failing %1 BEGIN SELECT RAISE(ABORT, 'disk is full'); END"_s.arg(trigger);
        if (!trigger.isEmpty() && atEnd != u"1")
            exec(failing);
        startExam(m_window, u"Max"_s, numbers(categories), countIndex.toInt());
        if (atEnd == u"1") {
            exec(failing);
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
    // The file is of the first version, which gains the progress and flags tables on the way.
    void wholeRoadInOddFolders_data() { TestSupport::addCases(u"screens/odd-folder-names.tsv"_s); }
    void wholeRoadInOddFolders()
    {
        QFETCH(QString, row);
        m_program = std::make_unique<TestSupport::Program>(row);
        m_program->build({12, 12, 12, 12, 12, 12});
        exec(u"DROP TABLE ExamProgress; DROP TABLE ExamFlags"_s);
        m_window = m_program->start();
        click(m_window->menuForm()->Command1(MenuCommand::StartExam));
        m_exam = TestSupport::startExam(m_window, u"Una"_s);
        click(m_exam->flagToggle());
        // Every question answered correctly but the first.
        exec(u"UPDATE Q_A SET CorrectAnswer = 'B'"_s);
        for (int i = 0; i < 10; ++i, clickCommand(ExamCommand::Next))
            click(m_exam->Option1(i == 0 ? ExamChoice::A : ExamChoice::B));
        QCOMPARE(label(ExamLabel::QuestionsLeft), u"0"_s);
        TestSupport::endExam(m_exam);
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QVERIFY(!gExamLoaded && gViewExamLoaded); // the results screen read the file without a word
        QCOMPARE(std::pair(result(1), flags()), std::pair(QVariant(9), 1));
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
        exec(u"UPDATE Q_A SET CorrectAnswer = 'C'"_s);
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
        runSteps(u"exam-moves.tsv"_s);
        TestSupport::screenshot(m_window, u"exam-map-10"_s);
        // Tab from the map's cells goes on through them in order.
        TestSupport::key(Qt::Key_Tab);
        QVERIFY2(map()->cell(8)->hasFocus(),
            qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : u"none"_s));
        click(m_exam->Option1(ExamChoice::C));
        TestSupport::endExam(m_exam);
        QCOMPARE(std::tuple(stored(1).join(QString()), result(1), count(u"ExamProgress"_s)),
            std::tuple(u"C...D..C.A"_s, QVariant(2), 0));
        // The review shows the flag; deleting the exam takes its flags with it (the review session
        // suite counts flags through their exam's questions, so it cannot see ones left behind).
        frmViewExam *view = TestSupport::review(m_window, 0);
        for (const bool flagged : {false, true, false}) {
            QCOMPARE(view->lblFlagged()->isVisibleTo(view), flagged);
            click(view->Command1(ViewExamCommand::Next));
        }
        MessageBox::setNextAnswer(MessageBox::Yes);
        view->Command1_Click(ViewExamCommand::DeleteExam);
        QCOMPARE(flags() + count(u"ExamDetails"_s), 0);
    }

    void keysWhereverTheFocusIs_data() { TestSupport::addCases(u"screens/exam-key-focus.tsv"_s); }
    void keysWhereverTheFocusIs()
    {
        QFETCH(QString, focus);
        openProgram();
        startExam(m_window);
        const QMap<QString, QWidget *> targets{{u"option"_s, m_exam->Option1(ExamChoice::A)},
            {u"question"_s, m_exam->txtFields(ExamField::Question)}, {u"answer"_s, m_exam->txtFields(ExamField::B)},
            {u"cell"_s, map()->cell(3)}, {u"button"_s, m_exam->Command1(ExamCommand::Next)}};
        targets.value(focus)->setFocus(Qt::TabFocusReason);
        runSteps(u"exam-keys.tsv"_s);
    }

    // Every second question gains choices E (and F), or several right answers ticked in boxes, or
    // is true/false (C and D without text, so disabled); the others keep the screen as drawn. A key
    // chooses (E or 5, F 6) or ticks and clears a box, F flagging the question; a tick beyond the
    // number of right answers is refused with a beep, and such a question is answered exactly while
    // that many are ticked.
    void extraChoices_data() { TestSupport::addCases(u"screens/extra-choices.tsv"_s); }
    void extraChoices()
    {
        const auto [extra, blank, correct, line, steps]
            = SessionCases::texts("extra", "blank", "correct", "line", "steps");
        openProgram();
        for (const QChar c : extra)
            exec(u"UPDATE Q_A SET %1 = 'Choice %1 of ' || QID WHERE QID % 2 = 0"_s.arg(c));
        for (const QChar c : blank)
            exec(u"UPDATE Q_A SET %1 = '' WHERE QID % 2 = 0"_s.arg(c));
        if (!correct.isEmpty())
            exec(u"UPDATE Q_A SET CorrectAnswer = '%1' WHERE QID % 2 = 0"_s.arg(correct));
        // The question area as drawn, before any question: every control in it not hidden.
        QList<std::pair<QWidget *, QRect>> drawn;
        for (QWidget *w : m_exam->Frame1(ExamFrame::Question)->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!w->isHidden())
                drawn.append({w, w->geometry()});
        startExam(m_window);
        for (int i = 0; i < 10; ++i, clickCommand(ExamCommand::Next)) {
            const bool several = qid() % 2 == 0 && !correct.isEmpty();
            const int shown = qid() % 2 == 0 ? 4 + int(extra.size()) : 4;
            const QString blanked = qid() % 2 == 0 ? blank : QString();
            for (int k = 0; k < 6; ++k)
                QCOMPARE(
                    std::tuple(m_exam->choiceOption(k)->isVisibleTo(m_exam), m_exam->choiceText(k)->isVisibleTo(m_exam),
                        m_exam->chkChoice(k)->isVisibleTo(m_exam), m_exam->choiceOption(k)->isEnabled()),
                    std::tuple(k < shown && !several, k < shown, k < shown && several,
                        k < shown && !blanked.contains(QChar(u'A' + k))));
            QCOMPARE(std::pair(m_exam->lblChoose()->isVisibleTo(m_exam), m_exam->lblChoose()->text()),
                std::pair(several, several ? line : m_exam->lblChoose()->text()));
            if (shown == 4) {
                for (const auto &[w, at] : drawn)
                    QVERIFY2(w->geometry() == at, qPrintable(w->objectName()));
                continue;
            }
            QCOMPARE(m_exam->txtFieldsText(static_cast<int>(ExamField::E) + shown - 5),
                u"Choice %1 of %2"_s.arg(extra.back()).arg(qid()));
            // The choices share the band of four under the line of how many to choose: none over
            // another, the last above the moves.
            if (several)
                QVERIFY(m_exam->txtFields(ExamField::Question)->geometry().bottom() < m_exam->lblChoose()->y()
                    && m_exam->lblChoose()->geometry().bottom() < m_exam->txtFields(ExamField::Category)->y());
            for (int k = 0; k < shown; ++k) {
                const QRect box = m_exam->choiceText(k)->geometry();
                const QRect button
                    = (several ? static_cast<QWidget *>(m_exam->chkChoice(k)) : m_exam->choiceOption(k))->geometry();
                QVERIFY(box.bottom()
                    < (k + 1 < shown ? m_exam->choiceText(k + 1)->y() : m_exam->Command1(ExamCommand::First)->y()));
                QVERIFY(button.y() >= box.y() && button.bottom() <= box.bottom());
            }
        }
        QVERIFY(m_exam->Option1(ExamChoice::E)->toolTip().contains(u"(E or 5)"_s));
        QVERIFY(m_exam->Option1(ExamChoice::F)->toolTip().contains(u"(6)"_s));
        QCOMPARE(
            std::tuple(m_exam->Option1(ExamChoice::F)->accessibleName(),
                m_exam->txtFields(ExamField::F)->accessibleName(), m_exam->chkChoice(ExamChoice::A)->accessibleName()),
            std::tuple(u"Choice F"_s, u"Answer F"_s, u"Tick A"_s));
        clickCommand(ExamCommand::First);
        // On to the first question whose QID is even; Next on the last question stays there.
        for (int q = 0; q < 10 && qid() % 2; ++q)
            clickCommand(ExamCommand::Next);
        QCOMPARE(qid() % 2, 0);
        if (!extra.isEmpty())
            TestSupport::screenshot(m_window,
                correct.isEmpty() ? u"exam-%1choice"_s.arg(4 + extra.size()) : u"exam-choose%1"_s.arg(correct.size()));
        (correct.isEmpty() ? static_cast<QWidget *>(m_exam->Option1(ExamChoice::A)) : m_exam->chkChoice(ExamChoice::A))
            ->setFocus(Qt::TabFocusReason);
        SystemBeep::resetCount(); // Next on the last question beeped
        runSteps(steps);
    }

    // An exam a crashed run left behind is offered at the screen's opening: continued as it stood,
    // scored as it stands, or lost to another window that continued it while the question waited.
    void resumeOffered_data() { TestSupport::addCases(u"screens/resume.tsv"_s); }
    void resumeOffered()
    {
        const bool taken = QTest::currentDataTag() == "taken meanwhile"_ba;
        const int answer = QTest::currentDataTag() == "no"_ba ? MessageBox::No : MessageBox::Yes;
        openProgram({12, 12, 12, 12, 12, 12}, false);
        const qint32 older = taken ? 0 : leftBehind(4000, u"crashed-run"_s, u"Old"_s, QStringList(10, u"A"_s), 500);
        const qint32 examId
            = leftBehind(91, u"crashed-run"_s, u"Zoë O'Hara"_s, {u"A"_s, u"C"_s, {}, u"B"_s, {}, {}, {}, {}, {}, {}});
        MessageBox::setNextAnswer(answer, [&] {
            if (taken)
                exec(u"UPDATE ExamProgress SET Heartbeat = %1, Token = 'other' WHERE ExamID = %2"_s.arg(now()).arg(
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
            // freshly opened: nothing ticked, so nothing to start yet.
            QCOMPARE(result(examId), taken ? QVariant() : QVariant(2));
            verifyInSetUp(taken ? 11 : 22);
            QVERIFY(!older || result(older).isNull());
            if (taken) {
                QCOMPARE(box(1),
                    (QVariantList{u"The exam of Zoë O'Hara has just been continued in another window."_s,
                        u"Continue Exam"_s, MessageBox::Information}));
                QCOMPARE(scalar(u"SELECT Token FROM ExamProgress"_s).toString(), u"other"_s);
            }
            return;
        }
        TestSupport::screenshot(m_window, u"exam-resumed"_s);
        QCOMPARE(
            std::tuple(m_exam->examId(), m_exam->windowTitle(), m_exam->Frame1(ExamFrame::Categories)->isEnabled()),
            std::tuple(examId, u" Exam: Zoë O'Hara"_s, false));
        QCOMPARE((QStringList{label(ExamLabel::ExamDate), label(ExamLabel::StartTime), label(ExamLabel::Duration)}),
            (QStringList{u"12/03/26"_s, u"09:15 AM"_s, u"12 minutes"_s}));
        runSteps(u"exam-resumed.tsv"_s);
        TestSupport::endExam(m_exam);
        QCOMPARE(result(examId).toInt(), 2);
    }

    // Another program holds the file's write lock mid-exam: the answers given meanwhile stay
    // marked on the map, the candidate is told once, and the first move after the lock is gone
    // stores them all. A second lock is told again. End Exam never scores while an answer is not
    // stored, the one on screen included: tried again still locked, then either once the lock is
    // gone, storing the answers before scoring, or given up, which ends the program with the exam
    // kept for the next start.
    void lockedFileKeepsAnswersMarked_data() { TestSupport::addCases(u"screens/locked-end.tsv"_s); }
    void lockedFileKeepsAnswersMarked()
    {
        const bool givenUp = QTest::currentDataTag() == "given up"_ba;
        openProgram();
        ConnectionPool::setBusyTimeout(20);
        startExam(m_window);
        runSteps(u"exam-locked.tsv"_s);
        TestSupport::screenshot(m_exam, u"exam-answers-not-stored"_s);
        QCOMPARE(map()->cell(4)->accessibleName(), u"Question 5, answered, not stored"_s);
        QVERIFY(map()->cell(4)->toolTip().contains(u"not stored"_s));
        QCOMPARE(map()->cell(1)->accessibleName(), u"Question 2"_s); // not stored once, stored since
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
        for (int i = 0; i < 4; ++i) {
            const MessageBox::Shown &shown = MessageBox::shown().at(i);
            QVERIFY2(shown.text.startsWith(i < 2
                             ? u"Your answer could not be stored:\n"_s
                             : u"2 answer(s) could not be stored, so the exam cannot be scored yet:\n"_s),
                qPrintable(shown.text));
            QCOMPARE(shown.title, i < 2 ? u"Answer Not Stored"_s : u"Answers Not Stored"_s);
            QVERIFY(i < 2 || shown.buttons == MessageBox::YesNo);
        }
        QCOMPARE(scoredWhileAsked, (QVariantList{QVariant(), QVariant()}));
        if (givenUp)
            QCOMPARE(mapText().remove(u'[').remove(u']'), u"aaa.uu...."_s);
        m_locker.reset();
        // Given up, the exam is left unscored with its progress row, for the next start to offer.
        QCOMPARE(std::tuple(AppExit::requested(), UserSettings::endedRun() == RunToken(), result(examId).isNull(),
                     count(u"ExamProgress"_s), stored(examId).join(QString())),
            std::tuple(givenUp, givenUp, givenUp, int(givenUp), givenUp ? u"BCA......."_s : u"BCA.DD...."_s));
    }

    // The title, the drawn questions, the practice mark and the progress row are stored together,
    // or nothing is.
    void sessionCreates_data() { TestSupport::addCases(u"sessions/exam-create.tsv"_s); }
    void sessionCreates()
    {
        openSession();
        const auto [categories, failingTable, failure] = SessionCases::texts("categories", "failingTable", "failure");
        const int questions = SessionCases::number("questions");
        const bool practise = SessionCases::flag("practise");
        // Ann's scored exam got the first ten Software Testing questions wrong.
        m_program->storeAnswered(u"Ann"_s, u"0:WWWWWWWWWW"_s, true, false, u"2026-12-01 10:00:00"_s);
        if (!failingTable.isEmpty())
            exec(u"CREATE TRIGGER failing BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'disk is full'); END"_s.arg(
                failingTable));

        ExamSession session;
        const bool created = session.create(u"Ann"_s, questions, SessionCases::ticked(categories), practise);
        QCOMPARE(created, failure.isEmpty());
        QVERIFY(!gDB);
        if (!created) {
            QVERIFY(session.failure() && session.failure()->contains(failure));
            QCOMPARE(session.examId(), 0);
            QCOMPARE(count(u"ExamTitle"_s) + count(u"ExamProgress"_s) + count(u"PracticeExams"_s), 1);
            QCOMPARE(count(u"ExamDetails"_s), 10);
            return;
        }
        const qint32 examId = session.examId();
        QCOMPARE(examId, 2);
        QCOMPARE(scalar(u"SELECT UserName || ' ' || NumOfQuestions || ' ' || ExamDate FROM ExamTitle "
                        "WHERE ExamID = 2"_s)
                     .toString(),
            u"Ann %1 2026-12-04 00:30:00"_s.arg(questions));
        QCOMPARE(count(u"ExamDetails WHERE ExamID = 2 AND UserName = 'Ann'"_s), questions);
        QCOMPARE(count(u"(SELECT DISTINCT QID FROM ExamDetails WHERE ExamID = 2)"_s), questions);
        QCOMPARE(scalar(u"SELECT TimeLeft || ' ' || Heartbeat || ' ' || Token FROM ExamProgress"_s).toString(),
            u"720 %1 this-run"_s.arg(now()));
        QCOMPARE(count(u"PracticeExams WHERE ExamID = 2"_s), int(practise));
        if (practise)
            QCOMPARE(count(u"ExamDetails WHERE ExamID = 2 AND QID <= 10"_s), 10);
    }

    // An answer the file does not take stays with the session, marked by its question, told once,
    // and is tried again: one the file could not be reached for at every move (though not right
    // after a write found it out of reach), one it refused only at the end.
    void sessionKeepsUnstoredAnswers_data() { TestSupport::addCases(u"sessions/exam-unstored.tsv"_s); }
    void sessionKeepsUnstoredAnswers()
    {
        openSession();
        const bool locked = QTest::currentDataTag() == "file locked"_ba; // else a trigger refuses the write
        const auto result = locked ? ExamSession::StoreResult::NotStored : ExamSession::StoreResult::Refused;
        const QString reason = locked ? u"database is locked"_s : u"no answers today"_s;
        ConnectionPool::setBusyTimeout(20);
        ExamSession session;
        QVERIFY(session.create(u"Ann"_s, 10, SessionCases::ticked(u"3"_s), false));
        const std::shared_ptr<Recordset> rs = session.openQuestions();
        QVERIFY(session.openSideTables());
        const qint32 first = rs->Fields(u"DetailID"_s).toInt();
        std::shared_ptr<SqliteHandle> lock;
        if (locked)
            lock = TestSupport::holdWriteLock(m_program->dbPath());
        else
            exec(u"CREATE TRIGGER refusing BEFORE UPDATE ON ExamDetails BEGIN SELECT RAISE(ABORT, 'no answers today'); "
                 "END"_s);
        QVERIFY(rs->setField(u"Answer"_s, u"B"_s) && rs->setField(u"Answered"_s, true));
        QCOMPARE(session.storeAnswer(), result);
        QVERIFY(session.isUnstored(0) && !session.isUnstored(1));
        QCOMPARE(session.unstoredCount(), 1);
        const std::optional<QString> notice = session.takeStoreNotice();
        QVERIFY(notice && notice->contains(reason));
        QVERIFY(!session.takeStoreNotice());
        // A second failure of the same outage is not told again.
        QCOMPARE(session.storeAnswer(), result);
        QVERIFY(!session.takeStoreNotice());
        QCOMPARE(session.unanswered(), 10); // counted from the file all the same
        lock.reset();
        exec(u"DROP TRIGGER IF EXISTS refusing"_s);
        QCOMPARE(session.retryUnstored(false), result);
        QVERIFY(session.isUnstored(0));
        QCOMPARE(scalar(u"SELECT Answer FROM ExamDetails WHERE DetailID = %1"_s.arg(first)), QVariant());
        // Stored, the answer carries the exam's progress with it: the time left and the heartbeat.
        gTimeLeft = 611;
        Clock::setNow(Clock::now().addSecs(100));
        QCOMPARE(session.retryUnstored(!locked), ExamSession::StoreResult::Stored);
        QCOMPARE(scalar(u"SELECT TimeLeft || ' ' || Heartbeat FROM ExamProgress"_s).toString(), u"611 %1"_s.arg(now()));
        QVERIFY(!session.hasUnstored() && !session.isUnstored(0));
        QCOMPARE(scalar(u"SELECT Answer FROM ExamDetails WHERE DetailID = %1"_s.arg(first)), QVariant(u"B"_s));
        QVERIFY(!session.takeStoreNotice());
        // Stored at last, it leaves the count as the file has it.
        QCOMPARE(session.unanswered(), 9);
        QCOMPARE(count(u"ExamDetails WHERE ExamID = %1 AND Answered = 0"_s.arg(session.examId())), 9);
    }

    // One statement scores the exam: a row counts when its stored answer is the question's correct
    // answer, case aside and blanks kept, a missing answer taken as an empty one.
    void sessionScores_data() { TestSupport::addCases(u"sessions/exam-score.tsv"_s); }
    void sessionScores()
    {
        openSession();
        QFETCH(QString, details);
        const int score = SessionCases::number("score");
        const QStringList rows = details.split(u'|');
        // The designed exam, and another of the same questions all answered right.
        exec(u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES ('Kim', '2026-12-01 10:00:00', %1), "
             "('Lou', '2026-12-01 11:00:00', %1)"_s.arg(rows.size()));
        for (const QString &row : rows) {
            const QStringList d = row.split(u';'); // QID, correct answer, answer; NULL for none
            exec(u"UPDATE Q_A SET CorrectAnswer = NULLIF('%1', 'NULL') WHERE QID = %2"_s.arg(d[1], d[0]));
            exec(u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (1, 'Kim', %1, "
                 "NULLIF('%2', 'NULL'), -1), (2, 'Lou', %1, NULLIF('%3', 'NULL'), -1)"_s.arg(
                     d[0], d[2], d[1] == u"NULL"_s ? u"A"_s : d[1]));
        }
        ExamSession session;
        QVERIFY(session.score(1) && !session.failure());
        QCOMPARE(std::pair(result(1), result(2)), std::pair(QVariant(qlonglong(score)), QVariant()));
    }

    // The exam offered at the next start: the newest unscored one whose run stopped more than 90
    // seconds ago or ended through a failure, only the candidate's own on a class's server.
    void sessionOffers_data() { TestSupport::addCases(u"sessions/exam-offer.tsv"_s); }
    void sessionOffers()
    {
        openSession();
        const QList<int> ages = SessionCases::numbers(SessionCases::text("ages"));
        const auto [endedRun, user] = SessionCases::texts("endedRun", "user");
        const int offered = SessionCases::number("offered");
        for (int i = 0; i < ages.size(); ++i)
            leftBehind(ages.at(i), i == ages.size() - 1 && !endedRun.isEmpty() ? endedRun : u"old-run"_s);
        // A scored exam is never offered, however old its heartbeat.
        const qint32 scored = leftBehind(5000);
        exec(u"UPDATE ExamTitle SET ExamResult = 1 WHERE ExamID = %1"_s.arg(scored));
        UserSettings::setEndedRun(endedRun);

        ExamSession session;
        const std::optional<ExamSession::Offer> offer = session.findOffer(user);
        QVERIFY(!gDB);
        QCOMPARE(offer ? offer->examId : 0, offered);
        if (!offer)
            return;
        QVERIFY(UserSettings::endedRun().isEmpty());
        // Taken over, a run that ended but a moment ago too (a race lost to another window: resumeOffered).
        QVERIFY(session.claim(*offer));
        QCOMPARE(scalar(u"SELECT Token FROM ExamProgress WHERE ExamID = %1"_s.arg(offered)).toString(), u"this-run"_s);
    }
};

QTEST_MAIN(tst_exam)
#include "tst_exam.moc"
