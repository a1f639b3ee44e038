#pragma once

#include <memory>

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include "ClassServer.h"

class QWidget;
class Recordset;
class frmExam;
class frmMain;
class frmViewExam;

// What the suites that drive the program on a class's server share: the server with twelve
// Software Testing questions, the program started as a data source's user, its two screens, and an
// exam taken as a candidate would take it.
class ClassroomProgram : public QObject {
protected:
    explicit ClassroomProgram(const std::array<int, 6> &counts = {12, 0, 0, 0, 0, 0})
        : m_class(counts)
    {
    }

    ClassServer m_class;
    QTemporaryDir m_folder; // the program's own folder: no Exam.mdb in it
    std::unique_ptr<frmMain> m_window;

    frmMain *startAs(const QString &dsn);
    void closeProgram();
    frmExam *openExam();
    frmViewExam *openResults();
    static void click(QWidget *widget);
    QString admin(const QString &sql) { return m_class.scalar(sql); }
    // The right letter of the question on the exam screen's row, as only the server's owner reads it.
    QString keyOf(const Recordset &rs);
    // The same as the index of the option button that answers it (A is 0).
    int letterOf(const Recordset &rs);
    // Gives the right answer to the question on screen, and moves on when told to.
    void answerRight(frmExam *exam, bool moveOn = true);
    // Ten Software Testing questions: the first `right` answered right, the next `wrong` wrong, the
    // rest left; ended when told to. The exam's id, or 0 when it did not start.
    qint32 takeExam(frmExam *exam, int right, int wrong, bool end = true);
};
