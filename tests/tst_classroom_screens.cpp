#include "ScreenSuite.h"

#include "ClassroomProgram.h"
#include "core/Clock.h"
#include "core/UserSettings.h"
#include "data/ExamQueries.h"
#include "data/ExamSession.h"
#include "data/ServerRules.h"
#include "data/SqlDialect.h"
#include "platform/FileDialog.h"
#include "platform/SignInDialog.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionMapCell.h"

// Classroom mode through the real screens on a server built by vesk-buildpool: a candidate without any
// write privilege takes an exam, stored and scored by the server's functions; the server's clock rules
// the screen's; the trainer alone deletes; signing in; and a server that goes away mid-exam.
class tst_classroom_screens final : public ClassroomProgram {
    Q_OBJECT

    qint32 m_bobExam = 0;
    QPointer<frmExam> m_exam;

    QStringList listedNames(frmViewExam *view) const
    {
        QStringList names;
        for (int row = 0; row < view->gridModel()->rowCount(); ++row)
            names << view->gridModel()->index(row, 2).data().toString();
        names.sort();
        return names;
    }
    static QStringList titles()
    {
        QStringList shown;
        for (const MessageBox::Shown &box : MessageBox::shown())
            shown << box.title;
        return shown;
    }
    // The exam's questions in order as the map shows them: answered (a), answered but not stored
    // (u), or not (.); and as the server holds them.
    static QString mapOf(frmExam *exam)
    {
        QString map;
        for (int i = 0; i < exam->questionMap()->count(); ++i) {
            const QuestionMapCell *cell = exam->questionMap()->cell(i);
            map += !cell->isAnswered() ? u'.' : cell->isUnstored() ? u'u' : u'a';
        }
        return map;
    }
    QString onServer(qint32 exam)
    {
        return admin(u"SELECT string_agg(CASE WHEN Answer IS NULL THEN '.' ELSE 'a' END, '' ORDER BY DetailID) FROM "
                     "ExamDetails WHERE ExamID = %1"_s.arg(exam));
    }
    // Ann's exam on screen (m_exam), its first `right` questions answered right: its id, or 0.
    qint32 annStarts(int right)
    {
        startAs(u"ann"_s);
        m_exam = openExam();
        return takeExam(m_exam, right, 0, false);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_class.addClass());
        // Bob's exam, drawn by the server from his own connection.
        m_bobExam = ClassServer::valueAs(u"bob"_s, ServerRules::startExam({0}, 10, false, u"bob-run"_s)).toInt();
        QVERIFY(m_bobExam > 0);
    }
    void init() { TestSupport::resetProgramState(); }
    void cleanup() { closeProgram(); }

    // Ann's exam from set-up to review: her name fixed, every answer and flag on the server though she
    // may write nothing; no Pause, the screen's clock following the server's; the server's score, a
    // results list of her own exams only, and a review without Delete.
    void candidateTakesAndReviewsAnExam()
    {
        QCOMPARE(admin(u"SELECT count(*) FROM pg_tables t CROSS JOIN unnest(ARRAY['INSERT', 'UPDATE', 'DELETE', "
                       "'TRUNCATE']) p WHERE t.schemaname IN ('public', 'vesk_private') AND has_table_privilege('ann', "
                       "quote_ident(t.schemaname) || '.' || quote_ident(t.tablename), p)"_s),
            u"0"_s);
        startAs(u"ann"_s);
        QCOMPARE(m_window->databaseRoad(), frmMain::DatabaseRoad::Classroom);
        QCOMPARE(FileDialog::shownCount(), 0); // no Exam.mdb looked for
        QVERIFY(m_window->windowTitle().endsWith(u"ann"_s));
        for (const QString &name : {u"mnuImport"_s, u"mnuExport"_s})
            QVERIFY(!m_window->findChild<QAction *>(name)->isEnabled());
        QPointer<frmExam> exam = openExam();
        QCOMPARE(exam->Text1(ExamText::User)->text(), u"ann"_s);
        QVERIFY(exam->Text1(ExamText::User)->isReadOnly());
        TestSupport::screenshot(m_window.get(), u"classroom-exam-setup"_s);

        const qint32 id = takeExam(exam, 6, 1, false);
        QVERIFY(id > m_bobExam);
        QVERIFY(!exam->Command1(ExamCommand::Pause)->isEnabled());
        // Her name, the size, no score, the server's clock, her seven answers, the exam's progress.
        const QString progress = u"(SELECT count(*) FROM ExamProgress p WHERE p.ExamID = t.ExamID) FROM ExamTitle t "
                                 "WHERE ExamID = %1"_s.arg(id);
        QCOMPARE(
            admin(u"SELECT UserName || NumOfQuestions || coalesce(ExamResult::text, '-') || ' ' || (SELECT count(*) "
                  "FROM ExamClock k WHERE k.ExamID = t.ExamID) || (SELECT count(*) FROM ExamDetails d WHERE "
                  "d.ExamID = t.ExamID AND d.Answer IS NOT NULL AND d.UserName = 'ann') || "_s
                + progress),
            u"ann10- 171"_s);
        click(exam->flagToggle());
        QCOMPARE(admin(u"SELECT count(*) FROM ExamFlags"_s), u"1"_s);
        QCOMPARE(exam->Label1(ExamLabel::QuestionsLeft)->text(), u"3"_s); // questions left, counted on the server

        // The server gives the exam more time: the heartbeat brings the screen's clock to it.
        QVERIFY(m_class.exec(
            u"UPDATE ExamClock SET Deadline = now() + interval '3000 seconds' WHERE ExamID = %1"_s.arg(id)));
        Clock::setNow(Clock::now().addSecs(31));
        Clock::advance(1);
        QVERIFY2(gTimeLeft > ServerRules::durationOf(10), qPrintable(QString::number(gTimeLeft)));
        QVERIFY2(exam->Label1(ExamLabel::TimeLeft)->text() > u"12:00"_s,
            qPrintable(exam->Label1(ExamLabel::TimeLeft)->text()));
        // And an answer's call does the same once it is taken away again.
        QVERIFY(m_class.exec(
            u"UPDATE ExamClock SET Deadline = now() + interval '100 seconds' WHERE ExamID = %1"_s.arg(id)));
        answer(exam, false); // the score stays 6
        QVERIFY2(gTimeLeft <= 100, qPrintable(QString::number(gTimeLeft)));
        QCOMPARE(exam->Label1(ExamLabel::TimeLeft)->text(), QTime(0, 0).addSecs(gTimeLeft).toString(u"mm:ss"_s));

        click(exam->Command1(ExamCommand::EndExam)); // End Exam: the server scores it
        QCOMPARE(admin(u"SELECT ExamResult || ' ' || "_s + progress), u"6 0"_s);
        frmViewExam *view = m_window->viewExamForm();
        QVERIFY(view);
        QCOMPARE(listedNames(view), QStringList{u"ann"_s});
        // Dated by the server's clock, not the program's.
        QCOMPARE(
            view->gridModel()->index(0, 1).data().toString(), admin(u"SELECT to_char(localtimestamp, 'MM/DD/YY')"_s));
        QCOMPARE(view->gridModel()->index(0, 5).data().toString(), u"60"_s);

        // She reviews it beside the right answers; deleting is the trainer's.
        TestSupport::review(m_window.get(), 0);
        QCOMPARE(view->lblStatus()->text(), u"Question: 1 of 10"_s);
        QVERIFY(view->txtFieldsText(ViewExamField::Question).startsWith(u"Software Testing question"_s));
        QVERIFY(!view->txtFieldsText(ViewExamField::CorrectAnswer).isEmpty());
        // The mark shows on the flagged question and on no other.
        QStringList flagged;
        for (int q = 0; q < 10; ++q) {
            if (!view->lblFlagged()->isHidden())
                flagged << view->txtFieldsText(ViewExamField::DetailID);
            click(view->Command1(ViewExamCommand::Next));
        }
        QCOMPARE(flagged, QStringList{admin(u"SELECT DetailID FROM ExamFlags"_s)});
        QVERIFY(!view->Command1(ViewExamCommand::DeleteExam)->isEnabled());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // The trainer, whose server the settings file names (the command line does not), sees every
    // candidate's exam and deletes any, whole.
    void trainerSeesAndDeletesAll()
    {
        startAs(u"ann"_s);
        QVERIFY(takeExam(openExam(), 2, 2) > 0);
        closeProgram();
        QSettings settings(u"vesk"_s, u"vesk"_s);
        settings.setValue(u"dsn"_s, u"tina"_s);
        settings.setValue(u"db-name"_s, QString::fromLatin1(ClassServer::kDatabase));
        settings.sync();
        startAs(QString());
        QCOMPARE(m_window->databaseRoad(), frmMain::DatabaseRoad::Classroom);
        QCOMPARE(gDSN + u' ' + gDbName, u"tina "_s + QString::fromLatin1(ClassServer::kDatabase));
        frmViewExam *view = TestSupport::openResults(m_window.get());
        QCOMPARE(listedNames(view), (QStringList{u"ann"_s, u"ann"_s, u"bob"_s}));
        const QModelIndex bob
            = view->gridModel()->match(view->gridModel()->index(0, 2), Qt::DisplayRole, u"bob"_s).value(0);
        TestSupport::review(m_window.get(), bob.row());
        MessageBox::setNextAnswer(MessageBox::Yes);
        click(view->Command1(ViewExamCommand::DeleteExam));
        QCOMPARE(MessageBox::shown().last().title, u"Operation Completed"_s);
        QCOMPARE(admin(u"SELECT (SELECT count(*) FROM ExamTitle WHERE UserName = 'bob') + (SELECT count(*) FROM "
                       "ExamDetails WHERE UserName = 'bob') + (SELECT count(*) FROM ExamClock WHERE ExamID = %1)"_s.arg(
                           m_bobExam)),
            u"0"_s);
        QCOMPARE(listedNames(m_window->viewExamForm()), (QStringList{u"ann"_s, u"ann"_s}));
    }

    // However many exams are stored, the list's page is read along an index in the order shown,
    // never sorting them all, and a candidate's own exams are picked through the index on the name.
    void listFollowsIndexes_data() { TestSupport::addCases(u"classroom/list-plans.tsv"_s); }
    void listFollowsIndexes()
    {
        auto [role, setting, statement, wanted, unwanted]
            = SessionCases::texts("role", "setting", "statement", "wanted", "unwanted");
        if (statement == u"page"_s)
            statement = SqlDialect::translate(ExamQueries::examListPage(0, 100), SqlDialect::Target::PostgreSql);
        QString plan;
        QVERIFY2(m_class.server().psql(
                     u"SET SESSION AUTHORIZATION %1; SET %2 = off; EXPLAIN %3"_s.arg(role, setting, statement), &plan,
                     QString::fromLatin1(ClassServer::kDatabase)),
            qPrintable(m_class.error()));
        QVERIFY2(plan.contains(wanted) && !plan.contains(unwanted), qPrintable(plan));
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
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(box.userBox(), u"   "_s);
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(box.userBox(), u"ann "_s);
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

    // The server goes away mid-exam: the answers given meanwhile are told once and stay marked on
    // the map, End Exam does not score them away; the candidate ends the program through the
    // failure road, what was stored stays, and the exam is offered again later.
    void serverGoesAwayMidExam()
    {
        const qint32 id = annStarts(3);
        QVERIFY(id > 0);
        click(m_exam->Option1(ExamChoice::A));
        QVERIFY(m_class.server().stop());
        click(m_exam->Command1(ExamCommand::Next));
        QCOMPARE(titles(), QStringList{u"Answer Not Stored"_s});
        QVERIFY(MessageBox::shown().first().text.startsWith(u"Your answer could not be stored:\n"_s));
        click(m_exam->Option1(ExamChoice::B));
        click(m_exam->Command1(ExamCommand::Next));
        QCOMPARE(MessageBox::shown().size(), 1); // once an outage
        QCOMPARE(mapOf(m_exam), u"aaauu....."_s);
        QCOMPARE(m_exam->questionMap()->cell(3)->accessibleName(), u"Question 4, answered, not stored"_s);
        QVERIFY(!AppExit::requested());
        MessageBox::setNextAnswer(MessageBox::No);
        click(m_exam->Command1(ExamCommand::EndExam));
        QCOMPARE(titles(), (QStringList{u"Answer Not Stored"_s, u"Answers Not Stored"_s}));
        QVERIFY(MessageBox::shown().at(1).text.startsWith(u"2 answer(s) could not be stored"_s));
        QVERIFY(m_class.server().start());
        QVERIFY(AppExit::requested());
        // The program ended at once: no closing handler ran, nothing was scored.
        m_window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(onServer(id) + u' ' + resultOf(id), u"aaa....... none"_s);
        const QString endedRun = UserSettings::endedRun();
        QCOMPARE(endedRun, RunToken());

        // The trainer, on another machine, long after: a candidate's exam is not hers to continue.
        const QDateTime ended = Clock::now();
        closeProgram();
        Clock::setNow(ended.addSecs(600));
        SetRunToken(u"trainer-run"_s);
        startAs(u"tina"_s);
        QVERIFY(openExam());
        QVERIFY(MessageBox::shown().isEmpty());

        // Ann starts again on her machine straight away: her exam is offered, not only once its
        // heartbeat has grown old, and continued on the first question not answered.
        closeProgram();
        UserSettings::setEndedRun(endedRun);
        Clock::setNow(ended.addSecs(5));
        SetRunToken(u"next-run"_s);
        startAs(u"ann"_s);
        MessageBox::setNextAnswer(MessageBox::Yes);
        QPointer<frmExam> exam = openExam();
        QCOMPARE(titles(), QStringList{u"Continue Exam"_s});
        QCOMPARE(exam->examId(), id);
        QCOMPARE(exam->rsExam()->AbsolutePosition(), 4);
        QCOMPARE(exam->Text1(ExamText::User)->text(), u"ann"_s);
        QVERIFY(UserSettings::endedRun().isEmpty());
        click(exam->Command1(ExamCommand::EndExam));
        QCOMPARE(resultOf(id), u"3"_s);
    }

    // The candidate's server session is lost mid-exam: the next answer goes on a fresh
    // connection without a word, and everything the map shows answered is on the server.
    void connectionLostMidExam_data() { TestSupport::addCases(u"classroom/connection-losses.tsv"_s); }
    void connectionLostMidExam()
    {
        const qint32 id = annStarts(2);
        QVERIFY(id > 0);
        if (SessionCases::text("loss") == u"restart"_s)
            QVERIFY(m_class.server().stop() && m_class.server().start());
        else // waits for each of ann's sessions to have ended
            QCOMPARE(admin(u"SELECT bool_and(pg_terminate_backend(pid, 60000)) FROM pg_stat_activity "
                           "WHERE usename = 'ann'"_s),
                u"t"_s);
        answer(m_exam);
        answer(m_exam);
        QCOMPARE(mapOf(m_exam), u"aaaa......"_s);
        QCOMPARE(onServer(id), u"aaaa......"_s);
        click(m_exam->Command1(ExamCommand::EndExam));
        QCOMPARE(resultOf(id), u"4"_s);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // End Exam while the server is away asks to try again and scores nothing meanwhile; tried
    // again once the server is back, every answer is stored and then scored.
    void endExamWaitsForTheServer()
    {
        const qint32 id = annStarts(2);
        QVERIFY(id > 0);
        const int letter = letterOf(*m_exam->rsExam()); // while the server can still tell it
        QVERIFY(m_class.server().stop());
        click(m_exam->choiceOption(letter));
        QString scoredWhileAsked;
        MessageBox::setNextAnswer(MessageBox::Yes, [&] {
            if (m_class.server().start())
                scoredWhileAsked = resultOf(id);
        });
        click(m_exam->Command1(ExamCommand::EndExam));
        QCOMPARE(titles(), QStringList{u"Answers Not Stored"_s});
        QVERIFY(MessageBox::shown().first().text.startsWith(u"1 answer(s) could not be stored"_s));
        QCOMPARE(scoredWhileAsked + u' ' + onServer(id) + u' ' + resultOf(id), u"none aaa....... 3"_s);
        QVERIFY(!AppExit::requested());
    }

    // The server ends a running exam: the next answer is refused with the reason, and the exam ends as
    // when the screen's clock runs out: scored as it stood, the results open, not offered again.
    void serverEndsTheExam_data() { TestSupport::addCases(u"classroom/exam-ended.tsv"_s); }
    void serverEndsTheExam()
    {
        const auto [by, right, title, text, icon] = SessionCases::texts("by", "right", "title", "text", "icon");
        const qint32 id = annStarts(right.toInt());
        QVERIFY(id > 0);
        if (by == u"clock"_s)
            QVERIFY(m_class.exec(u"UPDATE ExamClock SET StartedAt = StartedAt - interval '1 hour', Deadline = "
                                 "Deadline - interval '1 hour' WHERE ExamID = %1"_s.arg(id)));
        else
            QCOMPARE(ClassServer::valueAs(u"tina"_s, ServerRules::endExamOf(u"ann"_s)).toInt(), 1);
        answer(m_exam);
        QTRY_VERIFY(m_window->viewExamForm());
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(box(0), (QVariantList{text, title, icon.toInt()}));
        QVERIFY(!m_exam || !m_exam->isRunning());
        QCOMPARE(admin(u"SELECT count(Answer) FROM ExamDetails WHERE ExamID = %1"_s.arg(id)) + u' ' + resultOf(id),
            right + u' ' + right);
        closeProgram();
        startAs(u"ann"_s);
        QVERIFY(openExam());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // An exam whose deadline passed while no program ran it is scored before anything reads the
    // server: not offered to continue, and listed with its score.
    void overdueExamIsScoredNotOffered_data() { TestSupport::addCases(u"classroom/overdue-reads.tsv"_s); }
    void overdueExamIsScoredNotOffered()
    {
        const qint32 id = ClassServer::valueAs(u"ann"_s, ServerRules::startExam({0}, 10, false, u"gone"_s)).toInt();
        QVERIFY(ClassServer::valueAs(
            u"ann"_s, u"SELECT vesk_answer(min(DetailID), 'A') FROM ExamDetails WHERE ExamID = %1"_s.arg(id))
                    .isValid());
        QVERIFY(m_class.exec(u"UPDATE ExamClock SET Deadline = now() - interval '1 hour' WHERE ExamID = %1"_s.arg(id)));
        startAs(u"ann"_s);
        if (SessionCases::text("screen") == u"results"_s) {
            const QAbstractItemModel *list = TestSupport::openResults(m_window.get())->gridModel();
            const QModelIndexList listed = list->match(list->index(0, 0), Qt::EditRole, id, 1, Qt::MatchExactly);
            QCOMPARE(listed.size(), 1);
            QVERIFY(!listed.first().siblingAtColumn(4).data().toString().isEmpty());
        } else {
            QVERIFY(openExam());
            QVERIFY(MessageBox::shown().isEmpty());
        }
        QVERIFY(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(id)) != QString());
    }

    // The practice draw on a server: the screen's check counts mistakes with the server's function, and
    // a draw the server itself cannot fill is shown as the shortage box.
    void practiceAndShortageOnTheServer()
    {
        QVERIFY(m_class.addCandidate(u"cleo"_s));
        startAs(u"cleo"_s);
        // Four right, six left: six mistakes, too few for ten.
        const qint32 id = takeExam(openExam(), 4, 0);
        QVERIFY(id > 0);
        QCOMPARE(resultOf(id), u"4"_s);
        QPointer<frmExam> exam = openExam();
        click(exam->chkCategory(ExamCategory::SoftwareTesting));
        click(exam->chkPractise());
        click(exam->Command1(ExamCommand::StartExam));
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
};

QTEST_MAIN(tst_classroom_screens)
#include "tst_classroom_screens.moc"
