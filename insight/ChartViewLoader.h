#pragma once

#include <QString>
#include <QStringList>

class ChartViewFactory;

// Finds and loads the chart plugin on first use: beside the program, in the folder above it (a
// test or the benchmark in the build tree) or in ../lib/vesk (an installed program). The plugin
// stays loaded until the program ends.
class ChartViewLoader final {
public:
    static constexpr char kFileName[] = "vesk-chartview.so";

    // The plugin's factory, or null with `error` telling why.
    static ChartViewFactory *factory(QString *error);
    static QStringList searchFolders();

private:
    ChartViewLoader() = delete;
};
