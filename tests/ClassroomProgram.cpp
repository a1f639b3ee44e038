#include "ClassroomProgram.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QRadioButton>
#include <QTest>

#include "core/GenModule.h"
#include "data/Recordset.h"
#include "exam/frmExam.h"
#include "review/frmViewExam.h"
#include "shell/StartOptions.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using namespace Qt::StringLiterals;

frmMain *ClassroomProgram::startAs(const QString &dsn)
{
    SetAppFolder(m_folder.path());
    m_window = std::make_unique<frmMain>();
    StartOptions options;
    options.classroomDsn = dsn;
    m_window->start(options);
    m_window->resize(1000, 760);
    return m_window.get();
}

void ClassroomProgram::closeProgram()
{
    if (!m_window)
        return;
    gQuitNoPrompt = true;
    m_window->close();
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

frmExam *ClassroomProgram::openExam()
{
    m_window->menuForm()->OpenScreen(MenuCommand::StartExam);
    return m_window->examForm();
}

frmViewExam *ClassroomProgram::openResults()
{
    m_window->menuForm()->OpenScreen(MenuCommand::ViewExam);
    return m_window->viewExamForm();
}

void ClassroomProgram::click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

QString ClassroomProgram::keyOf(const Recordset &rs)
{
    return admin(u"SELECT q.CorrectAnswer FROM vesk_private.q_a q JOIN ExamDetails d ON d.QID = q.QID "
                 "WHERE d.DetailID = %1"_s.arg(rs.Fields(u"DetailID"_s).toLongLong()));
}

int ClassroomProgram::letterOf(const Recordset &rs)
{
    return int(u"ABCD"_s.indexOf(keyOf(rs)));
}

void ClassroomProgram::answerRight(frmExam *exam, bool moveOn)
{
    click(exam->choiceOption(letterOf(*exam->rsExam())));
    if (moveOn)
        click(exam->Command1(ExamCommand::Next));
}

qint32 ClassroomProgram::takeExam(frmExam *exam, int right, int wrong, bool end)
{
    click(exam->chkCategory(ExamCategory::SoftwareTesting));
    click(exam->optTask(ExamTask::Ten));
    click(exam->Command1(ExamCommand::StartExam));
    const std::shared_ptr<Recordset> rs = exam->rsExam();
    if (!rs || rs->RecordCount() != 10)
        return 0;
    for (int q = 0; q < right + wrong; ++q) {
        const int letter = letterOf(*rs);
        click(exam->choiceOption(q < right ? letter : (letter + 1) % 4));
        click(exam->Command1(ExamCommand::Next));
    }
    const qint32 id = exam->examId();
    if (end)
        click(exam->Command1(ExamCommand::EndExam));
    return id;
}
