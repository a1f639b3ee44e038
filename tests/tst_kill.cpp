#include <csignal>
#include <map>
#include <random>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

using namespace Qt::StringLiterals;

// A helper process does real work on a real database through the program's screens and is
// killed with SIGKILL at random moments; afterwards the file must be sound, every exam whole,
// and every step that had returned stored.
class tst_kill final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void killedMidWork_data();
    void killedMidWork();
    void killedExamIsContinued_data();
    void killedExamIsContinued();

private:
    struct Round {
        QStringList lines;
        bool killedMidStep = false;
    };
    Round runAndKill(const QString &mode, int delayMs);
    QStringList runToEnd(const QString &mode);
    void verifySound();
    QVariant scalar(const QString &sql) const { return TestSupport::scalar(m_db, sql); }

    QTemporaryDir m_dir;
    QString m_db;
    std::mt19937 m_rng{std::random_device{}()};
    int m_rounds = 50;
};

void tst_kill::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_db = m_dir.filePath(u"Exam.mdb"_s);
    TestSupport::buildDatabase(m_db, {12, 12, 12, 12, 12, 12});
    if (qEnvironmentVariableIsSet("VESK_KILL_ROUNDS"))
        m_rounds = qEnvironmentVariableIntValue("VESK_KILL_ROUNDS");
}

tst_kill::Round tst_kill::runAndKill(const QString &mode, int delayMs)
{
    QProcess worker;
    worker.setProgram(QStringLiteral(VESK_KILL_WORKER));
    worker.setArguments({mode, m_dir.path()});
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    worker.start();
    Round round;
    if (!worker.waitForStarted(10000))
        return round;
    // The moment counts from the first step, so that start-up time does not decide it.
    QElapsedTimer clock;
    bool started = false;
    while (worker.state() == QProcess::Running && (!started || clock.elapsed() < delayMs)) {
        worker.waitForReadyRead(5);
        if (!started && worker.bytesAvailable() > 0) {
            started = true;
            clock.start();
        }
    }
    if (worker.state() == QProcess::Running)
        ::kill(pid_t(worker.processId()), SIGKILL);
    worker.waitForFinished(10000);
    const QString out = QString::fromUtf8(worker.readAllStandardOutput());
    round.lines = out.split(u'\n', Qt::SkipEmptyParts);
    // A half-written last line is a step that never reported.
    if (!out.endsWith(u'\n') && !round.lines.isEmpty())
        round.lines.removeLast();
    round.killedMidStep = !round.lines.isEmpty() && round.lines.last().startsWith(u"try"_s);
    return round;
}

QStringList tst_kill::runToEnd(const QString &mode)
{
    QProcess worker;
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    worker.start(QStringLiteral(VESK_KILL_WORKER), {mode, m_dir.path()});
    if (!worker.waitForFinished(60000) || worker.exitCode() != 0)
        return {u"failed"_s};
    return QString::fromUtf8(worker.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

void tst_kill::killedExamIsContinued_data()
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
void tst_kill::killedExamIsContinued()
{
    QFETCH(QString, mode);
    QFETCH(int, minDelayMs);
    QFETCH(int, maxDelayMs);
    const int rounds = qMax(5, m_rounds / 2);
    int continued = 0, maxLost = 0, maxGained = 0;
    for (int round = 0; round < rounds; ++round) {
        const Round killed = runAndKill(mode, std::uniform_int_distribution<int>(minDelayMs, maxDelayMs)(m_rng));
        qint32 examId = 0;
        int lastLeft = -1;
        std::map<int, QString> returned, underWay;
        for (const QString &line : killed.lines) {
            const QStringList f = line.split(u' ');
            QVERIFY2(f[0] != u"box"_s, qPrintable(line));
            QVERIFY2(f[0] != u"failed"_s, qPrintable(line));
            if (f[0] == u"exam"_s)
                examId = f[1].toInt();
            else if (f[0] == u"tick"_s)
                lastLeft = f[1].toInt();
            else if (f[0] == u"try"_s)
                underWay[f[1].toInt()] = f[2];
            else if (f[0] == u"done"_s) {
                returned[f[1].toInt()] = f[2];
                underWay.erase(f[1].toInt());
                lastLeft = f[3].toInt();
            }
        }
        verifySound();
        const QStringList after = runToEnd(u"continue"_s);
        QVERIFY2(!after.isEmpty() && after.first() != u"failed"_s, qPrintable(after.join(u'\n')));
        // The worker reports nothing before its exam is stored, and the kill waits for that report.
        QVERIFY2(examId != 0, qPrintable(killed.lines.join(u'\n')));
        const QStringList resumed = after.first().split(u' ');
        QCOMPARE(resumed.value(0), u"resumed"_s);
        QCOMPARE(resumed.value(1).toInt(), examId);
        ++continued;
        const int left = resumed.value(2).toInt();
        if (lastLeft >= 0) {
            // Up to three seconds may have ticked unreported before the kill.
            QVERIFY2(left >= lastLeft - 3 && left <= lastLeft + 30,
                qPrintable(u"time left %1 at the kill, %2 continued"_s.arg(lastLeft).arg(left)));
            maxGained = qMax(maxGained, left - lastLeft);
            maxLost = qMax(maxLost, lastLeft - left);
        }
        for (const QString &line : after.mid(1)) {
            const QStringList f = line.split(u' ');
            const auto done = returned.find(f.value(1).toInt());
            if (done == returned.end())
                continue;
            const auto pending = underWay.find(done->first);
            QVERIFY2(f.value(2) == done->second || (pending != underWay.end() && f.value(2) == pending->second),
                qPrintable(line + u", returned "_s + done->second));
        }
        QVERIFY(!scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)).isNull());
    }
    qInfo("continued %d of %d killed exams; clock given back at most %d s, taken at most %d s", continued, rounds,
        maxGained, maxLost);
}

void tst_kill::verifySound()
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

void tst_kill::killedMidWork_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("answer moves") << u"moves"_s;
    QTest::newRow("exam creation") << u"create"_s;
    QTest::newRow("deletion") << u"delete"_s;
}

void tst_kill::killedMidWork()
{
    QFETCH(QString, mode);
    int midStep = 0, steps = 0;
    for (int round = 0; round < m_rounds; ++round) {
        if (mode == u"delete"_s && scalar(u"SELECT count(*) FROM ExamTitle"_s).toInt() < 5) {
            // More exams to delete, stored whole in one transaction.
            QString sql = u"BEGIN;"_s;
            for (int e = 0; e < 20; ++e) {
                sql += u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES ('D', '2026-01-01 10:00:00', 10);"_s;
                for (int q = 1; q <= 10; ++q)
                    sql += u"INSERT INTO ExamDetails (ExamID, UserName, QID) "
                           "VALUES ((SELECT max(ExamID) FROM ExamTitle), 'D', %1);"_s.arg(q * 7);
            }
            TestSupport::exec(m_db, sql + u"COMMIT;"_s);
        }
        const int delay = std::uniform_int_distribution<int>(0, 250)(m_rng);
        const Round done = runAndKill(mode, delay);
        for (const QString &line : done.lines)
            QVERIFY2(!line.startsWith(u"box"_s), qPrintable(line));
        midStep += done.killedMidStep ? 1 : 0;
        verifySound();
        if (mode == u"moves"_s) {
            // The last returned answer of each row is stored, unless a later step on that row was
            // under way when the kill came (then either letter may be there).
            std::map<int, QString> returned;
            std::map<int, QString> underWay;
            for (const QString &line : done.lines) {
                const QStringList f = line.split(u' ');
                if (f.size() != 3)
                    continue;
                (f[0] == u"done"_s ? returned : underWay)[f[1].toInt()] = f[2];
                if (f[0] == u"done"_s) {
                    underWay.erase(f[1].toInt());
                    ++steps;
                }
            }
            for (const auto &[detailId, letter] : returned) {
                const QString stored
                    = scalar(u"SELECT Answer FROM ExamDetails WHERE DetailID = %1"_s.arg(detailId)).toString();
                const auto pending = underWay.find(detailId);
                QVERIFY2(stored == letter || (pending != underWay.end() && stored == pending->second),
                    qPrintable(u"row %1: stored '%2', returned '%3'"_s.arg(detailId).arg(stored, letter)));
            }
        } else {
            for (const QString &line : done.lines) {
                const QStringList f = line.split(u' ');
                if (f.size() != 2 || f[0] != u"done"_s)
                    continue;
                ++steps;
                const int examId = f[1].toInt();
                const int titles = scalar(u"SELECT count(*) FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)).toInt();
                QCOMPARE(titles, mode == u"create"_s ? 1 : 0);
            }
        }
    }
    qInfo("%s: %d kills, %d of them in the middle of a step; %d steps returned and checked", qPrintable(mode), m_rounds,
        midStep, steps);
}

QTEST_GUILESS_MAIN(tst_kill)
#include "tst_kill.moc"
