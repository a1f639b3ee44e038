#include <csignal>
#include <map>
#include <random>
#include <set>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include "TestSupport.h"

using namespace Qt::StringLiterals;

// A helper process does real work on a real database through the program's screens and is
// killed with SIGKILL at random moments; afterwards the file must be sound, every exam whole,
// and every step that had returned stored.
class tst_kill final : public QObject {
    Q_OBJECT

    // What a killed worker had reported: its exam, the time left, the answers whose step had
    // returned and those under way (by row), and the exams whose creation had returned.
    struct Round {
        qint32 examId = 0;
        int lastLeft = -1;
        std::map<int, QString> returned, underWay;
        QList<int> done;
        bool killedMidStep = false;
    };

    QTemporaryDir m_dir;
    QString m_db;
    std::mt19937 m_rng{std::random_device{}()};
    int m_rounds = 50;

    QVariant scalar(const QString &sql) const { return TestSupport::scalar(m_db, sql); }

    Round runAndKill(const QString &mode, int delayMs)
    {
        QProcess worker;
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker.start(QStringLiteral(VESK_KILL_WORKER), {mode, m_dir.path()});
        Round round;
        if (!worker.waitForStarted(10000))
            return round;
        // The moment counts from the first report, so that start-up time does not decide it.
        QElapsedTimer clock;
        while (worker.state() == QProcess::Running && (!clock.isValid() || clock.elapsed() < delayMs)) {
            worker.waitForReadyRead(5);
            if (!clock.isValid() && worker.bytesAvailable() > 0)
                clock.start();
        }
        if (worker.state() == QProcess::Running)
            ::kill(pid_t(worker.processId()), SIGKILL);
        worker.waitForFinished(10000);
        const QString out = QString::fromUtf8(worker.readAllStandardOutput());
        QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
        // A half-written last line is a step that never reported.
        if (!out.endsWith(u'\n') && !lines.isEmpty())
            lines.removeLast();
        round.killedMidStep = !lines.isEmpty() && lines.last().startsWith(u"try"_s);
        for (const QString &line : lines) {
            const QStringList f = line.split(u' ');
            if (f[0] == u"box"_s)
                QTest::qFail(qPrintable(line), __FILE__, __LINE__);
            else if (f[0] == u"exam"_s)
                round.examId = f[1].toInt();
            else if (f[0] == u"tick"_s)
                round.lastLeft = f[1].toInt();
            else if (f[0] == u"try"_s && f.size() > 2)
                round.underWay[f[1].toInt()] = f[2];
            else if (f[0] == u"done"_s && f.size() == 2)
                round.done << f[1].toInt();
            else if (f[0] == u"done"_s) {
                round.returned[f[1].toInt()] = f[2];
                round.underWay.erase(f[1].toInt());
                round.lastLeft = f[3].toInt();
            }
        }
        return round;
    }
    // Each row's last returned answer is `stored(row)`, unless a later step on that row was under
    // way when the kill came (then either letter may be there).
    template <typename Stored> static void verifyReturnedStored(const Round &round, Stored stored)
    {
        for (const auto &[row, letter] : round.returned) {
            const QString found = stored(row);
            const auto pending = round.underWay.find(row);
            QVERIFY2(found == letter || (pending != round.underWay.end() && found == pending->second),
                qPrintable(u"row %1: stored '%2', returned '%3'"_s.arg(row).arg(found, letter)));
        }
    }
    void verifySound()
    {
        QCOMPARE(scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        QCOMPARE(scalar(u"SELECT count(*) FROM ExamTitle t WHERE NumOfQuestions <> "
                        "(SELECT count(*) FROM ExamDetails d WHERE d.ExamID = t.ExamID)"_s)
                     .toInt(),
            0);
        QCOMPARE(scalar(u"SELECT count(*) FROM ExamDetails d WHERE NOT EXISTS "
                        "(SELECT 1 FROM ExamTitle t WHERE t.ExamID = d.ExamID)"_s)
                     .toInt(),
            0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_db = m_dir.filePath(u"Exam.mdb"_s);
        TestSupport::buildDatabase(m_db, {12, 12, 12, 12, 12, 12});
        if (qEnvironmentVariableIsSet("VESK_KILL_ROUNDS"))
            m_rounds = qEnvironmentVariableIntValue("VESK_KILL_ROUNDS");
    }

    void killedMidWork_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("answer moves") << u"moves"_s;
        QTest::newRow("exam creation") << u"create"_s;
    }
    void killedMidWork()
    {
        QFETCH(QString, mode);
        int midStep = 0, steps = 0;
        for (int round = 0; round < m_rounds; ++round) {
            const Round done = runAndKill(mode, std::uniform_int_distribution<int>(0, 250)(m_rng));
            midStep += done.killedMidStep ? 1 : 0;
            steps += int(done.returned.size() + done.done.size());
            verifySound();
            // One query a round, however many steps the worker managed before the kill.
            QStringList rows, exams;
            for (const auto &entry : done.returned)
                rows << QString::number(entry.first);
            for (const int examId : std::set<int>(done.done.begin(), done.done.end()))
                exams << QString::number(examId);
            std::map<int, QString> stored;
            for (const QVariantList &row : TestSupport::query(
                     m_db, u"SELECT DetailID, Answer FROM ExamDetails WHERE DetailID IN (%1)"_s.arg(rows.join(u','))))
                stored[row.value(0).toInt()] = row.value(1).toString();
            verifyReturnedStored(done, [&stored](int detailId) { return stored[detailId]; });
            // Each exam created is a new one, and stored.
            QCOMPARE(exams.size(), qsizetype(done.done.size()));
            QCOMPARE(scalar(u"SELECT count(*) FROM ExamTitle WHERE ExamID IN (%1)"_s.arg(exams.join(u','))).toInt(),
                int(exams.size()));
        }
        qInfo("%s: %d kills, %d of them in the middle of a step; %d steps returned and checked", qPrintable(mode),
            m_rounds, midStep, steps);
    }

    void killedExamIsContinued_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("minDelayMs");
        QTest::addColumn<int>("maxDelayMs");
        // Killed as soon as Start Exam has returned: the exam and its progress row were stored together.
        QTest::newRow("right after Start Exam") << u"start"_s << 0 << 0;
        // Killed at a random moment while answering; the worker's clock never runs out by itself.
        QTest::newRow("while answering") << u"clock"_s << 50 << 400;
    }
    // The real program's exam killed mid-way and the program started again: the exam is offered,
    // continued with every answer whose move had returned, and the clock within 30 seconds of where
    // it stood, in the candidate's favour.
    void killedExamIsContinued()
    {
        QFETCH(QString, mode);
        QFETCH(int, minDelayMs);
        QFETCH(int, maxDelayMs);
        const int rounds = qMax(5, m_rounds / 2);
        for (int r = 0; r < rounds; ++r) {
            const Round killed = runAndKill(mode, std::uniform_int_distribution<int>(minDelayMs, maxDelayMs)(m_rng));
            verifySound();
            QProcess worker;
            worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            worker.start(QStringLiteral(VESK_KILL_WORKER), {u"continue"_s, m_dir.path()});
            QVERIFY(worker.waitForFinished(-1) && worker.exitCode() == 0);
            const QStringList after
                = QString::fromUtf8(worker.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
            // The worker reports nothing before its exam is stored, and the kill waits for that report.
            QVERIFY(killed.examId != 0);
            const QStringList resumed = after.value(0).split(u' ');
            QCOMPARE(resumed.mid(0, 2), (QStringList{u"resumed"_s, QString::number(killed.examId)}));
            const int left = resumed.value(2).toInt();
            if (killed.lastLeft >= 0) {
                // Up to three seconds may have ticked unreported before the kill.
                QVERIFY2(left >= killed.lastLeft - 3 && left <= killed.lastLeft + 30,
                    qPrintable(u"time left %1 at the kill, %2 continued"_s.arg(killed.lastLeft).arg(left)));
            }
            std::map<int, QString> continued;
            for (const QString &line : after.mid(1))
                continued[line.section(u' ', 1, 1).toInt()] = line.section(u' ', 2, 2);
            verifyReturnedStored(killed, [&](int detailId) { return continued[detailId]; });
            QVERIFY(!scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(killed.examId)).isNull());
        }
    }
};

QTEST_GUILESS_MAIN(tst_kill)
#include "tst_kill.moc"
