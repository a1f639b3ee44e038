#include "platform/FileDialog.h"

#include <QFileDialog>

namespace {
bool s_hasNext = false;
std::optional<QString> s_next;
QString s_lastTitle;
QString s_lastFilter;
int s_shownCount = 0;
} // namespace

std::optional<QString> FileDialog::getOpenFileName(QWidget *parent, const QString &title,
                                                   const QString &filter)
{
    ++s_shownCount;
    s_lastTitle = title;
    s_lastFilter = filter;
    if (s_hasNext) {
        s_hasNext = false;
        return s_next;
    }
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void FileDialog::setNextResult(std::optional<QString> choice)
{
    s_hasNext = true;
    s_next = std::move(choice);
}

QString FileDialog::lastTitle()
{
    return s_lastTitle;
}

QString FileDialog::lastFilter()
{
    return s_lastFilter;
}

int FileDialog::shownCount()
{
    return s_shownCount;
}

void FileDialog::resetTestState()
{
    s_hasNext = false;
    s_next.reset();
    s_lastTitle.clear();
    s_lastFilter.clear();
    s_shownCount = 0;
}
