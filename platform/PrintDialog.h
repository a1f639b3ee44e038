#pragma once

#include <functional>

#include <QString>

class QPagedPaintDevice;
class QWidget;

// The print dialog, and the printing it leads to, through the print plugin. Tests answer it
// without showing it: printed or cancelled, and the PDF file the printer writes into instead of a
// real printer, so that the pages can be read back.
class PrintDialog final {
public:
    static constexpr char kPluginFile[] = "vesk-print.so";

    // Asks how to print `title` and has `paint` draw the pages. False when cancelled, or when
    // printing cannot be had: `error` then tells why.
    static bool print(
        const QString &title, QWidget *parent, const std::function<void(QPagedPaintDevice *)> &paint, QString *error);

    // Test seam: the next dialog answers `accepted` without showing; an accepted one sends the
    // printer's output to `outputFile`.
    static void setNextResult(bool accepted, const QString &outputFile = QString());
    static int shownCount();
    static void resetTestState();

private:
    PrintDialog() = delete;
};
