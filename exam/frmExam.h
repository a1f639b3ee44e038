#pragma once

#include <memory>
#include <optional>

#include "data/ExamDraw.h"
#include "data/ExamSession.h"
#include "exam/ExamControls.h"
#include "exam/ExamLayout.h"
#include "widgets/ControlArray.h"
#include "widgets/ScrollingScreen.h"

class ClockTimer;
class DataBinder;
class QCheckBox;
class QDateTime;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QAbstractButton;
class QKeyEvent;
class QuestionMap;
class Recordset;

// The exam screen: the set-up form, then the running exam with its clock, its questions and its
// commands, until the exam is scored and handed over to the results screen. Its database work is
// the ExamSession's.
class frmExam final : public ScrollingScreen {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmExam)

public:
    explicit frmExam(QWidget *parent = nullptr);
    ~frmExam() override;

    void Form_Load();
    void Command1_Click(ExamCommand Index);
    void chkCategory_Click(int Index);
    void optTask_Click(int Index);
    void StartExam();
    bool CreateExam();
    void ShowQuestion();
    void CountQuestionsLeft();
    void CalculateResult();
    void Timer1_Timer();
    // Stretches the question frame and its text boxes to the screen's client width (twips).
    void fitToWidth(double clientWidth);
    // Offers to continue the newest exam a crashed run left unscored; runs when the screen opens.
    void OfferResume();
    // Marks or unmarks the question on screen for review; the mark is stored at once.
    void setFlagged(bool flagged);
    // Shows every question's state in the map again.
    void refreshMap();

    // Controls, addressed as the screen's control arrays.
    QLineEdit *Text1(ExamText index) const { return index == ExamText::User ? m_ui.text1 : nullptr; }
    QLabel *Label1(ExamLabel index) const { return controlAt(m_ui.labels, index); }
    QGroupBox *Frame1(ExamFrame index) const { return controlAt(m_ui.frames, index); }
    QCheckBox *chkCategory(int index) const { return index >= 0 && index < 7 ? m_ui.categories[index] : nullptr; }
    QCheckBox *chkCategory(ExamCategory index) const { return chkCategory(static_cast<int>(index)); }
    QRadioButton *optTask(int index) const { return index >= 0 && index < 3 ? m_ui.tasks[index] : nullptr; }
    QRadioButton *optTask(ExamTask index) const { return optTask(static_cast<int>(index)); }
    // "Only questions I answered wrong before".
    QCheckBox *chkPractise() const { return m_ui.practise; }
    QAbstractButton *Command1(ExamCommand index) const { return controlAt(m_ui.commands, index); }
    QRadioButton *Option1(ExamChoice index) const { return choiceOption(static_cast<int>(index)); }
    // The option button of choice `index` (0 is A), for those who go through the choices in turn.
    QRadioButton *choiceOption(int index) const { return index >= 0 && index < 6 ? m_ui.options[index] : nullptr; }
    // The check boxes A to F of a question of several right answers, and the line that says how many.
    QCheckBox *chkChoice(int index) const { return index >= 0 && index < 6 ? m_ui.ticks[index] : nullptr; }
    QCheckBox *chkChoice(ExamChoice index) const { return chkChoice(static_cast<int>(index)); }
    QLabel *lblChoose() const { return m_ui.lblChoose; }
    // The text box of choice `index` (0 is A).
    QWidget *choiceText(int index) const { return txtFields(index < 4 ? index + 1 : index + 4); }
    QWidget *txtFields(int index) const { return controlAt(m_ui.txtFields, index); } // QPlainTextEdit or QLineEdit
    QWidget *txtFields(ExamField index) const { return txtFields(static_cast<int>(index)); }
    QString txtFieldsText(int index) const;
    QString txtFieldsText(ExamField index) const { return txtFieldsText(static_cast<int>(index)); }
    QCheckBox *Check1() const { return m_ui.check1; }
    QLabel *lblStatus() const { return m_ui.lblStatus; }
    ClockTimer *Timer1() const { return m_timer; }
    std::shared_ptr<Recordset> rsExam() const { return m_session.questions(); }
    // The exam this screen created or continued; 0 before Start Exam.
    qint32 examId() const { return m_session.examId(); }
    // An exam is under way on this screen: started or continued, not ended.
    bool isRunning() const { return examId() != 0 && !m_ending; }
    QuestionMap *questionMap() const { return m_ui.map; }
    QAbstractButton *flagToggle() const { return m_ui.flag; }
    ClockTimer *heartbeatTimer() const { return m_heartbeat; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class ExamLayout; // connects the controls to the handlers as it makes them
    void Form_Unload();
    void Text1_LostFocus(ExamText Index);
    void txtFields_Change(int Index);
    void Option1_Click(int Index);
    void chkChoice_Click(int Index, bool ticked);
    void showChoices();
    void showAnswer();
    int rightCount() const;
    void rsExam_MoveComplete();
    void lblStatus_Change();
    void EndExam();
    // Stores every answer before the exam is scored; false when it is not to be scored, the
    // candidate having chosen to end the program with the exam kept.
    bool storeBeforeScoring();
    bool checkDrawable();
    bool reportShortage(const std::optional<ExamDraw::Shortage> &shortage, const QString &kind);
    void returnToSetup();
    // Empties the clock panel's values.
    void clearClock();
    void showRunning(bool running);
    void showClock(const QDateTime &started, int count, int timeLeft);
    void clearOptions();
    void reportAnswerNotStored(const QString &reason);
    // The class's server refused a call because the time is over or the trainer ended the exam.
    bool endIfServerEnded();
    bool handleExamKey(QKeyEvent *event);
    void refreshMapRow(int row);
    void resumeExam(const ExamSession::Offer &offer);
    void scoreExam(qint32 examId);

    ClockTimer *m_timer;
    ClockTimer *m_heartbeat;
    DataBinder *m_binder;
    ExamLayout m_ui; // after the timers and the binder: they stay the screen's first children
    ExamSession m_session;
    bool m_applyingRules = false;
    bool m_ending = false;
    bool m_unloading = false;
    bool m_timeOverShown = false;
    bool m_serverEndShown = false;
    int m_shownChoices = 4; // of the question on screen
    int m_choose = 1; // its number of right answers
};
