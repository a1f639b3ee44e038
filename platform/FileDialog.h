#pragma once

#include <optional>

#include <QString>

class QWidget;

// The file-open dialog. A cancel is told apart from a choice: it gives no value at all.
class FileDialog final
{
public:
    static std::optional<QString> getOpenFileName(QWidget *parent, const QString &title,
                                                  const QString &filter);
    // The file-save dialog: asks before a file is replaced; `suggested` is the name it offers.
    static std::optional<QString> getSaveFileName(QWidget *parent, const QString &title, const QString &filter,
                                                  const QString &suggested = QString());

    // Test seam: the next dialog returns `choice` (std::nullopt for a cancel) without showing.
    static void setNextResult(std::optional<QString> choice);
    static QString lastTitle();
    static QString lastFilter();
    static int shownCount();
    // Test mode from here on: no dialog is shown; one without a queued answer is a cancel.
    static void resetTestState();

private:
    FileDialog() = delete;
};
