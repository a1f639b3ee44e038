#include "data/QuestionEditorSession.h"

#include <algorithm>
#include <map>
#include <set>

#include "data/AnswerKey.h"
#include "data/Connection.h"
#include "data/Database.h"
#include "data/DbError.h"
#include "data/DbScope.h"
#include "data/ExamSchema.h"
#include "data/PoolStore.h"
#include "data/QuestionMatch.h"
#include "data/cDBAccess.h"

namespace {
// The program's database as one connection, or null when it cannot be opened.
std::shared_ptr<Database> databaseOf(DbScope &scope)
{
    if (!scope.isOpen())
        return nullptr;
    const std::shared_ptr<Connection> connection = scope->GetConnection();
    return connection ? connection->database() : nullptr;
}

// A value written into a server's statement: quoted text, or NULL.
QString literal(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return value.toString();
    return QLatin1Char('\'') + value.toString().replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// Whether an edit changed what the question says (not only whether it is drawn).
bool changesContent(const QuestionEditorSession::Question &was, const QuestionEditorSession::Question &now)
{
    return was.question != now.question || was.choices != now.choices || was.keys != now.keys
        || was.explanation != now.explanation || was.category != now.category;
}

QVariant choiceAt(const QStringList &choices, int index)
{
    return index < choices.size() ? PoolStore::choiceValue(choices.at(index)) : QVariant();
}
} // namespace

bool QuestionEditorSession::Question::operator==(const Question &other) const
{
    return qid == other.qid && stableId == other.stableId && origin == other.origin && category == other.category
        && question == other.question && choices == other.choices && keys == other.keys
        && explanation == other.explanation && retired == other.retired && timesDrawn == other.timesDrawn;
}

QStringList QuestionEditorSession::trueFalseChoices()
{
    return {QStringLiteral("True"), QStringLiteral("False")};
}

QStringList QuestionEditorSession::trimmedChoices(const QStringList &choices)
{
    QStringList kept = choices;
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    return kept;
}

std::optional<QuestionEditorSession::Refusal> QuestionEditorSession::check(const Question &question)
{
    if (question.question.trimmed().isEmpty())
        return Refusal{Field::Question, -1, QStringLiteral("The question needs a text.")};
    const QStringList choices = trimmedChoices(question.choices);
    for (int i = 0; i < choices.size(); ++i) {
        if (choices.at(i).trimmed().isEmpty())
            return Refusal{Field::Choice, i,
                QStringLiteral("Choice %1 is empty, though a later one is filled.").arg(AnswerKey::letter(i))};
    }
    if (choices.size() < kMinChoices)
        return Refusal{Field::Choice, int(choices.size()),
            QStringLiteral("A question needs at least %1 choices.").arg(kMinChoices)};
    if (choices.size() > kMaxChoices)
        return Refusal{
            Field::Choice, kMaxChoices, QStringLiteral("A question has at most %1 choices, A to F.").arg(kMaxChoices)};
    for (int i = 0; i < choices.size(); ++i) {
        for (int j = 0; j < i; ++j) {
            if (QuestionMatch::normalisedText(choices.at(i)) == QuestionMatch::normalisedText(choices.at(j)))
                return Refusal{Field::Choice, i,
                    QStringLiteral("Choice %1 repeats choice %2.")
                        .arg(QString(AnswerKey::letter(i)), QString(AnswerKey::letter(j)))};
        }
    }
    if (question.keys.isEmpty())
        return Refusal{Field::Keys, -1, QStringLiteral("Mark at least one right choice.")};
    if (!AnswerKey::isWellFormed(question.keys))
        return Refusal{Field::Keys, -1, QStringLiteral("The right letters are A to F, in order, each once.")};
    for (const QChar letter : question.keys) {
        if (AnswerKey::index(letter) >= choices.size())
            return Refusal{
                Field::Keys, -1, QStringLiteral("%1 is marked right, but the question has no choice %1.").arg(letter)};
    }
    if (!ExamSchema::categories().contains(question.category))
        return Refusal{Field::Category, -1, QStringLiteral("Choose one of the six categories.")};
    return std::nullopt;
}

QuestionEditorSession::EditKind QuestionEditorSession::editKind(
    const Question &before, const Question &after, bool choiceChangesMeaning)
{
    const QStringList was = trimmedChoices(before.choices);
    const QStringList is = trimmedChoices(after.choices);
    if (before.keys != after.keys || was.size() != is.size())
        return EditKind::Replaces;
    return choiceChangesMeaning && was != is ? EditKind::Replaces : EditKind::InPlace;
}

bool QuestionEditorSession::load(QString *error)
{
    error->clear();
    DbScope scope;
    const std::shared_ptr<Database> db = databaseOf(scope);
    if (!db) {
        *error = QStringLiteral("The database cannot be opened.");
        return false;
    }
    std::vector<PoolStore::Stored> pool;
    if (!PoolStore::read(*db, &pool, error, false))
        return false;
    // How often each question was drawn, in one pass over the detail rows.
    std::map<qint64, int> drawn;
    Database::Result uses;
    DbError failure;
    if (!db->query(
            db->translate(QStringLiteral("SELECT QID, count(*) FROM ExamDetails GROUP BY QID")), &uses, &failure)) {
        *error = failure.description;
        return false;
    }
    for (const std::vector<QVariant> &row : uses.rows)
        drawn[row.at(0).toLongLong()] = int(row.at(1).toLongLong());
    m_rows.clear();
    for (const PoolStore::Stored &s : pool) {
        Question q;
        q.qid = s.qid;
        q.stableId = s.question.id.isEmpty() ? PoolStore::idFromText(s.question.question) : s.question.id;
        q.origin = s.origin;
        q.category = s.question.category;
        q.question = s.question.question;
        q.choices
            = trimmedChoices({s.question.a, s.question.b, s.question.c, s.question.d, s.question.e, s.question.f});
        q.keys = s.question.correct;
        q.explanation = s.question.explanation;
        q.retired = s.retired;
        q.timesDrawn = drawn.count(s.qid) ? drawn[s.qid] : 0;
        m_rows.push_back(q);
    }
    m_saved = m_rows;
    return true;
}

bool QuestionEditorSession::matches(const Question &question, const Filter &filter)
{
    if (!filter.category.isEmpty() && question.category != filter.category)
        return false;
    if (!filter.origin.isEmpty() && question.origin != filter.origin)
        return false;
    if ((filter.retirement == Retirement::Drawn && question.retired)
        || (filter.retirement == Retirement::Retired && !question.retired))
        return false;
    if (filter.text.isEmpty() || question.question.contains(filter.text, Qt::CaseInsensitive))
        return true;
    return std::any_of(question.choices.begin(), question.choices.end(),
        [&](const QString &choice) { return choice.contains(filter.text, Qt::CaseInsensitive); });
}

const QuestionEditorSession::Question *QuestionEditorSession::saved(qint64 qid) const
{
    for (const Question &q : m_saved) {
        if (q.qid == qid && qid != 0)
            return &q;
    }
    return nullptr;
}

int QuestionEditorSession::rowOf(qint64 qid) const
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].qid == qid && qid != 0)
            return int(i);
    }
    return -1;
}

int QuestionEditorSession::rowOfId(const QString &stableId) const
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].stableId == stableId)
            return int(i);
    }
    return -1;
}

bool QuestionEditorSession::isModified() const
{
    return m_rows != m_saved;
}

void QuestionEditorSession::replace(int row, const Question &question)
{
    m_rows.at(size_t(row)) = question;
}

int QuestionEditorSession::append(const Question &question)
{
    m_rows.push_back(question);
    return int(m_rows.size()) - 1;
}

void QuestionEditorSession::insert(int row, const Question &question)
{
    m_rows.insert(m_rows.begin() + row, question);
}

void QuestionEditorSession::remove(int row)
{
    m_rows.erase(m_rows.begin() + row);
}

QString QuestionEditorSession::freeId(const QString &stem) const
{
    std::set<QString> taken;
    for (const Question &q : m_rows)
        taken.insert(q.stableId);
    // Ids of questions deleted in this session may still be stored until the save.
    for (const Question &q : m_saved)
        taken.insert(q.stableId);
    for (int n = 1;; ++n) {
        const QString id = stem + QString::number(n);
        if (!taken.count(id))
            return id;
    }
}

QuestionEditorSession::Question QuestionEditorSession::newQuestion(const QString &category) const
{
    Question q;
    q.stableId = freeId(QStringLiteral("tr-"));
    q.origin = QString::fromLatin1(PoolStore::kImported);
    q.category = category;
    q.choices = QStringList{QString(), QString()};
    return q;
}

QuestionEditorSession::Question QuestionEditorSession::successorOf(const Question &question) const
{
    Question q = question;
    q.qid = 0;
    q.stableId = freeId(question.stableId + QStringLiteral("-r"));
    // The trainer's own from now on: a newer shipped pool neither rewrites nor drops it.
    q.origin = QString::fromLatin1(PoolStore::kImported);
    q.retired = false;
    q.timesDrawn = 0;
    return q;
}

bool QuestionEditorSession::save(QString *error)
{
    // The pool is read again once the writing scope has ended: one scope at a time.
    return write(error) && load(error);
}

bool QuestionEditorSession::write(QString *error)
{
    error->clear();
    DbScope scope;
    const std::shared_ptr<Database> db = databaseOf(scope);
    if (!db) {
        *error = QStringLiteral("The database cannot be opened.");
        return false;
    }
    DbError failure;
    const auto fail = [&](const QString &reason) {
        db->rollback();
        *error = reason;
        return false;
    };
    if (!db->begin(&failure, true))
        return fail(failure.description);
    // On a class's server a trainer writes nothing but through the server's own functions.
    const bool server = db->target() == SqlDialect::Target::PostgreSql;
    const auto call = [&](const QString &function, const QVariantList &values) {
        QStringList arguments;
        for (const QVariant &value : values)
            arguments << literal(value);
        Database::Result ignored;
        return db->query(
            QStringLiteral("SELECT %1(%2)").arg(function, arguments.join(QStringLiteral(", "))), &ignored, &failure);
    };
    // A writable file of the first version gains the columns the edits need.
    if (!server && !ExamSchema::addChoiceColumns(*db, error))
        return fail(*error);
    for (const QString &create : server ? QStringList() : ExamSchema::sideTableStatements(db->target())) {
        if (!db->execute(create, {}, nullptr, &failure))
            return fail(failure.description);
    }
    const auto run = [&](const QString &sql, const QVariantList &values, qint64 *changes = nullptr) {
        return db->execute(db->translate(sql), values, changes, &failure);
    };
    std::set<qint64> kept;
    for (const Question &q : m_rows)
        kept.insert(q.qid);
    for (const Question &q : m_saved) {
        if (kept.count(q.qid))
            continue;
        // Only a question no stored exam uses goes; the check is the database's, at the moment of writing.
        if (server) {
            if (!call(QStringLiteral("vesk_delete_question"), {q.qid}))
                return fail(failure.description);
            continue;
        }
        qint64 changes = 0;
        if (!run(QStringLiteral("DELETE FROM Q_A WHERE QID = ? AND NOT EXISTS (SELECT 1 FROM ExamDetails WHERE "
                                "ExamDetails.QID = ?)"),
                {q.qid, q.qid}, &changes))
            return fail(failure.description);
        if (changes != 1)
            return fail(QStringLiteral("%1 is used by a stored exam and cannot be deleted.").arg(q.stableId));
        if (!run(QStringLiteral("DELETE FROM QuestionKeys WHERE QID = ?"), {q.qid}))
            return fail(failure.description);
    }
    Database::Result highest;
    if (!db->query(db->translate(QStringLiteral("SELECT coalesce(max(QID), 0) FROM Q_A")), &highest, &failure)
        || highest.rows.empty())
        return fail(failure.description);
    qint64 next = highest.rows.front().front().toLongLong() + 1;
    std::map<qint64, Question> before;
    for (const Question &q : m_saved)
        before.emplace(q.qid, q);
    for (Question q : m_rows) {
        if (q.qid != 0 && before.count(q.qid) && before.at(q.qid) == q)
            continue;
        // A shipped question the trainer changed is theirs from now on: a newer pool keeps it.
        if (q.qid != 0 && before.count(q.qid) && q.origin == QLatin1String(PoolStore::kShipped)
            && changesContent(before.at(q.qid), q))
            q.origin = QString::fromLatin1(PoolStore::kEdited);
        if (server) {
            if (!call(QStringLiteral("vesk_save_question"),
                    {q.qid, q.stableId, q.origin, q.question, choiceAt(q.choices, 0), choiceAt(q.choices, 1),
                        choiceAt(q.choices, 2), choiceAt(q.choices, 3), choiceAt(q.choices, 4), choiceAt(q.choices, 5),
                        q.keys, q.category, PoolStore::choiceValue(q.explanation), q.retired ? 1 : 0}))
                return fail(failure.description);
            continue;
        }
        const qint64 qid = q.qid != 0 ? q.qid : next++;
        const QVariantList values{q.question, choiceAt(q.choices, 0), choiceAt(q.choices, 1), choiceAt(q.choices, 2),
            choiceAt(q.choices, 3), choiceAt(q.choices, 4), choiceAt(q.choices, 5), q.keys, q.category, q.explanation,
            q.retired ? 1 : 0, qid};
        const QString sql = q.qid != 0
            ? QStringLiteral(
                "UPDATE Q_A SET Question = ?, A = ?, B = ?, C = ?, D = ?, E = ?, F = ?, CorrectAnswer = ?, "
                "Category = ?, Description = ?, Retired = ? WHERE QID = ?")
            : QStringLiteral("INSERT INTO Q_A (Question, A, B, C, D, E, F, CorrectAnswer, Category, Description, "
                             "Retired, QID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        if (!run(sql, values) || !run(QStringLiteral("DELETE FROM QuestionKeys WHERE QID = ?"), {qid})
            || !run(QStringLiteral("INSERT INTO QuestionKeys (QID, StableID, Origin) VALUES (?, ?, ?)"),
                {qid, q.stableId, q.origin}))
            return fail(failure.description);
    }
    if (!db->commit(&failure))
        return fail(failure.description);
    return true;
}
