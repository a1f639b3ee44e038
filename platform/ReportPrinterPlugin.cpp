#include "platform/ReportPrinterPlugin.h"

#include <QPrintDialog>
#include <QPrinter>

bool ReportPrinterPlugin::print(const QString &title, QWidget *parent, const PrintAnswer *answer,
    const std::function<void(QPagedPaintDevice *)> &paint)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    if (answer) {
        if (!answer->accepted)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(answer->outputFile);
    } else {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    paint(&printer);
    return true;
}
