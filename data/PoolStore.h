#pragma once

#include <map>
#include <vector>

#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/PoolQuestion.h"

class Database;
class SqliteHandle;

// The question pool inside an exam database, changed in place: the pool replaced by a newer one,
// or questions added. Every change is one transaction that renumbers the questions so that each
// category stays one unbroken run, and moves the stored exams' detail rows and the QID-keyed side
// tables with them; DetailIDs never change, so every stored exam still shows the questions it was
// taken with.
class PoolStore final {
public:
    struct Stored {
        qint64 qid = 0;
        PoolQuestion question; // its id is the stable id
        QString origin; // "shipped", "imported" or "edited"
        bool used = false; // a stored exam uses it
        bool retired = false; // left out of every draw
    };

    struct Report {
        int questions = 0; // in the pool afterwards
        int updated = 0; // shipped questions matched and rewritten
        int added = 0; // new questions
        int removed = 0; // shipped questions no exam used, no longer in the pool
        int keptImported = 0; // imported questions carried over
        QStringList retained; // used by stored exams, no longer shipped: kept, retired
        QStringList keptEdited; // shipped questions the trainer changed: kept as changed
        int duplicates = 0; // imported questions skipped as already there
        // Each of them and the question it repeats: "bank.gift, line 7 (Name): a duplicate of st-004
        // ("Which OSI layer...")", or of an earlier question of the import (its source).
        QStringList duplicateOf;
        // Imported questions added beside one of the same text and choices with another right
        // answer, naming both.
        QStringList contradictions;
        std::map<QString, int> addedByCategory;
    };

    static constexpr char kShipped[] = "shipped";
    static constexpr char kImported[] = "imported";
    // A shipped question the trainer changed in the editor: a newer pool does not overwrite it.
    static constexpr char kEdited[] = "edited";

    // The pool as stored, in QID order, with stable ids (made from the text where none is stored).
    // `withUse` false leaves every `used` false and spares reading the stored exams.
    static bool read(Database &db, std::vector<Stored> *pool, QString *error, bool withUse = true);
    // Replaces the shipped questions by `shipped`, matched by stable id (by text where the database
    // has no ids yet). Imported questions stay, and so do shipped questions the trainer edited, as
    // edited; a shipped question a stored exam uses stays too, retired: the exams still show it, no
    // draw takes it.
    static bool replace(Database &db, const std::vector<PoolQuestion> &shipped, Report *report, QString *error);
    // Adds imported questions after their categories' last; a question already in the pool (or
    // earlier in `questions`), by QuestionMatch::duplicateKey, is skipped and counted.
    static bool add(Database &db, const std::vector<PoolQuestion> &questions, Report *report, QString *error);
    // The same on an exam file opened by hand.
    static bool read(SqliteHandle &db, std::vector<Stored> *pool, QString *error, bool withUse = true);
    static bool replace(SqliteHandle &db, const std::vector<PoolQuestion> &shipped, Report *report, QString *error);
    static bool add(SqliteHandle &db, const std::vector<PoolQuestion> &questions, Report *report, QString *error);

    // Carries the shipped questions of `installed` (a pristine database a newer package brought)
    // into the person's `own` database by `replace`, when they differ. False with `error` when a
    // file cannot be read or written; `own` is then unchanged.
    static bool carryShipped(const QString &installed, const QString &own, Report *report, QString *error);

    // A stable id made from a question's text, for questions that have none.
    static QString idFromText(const QString &text);
    // A fifth or sixth choice as Q_A stores it: NULL when the question has none, as in every row
    // of a database of the first version.
    static QVariant choiceValue(const QString &text);
    // A question's text as duplicates are found: case and runs of white space ignored
    // (QuestionMatch, which also tells which questions are duplicates).
    static QString normalisedText(const QString &text);
};
