#pragma once

#include <memory>
#include <vector>

#include <QDialog>

#include "data/ClassOverview.h"

class ClassLiveFeed;
class QLabel;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTimer;

// The class on its server, for trainers (the shell offers it to them only): the overview, every
// candidate by the six categories over their latest exams, judged against the pass mark, exported
// as CSV, a double-click opening the candidate's progress chart; and who is in an exam now, read
// every few seconds off the program's thread, with the command that ends a candidate's exam.
class frmClass final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmClass)

public:
    enum Column { Candidate, Exams, Latest, FirstCategory };
    enum LiveColumn { LiveCandidate, LiveAnswered, LiveTimeLeft, LiveHeartbeat };
    // A cell's judgement against the pass mark: 1 passes, 0 does not; none without questions.
    static constexpr int kPassRole = Qt::UserRole + 1;
    static constexpr int kRefreshMs = 5000;

    explicit frmClass(QWidget *parent = nullptr);
    ~frmClass() override;

    QTabWidget *tabs() const { return m_tabs; }
    QSpinBox *recent() const { return m_recent; }
    QTableView *overview() const { return m_overview; }
    QPushButton *exportButton() const { return m_export; }
    QTableView *live() const { return m_live; }
    QPushButton *endButton() const { return m_end; }
    QLabel *liveStatus() const { return m_liveStatus; }
    ClassLiveFeed *feed() const { return m_feed.get(); }
    const std::vector<ClassOverview::Candidate> &candidates() const { return m_rows; }
    const std::vector<ClassOverview::Running> &running() const { return m_running; }

    // Reads the overview again for the number of exams chosen; false (and the person told) on a failure.
    bool refresh();
    // Asks for the running exams; they arrive a moment later (liveArrived).
    void refreshLive();
    void Export_Click();
    // Ends the selected candidate's exam after asking.
    void End_Click();

signals:
    void liveArrived();

private:
    void fillOverview();
    void showRunning(const std::vector<ClassOverview::Running> &rows, const QString &error);

    QTabWidget *m_tabs;
    QSpinBox *m_recent;
    QLabel *m_note;
    QStandardItemModel *m_overviewModel;
    QTableView *m_overview;
    QPushButton *m_export;
    QStandardItemModel *m_liveModel;
    QTableView *m_live;
    QLabel *m_liveStatus;
    QPushButton *m_end;
    QTimer *m_timer;
    std::unique_ptr<ClassLiveFeed> m_feed;
    std::vector<ClassOverview::Candidate> m_rows;
    std::vector<ClassOverview::Running> m_running;
    bool m_readAgain = false;
};
