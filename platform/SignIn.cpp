#include "platform/SignIn.h"

#include <QApplication>
#include <QQueue>

#include "platform/SignInDialog.h"

namespace {
bool s_testMode = false;
QQueue<std::optional<SignIn::Credentials>> s_answers;
QList<QString> s_asked;

std::optional<SignIn::Credentials> runRealBox(const QString &source)
{
    SignInDialog box(source, QApplication::activeWindow());
    if (box.exec() != QDialog::Accepted || box.user().isEmpty())
        return std::nullopt;
    return SignIn::Credentials{box.user(), box.password()};
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
