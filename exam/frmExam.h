#pragma once

#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include "data/ExamDraw.h"
#include "widgets/ScrollingScreen.h"

class ClockTimer;
class DataBinder;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QAbstractButton;
class QKeyEvent;
class QuestionMap;
class Recordset;

// The exam screen: the set-up form, then the running exam with its clock, its questions and its
// commands, until the exam is scored and handed over to the results screen.
class frmExam final : public ScrollingScreen {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmExam)

public:
    explicit frmExam(QWidget *parent = nullptr);
    ~frmExam() override;

    void Form_Load();
    void Command1_Click(int Index);
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
    QLineEdit *Text1(int index) const;
    QLabel *Label1(int index) const;
    QGroupBox *Frame1(int index) const;
    QCheckBox *chkCategory(int index) const;
    QRadioButton *optTask(int index) const;
    // "Only questions I answered wrong before".
    QCheckBox *chkPractise() const { return m_practise; }
    QAbstractButton *Command1(int index) const;
    QRadioButton *Option1(int index) const;
    QWidget *txtFields(int index) const; // QPlainTextEdit or QLineEdit
    QString txtFieldsText(int index) const;
    QCheckBox *Check1() const { return m_check1; }
    QLabel *lblStatus() const { return m_lblStatus; }
    ClockTimer *Timer1() const { return m_timer; }
    std::shared_ptr<Recordset> rsExam() const { return m_rsExam; }
    // The exam this screen created; 0 before Start Exam.
    qint32 examId() const { return m_examId; }
    // An exam is under way on this screen: started or continued, not ended.
    bool isRunning() const { return m_examId != 0 && !m_ending; }
    QuestionMap *questionMap() const { return m_map; }
    QAbstractButton *flagToggle() const { return m_flag; }
    ClockTimer *heartbeatTimer() const { return m_heartbeat; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildSetupColumn(QWidget *content);
    void buildQuestionArea(QWidget *content);
    void Form_Unload();
    void Text1_LostFocus(int Index);
    void txtFields_Change(int Index);
    void Option1_Click(int Index);
    void rsExam_MoveComplete();
    void lblStatus_Change();
    void EndExam();
    bool checkDrawable();
    bool checkPractiseDrawable(const ExamDraw::Ticked &ticked);
    bool reportShortage(const std::optional<ExamDraw::Shortage> &shortage, const QString &kind);
    std::vector<int> drawPool(const ExamDraw::Ticked &ticked, std::mt19937 &rng);
    void returnToSetup();
    void failCreation(QString reason); // a copy: gDB, which may hold it, is reset first
    void clearOptions();
    void reportAnswerNotStored(const QString &reason);
    bool handleExamKey(QKeyEvent *event);
    void watchKeys(QWidget *widget);
    void refreshMapRow(int row);
    bool isFlagged(int row) const;
    void saveProgress();
    QString progressStatement();
    void resumeExam(qint32 examId, const QString &name, const QString &date, int count, int timeLeft);
    bool hasSideTables();

    std::map<int, QLabel *> m_labels;
    std::map<int, QGroupBox *> m_frames;
    std::map<int, QAbstractButton *> m_commands;
    std::map<int, QWidget *> m_txtFields;
    QLineEdit *m_text1 = nullptr;
    QCheckBox *m_categories[7] = {};
    QRadioButton *m_tasks[3] = {};
    QRadioButton *m_options[4] = {};
    QCheckBox *m_check1 = nullptr;
    QCheckBox *m_practise = nullptr;
    QLabel *m_lblStatus = nullptr;
    ClockTimer *m_timer;
    ClockTimer *m_heartbeat;
    DataBinder *m_binder;
    QuestionMap *m_map = nullptr;
    QAbstractButton *m_flag = nullptr;
    std::set<qint32> m_flagged; // DetailIDs of the exam's flagged questions
    qint64 m_lastBeat = 0; // seconds since the epoch of the last stored heartbeat
    bool m_sideTables = false; // flags and progress can be stored
    std::shared_ptr<Recordset> m_rsExam;
    qint32 m_examId = 0;
    bool m_applyingRules = false;
    bool m_ending = false;
    bool m_unloading = false;
    bool m_timeOverShown = false;
    bool m_answerErrorShown = false;
};
