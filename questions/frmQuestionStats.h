#pragma once

#include <vector>

#include <QDialog>

#include "data/QuestionStats.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

// The question statistics for trainers: each question's attempts, facility, discrimination, choice
// shares and flags over the scored exams that are not practice exams, for a category and a range of
// dates, sortable by any column and exported as CSV. It reads the program's database (a class's
// server in classroom mode, where the shell offers it to trainers only).
class frmQuestionStats final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmQuestionStats)

public:
    enum Column { QuestionId, Category, Attempts, Facility, Discrimination, LetterA, Blank = LetterA + 6, Flags };
    // The value a column sorts by (a number for the figures), beside the text shown.
    static constexpr int kSortRole = Qt::UserRole + 1;
    static constexpr int kQidRole = Qt::UserRole + 2;

    explicit frmQuestionStats(QWidget *parent = nullptr);
    ~frmQuestionStats() override;

    QComboBox *category() const { return m_category; }
    QCheckBox *fromBox() const { return m_useFrom; }
    QDateEdit *fromDate() const { return m_from; }
    QCheckBox *toBox() const { return m_useTo; }
    QDateEdit *toDate() const { return m_to; }
    QTableView *table() const { return m_table; }
    QLabel *summary() const { return m_summary; }
    QPushButton *exportButton() const { return m_export; }
    // The rows counted for the current choices, in QuestionID order.
    const std::vector<QuestionStats::Row> &rows() const { return m_rows; }

    // Counts again for the chosen category and dates; false (and the person told) on a failure.
    bool refresh();
    // Asks where to write the table as CSV and writes it.
    void Export_Click();

signals:
    // A question was double-clicked: the question editor opens it.
    void questionActivated(qint64 qid, const QString &questionId);

private:
    QuestionStats::Filter filter() const;
    void fill();

    QComboBox *m_category;
    QCheckBox *m_useFrom;
    QDateEdit *m_from;
    QCheckBox *m_useTo;
    QDateEdit *m_to;
    QLabel *m_note;
    QStandardItemModel *m_model;
    QSortFilterProxyModel *m_sorted;
    QTableView *m_table;
    QLabel *m_summary;
    QPushButton *m_export;
    std::vector<QuestionStats::Row> m_rows;
};
