#include "data/ExamSession.h"

#include <algorithm>

#include <QDateTime>

#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "core/UserSettings.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/DbScope.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Mistakes.h"
#include "data/Recordset.h"
#include "data/ServerRules.h"
#include "data/cDBAccess.h"

namespace {
qint64 nowInSeconds()
{
    return Clock::secondsSinceEpoch();
}
} // namespace

ExamSession::~ExamSession()
{
    // A recordset handed out may outlive the session: its write-back no longer calls back into it,
    // asks for a heartbeat, nor reports to it.
    if (m_questions) {
        m_questions->setWriteBackCompanion({});
        m_questions->setRowWriter({});
        m_questions->setWriteBackObserver({});
    }
}

// --- The class's server -------------------------------------------------------------------

std::optional<qint64> ExamSession::callServer(Database &db, const QString &sql, DbError *error)
{
    Database::Result result;
    if (!db.query(sql, &result, error))
        return std::nullopt;
    if (result.rows.empty() || result.rows.front().empty()) {
        *error = DbError{DbError::GenericFailure, QStringLiteral("The server gave no answer to: ") + sql};
        return std::nullopt;
    }
    return result.rows.front().front().toLongLong();
}

std::optional<qint64> ExamSession::callServer(const QString &sql, DbError *error)
{
    // The pool hands out a working connection. One the server has just ended (the trainer ending
    // the candidate's exam ends their sessions) fails once and is then opened anew: the call is
    // made again there, and the server says why. A failure here is the call's to report, never
    // the end of the program.
    const QString description = cDBAccess::connectionDescription(gDbProvider, QString(), gDbName, gDSN);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::shared_ptr<Database> db = ConnectionPool::acquireServer(description, error);
        if (!db)
            return std::nullopt;
        if (const std::optional<qint64> value = callServer(*db, sql, error))
            return value;
        if (db->isUsable())
            break;
    }
    return std::nullopt;
}

std::optional<qint64> ExamSession::callServer(const QString &sql)
{
    DbError error;
    const std::optional<qint64> value = callServer(sql, &error);
    if (!value) {
        m_failure = error.text();
        noteRefusal(error);
    }
    return value;
}

void ExamSession::noteRefusal(const DbError &error)
{
    if (error.state == QLatin1String(ServerRules::kTimeOver))
        m_serverEnd = ServerEnd::TimeOver;
    else if (error.state == QLatin1String(ServerRules::kEndedByTrainer))
        m_serverEnd = ServerEnd::EndedByTrainer;
}

bool ExamSession::createOnServer(int count, const ExamDraw::Ticked &ticked, bool practise)
{
    QList<int> indices;
    for (int i = 0; i < int(ticked.size()); ++i) {
        if (ticked[size_t(i)])
            indices << i;
    }
    // The server draws, dates the exam by its clock and starts its deadline.
    const std::optional<qint64> exam = callServer(ServerRules::startExam(indices, count, practise, RunToken()));
    if (!exam) {
        m_drawShortage = m_failure && m_failure->contains(QLatin1String("not enough questions to draw from"));
        return false;
    }
    m_lastBeat = nowInSeconds();
    m_examId = qint32(*exam);
    return true;
}

bool ExamSession::writeAnswer(int row, DbError *error)
{
    const qint32 detail = m_questions->value(row, m_questions->fieldIndex(QStringLiteral("DetailID"))).toInt();
    const QString letters = m_questions->value(row, m_questions->fieldIndex(QStringLiteral("Answer"))).toString();
    DbError failure;
    const std::optional<qint64> left = callServer(ServerRules::answer(detail, letters), &failure);
    if (!left) {
        noteRefusal(failure);
        *error = failure;
        return false;
    }
    // The screen's clock follows the server's.
    gTimeLeft = int(*left);
    m_lastBeat = nowInSeconds();
    return true;
}

// --- Set-up -------------------------------------------------------------------------------

int ExamSession::timeAllowed(int count)
{
    const int minutes = count * 6 / 5;
    return minutes == 60 ? 59 * 60 + 59 : minutes * 60;
}

QString ExamSession::signedInUser()
{
    DbScope scope;
    return scope.isOpen() ? scope->GetConnection()->userName() : QString();
}

ExamSession::DrawCheck ExamSession::checkDraw(
    int count, const ExamDraw::Ticked &ticked, const std::optional<QString> &practiseName)
{
    DrawCheck check;
    if (practiseName && ClassroomMode()) {
        // The server counts the signed-in candidate's mistakes: the keys are its to keep.
        DbScope scope;
        const std::shared_ptr<Recordset> rs = scope->GetRS(ServerRules::mistakeCounts());
        if (!rs)
            return check;
        ExamDraw::Stock stock{};
        int total = 0;
        const QStringList categories = ExamSchema::categories();
        for (; !rs->Eof(); rs->MoveNext()) {
            const int questions = rs->Fields(QStringLiteral("Questions")).toInt();
            total += questions;
            const int index = int(categories.indexOf(rs->Fields(QStringLiteral("Category")).toString()));
            if (index >= 0)
                stock[size_t(index)].count = questions;
        }
        check.read = true;
        check.noMistakes = total == 0;
        if (!check.noMistakes)
            check.shortage = ExamDraw::findShortage(count, ticked, stock, total);
        return check;
    }
    if (practiseName) {
        const Mistakes mistakes = [&] {
            DbScope scope;
            return Mistakes::of(scope.db(), *practiseName);
        }();
        std::optional<ExamDraw::Lists> lists;
        if (!AppExit::requested()) {
            DbScope scope;
            lists = drawableMistakes(scope.db(), mistakes);
        }
        check.read = lists.has_value();
        check.noMistakes = check.read && ExamDraw::poolSizeOf(*lists) == 0;
        if (check.read && !check.noMistakes)
            check.shortage
                = ExamDraw::findShortage(count, ticked, ExamDraw::stockOf(*lists), ExamDraw::poolSizeOf(*lists));
        return check;
    }
    DbScope scope;
    const std::optional<ExamDraw::Lists> drawable = drawableQuestions(scope.db());
    if (!drawable)
        return check;
    check.read = true;
    check.shortage
        = ExamDraw::findShortage(count, ticked, ExamDraw::stockOf(*drawable), ExamDraw::poolSizeOf(*drawable));
    return check;
}

// --- Creation -----------------------------------------------------------------------------

std::optional<ExamDraw::Lists> ExamSession::drawableQuestions(cDBAccess &db)
{
    const std::shared_ptr<Recordset> rs = db.GetRS(ExamQueries::poolInOrder());
    if (!rs)
        return std::nullopt;
    // A first-version file that cannot be written has no retired mark: every question is drawn.
    const int retired = rs->fieldIndex(ExamSchema::retiredColumn());
    const int qid = rs->fieldIndex(QStringLiteral("QID"));
    const int category = rs->fieldIndex(QStringLiteral("Category"));
    const QStringList categories = ExamSchema::categories();
    ExamDraw::Lists lists;
    for (int row = 0; row < rs->RecordCount(); ++row) {
        if (retired >= 0 && rs->value(row, retired).toLongLong() != 0)
            continue;
        const int index = int(categories.indexOf(rs->value(row, category).toString()));
        if (index >= 0)
            lists[size_t(index)].push_back(rs->value(row, qid).toInt());
    }
    return lists;
}

std::optional<ExamDraw::Lists> ExamSession::drawableMistakes(cDBAccess &db, const Mistakes &mistakes)
{
    const std::optional<ExamDraw::Lists> drawable = drawableQuestions(db);
    if (!drawable)
        return std::nullopt;
    ExamDraw::Lists lists;
    for (size_t c = 0; c < lists.size(); ++c) {
        for (const int qid : mistakes.byCategory[c]) {
            if (std::find((*drawable)[c].begin(), (*drawable)[c].end(), qid) != (*drawable)[c].end())
                lists[c].push_back(qid);
        }
    }
    return lists;
}

bool ExamSession::create(const QString &userName, int count, const ExamDraw::Ticked &ticked, bool practise)
{
    m_examId = 0;
    m_failure.reset();
    m_drawShortage = false;
    m_serverEnd = ServerEnd::None;
    if (ClassroomMode())
        return createOnServer(count, ticked, practise);
    DbScope scope;
    if (AppExit::requested())
        return false;
    // Nothing of a half-stored exam stays behind.
    const auto failCreation = [this, &scope](const QString &reason) {
        m_failure = reason;
        scope->RollbackBatch();
        return false;
    };
    // The exam is stored whole or not at all, with one sync of the file.
    scope->BeginBatch();
    // ISO 8601 reads back as the same moment whatever the locale.
    const QString now = Clock::now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!scope->ExecuteSQL(ExamQueries::insertExam(userName, now, count)))
        return failCreation(scope->mLastError);
    // The key this insert was given, read on the same connection.
    const std::shared_ptr<Recordset> key = scope->GetRS(ExamQueries::lastIdentity());
    if (!key)
        return false; // reported; the scope's end rolls the batch back
    const qint32 examId = qint32(key->value(0, 0).toLongLong());

    std::mt19937 rng = ExamDraw::seededFromClock();
    std::vector<int> drawn;
    if (practise) {
        // From the candidate's mistakes still drawn, and marked as a practice exam in the same
        // transaction.
        const std::optional<ExamDraw::Lists> lists = drawableMistakes(scope.db(), Mistakes::of(scope.db(), userName));
        if (!lists)
            return false; // reported; the scope's end rolls the batch back
        drawn = ExamDraw::drawFromLists(count, ticked, *lists, rng);
        if (!scope->ExecuteSQL(ExamQueries::markPractice(examId)))
            return failCreation(scope->mLastError);
    } else {
        // Retired questions are left out, so the questions of a category need not be one run of QIDs.
        const std::optional<ExamDraw::Lists> lists = drawableQuestions(scope.db());
        if (!lists || AppExit::requested())
            return false;
        drawn = ExamDraw::drawFromLists(count, ticked, *lists, rng);
    }
    for (const int qid : drawn) {
        if (qid == 0)
            return failCreation(QStringLiteral("not enough questions to draw from"));
        if (!scope->ExecuteSQL(ExamQueries::insertExamQuestion(examId, userName, qid)))
            return failCreation(scope->mLastError);
    }
    // Its progress row: a crash from here on leaves an exam that can be continued.
    m_lastBeat = nowInSeconds();
    if (!scope->ExecuteSQL(ExamQueries::createProgress(examId, gTimeLeft, m_lastBeat, RunToken())))
        return failCreation(scope->mLastError);
    if (!scope->CommitBatch())
        return failCreation(scope->mLastError);
    m_examId = examId;
    return true;
}

// --- Questions ----------------------------------------------------------------------------

std::shared_ptr<Database> ExamSession::reachable()
{
    Connection connection;
    DbError ignored;
    if (!connection.open(cDBAccess::connectionDescription(gDbProvider, gDbPath, gDbName, gDSN), &ignored))
        return nullptr;
    return connection.database();
}

std::shared_ptr<Recordset> ExamSession::openQuestions()
{
    m_unstored.clear();
    m_storeNotice.reset();
    m_failing = false;
    m_justUnreachable = false;
    {
        DbScope scope;
        if (!ClassroomMode()) {
            const std::shared_ptr<Connection> connection = scope->GetConnection();
            const bool choicesEF
                = connection && connection->database() && ExamSchema::hasChoiceColumns(*connection->database());
            m_questions = scope->GetRS(ExamQueries::examQuestions(m_examId, false, choicesEF),
                CursorLocation::UseClient, CursorType::Static, LockType::Optimistic, CommandType::Unstated);
        } else {
            m_questions = scope->GetRS(ExamQueries::runningExamQuestions(m_examId), CursorLocation::UseClient,
                CursorType::Static, LockType::Optimistic, CommandType::Unstated);
        }
    }
    if (!m_questions)
        return nullptr;
    // On a class's server the screen binds the rows as on the file; their answers go to the
    // server's function, which takes a fresh connection itself when the old one is gone.
    if (ClassroomMode())
        m_questions->setRowWriter([this](Database &, int row, DbError *error) { return writeAnswer(row, error); });
    // An answer whose connection was lost goes again on a fresh one from the pool; no box from
    // here: the screen tells the candidate, and the exam goes on.
    m_questions->setReconnect(&ExamSession::reachable);
    m_questions->setWriteBackObserver([this](int row, const DbError *failure) {
        const QVariant detail = m_questions->value(row, m_questions->fieldIndex(QStringLiteral("DetailID")));
        if (detail.isValid())
            noteStore(detail.toInt(), failure);
    });
    return m_questions;
}

bool ExamSession::readSideTables()
{
    DbScope scope;
    bool found = true;
    for (const QString &table : {QStringLiteral("ExamProgress"), QStringLiteral("ExamFlags")}) {
        const std::shared_ptr<Recordset> rs = scope->GetRS(ExamQueries::tableExists(table));
        found = found && rs && rs->Fields(QStringLiteral("Found")).toInt() > 0;
    }
    m_sideTables = found;
    return found;
}

bool ExamSession::openSideTables()
{
    m_flagged.clear();
    if (!readSideTables() || !m_questions)
        return false;
    DbScope scope;
    const std::shared_ptr<Recordset> rs = scope->GetRS(ExamQueries::flagsOfExam(m_examId));
    for (; rs && !rs->Eof(); rs->MoveNext())
        m_flagged.insert(rs->Fields(QStringLiteral("DetailID")).toInt());
    // The heartbeat rides in each answer's own transaction: no extra sync of the file. On a
    // server each answer call is a heartbeat of its own.
    if (!ClassroomMode())
        m_questions->setWriteBackCompanion([this] { return progressStatement(); });
    return true;
}

void ExamSession::moveToFirstUnanswered()
{
    const int answered = m_questions->fieldIndex(QStringLiteral("Answered"));
    for (int row = 0; row < m_questions->RecordCount(); ++row) {
        const QVariant value = m_questions->value(row, answered);
        if (value.isNull() || value.toLongLong() == 0) {
            m_questions->setAbsolutePosition(row + 1);
            return;
        }
    }
}

ExamSession::StoreResult ExamSession::storeAnswer()
{
    if (!m_questions || m_questions->Update())
        return StoreResult::Stored;
    return m_questions->lastError().unreachable ? StoreResult::NotStored : StoreResult::Refused;
}

ExamSession::StoreResult ExamSession::retryUnstored(bool refusedToo)
{
    if (!m_questions || m_unstored.empty())
        return StoreResult::Stored;
    const bool waitForNext = m_justUnreachable;
    m_justUnreachable = false;
    if (!waitForNext) {
        const int detailField = m_questions->fieldIndex(QStringLiteral("DetailID"));
        for (int row = 0; row < m_questions->RecordCount(); ++row) {
            const auto found = m_unstored.find(m_questions->value(row, detailField).toInt());
            if (found == m_unstored.end() || (found->second == StoreResult::Refused && !refusedToo))
                continue;
            if (!m_questions->isRowDirty(row)) {
                m_unstored.erase(found); // nothing of it is left to store
                continue;
            }
            // The database is still out of reach: the others wait for the next try.
            if (!m_questions->updateRow(row) && m_questions->lastError().unreachable)
                break;
        }
        m_justUnreachable = false;
    }
    bool refused = false;
    for (const auto &entry : m_unstored) {
        if (entry.second == StoreResult::NotStored)
            return StoreResult::NotStored;
        refused = true;
    }
    return refused ? StoreResult::Refused : StoreResult::Stored;
}

void ExamSession::noteStore(qint32 detailId, const DbError *failure)
{
    if (!failure) {
        m_unstored.erase(detailId);
        m_failing = false;
        return;
    }
    m_unstored[detailId] = failure->unreachable ? StoreResult::NotStored : StoreResult::Refused;
    m_storeFailure = failure->text();
    m_justUnreachable = m_justUnreachable || failure->unreachable;
    if (!m_failing)
        m_storeNotice = m_storeFailure;
    m_failing = true;
}

bool ExamSession::isUnstored(int row) const
{
    const QVariant detail
        = m_questions ? m_questions->value(row, m_questions->fieldIndex(QStringLiteral("DetailID"))) : QVariant();
    return detail.isValid() && m_unstored.count(detail.toInt()) > 0;
}

std::optional<QString> ExamSession::takeStoreNotice()
{
    std::optional<QString> notice;
    notice.swap(m_storeNotice);
    return notice;
}

int ExamSession::unanswered()
{
    // On the file every answer of the exam is written through the session's recordset, which
    // keeps what was stored: the count needs no query at each move. On a class's server the
    // server counts.
    const int answered = m_questions ? m_questions->fieldIndex(QStringLiteral("Answered")) : -1;
    if (answered >= 0 && m_questions->isUpdatable() && !ClassroomMode()) {
        int left = 0;
        for (int row = 0; row < m_questions->RecordCount(); ++row) {
            const QVariant stored = m_questions->storedValue(row, answered);
            if (!stored.isNull() && stored.toLongLong() == 0)
                ++left;
        }
        return left;
    }
    // While answers wait to be stored the database may be out of reach: the count waits with
    // them instead of ending the program.
    if (hasUnstored()) {
        const std::shared_ptr<Database> db = reachable();
        Database::Result result;
        DbError ignored;
        if (!db || !db->query(db->translate(ExamQueries::unansweredOf(m_examId)), &result, &ignored))
            return -1;
        return int(result.rows.size());
    }
    DbScope scope;
    const std::shared_ptr<Recordset> rs = scope->GetRS(ExamQueries::unansweredOf(m_examId));
    return rs ? rs->RecordCount() : -1;
}

// --- Flags --------------------------------------------------------------------------------

bool ExamSession::canFlag() const
{
    return m_sideTables && m_questions && m_questions->Fields(QStringLiteral("DetailID")).isValid();
}

bool ExamSession::isFlagged(int row) const
{
    const QVariant detail
        = m_questions ? m_questions->value(row, m_questions->fieldIndex(QStringLiteral("DetailID"))) : QVariant();
    return detail.isValid() && m_flagged.count(detail.toInt()) > 0;
}

bool ExamSession::setFlag(bool flagged)
{
    m_failure.reset();
    const qint32 detail = m_questions->Fields(QStringLiteral("DetailID")).toInt();
    if (ClassroomMode()) {
        const std::optional<qint64> left = callServer(ServerRules::flag(detail, flagged));
        if (!left)
            return false;
        gTimeLeft = int(*left);
    } else if (DbScope scope; !scope->ExecuteSQL(ExamQueries::setFlag(detail, flagged))) {
        m_failure = scope->mLastError;
        return false;
    }
    if (flagged)
        m_flagged.insert(detail);
    else
        m_flagged.erase(detail);
    return true;
}

// --- Heartbeat ----------------------------------------------------------------------------

QString ExamSession::progressStatement()
{
    if (m_examId == 0 || !m_sideTables)
        return QString();
    m_lastBeat = nowInSeconds();
    return ExamQueries::updateProgress(m_examId, gTimeLeft, m_lastBeat, RunToken());
}

bool ExamSession::heartbeatDue() const
{
    return nowInSeconds() - m_lastBeat >= kHeartbeatSeconds;
}

void ExamSession::heartbeat()
{
    if (ClassroomMode()) {
        // The server's clock: the time left as it counts it, or the refusal that ends the exam.
        if (m_examId == 0)
            return;
        m_lastBeat = nowInSeconds();
        if (const std::optional<qint64> left = callServer(ServerRules::heartbeat(m_examId, RunToken())))
            gTimeLeft = int(*left);
        return;
    }
    const QString sql = progressStatement();
    if (sql.isEmpty())
        return;
    // A connection of its own, not gDB: a heartbeat may come while another screen's box waits in
    // the middle of that screen's use of gDB. A database out of reach misses it and says nothing:
    // a failure of an answer is told where the answer is stored.
    // Never inside another's transaction on the shared connection: that one is left alone.
    if (const std::shared_ptr<Database> db = reachable(); db && !db->inTransaction()) {
        DbError ignored;
        db->execute(db->translate(sql), {}, nullptr, &ignored);
    }
}

// --- Continuing an exam -------------------------------------------------------------------

namespace {
// The exam a query of offers found, on the row it stands on.
ExamSession::Offer offerOf(const Recordset &rs)
{
    ExamSession::Offer offer;
    offer.examId = rs.Fields(QStringLiteral("ExamID")).toInt();
    offer.userName = rs.Fields(QStringLiteral("UserName")).toString();
    offer.examDate = rs.Fields(QStringLiteral("ExamDate")).toString();
    offer.count = rs.Fields(QStringLiteral("NumOfQuestions")).toInt();
    offer.timeLeft = qMax(0, rs.Fields(QStringLiteral("TimeLeft")).toInt());
    return offer;
}
} // namespace

std::optional<ExamSession::Offer> ExamSession::findOfferOnServer()
{
    // What is past its deadline is scored as it stands, never offered.
    if (!callServer(ServerRules::scoreOverdue()))
        return std::nullopt;
    DbScope scope;
    const std::shared_ptr<Recordset> rs = scope->GetRS(ExamQueries::serverOffer(kStaleSeconds));
    if (!rs || rs->Eof())
        return std::nullopt;
    const Offer offer = offerOf(*rs);
    UserSettings::setEndedRun(QString());
    return offer;
}

std::optional<ExamSession::Offer> ExamSession::findOffer(const QString &userName)
{
    if (!readSideTables())
        return std::nullopt;
    if (ClassroomMode())
        return findOfferOnServer();
    const qint64 now = nowInSeconds();
    // A run that ended through a failure left its exam at once.
    m_endedRun = UserSettings::endedRun();
    Offer offer;
    {
        DbScope scope;
        const std::shared_ptr<Recordset> rs
            = scope->GetRS(ExamQueries::staleExam(now - kStaleSeconds, m_endedRun, userName));
        if (!rs || rs->Eof())
            return std::nullopt;
        offer = offerOf(*rs);
    }
    UserSettings::setEndedRun(QString());
    return offer;
}

bool ExamSession::claim(const Offer &offer)
{
    if (ClassroomMode()) {
        // This run's heartbeat takes it over; the server's clock says what is left.
        m_serverEnd = ServerEnd::None;
        const std::optional<qint64> left = callServer(ServerRules::heartbeat(offer.examId, RunToken()));
        if (!left)
            return false;
        gTimeLeft = int(*left);
        m_lastBeat = nowInSeconds();
        m_examId = offer.examId;
        return true;
    }
    // One statement takes it over, and only while it is still left behind.
    const qint64 claimed = nowInSeconds();
    DbScope scope;
    const QString sql
        = ExamQueries::claimProgress(offer.examId, claimed, RunToken(), claimed - kStaleSeconds, m_endedRun);
    if (!scope->ExecuteSQL(sql) || scope->mRecordsAffected != 1)
        return false;
    m_lastBeat = claimed;
    m_examId = offer.examId;
    return true;
}

// --- Scoring ------------------------------------------------------------------------------

bool ExamSession::score(qint32 examId)
{
    m_failure.reset();
    // On a class's server the server counts the stored answers and ends the exam's progress.
    if (ClassroomMode())
        return callServer(ServerRules::scoreExam(examId)).has_value();
    DbScope scope;
    const QString sql = ExamQueries::scoreExam();
    const QVariantList values{examId};
    // The score and the end of the exam's progress row are stored together, with one sync: a
    // scored exam is never continued.
    const bool batch = m_sideTables && scope->BeginBatch();
    bool stored = scope->ExecuteSQL(sql, values);
    if (stored && batch)
        stored = scope->ExecuteSQL(ExamQueries::deleteProgress(examId)) && scope->CommitBatch();
    if (!stored) {
        m_failure = scope->mLastError;
        scope->RollbackBatch();
    }
    return stored;
}
