#include "insight/ChartViewPlugin.h"

#include "insight/ProgressChartView.h"

std::unique_ptr<ChartView> ChartViewPlugin::create(QWidget *parent)
{
    return std::make_unique<ProgressChartView>(parent);
}
