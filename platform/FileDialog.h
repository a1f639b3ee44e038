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

    // Test seam: the next dialog returns `choice` (std::nullopt for a cancel) without showing.
    static void setNextResult(std::optional<QString> choice);
    static QString lastTitle();
    static QString lastFilter();
    static int shownCount();
    static void resetTestState();

private:
    FileDialog() = delete;
};
