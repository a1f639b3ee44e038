#pragma once

#include <QString>

// How the start-up is to find Exam.mdb, as the command line asked.
struct StartOptions {
    // A folder holding Exam.mdb to use for this run, looking nowhere else (--database).
    QString databaseFolder;
    // When Exam.mdb is found nowhere: ask with the file dialog, or just end (--check-start).
    bool askWhenMissing = true;
    // Classroom mode (--dsn, --db-name): the exams live on a server reached through this ODBC data
    // source, in this database (empty: the data source's own); no Exam.mdb is looked for.
    QString classroomDsn;
    QString classroomDatabase;
};
