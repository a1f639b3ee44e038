#include "platform/CoreHandlers.h"

#include <QApplication>

#include "core/FailureReport.h"
#include "core/SignIn.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/SignInDialog.h"

void InstallCoreHandlers()
{
    FailureReport::setHandler([](const FailureReport::Failure &failure) {
        const bool critical = failure.kind == FailureReport::Kind::DatabaseConnection;
        MessageBox::show(
            failure.text, MessageBox::OkOnly, critical ? MessageBox::Critical : MessageBox::NoIcon, failure.title);
        if (!failure.document.isEmpty())
            OpenDocument(failure.document);
    });
    SignIn::setAsker([](const QString &source) -> std::optional<SignIn::Credentials> {
        // Only a program with windows can show the box.
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return std::nullopt;
        SignInDialog box(source, QApplication::activeWindow());
        if (box.exec() != QDialog::Accepted || box.user().isEmpty())
            return std::nullopt;
        return SignIn::Credentials{box.user(), box.password()};
    });
}
