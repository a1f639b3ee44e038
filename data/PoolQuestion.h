#pragma once

#include <QString>

// One question of the question-pool source, as its file gives it.
struct PoolQuestion final {
    QString category;
    QString question;
    QString a, b, c, d;
    QString correct;
    QString explanation;
    QString source; // file and position, for messages
    QString id = {}; // stable across edits ("st-001"); empty in files written before ids
};
