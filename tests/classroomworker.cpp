// One simulated candidate of the classroom load test: signs in through its own data source, takes
// a 50-question exam through the program's own screens, and answers and moves on at a fixed pace.
// It tells its parent on standard output:
//   ready <examId>                 the exam is on screen; it then waits for the line
//                                  "go <detailId>:<letter> ...", the keys the server keeps from it
//   stored <detailId> <letter>     the answer given on that row
//   answered <row> <microseconds>  the answer on the row went to the server (its write-back)
//   moved <row> <microseconds>     the move to the next row returned
//   failed <title>: <text>         a box the program showed (an answer not stored, say)
//   ended                          the program asked to end at once (the failure path)
//   scored <examId> <right>        End Exam returned
// Arguments: data source, pause between moves in ms, seed.
#include <cstdio>
#include <iostream>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QRadioButton>
#include <QThread>

#include "TestSupport.h"
#include "core/AppExit.h"
#include "core/GenModule.h"
#include "data/Recordset.h"
#include "exam/frmExam.h"
#include "platform/MessageBox.h"
#include "shell/StartOptions.h"
#include "shell/frmMain.h"

using namespace Qt::StringLiterals;

namespace {
void say(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

int reported = 0;
// Reports the boxes shown since the last call; true when the program asked to end.
bool reportFailures()
{
    for (; reported < MessageBox::shown().size(); ++reported) {
        const MessageBox::Shown &box = MessageBox::shown().at(reported);
        say(u"failed %1: %2"_s.arg(box.title, QString(box.text).replace(u'\n', u' ')));
    }
    if (AppExit::requested())
        say(u"ended"_s);
    return AppExit::requested();
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const int pause = QString::fromLatin1(argv[2]).toInt();
    const int seed = QString::fromLatin1(argv[3]).toInt();
    TestSupport::resetProgramState();
    frmMain window;
    StartOptions options;
    options.classroomDsn = QString::fromLocal8Bit(argv[1]);
    window.start(options);
    if (reportFailures())
        return 3;
    frmExam *exam = TestSupport::startExam(&window, QString(), {int(ExamCategory::All)}, int(ExamTask::Fifty));
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    if (reportFailures() || !rs)
        return 3;
    say(u"ready %1"_s.arg(exam->examId()));
    std::string go;
    std::getline(std::cin, go);
    QMap<qint64, QString> keys;
    for (const QString &pair : QString::fromStdString(go).split(u' ', Qt::SkipEmptyParts).mid(1))
        keys.insert(pair.section(u':', 0, 0).toLongLong(), pair.section(u':', 1));

    int right = 0;
    for (int row = 0; row < rs->RecordCount(); ++row) {
        QThread::msleep(ulong(pause));
        const qint64 detail = rs->Fields(u"DetailID"_s).toLongLong();
        // Right on most rows, a letter off on some, as a candidate does.
        const bool answerRight = (row + seed) % 5 != 0;
        const int letter = (int(u"ABCD"_s.indexOf(keys.value(detail))) + (answerRight ? 0 : 1)) % 4;
        right += answerRight ? 1 : 0;
        exam->choiceOption(letter)->click();
        say(u"stored %1 %2"_s.arg(detail).arg(QChar(u'A' + letter)));
        if (row + 1 == rs->RecordCount())
            break;
        // The answer's own write-back, as the move would make it first, then the move itself.
        QElapsedTimer timer;
        timer.start();
        rs->Update();
        say(u"answered %1 %2"_s.arg(row).arg(timer.nsecsElapsed() / 1000));
        timer.restart();
        exam->Command1_Click(ExamCommand::Next);
        const qint64 micros = timer.nsecsElapsed() / 1000;
        if (reportFailures())
            return 0;
        say(u"moved %1 %2"_s.arg(row).arg(micros));
    }
    const qint32 examId = exam->examId();
    // Answers the server still lacks at the end end the program, the exam kept, rather than
    // trying again for ever.
    MessageBox::setNextAnswer(MessageBox::No);
    exam->Command1_Click(ExamCommand::EndExam); // the last answer is stored, then the exam is scored
    if (!reportFailures())
        say(u"scored %1 %2"_s.arg(examId).arg(right));
    gQuitNoPrompt = true;
    window.close();
    return 0;
}
