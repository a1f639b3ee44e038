#pragma once

#include <map>
#include <vector>

#include <QString>
#include <QStringList>

#include "bank/BankReadResult.h"
#include "bank/QuestionBank.h"
#include "data/PoolQuestion.h"
#include "data/PoolStore.h"

// Bringing question banks into the pool of an exam database, for the program's import screen and
// the pool builder's --import alike: what the files hold, the categories they are taken into,
// what is left out and why, and then the questions added in one transaction.
class BankImport final {
public:
    struct File {
        QString name; // as the person named it, for the report
        QuestionBank::Format format = QuestionBank::Format::Gift;
        bool recognised = false; // `format` was told from the file; else it was not read
        BankReadResult read;

        // "read as Moodle XML", or why it was not read.
        QString howRead() const;
    };

    // How a bank's categories become the pool's six. `forAll`, when set, takes every question;
    // otherwise a category that is one of the six (in any case) is itself, and `byBankCategory`
    // maps the others by their last part or their whole path ("Bank name" -> "Software Testing").
    struct Mapping {
        QString forAll;
        std::map<QString, QString> byBankCategory;
    };

    // One file of a plan: how it was read, what it gave and what it left out.
    struct FileReport {
        QString name;
        QString howRead; // File::howRead
        int questions = 0; // read, mapped or not
        QStringList skipped; // BankReadResult::skipped: each with its line, title and reason
    };

    struct Plan {
        std::vector<PoolQuestion> questions; // mapped and ready, in file order
        std::map<QString, int> perCategory; // of `questions`
        std::vector<FileReport> files; // in the order given
        std::map<QString, int> skippedByKind; // of all files
        QStringList errors; // "file: line N: ..."
        QStringList warnings; // "file: line N: ..."
        // Bank categories no mapping covers, with how many questions each holds: nothing is
        // imported while there is one.
        std::map<QString, int> unmapped;
        QStringList badMappings; // mappings to a category that is not one of the six
    };

    // Reads each file (its format told by the content, the name's extension as a hint).
    static File readFile(const QString &path);
    static Plan plan(const std::vector<File> &files, const Mapping &mapping);
    // Whether `plan` may be imported: every category mapped, something to add, and no error
    // unless the person chose to take the good questions only.
    static bool canImport(const Plan &plan, bool goodOnly);
    // Adds the planned questions to the database at `databasePath` (duplicates of the pool are
    // skipped and counted in `report`).
    static bool apply(const QString &databasePath, const Plan &plan, PoolStore::Report *report, QString *error);

    // What the plan will do, in lines: per category, each file as it was read with the questions it
    // leaves out (indented under it), the skipped counts, unmapped categories, errors, warnings.
    static QStringList describe(const Plan &plan);
    // What an import did: added per category, each duplicate of the pool and the question it
    // repeats, questions that contradict one of the pool.
    static QStringList describe(const PoolStore::Report &report);

    // The pool of the database at `databasePath` as bank questions, of the given categories (all
    // when empty), for export.
    static bool poolQuestions(const QString &databasePath, const QStringList &categories,
        std::vector<BankQuestion> *questions, QString *error);

private:
    BankImport() = delete;
};
