#pragma once

#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include <QDateTime>
#include <QString>

#include "data/ExamDraw.h"

class Database;
struct Mistakes;
class Recordset;
class cDBAccess;
struct DbError;

// One exam's database work, with no window: the draw and the stored exam, its questions (the
// recordset a screen binds, whose write-back stores the answers), flags, the heartbeat, taking
// over an exam a stopped run left, the count of questions left and the score. Its statements come
// from ExamQueries. On a class's server the server's own functions (ServerRules) draw, date, take
// the answers and flags, keep the clock and score: the session calls them and writes no table.
// Each step opens the program's database in a DbScope of its own and leaves gDB unset.
//
// A step that fails returns false (or nothing); failure() then holds what the candidate is to be
// told, and is unset when the failure was reported already and the program is ending.
class ExamSession final {
public:
    // A running exam stores its heartbeat this often; one older than kStaleSeconds was left by a
    // program that is no longer running.
    static constexpr qint64 kHeartbeatSeconds = 30;
    static constexpr qint64 kStaleSeconds = 90;

    // An unscored exam a stopped run left, to be continued or scored as it stands.
    struct Offer {
        qint32 examId = 0;
        QString userName;
        QString examDate; // as stored: yyyy-MM-dd hh:mm:ss
        int count = 0;
        int timeLeft = 0; // seconds

        QDateTime started() const { return QDateTime::fromString(examDate, QStringLiteral("yyyy-MM-dd hh:mm:ss")); }
    };

    // How the server ended the exam under the candidate, when it did.
    enum class ServerEnd { None, TimeOver, EndedByTrainer };

    ExamSession() = default;
    ~ExamSession();
    Q_DISABLE_COPY_MOVE(ExamSession)

    // Whether a draw can fill an exam: what stands in its way.
    struct DrawCheck {
        bool read = false; // false: the questions could not be read (reported; the program is ending)
        bool noMistakes = false; // drawing from mistakes, and the candidate has none
        std::optional<ExamDraw::Shortage> shortage; // the first category, or the pool, too short
    };

    // --- Set-up
    // The time an exam of `count` questions gets, in seconds: 1.2 minutes a question (12, 36 or 60
    // minutes), an hour one second short, as the clock shows minutes and seconds only.
    static int timeAllowed(int count);
    // Who the server's connection is signed in as; empty for a file.
    static QString signedInUser();
    // Whether `count` questions can be drawn from the ticked categories of the pool or, with
    // `practiseName`, from the questions that candidate (named exactly as written) last got wrong.
    static DrawCheck checkDraw(int count, const ExamDraw::Ticked &ticked, const std::optional<QString> &practiseName);

    // --- The exam
    // Draws and stores a new exam in one transaction: its title, its questions, the practice mark
    // when drawn from the candidate's mistakes, and its progress row holding gTimeLeft. Nothing of
    // it stays behind when a step fails.
    bool create(const QString &userName, int count, const ExamDraw::Ticked &ticked, bool practise);
    // The exam this session runs; 0 before one is created or taken over.
    qint32 examId() const { return m_examId; }
    const std::optional<QString> &failure() const { return m_failure; }
    // Whether the last failed create was the server refusing a draw it could not fill.
    bool drawShortage() const { return m_drawShortage; }
    // Set once a call to the server was refused because the exam's time is over or the trainer
    // ended it; the screen then ends the exam.
    ServerEnd serverEnd() const { return m_serverEnd; }

    // Reads the exam's questions into an updatable recordset: a changed row is written back when
    // the cursor leaves it. Null when they could not be read.
    std::shared_ptr<Recordset> openQuestions();
    std::shared_ptr<Recordset> questions() const { return m_questions; }
    // Reads the flags, and has every write-back carry the heartbeat, where the database has the side
    // tables (a read-only one of the first version has none). Returns whether it has them.
    bool openSideTables();
    bool hasSideTables() const { return m_sideTables; }
    // Moves to the first question not answered yet, where a continued exam goes on.
    void moveToFirstUnanswered();
    // What became of an answer written to the database.
    enum class StoreResult {
        Stored, // stored, or nothing left to store
        NotStored, // the database could not be reached, even on a fresh connection: tried again later
        Refused, // the database refused it: tried again only at the end
    };
    // Writes back the answer on the current row now, when it has changed.
    StoreResult storeAnswer();
    // Tries the answers not stored yet once more, those the database refused too when `refusedToo`.
    // Right after a write found the database out of reach it waits for the next call: a locked file
    // would hold every try for its busy time-out.
    StoreResult retryUnstored(bool refusedToo);
    // Notes what became of the answer of question `detailId` (failure null: stored); every
    // write-back of the questions' recordset passes here, and so may any other way of storing one.
    void noteStore(qint32 detailId, const DbError *failure);
    bool isUnstored(int row) const;
    bool hasUnstored() const { return !m_unstored.empty(); }
    int unstoredCount() const { return int(m_unstored.size()); }
    // Why the latest answer was not stored.
    const QString &storeFailure() const { return m_storeFailure; }
    // The failure to tell the candidate, once: set by the first failure after a stored answer (or
    // the first of the exam), so an outage is told once however many moves it lasts.
    std::optional<QString> takeStoreNotice();
    // The questions not answered yet, as stored; -1 when they could not be counted (while answers
    // wait to be stored, a database out of reach is not reported here). On the file it is counted
    // from what the questions' recordset has stored.
    int unanswered();

    // --- Flags
    // Whether the current row can be flagged: the side tables exist and a question is on it.
    bool canFlag() const;
    bool isFlagged(int row) const;
    // Marks or unmarks the current row's question; stored at once.
    bool setFlag(bool flagged);

    // --- Heartbeat
    bool heartbeatDue() const;
    // Stores the time left and this run's heartbeat. A missed one is harmless: the next follows,
    // and a database out of reach only misses it.
    void heartbeat();

    // --- Continuing an exam
    // The newest exam a stopped run left: its heartbeat is stale, or the run that ended through a
    // failure held it. Only `userName`'s when one is given. Checks the side tables first.
    std::optional<Offer> findOffer(const QString &userName);
    // Takes the offered exam over for this run, only while it is still left behind: two windows
    // never both do. The session then runs it.
    bool claim(const Offer &offer);

    // --- Scoring
    // Scores the exam and ends its progress row in one transaction; on a class's server the server
    // counts.
    bool score(qint32 examId);

    // The program's database on a connection from the pool, a fresh one when the last was lost,
    // without a box when it cannot be reached: null then. For the statements of an exam that must
    // not end the program while the database is away.
    static std::shared_ptr<Database> reachable();

private:
    // One call of a server function on the program's pooled connection (opened anew when it was
    // lost): its single value, or nothing with m_failure set and a refusal noted in m_serverEnd.
    std::optional<qint64> callServer(const QString &sql);
    static std::optional<qint64> callServer(const QString &sql, DbError *error);
    static std::optional<qint64> callServer(Database &db, const QString &sql, DbError *error);
    void noteRefusal(const DbError &error);
    bool createOnServer(int count, const ExamDraw::Ticked &ticked, bool practise);
    bool writeAnswer(int row, DbError *error);
    std::optional<Offer> findOfferOnServer();
    bool readSideTables();
    QString progressStatement();
    // The questions a draw may take, by category in QID order: every one not retired. Nothing when
    // the pool could not be read.
    static std::optional<ExamDraw::Lists> drawableQuestions(cDBAccess &db);
    // The candidate's mistakes among them.
    static std::optional<ExamDraw::Lists> drawableMistakes(cDBAccess &db, const Mistakes &mistakes);

    std::shared_ptr<Recordset> m_questions;
    std::set<qint32> m_flagged; // DetailIDs of the exam's flagged questions
    std::map<qint32, StoreResult> m_unstored; // DetailIDs of answers not stored, and why
    std::optional<QString> m_storeNotice;
    QString m_storeFailure;
    bool m_failing = false; // the latest write of an answer failed
    bool m_justUnreachable = false; // a write found the database out of reach since the last retry
    std::optional<QString> m_failure;
    QString m_endedRun; // the run an offer was found for, until it is claimed
    qint64 m_lastBeat = 0; // seconds since the epoch of the last stored heartbeat
    qint32 m_examId = 0;
    ServerEnd m_serverEnd = ServerEnd::None;
    bool m_sideTables = false; // flags and progress can be stored
    bool m_drawShortage = false;
};
