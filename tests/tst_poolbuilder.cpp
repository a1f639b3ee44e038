#include <memory>

#include <QtTest>

#include "QuestionCases.h"
#include "SessionCases.h"
#include "data/PoolBuilder.h"
#include "data/PoolReader.h"

using namespace Qt::StringLiterals;
using Mode = PoolBuilder::Mode;
using QuestionCases::bytesOf;
using QuestionCases::dataBytes;
using QuestionCases::Rows;
using SessionCases::text;

namespace {
// What one build reported, through the builder itself or through the command-line tool.
struct Outcome {
    bool ok = false;
    QStringList errors;
    QString message;
};

Outcome runBuild(bool tool, Mode mode, const QStringList &files, const QString &out)
{
    if (!tool) {
        PoolBuilder builder;
        const bool ok = builder.loadFiles(files) && builder.build(out, mode);
        return {ok, builder.errors(), builder.message()};
    }
    QStringList args = QStringList{u"--out"_s, out} + files;
    if (mode != Mode::Create)
        args.prepend(mode == Mode::IfAbsent ? u"--if-absent"_s : u"--replace-pool"_s);
    const TestSupport::Run run = TestSupport::run(QuestionCases::buildpool(), args);
    Outcome outcome{run.status == 0, {}, run.out.endsWith(u'\n') ? run.out.chopped(1) : run.out};
    // Every error is one line on stderr, after the tool's name.
    for (const QString &line : run.err.split(u'\n', Qt::SkipEmptyParts))
        outcome.errors << (line.startsWith(u"vesk-buildpool: "_s) ? line.mid(16) : u"[raw] "_s + line);
    return outcome;
}

// What Exam.mdb is before a build; from OldPool on, each starts as the old pool.
enum Before { Missing, NotADatabase, OldPool, NoExamTable, WithExams, NewestDeleted, AllDeleted };
} // namespace

class tst_poolbuilder final : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(m_dir->filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }
    // A pool's files written as z.json, y.json, ...: against the order given.
    QStringList writePool(const QList<QByteArray> &pool) const
    {
        QStringList paths;
        for (const QByteArray &bytes : pool)
            paths << write(u"%1.json"_s.arg(QChar(char16_t(u'z' - paths.size()))), bytes);
        return paths;
    }
    QString out() const { return m_dir->filePath(u"Exam.mdb"_s); }
    QStringList files() const { return QDir(m_dir->path()).entryList(QDir::Files); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // A bad pool is refused whole, naming file, question and fault, and nothing is written; of many
    // faults the report holds the first 50 and counts the rest.
    void refusesABadPool_data() { TestSupport::addCases(u"pool/refused.tsv"_s); }
    void refusesABadPool()
    {
        QList<QByteArray> pool;
        for (const QString &file : text("pool").split(u' '))
            pool << (file == u"million"_s ? "[" + QByteArray("{},").repeated(999999) + "{}]"
                                          : dataBytes(u"pool/"_s + file));
        const Outcome outcome = runBuild(text("tool") == u"yes"_s, Mode::Create, writePool(pool), out());
        QVERIFY(!outcome.ok);
        const QString last = text("last");
        QCOMPARE(outcome.errors.size(), last.isEmpty() ? 1 : 51);
        QCOMPARE(outcome.errors.first(), text("error"));
        QCOMPARE(outcome.errors.last(), last.isEmpty() ? text("error") : last);
        QCOMPARE(outcome.message, QString());
        QCOMPARE(files().size(), pool.size()); // the pool's files only
    }

    void builds_data() { TestSupport::addCases(u"pool/builds.tsv"_s); }
    void builds()
    {
        const auto data = [](const QString &name) { return dataBytes(u"pool/builds/%1.json"_s.arg(name)); };
        const int before = QStringList{u"missing"_s, u"not a database"_s, u"old pool"_s, u"no exam table"_s,
            u"with exams"_s, u"newest deleted"_s, u"all deleted"_s}
                               .indexOf(text("before"));
        QVERIFY(before >= 0);
        if (before == NotADatabase)
            write(u"Exam.mdb"_s, QByteArray("This is no database. ").repeated(400));
        if (before >= OldPool)
            QVERIFY(runBuild(false, Mode::Create, {write(u"old.json"_s, data(u"old"_s))}, out()).ok);
        if (before == NoExamTable)
            TestSupport::exec(out(), u"DROP TABLE ExamTitle"_s);
        if (before >= WithExams)
            QuestionCases::execFile(out(), u"pool/builds/exams.sql"_s);
        if (before >= NewestDeleted)
            TestSupport::exec(out(),
                u"DELETE FROM ExamDetails WHERE ExamID >= %1; DELETE FROM ExamTitle "
                u"WHERE ExamID >= %1"_s.arg(before == AllDeleted ? 1 : 3));
        QList<QByteArray> pool;
        for (const QString &file : text("pool").split(u' '))
            pool << data(file);
        const QStringList paths = writePool(pool), filesBefore = files();
        const QByteArray bytesBefore = bytesOf(out());
        const QString written = text("written");
        const Rows examsBefore = before >= OldPool && !written.isEmpty() ? QuestionCases::storedExams(out()) : Rows();

        const QString mode = text("mode");
        const Outcome outcome = runBuild(text("tool") == u"yes"_s,
            mode == u"create"_s          ? Mode::Create
                : mode == u"if-absent"_s ? Mode::IfAbsent
                                         : Mode::ReplacePool,
            paths, out());
        QCOMPARE(outcome.errors.size(), outcome.ok ? 0 : 1);
        // A refused build says nothing but its error.
        QCOMPARE(outcome.ok ? outcome.message : u"error: "_s + outcome.errors.first() + outcome.message,
            text("expected").replace(u"%1"_s, out()));
        if (written.isEmpty()) {
            QCOMPARE(files(), filesBefore); // nothing written, not even the file built beside the target
            QVERIFY(bytesOf(out()) == bytesBefore);
            return;
        }
        QCOMPARE(files().filter(u".building"_s), QStringList());
        Rows numbering;
        for (const QJsonValue &q : QJsonDocument::fromJson(data(written)).array()) {
            numbering << QVariantList{numbering.size() + 1};
            for (const char *key : {"category", "question", "a", "b", "c", "d", "correct", "explanation"})
                numbering.last() << q[QLatin1String(key)].toString();
            for (const char *key : {"e", "f"})
                numbering.last() << (q[QLatin1String(key)].toString().isEmpty() ? QVariant()
                                                                                : q[QLatin1String(key)].toVariant());
        }
        QCOMPARE(TestSupport::query(out(),
                     u"SELECT QID, Category, Question, A, B, C, D, CorrectAnswer, Description, E, F "
                     u"FROM Q_A ORDER BY QID"_s),
            numbering);
        // Stored exams are kept with their questions renumbered, and their keys are never handed out again.
        QCOMPARE(QuestionCases::storedExams(out()), examsBefore);
        TestSupport::exec(out(),
            u"INSERT INTO ExamTitle (UserName) VALUES ('Dee'); INSERT INTO ExamDetails "
            u"(ExamID, UserName, QID) VALUES (last_insert_rowid(), 'Dee', 1)"_s);
        QCOMPARE(TestSupport::query(out(), u"SELECT ExamID, DetailID FROM ExamDetails WHERE UserName = 'Dee'"_s),
            (Rows{before >= WithExams ? QVariantList{4, 7} : QVariantList{1, 1}}));
    }

    // What an accepted file gives: its texts decoded, an id where there is one.
    void readsQuestions_data() { TestSupport::addCases(u"pool/read.tsv"_s); }
    void readsQuestions()
    {
        const PoolReader reader(dataBytes(u"pool/"_s + text("file")), u"pool.json"_s);
        QCOMPARE(reader.errors().lines(), QStringList());
        QCOMPARE(int(reader.questions().size()), text("count").toInt());
        if (text("index").isEmpty())
            return;
        const PoolQuestion &q = reader.questions().at(text("index").toInt());
        QStringList expected;
        for (const char *column :
            {"id", "category", "question", "a", "b", "c", "d", "correct", "explanation", "e", "f"})
            expected << text(column);
        QCOMPARE((QStringList{q.id, q.category, q.question, q.a, q.b, q.c, q.d, q.correct, q.explanation, q.e, q.f}),
            expected);
    }
};

QTEST_GUILESS_MAIN(tst_poolbuilder)
#include "tst_poolbuilder.moc"
