#pragma once

// What every question-bank reader must hold for any file, checked by the fuzz targets: no crash and
// no flood (at most 51 one-line messages, each naming its line, and at most 21 skipped questions
// listed, each with its line and name); every question it accepts has two to six non-empty
// choices in a row, no two of one text, or is true/false, its right letters (one, or several in
// order, each once) on non-empty choices, clean text with no control character but the line
// break, an id of its own, and no other question has its text, choices and right answers all
// three; and those questions, written in the same format and in the pool's JSON and read back,
// come back as they were, up to what the format holds (Aiken leaves out a question of several
// right answers and says so; questions that contradict each other are told again).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QByteArray>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include "bank/BankIds.h"
#include "bank/BankText.h"
#include "bank/QuestionBank.h"
#include "data/AnswerKey.h"
#include "data/QuestionMatch.h"

namespace BankFuzz {

inline void check(bool property)
{
    if (!property)
        std::abort();
}

// A text that cleaning leaves as it is; the tab added makes cleaned() clean for real rather than
// take its way out for texts that are clean already.
inline bool isCleanText(const QString &text, bool multiline)
{
    if (!text.isValidUtf16() || BankText::cleaned(text + u'\t') != text || BankText::cleaned(text) != text)
        return false;
    for (const QChar c : text) {
        if (BankText::isControl(c.unicode()) && !(multiline && c == u'\n'))
            return false;
    }
    return true;
}

inline void checkMessages(const QStringList &messages)
{
    static const QRegularExpression shape(QStringLiteral("^(line [1-9][0-9]*: .+|and [1-9][0-9]* more)$"));
    check(messages.size() <= 51);
    for (const QString &message : messages)
        check(shape.match(message).hasMatch() && isCleanText(message, false) && message.size() < 1000);
}

inline void checkSkipped(const QStringList &skipped)
{
    static const QRegularExpression shape(QStringLiteral("^(line [1-9][0-9]*( \\(.+\\))?: .+|and [1-9][0-9]* more)$"));
    check(skipped.size() <= BankReadResult::kSkippedListed + 1);
    for (const QString &entry : skipped)
        check(shape.match(entry).hasMatch() && isCleanText(entry, false) && entry.size() < 1000);
}

inline bool isContradiction(const QString &warning)
{
    static const QRegularExpression shape(QStringLiteral("^line [1-9][0-9]*: contradicts line [1-9][0-9]* "));
    return shape.match(warning).hasMatch();
}

// A question as the format keeps it (see QuestionBank::write).
inline QStringList kept(BankQuestion q, QuestionBank::Format format)
{
    using QuestionBank::Format;
    if (format == Format::Aiken) {
        q.id = BankIds::fromText(q.question);
        q.categoryPath.clear();
        q.explanation.clear();
        for (int i = 0; i < BankQuestion::kMaxChoices; ++i)
            q.choice(i).replace(u'\n', u' ');
    } else if (format == Format::Csv || format == Format::Json) {
        if (format == Format::Csv)
            q.id = BankIds::fromText(q.question);
        q.categoryPath = q.category().isEmpty() ? QStringList() : QStringList{q.category()};
    }
    return QStringList{
        q.id, q.categoryPath.join(QChar(0)), q.question, q.a, q.b, q.c, q.d, q.e, q.f, q.correct, q.explanation};
}

inline void checkRoundTrip(const std::vector<BankQuestion> &questions, QuestionBank::Format format)
{
    QStringList warnings;
    const QByteArray written = QuestionBank::write(questions, format, &warnings);
    // What a format cannot hold is left out whole, and said.
    std::vector<BankQuestion> held;
    for (const BankQuestion &q : questions) {
        if (format != QuestionBank::Format::Aiken || !q.hasSeveralAnswers())
            held.push_back(q);
    }
    check(size_t(warnings.filter(QStringLiteral(": not written: ")).size()) == questions.size() - held.size());
    const BankReadResult back = QuestionBank::read(written, format);
    check(back.errors.isEmpty() && back.skippedByKind.empty() && back.skipped.isEmpty());
    for (const QString &warning : back.warnings)
        check(isContradiction(warning));
    check(back.questions.size() == held.size());
    for (size_t i = 0; i < held.size(); ++i)
        check(kept(back.questions[i], format) == kept(held[i], format));
}

inline int run(const std::uint8_t *data, std::size_t size, QuestionBank::Format format)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const BankReadResult result = QuestionBank::read(bytes, format);
    checkMessages(result.errors);
    checkMessages(result.warnings);
    checkSkipped(result.skipped);
    int skipped = 0;
    for (const auto &[kind, count] : result.skippedByKind) {
        check(!kind.isEmpty() && count > 0);
        skipped += count;
    }
    // Every one listed up to the limit, then one line for the rest.
    check(result.skipped.size()
        == (skipped <= BankReadResult::kSkippedListed ? skipped : BankReadResult::kSkippedListed + 1));

    QSet<QString> ids, keys;
    for (const BankQuestion &q : result.questions) {
        check(q.line >= 1 && !q.question.isEmpty() && isCleanText(q.question, true));
        check(isCleanText(q.explanation, true) && isCleanText(q.name, false) && isCleanText(q.id, false));
        for (const QString &part : q.categoryPath)
            check(!part.isEmpty() && isCleanText(part, false));
        QSet<QString> choices;
        for (int i = 0; i < BankQuestion::kMaxChoices; ++i) {
            check(isCleanText(q.choice(i), true));
            // In a row: filled up to the count, empty after it; no two of one text.
            check(q.choice(i).isEmpty() == (i >= q.choiceCount()));
            check(q.choice(i).isEmpty() || !choices.contains(q.choice(i)));
            choices.insert(q.choice(i));
        }
        check(AnswerKey::isWellFormed(q.correct));
        for (const QChar letter : q.correct)
            check(AnswerKey::index(letter) < q.choiceCount());
        check(!q.id.isEmpty() && !ids.contains(q.id));
        ids.insert(q.id);
        const QString key = QuestionMatch::duplicateKey(q.toPool());
        check(!keys.contains(key));
        keys.insert(key);
    }
    if (!result.questions.empty()) {
        checkRoundTrip(result.questions, format);
        if (format != QuestionBank::Format::Json)
            checkRoundTrip(result.questions, QuestionBank::Format::Json);
    }
    return 0;
}

} // namespace BankFuzz
