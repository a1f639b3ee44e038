#pragma once

#include <QString>

// The person's own Exam.mdb, in their data folder. On the first start it is copied there from the
// installed pristine copy, so each person's exams live in their own file and the installed copy is
// never written.
class UserDatabase final {
public:
    struct Found {
        QString folder; // the folder holding the person's Exam.mdb; empty when there is none
        QString installedCopy; // the installed pristine Exam.mdb; empty when not installed
        bool copied = false; // the person's Exam.mdb was made from the installed copy just now
    };

    static Found locate();

    // Copies `from` to `to` through a temporary file beside `to` that is flushed to disk before it
    // takes the name, so that `to` never names a partial copy. False, leaving `to` alone, on failure.
    static bool copyWhole(const QString &from, const QString &to);

private:
    UserDatabase() = delete;
};
