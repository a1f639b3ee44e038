#pragma once

#include <QObject>

#include "platform/ReportPrinter.h"

// The print plugin's entry: Qt's printer and print dialog.
class ReportPrinterPlugin final : public QObject, public ReportPrinter {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ReportPrinter_iid)
    Q_INTERFACES(ReportPrinter)
    Q_DISABLE_COPY_MOVE(ReportPrinterPlugin)

public:
    ReportPrinterPlugin() = default;
    ~ReportPrinterPlugin() override = default;

    bool print(const QString &title, QWidget *parent, const PrintAnswer *answer,
        const std::function<void(QPagedPaintDevice *)> &paint) override;
};
