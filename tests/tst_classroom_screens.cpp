#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QTest>

#include "ClassroomProgram.h"
#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "core/SignIn.h"
#include "core/UserSettings.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/ExamQueries.h"
#include "data/Recordset.h"
#include "data/ServerRules.h"
#include "data/SqlDialect.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "platform/DesktopShell.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/SignInDialog.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/StartOptions.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionMapCell.h"

using namespace Qt::StringLiterals;

// Classroom mode through the real screens, as candidates and a trainer use them, on a server the
// test starts: exam creation, answers, flags, scoring by the server, the results list, review and
// the trainer's deletion, who sees what, signing in, and a server that is gone at start or goes away mid-exam.
class tst_classroom_screens final : public ClassroomProgram {
    Q_OBJECT

    qint32 m_bobExam = 0;

    QStringList listedNames(frmViewExam *view) const
    {
        QStringList names;
        for (int row = 0; row < view->gridModel()->rowCount(); ++row)
            names << view->gridModel()->index(row, 2).data().toString();
        names.sort();
        return names;
    }
    // Gives the right answer to the question on screen, and moves on when told to.
    void answerRight(frmExam *exam, bool moveOn = true)
    {
        click(exam->Option1(letterOf(*exam->rsExam())));
        if (moveOn)
            click(exam->Command1(5));
    }
    // The map's cells (1-based) shown answered, and those of them marked as not stored.
    static QList<int> mapCells(frmExam *exam, bool unstoredOnly)
    {
        QList<int> cells;
        for (int i = 0; i < exam->questionMap()->count(); ++i) {
            const QuestionMapCell *cell = exam->questionMap()->cell(i);
            if (cell->isAnswered() && (!unstoredOnly || cell->isUnstored()))
                cells << i + 1;
        }
        return cells;
    }
    // The positions (1-based) of the exam's questions whose answer is on the server.
    QList<int> storedOnServer(qint32 examId)
    {
        QList<int> positions;
        const QString answers = admin(
            u"SELECT string_agg(CASE WHEN Answer IS NULL THEN '.' ELSE 'a' END, '' ORDER BY DetailID) FROM ExamDetails "
            "WHERE ExamID = %1"_s.arg(examId));
        for (int i = 0; i < answers.size(); ++i) {
            if (answers.at(i) == u'a')
                positions << i + 1;
        }
        return positions;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_class.addClass());
        m_class.server().addDsn(u"Class"_s, QString::fromLatin1(ClassServer::kDatabase));
        // Bob's exam, drawn by the server from his own connection.
        const std::shared_ptr<Database> bob = ClassServer::connectAs(u"bob"_s, u"bob-pw"_s);
        DbError error;
        Database::Result started;
        QVERIFY2(bob->query(ServerRules::startExam({0}, 10, false, u"bob-run"_s), &started, &error),
            qPrintable(error.text()));
        m_bobExam = started.rows.front().front().toInt();
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

    // Ann's exam from set-up to score: her name fixed in the box, every answer on the server as she
    // moves, the score counted by the server, and a results list of her own exams only.
    void candidateTakesAnExam()
    {
        startAs(u"ann"_s);
        QVERIFY(!m_window->isQuitting());
        QCOMPARE(m_window->databaseRoad(), frmMain::DatabaseRoad::Classroom);
        QCOMPARE(FileDialog::shownCount(), 0); // no Exam.mdb looked for
        QVERIFY(m_window->windowTitle().endsWith(u"ann"_s));
        for (const char *name : {"mnuImport", "mnuExport"})
            QVERIFY(!m_window->findChild<QAction *>(QString::fromLatin1(name))->isEnabled());
        QPointer<frmExam> exam = openExam();
        QCOMPARE(exam->Text1(0)->text(), u"ann"_s);
        QVERIFY(exam->Text1(0)->isReadOnly());
        QTest::keyClicks(exam->Text1(0), u"mallory"_s);
        QCOMPARE(exam->Text1(0)->text(), u"ann"_s);
        TestSupport::screenshot(m_window.get(), u"classroom-exam-setup"_s);

        const qint32 id = takeExam(exam, 6, 1, false);
        QVERIFY(id > m_bobExam);
        QCOMPARE(
            admin(
                u"SELECT UserName || NumOfQuestions || coalesce(ExamResult::text, '-') FROM ExamTitle WHERE ExamID = %1"_s
                    .arg(id)),
            u"ann10-"_s);
        QCOMPARE(
            admin(
                u"SELECT count(*) FROM ExamDetails WHERE ExamID = %1 AND Answer IS NOT NULL AND UserName = 'ann'"_s.arg(
                    id)),
            u"7"_s);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamProgress WHERE ExamID = %1"_s.arg(id)), u"1"_s);
        click(exam->flagToggle());
        QCOMPARE(admin(u"SELECT count(*) FROM ExamFlags"_s), u"1"_s);
        QVERIFY(!exam->Command1(4)->isEnabled()); // the server keeps the time
        QCOMPARE(exam->Label1(11)->text(), u"3"_s); // questions left, counted on the server

        click(exam->Command1(1)); // End Exam: the server scores it
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"6"_s);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamProgress WHERE ExamID = %1"_s.arg(id)), u"0"_s);
        frmViewExam *view = m_window->viewExamForm();
        QVERIFY(view);
        QCOMPARE(listedNames(view), QStringList{u"ann"_s});
        QStringList headings;
        for (int c = 1; c < view->gridModel()->columnCount(); ++c)
            headings << view->gridModel()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings,
            (QStringList{u"Date"_s, u"User Name"_s, u"No of Questions"_s, u"Correct Answers"_s, u"Result (%)"_s}));
        // Dated by the server's clock, not the program's.
        QCOMPARE(
            view->gridModel()->index(0, 1).data().toString(), admin(u"SELECT to_char(localtimestamp, 'MM/DD/YY')"_s));
        QCOMPARE(view->gridModel()->index(0, 5).data().toString(), u"60"_s);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // Ann reviews her scored exam beside the right answers; deleting is the trainer's.
    void candidateReviews()
    {
        startAs(u"ann"_s);
        frmViewExam *view = openResults();
        QCOMPARE(view->gridModel()->rowCount(), 1);
        view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
        view->Grid1_DblClick();
        QCOMPARE(view->lblStatus()->text(), u"Question: 1 of 10"_s);
        QVERIFY(view->txtFieldsText(0).startsWith(u"Software Testing question"_s));
        QVERIFY(!view->txtFieldsText(8).isEmpty()); // the correct answer
        // The mark shows on the flagged question and on no other.
        QStringList flagged;
        for (int q = 0; q < 10; ++q) {
            if (!view->lblFlagged()->isHidden())
                flagged << view->txtFieldsText(5); // its DetailID
            click(view->Command1(5));
        }
        QCOMPARE(flagged, QStringList{admin(u"SELECT DetailID FROM ExamFlags"_s)});
        QVERIFY(!view->Command1(0)->isEnabled());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // The trainer sees every candidate's exam and deletes any, whole.
    void trainerSeesAndDeletesAll()
    {
        {
            startAs(u"ann"_s);
            QVERIFY(takeExam(openExam(), 2, 2) > 0);
            closeProgram();
            ConnectionPool::clear();
        }
        startAs(u"tina"_s);
        frmViewExam *view = openResults();
        QCOMPARE(listedNames(view), (QStringList{u"ann"_s, u"ann"_s, u"bob"_s}));
        int bobRow = 0;
        while (view->gridModel()->index(bobRow, 2).data().toString() != u"bob"_s)
            ++bobRow;
        view->Grid1()->setCurrentIndex(view->gridModel()->index(bobRow, 1));
        view->Grid1_DblClick();
        MessageBox::setNextAnswer(MessageBox::Yes);
        click(view->Command1(0));
        QCOMPARE(MessageBox::shown().last().title, u"Operation Completed"_s);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamTitle WHERE UserName = 'bob'"_s), u"0"_s);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamDetails WHERE UserName = 'bob'"_s), u"0"_s);
        QCOMPARE(admin(u"SELECT count(*) FROM ExamClock WHERE ExamID = %1"_s.arg(m_bobExam)), u"0"_s);
        QCOMPARE(listedNames(m_window->viewExamForm()), (QStringList{u"ann"_s, u"ann"_s}));
    }

    // However many exams are stored, the list's page is read along an index in the order shown,
    // never sorting them all, and a candidate's own exams are picked through the index on the name.
    void listFollowsIndexes_data()
    {
        const QString page = SqlDialect::translate(ExamQueries::examListPage(0, 100), SqlDialect::Target::PostgreSql);
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("setting"); // what the planner avoids unless nothing else will do
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("unwanted");
        QTest::newRow("trainer's page") << u"tina"_s << u"enable_sort"_s << page << u"Index Scan"_s << u"Sort"_s;
        QTest::newRow("candidate's page") << u"ann"_s << u"enable_sort"_s << page << u"Index Scan"_s << u"Sort"_s;
        QTest::newRow("candidate's exams") << u"ann"_s << u"enable_seqscan"_s << u"SELECT ExamID FROM ExamTitle"_s
                                           << u"Cond: (username = "_s << u"Seq Scan"_s;
    }
    void listFollowsIndexes()
    {
        QFETCH(QString, role);
        QFETCH(QString, setting);
        QFETCH(QString, statement);
        QFETCH(QString, wanted);
        QFETCH(QString, unwanted);
        QString plan;
        QVERIFY2(m_class.server().psql(
                     u"SET SESSION AUTHORIZATION %1; SET %2 = off; EXPLAIN %3"_s.arg(role, setting, statement), &plan,
                     QString::fromLatin1(ClassServer::kDatabase)),
            qPrintable(m_class.error()));
        QVERIFY2(plan.contains(wanted) && !plan.contains(unwanted), qPrintable(plan));
    }

    // A data source without a user: the sign-in box, once; cancelled, the program ends as a failed connection.
    void signsInWhenTheSourceHasNoUser()
    {
        SignIn::setNextAnswer(SignIn::Credentials{u"bob"_s, u"bob-pw"_s});
        startAs(u"Class"_s);
        QCOMPARE(SignIn::asked(), QList<QString>{u"Class"_s});
        QCOMPARE(openExam()->Text1(0)->text(), u"bob"_s);
        QCOMPARE(SignIn::asked().size(), 1);
        closeProgram();
        ConnectionPool::clear();
        TestSupport::resetProgramState();

        startAs(u"Class"_s); // nobody answers: cancelled
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Database Connection"_s);
        QVERIFY(AppExit::requested());
    }

    // The box itself: no signing in without a name; Enter signs in with what was typed.
    void signInBox()
    {
        SignInDialog box(u"Class; room 2"_s);
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QVERIFY(box.userBox()->hasFocus());
        auto *ok = box.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QCOMPARE(ok->text(), u"Sign In"_s);
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(box.userBox(), u"   "_s);
        QVERIFY(!ok->isEnabled());
        box.userBox()->clear();
        QTest::keyClicks(box.userBox(), u" ann "_s);
        QVERIFY(ok->isEnabled());
        QTest::keyClick(box.userBox(), Qt::Key_Tab);
        QVERIFY(box.passwordBox()->hasFocus());
        QTest::keyClicks(box.passwordBox(), u"p; w'd "_s);
        QCOMPARE(box.passwordBox()->echoMode(), QLineEdit::Password);
        TestSupport::screenshot(&box, u"classroom-sign-in"_s);
        QTest::keyClick(box.passwordBox(), Qt::Key_Return);
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QCOMPARE(box.user(), u"ann"_s);
        QCOMPARE(box.password(), u"p; w'd "_s);
    }

    // The settings file names the server when the command line does not.
    void settingsChooseTheServer()
    {
        {
            QSettings settings(u"vesk"_s, u"vesk"_s);
            settings.setValue(u"dsn"_s, u"ann"_s);
            settings.setValue(u"db-name"_s, QString::fromLatin1(ClassServer::kDatabase));
        }
        SetAppFolder(m_folder.path());
        m_window = std::make_unique<frmMain>();
        m_window->start();
        QSettings settings(u"vesk"_s, u"vesk"_s);
        settings.remove(u"dsn"_s);
        settings.remove(u"db-name"_s);
        QCOMPARE(m_window->databaseRoad(), frmMain::DatabaseRoad::Classroom);
        QCOMPARE(gDbProvider, 3);
        QCOMPARE(gDSN, u"ann"_s);
        QCOMPARE(gDbName, QString::fromLatin1(ClassServer::kDatabase));
        QCOMPARE(openExam()->Text1(0)->text(), u"ann"_s);
    }

    // No server at start: the three-line box, the download page, the end.
    void serverUnreachableAtStart()
    {
        QVERIFY(m_class.server().stop());
        startAs(u"ann"_s);
        QVERIFY(m_class.server().start());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Database Connection"_s);
        QCOMPARE(MessageBox::shown().first().icon, MessageBox::Critical);
        QCOMPARE(DesktopShell::requests().size(), 1);
        QVERIFY(AppExit::requested());
    }

    // The server goes away mid-exam: the answers given meanwhile are told once and stay marked on
    // the map, End Exam does not score them away; the candidate ends the program through the
    // failure road, what was stored stays, and the exam is offered again later.
    void serverGoesAwayMidExam()
    {
        startAs(u"ann"_s);
        QPointer<frmExam> exam = openExam();
        const qint32 id = takeExam(exam, 3, 0, false);
        QVERIFY(id > 0);
        click(exam->Option1(0));
        QVERIFY(m_class.server().stop());
        click(exam->Command1(5));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Answer Not Stored"_s);
        QVERIFY(MessageBox::shown().first().text.startsWith(u"Your answer could not be stored:\n"_s));
        click(exam->Option1(1));
        click(exam->Command1(5));
        QCOMPARE(MessageBox::shown().size(), 1); // once an outage
        QCOMPARE(mapCells(exam, true), (QList<int>{4, 5}));
        QCOMPARE(exam->questionMap()->cell(3)->accessibleName(), u"Question 4, answered, not stored"_s);
        QVERIFY(!AppExit::requested());
        MessageBox::setNextAnswer(MessageBox::No);
        click(exam->Command1(1));
        QCOMPARE(MessageBox::shown().size(), 2);
        QCOMPARE(MessageBox::shown().at(1).title, u"Answers Not Stored"_s);
        QVERIFY(MessageBox::shown().at(1).text.startsWith(u"2 answer(s) could not be stored"_s));
        QVERIFY(m_class.server().start());
        QVERIFY(AppExit::requested());
        QCOMPARE(admin(u"SELECT count(*) FROM ExamDetails WHERE ExamID = %1 AND Answer IS NOT NULL"_s.arg(id)), u"3"_s);
        // The program ended at once: no closing handler ran, nothing was scored.
        m_window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(
            admin(u"SELECT coalesce(ExamResult::text, 'none') FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"none"_s);
        ConnectionPool::clear();
        const QString endedRun = UserSettings::endedRun();
        QCOMPARE(endedRun, RunToken());

        // The trainer, on another machine, long after: a candidate's exam is not hers to continue.
        const QDateTime ended = Clock::now();
        TestSupport::resetProgramState();
        Clock::setNow(ended.addSecs(600));
        SetRunToken(u"trainer-run"_s);
        startAs(u"tina"_s);
        QVERIFY(openExam());
        QVERIFY(MessageBox::shown().isEmpty());
        closeProgram();
        ConnectionPool::clear();

        // Ann starts again on her machine straight away: her exam is offered, not only once its
        // heartbeat has grown old, and continued on the first question not answered.
        TestSupport::resetProgramState();
        UserSettings::setEndedRun(endedRun);
        Clock::setNow(ended.addSecs(5));
        SetRunToken(u"next-run"_s);
        startAs(u"ann"_s);
        MessageBox::setNextAnswer(MessageBox::Yes);
        exam = openExam();
        QCOMPARE(MessageBox::shown().value(0).title, u"Continue Exam"_s);
        QCOMPARE(exam->examId(), id);
        QCOMPARE(exam->rsExam()->AbsolutePosition(), 4);
        QCOMPARE(exam->Text1(0)->text(), u"ann"_s);
        QVERIFY(UserSettings::endedRun().isEmpty());
        click(exam->Command1(1));
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"3"_s);
    }

    // The candidate's server session is lost mid-exam: the next answer goes on a fresh
    // connection without a word, and everything the map shows answered is on the server.
    void connectionLostMidExam_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("session terminated") << false;
        QTest::newRow("server restarted") << true;
    }
    void connectionLostMidExam()
    {
        QFETCH(bool, restart);
        startAs(u"ann"_s);
        QPointer<frmExam> exam = openExam();
        const qint32 id = takeExam(exam, 2, 0, false);
        QVERIFY(id > 0);
        if (restart) {
            QVERIFY(m_class.server().stop());
            QVERIFY(m_class.server().start());
        } else {
            // Waits for each of ann's sessions to have ended.
            QCOMPARE(admin(u"SELECT bool_and(pg_terminate_backend(pid, 60000)) FROM pg_stat_activity "
                           "WHERE usename = 'ann'"_s),
                u"t"_s);
        }
        answerRight(exam);
        answerRight(exam);
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(mapCells(exam, true), QList<int>());
        QCOMPARE(mapCells(exam, false), (QList<int>{1, 2, 3, 4}));
        QCOMPARE(storedOnServer(id), (QList<int>{1, 2, 3, 4}));
        click(exam->Command1(1));
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"4"_s);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // End Exam while the server is away asks to try again and scores nothing meanwhile; tried
    // again once the server is back, every answer is stored and then scored.
    void endExamWaitsForTheServer()
    {
        startAs(u"ann"_s);
        QPointer<frmExam> exam = openExam();
        const qint32 id = takeExam(exam, 2, 0, false);
        QVERIFY(id > 0);
        const QString key = keyOf(*exam->rsExam()); // while the server can still tell it
        QVERIFY(m_class.server().stop());
        click(exam->Option1(int(u"ABCD"_s.indexOf(key))));
        QString scoredWhileAsked;
        MessageBox::setNextAnswer(MessageBox::Yes, [&] {
            if (m_class.server().start())
                scoredWhileAsked
                    = admin(u"SELECT coalesce(ExamResult::text, 'none') FROM ExamTitle WHERE ExamID = %1"_s.arg(id));
        });
        click(exam->Command1(1));
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().title, u"Answers Not Stored"_s);
        QVERIFY(MessageBox::shown().first().text.startsWith(u"1 answer(s) could not be stored"_s));
        QCOMPARE(scoredWhileAsked, u"none"_s);
        QCOMPARE(storedOnServer(id), (QList<int>{1, 2, 3}));
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)), u"3"_s);
        QVERIFY(!AppExit::requested());
    }
};

QTEST_MAIN(tst_classroom_screens)
#include "tst_classroom_screens.moc"
