// Builds Exam.mdb from the question-pool source files.
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include "data/PoolBuilder.h"

namespace {
int usage(QTextStream &err)
{
    err << "usage: vesk-buildpool [--if-absent | --replace-pool] --out Exam.mdb pool.json...\n"
           "  --if-absent     do nothing when the output file exists\n"
           "  --replace-pool  load the new pool into a file that holds stored exams, keeping them\n";
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
    QStringList files;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--if-absent"))
            mode = PoolBuilder::Mode::IfAbsent;
        else if (arg == QLatin1String("--replace-pool"))
            mode = PoolBuilder::Mode::ReplacePool;
        else if (arg == QLatin1String("--out") && !args.isEmpty())
            outPath = args.takeFirst();
        else if (arg.startsWith(QLatin1String("--")))
            return usage(err);
        else
            files << arg;
    }
    if (outPath.isEmpty() || files.isEmpty())
        return usage(err);

    PoolBuilder builder;
    const bool ok = builder.loadFiles(files) && builder.build(outPath, mode);
    if (!ok) {
        for (const QString &error : builder.errors())
            err << "vesk-buildpool: " << error << '\n';
        return 1;
    }
    out << builder.message() << '\n';
    return 0;
}
