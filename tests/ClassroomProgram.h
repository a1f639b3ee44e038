#pragma once

#include <memory>

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QObject>
#include <QRadioButton>
#include <QString>
#include <QTemporaryDir>

#include "ClassServer.h"
#include "TestSupport.h"
#include "core/GenModule.h"
#include "data/DataGlobals.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "shell/StartOptions.h"
#include "shell/frmMain.h"

// What the suites that drive the program on a class's server share: the server (twelve Software Testing
// questions unless told), the program started as a data source's user, and an exam taken as a candidate.
class ClassroomProgram : public QObject {
protected:
    explicit ClassroomProgram(const std::array<int, 6> &counts = {12, 0, 0, 0, 0, 0})
        : m_class(counts)
    {
    }

    ClassServer m_class;
    QTemporaryDir m_folder; // the program's own folder: no Exam.mdb in it
    std::unique_ptr<frmMain> m_window;

    // As the data source's user; with none, as the settings file says.
    frmMain *startAs(const QString &dsn)
    {
        SetAppFolder(m_folder.path());
        m_window = std::make_unique<frmMain>();
        StartOptions options;
        options.classroomDsn = dsn;
        m_window->start(options);
        m_window->resize(1000, 760);
        return m_window.get();
    }
    // Closed without the quit question; every connection it held dropped, the next run's state fresh.
    void closeProgram()
    {
        if (m_window) {
            gQuitNoPrompt = true;
            m_window->close();
            m_window.reset();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        TestSupport::resetProgramState();
    }
    frmExam *openExam() { return TestSupport::openExam(m_window.get()); }
    QString admin(const QString &sql) { return m_class.scalar(sql); }
    // The exam's score, "none" before it is scored.
    QString resultOf(qint32 exam)
    {
        return admin(
            QStringLiteral("SELECT coalesce(ExamResult::text, 'none') FROM ExamTitle WHERE ExamID = %1").arg(exam));
    }
    // The index of the option button that answers the question on the exam screen's row (A is 0), by
    // its key as only the server's owner reads it.
    int letterOf(const Recordset &rs)
    {
        return int(QStringLiteral("ABCD").indexOf(
            admin(QStringLiteral("SELECT q.CorrectAnswer FROM vesk_private.q_a q JOIN ExamDetails d ON d.QID = "
                                 "q.QID WHERE d.DetailID = %1")
                      .arg(rs.Fields(QStringLiteral("DetailID")).toLongLong()))));
    }
    // Gives the right answer (or a wrong one) to the question on screen, and moves on.
    void answer(frmExam *exam, bool right = true)
    {
        TestSupport::click(exam->choiceOption((letterOf(*exam->rsExam()) + (right ? 0 : 1)) % 4));
        TestSupport::click(exam->Command1(ExamCommand::Next));
    }
    // Ten Software Testing questions: the first `right` answered right, the next `wrong` wrong, the
    // rest left; ended when told to. The exam's id, or 0 when it did not start.
    qint32 takeExam(frmExam *exam, int right, int wrong, bool end = true)
    {
        TestSupport::startExam(m_window.get(), QString(), {int(ExamCategory::SoftwareTesting)}, int(ExamTask::Ten));
        if (!exam->rsExam() || exam->rsExam()->RecordCount() != 10)
            return 0;
        for (int q = 0; q < right + wrong; ++q)
            answer(exam, q < right);
        const qint32 id = exam->examId();
        if (end)
            TestSupport::click(exam->Command1(ExamCommand::EndExam));
        return id;
    }
};
