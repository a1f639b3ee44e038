#pragma once

#include <QString>

// How the start-up is to find Exam.mdb, as the command line asked.
struct StartOptions
{
    // A folder holding Exam.mdb to use for this run, looking nowhere else (--database).
    QString databaseFolder;
    // When Exam.mdb is found nowhere: ask with the file dialog, or just end (--check-start).
    bool askWhenMissing = true;
};
