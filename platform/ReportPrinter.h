#pragma once

#include <functional>

#include <QString>
#include <QtPlugin>

class QPagedPaintDevice;
class QWidget;

// A print dialog's answer given in advance (a test's): printed or cancelled, and the PDF file the
// printer writes into instead of a real printer.
struct PrintAnswer {
    bool accepted = false;
    QString outputFile;
};

// Printing, from a plugin (Qt Print Support is loaded only when something is first printed). The
// program and the plugin share nothing but this header.
class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;

    // Asks how to print, unless `answer` is given, then has `paint` draw the pages on the printer.
    // True when printed.
    virtual bool print(const QString &title, QWidget *parent, const PrintAnswer *answer,
        const std::function<void(QPagedPaintDevice *)> &paint)
        = 0;
};

#define ReportPrinter_iid "vesk.ReportPrinter/1"
Q_DECLARE_INTERFACE(ReportPrinter, ReportPrinter_iid)
