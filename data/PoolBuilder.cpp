#include "data/PoolBuilder.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <set>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

#include "data/ConnectionPool.h"
#include "data/ExamSchema.h"
#include "data/PoolReader.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"

namespace {
struct StoredExams
{
    struct Title
    {
        QVariant id, user, date, count, result;
    };
    struct Detail
    {
        QVariant id, examId, user, qid, answer, answered;
        QString question;
    };
    std::vector<Title> titles;
    std::vector<Detail> details;
    std::vector<std::pair<QString, qlonglong>> sequences;
};

std::unique_ptr<SqliteHandle> openKeyed(const QString &path, bool create, QString *error)
{
    sqlite3 *raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    auto db = std::make_unique<SqliteHandle>(raw);
    if (rc != SQLITE_OK) {
        *error = db->lastMessage();
        return nullptr;
    }
    const QByteArray key = QByteArray("PRAGMA key = '") + cDBAccess::kDatabasePassword + "';";
    if (sqlite3_exec(raw, key.constData(), nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        *error = db->lastMessage();
        return nullptr;
    }
    return db;
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

bool readStoredExams(SqliteHandle &db, StoredExams *exams, QString *error)
{
    SqliteStatement titles(db.get(), QStringLiteral("SELECT ExamID, UserName, ExamDate, NumOfQuestions, "
                                                    "ExamResult FROM ExamTitle ORDER BY ExamID"));
    SqliteStatement details(db.get(), QStringLiteral("SELECT d.DetailID, d.ExamID, d.UserName, d.QID, d.Answer, "
                                                     "d.Answered, q.Question FROM ExamDetails d LEFT JOIN Q_A q "
                                                     "ON q.QID = d.QID ORDER BY d.DetailID"));
    SqliteStatement sequences(db.get(), QStringLiteral("SELECT name, seq FROM sqlite_sequence"));
    if (!titles.isValid() || !details.isValid() || !sequences.isValid()) {
        *error = db.lastMessage();
        return false;
    }
    while (titles.step() == SQLITE_ROW)
        exams->titles.push_back({titles.column(0), titles.column(1), titles.column(2), titles.column(3),
                                 titles.column(4)});
    while (details.step() == SQLITE_ROW)
        exams->details.push_back({details.column(0), details.column(1), details.column(2), details.column(3),
                                  details.column(4), details.column(5), details.column(6).toString()});
    while (sequences.step() == SQLITE_ROW)
        exams->sequences.emplace_back(sequences.column(0).toString(), sequences.column(1).toLongLong());
    return true;
}

int storedExamCount(SqliteHandle &db)
{
    SqliteStatement count(db.get(), QStringLiteral("SELECT count(*) FROM ExamTitle"));
    return count.isValid() && count.step() == SQLITE_ROW ? count.column(0).toInt() : -1;
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
    m_questions.insert(m_questions.end(), std::make_move_iterator(questions.begin()),
                       std::make_move_iterator(questions.end()));
    return reader.ok();
}

bool PoolBuilder::validate()
{
    const QStringList categories = ExamSchema::categories();
    std::set<QString> seen;
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
        if (!q.d.trimmed().isEmpty() && q.c.trimmed().isEmpty())
            ok = fault([] { return QStringLiteral("choice D is given without choice C"); });
        const QStringList letters{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};
        const int letter = letters.indexOf(q.correct);
        if (letter < 0) {
            ok = fault([&] {
                return QStringLiteral("the correct letter %1 is not one of A, B, C, D")
                    .arg(PoolReader::quoted(q.correct));
            });
        } else {
            const QString choice = QStringList{q.a, q.b, q.c, q.d}.at(letter);
            if (choice.trimmed().isEmpty())
                ok = fault(
                    [&] { return QStringLiteral("the correct letter %1 points at an empty choice").arg(q.correct); });
        }
        if (!q.question.trimmed().isEmpty() && !seen.insert(q.question.trimmed()).second)
            ok = fault([] { return QStringLiteral("the same question text appears twice"); });
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

    StoredExams exams;
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
        // Even with every exam deleted, a replaced pool keeps the key counters.
        if (mode == Mode::ReplacePool && !readStoredExams(*old, &exams, &error))
            return fail(QStringLiteral("cannot read the stored exams: %1").arg(error));
    }

    // New numbers of the same question texts; every stored question must still be in the pool.
    std::map<QString, int> newQid;
    for (size_t i = 0; i < m_questions.size(); ++i)
        newQid[m_questions[i].question.trimmed()] = int(i) + 1;
    for (const StoredExams::Detail &d : exams.details) {
        if (newQid.find(d.question.trimmed()) == newQid.end())
            return fail(QStringLiteral("exam %1 uses question %2 (%3), which is not in the new pool; nothing was "
                                       "changed.")
                            .arg(d.examId.toString(), d.qid.toString(), PoolReader::quoted(d.question)));
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
        SqliteStatement insert(db->get(), QStringLiteral("INSERT INTO Q_A (QID, Question, A, B, C, D, CorrectAnswer, "
                                                         "Category, Description) VALUES (?,?,?,?,?,?,?,?,?)"));
        for (size_t i = 0; ok && i < m_questions.size(); ++i) {
            const Question &q = m_questions[i];
            sqlite3_reset(insert.get());
            const QVariantList values{int(i) + 1, q.question, q.a, q.b, q.c, q.d, q.correct, q.category, q.explanation};
            for (int v = 0; v < values.size(); ++v)
                insert.bind(v + 1, values.at(v));
            ok = insert.step() == SQLITE_DONE;
        }
        SqliteStatement title(db->get(), QStringLiteral("INSERT INTO ExamTitle (ExamID, UserName, ExamDate, "
                                                        "NumOfQuestions, ExamResult) VALUES (?,?,?,?,?)"));
        for (const StoredExams::Title &t : exams.titles) {
            sqlite3_reset(title.get());
            const QVariantList values{t.id, t.user, t.date, t.count, t.result};
            for (int v = 0; v < values.size(); ++v)
                title.bind(v + 1, values.at(v));
            ok = ok && title.step() == SQLITE_DONE;
        }
        SqliteStatement detail(db->get(), QStringLiteral("INSERT INTO ExamDetails (DetailID, ExamID, UserName, QID, "
                                                         "Answer, Answered) VALUES (?,?,?,?,?,?)"));
        for (const StoredExams::Detail &d : exams.details) {
            sqlite3_reset(detail.get());
            const QVariantList values{d.id, d.examId, d.user, newQid[d.question.trimmed()], d.answer, d.answered};
            for (int v = 0; v < values.size(); ++v)
                detail.bind(v + 1, values.at(v));
            ok = ok && detail.step() == SQLITE_DONE;
        }
        // Keys of deleted exams are never handed out again.
        for (const auto &sequence : exams.sequences) {
            SqliteStatement seq(db->get(), QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?"));
            seq.bind(1, sequence.second);
            seq.bind(2, sequence.first);
            ok = ok && seq.step() == SQLITE_DONE;
            SqliteStatement add(db->get(), QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT ?, ? WHERE "
                                                          "NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = ?)"));
            add.bind(1, sequence.first);
            add.bind(2, sequence.second);
            add.bind(3, sequence.first);
            ok = ok && add.step() == SQLITE_DONE;
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
        return fail(QStringLiteral("cannot move the new database into place at %1").arg(QDir::toNativeSeparators(target)));
    }
    m_message = QStringLiteral("%1 written: %2 questions, %3 stored exam(s) kept.")
                    .arg(QDir::toNativeSeparators(target))
                    .arg(m_questions.size())
                    .arg(exams.titles.size());
    return true;
}
