#include "platform/SignIn.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QQueue>

namespace {
bool s_testMode = false;
QQueue<std::optional<SignIn::Credentials>> s_answers;
QList<QString> s_asked;

std::optional<SignIn::Credentials> runRealBox(const QString &source)
{
    QDialog box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("Sign In"));
    auto *layout = new QFormLayout(&box);
    layout->addRow(new QLabel(QStringLiteral("Sign in to the class database \"%1\".").arg(source), &box));
    auto *user = new QLineEdit(&box);
    user->setObjectName(QStringLiteral("txtUser"));
    auto *password = new QLineEdit(&box);
    password->setObjectName(QStringLiteral("txtPassword"));
    password->setEchoMode(QLineEdit::Password);
    layout->addRow(QStringLiteral("User:"), user);
    layout->addRow(QStringLiteral("Password:"), password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addRow(buttons);
    if (box.exec() != QDialog::Accepted || user->text().trimmed().isEmpty())
        return std::nullopt;
    return SignIn::Credentials{user->text().trimmed(), password->text()};
}
} // namespace

std::optional<SignIn::Credentials> SignIn::ask(const QString &source)
{
    s_asked.append(source);
    // A program without windows (the pool builder) cannot ask.
    if (!s_testMode)
        return qobject_cast<QApplication *>(QCoreApplication::instance()) ? runRealBox(source) : std::nullopt;
    return s_answers.isEmpty() ? std::nullopt : s_answers.dequeue();
}

void SignIn::setTestMode(bool on)
{
    s_testMode = on;
    s_answers.clear();
    s_asked.clear();
}

void SignIn::setNextAnswer(std::optional<Credentials> answer)
{
    s_answers.enqueue(std::move(answer));
}

const QList<QString> &SignIn::asked()
{
    return s_asked;
}
