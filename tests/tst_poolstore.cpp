#include <QtTest>

#include <sqlcipher/sqlite3.h>

#include "QuestionCases.h"
#include "data/ConnectionPool.h"
#include "data/ExamSchema.h"
#include "data/PoolBuilder.h"
#include "data/PoolStore.h"
#include "data/SqliteDatabase.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"

using namespace Qt::StringLiterals;
using QuestionCases::Rows;
using QuestionCases::storedExams;

// The pool replaced by a newer shipped one or grown by imports under stored exams: every stored exam
// still shows the questions it was taken with, its flags and progress untouched.
class tst_poolstore final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;

    // Its choices from A on read "a of <text>", "b of <text>", ...
    static PoolQuestion question(
        int category, const QString &id, const QString &text, const QString &correct = u"A"_s, int choices = 4)
    {
        PoolQuestion q;
        q.category = ExamSchema::categories().at(category);
        q.id = id;
        q.question = text;
        for (int i = 0; i < choices; ++i)
            q.choice(i) = QChar(u'a' + i) + u" of "_s + text;
        q.correct = correct;
        q.explanation = u"Because."_s;
        return q;
    }
    // Software Testing st-1..3 (QID 1-3), Database Basic db-1..2 (QID 4-5).
    static std::vector<PoolQuestion> firstPool()
    {
        return {question(0, u"st-1"_s, u"Stubs?"_s), question(0, u"st-2"_s, u"Drivers?"_s),
            question(0, u"st-3"_s, u"Oracles?"_s), question(2, u"db-1"_s, u"Keys?"_s),
            question(2, u"db-2"_s, u"Joins?"_s)};
    }
    // The builder's errors, none when it built.
    QStringList build(const std::vector<PoolQuestion> &pool, PoolBuilder::Mode mode = PoolBuilder::Mode::Create)
    {
        PoolBuilder builder;
        for (const PoolQuestion &q : pool)
            builder.addQuestion(q);
        return builder.build(m_db, mode) ? QStringList() : builder.errors();
    }
    std::optional<PoolStore::Report> add(const std::vector<PoolQuestion> &questions) const
    {
        PoolStore::Report report;
        QString error;
        if (PoolStore::add(
                *SqliteHandle::openKeyed(m_db, SQLITE_OPEN_READWRITE, u"QOMB"_s).handle, questions, &report, &error))
            return report;
        qWarning("not added: %s", qPrintable(error));
        return std::nullopt;
    }
    Rows rows(const QString &sql) const { return TestSupport::query(m_db, sql); }
    QVariant value(const QString &sql) const { return TestSupport::scalar(m_db, sql); }
    Rows pool() const
    {
        return rows(u"SELECT q.QID, q.Question, k.StableID, k.Origin FROM Q_A q LEFT JOIN "
                    u"QuestionKeys k USING (QID) ORDER BY q.QID"_s);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_db = m_dir.filePath(u"Exam.mdb"_s);
        QFile::remove(m_db);
    }

    // A replace the file refuses half-way changes nothing; done, it keeps every exam's questions.
    void rewordedQuestionKeepsItsExams()
    {
        std::vector<PoolQuestion> first = firstPool();
        first[4] = question(2, u"db-2"_s, u"Joins?"_s, u"F"_s, 6);
        QCOMPARE(build(first), QStringList());
        QuestionCases::execFile(m_db, u"pool/store-exams.sql"_s);
        const Rows before = storedExams(m_db), poolBefore = pool();
        // st-2 reworded, a new Software Testing question first, st-3 gone though Ann's exam uses it,
        // st-1 gone and unused; Keys? gains a fifth choice and a second right letter, Joins? is of four again.
        const std::vector<PoolQuestion> next{question(0, u"st-9"_s, u"Mocks?"_s),
            question(0, u"st-2"_s, u"Test drivers?"_s), question(2, u"db-1"_s, u"Keys?"_s, u"AE"_s, 5),
            question(2, u"db-2"_s, u"Joins?"_s)};
        // A trigger stands for a disk that refuses the write half-way.
        TestSupport::exec(m_db,
            u"CREATE TRIGGER refuse BEFORE INSERT ON QuestionKeys WHEN NEW.StableID = 'db-2' "
            u"BEGIN SELECT RAISE(ABORT, 'disk is full'); END"_s);
        const QStringList refused = build(next, PoolBuilder::Mode::ReplacePool);
        QVERIFY2(refused.join(u' ').contains(u"disk is full"_s), qPrintable(refused.join(u' ')));
        QCOMPARE(pool(), poolBefore);
        QCOMPARE(storedExams(m_db), before);
        TestSupport::exec(m_db, u"DROP TRIGGER refuse"_s);

        QCOMPARE(build(next, PoolBuilder::Mode::ReplacePool), QStringList());
        QCOMPARE(pool(),
            (Rows{{1, u"Mocks?"_s, u"st-9"_s, u"shipped"_s}, {2, u"Test drivers?"_s, u"st-2"_s, u"shipped"_s},
                {3, u"Oracles?"_s, u"st-3"_s, u"shipped"_s}, {4, u"Keys?"_s, u"db-1"_s, u"shipped"_s},
                {5, u"Joins?"_s, u"db-2"_s, u"shipped"_s}}));
        Rows expected = before;
        expected[0][9] = u"Test drivers?"_s;
        expected[1][10] = u"A"_s; // matched by id, Joins? and Keys? are updated in place, their keys too
        expected[3][10] = u"AE"_s;
        QCOMPARE(storedExams(m_db), expected);
        // Oracles? stays for Ann's exam only: no draw takes it. The others are drawn as before.
        QCOMPARE(rows(u"SELECT QID, Retired FROM Q_A ORDER BY QID"_s), (Rows{{1, 0}, {2, 0}, {3, 1}, {4, 0}, {5, 0}}));
        QCOMPARE(rows(u"SELECT * FROM ExamProgress"_s), (Rows{{2, 300, 1000, u"run"_s}}));
        QCOMPARE(rows(u"SELECT E, F, CorrectAnswer FROM Q_A WHERE QID > 3"_s),
            (Rows{{u"e of Keys?"_s, QVariant(), u"AE"_s}, {QVariant(), QVariant(), u"A"_s}}));
        QCOMPARE(value(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        // An import rewrites the pool: what was retired stays retired.
        QVERIFY(add({question(2, u"db-9"_s, u"Views?"_s)}));
        QCOMPARE(rows(u"SELECT Question FROM Q_A WHERE Retired = 1"_s), Rows{{u"Oracles?"_s}});
    }

    void importedQuestionsAreNumberedInTheirCategory()
    {
        QCOMPARE(build(firstPool()), QStringList());
        QuestionCases::execFile(m_db, u"pool/store-exams.sql"_s);
        const Rows before = storedExams(m_db);
        const std::optional<PoolStore::Report> report = add({question(0, u"imp-a"_s, u"Fakes?"_s),
            question(2, QString(), u"Views?"_s), question(0, u"imp-b"_s, u"  STUBS? "_s),
            question(1, u"st-1"_s, u"Loops?"_s), question(2, u"imp-c"_s, u"views?"_s)});
        QVERIFY(report);
        QCOMPARE(report->added, 3);
        QCOMPARE(report->duplicates, 2);
        QCOMPARE(report->addedByCategory.at(u"Software Testing"_s), 1);
        // Each category one unbroken run; the imported after their category's last.
        QCOMPARE(rows(u"SELECT QID, Question, Category FROM Q_A ORDER BY QID"_s),
            (Rows{{1, u"Stubs?"_s, u"Software Testing"_s}, {2, u"Drivers?"_s, u"Software Testing"_s},
                {3, u"Oracles?"_s, u"Software Testing"_s}, {4, u"Fakes?"_s, u"Software Testing"_s},
                {5, u"Loops?"_s, u"Programming Basic"_s}, {6, u"Keys?"_s, u"Database Basic"_s},
                {7, u"Joins?"_s, u"Database Basic"_s}, {8, u"Views?"_s, u"Database Basic"_s}}));
        // An id already taken gets a suffix; a missing one is made from the text.
        QCOMPARE(value(u"SELECT StableID FROM QuestionKeys WHERE QID = 5"_s).toString(), u"st-1-2"_s);
        QVERIFY(value(u"SELECT StableID FROM QuestionKeys WHERE QID = 8"_s).toString().startsWith(u"q-"_s));
        QCOMPARE(storedExams(m_db), before);

        // A newer shipped pool keeps the imported questions, after the shipped ones.
        QCOMPARE(build({question(0, u"st-1"_s, u"Stubs?"_s), question(0, u"st-4"_s, u"Spies?"_s),
                           question(2, u"db-1"_s, u"Keys?"_s), question(2, u"db-2"_s, u"Joins?"_s),
                           question(0, u"st-2"_s, u"Drivers?"_s), question(0, u"st-3"_s, u"Oracles?"_s)},
                     PoolBuilder::Mode::ReplacePool),
            QStringList());
        QCOMPARE(pool(),
            (Rows{{1, u"Stubs?"_s, u"st-1"_s, u"shipped"_s}, {2, u"Spies?"_s, u"st-4"_s, u"shipped"_s},
                {3, u"Drivers?"_s, u"st-2"_s, u"shipped"_s}, {4, u"Oracles?"_s, u"st-3"_s, u"shipped"_s},
                {5, u"Fakes?"_s, u"imp-a"_s, u"imported"_s}, {6, u"Loops?"_s, u"st-1-2"_s, u"imported"_s},
                {7, u"Keys?"_s, u"db-1"_s, u"shipped"_s}, {8, u"Joins?"_s, u"db-2"_s, u"shipped"_s},
                {9, u"Views?"_s, pool().at(8).at(2), u"imported"_s}}));
        QCOMPARE(storedExams(m_db), before);
    }

    // Whether an imported question is a duplicate, another question or a contradiction, told as the
    // table says for each; importing the same questions again adds nothing.
    void importedDuplicatesAreWholeQuestions()
    {
        std::vector<PoolQuestion> pool = firstPool();
        pool.push_back(question(0, u"st-5"_s, u"Doubles?"_s, u"AC"_s, 5));
        QCOMPARE(build(pool), QStringList());
        const TestSupport::CaseTable cases = TestSupport::caseTable(u"pool/imported-duplicates.tsv"_s);
        std::vector<PoolQuestion> imported;
        QStringList duplicates, contradictions;
        Rows added;
        for (const QStringList &row : cases.rows) {
            PoolQuestion q = question(0, QString(), cases.value(row, u"question"_s), cases.value(row, u"correct"_s));
            q.source = row.at(0);
            added << QVariantList{q.question};
            for (const QString &c : {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s}) {
                q.choice(c.at(0).unicode() - u'a') = cases.value(row, c);
                added.last() << PoolStore::choiceValue(cases.value(row, c));
            }
            added.last() << q.correct;
            const QString told = cases.value(row, u"told"_s);
            if (told.startsWith(u"duplicate"_s)) {
                duplicates << q.source + u": a "_s + told;
                added.removeLast();
            } else if (!told.isEmpty()) {
                contradictions << q.source + u' ' + told;
            }
            imported.push_back(q);
        }
        const std::optional<PoolStore::Report> report = add(imported);
        QVERIFY(report);
        QCOMPARE(report->duplicateOf, duplicates);
        QCOMPARE(report->contradictions, contradictions);
        QCOMPARE(report->added, int(added.size()));
        QCOMPARE(rows(u"SELECT q.Question, q.A, q.B, q.C, q.D, q.E, q.F, q.CorrectAnswer FROM Q_A q JOIN "
                      u"QuestionKeys k USING (QID) WHERE k.Origin = 'imported' ORDER BY q.QID"_s),
            added);
        const std::optional<PoolStore::Report> twice = add(imported);
        QVERIFY(twice);
        QCOMPARE(twice->added, 0);
        QCOMPARE(twice->duplicates, int(imported.size()));
        QCOMPARE(value(u"SELECT count(*) FROM Q_A"_s).toInt(), int(pool.size() + added.size()));
    }

    // A database of the first shipped pool (no ids) takes today's: an exam on each question still shows it.
    void firstPoolDatabaseTakesTheShippedPool()
    {
        PoolBuilder old;
        QVERIFY(old.loadFiles(QuestionCases::jsonFiles(TestSupport::testData(u"pool-v1"_s))));
        QVERIFY(old.build(m_db, PoolBuilder::Mode::Create));
        TestSupport::exec(m_db,
            u"DROP TABLE QuestionKeys; INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) "
            u"SELECT 'Cand', '2026-01-01 10:00:00', count(*) FROM Q_A; INSERT INTO ExamDetails "
            u"(ExamID, UserName, QID, Answer, Answered) SELECT 1, 'Cand', QID, 'A', -1 FROM Q_A"_s);
        const QString shown
            = u"SELECT d.DetailID, q.Question, q.CorrectAnswer FROM ExamDetails d JOIN Q_A q USING (QID) "
              u"ORDER BY d.DetailID"_s;
        const Rows before = rows(shown);
        QVERIFY(!before.isEmpty());
        PoolBuilder shipped;
        QVERIFY(shipped.loadFiles(QuestionCases::jsonFiles()));
        QVERIFY2(shipped.build(m_db, PoolBuilder::Mode::ReplacePool), qPrintable(shipped.errors().join(u'\n')));
        qInfo("%s", qPrintable(shipped.message().section(u'\n', 0, 0)));
        QCOMPARE(rows(shown), before);
        // Every shipped question is there, each category one run, and every stored question too.
        QStringList ids;
        for (const PoolQuestion &q : shipped.questions())
            ids << u"'"_s + q.id + u"'"_s;
        QCOMPARE(value(u"SELECT count(*) FROM QuestionKeys WHERE StableID IN (%1)"_s.arg(ids.join(u','))).toInt(),
            int(shipped.questions().size()));
        QCOMPARE(value(u"SELECT count(*) FROM (SELECT Category FROM Q_A GROUP BY Category "
                       u"HAVING max(QID) - min(QID) + 1 <> count(*))"_s)
                     .toInt(),
            0);
        QCOMPARE(value(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
    }

    // A file of the first version that cannot be written gains nothing and still reads (reviewed on the
    // screen in tst_review); where it can be written it gains E, F and Retired, keeping every row.
    void firstVersionFileGainsTheChoiceColumns()
    {
        QCOMPARE(build(firstPool()), QStringList());
        QuestionCases::execFile(m_db, u"pool/store-exams.sql"_s);
        QuestionCases::execFile(m_db, u"pool/first-version.sql"_s);
        const QString all = u"SELECT QID, Question, A, B, C, D, CorrectAnswer, Category, Description FROM Q_A"_s;
        const Rows before = rows(all);
        {
            QVERIFY(QFile::setPermissions(m_db, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            SqliteHandle::Opened opened = SqliteHandle::openKeyed(m_db, SQLITE_OPEN_READONLY, u"QOMB"_s);
            QVERIFY2(opened.handle, qPrintable(opened.message));
            SqliteDatabase file(opened.handle);
            QVERIFY(!ExamSchema::hasChoiceColumns(file));
            QString error;
            QVERIFY(!ExamSchema::addChoiceColumns(file, &error));
            QVERIFY2(error.contains(u"readonly"_s), qPrintable(error));
            std::vector<PoolStore::Stored> pool;
            QVERIFY2(PoolStore::read(file, &pool, &error), qPrintable(error));
            QStringList read;
            for (const PoolStore::Stored &s : pool)
                read << s.question.question + u' ' + s.question.d + u' ' + s.question.e + s.question.f
                        + s.question.correct;
            QCOMPARE(read,
                (QStringList{u"Stubs? d of Stubs? A"_s, u"Drivers? d of Drivers? A"_s, u"Oracles? d of Oracles? A"_s,
                    u"Keys? d of Keys? A"_s, u"Joins? d of Joins? A"_s}));
        }
        QVERIFY(QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner));

        DbError failure;
        const std::shared_ptr<SqliteDatabase> db
            = ConnectionPool::acquire(m_db, QString::fromLatin1(cDBAccess::kDatabasePassword), &failure);
        QVERIFY2(db, qPrintable(failure.text()));
        QVERIFY(ExamSchema::hasChoiceColumns(*db));
        QStringList columns;
        for (const QVariantList &column : rows(u"PRAGMA table_info(Q_A)"_s))
            columns << column.at(1).toString();
        QCOMPARE(columns.join(u' '), u"QID Question A B C D CorrectAnswer Category Description E F Retired"_s);
        QCOMPARE(value(u"SELECT count(*) FROM Q_A WHERE Retired = 0"_s).toInt(), 5);
        QCOMPARE(rows(all), before);
        QCOMPARE(value(u"SELECT count(*) FROM Q_A WHERE E IS NULL AND F IS NULL"_s).toInt(), 5);
        PoolStore::Report report;
        QString error;
        QVERIFY2(PoolStore::add(*db, {question(0, u"imp-six"_s, u"Six?"_s, u"BF"_s, 6)}, &report, &error),
            qPrintable(error));
        QCOMPARE(rows(u"SELECT QID, E, F, CorrectAnswer FROM Q_A WHERE Question = 'Six?'"_s),
            (Rows{{4, u"e of Six?"_s, u"f of Six?"_s, u"BF"_s}}));
        ConnectionPool::clear();
    }
};

QTEST_GUILESS_MAIN(tst_poolstore)
#include "tst_poolstore.moc"
