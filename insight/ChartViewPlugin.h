#pragma once

#include <QObject>

#include "insight/ChartView.h"

// The plugin's entry: makes the Qt Charts views of progress charts.
class ChartViewPlugin final : public QObject, public ChartViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ChartViewFactory_iid)
    Q_INTERFACES(ChartViewFactory)
    Q_DISABLE_COPY_MOVE(ChartViewPlugin)

public:
    ChartViewPlugin() = default;
    ~ChartViewPlugin() override = default;

    std::unique_ptr<ChartView> create(QWidget *parent) override;
};
