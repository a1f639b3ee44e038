#include "bank/BankCollector.h"

#include <utility>

#include "bank/BankIds.h"
#include "bank/BankText.h"
#include "bank/QuestionBank.h"
#include "data/PoolQuestion.h"
#include "data/QuestionMatch.h"

void BankCollector::skip(int line, const QString &title, const QString &kind, const QString &reason)
{
    ++m_result.skippedByKind[kind];
    if (m_skipped++ >= BankReadResult::kSkippedListed)
        return;
    QString why = reason;
    if (why.isEmpty()) {
        why = kind == QLatin1String("description")
            ? QStringLiteral("a description, no question to answer")
            : QStringLiteral("%1; multiple-choice and true/false questions only").arg(kind);
    }
    // A question of no name and no text is named by its line alone.
    m_result.skipped.append(title.isEmpty()
            ? QStringLiteral("line %1: %2").arg(line).arg(BankText::singleLine(why))
            : QStringLiteral("line %1 (%2): %3").arg(line).arg(title, BankText::singleLine(why)));
}

void BankCollector::skipTooManyChoices(int line, const QString &title, int choices)
{
    skip(line, title, QStringLiteral("too many choices"), QStringLiteral("%1 choices; at most 4").arg(choices));
}

void BankCollector::skipSeveralRightAnswers(int line, const QString &title)
{
    skip(line, title, QStringLiteral("multiple-answer"), QStringLiteral("several right answers; one only"));
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

    PoolQuestion keys;
    keys.question = question.question;
    keys.a = question.a;
    keys.b = question.b;
    keys.c = question.c;
    keys.d = question.d;
    keys.correct = question.correct;
    const QString title = question.title();
    const QString duplicateKey = QuestionMatch::duplicateKey(keys);
    if (const auto earlier = m_questions.constFind(duplicateKey); earlier != m_questions.constEnd()) {
        skip(question.line, title, QStringLiteral("duplicate"),
            QStringLiteral("a duplicate of line %1 (%2)").arg(earlier->line).arg(earlier->title));
        return;
    }
    const QString choicesKey = QuestionMatch::choicesKey(keys);
    const QString rightAnswer = QuestionMatch::rightAnswer(keys);
    const auto contradicted = m_choices.constFind(choicesKey);

    const QString text = QuestionBank::normalisedText(question.question);
    if (!question.id.isEmpty()) {
        if (m_ids.contains(question.id)) {
            error(question.line,
                QStringLiteral("the id \"%1\" is an earlier question's").arg(BankText::quoted(question.id)));
            return;
        }
    } else {
        QString base;
        if (!question.name.isEmpty()) {
            base = BankIds::fromName(question.name);
        } else if (m_texts.contains(text)) {
            // Another question of this text came first and has the id of the text alone.
            QStringList choices;
            for (int i = 0; i < question.choiceCount(); ++i)
                choices.append(question.choice(i));
            base = BankIds::fromTextAndChoices(question.question, choices);
        } else {
            base = BankIds::fromNormalisedText(text);
        }
        question.id = base;
        // A later question of the same name: numbered, and still no longer than an id may be,
        // so that the id is read back as it is.
        QString stem = base.left(56);
        while (stem.endsWith(u'-'))
            stem.chop(1);
        for (int n = 2; m_ids.contains(question.id); ++n)
            question.id = QStringLiteral("%1-%2").arg(stem).arg(n);
    }
    if (contradicted != m_choices.constEnd()) {
        warning(question.line,
            QStringLiteral("contradicts line %1 (%2): the same question with another right answer (\"%3\", not "
                           "\"%4\")")
                .arg(contradicted->line)
                .arg(contradicted->title, BankText::quoted(rightAnswer), BankText::quoted(contradicted->rightAnswer)));
    }
    const Earlier seen{question.line, title, rightAnswer};
    m_questions.insert(duplicateKey, seen);
    if (!m_choices.contains(choicesKey))
        m_choices.insert(choicesKey, seen);
    m_texts.insert(text);
    m_ids.insert(question.id);
    m_result.questions.push_back(std::move(question));
}

BankReadResult BankCollector::take()
{
    m_result.errors = m_errors.lines();
    m_result.warnings = m_warnings.lines();
    if (m_skipped > BankReadResult::kSkippedListed)
        m_result.skipped.append(QStringLiteral("and %1 more").arg(m_skipped - BankReadResult::kSkippedListed));
    m_skipped = 0;
    m_texts.clear();
    m_questions.clear();
    m_choices.clear();
    m_ids.clear();
    return std::exchange(m_result, BankReadResult());
}
