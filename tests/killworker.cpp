// Does real work on a real exam database through the program's own screens until it is killed,
// telling its parent on standard output what has been done: "try" before a step and "done"
// once the step has returned. Used by tst_kill.
#include <cstdio>
#include <cstdlib>
#include <random>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>
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
#include "shell/frmMenu.h"
#include "widgets/RecordsetModel.h"

namespace {
void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// A box means something failed that the parent must see: report it and stop.
void stopOnBox()
{
    if (MessageBox::shown().isEmpty())
        return;
    for (const MessageBox::Shown &box : MessageBox::shown())
        say(QStringLiteral("box %1: %2").arg(box.title, box.text));
    std::exit(4);
}

frmExam *startExam(frmMain *window, int countIndex)
{
    window->menuForm()->OpenScreen(0);
    frmExam *exam = window->examForm();
    exam->Text1(0)->setText(QStringLiteral("K"));
    exam->chkCategory(6)->click();
    exam->optTask(countIndex)->click();
    exam->Command1(0)->click();
    return exam;
}

// Answers and moves on for ever: each step ticks a letter on the row at `position` and moves.
int answerMoves(frmMain *window, std::mt19937 &rng)
{
    frmExam *exam = startExam(window, 0);
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    if (!rs)
        return 1;
    for (;;) {
        const int position = rs->AbsolutePosition();
        const qint32 detailId = rs->Fields(QStringLiteral("DetailID")).toInt();
        const int letter = int(rng() % 4);
        say(QStringLiteral("try %1 %2").arg(detailId).arg(QChar(u'A' + letter)));
        exam->Option1(letter)->click();
        if (position >= rs->RecordCount())
            exam->Command1(2)->click(); // back to the first question: leaving the row stores it
        else
            exam->Command1(5)->click();
        stopOnBox();
        say(QStringLiteral("done %1 %2").arg(detailId).arg(QChar(u'A' + letter)));
    }
}

// Waits to be killed: the parent decides when, so nothing here may depend on how fast the
// machine is.
[[noreturn]] void waitForKill()
{
    say(QStringLiteral("idle"));
    for (;;)
        QThread::sleep(1);
}

// As answerMoves, with the exam clock running: one to three seconds pass between moves. Each
// line carries the time left. The clock advances at most `clockBudget` seconds in all, well inside
// the exam's time, and the worker then idles: however fast the moves run, the time never runs out.
int answerMovesOnTheClock(frmMain *window, std::mt19937 &rng)
{
    constexpr int clockBudget = 480;
    frmExam *exam = startExam(window, 0);
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    stopOnBox();
    if (!rs)
        return 1;
    say(QStringLiteral("exam %1").arg(exam->examId()));
    for (int spent = 0;;) {
        const int seconds = 1 + int(rng() % 3);
        if (spent + seconds > clockBudget)
            waitForKill();
        spent += seconds;
        say(QStringLiteral("tick %1").arg(gTimeLeft - seconds));
        Clock::advance(seconds);
        const int position = rs->AbsolutePosition();
        const qint32 detailId = rs->Fields(QStringLiteral("DetailID")).toInt();
        const int letter = int(rng() % 4);
        say(QStringLiteral("try %1 %2").arg(detailId).arg(QChar(u'A' + letter)));
        exam->Option1(letter)->click();
        exam->Command1(position >= rs->RecordCount() ? 2 : 5)->click();
        stopOnBox();
        say(QStringLiteral("done %1 %2 %3").arg(detailId).arg(QChar(u'A' + letter)).arg(gTimeLeft));
    }
}

// Starts an exam, reports it once Start Exam has returned, and waits to be killed.
int startAndWait(frmMain *window)
{
    frmExam *exam = startExam(window, 0);
    stopOnBox();
    if (!exam->rsExam())
        return 1;
    say(QStringLiteral("exam %1").arg(exam->examId()));
    waitForKill();
}

// Opens the exam screen an hour later, continues the exam offered, reports it and ends it.
int continueExam(frmMain *window)
{
    Clock::setNow(Clock::now().addSecs(3600));
    MessageBox::setNextAnswer(MessageBox::Yes);
    window->menuForm()->OpenScreen(0);
    frmExam *exam = window->examForm();
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    if (MessageBox::shown().isEmpty() || !rs) {
        say(QStringLiteral("none"));
        return 0;
    }
    MessageBox::clearShown();
    say(QStringLiteral("resumed %1 %2").arg(exam->examId()).arg(gTimeLeft));
    const int detail = rs->fieldIndex(QStringLiteral("DetailID"));
    const int answer = rs->fieldIndex(QStringLiteral("Answer"));
    for (int row = 0; row < rs->RecordCount(); ++row)
        say(QStringLiteral("answer %1 %2").arg(rs->value(row, detail).toInt()).arg(rs->value(row, answer).toString()));
    exam->Command1(1)->click();
    stopOnBox();
    return 0;
}

// Starts and ends exams for ever.
int createExams(frmMain *window)
{
    for (;;) {
        say(QStringLiteral("try"));
        frmExam *exam = startExam(window, 0);
        const std::shared_ptr<Recordset> rs = exam->rsExam();
        stopOnBox();
        if (!rs)
            return 1;
        say(QStringLiteral("done %1").arg(rs->Fields(QStringLiteral("ExamID")).toInt()));
        exam->Command1(1)->click();
    }
}

// Deletes the listed exams one by one, the first line each time, as a person would.
int deleteExams(frmMain *window)
{
    window->menuForm()->OpenScreen(1);
    for (;;) {
        QPointer<frmViewExam> view = window->viewExamForm();
        if (!view || view->gridModel()->rowCount() == 0)
            return 0;
        view->Grid1()->setCurrentIndex(view->gridModel()->index(0, 1));
        view->Grid1_DblClick();
        const qint32 examId = view->reviewedExamId();
        say(QStringLiteral("try %1").arg(examId));
        MessageBox::setNextAnswer(MessageBox::Yes);
        view->Command1_Click(0);
        // The delete's own report is the one box expected.
        if (MessageBox::shown().size() == 2 && MessageBox::shown().last().title == QLatin1String("Operation Completed"))
            MessageBox::clearShown();
        stopOnBox();
        say(QStringLiteral("done %1").arg(examId));
    }
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    TestSupport::resetProgramState();
    // The parent cannot answer a box: a box shown here means a failure the parent must see.
    std::mt19937 rng(std::random_device{}());
    std::unique_ptr<frmMain> window = TestSupport::startProgram(folder);
    if (AppExit::requested())
        return 3;
    stopOnBox();
    int rc = 2;
    if (mode == QLatin1String("moves"))
        rc = answerMoves(window.get(), rng);
    else if (mode == QLatin1String("clock"))
        rc = answerMovesOnTheClock(window.get(), rng);
    else if (mode == QLatin1String("start"))
        rc = startAndWait(window.get());
    else if (mode == QLatin1String("continue"))
        rc = continueExam(window.get());
    else if (mode == QLatin1String("create"))
        rc = createExams(window.get());
    else if (mode == QLatin1String("delete"))
        rc = deleteExams(window.get());
    stopOnBox();
    return rc;
}
