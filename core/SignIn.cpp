#include "core/SignIn.h"

#include <QQueue>

namespace {
bool s_testMode = false;
QQueue<std::optional<SignIn::Credentials>> s_answers;
QList<QString> s_asked;

SignIn::Asker s_asker;
} // namespace

std::optional<SignIn::Credentials> SignIn::ask(const QString &source)
{
    s_asked.append(source);
    if (!s_testMode)
        return s_asker ? s_asker(source) : std::nullopt;
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

void SignIn::setAsker(Asker asker)
{
    s_asker = std::move(asker);
}
