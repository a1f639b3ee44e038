#include "data/ClassRoster.h"

#include <set>

#include <QRandomGenerator>

#include "data/Database.h"
#include "data/DbError.h"

namespace {
// One line of the list, split at commas outside double quotes ("" is a quote inside them).
QStringList fieldsOf(const QString &line)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                fields.last() += c, ++i;
            else
                quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    return fields;
}

QString literal(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}
} // namespace

std::vector<ClassRoster::Person> ClassRoster::parse(const QByteArray &csv, QStringList *errors)
{
    std::vector<Person> people;
    std::set<QString> seen;
    const QStringList lines = QString::fromUtf8(csv).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString text = lines.at(i);
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        if (i == 0 && text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        if (text.trimmed().isEmpty())
            continue;
        const QStringList fields = fieldsOf(text);
        const QString name = fields.value(0).trimmed();
        const QString heading = text.trimmed().toLower();
        if (people.empty() && seen.empty()
            && (heading == QLatin1String("name") || heading == QLatin1String("name,password")))
            continue;
        const int line = i + 1;
        if (fields.size() > 2) {
            *errors << QStringLiteral("line %1: a name and a password at the most").arg(line);
            continue;
        }
        if (name.isEmpty()) {
            *errors << QStringLiteral("line %1: no name").arg(line);
            continue;
        }
        if (name.toUtf8().size() > kMaxNameBytes) {
            *errors << QStringLiteral("line %1: the name %2 is longer than %3 bytes; the server would cut it")
                           .arg(line)
                           .arg(name)
                           .arg(kMaxNameBytes);
            continue;
        }
        if (!seen.insert(name).second) {
            *errors << QStringLiteral("line %1: %2 is named twice").arg(line).arg(name);
            continue;
        }
        Person person{name, fields.value(1), false, line};
        if (person.password.isEmpty()) {
            person.password = generatePassword();
            person.generated = true;
        }
        people.push_back(person);
    }
    if (!errors->isEmpty())
        people.clear();
    return people;
}

QString ClassRoster::generatePassword()
{
    // No letters that are easily mistaken for each other when read out to a candidate.
    static const QString alphabet = QStringLiteral("abcdefghijkmnpqrstuvwxyzACDEFGHJKLMNPQRTUVWXY345679");
    QString password;
    for (int i = 0; i < 12; ++i)
        password += alphabet.at(int(QRandomGenerator::system()->bounded(quint32(alphabet.size()))));
    return password;
}

bool ClassRoster::add(Database &db, const std::vector<Person> &people, bool trainers, QString *error)
{
    DbError failure;
    if (!db.begin(&failure, true)) {
        *error = failure.text();
        return false;
    }
    const QString group = trainers ? QStringLiteral("vesk_trainer") : QStringLiteral("vesk_candidate");
    for (const Person &person : people) {
        const QString sql = QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2 CONNECTION LIMIT %3 IN ROLE %4")
                                .arg(db.quoteName(person.name), literal(person.password))
                                .arg(kConnectionLimit)
                                .arg(group);
        if (!db.execute(sql, {}, nullptr, &failure)) {
            db.rollback();
            *error = QStringLiteral("line %1 (%2): %3").arg(person.line).arg(person.name, failure.description);
            return false;
        }
    }
    if (!db.commit(&failure)) {
        *error = failure.text();
        return false;
    }
    return true;
}
