// tst_kill's worker: real work on a real exam database through the program's screens until it is
// killed, saying "try" before a step and "done" once it has returned.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "ScreenSuite.h"
#include "core/Clock.h"

namespace {
void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// The parent cannot answer a box: one shown is a failure it must see.
void stopOnBox()
{
    for (const MessageBox::Shown &box : MessageBox::shown())
        say(u"box %1: %2"_s.arg(box.title, box.text));
    if (!MessageBox::shown().isEmpty())
        std::exit(4);
}

// Starts an exam and reports it once Start Exam has returned; nullptr when it did not start.
frmExam *startExam(frmMain *window)
{
    frmExam *exam = TestSupport::startExam(window, u"K"_s, {6});
    stopOnBox();
    if (!exam->rsExam())
        return nullptr;
    say(u"exam %1"_s.arg(exam->examId()));
    return exam;
}

// Waits to be killed: the parent decides when, so nothing here may depend on how fast the machine is.
[[noreturn]] void waitForKill()
{
    say(u"idle"_s);
    for (;;)
        QThread::sleep(1);
}

// Each step lets one to three seconds pass, ticks a letter and leaves the row (from the last back to
// the first), which stores it; after `clockBudget` seconds, well inside the exam's time, the worker
// idles: however fast the moves run, the time never runs out.
int answerMoves(frmMain *window, std::mt19937 &rng)
{
    constexpr int clockBudget = 480;
    frmExam *exam = startExam(window);
    if (!exam)
        return 1;
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    for (int spent = 0;;) {
        const int seconds = 1 + int(rng() % 3);
        if (spent + seconds > clockBudget)
            waitForKill();
        spent += seconds;
        say(u"tick %1"_s.arg(gTimeLeft - seconds));
        Clock::advance(seconds);
        const qint32 detailId = rs->Fields(u"DetailID"_s).toInt();
        const int letter = int(rng() % 4);
        say(u"try %1 %2"_s.arg(detailId).arg(QChar(u'A' + letter)));
        exam->choiceOption(letter)->click();
        exam->Command1(rs->AbsolutePosition() >= rs->RecordCount() ? ExamCommand::First : ExamCommand::Next)->click();
        stopOnBox();
        say(u"done %1 %2 %3"_s.arg(detailId).arg(QChar(u'A' + letter)).arg(gTimeLeft));
    }
}

// Opens the exam screen an hour later, continues the exam offered, reports it and ends it.
int continueExam(frmMain *window)
{
    Clock::setNow(Clock::now().addSecs(3600));
    frmExam *exam = TestSupport::openExam(window, MessageBox::Yes);
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    if (MessageBox::shown().isEmpty() || !rs) {
        say(u"none"_s);
        return 0;
    }
    MessageBox::clearShown();
    say(u"resumed %1 %2"_s.arg(exam->examId()).arg(gTimeLeft));
    const int detail = rs->fieldIndex(u"DetailID"_s), answer = rs->fieldIndex(u"Answer"_s);
    for (int row = 0; row < rs->RecordCount(); ++row)
        say(u"answer %1 %2"_s.arg(rs->value(row, detail).toInt()).arg(rs->value(row, answer).toString()));
    TestSupport::endExam(exam);
    stopOnBox();
    return 0;
}

int createExams(frmMain *window)
{
    for (;;) {
        say(u"try"_s);
        TestSupport::openExam(window); // anew each time, as from the menu
        frmExam *exam = startExam(window);
        if (!exam)
            return 1;
        say(u"done %1"_s.arg(exam->examId()));
        TestSupport::endExam(exam);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    TestSupport::resetProgramState();
    std::mt19937 rng(std::random_device{}());
    std::unique_ptr<frmMain> window = TestSupport::startProgram(QString::fromLocal8Bit(argv[2]));
    if (AppExit::requested())
        return 3;
    stopOnBox();
    if (mode == u"start" && startExam(window.get()))
        waitForKill();
    const int rc = mode == u"clock" ? answerMoves(window.get(), rng)
        : mode == u"continue"       ? continueExam(window.get())
        : mode == u"create"         ? createExams(window.get())
                                    : 1;
    stopOnBox();
    return rc;
}
