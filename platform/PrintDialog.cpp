#include "platform/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {
bool s_hasNext = false;
bool s_nextAccepted = false;
QString s_nextOutput;
int s_shownCount = 0;
} // namespace

bool PrintDialog::exec(QPrinter &printer, QWidget *parent)
{
    ++s_shownCount;
    if (s_hasNext) {
        s_hasNext = false;
        if (s_nextAccepted) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(s_nextOutput);
        }
        return s_nextAccepted;
    }
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void PrintDialog::setNextResult(bool accepted, const QString &outputFile)
{
    s_hasNext = true;
    s_nextAccepted = accepted;
    s_nextOutput = outputFile;
}

int PrintDialog::shownCount()
{
    return s_shownCount;
}

void PrintDialog::resetTestState()
{
    s_hasNext = false;
    s_nextAccepted = false;
    s_nextOutput.clear();
    s_shownCount = 0;
}
