#include "bank/BankCollector.h"

#include <cmath>
#include <utility>

#include "bank/BankIds.h"
#include "bank/BankText.h"
#include "bank/QuestionBank.h"
#include "data/AnswerKey.h"
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
    skip(line, title, QStringLiteral("too many choices"),
        QStringLiteral("%1 choices; at most %2").arg(choices).arg(BankQuestion::kMaxChoices));
}

void BankCollector::skipAnyOfSeveral(int line, const QString &title, int right)
{
    skip(line, title, QStringLiteral("any of several right"),
        QStringLiteral("%1 right answers of which any one scores; a question of several right answers asks for "
                       "all of them")
            .arg(right));
}

void BankCollector::skipPartialCredit(int line, const QString &title, const QString &why)
{
    skip(line, title, QStringLiteral("partial credit"), why);
}

QString BankCollector::percent(double weight)
{
    return QStringLiteral("%1 %").arg(QString::number(weight, 'g', 7));
}

std::optional<QString> BankCollector::rightLetters(int line, const QString &title, const std::vector<double> &weights)
{
    QString key;
    std::vector<double> right;
    bool penalties = false;
    for (size_t k = 0; k < weights.size() && k < size_t(BankQuestion::kMaxChoices); ++k) {
        if (weights[k] > 0) {
            right.push_back(weights[k]);
            key += AnswerKey::letter(int(k));
        } else if (weights[k] < 0) {
            penalties = true;
        }
    }
    if (right.empty())
        return key;
    double sum = 0;
    for (const double w : right) {
        if (std::abs(w - right.front()) > kWeightTolerance) {
            QStringList shares;
            for (const double each : right)
                shares << percent(each);
            skipPartialCredit(line, title,
                QStringLiteral("right choices of unequal weights (%1); each must weigh the same")
                    .arg(shares.join(QLatin1String(", "))));
            return std::nullopt;
        }
        sum += w;
    }
    if (std::abs(sum - 100) > kWeightTolerance) {
        skipPartialCredit(
            line, title, QStringLiteral("the right choices' weights sum to %1, not 100 %").arg(percent(sum)));
        return std::nullopt;
    }
    if (penalties && right.size() > 1)
        warning(line,
            QStringLiteral("the negative weights of the wrong choices were dropped: a question of several right "
                           "answers scores when every right choice and no other is chosen"));
    return key;
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
    for (int i = 0; i < BankQuestion::kMaxChoices; ++i)
        question.choice(i) = BankText::cleaned(question.choice(i));
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
    for (int i = 0; i < 2; ++i) {
        if (question.choice(i).isEmpty()) {
            error(question.line, QStringLiteral("choice %1 is empty").arg(AnswerKey::letter(i)));
            return;
        }
    }
    // The choices in a row: the first empty one ends them.
    for (int i = 2; i < BankQuestion::kMaxChoices; ++i) {
        if (!question.choice(i).isEmpty())
            continue;
        for (int j = i + 1; j < BankQuestion::kMaxChoices; ++j) {
            if (!question.choice(j).isEmpty()) {
                error(question.line,
                    QStringLiteral("choice %1 is empty but %2 is not").arg(AnswerKey::letter(i), AnswerKey::letter(j)));
                return;
            }
        }
        break;
    }
    for (int i = 0; i < question.choiceCount(); ++i) {
        for (int j = i + 1; j < question.choiceCount(); ++j) {
            if (question.choice(i) == question.choice(j)) {
                error(question.line,
                    QStringLiteral("choices %1 and %2 have the same text")
                        .arg(AnswerKey::letter(i), AnswerKey::letter(j)));
                return;
            }
        }
    }
    bool named = AnswerKey::isWellFormed(question.correct);
    for (const QChar letter : question.correct)
        named = named && AnswerKey::index(letter) < question.choiceCount();
    if (!named) {
        const QString quoted = BankText::quoted(question.correct);
        if (question.correct.isEmpty())
            error(question.line, QStringLiteral("no right answer"));
        else if (question.correct.size() == 1)
            error(question.line, QStringLiteral("the right answer \"%1\" is not one of the choices").arg(quoted));
        else if (!AnswerKey::isWellFormed(question.correct))
            error(question.line,
                QStringLiteral("the right answers \"%1\" are not letters A to F in order, each once").arg(quoted));
        else
            error(question.line, QStringLiteral("the right answers \"%1\" are not all among the choices").arg(quoted));
        return;
    }

    const PoolQuestion keys = question.toPool();
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
            base = BankIds::fromTextAndChoices(question.question, choices, question.correct);
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
