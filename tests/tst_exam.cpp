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
using TestSupport::query;
using namespace Qt::StringLiterals;

// Drives the exam screen as a candidate would and checks what is stored.
class tst_exam final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_window = nullptr;
    QPointer<frmExam> m_exam;

    void openProgram(const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse = {})
    {
        m_program->build(counts, trueFalse);
        m_window = m_program->start();
        m_window->menuForm()->OpenScreen(0);
        m_exam = m_window->examForm();
        QVERIFY(m_exam);
    }
    void openProgram() { openProgram({10, 10, 10, 10, 10, 10}); }
    void startExam(const QString &name, const QList<int> &categories, int countIndex = 0)
    {
        QTest::keyClicks(m_exam->Text1(0), name);
        for (int c : categories)
            click(m_exam->chkCategory(c));
        click(m_exam->optTask(countIndex));
        clickCommand(0);
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickCommand(int index) { click(m_exam->Command1(index)); }
    QString dbPath() const { return m_program->dbPath(); }
    QVariant result(qint32 examId) const
    {
        return m_program->scalar(QStringLiteral("SELECT ExamResult FROM ExamTitle WHERE ExamID = %1").arg(examId));
    }
    int count(const QString &sql) const { return m_program->scalar(QStringLiteral("SELECT count(*) ") + sql).toInt(); }
    // Nothing stored, the set-up controls usable, the clock stopped.
    void verifyInSetUp() const
    {
        QCOMPARE(count(QStringLiteral("FROM ExamTitle")) + count(QStringLiteral("FROM ExamDetails")), 0);
        QVERIFY(m_exam->Frame1(0)->isEnabled() && m_exam->Frame1(1)->isEnabled() && m_exam->Frame1(3)->isHidden());
        QVERIFY(m_exam->Command1(0)->isEnabled() && !m_exam->Command1(1)->isEnabled());
        QVERIFY(!m_exam->Timer1()->isActive());
        QCOMPARE(m_exam->Label1(10)->text(), QString());
        QCOMPARE(m_exam->windowTitle(), QStringLiteral(" Set New Exam"));
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
        TestSupport::screenshot(m_window, QStringLiteral("exam-setup"));
        QVERIFY(m_exam->optTask(0)->isChecked());
        QCOMPARE(gNumOfQuestions, 10);
        for (int i : {0, 1, 4})
            QVERIFY(!m_exam->Command1(i)->isEnabled());
        click(m_exam->optTask(2));
        click(m_exam->optTask(1));
        QCOMPARE(gNumOfQuestions, 30);
        // Each step: the box clicked, then the boxes ticked and whether Start Exam is enabled.
        const QList<std::tuple<int, QList<int>, bool>> steps{{0, {0}, true}, {0, {}, false}, {2, {2}, true},
            {4, {2, 4}, true}, {2, {4}, true}, {0, {0, 4}, true}, {1, {0, 1, 4}, true}, {6, {6}, true}, {3, {3}, true},
            {6, {6}, true}, {6, {}, false}};
        for (const auto &[clicked, ticked, startEnabled] : steps) {
            click(m_exam->chkCategory(clicked));
            QList<int> on;
            for (int i = 0; i < 7; ++i)
                if (m_exam->chkCategory(i)->isChecked())
                    on << i;
            QCOMPARE(on, ticked);
            QCOMPARE(m_exam->Command1(0)->isEnabled(), startEnabled);
        }
        // Closing the set-up screen scores nothing, not even an exam a stale key points at.
        m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) "
                                       "VALUES ('Old', '2025-01-01 10:00:00', 10)"));
        gExamID = 1;
        qobject_cast<QMdiSubWindow *>(m_exam->parentWidget())->close();
        QVERIFY(result(1).isNull());
        QVERIFY(!gExamLoaded && gViewExamLoaded);
        QVERIFY(m_window->menuForm()->Command1(0)->isEnabled());
    }

    void blankNames()
    {
        openProgram();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_exam->Text1(0)->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(m_exam->Text1(0), QStringLiteral("   "));
        // A click on a label, on an empty part of a frame or on the screen's ground is no move
        // to another control.
        for (QWidget *spot : {static_cast<QWidget *>(m_exam->Label1(0)), static_cast<QWidget *>(m_exam->Frame1(0)),
                 m_exam->Frame1(0)->parentWidget()}) {
            QTest::mouseClick(spot, Qt::LeftButton, {}, QPoint(2, spot->height() - 3));
            QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(spot->objectName()));
            QVERIFY(m_exam->Text1(0)->hasFocus());
        }
        QTest::keyClick(m_exam->Text1(0), Qt::Key_Tab);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(box(0), (QVariantList{"User name can not be blank.", "User Name", MessageBox::Critical}));
        QVERIFY(m_exam->Text1(0)->hasFocus());
        QCOMPARE(m_exam->Text1(0)->text(), QStringLiteral("   "));
        // Start Exam repeats the check and starts nothing.
        click(m_exam->chkCategory(0));
        clickCommand(0);
        QCOMPARE(box(-1), (QVariantList{"Please enter the name", "Missing name", MessageBox::Critical}));
        verifyInSetUp();
        // With a name the focus goes on without a word.
        MessageBox::clearShown();
        m_exam->Text1(0)->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(m_exam->Text1(0), QStringLiteral("Ann"));
        QTest::keyClick(m_exam->Text1(0), Qt::Key_Tab);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!m_exam->Text1(0)->hasFocus());
    }

    void controlCharactersNeverReachTheName()
    {
        openProgram();
        QLineEdit *name = qobject_cast<QLineEdit *>(m_exam->Text1(0));
        QVERIFY(name);
        name->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(name, QStringLiteral("O'Ne"));
        QGuiApplication::clipboard()->setText(
            QStringLiteral("i") + QChar(0) + QStringLiteral("l\t \x1b[\x7f\u00e9\r\n"));
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        name->insert(QString(QChar(0)) + QStringLiteral("\u65e5\x1f"));
        QCOMPARE(name->text(), QStringLiteral("O'Neil [\u00e9\u65e5"));
        QCOMPARE(name->cursorPosition(), int(name->text().size()));
        click(m_exam->chkCategory(0));
        clickCommand(0);
        // Stored exactly as it stands in the box.
        QCOMPARE(m_program->scalar(QStringLiteral("SELECT UserName FROM ExamTitle")).toString(), name->text());
        QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE UserName = 'O''Neil [\u00e9\u65e5'")), 10);
    }

    void divisions_data()
    {
        QTest::addColumn<int>("countIndex");
        QTest::addColumn<QList<int>>("categories");
        QTest::addColumn<QList<int>>("blocks"); // pairs: category whose range the next slots lie in, slot count
        QTest::newRow("10 over 3") << 0 << QList<int>{0, 2, 5} << QList<int>{0, 3, 2, 3, 5, 4};
        QTest::newRow("50 over 4") << 2 << QList<int>{1, 2, 3, 4} << QList<int>{1, 12, 2, 12, 3, 12, 4, 14};
        QTest::newRow("30 over 6") << 1 << QList<int>{0, 1, 2, 3, 4, 5}
                                   << QList<int>{0, 5, 1, 5, 2, 5, 3, 5, 4, 5, 5, 5};
        QTest::newRow("10 over six") << 0 << QList<int>{0, 1, 2, 3, 4, 5}
                                     << QList<int>{0, 1, 1, 1, 2, 1, 3, 1, 4, 1, 5, 5};
        QTest::newRow("10 from one") << 0 << QList<int>{3} << QList<int>{3, 10};
        QTest::newRow("50 from all") << 2 << QList<int>{6} << QList<int>{-1, 50};
    }
    void divisions()
    {
        QFETCH(int, countIndex);
        QFETCH(QList<int>, categories);
        QFETCH(QList<int>, blocks);
        openProgram({20, 20, 20, 20, 20, 20});
        // An exam dated later than now must not be taken for the new one.
        m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) "
                                       "VALUES ('Later', '2030-01-01 00:00:00', 10)"));
        const QString name = QStringLiteral("  O'Brien 'Jr.''  ");
        startExam(name, categories, countIndex);
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QCOMPARE(m_exam->examId(), 2);
        QCOMPARE(gExamID, 2);
        QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE ExamID = 1")), 0);
        const QList<QVariantList> qids = query(dbPath(),
            QStringLiteral("SELECT QID FROM ExamDetails "
                           "WHERE ExamID = 2 ORDER BY DetailID"));
        QCOMPARE(count(QStringLiteral("FROM (SELECT DISTINCT QID FROM ExamDetails WHERE ExamID = 2)")), qids.size());
        int slot = 0;
        for (int b = 0; b < blocks.size(); b += 2)
            for (int i = 0, c = blocks.at(b); i < blocks.at(b + 1); ++i, ++slot) {
                const int qid = qids.value(slot).value(0).toInt();
                QVERIFY2(c < 0 ? qid >= 1 && qid <= 120 : qid > c * 20 && qid <= c * 20 + 20,
                    qPrintable(QStringLiteral("slot %1").arg(slot + 1)));
            }
        QCOMPARE(qids.size(), slot);
        QCOMPARE(query(dbPath(),
                     QStringLiteral("SELECT NumOfQuestions, ExamDate, ExamResult FROM ExamTitle "
                                    "WHERE ExamID = 2"))
                     .first(),
            (QVariantList{slot, QStringLiteral("2026-12-04 00:30:00"), QVariant()}));
        // The name is stored exactly as typed, in the title and in every question row.
        QCOMPARE(query(dbPath(),
                     QStringLiteral("SELECT UserName FROM ExamTitle WHERE ExamID = 2 "
                                    "UNION SELECT UserName FROM ExamDetails WHERE ExamID = 2")),
            QList<QVariantList>{{name}});
        QCOMPARE(m_exam->windowTitle(), QStringLiteral(" Exam: ") + name);
    }

    void clockPanel_data()
    {
        QTest::addColumn<int>("countIndex");
        QTest::addColumn<QStringList>("labels"); // duration, time left, time left one tick later
        QTest::newRow("10") << 0 << QStringList{"12 minutes", "12:00", "11:59"};
        QTest::newRow("30") << 1 << QStringList{"36 minutes", "36:00", "35:59"};
        QTest::newRow("50") << 2 << QStringList{"60 minutes", "59:59", "59:58"};
    }
    void clockPanel()
    {
        QFETCH(int, countIndex);
        QFETCH(QStringList, labels);
        openProgram({50, 50, 50, 50, 50, 50});
        Clock::setNow(QDateTime(QDate(2026, 12, 4), QTime(21, 5, 0)));
        startExam(QStringLiteral("Eve"), {6}, countIndex);
        QCOMPARE(m_exam->Label1(7)->text(), QStringLiteral("12/04/26"));
        QCOMPARE(m_exam->Label1(8)->text(), QStringLiteral("09:05 PM"));
        QCOMPARE(m_exam->Label1(9)->text(), labels.at(0));
        QCOMPARE(m_exam->Label1(10)->text(), labels.at(1));
        QCOMPARE(m_exam->Label1(11)->text(), QString::number(gNumOfQuestions));
        QCOMPARE(m_exam->Timer1()->interval(), 1000);
        Clock::advance(1);
        QCOMPARE(m_exam->Label1(10)->text(), labels.at(2));
    }

    void timeOver()
    {
        openProgram();
        startExam(QStringLiteral("Finn"), {0});
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
        QCOMPARE(
            box(0), (QVariantList{"The exam time is over.\n       Thank you.", "Exam Time", MessageBox::Critical}));
        // Scored, results shown, exam screen gone.
        QVERIFY(!result(1).isNull());
        QVERIFY(!gExamLoaded && gViewExamLoaded);
        QVERIFY(m_window->menuForm()->Command1(0)->isEnabled());
        Clock::advance(3);
        QCOMPARE(MessageBox::shown().size(), 1);
    }

    void navigationAndStatus()
    {
        openProgram();
        startExam(QStringLiteral("Hal"), {2});
        QVERIFY(m_exam->Frame1(3)->isVisible() && !m_exam->Frame1(0)->isEnabled() && !m_exam->Frame1(1)->isEnabled());
        QVERIFY(
            !m_exam->Command1(0)->isEnabled() && m_exam->Command1(1)->isEnabled() && m_exam->Command1(4)->isEnabled());
        QCOMPARE(m_exam->Label1(11)->text(), QStringLiteral("10"));
        // Each step: the command clicked, then the status and the beeps so far.
        const int steps[][3]{{3, 1, 1}, {5, 2, 1}, {5, 3, 1}, {6, 10, 1}, {5, 10, 2}, {2, 1, 2}};
        for (const auto &[command, position, beeps] : steps) {
            clickCommand(command);
            QCOMPARE(m_exam->lblStatus()->text(), QStringLiteral("Question: %1 of 10").arg(position));
            QCOMPARE(m_exam->rsExam()->AbsolutePosition(), position);
            QCOMPARE(SystemBeep::count(), beeps);
        }
        // The shown question is the current row's.
        QCOMPARE(m_exam->txtFieldsText(0), m_exam->rsExam()->Fields(QStringLiteral("Question")).toString());
        QCOMPARE(m_exam->txtFieldsText(7), QStringLiteral("Database Basic"));
    }

    void answeringStoresTheRow()
    {
        openProgram();
        startExam(QStringLiteral("Ida"), {0});
        const qlonglong firstDetail = m_exam->rsExam()->Fields(QStringLiteral("DetailID")).toLongLong();
        click(m_exam->Option1(2));
        QCOMPARE(m_exam->txtFieldsText(6), QStringLiteral("C"));
        QVERIFY(m_exam->Check1()->isChecked() && m_exam->Option1(2)->isChecked());
        // Stored when the cursor leaves the row; the count then drops by one.
        clickCommand(5);
        const QVariantList row = query(dbPath(),
            QStringLiteral("SELECT Answer, Answered FROM ExamDetails "
                           "WHERE DetailID = %1")
                .arg(firstDetail))
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
        QCOMPARE(count(QStringLiteral("FROM ExamDetails d JOIN Q_A q ON q.QID = d.QID "
                                      "WHERE d.Answer = q.CorrectAnswer AND d.DetailID = %1")
                           .arg(firstDetail)),
            1);
        QCOMPARE(m_exam->Label1(11)->text(), QStringLiteral("9"));
        TestSupport::screenshot(m_window, QStringLiteral("exam-running"));
        // The answer on screen when the exam ends counts too.
        clickCommand(6);
        click(correctOption());
        clickCommand(1);
        QCOMPARE(result(1).toInt(), 2);
    }

    void trueFalseDisablesCAndD()
    {
        // Networking questions 1..10 are all true/false; Software Testing ones have four choices.
        openProgram({10, 0, 0, 0, 0, 10}, {0, 0, 0, 0, 0, 10});
        startExam(QStringLiteral("Jo"), {0, 5});
        int trueFalseSeen = 0;
        for (int i = 0; i < 10; ++i, clickCommand(5)) {
            const bool trueFalse = m_exam->txtFieldsText(3).isEmpty();
            trueFalseSeen += trueFalse;
            QCOMPARE(m_exam->Option1(2)->isEnabled(), !trueFalse);
            QCOMPARE(m_exam->Option1(3)->isEnabled(), !trueFalse);
            QVERIFY(m_exam->Option1(0)->isEnabled());
        }
        QCOMPARE(trueFalseSeen, 5);
    }

    void scoringComparesCaseButNotBlanks()
    {
        openProgram();
        startExam(QStringLiteral("Kim"), {0});
        // Store answers behind the screen's back: the right letter in lower case for the first
        // three questions, the right letter with a trailing blank for the next two.
        const QList<QVariantList> rows = query(dbPath(),
            QStringLiteral("SELECT d.DetailID, q.CorrectAnswer "
                           "FROM ExamDetails d JOIN Q_A q ON q.QID = d.QID ORDER BY d.DetailID"));
        for (int i = 0; i < 5; ++i) {
            const QString correct = rows.at(i).at(1).toString();
            m_program->exec(QStringLiteral("UPDATE ExamDetails SET Answer = '%1', Answered = -1 WHERE DetailID = %2")
                                .arg(i < 3 ? correct.toLower() : correct + QLatin1Char(' '))
                                .arg(rows.at(i).at(0).toLongLong()));
        }
        m_exam->rsExam().reset();
        clickCommand(1);
        QCOMPARE(result(1).toInt(), 3);
        QVERIFY(!gExamLoaded && gViewExamLoaded);
    }

    // A question of several right answers counts only when its ticks are exactly the right ones,
    // whatever order they were ticked in.
    void scoringSeveralRightAnswers_data()
    {
        QTest::addColumn<QString>("ticked"); // in the order clicked
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("result");
        QTest::newRow("both right") << u"AC"_s << u"AC"_s << 1;
        QTest::newRow("ticked the other way round") << u"CA"_s << u"AC"_s << 1;
        QTest::newRow("one of them wrong") << u"BA"_s << u"AB"_s << 0;
        QTest::newRow("only one ticked") << u"C"_s << u"C"_s << 0;
    }
    void scoringSeveralRightAnswers()
    {
        QFETCH(QString, ticked);
        QFETCH(QString, stored);
        QFETCH(int, result);
        openProgram();
        m_program->exec(u"UPDATE Q_A SET CorrectAnswer = 'AC'"_s);
        startExam(u"Lea"_s, {0});
        for (const QChar letter : ticked)
            click(m_exam->chkChoice(letter.unicode() - u'A'));
        clickCommand(1);
        QCOMPARE(m_program->scalar(u"SELECT Answer FROM ExamDetails ORDER BY DetailID LIMIT 1"_s).toString(), stored);
        QCOMPARE(this->result(1).toInt(), result);
    }

    void shortageIsRefusedBeforeAnythingChanges_data()
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
        QTest::newRow("whole pool too small") << QList<int>{5, 5, 5, 5, 5,
            4} << QList<int>{6} << 1 << "The question pool has 29 question(s), but this exam needs 30 from it.";
    }
    void shortageIsRefusedBeforeAnythingChanges()
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

    void storageFailures_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<QString>("message");
        QTest::newRow("title insert") << "BEFORE INSERT ON ExamTitle" << true << "The exam could not be stored:\n";
        QTest::newRow("detail insert") << "BEFORE INSERT ON ExamDetails WHEN (SELECT count(*) FROM ExamDetails) >= 3"
                                       << true << "The exam could not be stored:\n";
        QTest::newRow("score update") << "BEFORE UPDATE ON ExamTitle" << false
                                      << "The result of the exam could not be stored:\n";
    }
    void storageFailures()
    {
        QFETCH(QString, when);
        QFETCH(bool, atStart);
        QFETCH(QString, message);
        openProgram();
        const QString trigger
            = QStringLiteral("CREATE TRIGGER failing %1 BEGIN SELECT RAISE(ABORT, 'disk is full'); END").arg(when);
        if (atStart)
            m_program->exec(trigger);
        startExam(QStringLiteral("Ned"), {0});
        if (!atStart) {
            m_program->exec(trigger);
            clickCommand(1);
            QVERIFY(gViewExamLoaded);
        }
        QCOMPARE(MessageBox::shown().size(), 1);
        const QString text = MessageBox::shown().first().text;
        QVERIFY2(text.startsWith(message) && text.contains(QStringLiteral("disk is full")), qPrintable(text));
        if (atStart)
            verifyInSetUp();
    }

    void failedAnswerWriteIsReportedOnce()
    {
        openProgram();
        startExam(QStringLiteral("Quin"), {0});
        m_program->exec(QStringLiteral("CREATE TRIGGER no_answers BEFORE UPDATE ON ExamDetails "
                                       "BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END"));
        for (int i = 0; i < 2; ++i) {
            click(m_exam->Option1(1));
            clickCommand(5);
        }
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

    // Any program folder reaches its database, whatever its name holds: start, exam, results.
    void specialFolders_data()
    {
        QTest::addColumn<QString>("folder");
        for (const char *name : {"O'Brien", "semi;colon", "a \"quoted\" name", "with = equals", "two  spaces ", "'lead",
                 "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd \xe6\x97\xa5\xe6\x9c\xac"})
            QTest::newRow(name) << QString::fromUtf8(name);
    }
    void specialFolders()
    {
        QFETCH(QString, folder);
        m_program = std::make_unique<TestSupport::Program>(folder);
        openProgram();
        QVERIFY(!AppExit::requested());
        startExam(QStringLiteral("Una"), {0});
        click(m_exam->Option1(0));
        clickCommand(1);
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QVERIFY(!AppExit::requested());
        QCOMPARE(m_program
                     ->scalar(QStringLiteral("SELECT UserName || ' ' || NumOfQuestions || ' ' || "
                                             "(ExamResult IS NOT NULL) FROM ExamTitle"))
                     .toString(),
            QStringLiteral("Una 10 1"));
        QPointer<frmViewExam> view = m_window->viewExamForm();
        QVERIFY(view);
        QCOMPARE(view->gridModel()->rowCount(), 1);
        view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
        view->Grid1_DblClick();
        QCOMPARE(view->reviewedExamId(), 1);
        QVERIFY(!view->txtFieldsText(0).isEmpty());
        QVERIFY(!AppExit::requested());
    }

    void reviewDuringExam()
    {
        openProgram();
        m_program->exec(QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) "
                                       "VALUES ('Old', '2025-01-01 10:00:00', 10, 4); INSERT INTO ExamDetails "
                                       "(ExamID, UserName, QID, Answer) VALUES (1, 'Old', 1, 'A')"));
        startExam(QStringLiteral("Ray"), {0});
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
        QVERIFY(!result(2).isNull());
        QCOMPARE(count(QStringLiteral("FROM ExamDetails WHERE ExamID = 1")), 1);
    }
};

QTEST_MAIN(tst_exam)
#include "tst_exam.moc"
