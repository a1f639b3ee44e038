#pragma once

#include <vector>

#include <QDialog>

#include "bank/BankImport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

// The preview of a question-bank import: how many questions each category will gain, what is
// left out and why, every error with its line, and a choice of category for each of the bank's
// categories that is not one of the six. Nothing changes until Import is pressed.
class frmImportQuestions final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmImportQuestions)

public:
    frmImportQuestions(std::vector<BankImport::File> files, QString databasePath, QWidget *parent = nullptr);
    ~frmImportQuestions() override;

    // What the person would import now, with the choices made so far.
    const BankImport::Plan &plan() const { return m_plan; }
    QTableWidget *counts() const { return m_counts; }
    QPlainTextEdit *details() const { return m_details; }
    // The choice for an unmapped bank category ("(choose a category)", one of the six, or
    // "Leave these out"); null when the bank has no such category.
    QComboBox *mappingFor(const QString &bankCategory) const;
    QCheckBox *goodOnly() const { return m_goodOnly; }
    QPushButton *importButton() const { return m_import; }
    QPushButton *cancelButton() const { return m_cancel; }

    // Imports and closes; tells the person the result.
    void Import_Click();

signals:
    void imported();

private:
    void replan();

    std::vector<BankImport::File> m_files;
    QString m_database;
    BankImport::Plan m_plan;
    QLabel *m_summary;
    QTableWidget *m_counts;
    QVBoxLayout *m_mappingRows;
    std::vector<std::pair<QString, QComboBox *>> m_mappings;
    QPlainTextEdit *m_details;
    QCheckBox *m_goodOnly;
    QPushButton *m_import;
    QPushButton *m_cancel;
};
