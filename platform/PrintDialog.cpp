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
    QObject *root = PluginFile::instance(QString::fromLatin1(kPluginFile), error);
    auto *printer = qobject_cast<ReportPrinter *>(root);
    if (!printer) {
        if (root)
            *error = QStringLiteral("%1 is not the program's print plugin.").arg(QString::fromLatin1(kPluginFile));
        return false;
    }
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
