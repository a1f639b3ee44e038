#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The rules a class's server keeps whatever connects to it: it draws and dates each exam, keeps
// its clock, takes the answers, scores, releases the key only after scoring, and lets only trainers
// delete. Candidates read the questions' texts and their own rows and write nothing but through the
// functions made here, which run as the role vesk_owner (NOLOGIN; no trainer is a member of it).
class ServerRules final {
public:
    // The seconds an exam of `questions` questions lasts, as the exam screen shows them.
    static int durationOf(int questions);
    // The seconds of grace after the deadline for the answer in flight.
    static constexpr int kGraceSeconds = 5;

    // Run by the pool builder as the server's administrator, after the schema: each statement may
    // run again on a database made by an earlier version (an upgrade keeps every exam).
    static QStringList statements();
    // Where the administrator's session finds the questions themselves, to load a pool: with the
    // view set aside first (setViewAside, undone by statements()), new tables still go to public.
    static QString setViewAside();
    static QString ownerSearchPath() { return QStringLiteral("SET search_path = public, vesk_private"); }
    // Rows an upgrade would have to change to meet the new constraints: each a line to report.
    static QString constraintViolationsQuery();

    // The settings every server connection of the program starts with; the pool builder's own
    // load runs without a statement time-out.
    static QStringList sessionSettings(bool poolLoad = false);

    // The calls the program makes on a class's server, their values written in (texts quoted).
    static QString startExam(const QList<int> &ticked, int questions, bool practice, const QString &token);
    static QString answer(qint32 detail, const QString &letters); // the seconds left
    static QString flag(qint32 detail, bool flagged);
    static QString heartbeat(qint32 exam, const QString &token);
    static QString scoreExam(qint32 exam);
    static QString scoreOverdue();
    static QString mistakeCounts();
    static QString endExamOf(const QString &candidate);
    // Trainers only: the class's figures over each candidate's `recent` latest scored exams, one
    // row a candidate and category, and the exams running now.
    static QString classOverview(int recent);
    static QString classLive();

    // The SQLSTATEs of the functions' refusals, for the program to tell them apart.
    static constexpr char kTimeOver[] = "VKT01";
    static constexpr char kEndedByTrainer[] = "VKE01";
    static constexpr char kWrongIsolation[] = "VKI01";
    static constexpr char kAlreadyScored[] = "VKS01";

private:
    ServerRules() = delete;
};
