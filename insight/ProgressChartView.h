#pragma once

#include <vector>

#include <QWidget>

#include "insight/ChartView.h"

class QAbstractSeries;
class QChart;
class QChartView;
class QLegendMarker;

// A progress chart drawn with Qt Charts: the exams' percentages on a line, practice exams as
// markers of their own, the pass mark dashed across, and a thin line per category; the legend
// turns lines off and on, and hovering a point tells its exam.
class ProgressChartView final : public QWidget, public ChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressChartView)

public:
    explicit ProgressChartView(QWidget *parent = nullptr);
    ~ProgressChartView() override;

    QWidget *widget() override { return this; }
    void setChart(const ProgressChart &chart) override;
    void setHiddenLines(const QStringList &names) override;
    QStringList hiddenLines() const override { return m_hidden; }
    void onHiddenLinesChanged(std::function<void(const QStringList &)> changed) override;
    void toggleLine(const QString &name) override;
    QStringList lineNames() const override;

private:
    void applyVisibility();
    void showTip(const ProgressChart::Line &line, double x, bool entered);

    QChartView *m_view;
    QChart *m_chart;
    ProgressChart m_data;
    std::vector<QAbstractSeries *> m_series; // one per line of m_data, in its order
    QStringList m_hidden;
    std::function<void(const QStringList &)> m_changed;
};
