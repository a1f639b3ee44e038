// Builds Exam.mdb, or the exam database of a class on a server, from the question-pool source
// files, imports question banks into it, and exports its pool.
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

#include "bank/BankImport.h"
#include "bank/QuestionBank.h"
#include "core/SignIn.h"
#include "data/ClassRoster.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/DbError.h"
#include "data/PoolBuilder.h"
#include "data/QuestionStats.h"
#include "data/QuestionStatsCsv.h"
#include "data/SqliteDatabase.h"
#include "data/cDBAccess.h"
#include "tools/TerminalPrompt.h"

namespace {
int usage(QTextStream &err)
{
    err << "usage: vesk-buildpool [--if-absent | --replace-pool] --out Exam.mdb pool.json...\n"
           "       vesk-buildpool [--if-absent | --replace-pool] --dsn NAME [--db-name NAME] [--user NAME] "
           "pool.json...\n"
           "       vesk-buildpool --import BANK... --out Exam.mdb [--skip-bad] [--category NAME]\n"
           "                      [--category-map \"FROM=TO\"]...\n"
           "       vesk-buildpool --export FORMAT --out FILE [--category NAME]... Exam.mdb\n"
           "       vesk-buildpool --dsn NAME [--db-name NAME] [--user NAME] (--add-candidates FILE | --add-trainer "
           "NAME)\n"
           "       vesk-buildpool --question-stats --out FILE.csv [--category NAME] [--from DATE] [--to DATE]\n"
           "                      (Exam.mdb | --dsn NAME [--db-name NAME] [--user NAME])\n"
           "  --if-absent     do nothing when the output file (or the server's exam database) exists\n"
           "  --replace-pool  load the new pool into a database that holds stored exams, keeping them\n"
           "  --dsn NAME      the exam database of a class on a server, through the ODBC data source NAME\n"
           "  --db-name NAME  the server's database to use instead of the data source's own\n"
           "  --user NAME     sign in as NAME (password from VESK_PASSWORD, else asked)\n"
           "                  instead of the data source's user\n"
           "  --import        add the questions of GIFT, Aiken, Moodle XML, CSV or JSON banks\n"
           "  --skip-bad      import the good questions of a bank that has errors\n"
           "  --category      import: every question into this category; export: only this category\n"
           "  --category-map  import: the bank's category FROM into the category TO\n"
           "  --export        write the pool as gift, aiken, xml, csv or json\n"
           "  --add-candidates  the class's candidates from a CSV of names, each optionally with a password\n"
           "                  (a missing one is made and printed once)\n"
           "  --add-trainer   a trainer of the class, with a password made and printed once\n"
           "  --question-stats  write each question's attempts, facility, discrimination, choice shares\n"
           "                  and flags over the scored exams that are not practice exams (a server's:\n"
           "                  as a trainer); --from and --to (YYYY-MM-DD) bound the exams' dates\n";
    return 2;
}

// Adds the class's people to its server as the administrator, and prints each made password once.
int addPeople(const QString &dsn, const QString &database, const QString &user, const QString &password,
    const std::vector<ClassRoster::Person> &people, bool trainers, QTextStream &out, QTextStream &err)
{
    QString description = cDBAccess::connectionDescription(3, QString(), database, dsn);
    if (!user.isEmpty())
        description.replace(QStringLiteral(";uid=;pwd=;"),
            QStringLiteral(";uid=%1;pwd=%2;").arg(Connection::quoteValue(user), Connection::quoteValue(password)));
    DbError failure;
    const std::shared_ptr<Database> db = ConnectionPool::acquireServer(description, &failure);
    if (!db) {
        err << "vesk-buildpool: cannot reach the data source " << dsn << ": " << failure.description << '\n';
        return 1;
    }
    QString error;
    if (!ClassRoster::add(*db, people, trainers, &error)) {
        err << "vesk-buildpool: " << error << "; nobody was added.\n";
        return 1;
    }
    for (const ClassRoster::Person &person : people) {
        out << person.name;
        if (person.generated)
            out << ',' << person.password;
        out << '\n';
    }
    out << people.size() << (trainers ? " trainer(s)" : " candidate(s)") << " added, each allowed "
        << ClassRoster::kConnectionLimit << " connections.\n";
    return 0;
}

int importBanks(const QStringList &files, const QString &database, const BankImport::Mapping &mapping, bool skipBad,
    QTextStream &out, QTextStream &err)
{
    std::vector<BankImport::File> read;
    for (const QString &file : files)
        read.push_back(BankImport::readFile(file));
    const BankImport::Plan plan = BankImport::plan(read, mapping);
    for (const QString &line : BankImport::describe(plan))
        out << line << '\n';
    if (!BankImport::canImport(plan, skipBad)) {
        QStringList why;
        if (!plan.unmapped.empty())
            why << QStringLiteral("categories are not mapped: use --category-map \"FROM=TO\" or --category NAME");
        if (!plan.badMappings.isEmpty())
            why << QStringLiteral("a mapping names no category of the pool");
        if (!plan.errors.isEmpty() && !skipBad)
            why << QStringLiteral("the banks have errors: --skip-bad imports the good questions");
        if (plan.questions.empty())
            why << QStringLiteral("no question can be imported");
        err << "vesk-buildpool: nothing was imported (" << why.join(QStringLiteral("; ")) << ").\n";
        return 1;
    }
    PoolStore::Report report;
    QString error;
    if (!BankImport::apply(database, plan, &report, &error)) {
        err << "vesk-buildpool: " << error << "; nothing was imported.\n";
        return 1;
    }
    for (const QString &line : BankImport::describe(report))
        out << line << '\n';
    return 0;
}

int exportPool(const QString &formatName, const QString &database, const QString &target, const QStringList &categories,
    QTextStream &out, QTextStream &err)
{
    const std::optional<QuestionBank::Format> format = QuestionBank::formatFromName(formatName);
    if (!format) {
        err << "vesk-buildpool: unknown format \"" << formatName << "\" (gift, aiken, xml, csv, json)\n";
        return 2;
    }
    std::vector<BankQuestion> questions;
    QString error;
    if (!QFile::exists(database) || !BankImport::poolQuestions(database, categories, &questions, &error)) {
        err << "vesk-buildpool: cannot read " << database
            << (error.isEmpty() ? QString() : QStringLiteral(": ") + error) << '\n';
        return 1;
    }
    QSaveFile file(target);
    QStringList warnings;
    if (!file.open(QIODevice::WriteOnly) || file.write(QuestionBank::write(questions, *format, &warnings)) < 0
        || !file.commit()) {
        err << "vesk-buildpool: cannot write " << target << ": " << file.errorString() << '\n';
        return 1;
    }
    out << target << " written: " << questions.size() << " questions as " << QuestionBank::formatName(*format) << ".\n";
    for (const QString &warning : warnings)
        out << "warning: " << warning << '\n';
    return 0;
}

// A server's sign-in is asked on the terminal: for the data source's own user when it has none,
// and for the password of `user` when VESK_PASSWORD does not give it. Returns that password.
QString signInOnTerminal(const QString &user)
{
    SignIn::setAsker([](const QString &source) -> std::optional<SignIn::Credentials> {
        const std::optional<QString> name = TerminalPrompt::ask(QStringLiteral("User for %1: ").arg(source));
        if (!name || name->isEmpty())
            return std::nullopt;
        const std::optional<QString> password = TerminalPrompt::askHidden(QStringLiteral("Password: "));
        return password ? std::make_optional(SignIn::Credentials{*name, *password}) : std::nullopt;
    });
    if (!user.isEmpty() && !qEnvironmentVariableIsSet("VESK_PASSWORD"))
        return TerminalPrompt::askHidden(QStringLiteral("Password for %1: ").arg(user)).value_or(QString());
    return qEnvironmentVariable("VESK_PASSWORD");
}

// The question statistics of a file, or of a server's exam database when `dsn` is given.
int writeQuestionStats(const QString &file, const QString &dsn, const QString &database, const QString &user,
    const QuestionStats::Filter &filter, const QString &target, QTextStream &out, QTextStream &err)
{
    DbError failure;
    std::shared_ptr<Database> db;
    QString source = file;
    if (dsn.isEmpty()) {
        if (QFile::exists(file))
            db = ConnectionPool::acquire(file, QString::fromLatin1(cDBAccess::kDatabasePassword), &failure);
        else
            failure.description = QStringLiteral("no such file");
    } else {
        const QString password = signInOnTerminal(user);
        QString description = cDBAccess::connectionDescription(3, QString(), database, dsn);
        if (!user.isEmpty())
            description.replace(QStringLiteral(";uid=;pwd=;"),
                QStringLiteral(";uid=%1;pwd=%2;").arg(Connection::quoteValue(user), Connection::quoteValue(password)));
        db = ConnectionPool::acquireServer(description, &failure);
        source = database.isEmpty() ? dsn : QStringLiteral("%1 (database %2)").arg(dsn, database);
    }
    if (!db) {
        err << "vesk-buildpool: cannot read " << source << ": " << failure.description << '\n';
        return 1;
    }
    std::vector<QuestionStats::Row> rows;
    QString error;
    if (!QuestionStats::compute(*db, filter, &rows, &error)) {
        err << "vesk-buildpool: cannot count the answers of " << source << ": " << error << '\n';
        return 1;
    }
    QSaveFile csv(target);
    if (!csv.open(QIODevice::WriteOnly) || csv.write(QuestionStatsCsv::write(rows)) < 0 || !csv.commit()) {
        err << "vesk-buildpool: cannot write " << target << ": " << csv.errorString() << '\n';
        return 1;
    }
    out << target << " written: " << rows.size() << " questions attempted.\n";
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    PoolBuilder::Mode mode = PoolBuilder::Mode::Create;
    QString outPath, exportFormat;
    QString dsn, database, user, candidatesFile, trainerName;
    QStringList files, categories;
    bool importing = false, skipBad = false;
    bool questionStats = false;
    QString from, to;
    BankImport::Mapping mapping;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--if-absent"))
            mode = PoolBuilder::Mode::IfAbsent;
        else if (arg == QLatin1String("--replace-pool"))
            mode = PoolBuilder::Mode::ReplacePool;
        else if (arg == QLatin1String("--out") && !args.isEmpty())
            outPath = args.takeFirst();
        else if (arg == QLatin1String("--dsn") && !args.isEmpty())
            dsn = args.takeFirst();
        else if (arg == QLatin1String("--db-name") && !args.isEmpty())
            database = args.takeFirst();
        else if (arg == QLatin1String("--user") && !args.isEmpty())
            user = args.takeFirst();
        else if (arg == QLatin1String("--add-candidates") && !args.isEmpty())
            candidatesFile = args.takeFirst();
        else if (arg == QLatin1String("--add-trainer") && !args.isEmpty())
            trainerName = args.takeFirst();
        else if (arg == QLatin1String("--import"))
            importing = true;
        else if (arg == QLatin1String("--skip-bad"))
            skipBad = true;
        else if (arg == QLatin1String("--export") && !args.isEmpty())
            exportFormat = args.takeFirst();
        else if (arg == QLatin1String("--question-stats"))
            questionStats = true;
        else if (arg == QLatin1String("--from") && !args.isEmpty())
            from = args.takeFirst();
        else if (arg == QLatin1String("--to") && !args.isEmpty())
            to = args.takeFirst();
        else if (arg == QLatin1String("--category") && !args.isEmpty())
            categories << args.takeFirst();
        else if (arg == QLatin1String("--category-map") && !args.isEmpty()) {
            const QString pair = args.takeFirst();
            const qsizetype equals = pair.lastIndexOf(QLatin1Char('='));
            if (equals <= 0)
                return usage(err);
            mapping.byBankCategory[pair.left(equals).trimmed()] = pair.mid(equals + 1).trimmed();
        } else if (arg.startsWith(QLatin1String("--")))
            return usage(err);
        else
            files << arg;
    }
    if (!candidatesFile.isEmpty() || !trainerName.isEmpty()) {
        if (dsn.isEmpty() || !outPath.isEmpty() || !files.isEmpty() || importing || !exportFormat.isEmpty()
            || (!candidatesFile.isEmpty() && !trainerName.isEmpty()))
            return usage(err);
        std::vector<ClassRoster::Person> people;
        QStringList errors;
        if (!candidatesFile.isEmpty()) {
            QFile list(candidatesFile);
            if (!list.open(QIODevice::ReadOnly)) {
                err << "vesk-buildpool: cannot read " << candidatesFile << ": " << list.errorString() << '\n';
                return 1;
            }
            people = ClassRoster::parse(list.readAll(), &errors);
        } else {
            people = ClassRoster::parse(trainerName.toUtf8(), &errors);
        }
        for (const QString &error : errors)
            err << "vesk-buildpool: " << (candidatesFile.isEmpty() ? QStringLiteral("--add-trainer") : candidatesFile)
                << ": " << error << '\n';
        if (!errors.isEmpty() || people.empty()) {
            err << "vesk-buildpool: nobody was added.\n";
            return 1;
        }
        return addPeople(dsn, database, user, signInOnTerminal(user), people, !trainerName.isEmpty(), out, err);
    }

    // Question statistics: --out names the CSV; the database is one file or a server.
    if (questionStats || !(from + to).isEmpty()) {
        QuestionStats::Filter filter;
        filter.category = categories.value(0);
        filter.from = QDate::fromString(from, Qt::ISODate);
        filter.to = QDate::fromString(to, Qt::ISODate);
        if (!questionStats || outPath.isEmpty() || importing || !exportFormat.isEmpty() || categories.size() > 1
            || files.size() != (dsn.isEmpty() ? 1 : 0) || (dsn.isEmpty() && !(database + user).isEmpty())
            || filter.from.isValid() == from.isEmpty() || filter.to.isValid() == to.isEmpty())
            return usage(err);
        return writeQuestionStats(files.value(0), dsn, database, user, filter, outPath, out, err);
    }

    // A file (--out) or a server (--dsn); banks are imported and pools exported with files only.
    if (outPath.isEmpty() == dsn.isEmpty() || files.isEmpty() || (importing && !exportFormat.isEmpty())
        || (dsn.isEmpty() && !(database + user).isEmpty())
        || (!dsn.isEmpty() && (importing || !exportFormat.isEmpty())))
        return usage(err);
    if (!exportFormat.isEmpty())
        return files.size() == 1 ? exportPool(exportFormat, files.first(), outPath, categories, out, err) : usage(err);
    if (importing) {
        if (categories.size() > 1)
            return usage(err);
        mapping.forAll = categories.value(0);
        return importBanks(files, outPath, mapping, skipBad, out, err);
    }

    const QString password = signInOnTerminal(user);
    PoolBuilder builder;
    const bool ok = builder.loadFiles(files)
        && (dsn.isEmpty() ? builder.build(outPath, mode) : builder.buildOnServer(dsn, database, user, password, mode));
    if (!ok) {
        for (const QString &error : builder.errors())
            err << "vesk-buildpool: " << error << '\n';
        return 1;
    }
    out << builder.message() << '\n';
    return 0;
}
