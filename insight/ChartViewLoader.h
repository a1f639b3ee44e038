#pragma once

#include <QString>

class ChartViewFactory;

// The chart plugin, loaded on first use (PluginFile).
class ChartViewLoader final {
public:
    static constexpr char kFileName[] = "vesk-chartview.so";

    // The plugin's factory, or null with `error` telling why.
    static ChartViewFactory *factory(QString *error);

private:
    ChartViewLoader() = delete;
};
