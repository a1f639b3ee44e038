#include "ScreenSuite.h"

#include "ClassroomProgram.h"
#include "data/ClassLiveFeed.h"
#include "data/ServerRules.h"
#include "insight/frmClass.h"
#include "insight/frmProgress.h"
#include "platform/FileDialog.h"

// File > Class... on a class's server, as the trainer uses it: the overview of every candidate by
// category over their latest exams, its CSV, a candidate's progress chart, who is in an exam now,
// and ending a candidate's exam (the figures refused to a candidate's own login are tst_classroom_rules's).
class tst_classroom_class final : public ClassroomProgram {
    Q_OBJECT

    QPointer<frmClass> m_screen;
    qint32 m_danExam = 0;

public:
    tst_classroom_class()
        : ClassroomProgram({10, 10, 10, 10, 10, 10}) // ten questions in each category
    {
    }

private:
    static int row(QTableView *table, const QString &candidate)
    {
        const QAbstractItemModel *model = table->model();
        return model->match(model->index(0, 0), Qt::DisplayRole, candidate, 1, Qt::MatchExactly).value(0).row();
    }
    // A reading of the running exams asked after this call, and its arrival.
    void readLive()
    {
        QSignalSpy arrived(m_screen.data(), &frmClass::liveArrived);
        while (!m_screen->feed()->request())
            QVERIFY(arrived.wait(60000));
        arrived.clear();
        QVERIFY(arrived.wait(60000));
    }
    void chooseRecent(const QString &recent)
    {
        m_screen->recent()->setFocus();
        m_screen->recent()->selectAll();
        QTest::keyClicks(m_screen->recent(), recent);
        QCOMPARE(m_screen->recent()->value(), recent.toInt());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_class.addClass());
        QVERIFY(m_class.addCandidate(u"cruz, dee"_s) && m_class.addCandidate(u"dan"_s));
        // The hand-designed exams as the server would have scored them: each question the next one
        // of its category by QID, answered with its key, another letter (+, -) or not at all.
        const TestSupport::CaseTable exams = TestSupport::caseTable(u"classroom/class-exams.tsv"_s);
        for (const QStringList &exam : exams.rows) {
            QMap<QChar, int> used;
            QStringList answers;
            for (const QString &a : exams.value(exam, u"answers"_s).split(u' '))
                answers << u"(%1, %2, '%3')"_s.arg(a.at(0)).arg(used[a.at(0)]++).arg(a.at(1));
            QVERIFY(m_class.exec(
                u"WITH v(c, n, m) AS (VALUES %1), t AS (INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, "
                "ExamResult) SELECT '%2', '2026-03-01 10:00:00', 10, count(*) FILTER (WHERE m = '+') FROM v "
                "RETURNING ExamID), p AS (INSERT INTO PracticeExams SELECT ExamID FROM t WHERE %3) "
                "INSERT INTO ExamDetails (ExamID, UserName, QID, Answer) SELECT t.ExamID, '%2', q.QID, CASE v.m "
                "WHEN '+' THEN q.CorrectAnswer WHEN '-' THEN CASE q.CorrectAnswer WHEN 'A' THEN 'B' ELSE 'A' END END "
                "FROM t, v JOIN LATERAL (SELECT * FROM vesk_private.q_a q WHERE q.Category = (ARRAY['%4'])[v.c + 1] "
                "ORDER BY q.QID OFFSET v.n LIMIT 1) q ON true"_s.arg(answers.join(u", "_s),
                    exams.value(exam, u"candidate"_s),
                    exams.value(exam, u"practice"_s) == u"yes"_s ? u"true"_s : u"false"_s,
                    ExamSchema::categories().join(u"', '"_s))));
        }
        // Dan is mid-exam: his first three answers right, by the keys as only the owner reads them.
        const std::shared_ptr<Database> dan = ClassServer::connectAs(u"dan"_s);
        m_danExam = ClassServer::value(*dan, ServerRules::startExam({0}, 10, false, u"dan-run"_s)).toInt();
        QVERIFY(m_danExam > 0);
        const QString calls
            = admin(u"SELECT string_agg(format('vesk_answer(%s, %L)', d.DetailID, q.CorrectAnswer), "
                    "', ') FROM (SELECT * FROM ExamDetails WHERE ExamID = %1 ORDER BY DetailID LIMIT 3) "
                    "d JOIN vesk_private.q_a q ON q.QID = d.QID"_s.arg(m_danExam));
        QVERIFY(ClassServer::value(*dan, u"SELECT "_s + calls).isValid()); // a failure is told as a warning

        TestSupport::resetProgramState();
        startAs(u"tina"_s);
        QAction *menu = m_window->findChild<QAction *>(u"mnuClass"_s);
        QVERIFY(menu && menu->isVisible());
        menu->trigger();
        m_screen = m_window->findChild<frmClass *>();
        QVERIFY(m_screen && m_screen->isVisible());
    }
    void cleanupTestCase() { closeProgram(); }

    // Every candidate of the group, each category's share right over the latest exams chosen,
    // judged against the pass mark, the number of exams and whether the latest passed.
    void overview_data() { TestSupport::addCases(u"classroom/class-overview.tsv"_s); }
    void overview()
    {
        const auto [recent, candidate] = SessionCases::texts("recent", "candidate");
        chooseRecent(recent);
        QTableView *table = m_screen->overview();
        QCOMPARE(table->model()->rowCount(), 4); // ann, bob, "cruz, dee", dan: never tina
        const int r = row(table, candidate);
        QVERIFY(r >= 0);
        QTEST(table->model()->index(r, frmClass::Exams).data().toString(), "exams");
        QTEST(table->model()->index(r, frmClass::Latest).data().toString(), "latest");
        for (int c = 0; c < 6; ++c) {
            const QModelIndex cell = table->model()->index(r, frmClass::FirstCategory + c);
            const QVariant pass = cell.data(frmClass::kPassRole);
            const QString shown = cell.data().toString().remove(u" %"_s)
                + (pass.isValid() ? (pass.toInt() == 1 ? u"+"_s : u"-"_s) : QString());
            QTEST(shown, QByteArray("c" + QByteArray::number(c)).constData());
        }
        QCoreApplication::processEvents(); // the note's new text laid out
        if (recent == u"5"_s)
            TestSupport::screenshot(m_screen, u"class-overview"_s);
    }

    void exportedCsv()
    {
        chooseRecent(u"5"_s);
        QTemporaryDir dir;
        FileDialog::setNextResult(dir.filePath(u"class"_s));
        QTest::mouseClick(m_screen->exportButton(), Qt::LeftButton);
        QFile written(dir.filePath(u"class.csv"_s));
        QFile expected(TestSupport::testData(u"classroom/class-overview.csv"_s));
        QVERIFY(written.open(QIODevice::ReadOnly) && expected.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), expected.readAll());
    }

    // A double-clicked candidate opens their progress chart.
    void doubleClickOpensProgress()
    {
        QTableView *table = m_screen->overview();
        const QRect cell = table->visualRect(table->model()->index(row(table, u"bob"_s), 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(m_window->progressForm());
        QCOMPARE(m_window->progressForm()->cboCandidate()->currentText(), u"bob"_s);
    }

    // Dan mid-exam: three of ten answered, the time the server's clock has left; ended by the
    // trainer (his next answer refused is tst_classroom_rules's), the overview counts the exam.
    void liveViewAndEndingAnExam()
    {
        m_screen->tabs()->setCurrentIndex(1);
        const QString left = u"SELECT ceil(extract(epoch FROM Deadline - clock_timestamp()))::int FROM ExamClock "
                             "WHERE ExamID = %1"_s.arg(m_danExam);
        const int before = admin(left).toInt();
        readLive();
        const int after = admin(left).toInt();
        QTableView *table = m_screen->live();
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(table->model()->index(0, frmClass::LiveCandidate).data().toString(), u"dan"_s);
        QCOMPARE(table->model()->index(0, frmClass::LiveAnswered).data().toString(), u"3 of 10"_s);
        const int shown = m_screen->running().front().secondsLeft;
        QVERIFY2(after <= shown && shown <= before, qPrintable(u"%1 %2 %3"_s.arg(after).arg(shown).arg(before)));
        QCOMPARE(table->model()->index(0, frmClass::LiveTimeLeft).data().toString(),
            u"%1:%2"_s.arg(shown / 60).arg(shown % 60, 2, 10, QChar(u'0')));
        QVERIFY(table->model()->index(0, frmClass::LiveHeartbeat).data().toString().endsWith(u" s ago"_s));
        TestSupport::screenshot(m_screen, u"class-live"_s);

        QVERIFY(!m_screen->endButton()->isEnabled());
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
            table->visualRect(table->model()->index(0, frmClass::LiveCandidate)).center());
        QVERIFY(m_screen->endButton()->isEnabled());
        MessageBox::setNextAnswer(MessageBox::Yes);
        QTest::mouseClick(m_screen->endButton(), Qt::LeftButton);
        QVERIFY(MessageBox::shown().last().text.startsWith(u"End dan's exam now?"_s));
        QCOMPARE(admin(u"SELECT ExamResult || ' ' || (SELECT EndedBy FROM ExamClock WHERE ExamID = %1) FROM ExamTitle "
                       "WHERE ExamID = %1"_s.arg(m_danExam)),
            u"3 tina"_s);
        readLive();
        QCOMPARE(table->model()->rowCount(), 0);

        m_screen->tabs()->setCurrentIndex(0);
        QTableView *overview = m_screen->overview();
        const int r = row(overview, u"dan"_s);
        QCOMPARE(overview->model()->index(r, frmClass::Exams).data().toString(), u"1"_s);
        QCOMPARE(overview->model()->index(r, frmClass::Latest).data().toString(), u"fail"_s);
        QCOMPARE(overview->model()->index(r, frmClass::FirstCategory).data().toString(), u"30.0 %"_s);
    }

    // Offered to trainers on a server only: not to a candidate, not on a file.
    void menuForTrainersOnly()
    {
        closeProgram();
        startAs(u"ann"_s);
        // Nor the other trainer's screens: the editor and the statistics.
        for (const QString &item : {u"mnuClass"_s, u"mnuEditQuestions"_s, u"mnuQuestionStats"_s})
            QVERIFY2(!m_window->findChild<QAction *>(item)->isVisible(), qPrintable(item));
        closeProgram();
        TestSupport::Program file;
        file.build({10, 0, 0, 0, 0, 0});
        QVERIFY(!file.start()->findChild<QAction *>(u"mnuClass"_s)->isVisible());
    }
};

QTEST_MAIN(tst_classroom_class)
#include "tst_classroom_class.moc"
