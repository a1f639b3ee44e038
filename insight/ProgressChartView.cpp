#include "insight/ProgressChartView.h"

#include <algorithm>
#include <cmath>

#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {
// A tick every 1, 2, 5, 10, 20, 50... exams, about ten along the axis.
double tickInterval(int exams)
{
    const double raw = std::max(1.0, exams / 10.0);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= step * power)
            return step * power;
    }
    return 10 * power;
}

QList<QPointF> pointsOf(const ProgressChart::Line &line)
{
    QList<QPointF> points;
    points.reserve(qsizetype(line.points.size()));
    for (const ProgressChart::Point &p : line.points)
        points.append(QPointF(p.x, p.y));
    return points;
}

const QColor kCategoryColours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c), QColor(0x94, 0x67, 0xbd),
    QColor(0x8c, 0x56, 0x4b), QColor(0x17, 0xbe, 0xcf), QColor(0xbc, 0xbd, 0x22)};
} // namespace

ProgressChartView::ProgressChartView(QWidget *parent)
    : QWidget(parent)
    // Made with its chart: a view made bare makes a chart of its own, which setChart would leave to
    // leak.
    , m_view(new QChartView(new QChart, this))
    , m_chart(m_view->chart()) // the view owns it
{
    setObjectName(QStringLiteral("ProgressChartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setAccessibleName(QStringLiteral("Progress chart"));
    // On the right, where every line's whole name fits.
    m_chart->legend()->setAlignment(Qt::AlignRight);
    m_chart->legend()->setToolTip(QStringLiteral("Click a line's name to turn it off or on"));
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

ProgressChartView::~ProgressChartView() = default;

void ProgressChartView::setChart(const ProgressChart &chart)
{
    m_data = chart;
    m_chart->removeAllSeries();
    m_series.clear();
    // A removed axis is no longer the chart's: it is ours to delete.
    for (QAbstractAxis *axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    m_chart->setTitle(chart.exams == 0 ? QStringLiteral("%1: no scored exams").arg(chart.candidate)
                                       : QStringLiteral("%1: %2 scored exams").arg(chart.candidate).arg(chart.exams));

    auto *xAxis = new QValueAxis(m_chart);
    xAxis->setTitleText(QStringLiteral("Exams in the order taken"));
    xAxis->setLabelFormat(QStringLiteral("%d"));
    xAxis->setRange(0.5, std::max(chart.exams, 1) + 0.5);
    xAxis->setTickType(QValueAxis::TicksDynamic);
    xAxis->setTickAnchor(1);
    xAxis->setTickInterval(tickInterval(chart.exams));
    auto *yAxis = new QValueAxis(m_chart);
    yAxis->setTitleText(QStringLiteral("Correct (%)"));
    yAxis->setLabelFormat(QStringLiteral("%d"));
    yAxis->setRange(0, 100);
    yAxis->setTickCount(11);
    m_chart->addAxis(xAxis, Qt::AlignBottom);
    m_chart->addAxis(yAxis, Qt::AlignLeft);

    int category = 0;
    for (size_t i = 0; i < m_data.lines.size(); ++i) {
        const ProgressChart::Line &line = m_data.lines[i];
        QXYSeries *series = nullptr;
        switch (line.kind) {
        case ProgressChart::Kind::FullExams: {
            auto *full = new QLineSeries(m_chart);
            full->setPen(QPen(QColor(0x20, 0x30, 0x60), 2.5));
            full->setPointsVisible(true);
            full->setMarkerSize(7);
            series = full;
            break;
        }
        case ProgressChart::Kind::PracticeExams: {
            auto *practice = new QScatterSeries(m_chart);
            practice->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
            practice->setMarkerSize(12);
            practice->setColor(QColor(0xff, 0x8c, 0x00));
            practice->setBorderColor(QColor(0x80, 0x40, 0x00));
            series = practice;
            break;
        }
        case ProgressChart::Kind::PassMark: {
            auto *mark = new QLineSeries(m_chart);
            mark->setPen(QPen(QColor(0xc0, 0x20, 0x20), 1.5, Qt::DashLine));
            series = mark;
            break;
        }
        case ProgressChart::Kind::Category: {
            auto *byCategory = new QLineSeries(m_chart);
            byCategory->setPen(QPen(kCategoryColours[category++ % 6], 1.2));
            series = byCategory;
            break;
        }
        }
        series->setName(line.name);
        series->replace(pointsOf(line));
        m_chart->addSeries(series);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
        connect(series, &QXYSeries::hovered, this,
            [this, i](const QPointF &point, bool entered) { showTip(m_data.lines[i], point.x(), entered); });
        m_series.push_back(series);
    }
    for (QLegendMarker *marker : m_chart->legend()->markers()) {
        connect(marker, &QLegendMarker::clicked, this, [this, marker] { toggleLine(marker->series()->name()); });
    }
    applyVisibility();
}

void ProgressChartView::setHiddenLines(const QStringList &names)
{
    m_hidden = names;
    applyVisibility();
}

void ProgressChartView::onHiddenLinesChanged(std::function<void(const QStringList &)> changed)
{
    m_changed = std::move(changed);
}

void ProgressChartView::toggleLine(const QString &name)
{
    if (!m_hidden.removeOne(name))
        m_hidden.append(name);
    applyVisibility();
    if (m_changed)
        m_changed(m_hidden);
}

QStringList ProgressChartView::lineNames() const
{
    QStringList names;
    for (const QAbstractSeries *series : m_series)
        names << series->name();
    return names;
}

void ProgressChartView::applyVisibility()
{
    for (QAbstractSeries *series : m_series) {
        const bool visible = !m_hidden.contains(series->name());
        series->setVisible(visible);
        // A hidden line keeps its legend entry, greyed, so that a click brings it back.
        for (QLegendMarker *marker : m_chart->legend()->markers(series)) {
            marker->setVisible(true);
            QColor label = palette().color(QPalette::WindowText);
            label.setAlphaF(visible ? 1.0 : 0.35);
            marker->setLabelBrush(label);
        }
    }
}

void ProgressChartView::showTip(const ProgressChart::Line &line, double x, bool entered)
{
    if (!entered || line.points.empty()) {
        QToolTip::hideText();
        return;
    }
    const auto nearest = std::min_element(
        line.points.begin(), line.points.end(), [x](const ProgressChart::Point &a, const ProgressChart::Point &b) {
            return std::abs(a.x - x) < std::abs(b.x - x);
        });
    if (!nearest->tip.isEmpty())
        QToolTip::showText(QCursor::pos(), nearest->tip, m_view);
}
