#pragma once

#include <map>

#include "data/ExamDraw.h"
#include "exam/ExamControls.h"

class DataBinder;
class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;
class QuestionMap;
class frmExam;

// The exam screen's controls, made and placed in twips as the screen was drawn: the set-up column
// on the left, the question area (hidden until an exam runs) on the right, and the reading order
// through them. Each control is connected to the screen's handler as it is made.
class ExamLayout final {
public:
    ExamLayout(frmExam *screen, QWidget *content);
    ExamLayout(const ExamLayout &) = delete;
    ExamLayout &operator=(const ExamLayout &) = delete;

    // The categories ticked.
    ExamDraw::Ticked ticked() const;
    // Binds the question area's boxes to the fields of the exam's rows they show.
    void bind(DataBinder *binder) const;
    // Places the choices of a question of `shown` choices (4 to 6) and `choose` right answers:
    // four take the screen as it was drawn; five or six share the same band; a question of
    // several right answers says how many under a shorter stem and offers check boxes.
    void arrangeChoices(int shown, int choose);

    // The screen's control arrays, by index.
    std::map<int, QLabel *> labels; // Label1, by ExamLabel
    std::map<int, QGroupBox *> frames; // Frame1, by ExamFrame
    std::map<int, QAbstractButton *> commands; // Command1, by ExamCommand: the commands and the moves
    std::map<int, QWidget *> txtFields; // a QPlainTextEdit or QLineEdit each, bound to the row
    QLineEdit *text1 = nullptr; // the candidate's name
    QCheckBox *categories[7] = {}; // the six categories, then "All Categories"
    QRadioButton *tasks[3] = {}; // 10, 30, 50 questions
    QCheckBox *practise = nullptr; // "Only questions I answered wrong before"
    QRadioButton *options[6] = {}; // A to F, for a question of one right answer
    QCheckBox *ticks[6] = {}; // A to F, for a question of several
    QLabel *lblChoose = nullptr; // "Choose two", under the stem of a question of several answers
    QCheckBox *check1 = nullptr; // hidden, bound to Answered
    QLabel *lblStatus = nullptr;
    QLabel *legend = nullptr; // the map's legend, as wide as the frame lets it be
    QAbstractButton *flag = nullptr;
    QuestionMap *map = nullptr;

private:
    void buildSetupColumn(QWidget *content);
    void buildQuestionArea(QWidget *content);
    void setReadingOrder();

    frmExam *m_screen;
};
