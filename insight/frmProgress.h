#pragma once

#include <memory>

#include <QWidget>

#include "data/ProgressChart.h"

class ChartView;
class QComboBox;
class QLabel;

// The progress chart window: one candidate's scored exams in the order taken, the candidate
// chosen from the names stored. A child window of the main window beside the screens; it reads
// the exams again when they change.
class frmProgress final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmProgress)

public:
    explicit frmProgress(QWidget *parent = nullptr);
    ~frmProgress() override;

    // Makes the chart view from the plugin; false with `error` set when it cannot be loaded.
    bool loadView(QString *error);
    void Form_Load();
    // Lists the names with `userName` first and shows that candidate's exams.
    void showCandidate(const QString &userName);
    // Reads the names and the shown candidate's exams again.
    void refresh();

    QComboBox *cboCandidate() const { return m_candidate; }
    QLabel *lblSummary() const { return m_summary; }
    ChartView *view() const { return m_view.get(); }
    // What the chart was last given.
    const ProgressChart &chart() const { return m_chart; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Unload();
    void drawCandidate(const QString &userName);

    QComboBox *m_candidate;
    QLabel *m_summary;
    std::unique_ptr<ChartView> m_view;
    ProgressChart m_chart;
    QString m_first; // the name asked for, listed first
    bool m_unloaded = false;
};
