#pragma once

#include <map>
#include <memory>

#include "data/Breakdown.h"
#include "data/ReviewSession.h"
#include "review/ViewExamControls.h"
#include "widgets/ScrollingScreen.h"

class BreakdownTable;
class DataBinder;
class ExamListModel;
class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;
class Recordset;

// The results screen: every stored exam with its result, the review of one exam beside the
// correct answers and explanations, and its deletion; beside them the exam's breakdown by
// category, the pass mark, the progress chart's command, the review's filters and its report.
class frmViewExam final : public ScrollingScreen {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmViewExam)

public:
    explicit frmViewExam(QWidget *parent = nullptr);
    ~frmViewExam() override;

    void Form_Load();
    void LoadGrid();
    void DoGridSetting();
    void Grid1_DblClick();
    void Command1_Click(ViewExamCommand Index);
    void DeleteExam();
    void fitToWidth(double clientWidth);

    // The review's filters over the reviewed exam's rows.
    enum Filter {
        AllQuestions = ReviewSession::AllQuestions,
        WrongOnly = ReviewSession::WrongOnly,
        FlaggedOnly = ReviewSession::FlaggedOnly
    };
    void setFilter(int filter);
    int filter() const;
    // Asks where to save the report of the reviewed exam, and writes it.
    void SaveReport();
    void PrintReport();
    void OpenProgress();
    void setPassMark(int percent);

    QTableView *Grid1() const { return m_grid; }
    ExamListModel *gridModel() const { return m_listModel; }
    QGroupBox *Frame1(ViewExamFrame index) const { return index == ViewExamFrame::Review ? m_review : nullptr; }
    QGroupBox *Frame2() const { return m_manage; }
    QAbstractButton *Command1(ViewExamCommand index) const;
    QLabel *Label1(ViewExamLabel index) const;
    QWidget *txtFields(int index) const;
    QWidget *txtFields(ViewExamField index) const { return txtFields(static_cast<int>(index)); }
    QString txtFieldsText(int index) const;
    QString txtFieldsText(ViewExamField index) const { return txtFieldsText(static_cast<int>(index)); }
    QCheckBox *Check1() const { return m_check1; }
    QLabel *lblStatus() const { return m_lblStatus; }
    // Shown while the reviewed question is one the candidate flagged for review.
    QLabel *lblFlagged() const { return m_lblFlagged; }
    // The text box of choice `index` (0 is A), and the mark beside it on a question of several
    // right answers: "right" (ticked and right), "wrong" (ticked, not right), "missed" (right,
    // not ticked), or nothing.
    QWidget *choiceText(int index) const { return txtFields(index < 4 ? index + 1 : index + 6); }
    QLabel *choiceMark(int index) const { return index >= 0 && index < 6 ? m_marks[index] : nullptr; }
    std::shared_ptr<Recordset> rsExam() const;
    // The rows the review shows and moves through: rsExam itself, or those the filter keeps.
    std::shared_ptr<Recordset> shownRows() const;
    QRadioButton *optFilter(int filter) const;
    BreakdownTable *breakdownTable() const { return m_breakdownTable; }
    QGroupBox *breakdownFrame() const { return m_breakdownFrame; }
    const Breakdown &breakdown() const { return m_breakdown; }
    QSpinBox *passMarkBox() const { return m_passMark; }
    QPushButton *progressButton() const { return m_progress; }
    QPushButton *savePdfButton() const { return m_savePdf; }
    QPushButton *printButton() const { return m_print; }
    qint32 reviewedExamId() const { return m_examId; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildList();
    void buildReview();
    void buildStudy();
    void showBreakdown();
    void showRows();
    QString reportHtml() const;
    void Form_Unload();
    void rsExam_MoveComplete();
    void txtFields_Change(int Index);
    void showChoices();

    std::unique_ptr<ReviewSession> m_session;
    QTableView *m_grid = nullptr;
    ExamListModel *m_listModel;
    QGroupBox *m_manage = nullptr;
    QGroupBox *m_review = nullptr;
    std::map<int, QAbstractButton *> m_commands;
    std::map<int, QLabel *> m_labels;
    std::map<int, QWidget *> m_txtFields;
    QCheckBox *m_check1 = nullptr;
    QLabel *m_lblStatus = nullptr;
    QLabel *m_lblFlagged = nullptr;
    QLabel *m_marks[6] = {};
    DataBinder *m_binder;
    QRadioButton *m_filters[3] = {};
    QGroupBox *m_breakdownFrame = nullptr;
    BreakdownTable *m_breakdownTable = nullptr;
    Breakdown m_breakdown;
    QSpinBox *m_passMark = nullptr;
    QPushButton *m_progress = nullptr;
    QPushButton *m_savePdf = nullptr;
    QPushButton *m_print = nullptr;
    qint32 m_examId = 0;
    QString m_userName;
    bool m_unloaded = false;
    bool m_mayDelete = true; // on a class's server only the trainer deletes exams
};
