#include "data/ExamSession.h"

#include <algorithm>

#include <QDateTime>

#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "core/UserSettings.h"
#include "data/Connection.h"
#include "data/DataGlobals.h"
#include "data/DbScope.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Mistakes.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"

namespace {
qint64 nowInSeconds()
{
    return Clock::now().toSecsSinceEpoch();
}
} // namespace

ExamSession::~ExamSession()
{
    // A recordset handed out may outlive the session: its write-back no longer asks for a heartbeat.
    if (m_questions)
        m_questions->setWriteBackCompanion({});
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
    return gConnection ? gConnection->userName() : QString();
}

ExamSession::DrawCheck ExamSession::checkDraw(
    int count, const ExamDraw::Ticked &ticked, const std::optional<QString> &practiseName)
{
    DrawCheck check;
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
    const std::shared_ptr<Recordset> rs = db.GetRS(ExamQueries::poolInOrder(), 3, 0, 1, 1);
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
    const std::shared_ptr<Recordset> key = scope->GetRS(ExamQueries::lastIdentity(), 3, 0, 1, 1);
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

std::shared_ptr<Recordset> ExamSession::openQuestions()
{
    DbScope scope;
    m_questions = scope->GetRS(ExamQueries::examQuestions(m_examId, false), 3, 3, 3, 0);
    return m_questions;
}

bool ExamSession::readSideTables()
{
    DbScope scope;
    bool found = true;
    for (const QString &table : {QStringLiteral("ExamProgress"), QStringLiteral("ExamFlags")}) {
        const std::shared_ptr<Recordset> rs = scope->GetRS(ExamQueries::tableExists(table), 3, 0, 1, 1);
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
    const std::shared_ptr<Recordset> rs = scope->GetRS(ExamQueries::flagsOfExam(m_examId), 3, 0, 1, 1);
    for (; rs && !rs->Eof(); rs->MoveNext())
        m_flagged.insert(rs->Fields(QStringLiteral("DetailID")).toInt());
    // The heartbeat rides in each answer's own transaction: no extra sync of the file.
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

bool ExamSession::storeAnswer()
{
    return m_questions && m_questions->Update();
}

int ExamSession::unanswered()
{
    DbScope scope;
    const std::shared_ptr<Recordset> rs = scope->GetRS(ExamQueries::unansweredOf(m_examId), 3, 0, 1, 1);
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
    DbScope scope;
    if (!scope->ExecuteSQL(ExamQueries::setFlag(detail, flagged))) {
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
    const QString sql = progressStatement();
    if (sql.isEmpty())
        return;
    // An access object of its own, not gDB: a heartbeat may come while another screen's box waits
    // in the middle of that screen's use of gDB. A write failure of an answer is reported where the
    // answer is stored.
    cDBAccess db;
    if (db.Open_Connection(gDbProvider, QString(), gDbName, gDSN))
        db.ExecuteSQL(sql);
}

// --- Continuing an exam -------------------------------------------------------------------

std::optional<ExamSession::Offer> ExamSession::findOffer(const QString &userName)
{
    if (!readSideTables())
        return std::nullopt;
    const qint64 now = nowInSeconds();
    // A run that ended through a failure left its exam at once.
    m_endedRun = UserSettings::endedRun();
    Offer offer;
    {
        DbScope scope;
        const std::shared_ptr<Recordset> rs
            = scope->GetRS(ExamQueries::staleExam(now - kStaleSeconds, m_endedRun, userName), 3, 0, 1, 1);
        if (!rs || rs->Eof())
            return std::nullopt;
        offer.examId = rs->Fields(QStringLiteral("ExamID")).toInt();
        offer.userName = rs->Fields(QStringLiteral("UserName")).toString();
        offer.examDate = rs->Fields(QStringLiteral("ExamDate")).toString();
        offer.count = rs->Fields(QStringLiteral("NumOfQuestions")).toInt();
        offer.timeLeft = qMax(0, rs->Fields(QStringLiteral("TimeLeft")).toInt());
    }
    UserSettings::setEndedRun(QString());
    return offer;
}

bool ExamSession::claim(const Offer &offer)
{
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
    DbScope scope;
    // A candidate may not write a score on a class's server: the server counts it from the stored
    // answers.
    const bool onServer = ClassroomMode();
    const QString sql = onServer ? ExamSchema::scoreOnServer(examId) : ExamQueries::scoreExam();
    const QVariantList values = onServer ? QVariantList() : QVariantList{examId};
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
