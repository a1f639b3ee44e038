#include "bank/BankCollector.h"

#include <utility>

#include "bank/BankIds.h"
#include "bank/BankText.h"
#include "bank/QuestionBank.h"

void BankCollector::skip(const QString &kind)
{
    ++m_result.skippedByKind[kind];
}

void BankCollector::error(int line, const QString &what)
{
    m_errors.report([&] { return QStringLiteral("line %1: %2").arg(line).arg(BankText::singleLine(what)); });
}

void BankCollector::warning(int line, const QString &what)
{
    m_warnings.report([&] { return QStringLiteral("line %1: %2").arg(line).arg(BankText::singleLine(what)); });
}

void BankCollector::add(BankQuestion question)
{
    question.question = BankText::cleaned(question.question);
    for (QString *text : {&question.a, &question.b, &question.c, &question.d})
        *text = BankText::cleaned(*text);
    question.explanation = BankText::cleaned(question.explanation);
    question.name = BankText::singleLine(question.name);
    question.id = BankText::singleLine(question.id);
    QStringList path;
    for (const QString &part : std::as_const(question.categoryPath)) {
        const QString clean = BankText::singleLine(part);
        if (!clean.isEmpty())
            path.append(clean);
    }
    question.categoryPath = path;
    question.correct = question.correct.trimmed().toUpper();

    if (question.question.isEmpty()) {
        error(question.line, QStringLiteral("the question has no text"));
        return;
    }
    static const QLatin1String kLetters("ABCD");
    for (int i = 0; i < 2; ++i) {
        if (question.choice(i).isEmpty()) {
            error(question.line, QStringLiteral("choice %1 is empty").arg(kLetters[i]));
            return;
        }
    }
    if (question.c.isEmpty() && !question.d.isEmpty()) {
        error(question.line, QStringLiteral("choice C is empty but D is not"));
        return;
    }
    const qsizetype letter = question.correct.size() == 1 ? QString(kLetters).indexOf(question.correct) : -1;
    if (letter < 0 || letter >= question.choiceCount()) {
        error(question.line,
            question.correct.isEmpty() ? QStringLiteral("no right answer")
                                       : QStringLiteral("the right answer \"%1\" is not one of the choices")
                                             .arg(BankText::quoted(question.correct)));
        return;
    }

    const QString text = QuestionBank::normalisedText(question.question);
    if (m_texts.contains(text)) {
        skip(QStringLiteral("duplicate"));
        return;
    }
    if (!question.id.isEmpty()) {
        if (m_ids.contains(question.id)) {
            error(question.line,
                QStringLiteral("the id \"%1\" is an earlier question's").arg(BankText::quoted(question.id)));
            return;
        }
    } else {
        const QString base
            = question.name.isEmpty() ? BankIds::fromNormalisedText(text) : BankIds::fromName(question.name);
        question.id = base;
        // A later question of the same name: numbered, and still no longer than an id may be,
        // so that the id is read back as it is.
        QString stem = base.left(56);
        while (stem.endsWith(u'-'))
            stem.chop(1);
        for (int n = 2; m_ids.contains(question.id); ++n)
            question.id = QStringLiteral("%1-%2").arg(stem).arg(n);
    }
    m_texts.insert(text);
    m_ids.insert(question.id);
    m_result.questions.push_back(std::move(question));
}

BankReadResult BankCollector::take()
{
    m_result.errors = m_errors.lines();
    m_result.warnings = m_warnings.lines();
    m_texts.clear();
    m_ids.clear();
    return std::exchange(m_result, BankReadResult());
}
