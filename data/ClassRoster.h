#pragma once

#include <vector>

#include <QString>
#include <QStringList>

class Database;

// The people of a class on its server: each a login role in the candidates' or the trainers'
// group, with a connection limit, added by the trainer from a list instead of by hand-written SQL.
class ClassRoster final {
public:
    struct Person {
        QString name;
        QString password; // generated when the list gives none
        bool generated = false;
        int line = 0;
    };

    // The most connections one running program opens on the class's server, plus one for a program
    // started again before the server has noticed that the old one went away.
    static constexpr int kConnectionLimit = 2;
    // The server cuts longer role names with only a notice.
    static constexpr int kMaxNameBytes = 63;

    // Reads a CSV of names, each optionally followed by a password; a first line "name" or
    // "name,password" is a heading. Every fault is named with its line; nothing is read then.
    static std::vector<Person> parse(const QByteArray &csv, QStringList *errors);
    // Adds them in one transaction to the group `vesk_candidate` or `vesk_trainer`: all or none.
    static bool add(Database &db, const std::vector<Person> &people, bool trainers, QString *error);
    static QString generatePassword();

private:
    ClassRoster() = delete;
};
