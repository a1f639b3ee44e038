#include <csignal>
#include <map>
#include <random>

#include "ScreenSuite.h"

// A helper process does real work on a real database through the program's screens and is
// killed with SIGKILL at random moments; afterwards the file must be sound, every exam whole,
// every step that had returned stored, and the exam killed offered again.
class tst_kill final : public QObject {
    Q_OBJECT

    // What a worker reported: its exam and the time left, the answers whose step had returned (or,
    // continuing, those found) and those under way, by row, and the exams whose creation had returned.
    struct Round {
        qint32 examId = 0;
        int lastLeft = -1;
        std::map<int, QString> returned, underWay;
        QStringList created;
    };

    QTemporaryDir m_dir;
    const QString m_db = m_dir.filePath(u"Exam.mdb"_s);
    std::mt19937 m_rng{std::random_device{}()};
    const int m_rounds
        = qEnvironmentVariableIsSet("VESK_KILL_ROUNDS") ? qEnvironmentVariableIntValue("VESK_KILL_ROUNDS") : 50;

    QVariant scalar(const QString &sql) const { return TestSupport::scalar(m_db, sql); }

    // Killed `delayMs` after its first report, or run to its end when negative.
    Round runWorker(const QString &mode, int delayMs)
    {
        QProcess worker;
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker.start(QStringLiteral(VESK_KILL_WORKER), {mode, m_dir.path()});
        worker.waitForStarted(10000);
        // The moment counts from the first report, so that start-up time does not decide it.
        QElapsedTimer clock;
        while (delayMs >= 0 && worker.state() == QProcess::Running && (!clock.isValid() || clock.elapsed() < delayMs)) {
            worker.waitForReadyRead(5);
            if (!clock.isValid() && worker.bytesAvailable() > 0)
                clock.start();
        }
        if (delayMs >= 0 && worker.state() == QProcess::Running)
            ::kill(pid_t(worker.processId()), SIGKILL);
        worker.waitForFinished(-1);
        // Complete lines only: a half-written last line is a step that never reported.
        const QString out = QString::fromUtf8(worker.readAllStandardOutput());
        Round round;
        for (const QString &line : out.left(out.lastIndexOf(u'\n') + 1).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split(u' ');
            const int n = f.value(1).toInt();
            if (f[0] == u"box"_s)
                QTest::qFail(qPrintable(line), __FILE__, __LINE__);
            else if (f[0] == u"exam"_s || f[0] == u"resumed"_s)
                std::tie(round.examId, round.lastLeft) = std::pair(n, f.value(2, u"-1"_s).toInt());
            else if (f[0] == u"tick"_s)
                round.lastLeft = n;
            else if (f[0] == u"try"_s && f.size() > 2)
                round.underWay[n] = f[2];
            else if (f[0] == u"done"_s && f.size() == 2)
                round.created << f[1];
            else if (f[0] == u"done"_s || f[0] == u"answer"_s) {
                round.returned[n] = f.value(2);
                round.underWay.erase(n);
                round.lastLeft = f.size() > 3 ? f[3].toInt() : round.lastLeft;
            }
        }
        return round;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestSupport::buildDatabase(m_db, {12, 12, 12, 12, 12, 12});
    }

    void killedMidWork_data() { TestSupport::addCases(u"sessions/kill-work.tsv"_s); }
    // After the kill the real program starts again: the exam is offered, continued with every answer
    // whose move had returned, and the clock within 30 seconds of where it stood, in the candidate's favour.
    void killedMidWork()
    {
        const QString mode = SessionCases::text("mode");
        std::uniform_int_distribution<int> delayMs(
            SessionCases::number("minDelayMs"), SessionCases::number("maxDelayMs"));
        const int rounds = mode == u"create"_s ? m_rounds : qMax(5, m_rounds / 2);
        for (int r = 0; r < rounds; ++r) {
            Round killed = runWorker(mode, delayMs(m_rng));
            // The file sound, every exam whole: its title and all of its questions, or nothing.
            QCOMPARE(scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
            QCOMPARE(scalar(u"SELECT (SELECT count(*) FROM ExamTitle t WHERE NumOfQuestions <> (SELECT count(*) FROM "
                            "ExamDetails d WHERE d.ExamID = t.ExamID)) || ' ' || (SELECT count(*) FROM ExamDetails "
                            "WHERE ExamID NOT IN (SELECT ExamID FROM ExamTitle))"_s)
                         .toString(),
                u"0 0"_s);
            // Each exam created is a new one, and stored.
            QCOMPARE(killed.created.removeDuplicates(), 0);
            QCOMPARE(
                scalar(u"SELECT count(*) FROM ExamTitle WHERE ExamID IN (%1)"_s.arg(killed.created.join(u','))).toInt(),
                int(killed.created.size()));
            if (mode == u"create"_s)
                continue;
            // The worker reports nothing before its exam is stored, and the kill waits for that report.
            QVERIFY(killed.examId != 0);
            Round continued = runWorker(u"continue"_s, -1);
            QCOMPARE(continued.examId, killed.examId);
            // Up to three seconds may have ticked unreported before the kill.
            QVERIFY2(killed.lastLeft < 0
                    || (continued.lastLeft >= killed.lastLeft - 3 && continued.lastLeft <= killed.lastLeft + 30),
                qPrintable(u"time left %1 at the kill, %2 continued"_s.arg(killed.lastLeft).arg(continued.lastLeft)));
            // Each row's last returned answer is there, unless a later step on it was under way at the kill.
            for (const auto &[row, letter] : killed.returned) {
                const QString found = continued.returned[row];
                const auto pending = killed.underWay.find(row);
                QVERIFY2(found == letter || (pending != killed.underWay.end() && found == pending->second),
                    qPrintable(u"row %1: stored '%2', returned '%3'"_s.arg(row).arg(found, letter)));
            }
            QVERIFY(!scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(killed.examId)).isNull());
        }
    }
};

QTEST_GUILESS_MAIN(tst_kill)
#include "tst_kill.moc"
