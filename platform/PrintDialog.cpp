#include "platform/PrintDialog.h"

#include <optional>

#include "core/PluginFile.h"
#include "platform/ReportPrinter.h"

namespace {
std::optional<PrintAnswer> s_next;
int s_shownCount = 0;
} // namespace

bool PrintDialog::print(
    const QString &title, QWidget *parent, const std::function<void(QPagedPaintDevice *)> &paint, QString *error)
{
    auto *printer = PluginFile::load<ReportPrinter>(kPluginFile, error);
    if (!printer)
        return false;
    ++s_shownCount;
    const std::optional<PrintAnswer> answer = std::exchange(s_next, std::nullopt);
    return printer->print(title, parent, answer ? &*answer : nullptr, paint);
}

void PrintDialog::setNextResult(bool accepted, const QString &outputFile)
{
    s_next = PrintAnswer{accepted, outputFile};
}

int PrintDialog::shownCount()
{
    return s_shownCount;
}

void PrintDialog::resetTestState()
{
    s_next.reset();
    s_shownCount = 0;
}
