#include "data/PoolBuilder.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

#include "data/AnswerKey.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/PoolReader.h"
#include "data/PoolStore.h"
#include "data/ServerRules.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"

namespace {
std::shared_ptr<SqliteHandle> openKeyed(const QString &path, bool create, QString *error)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    SqliteHandle::Opened opened
        = SqliteHandle::openKeyed(path, flags, QString::fromLatin1(cDBAccess::kDatabasePassword));
    if (!opened.handle)
        *error = opened.message;
    return opened.handle;
}

bool exec(SqliteHandle &db, const QString &sql, QString *error)
{
    SqliteStatement stmt(db.get(), sql);
    if (!stmt.isValid() || stmt.step() == SQLITE_ERROR) {
        *error = db.lastMessage();
        return false;
    }
    return true;
}

// The first empty choice after A and B that a filled one follows, and that one: the choices are
// not in a row. -1 and -1 when they are.
std::pair<int, int> gapIn(const PoolQuestion &q)
{
    for (int i = 2; i < PoolQuestion::kMaxChoices; ++i) {
        if (!q.choice(i).trimmed().isEmpty())
            continue;
        for (int j = i + 1; j < PoolQuestion::kMaxChoices; ++j) {
            if (!q.choice(j).trimmed().isEmpty())
                return {i, j};
        }
        break;
    }
    return {-1, -1};
}

// The first two choices of one text, which neither the candidate nor a key could tell apart; -1
// and -1 when there are none.
std::pair<int, int> sameTextIn(const PoolQuestion &q)
{
    for (int i = 0; i < PoolQuestion::kMaxChoices; ++i) {
        const QString text = q.choice(i).trimmed();
        for (int j = i + 1; !text.isEmpty() && j < PoolQuestion::kMaxChoices; ++j) {
            if (q.choice(j).trimmed() == text)
                return {i, j};
        }
    }
    return {-1, -1};
}

int storedExamCount(SqliteHandle &db)
{
    SqliteStatement count(db.get(), QStringLiteral("SELECT count(*) FROM ExamTitle"));
    return count.isValid() && count.step() == SQLITE_ROW ? count.column(0).toInt() : -1;
}

// What replacing the pool of a database holding stored exams did, for the person who ran it.
QString replacedMessage(const QString &target, const PoolStore::Report &report, int stored)
{
    QString message = QStringLiteral("%1 written: %2 questions, %3 stored exam(s) kept.")
                          .arg(target)
                          .arg(report.questions)
                          .arg(stored);
    if (report.keptImported > 0)
        message += QStringLiteral("\n%1 imported question(s) kept.").arg(report.keptImported);
    if (!report.keptEdited.isEmpty())
        message += QStringLiteral("\n%1 question(s) the trainer edited kept as edited: %2.")
                       .arg(report.keptEdited.size())
                       .arg(report.keptEdited.join(QStringLiteral(", ")));
    if (!report.retained.isEmpty())
        message += QStringLiteral("\n%1 question(s) kept, retired, because stored exams use them, though the new pool "
                                  "no longer has them: %2.")
                       .arg(report.retained.size())
                       .arg(report.retained.join(QStringLiteral(", ")));
    return message;
}
} // namespace

bool PoolBuilder::fail(const QString &error)
{
    m_errors.add(error);
    return false;
}

bool PoolBuilder::loadFiles(const QStringList &files)
{
    bool ok = true;
    for (const QString &file : files) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            ok = fail(QStringLiteral("%1: cannot read the file (%2)").arg(file, in.errorString()));
            continue;
        }
        ok = loadJson(in.readAll(), QFileInfo(file).fileName()) && ok;
    }
    return ok;
}

bool PoolBuilder::loadJson(const QByteArray &json, const QString &source)
{
    PoolReader reader(json, source);
    m_errors.append(reader.errors());
    std::vector<Question> questions = reader.takeQuestions();
    m_questions.insert(
        m_questions.end(), std::make_move_iterator(questions.begin()), std::make_move_iterator(questions.end()));
    return reader.ok();
}

bool PoolBuilder::validate()
{
    const QStringList categories = ExamSchema::categories();
    std::set<QString> seen;
    std::set<QString> ids;
    bool ok = m_errors.isEmpty();
    for (const Question &q : m_questions) {
        // A fault's text is made only while the report keeps texts: a pool of garbage is told fast.
        const auto fault = [&](const auto &describe) {
            m_errors.report([&] {
                const QString name = q.question.trimmed().isEmpty()
                    ? q.source
                    : QStringLiteral("%1 (%2)").arg(q.source, PoolReader::quoted(q.question));
                return QStringLiteral("%1: %2").arg(name, describe());
            });
            return false;
        };
        if (!categories.contains(q.category))
            ok = fault([&] { return QStringLiteral("unknown category %1").arg(PoolReader::quoted(q.category)); });
        if (q.question.trimmed().isEmpty())
            ok = fault([] { return QStringLiteral("the question is empty"); });
        if (q.a.trimmed().isEmpty() || q.b.trimmed().isEmpty())
            ok = fault([] { return QStringLiteral("choices A and B must not be empty"); });
        if (const auto [empty, filled] = gapIn(q); filled >= 0)
            ok = fault([&, empty = empty, filled = filled] {
                return QStringLiteral("choice %1 is given without choice %2")
                    .arg(AnswerKey::letter(filled), AnswerKey::letter(empty));
            });
        if (const auto [first, second] = sameTextIn(q); second >= 0)
            ok = fault([&, first = first, second = second] {
                return QStringLiteral("choices %1 and %2 have the same text")
                    .arg(AnswerKey::letter(first), AnswerKey::letter(second));
            });
        if (!AnswerKey::isWellFormed(q.correct)) {
            ok = fault([&] {
                return q.correct.size() <= 1
                    ? QStringLiteral("the correct letter %1 is not one of A to F").arg(PoolReader::quoted(q.correct))
                    : QStringLiteral("the correct letters %1 are not letters of A to F in order, each once")
                          .arg(PoolReader::quoted(q.correct));
            });
        } else {
            for (const QChar letter : q.correct) {
                if (q.choice(AnswerKey::index(letter)).trimmed().isEmpty())
                    ok = fault(
                        [&] { return QStringLiteral("the correct letter %1 points at an empty choice").arg(letter); });
            }
        }
        if (!q.question.trimmed().isEmpty() && !seen.insert(q.question.trimmed()).second)
            ok = fault([] { return QStringLiteral("the same question text appears twice"); });
        if (!q.id.isEmpty() && !ids.insert(q.id).second)
            ok = fault([&] { return QStringLiteral("the id %1 is given twice").arg(PoolReader::quoted(q.id)); });
    }
    if (ok && m_questions.empty())
        ok = fail(QStringLiteral("the pool holds no questions"));
    if (ok) {
        std::stable_sort(m_questions.begin(), m_questions.end(), [&](const Question &x, const Question &y) {
            return categories.indexOf(x.category) < categories.indexOf(y.category);
        });
    }
    m_validated = ok;
    return ok;
}

bool PoolBuilder::build(const QString &outPath, Mode mode)
{
    const QString target = ConnectionPool::resolveFile(outPath);
    const bool exists = QFileInfo::exists(target);
    if (exists && mode == Mode::IfAbsent) {
        m_message = QStringLiteral("%1 exists; left unchanged.").arg(QDir::toNativeSeparators(target));
        return true;
    }
    if (!m_validated && !validate())
        return false;

    if (exists) {
        QString error;
        auto old = openKeyed(target, false, &error);
        const int stored = old ? storedExamCount(*old) : -1;
        if (!old || stored < 0)
            return fail(QStringLiteral("%1 is not an exam database that can be read (%2); it was left unchanged.")
                            .arg(QDir::toNativeSeparators(target), old ? old->lastMessage() : error));
        if (stored > 0 && mode != Mode::ReplacePool)
            return fail(QStringLiteral("%1 holds %2 stored exam(s); it was left unchanged. Use --replace-pool to "
                                       "load the new pool and keep the stored exams.")
                            .arg(QDir::toNativeSeparators(target))
                            .arg(stored));
        // In place, in one transaction: the stored exams, their flags and progress, the key
        // counters and the imported questions all stay.
        if (mode == Mode::ReplacePool) {
            PoolStore::Report report;
            if (!PoolStore::replace(*old, m_questions, &report, &error))
                return fail(QStringLiteral("cannot write the database (%1); nothing was changed.").arg(error));
            m_message = replacedMessage(QDir::toNativeSeparators(target), report, stored);
            return true;
        }
    }

    // Build beside the target and move it into place only when complete.
    const QString temp = target + QStringLiteral(".building");
    QFile::remove(temp);
    QString error;
    {
        auto db = openKeyed(temp, true, &error);
        if (!db)
            return fail(QStringLiteral("cannot create %1: %2").arg(QDir::toNativeSeparators(temp), error));
        bool ok = exec(*db, QStringLiteral("BEGIN"), &error);
        for (const QString &create : ExamSchema::createStatements())
            ok = ok && exec(*db, create, &error);
        SqliteStatement insert(db->get(),
            QStringLiteral("INSERT INTO Q_A (QID, Question, A, B, C, D, CorrectAnswer, "
                           "Category, Description, E, F) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
        SqliteStatement key(
            db->get(), QStringLiteral("INSERT INTO QuestionKeys (QID, StableID, Origin) VALUES (?,?,?)"));
        for (size_t i = 0; ok && i < m_questions.size(); ++i) {
            const Question &q = m_questions[i];
            sqlite3_reset(insert.get());
            const QVariantList values{int(i) + 1, q.question, q.a, q.b, q.c, q.d, q.correct, q.category, q.explanation,
                PoolStore::choiceValue(q.e), PoolStore::choiceValue(q.f)};
            for (int v = 0; v < values.size(); ++v)
                insert.bind(v + 1, values.at(v));
            ok = insert.step() == SQLITE_DONE;
            sqlite3_reset(key.get());
            key.bind(1, int(i) + 1);
            key.bind(2, q.id.isEmpty() ? PoolStore::idFromText(q.question) : q.id);
            key.bind(3, QString::fromLatin1(PoolStore::kShipped));
            ok = ok && key.step() == SQLITE_DONE;
        }
        if (!ok && error.isEmpty())
            error = db->lastMessage();
        ok = ok && exec(*db, QStringLiteral("COMMIT"), &error);
        if (!ok) {
            db.reset();
            QFile::remove(temp);
            return fail(QStringLiteral("cannot write the database: %1").arg(error));
        }
    }
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temp);
        return fail(
            QStringLiteral("cannot move the new database into place at %1").arg(QDir::toNativeSeparators(target)));
    }
    m_message = QStringLiteral("%1 written: %2 questions, %3 stored exam(s) kept.")
                    .arg(QDir::toNativeSeparators(target))
                    .arg(m_questions.size())
                    .arg(0);
    return true;
}

namespace {
// Runs statements in one transaction; false with `error` at the first that fails.
bool runAll(Database &db, const QStringList &statements, QString *error)
{
    DbError failure;
    bool ok = db.begin(&failure);
    for (const QString &sql : statements) {
        if (!ok)
            break;
        ok = db.execute(sql, {}, nullptr, &failure);
    }
    ok = ok && db.commit(&failure);
    if (!ok) {
        db.rollback();
        *error = failure.description;
    }
    return ok;
}
} // namespace

bool PoolBuilder::buildOnServer(
    const QString &dsn, const QString &database, const QString &user, const QString &password, Mode mode)
{
    if (!m_validated && !validate())
        return false;
    QString description = cDBAccess::connectionDescription(3, QString(), database, dsn);
    if (!user.isEmpty())
        description.replace(QStringLiteral(";uid=;pwd=;"),
            QStringLiteral(";uid=%1;pwd=%2;").arg(Connection::quoteValue(user), Connection::quoteValue(password)));
    DbError failure;
    ConnectionPool::setPoolLoad(true);
    const std::shared_ptr<Database> db = ConnectionPool::acquireServer(description, &failure);
    const QString target = database.isEmpty() ? dsn : QStringLiteral("%1 (database %2)").arg(dsn, database);
    if (!db)
        return fail(QStringLiteral("cannot reach the data source %1: %2").arg(target, failure.description));
    QString error;
    const bool exists = db->hasTable(QStringLiteral("ExamTitle"));
    if (exists && mode == Mode::IfAbsent) {
        m_message = QStringLiteral("%1 holds an exam database; left unchanged.").arg(target);
        return true;
    }
    if (!exists && !runAll(*db, ExamSchema::createStatements(SqlDialect::Target::PostgreSql), &error))
        return fail(
            QStringLiteral("cannot create the exam tables on %1 (%2); nothing was changed.").arg(target, error));
    Database::Result count;
    if (!db->query(QStringLiteral("SELECT count(*) FROM ExamTitle"), &count, &failure) || count.rows.empty())
        return fail(QStringLiteral("%1 holds no exam database that can be read (%2); it was left unchanged.")
                        .arg(target, failure.description));
    const qlonglong stored = count.rows.front().front().toLongLong();
    if (stored > 0 && mode != Mode::ReplacePool)
        return fail(QStringLiteral("%1 holds %2 stored exam(s); it was left unchanged. Use --replace-pool to "
                                   "load the new pool and keep the stored exams.")
                        .arg(target)
                        .arg(stored));
    // What a server of an earlier version lacks and what the program's statements need there. The
    // view that stands in for the questions is set aside while the pool is loaded, so that the
    // owner's load reaches the questions themselves and every table it makes goes where the
    // program's statements look.
    if (!runAll(*db,
            ExamSchema::sideTableStatements(SqlDialect::Target::PostgreSql) + ExamSchema::serverUpgradeStatements()
                + ExamSchema::serverSupportStatements() + QStringList{ServerRules::setViewAside()},
            &error))
        return fail(QStringLiteral("cannot write the database %1 (%2); the pool was not changed.").arg(target, error));
    PoolStore::Report report;
    const bool replaced = runAll(*db, {ServerRules::ownerSearchPath()}, &error)
        && PoolStore::replace(*db, m_questions, &report, &error);
    // Then the rules that make the server, not the program, decide who sees and does what: applied
    // whether or not the pool was loaded. Each may run again on a database of an earlier version,
    // and every stored exam stays.
    QString rulesError;
    const bool ruled
        = runAll(*db, QStringList{QStringLiteral("RESET search_path")} + ServerRules::statements(), &rulesError);
    if (!replaced)
        return fail(QStringLiteral("cannot write the database %1 (%2); the pool was not changed.").arg(target, error));
    if (!ruled)
        return fail(QStringLiteral("cannot apply the class's rules to the database %1 (%2).").arg(target, rulesError));
    m_message = replacedMessage(target, report, stored);
    // Rows of an earlier version that the server's constraints would refuse today: kept, and named.
    Database::Result violations;
    if (db->query(ServerRules::constraintViolationsQuery(), &violations, &failure) && !violations.rows.empty()) {
        QStringList lines;
        for (const auto &row : violations.rows)
            lines << row.front().toString();
        m_message += QStringLiteral("\nKept as they are, though the server's rules no longer allow them:\n  %1")
                         .arg(lines.join(QStringLiteral("\n  ")));
    }
    return true;
}
