#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

// Exports the pool, or chosen categories, in one of the question-bank formats.
class frmExportQuestions final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmExportQuestions)

public:
    explicit frmExportQuestions(QString databasePath, QWidget *parent = nullptr);
    ~frmExportQuestions() override;

    QComboBox *format() const { return m_format; }
    QCheckBox *category(int index) const { return index >= 0 && index < 6 ? m_categories[index] : nullptr; }
    QPushButton *exportButton() const { return m_export; }

    // Asks where to write, writes, tells the person and closes.
    void Export_Click();

private:
    QString m_database;
    QComboBox *m_format;
    QCheckBox *m_categories[6] = {};
    QPushButton *m_export;
};
