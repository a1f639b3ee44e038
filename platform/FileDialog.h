#pragma once

#include <optional>

#include <QString>

class QWidget;

// The file-open and file-save dialogs. A cancel is told apart from a choice: it gives no value at all.
class FileDialog final {
public:
    static std::optional<QString> getOpenFileName(QWidget *parent, const QString &title, const QString &filter);
    // Asks where to save, starting at `suggested` (a folder and file name); an existing file is
    // replaced only after the dialog's own question.
    static std::optional<QString> getSaveFileName(
        QWidget *parent, const QString &title, const QString &filter, const QString &suggested = QString());

    // Test seam: the next dialog of either kind returns `choice` (std::nullopt for a cancel)
    // without showing.
    static void setNextResult(std::optional<QString> choice);
    static QString lastTitle();
    static QString lastFilter();
    static QString lastSuggested();
    static int shownCount();
    // Test mode from here on: no dialog is shown; one without a queued answer is a cancel.
    static void resetTestState();

private:
    FileDialog() = delete;
};
