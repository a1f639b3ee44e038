#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTime>

#include "ClassroomProgram.h"
#include "TestSupport.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/ExamSession.h"
#include "data/Recordset.h"
#include "data/ServerRules.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "platform/MessageBox.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/StartOptions.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using namespace Qt::StringLiterals;

// The program's own road on a class's server built by vesk-buildpool: a candidate, whose login holds
// no write privilege at all, takes an exam through the screens and it is stored and scored by the
// server's functions; the server's clock rules the screen's (time over, an exam overdue), the
// trainer ends a running exam, and only the trainer deletes.
class tst_classroom_exam final : public ClassroomProgram {
    Q_OBJECT

    static QString writePrivileges(const QString &role)
    {
        return u"SELECT count(*) FROM pg_tables t CROSS JOIN unnest(ARRAY['INSERT', 'UPDATE', 'DELETE', "
               "'TRUNCATE']) p WHERE t.schemaname IN ('public', 'vesk_private') AND has_table_privilege('%1', "
               "quote_ident(t.schemaname) || '.' || quote_ident(t.tablename), p)"_s.arg(role);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_class.addClass());
    }
    void init() { TestSupport::resetProgramState(); }
    void cleanup()
    {
        closeProgram();
        gRs.reset();
        gDB.reset();
        gConnection.reset();
        ConnectionPool::clear();
    }

    // Ann holds no write privilege on any table, yet her exam is stored as she moves, flagged,
    // counted and scored: everything went through the server's functions. Pause stays off, as the
    // server keeps the time, and the screen's clock follows the server's.
    void candidateExamGoesThroughTheFunctions()
    {
        QCOMPARE(admin(writePrivileges(u"ann"_s)), u"0"_s);
        startAs(u"ann"_s);
        QPointer<frmExam> exam = openExam();
        QVERIFY(!exam->Command1(4)->isEnabled());
        QCOMPARE(exam->Command1(4)->toolTip(), u"The class's server keeps the time"_s);
        const qint32 id = takeExam(exam, 6, 1, false);
        QVERIFY(id > 0);
        QVERIFY(!exam->Command1(4)->isEnabled());
        QCOMPARE(exam->Command1(4)->toolTip(), u"The class's server keeps the time"_s);
        QCOMPARE(
            admin(
                u"SELECT UserName || ' ' || NumOfQuestions || ' ' || coalesce(ExamResult::text, '-') || ' ' || "
                "(SELECT count(*) FROM ExamClock k WHERE k.ExamID = t.ExamID) FROM ExamTitle t WHERE ExamID = %1"_s.arg(
                    id)),
            u"ann 10 - 1"_s);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamDetails WHERE ExamID = %1 AND Answer IS NOT NULL"_s.arg(id)), u"7"_s);
        QCOMPARE(exam->Label1(11)->text(), u"3"_s);
        click(exam->flagToggle());
        QCOMPARE(admin(u"SELECT count(*) FROM ExamFlags f JOIN ExamDetails d ON d.DetailID = f.DetailID WHERE "
                       "d.ExamID = %1"_s.arg(id)),
            u"1"_s);

        // The server gives the exam more time: the heartbeat brings the screen's clock to it.
        QVERIFY(m_class.exec(
            u"UPDATE ExamClock SET Deadline = now() + interval '3000 seconds' WHERE ExamID = %1"_s.arg(id)));
        Clock::setNow(Clock::now().addSecs(31));
        Clock::advance(1);
        QVERIFY2(gTimeLeft > ServerRules::durationOf(10), qPrintable(QString::number(gTimeLeft)));
        QVERIFY2(exam->Label1(10)->text() > u"12:00"_s, qPrintable(exam->Label1(10)->text()));
        // And an answer's call does the same once it is taken away again.
        QVERIFY(m_class.exec(
            u"UPDATE ExamClock SET Deadline = now() + interval '100 seconds' WHERE ExamID = %1"_s.arg(id)));
        click(exam->Option1(letterOf(*exam->rsExam())));
        click(exam->Command1(5));
        QVERIFY2(gTimeLeft <= 100, qPrintable(QString::number(gTimeLeft)));
        QCOMPARE(exam->Label1(10)->text(), QTime(0, 0).addSecs(gTimeLeft).toString(u"mm:ss"_s));

        click(exam->Command1(1));
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"7"_s);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamProgress WHERE ExamID = %1"_s.arg(id)), u"0"_s);
        QVERIFY(m_window->viewExamForm());
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QCOMPARE(admin(writePrivileges(u"ann"_s)), u"0"_s);
    }

    // The server's clock ran out while the screen's had not (the owner moved the exam's start
    // back): the next answer is refused, the time-over box shows, and the exam ends as when the
    // screen's clock runs out: scored as it stood, the results open.
    void timeOverOnTheServer()
    {
        startAs(u"ann"_s);
        QPointer<frmExam> exam = openExam();
        const qint32 id = takeExam(exam, 2, 0, false);
        QVERIFY(id > 0);
        QVERIFY(m_class.exec(u"UPDATE ExamClock SET StartedAt = StartedAt - interval '1 hour', Deadline = Deadline - "
                             "interval '1 hour' WHERE ExamID = %1"_s.arg(id)));
        click(exam->Option1(letterOf(*exam->rsExam())));
        click(exam->Command1(5));
        QTRY_VERIFY(m_window->viewExamForm());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Exam Time"_s);
        QCOMPARE(MessageBox::shown().first().text, u"The exam time is over.\n       Thank you."_s);
        QCOMPARE(MessageBox::shown().first().icon, MessageBox::Critical);
        QVERIFY(!exam || !exam->isRunning());
        QCOMPARE(admin(u"SELECT ExamResult || ' ' || (SELECT count(*) FROM ExamDetails d WHERE d.ExamID = t.ExamID "
                       "AND d.Answer IS NOT NULL) FROM ExamTitle t WHERE ExamID = %1"_s.arg(id)),
            u"2 2"_s);
    }

    // The trainer ends Ann's exam from her own program: Ann's screen tells her, the exam is not
    // continued, and her results open with it scored as it stood.
    void trainerEndsTheExam()
    {
        startAs(u"ann"_s);
        QPointer<frmExam> exam = openExam();
        const qint32 id = takeExam(exam, 3, 0, false);
        QVERIFY(id > 0);
        const std::shared_ptr<Database> tina = ClassServer::connectAs(u"tina"_s, u"tina-pw"_s);
        QVERIFY(tina);
        Database::Result ended;
        DbError error;
        QVERIFY2(tina->query(ServerRules::endExamOf(u"ann"_s), &ended, &error), qPrintable(error.text()));
        QCOMPARE(ended.rows.front().front().toInt(), 1);

        click(exam->Option1(letterOf(*exam->rsExam())));
        click(exam->Command1(5));
        QTRY_VERIFY(m_window->viewExamForm());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Exam Ended"_s);
        QCOMPARE(MessageBox::shown().first().text, u"The trainer ended this exam."_s);
        QVERIFY(!exam || !exam->isRunning());
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"3"_s);
        // Nothing of it is offered again.
        closeProgram();
        ConnectionPool::clear();
        TestSupport::resetProgramState();
        startAs(u"ann"_s);
        QVERIFY(openExam());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // An exam whose deadline passed while no program ran it is scored before anything reads the
    // server: not offered to continue, and listed with its score.
    void overdueExamIsScoredNotOffered_data()
    {
        QTest::addColumn<bool>("throughResults"); // the results screen first, else the exam screen
        QTest::newRow("the exam screen") << false;
        QTest::newRow("the results screen") << true;
    }
    void overdueExamIsScoredNotOffered()
    {
        QFETCH(bool, throughResults);
        qint32 id = 0;
        {
            const std::shared_ptr<Database> ann = ClassServer::connectAs(u"ann"_s, u"ann-pw"_s);
            Database::Result started;
            DbError error;
            QVERIFY2(ann->query(ServerRules::startExam({0}, 10, false, u"gone"_s), &started, &error),
                qPrintable(error.text()));
            id = started.rows.front().front().toInt();
            QVERIFY(ann->query(u"SELECT vesk_answer(min(DetailID), 'A') FROM ExamDetails WHERE ExamID = %1"_s.arg(id),
                &started, &error));
        }
        QVERIFY(m_class.exec(u"UPDATE ExamClock SET Deadline = now() - interval '1 hour' WHERE ExamID = %1"_s.arg(id)));
        startAs(u"ann"_s);
        if (throughResults) {
            frmViewExam *view = openResults();
            QVERIFY(view);
            bool listed = false;
            for (int row = 0; row < view->gridModel()->rowCount(); ++row) {
                if (view->gridModel()->index(row, 0).data(Qt::EditRole).toInt() == id) {
                    listed = true;
                    QVERIFY(!view->gridModel()->index(row, 4).data().toString().isEmpty());
                }
            }
            QVERIFY(listed);
        } else {
            QVERIFY(openExam());
            QVERIFY(MessageBox::shown().isEmpty());
        }
        QVERIFY(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)) != QString());
    }

    // The practice draw on a server: its check counts the candidate's mistakes with the server's own
    // function, and the server draws from them; a draw the server cannot fill is its refusal to
    // make, shown as the shortage box.
    void practiceAndShortageOnTheServer()
    {
        QVERIFY(m_class.addCandidate(u"cleo"_s, u"cleo-pw"_s));
        startAs(u"cleo"_s);
        QPointer<frmExam> exam = openExam();
        click(exam->chkCategory(0));
        if (!exam->chkPractise()->isChecked())
            click(exam->chkPractise());
        click(exam->Command1(0));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"No Mistakes to Practise"_s);
        QCOMPARE(exam->examId(), 0);

        // Four right, six left: six mistakes, too few for ten.
        click(exam->chkPractise());
        click(exam->chkCategory(0)); // ticked again by startAndAnswer
        const qint32 id = takeExam(exam, 4, 0, false);
        QVERIFY(id > 0);
        click(exam->Command1(1));
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"4"_s);
        MessageBox::clearShown();
        exam = openExam();
        click(exam->chkCategory(0));
        click(exam->chkPractise());
        click(exam->Command1(0));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().text,
            u"The category \"Software Testing\" has 6 question(s) answered wrong before, but this exam needs 10 "
            "from it.\nPlease tick other categories or choose fewer questions."_s);
        QCOMPARE(exam->examId(), 0);

        // The server's own refusal, past the screen's check.
        ExamSession session;
        ExamDraw::Ticked ticked{};
        ticked[0] = true;
        QVERIFY(!session.create(u"cleo"_s, 30, ticked, false));
        QVERIFY(session.drawShortage());
        QCOMPARE(session.examId(), 0);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamTitle WHERE UserName = 'cleo'"_s), u"1"_s);
    }

    // Only the trainer deletes: the candidate's Delete Exam stays off and says why; the trainer's
    // deletes the exam whole.
    void onlyTheTrainerDeletes_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<bool>("deletes");
        QTest::newRow("candidate") << u"ann"_s << false;
        QTest::newRow("trainer") << u"tina"_s << true;
    }
    void onlyTheTrainerDeletes()
    {
        QFETCH(QString, who);
        QFETCH(bool, deletes);
        const QString exams = admin(u"SELECT count(*) FROM ExamTitle WHERE UserName = 'ann'"_s);
        QVERIFY(exams.toInt() > 0);
        startAs(who);
        frmViewExam *view = openResults();
        QVERIFY(view && view->gridModel()->rowCount() > 0);
        view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
        view->Grid1_DblClick();
        const qint32 id = qint32(view->gridModel()->index(0, 0).data(Qt::EditRole).toLongLong());
        QVERIFY(view->Command1(4)->isEnabled());
        QCOMPARE(view->Command1(0)->isEnabled(), deletes);
        QCOMPARE(view->Command1(0)->toolTip(),
            deletes ? QString() : u"On a class's server only the trainer deletes exams"_s);
        if (!deletes)
            return;
        MessageBox::setNextAnswer(MessageBox::Yes);
        click(view->Command1(0));
        QCOMPARE(MessageBox::shown().last().title, u"Operation Completed"_s);
        QCOMPARE(admin(u"SELECT (SELECT count(*) FROM ExamTitle WHERE ExamID = %1) + (SELECT count(*) FROM "
                       "ExamDetails WHERE ExamID = %1) + (SELECT count(*) FROM ExamClock WHERE ExamID = %1)"_s.arg(id)),
            u"0"_s);
    }
};

QTEST_MAIN(tst_classroom_exam)
#include "tst_classroom_exam.moc"
