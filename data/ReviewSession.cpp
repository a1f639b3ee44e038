#include "data/ReviewSession.h"

#include "core/AppExit.h"
#include "data/Connection.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/DbScope.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Recordset.h"
#include "data/ServerRules.h"
#include "data/cDBAccess.h"

ReviewSession::ReviewSession(int pageSize)
    : m_pageSize(pageSize > 0 ? pageSize : kPageSize)
{
}

ReviewSession::~ReviewSession() = default;

// --- The list -----------------------------------------------------------------------------

namespace {
// On a class's server an exam whose time ran out while nobody ended it is scored before it is
// listed or reviewed, so that it reads as every other finished exam.
bool scoreOverdue(cDBAccess &db)
{
    return !ClassroomMode() || db.GetRS(ServerRules::scoreOverdue()) != nullptr;
}
} // namespace

bool ReviewSession::mayDelete()
{
    if (!ClassroomMode())
        return true;
    DbScope scope;
    const std::shared_ptr<Recordset> rs = scope->GetRS(
        QStringLiteral("SELECT CASE WHEN pg_has_role(session_user, '%1', 'MEMBER') THEN 1 ELSE 0 END AS Trainer")
            .arg(QLatin1String(ExamSchema::kTrainerRole)));
    return rs && rs->Fields(QStringLiteral("Trainer")).toInt() == 1;
}

bool ReviewSession::openList()
{
    m_columns.clear();
    m_listed.clear();
    m_more = false;
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    if (!scoreOverdue(*gDB))
        return false;
    gSQL = ExamQueries::examListPage(0, m_pageSize);
    gRs = gDB->GetRS(gSQL);
    if (!gRs)
        return false;
    for (int c = 0; c < gRs->fieldCount(); ++c)
        m_columns.push_back(gRs->column(c));
    addRows(*gRs);
    return true;
}

int ReviewSession::fetchMore(const std::function<void(int first, int last)> &adding)
{
    if (!m_more || m_listed.empty())
        return 0;
    const qint32 last = qint32(m_listed.back().front().toLongLong());
    // A page is read whenever the list is scrolled to its end, maybe while another screen waits
    // in a dialog between statements of gDB: the page is read on an access object of its own.
    std::shared_ptr<Recordset> page;
    {
        cDBAccess db;
        if (db.Open_Connection(gDbProvider, QString(), gDbName, gDSN))
            page = db.GetRS(ExamQueries::examListPage(last, m_pageSize));
    }
    if (!page) {
        m_more = false;
        return 0;
    }
    const int first = listedCount();
    if (page->RecordCount() > 0 && adding)
        adding(first, first + page->RecordCount() - 1);
    addRows(*page);
    return listedCount() - first;
}

void ReviewSession::addRows(const Recordset &page)
{
    for (int r = 0; r < page.RecordCount(); ++r) {
        std::vector<QVariant> row;
        row.reserve(size_t(page.fieldCount()));
        for (int c = 0; c < page.fieldCount(); ++c)
            row.push_back(page.value(r, c));
        m_listed.push_back(std::move(row));
    }
    // A short page is the last; a full one may be too, which the next read finds.
    m_more = page.RecordCount() >= m_pageSize;
}

QString ReviewSession::heading(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[size_t(column)].name : QString();
}

QVariant ReviewSession::listValue(int row, int column) const
{
    if (row < 0 || row >= listedCount() || column < 0 || column >= columnCount())
        return QVariant();
    return m_listed[size_t(row)][size_t(column)];
}

// --- The review ---------------------------------------------------------------------------

bool ReviewSession::review(qint32 examId)
{
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    if (!scoreOverdue(*gDB))
        return false;
    const std::shared_ptr<Connection> connection = gDB->GetConnection();
    const bool choicesEF
        = connection && connection->database() && ExamSchema::hasChoiceColumns(*connection->database());
    gSQL = ExamQueries::examQuestions(examId, true, choicesEF);
    std::shared_ptr<Recordset> rows
        = gDB->GetRS(gSQL, CursorLocation::UseClient, CursorType::Static, LockType::Optimistic, CommandType::Unstated);
    if (!rows)
        return false;
    m_rows = std::move(rows);
    m_shown = m_rows;
    // The flags, where the database has them (a read-only one of an earlier version has not).
    m_flagged.clear();
    gSQL = ExamQueries::tableExists(QStringLiteral("ExamFlags"));
    gRs = gDB->GetRS(gSQL);
    const bool hasFlags = gRs && gRs->Fields(QStringLiteral("Found")).toInt() > 0;
    gRs.reset();
    if (hasFlags) {
        gSQL = ExamQueries::flagsOfExam(examId);
        gRs = gDB->GetRS(gSQL);
        for (; gRs && !gRs->Eof(); gRs->MoveNext())
            m_flagged.insert(gRs->Fields(QStringLiteral("DetailID")).toInt());
        gRs.reset();
    }
    m_practice = Breakdown::isPracticeExam(*gDB, examId);
    if (m_filter != AllQuestions)
        setFilter(m_filter);
    return true;
}

void ReviewSession::closeReview()
{
    m_shown.reset();
    m_rows.reset();
    m_flagged.clear();
    m_practice = false;
}

bool ReviewSession::isFlagged(const QVariant &detailId) const
{
    return detailId.isValid() && m_flagged.count(detailId.toInt()) > 0;
}

Breakdown ReviewSession::breakdown(int passMark) const
{
    Breakdown figures;
    if (m_rows)
        figures = Breakdown::of(*m_rows, passMark);
    figures.passMark = passMark;
    figures.practice = m_rows && m_practice;
    return figures;
}

std::vector<int> ReviewSession::rowsShownBy(int filter) const
{
    std::vector<int> rows;
    if (!m_rows)
        return rows;
    const int detail = m_rows->fieldIndex(QStringLiteral("DetailID"));
    const int answer = m_rows->fieldIndex(QStringLiteral("Answer"));
    const int correct = m_rows->fieldIndex(QStringLiteral("CorrectAnswer"));
    for (int row = 0; row < m_rows->RecordCount(); ++row) {
        const bool keep = filter == WrongOnly
            ? !Breakdown::isCorrect(m_rows->value(row, answer), m_rows->value(row, correct))
            : filter != FlaggedOnly || isFlagged(m_rows->value(row, detail));
        if (keep)
            rows.push_back(row);
    }
    return rows;
}

std::shared_ptr<Recordset> ReviewSession::setFilter(int filter)
{
    if (filter < AllQuestions || filter > FlaggedOnly)
        return m_shown;
    m_filter = filter;
    if (!m_rows)
        return nullptr;
    // The question on screen stays when the new filter keeps it.
    const QVariant onScreen = m_shown ? m_shown->Fields(QStringLiteral("DetailID")) : QVariant();
    m_shown = filter == AllQuestions ? m_rows : m_rows->subset(rowsShownBy(filter));
    const int detail = m_shown->fieldIndex(QStringLiteral("DetailID"));
    for (int row = 0; onScreen.isValid() && row < m_shown->RecordCount(); ++row) {
        if (m_shown->value(row, detail) == onScreen) {
            m_shown->setAbsolutePosition(row + 1);
            break;
        }
    }
    return m_shown;
}

// --- Deleting -----------------------------------------------------------------------------

bool ReviewSession::deleteExam(qint32 examId, QString *failure)
{
    failure->clear();
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    if (AppExit::requested())
        return false;
    // The title and its questions go in one transaction: the exam is removed whole or not at all,
    // whatever fails or is killed in between.
    if (!gDB->BeginBatch()) {
        *failure = gDB->mLastError;
    } else {
        // Its side rows (flags, progress) go first, in the same transaction.
        bool ok = true;
        for (const QString &statement : ExamQueries::deleteSideRows(examId) + ExamQueries::deleteExam(examId)) {
            gSQL = statement;
            ok = ok && gDB->ExecuteSQL(gSQL);
        }
        if (!ok) {
            *failure = gDB->mLastError;
            gDB->RollbackBatch();
        } else if (!gDB->CommitBatch()) {
            *failure = gDB->mLastError;
        }
    }
    gDB.reset();
    return true;
}
