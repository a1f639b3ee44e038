#include "data/PoolStore.h"

#include <algorithm>
#include <map>
#include <set>

#include <QCryptographicHash>

#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/DbError.h"
#include "data/ExamSchema.h"
#include "data/QuestionMatch.h"
#include "data/SqliteDatabase.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"

namespace {
// One question's place in the pool being written: where it comes from and what it holds.
struct Entry {
    qint64 oldQid = 0; // 0 for a question new to the database
    bool rewrite = false; // its texts change
    PoolQuestion question; // texts, category and stable id
    QString origin;
    bool retired = false; // left out of every draw, still shown by the exams that used it
    qint64 newQid = 0;
};

// Runs one of the store's statements, in the engine's dialect.
bool run(Database &db, const QString &sql, QString *error, const QVariantList &params = {})
{
    DbError failure;
    if (db.execute(db.translate(sql), params, nullptr, &failure))
        return true;
    *error = failure.description;
    return false;
}

// Runs a statement already written for the engine (the schema's own).
bool runAsWritten(Database &db, const QString &sql, QString *error)
{
    DbError failure;
    if (db.execute(sql, {}, nullptr, &failure))
        return true;
    *error = failure.description;
    return false;
}

// Writes `layout` as the whole pool, in one transaction: numbered 1..N in layout order.
bool write(Database &db, std::vector<Entry> &layout, QString *error)
{
    DbError failure;
    if (!db.begin(&failure, true)) {
        *error = failure.description;
        return false;
    }
    const auto fail = [&]() {
        db.rollback();
        return false;
    };
    for (const QString &create : ExamSchema::sideTableStatements(db.target())) {
        if (!runAsWritten(db, create, error))
            return fail();
    }
    if (!ExamSchema::addChoiceColumns(db, error))
        return fail();
    qint64 maxOld = 0;
    for (size_t i = 0; i < layout.size(); ++i) {
        layout[i].newQid = qint64(i) + 1;
        maxOld = std::max(maxOld, layout[i].oldQid);
    }
    {
        Database::Result highest;
        if (db.query(db.translate(QStringLiteral("SELECT coalesce(max(QID), 0) FROM Q_A")), &highest, &failure)
            && !highest.rows.empty())
            maxOld = std::max(maxOld, highest.rows.front().front().toLongLong());
    }
    // Out of the range of both numberings: the first pass never meets a key in use.
    const qint64 shift = std::max<qint64>(maxOld, qint64(layout.size())) + 1;

    if (!run(db,
            QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS vesk_qmap (old INTEGER PRIMARY KEY, new INTEGER NOT NULL)"),
            error)
        || !run(db, QStringLiteral("DELETE FROM vesk_qmap"), error))
        return fail();
    std::vector<QVariantList> moves;
    for (const Entry &e : layout) {
        if (e.oldQid != 0)
            moves.push_back({e.oldQid, e.newQid});
    }
    if (!db.executeEach(
            db.translate(QStringLiteral("INSERT INTO vesk_qmap (old, new) VALUES (?, ?)")), moves, &failure)) {
        *error = failure.description;
        return fail();
    }
    // Keys are checked row by row inside an UPDATE: shift out of range, then into place.
    const QStringList renumber{
        QStringLiteral("DELETE FROM Q_A WHERE QID NOT IN (SELECT old FROM vesk_qmap)"),
        QStringLiteral("UPDATE Q_A SET QID = QID + %1").arg(shift),
        QStringLiteral("UPDATE Q_A SET QID = (SELECT new FROM vesk_qmap WHERE old = Q_A.QID - %1)").arg(shift),
        QStringLiteral("UPDATE ExamDetails SET QID = (SELECT new FROM vesk_qmap WHERE old = ExamDetails.QID) "
                       "WHERE QID IN (SELECT old FROM vesk_qmap)"),
        QStringLiteral("DELETE FROM QuestionKeys"),
    };
    for (const QString &sql : renumber) {
        if (!run(db, sql, error))
            return fail();
    }
    // Each statement compiled once for the whole pool.
    std::vector<QVariantList> inserts, rewrites, keys, retired;
    for (const Entry &e : layout) {
        const PoolQuestion &q = e.question;
        if (e.oldQid == 0 || e.rewrite)
            (e.oldQid == 0 ? inserts : rewrites)
                .push_back({q.question, q.a, q.b, q.c, q.d, PoolStore::choiceValue(q.e), PoolStore::choiceValue(q.f),
                    q.correct, q.category, q.explanation, e.newQid});
        keys.push_back({e.newQid, e.question.id, e.origin});
        retired.push_back({e.retired ? 1 : 0, e.newQid});
    }
    const bool written
        = db.executeEach(db.translate(QStringLiteral("UPDATE Q_A SET Question = ?, A = ?, B = ?, C = ?, D = ?, E = ?, "
                                                     "F = ?, CorrectAnswer = ?, Category = ?, Description = ? WHERE "
                                                     "QID = ?")),
              rewrites, &failure)
        && db.executeEach(db.translate(QStringLiteral("INSERT INTO Q_A (Question, A, B, C, D, E, F, CorrectAnswer, "
                                                      "Category, Description, QID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                                      "?, ?)")),
            inserts, &failure)
        && db.executeEach(
            db.translate(QStringLiteral("INSERT INTO QuestionKeys (QID, StableID, Origin) VALUES (?, ?, ?)")), keys,
            &failure)
        && db.executeEach(db.translate(QStringLiteral("UPDATE Q_A SET Retired = ? WHERE QID = ?")), retired, &failure);
    if (!written) {
        *error = failure.description;
        return fail();
    }
    if (!run(db, QStringLiteral("DELETE FROM vesk_qmap"), error))
        return fail();
    if (!db.commit(&failure)) {
        *error = failure.description;
        return fail();
    }
    return true;
}

// A database of its own around a file opened by hand (the handle stays the caller's).
SqliteDatabase around(SqliteHandle &handle)
{
    return SqliteDatabase(std::shared_ptr<SqliteHandle>(&handle, [](SqliteHandle *) {}));
}

// The pool in category order, each category as `within` orders its entries.
std::vector<Entry> inCategoryOrder(std::vector<Entry> entries)
{
    const QStringList categories = ExamSchema::categories();
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &x, const Entry &y) {
        return categories.indexOf(x.question.category) < categories.indexOf(y.question.category);
    });
    return entries;
}

// How the builder's message names a question: its id and the start of its text.
QString quoted(const PoolQuestion &question)
{
    return QStringLiteral("%1 (\"%2\")").arg(question.id, question.question.left(60));
}
} // namespace

bool PoolStore::carryShipped(const QString &installed, const QString &own, Report *report, QString *error)
{
    DbError failure;
    const std::shared_ptr<SqliteDatabase> from
        = ConnectionPool::acquire(installed, QString::fromLatin1(cDBAccess::kDatabasePassword), &failure);
    const std::shared_ptr<SqliteDatabase> to
        = from ? ConnectionPool::acquire(own, QString::fromLatin1(cDBAccess::kDatabasePassword), &failure) : nullptr;
    if (!from || !to) {
        *error = failure.text();
        return false;
    }
    std::vector<Stored> shipped, current;
    if (!read(*from, &shipped, error) || !read(*to, &current, error))
        return false;
    const auto same = [](const PoolQuestion &x, const PoolQuestion &y) {
        return x.id == y.id && x.category == y.category && x.question == y.question && x.a == y.a && x.b == y.b
            && x.c == y.c && x.d == y.d && x.e == y.e && x.f == y.f && x.correct == y.correct
            && x.explanation == y.explanation;
    };
    // The questions the trainer edited stay as edited, so they take no part in the comparison.
    std::set<QString> edited;
    std::vector<PoolQuestion> mine;
    for (const Stored &s : current) {
        if (s.origin == QLatin1String(kShipped))
            mine.push_back(s.question);
        else if (s.origin == QLatin1String(kEdited))
            edited.insert(s.question.id);
    }
    std::vector<PoolQuestion> pool, compared;
    for (const Stored &s : shipped) {
        if (s.origin != QLatin1String(kShipped))
            continue;
        pool.push_back(s.question);
        if (!edited.count(s.question.id.isEmpty() ? idFromText(s.question.question) : s.question.id))
            compared.push_back(s.question);
    }
    if (pool.empty() || std::equal(compared.begin(), compared.end(), mine.begin(), mine.end(), same))
        return true;
    return replace(*to, pool, report, error);
}

QVariant PoolStore::choiceValue(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString PoolStore::normalisedText(const QString &text)
{
    return QuestionMatch::normalisedText(text);
}

QString PoolStore::idFromText(const QString &text)
{
    const QByteArray hash = QCryptographicHash::hash(normalisedText(text).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("q-") + QString::fromLatin1(hash.toHex().left(12));
}

bool PoolStore::read(SqliteHandle &db, std::vector<Stored> *pool, QString *error, bool withUse)
{
    SqliteDatabase file = around(db);
    return read(file, pool, error, withUse);
}

bool PoolStore::replace(SqliteHandle &db, const std::vector<PoolQuestion> &shipped, Report *report, QString *error)
{
    SqliteDatabase file = around(db);
    return replace(file, shipped, report, error);
}

bool PoolStore::add(SqliteHandle &db, const std::vector<PoolQuestion> &questions, Report *report, QString *error)
{
    SqliteDatabase file = around(db);
    return add(file, questions, report, error);
}

bool PoolStore::read(Database &db, std::vector<Stored> *pool, QString *error, bool withUse)
{
    DbError failure;
    // Which questions stored exams use, in one pass over the detail rows (they have no index on QID).
    std::set<qint64> used;
    if (withUse) {
        Database::Result uses;
        if (!db.query(db.translate(QStringLiteral("SELECT DISTINCT QID FROM ExamDetails")), &uses, &failure)) {
            *error = failure.description;
            return false;
        }
        for (const std::vector<QVariant> &row : uses.rows)
            used.insert(row.front().toLongLong());
    }
    const bool keys = db.hasTable(QStringLiteral("QuestionKeys"));
    // A read-only file of the first version has no E and F: its questions have four choices at most.
    const bool fiveAndSix = ExamSchema::hasChoiceColumns(db);
    const bool retiredMark = ExamSchema::hasRetiredColumn(db);
    const QString sql = QStringLiteral("SELECT q.QID, q.Category, q.Question, q.A, q.B, q.C, q.D, q.CorrectAnswer, "
                                       "q.Description, %1, %3, %4 FROM Q_A q %2 ORDER BY q.QID")
                            .arg(keys ? QStringLiteral("k.StableID, k.Origin") : QStringLiteral("NULL, NULL"),
                                keys ? QStringLiteral("LEFT JOIN QuestionKeys k ON k.QID = q.QID") : QString(),
                                fiveAndSix ? QStringLiteral("q.E, q.F") : QStringLiteral("NULL, NULL"),
                                retiredMark ? QStringLiteral("q.Retired") : QStringLiteral("0"));
    Database::Result result;
    if (!db.query(db.translate(sql), &result, &failure)) {
        *error = failure.description;
        return false;
    }
    for (const std::vector<QVariant> &row : result.rows) {
        Stored s;
        s.qid = row[0].toLongLong();
        PoolQuestion &q = s.question;
        q.category = row[1].toString();
        q.question = row[2].toString();
        q.a = row[3].toString();
        q.b = row[4].toString();
        q.c = row[5].toString();
        q.d = row[6].toString();
        q.correct = row[7].toString();
        q.explanation = row[8].toString();
        q.id = row[9].toString();
        s.origin = row[10].isNull() ? QString::fromLatin1(kShipped) : row[10].toString();
        q.e = row[11].toString();
        q.f = row[12].toString();
        s.retired = row[13].toLongLong() != 0;
        s.used = used.count(s.qid) > 0;
        pool->push_back(s);
    }
    return true;
}

bool PoolStore::replace(Database &db, const std::vector<PoolQuestion> &shipped, Report *report, QString *error)
{
    std::vector<Stored> old;
    if (!read(db, &old, error))
        return false;
    // A database without ids (of an earlier version) is matched by text, once.
    const bool hasIds = std::any_of(old.begin(), old.end(), [](const Stored &s) { return !s.question.id.isEmpty(); });
    std::map<QString, size_t> byId, byText;
    for (size_t i = 0; i < old.size(); ++i) {
        if (old[i].origin != QLatin1String(kShipped) && old[i].origin != QLatin1String(kEdited))
            continue;
        if (hasIds && !old[i].question.id.isEmpty())
            byId.emplace(old[i].question.id, i);
        else
            byText.emplace(old[i].question.question.trimmed(), i);
    }
    std::vector<bool> matched(old.size(), false);
    std::vector<Entry> entries;
    for (const PoolQuestion &q : shipped) {
        Entry e;
        e.question = q;
        if (e.question.id.isEmpty())
            e.question.id = idFromText(q.question);
        e.origin = QString::fromLatin1(kShipped);
        size_t match = old.size();
        if (const auto found = byId.find(e.question.id); found != byId.end())
            match = found->second;
        else if (const auto same = byText.find(q.question.trimmed()); same != byText.end())
            match = same->second;
        if (match < old.size() && !matched[match]) {
            matched[match] = true;
            e.oldQid = old[match].qid;
            e.rewrite = true;
            // A question the trainer retired stays retired while the pool still ships it.
            e.retired = old[match].retired;
            if (old[match].origin == QLatin1String(kEdited)) {
                e.question = old[match].question;
                e.origin = old[match].origin;
                report->keptEdited << quoted(e.question);
            } else {
                ++report->updated;
            }
        } else {
            ++report->added;
        }
        entries.push_back(e);
    }
    // After the shipped questions of each category: those stored exams still use, then the imported.
    std::set<QString> ids;
    for (const Entry &e : entries)
        ids.insert(e.question.id);
    for (const QLatin1String origin : {QLatin1String(kShipped), QLatin1String(kImported), QLatin1String(kEdited)}) {
        for (size_t i = 0; i < old.size(); ++i) {
            const Stored &s = old[i];
            if (matched[i] || s.origin != origin)
                continue;
            if (origin == QLatin1String(kShipped) && !s.used) {
                ++report->removed;
                continue;
            }
            Entry e;
            e.oldQid = s.qid;
            e.question = s.question;
            e.origin = s.origin;
            // A shipped question no longer shipped stays only for the exams that used it.
            e.retired = s.retired || origin == QLatin1String(kShipped);
            // A kept question whose id a new one took, or that never had one, gets one of its own.
            if (e.question.id.isEmpty() || ids.count(e.question.id))
                e.question.id = idFromText(e.question.question + QString::number(s.qid));
            ids.insert(e.question.id);
            if (origin == QLatin1String(kShipped))
                report->retained << quoted(e.question);
            else if (origin == QLatin1String(kEdited))
                report->keptEdited << quoted(e.question);
            else
                ++report->keptImported;
            entries.push_back(e);
        }
    }
    std::vector<Entry> layout = inCategoryOrder(std::move(entries));
    report->questions = int(layout.size());
    return write(db, layout, error);
}

bool PoolStore::add(Database &db, const std::vector<PoolQuestion> &questions, Report *report, QString *error)
{
    std::vector<Stored> old;
    if (!read(db, &old, error))
        return false;
    // How a message names a question of the pool or of the import.
    const auto named = [](const PoolQuestion &q) {
        QString start = q.question.simplified();
        if (start.size() > 40)
            start = start.left(40) + QStringLiteral("...");
        return q.source.isEmpty() ? QStringLiteral("%1 (\"%2\")").arg(q.id, start) : q.source;
    };
    std::vector<Entry> entries;
    std::set<QString> ids;
    std::map<QString, QString> seen; // duplicateKey -> the question's name in messages
    std::map<QString, std::pair<QString, QString>> answers; // choicesKey -> its name and right answer
    const auto remember = [&](const PoolQuestion &q) {
        seen.emplace(QuestionMatch::duplicateKey(q), named(q));
        answers.emplace(QuestionMatch::choicesKey(q), std::make_pair(named(q), QuestionMatch::rightAnswer(q)));
    };
    for (const Stored &s : old) {
        Entry e;
        e.oldQid = s.qid;
        e.question = s.question;
        if (e.question.id.isEmpty() || ids.count(e.question.id))
            e.question.id = idFromText(s.question.question + QString::number(s.qid));
        e.origin = s.origin;
        e.retired = s.retired;
        remember(e.question);
        ids.insert(e.question.id);
        entries.push_back(e);
    }
    for (const PoolQuestion &q : questions) {
        if (const auto found = seen.find(QuestionMatch::duplicateKey(q)); found != seen.end()) {
            ++report->duplicates;
            report->duplicateOf << QStringLiteral("%1: a duplicate of %2").arg(named(q), found->second);
            continue;
        }
        if (const auto same = answers.find(QuestionMatch::choicesKey(q)); same != answers.end()) {
            report->contradictions << QStringLiteral("%1 contradicts %2: the same question with another right "
                                                     "answer (\"%3\", not \"%4\")")
                                          .arg(named(q), same->second.first, QuestionMatch::rightAnswer(q),
                                              same->second.second);
        }
        Entry e;
        e.question = q;
        QString id = q.id.isEmpty() ? idFromText(q.question) : q.id;
        for (int n = 2; ids.count(id); ++n)
            id = (q.id.isEmpty() ? idFromText(q.question) : q.id) + QLatin1Char('-') + QString::number(n);
        e.question.id = id;
        ids.insert(id);
        e.origin = QString::fromLatin1(kImported);
        remember(e.question);
        ++report->added;
        ++report->addedByCategory[q.category];
        entries.push_back(e);
    }
    // Existing questions keep their order; new ones follow their category's last.
    std::vector<Entry> layout = inCategoryOrder(std::move(entries));
    report->questions = int(layout.size());
    return write(db, layout, error);
}
