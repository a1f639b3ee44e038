// Builds Exam.mdb, or the exam database on a server, from the question-pool source files.
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include "data/PoolBuilder.h"

namespace {
int usage(QTextStream &err)
{
    err << "usage: vesk-buildpool [--if-absent | --replace-pool] --out Exam.mdb pool.json...\n"
           "       vesk-buildpool [--if-absent | --replace-pool] --dsn NAME [--db-name NAME] [--user NAME] pool.json...\n"
           "  --if-absent     do nothing when the output file (or the server's exam database) exists\n"
           "  --replace-pool  load the new pool into a database that holds stored exams, keeping them\n"
           "  --dsn NAME      the exam database of a class on a server, through the ODBC data source NAME\n"
           "  --db-name NAME  the server's database to use instead of the data source's own\n"
           "  --user NAME     sign in as NAME (password from VESK_PASSWORD) instead of the data source's user\n";
    return 2;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    PoolBuilder::Mode mode = PoolBuilder::Mode::Create;
    QString outPath;
    QString dsn;
    QString database;
    QString user;
    QStringList files;
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
        else if (arg.startsWith(QLatin1String("--")))
            return usage(err);
        else
            files << arg;
    }
    if (outPath.isEmpty() == dsn.isEmpty() || files.isEmpty() || (dsn.isEmpty() && !(database + user).isEmpty()))
        return usage(err);

    PoolBuilder builder;
    const bool ok = builder.loadFiles(files)
                    && (dsn.isEmpty() ? builder.build(outPath, mode)
                                      : builder.buildOnServer(dsn, database, user, qEnvironmentVariable("VESK_PASSWORD"), mode));
    if (!ok) {
        for (const QString &error : builder.errors())
            err << "vesk-buildpool: " << error << '\n';
        return 1;
    }
    out << builder.message() << '\n';
    return 0;
}
