#include "platform/FileDialog.h"

#include <utility>

#include <QFileDialog>

namespace {
bool s_hasNext = false;
std::optional<QString> s_next;
QString s_lastTitle;
QString s_lastFilter;
QString s_lastSuggested;
int s_shownCount = 0;
bool s_testMode = false;

// Counts the dialog and gives the queued test answer, when there is one.
bool takeTestAnswer(const QString &title, const QString &filter, std::optional<QString> *answer)
{
    ++s_shownCount;
    s_lastTitle = title;
    s_lastFilter = filter;
    // In test mode a dialog nobody answered is a cancel, never a window that waits.
    if (!s_hasNext && !s_testMode)
        return false;
    s_hasNext = false;
    *answer = std::exchange(s_next, std::nullopt);
    return true;
}
} // namespace

std::optional<QString> FileDialog::getOpenFileName(QWidget *parent, const QString &title, const QString &filter)
{
    std::optional<QString> answer;
    if (takeTestAnswer(title, filter, &answer))
        return answer;
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

std::optional<QString> FileDialog::getSaveFileName(
    QWidget *parent, const QString &title, const QString &filter, const QString &suggested)
{
    s_lastSuggested = suggested;
    std::optional<QString> answer;
    if (takeTestAnswer(title, filter, &answer))
        return answer;
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
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

QString FileDialog::lastSuggested()
{
    return s_lastSuggested;
}

int FileDialog::shownCount()
{
    return s_shownCount;
}

void FileDialog::resetTestState()
{
    s_testMode = true;
    s_hasNext = false;
    s_next.reset();
    s_lastTitle.clear();
    s_lastFilter.clear();
    s_lastSuggested.clear();
    s_shownCount = 0;
}
