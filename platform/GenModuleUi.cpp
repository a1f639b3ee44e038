#include "platform/GenModuleUi.h"

#include <QApplication>
#include <QFont>
#include <QMdiSubWindow>
#include <QPointer>

#include "core/DataFolders.h"
#include "platform/DesktopShell.h"
#include "platform/MessageBox.h"

namespace {
QList<QPointer<QWidget>> &loadedForms()
{
    static QList<QPointer<QWidget>> forms;
    return forms;
}
} // namespace

void RegisterLoadedForm(QWidget *form)
{
    if (!loadedForms().contains(form))
        loadedForms().append(form);
}

void UnregisterLoadedForm(QWidget *form)
{
    loadedForms().removeAll(form);
}

QList<QWidget *> LoadedForms()
{
    QList<QWidget *> forms;
    for (const QPointer<QWidget> &form : loadedForms()) {
        if (form)
            forms.append(form);
    }
    return forms;
}

bool UnloadIfLoaded(QWidget *form)
{
    const QList<QWidget *> forms = LoadedForms();
    for (QWidget *loaded : forms) {
        if (loaded == form) {
            // A screen inside the main window closes with its child window.
            if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
                sub->close();
            else
                form->close();
            return true;
        }
    }
    return false;
}

void OpenDocument(const QString &fileName)
{
    DesktopShell::Request request;
    request.file = fileName;
    request.workingDir = DataFolders::documentFolder(fileName);
    const int result = DesktopShell::open(request);
    if (result < 5) {
        MessageBox::show(QStringLiteral("Can't Find ") + fileName, MessageBox::OkOnly, MessageBox::Exclamation,
            QStringLiteral("File Error"));
    }
}

void ApplyProgramFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(9);
    QApplication::setFont(font);
}

void InitResources()
{
    Q_INIT_RESOURCE(vesk);
}
