#pragma once

#include <functional>
#include <memory>

#include <QStringList>
#include <QtPlugin>

#include "data/ProgressChart.h"

class QWidget;

// A view that draws a ProgressChart. The drawing code lives in a plugin (Qt Charts and its
// libraries are loaded only when a chart is first opened), so the program and the plugin share
// nothing but this header: no QObject, no program state.
class ChartView {
public:
    virtual ~ChartView() = default;

    // The view's widget, a child of the parent it was made with.
    virtual QWidget *widget() = 0;
    virtual void setChart(const ProgressChart &chart) = 0;
    // Lines turned off through the legend, by name; `changed` hears of every turn.
    virtual void setHiddenLines(const QStringList &names) = 0;
    virtual QStringList hiddenLines() const = 0;
    virtual void onHiddenLinesChanged(std::function<void(const QStringList &)> changed) = 0;
    // Turns a line off or on, as a click on its legend entry does.
    virtual void toggleLine(const QString &name) = 0;
    // The names of the lines drawn, in the order drawn.
    virtual QStringList lineNames() const = 0;
};

// What the plugin gives: views of charts.
class ChartViewFactory {
public:
    virtual ~ChartViewFactory() = default;
    virtual std::unique_ptr<ChartView> create(QWidget *parent) = 0;
};

// The plugin's file, loaded on first use (PluginFile).
inline constexpr char kChartViewFile[] = "vesk-chartview.so";

#define ChartViewFactory_iid "vesk.ChartViewFactory/1"
Q_DECLARE_INTERFACE(ChartViewFactory, ChartViewFactory_iid)
