// Does real work on a real exam database through the program's own screens until it is killed,
// telling its parent on standard output what has been done: "try" before a step and "done"
// once the step has returned. Used by tst_kill.
#include <cstdio>
#include <cstdlib>
#include <random>

#include <QApplication>
#include <QPointer>
#include <QRadioButton>
#include <QThread>

#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "data/Recordset.h"
#include "exam/frmExam.h"
#include "platform/MessageBox.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/frmMain.h"

using namespace Qt::StringLiterals;

namespace {
void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// A box means something failed that the parent must see: report it and stop.
void stopOnBox()
{
    if (MessageBox::shown().isEmpty())
        return;
    for (const MessageBox::Shown &box : MessageBox::shown())
        say(u"box %1: %2"_s.arg(box.title, box.text));
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

// Waits to be killed: the parent decides when, so nothing here may depend on how fast the
// machine is.
[[noreturn]] void waitForKill()
{
    say(u"idle"_s);
    for (;;)
        QThread::sleep(1);
}

// Answers and moves on for ever: each step ticks a letter on the current row and moves on (from
// the last row back to the first: leaving the row stores it). On the clock, one to three seconds
// pass before each step, at most `clockBudget` in all, well inside the exam's time, and the worker
// then idles: however fast the moves run, the time never runs out.
int answerMoves(frmMain *window, std::mt19937 &rng, bool onTheClock)
{
    constexpr int clockBudget = 480;
    frmExam *exam = startExam(window);
    if (!exam)
        return 1;
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    for (int spent = 0;;) {
        if (onTheClock) {
            const int seconds = 1 + int(rng() % 3);
            if (spent + seconds > clockBudget)
                waitForKill();
            spent += seconds;
            say(u"tick %1"_s.arg(gTimeLeft - seconds));
            Clock::advance(seconds);
        }
        const int position = rs->AbsolutePosition();
        const qint32 detailId = rs->Fields(u"DetailID"_s).toInt();
        const int letter = int(rng() % 4);
        say(u"try %1 %2"_s.arg(detailId).arg(QChar(u'A' + letter)));
        exam->choiceOption(letter)->click();
        exam->Command1(position >= rs->RecordCount() ? ExamCommand::First : ExamCommand::Next)->click();
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
    const int detail = rs->fieldIndex(u"DetailID"_s);
    const int answer = rs->fieldIndex(u"Answer"_s);
    for (int row = 0; row < rs->RecordCount(); ++row)
        say(u"answer %1 %2"_s.arg(rs->value(row, detail).toInt()).arg(rs->value(row, answer).toString()));
    TestSupport::endExam(exam);
    stopOnBox();
    return 0;
}

// Starts and ends exams for ever.
int createExams(frmMain *window)
{
    for (;;) {
        say(u"try"_s);
        // The set-up opened anew each time, as a person would from the menu.
        TestSupport::openExam(window);
        frmExam *exam = startExam(window);
        if (!exam)
            return 1;
        say(u"done %1"_s.arg(exam->examId()));
        TestSupport::endExam(exam);
    }
}

// Deletes the listed exams one by one, the first line each time, as a person would.
int deleteExams(frmMain *window)
{
    TestSupport::openResults(window);
    for (;;) {
        QPointer<frmViewExam> view = window->viewExamForm();
        if (!view || view->gridModel()->rowCount() == 0)
            return 0;
        TestSupport::review(window, 0);
        const qint32 examId = view->reviewedExamId();
        say(u"try %1"_s.arg(examId));
        MessageBox::setNextAnswer(MessageBox::Yes);
        view->Command1_Click(ViewExamCommand::DeleteExam);
        // The delete's own report is the one box expected.
        if (MessageBox::shown().size() == 2 && MessageBox::shown().last().title == u"Operation Completed")
            MessageBox::clearShown();
        stopOnBox();
        say(u"done %1"_s.arg(examId));
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
    // The parent cannot answer a box: a box shown here means a failure the parent must see.
    std::mt19937 rng(std::random_device{}());
    std::unique_ptr<frmMain> window = TestSupport::startProgram(QString::fromLocal8Bit(argv[2]));
    if (AppExit::requested())
        return 3;
    stopOnBox();
    int rc = 2;
    if (mode == u"moves" || mode == u"clock")
        rc = answerMoves(window.get(), rng, mode == u"clock");
    else if (mode == u"start")
        rc = startExam(window.get()) ? (waitForKill(), 0) : 1;
    else if (mode == u"continue")
        rc = continueExam(window.get());
    else if (mode == u"create")
        rc = createExams(window.get());
    else if (mode == u"delete")
        rc = deleteExams(window.get());
    stopOnBox();
    return rc;
}
