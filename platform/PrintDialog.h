#pragma once

#include <QString>

class QPrinter;
class QWidget;

// The print dialog. Tests answer it without showing it: printed or cancelled, and the PDF file
// the printer writes into instead of a real printer, so that the pages can be read back.
class PrintDialog final {
public:
    // True when the user chose to print; the printer is then set up as chosen.
    static bool exec(QPrinter &printer, QWidget *parent);

    // Test seam: the next dialog answers `accepted` without showing; an accepted one sends the
    // printer's output to `outputFile`.
    static void setNextResult(bool accepted, const QString &outputFile = QString());
    static int shownCount();
    static void resetTestState();

private:
    PrintDialog() = delete;
};
