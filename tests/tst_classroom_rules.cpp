#include "ScreenSuite.h"

#include "ClassServer.h"
#include "data/ClassRoster.h"
#include "data/ConnectionPool.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/QuestionEditorSession.h"
#include "data/ReviewSession.h"
#include "data/ServerRules.h"

// What a class's server itself lets each role do, whatever a program sends, proved by hand-written SQL
// from the role's own login; the server draws, times and scores every exam. And vesk-buildpool --dsn,
// which applies those rules and loads and replaces the pool numbered as a file build numbers it.
class tst_classroom_rules final : public QObject {
    Q_OBJECT

    ClassServer m_class;
    PgServer &m_server = m_class.server();
    std::shared_ptr<Database> m_ann, m_bob, m_tina, m_vera;
    qint32 m_annExam = 0, m_bobExam = 0, m_annDetail = 0, m_bobDetail = 0;
    QString m_used, m_free; // a question of ann's exam, and one no exam holds
    QTemporaryDir m_dir;

    struct Outcome {
        bool ok;
        QString error;
        QList<QVariantList> rows;
    };
    // One statement in a transaction of its own, always rolled back: a refusal leaves nothing behind.
    static Outcome attempt(Database &db, const QString &sql)
    {
        Outcome outcome{false, QString(), {}};
        DbError error;
        Database::Result result;
        outcome.ok = db.begin(&error);
        for (const QString &statement : sql.split(u"; "_s))
            outcome.ok = outcome.ok
                && (statement.startsWith(u"SELECT"_s) ? db.query(statement, &result, &error)
                                                      : db.execute(statement, {}, nullptr, &error));
        for (const auto &row : result.rows)
            outcome.rows << QVariantList(row.begin(), row.end());
        outcome.error = error.text();
        db.rollback();
        return outcome;
    }
    QString admin(const QString &sql) { return m_class.scalar(sql); }
    // Everything a candidate might change, as one fingerprint.
    QString fingerprint()
    {
        QStringList parts;
        for (const char *table : {"ExamTitle", "ExamDetails", "Q_A", "ExamFlags", "ExamProgress", "QuestionKeys",
                 "PracticeExams", "ExamClock"})
            parts << u"SELECT x::text AS t FROM %1 x"_s.arg(QLatin1String(table));
        return admin(u"SELECT md5(string_agg(t, ',' ORDER BY t)) FROM (%1) s"_s.arg(parts.join(u" UNION ALL "_s)));
    }
    // A running exam of the signed-in candidate, drawn by the server.
    static qint32 start(Database &db, const QString &ticked = u"0"_s, int questions = 10, DbError *error = nullptr)
    {
        return qint32(ClassServer::value(
            db, u"SELECT vesk_start_exam(ARRAY[%1], %2, false, 'run')"_s.arg(ticked).arg(questions), error)
                          .toLongLong());
    }
    static qint32 firstDetail(Database &db, qint32 exam)
    {
        return ClassServer::value(db, u"SELECT min(DetailID) FROM ExamDetails WHERE ExamID = %1"_s.arg(exam)).toInt();
    }
    // A candidate of the class's own, added at first use, for tests whose exams must disturb no other.
    std::shared_ptr<Database> candidate(const QString &name)
    {
        return m_class.addCandidate(name) ? ClassServer::connectAs(name) : nullptr;
    }

    static TestSupport::Run tool(
        const QStringList &args, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        return TestSupport::run(QCoreApplication::applicationDirPath() + u"/../vesk-buildpool"_s, args, environment);
    }
    static QStringList poolFiles(const QString &folder)
    {
        QStringList files;
        for (const QString &name : QDir(folder).entryList({u"*.json"_s}, QDir::Files, QDir::Name))
            files << QDir(folder).filePath(name);
        return files;
    }
    QString file() const { return m_dir.filePath(u"Exam.mdb"_s); }
    // Every question with its key, and every stored answer with its question's text, as in the file.
    void sameAsTheFile(const QString &dsn = u"Trainer"_s, const QString &path = QString())
    {
        DbError error;
        const std::shared_ptr<Database> db
            = ConnectionPool::acquireServer(cDBAccess::connectionDescription(3, QString(), QString(), dsn), &error);
        QVERIFY2(db, qPrintable(error.text()));
        for (const QString &sql :
            {u"SELECT q.QID, q.Question, q.A, q.B, q.C, q.D, q.E, q.F, q.CorrectAnswer, q.Category, q.Description, "
             "k.StableID, k.Origin FROM Q_A q LEFT JOIN QuestionKeys k ON k.QID = q.QID ORDER BY q.QID"_s,
                u"SELECT d.DetailID, d.ExamID, d.QID, q.Question, d.Answer FROM ExamDetails d INNER JOIN Q_A q ON "
                "q.QID = d.QID ORDER BY d.DetailID"_s}) {
            Database::Result result;
            QVERIFY2(db->query(db->translate(sql), &result, &error), qPrintable(error.text()));
            QList<QVariantList> onServer;
            for (const auto &row : result.rows)
                onServer << QVariantList(row.begin(), row.end());
            QVERIFY(!onServer.isEmpty() || sql.contains(u"ExamDetails"_s));
            QCOMPARE(onServer, TestSupport::query(path.isEmpty() ? file() : path, sql));
        }
    }
    // A database of its own on the class's server, and a data source of its administrator's.
    bool addDatabase(const QString &database, const QString &dsn)
    {
        m_server.addDsn(
            dsn, database, QString::fromLatin1(PgServer::kSuperuser), QString::fromLatin1(PgServer::kSuperPassword));
        return m_server.psql(u"CREATE DATABASE "_s + database);
    }

private slots:
    void initTestCase()
    {
        // The server as vesk-buildpool --dsn leaves it: the rules are the builder's to apply.
        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        TestSupport::resetProgramState();
        QCOMPARE(admin(u"SELECT string_agg(p.proname || ':' || r.rolname, ',' ORDER BY p.proname) FROM pg_proc p "
                       "JOIN pg_roles r ON r.oid = p.proowner WHERE p.proname IN ('vesk_answer', 'vesk_start_exam')"_s),
            u"vesk_answer:vesk_owner,vesk_start_exam:vesk_owner"_s);
        QVERIFY(m_class.addClass());
        m_ann = ClassServer::connectAs(u"ann"_s);
        m_bob = ClassServer::connectAs(u"bob"_s);
        m_tina = ClassServer::connectAs(u"tina"_s);
        QVERIFY(m_ann && m_bob && m_tina);
        m_annExam = start(*m_ann);
        m_bobExam = start(*m_bob, u"6"_s);
        QVERIFY(m_annExam > 0 && m_bobExam > m_annExam);
        m_annDetail = firstDetail(*m_ann, m_annExam);
        m_bobDetail = firstDetail(*m_bob, m_bobExam);
        QVERIFY(ClassServer::value(*m_bob, u"SELECT vesk_flag(%1, true)"_s.arg(m_bobDetail)).toInt() > 0);
        QVERIFY(ClassServer::value(*m_bob, u"SELECT vesk_answer(%1, 'a')"_s.arg(m_bobDetail)).toInt() > 0);
        m_used = admin(u"SELECT min(QID) FROM ExamDetails WHERE ExamID = %1"_s.arg(m_annExam));
        m_free = admin(u"SELECT min(QID) FROM vesk_private.q_a q WHERE NOT EXISTS (SELECT 1 FROM ExamDetails d "
                       "WHERE d.QID = q.QID)"_s);
        QVERIFY(!m_used.isEmpty() && !m_free.isEmpty());
        // The server names and dates the exam and sets its clock by its size (the questions drawn
        // are drawFollowsTheRules's).
        QCOMPARE(admin(u"SELECT UserName || ' ' || NumOfQuestions || ' ' || (ExamResult IS NULL) || ' ' || "
                       "(abs(extract(epoch FROM ExamDate::timestamp - localtimestamp)) < 60) FROM ExamTitle "
                       "WHERE ExamID = %1"_s.arg(m_annExam)),
            u"ann 10 true true"_s);
        QCOMPARE(
            admin(u"SELECT extract(epoch FROM Deadline - StartedAt) FROM ExamClock WHERE ExamID = %1"_s.arg(m_annExam))
                .toDouble(),
            double(ServerRules::durationOf(10)));
    }
    void cleanupTestCase() { ConnectionPool::clear(); }

    // Each role is held to what the server allows it, whatever SQL it sends: a candidate to her own
    // exam through the functions, a trainer to the questions through the editor's functions.
    void handWrittenSql_data() { TestSupport::addCases(u"classroom/hand-written-sql.tsv"_s); }
    void handWrittenSql()
    {
        const auto [who, sql, expect] = SessionCases::texts("who", "sql", "expect");
        const QString statement = QString(sql)
                                      .replace(u"%1"_s, QString::number(m_annExam))
                                      .replace(u"%2"_s, QString::number(m_bobExam))
                                      .replace(u"%3"_s, QString::number(m_annDetail))
                                      .replace(u"%4"_s, QString::number(m_bobDetail))
                                      .replace(u"%USED%"_s, m_used)
                                      .replace(u"%FREE%"_s, m_free);
        const QString before = fingerprint();
        const Outcome outcome = attempt(who == u"ann"_s ? *m_ann : *m_tina, statement);
        if (expect.startsWith(u"refused"_s)) {
            QVERIFY2(!outcome.ok && !outcome.error.isEmpty(), qPrintable(statement));
            QVERIFY2(outcome.error.contains(expect.mid(9)), qPrintable(outcome.error));
        } else {
            QVERIFY2(outcome.ok, qPrintable(statement + u": "_s + outcome.error));
            if (expect == u"empty"_s)
                QCOMPARE(outcome.rows.size(), 0);
            else
                QCOMPARE(outcome.rows.value(0).value(0).toString(), expect);
        }
        QCOMPARE(fingerprint(), before);
    }

    // An answer holds the exam's row until it commits: the scoring waits for it, and counts it.
    void scoringWaitsForTheAnswerInFlight()
    {
        const std::shared_ptr<Database> second = ClassServer::connectAs(u"ann"_s);
        QVERIFY(second && second != m_ann);
        const QString key = admin(u"SELECT q.CorrectAnswer FROM ExamDetails d JOIN Q_A q ON q.QID = d.QID "
                                  "WHERE d.DetailID = %1"_s.arg(m_annDetail));
        DbError error;
        Database::Result result;
        QVERIFY(m_ann->begin(&error));
        QVERIFY(m_ann->query(u"SELECT vesk_answer(%1, '%2')"_s.arg(m_annDetail).arg(key), &result, &error));
        // The answer is not committed: the scoring cannot get past it.
        const Outcome blocked
            = attempt(*second, u"SET LOCAL lock_timeout = '200ms'; SELECT vesk_score_exam(%1)"_s.arg(m_annExam));
        QVERIFY(!blocked.ok);
        QVERIFY2(blocked.error.contains(u"lock"_s), qPrintable(blocked.error));
        QVERIFY(m_ann->commit(&error));
        QVERIFY(ClassServer::value(*second, u"SELECT vesk_score_exam(%1)"_s.arg(m_annExam)).toInt() >= 1);
        // Scored: her answers and score stay as they are, for her and for the database's owner alike.
        const Outcome late = attempt(*m_ann, u"SELECT vesk_answer(%1, 'B')"_s.arg(m_annDetail));
        QVERIFY2(!late.ok && late.error.contains(u"scored"_s), qPrintable(late.error));
        QVERIFY(!m_class.exec(
            u"UPDATE ExamDetails SET Answer = CASE Answer WHEN 'A' THEN 'B' ELSE 'A' END WHERE DetailID = %1"_s.arg(
                m_annDetail)));
        QVERIFY(!m_class.exec(u"UPDATE ExamTitle SET ExamResult = 10 WHERE ExamID = %1"_s.arg(m_annExam)));
        // And now its key is hers to see, and only hers.
        QCOMPARE(attempt(*m_ann, u"SELECT * FROM vesk_exam_keys(%1)"_s.arg(m_annExam)).rows.size(), 10);
        QCOMPARE(attempt(*m_bob, u"SELECT * FROM vesk_exam_keys(%1)"_s.arg(m_annExam)).rows.size(), 0);
    }

    // The clock is the server's: past the deadline and its grace an answer is refused and the exam
    // is scored as it stands.
    void answersAfterTheDeadlineAreRefused()
    {
        const qint32 exam = start(*m_ann, u"1"_s);
        const qint32 detail = firstDetail(*m_ann, exam);
        QVERIFY(ClassServer::value(*m_ann, u"SELECT vesk_answer(%1, 'A')"_s.arg(detail)).toInt() > 700);
        // Within the grace for the move in flight, still taken.
        QVERIFY(m_class.exec(
            u"UPDATE ExamClock SET Deadline = now() - interval '%2 seconds' WHERE ExamID = %1"_s.arg(exam).arg(
                ServerRules::kGraceSeconds - 2)));
        QCOMPARE(ClassServer::value(*m_ann, u"SELECT vesk_answer(%1, 'B')"_s.arg(detail)).toInt(), 0);
        QVERIFY(
            m_class.exec(u"UPDATE ExamClock SET Deadline = now() - interval '3 hours' WHERE ExamID = %1"_s.arg(exam)));
        const QString before = fingerprint();
        for (const QString &sql : {u"SELECT vesk_answer(%1, 'C')"_s.arg(detail),
                 u"SELECT vesk_flag(%1, true)"_s.arg(detail), u"SELECT vesk_heartbeat(%1, 'run')"_s.arg(exam)}) {
            const Outcome late = attempt(*m_ann, sql);
            QVERIFY2(!late.ok && late.error.contains(u"The exam time is over."_s), qPrintable(sql + late.error));
        }
        QCOMPARE(fingerprint(), before);
        QCOMPARE(ClassServer::value(*m_ann, u"SELECT vesk_score_overdue()"_s).toInt(), 1);
        QCOMPARE(admin(u"SELECT Answer FROM ExamDetails WHERE DetailID = %1"_s.arg(detail)), u"B"_s);
    }

    // A class list with a fault adds nobody and names the line of each fault.
    void rosterRefusesBadLists_data() { TestSupport::addCases(u"classroom/roster-lists.tsv"_s); }
    void rosterRefusesBadLists()
    {
        const auto [csv, errors, second] = SessionCases::texts("csv", "errors", "second");
        QStringList found;
        const std::vector<ClassRoster::Person> people
            = ClassRoster::parse(QString(csv).replace(u"\\r"_s, u"\r"_s).toUtf8(), &found);
        QCOMPARE(found.join(u'\n'), errors);
        if (errors.isEmpty()) {
            QCOMPARE(people.size(), size_t(2));
            QCOMPARE(people[0].name + u'|' + people[0].password, u"ann|a1"_s);
            QCOMPARE(people[1].name, second);
            QVERIFY(people[1].generated && people[1].password.size() == 12);
        } else {
            QVERIFY(people.empty());
        }
    }

    // The trainer adds the class with the tool; each made password is printed once and signs in, on
    // a few connections only, so that no candidate can take the class's.
    void toolAddsTheClass()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"VESK_PASSWORD"_s, QString::fromLatin1(PgServer::kSuperPassword));
        const QStringList common{u"--dsn"_s, QString::fromLatin1(ClassServer::kAdminDsn), u"--db-name"_s,
            QString::fromLatin1(ClassServer::kDatabase), u"--user"_s, QString::fromLatin1(PgServer::kSuperuser)};
        // Dora with her password, Emil without.
        TestSupport::Run added
            = tool(common + QStringList{u"--add-candidates"_s, TestSupport::testData(u"classroom/class-list.csv"_s)},
                environment);
        QVERIFY2(added.status == 0, qPrintable(added.err));
        const QStringList lines = added.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), u"dora"_s); // her password was given: not printed
        QVERIFY(lines.value(1).startsWith(u"emil,"_s));
        std::vector<std::shared_ptr<Database>> open;
        for (int i = 0; i < ClassRoster::kConnectionLimit; ++i)
            QVERIFY((open.emplace_back(ClassServer::connectAs(u"emil"_s, lines.value(1).section(u',', 1)))));
        DbError failure;
        QVERIFY(!ClassServer::connectAs(u"emil"_s, lines.value(1).section(u',', 1), &failure));
        QVERIFY2(failure.text().contains(u"too many connections"_s), qPrintable(failure.text()));
        QCOMPARE(admin(u"SELECT string_agg(pg_has_role(rolname, 'vesk_candidate', 'MEMBER')::text, ',') FROM pg_roles "
                       "WHERE rolname IN ('dora', 'emil')"_s),
            u"true,true"_s);
        // A name the server has already (Fred, then Dora): nobody of the list is added.
        added = tool(
            common + QStringList{u"--add-candidates"_s, TestSupport::testData(u"classroom/class-list-taken.csv"_s)},
            environment);
        QCOMPARE(added.status, 1);
        QVERIFY2(
            added.err.contains(u"line 2 (dora)"_s) && added.err.contains(u"nobody was added"_s), qPrintable(added.err));
        QCOMPARE(admin(u"SELECT count(*) FROM pg_roles WHERE rolname = 'fred'"_s), u"0"_s);
        const TestSupport::Run trainer = tool(common + QStringList{u"--add-trainer"_s, u"greta"_s}, environment);
        QVERIFY2(trainer.status == 0 && trainer.out.startsWith(u"greta,"_s), qPrintable(trainer.err));
        QCOMPARE(admin(u"SELECT pg_has_role('greta', 'vesk_trainer', 'MEMBER')::text"_s), u"true"_s);
    }

    // The trainer ends a candidate's exam: scored as it stands, the candidate's sessions ended
    // (seeing and deleting every exam is tst_classroom_screens's).
    void trainerEndsAnExam()
    {
        QCOMPARE(ClassServer::value(*m_tina, u"SELECT vesk_end_exam_of('bob')"_s).toInt(), 1);
        QCOMPARE(admin(u"SELECT (ExamResult IS NOT NULL)::text FROM ExamTitle WHERE ExamID = %1"_s.arg(m_bobExam)),
            u"true"_s);
        QVERIFY(!m_bob->isUsable() || !attempt(*m_bob, u"SELECT 1"_s).ok);
        const Outcome ended
            = attempt(*ClassServer::connectAs(u"bob"_s), u"SELECT vesk_answer(%1, 'B')"_s.arg(m_bobDetail));
        QVERIFY2(!ended.ok && ended.error.contains(u"The trainer ended this exam."_s), qPrintable(ended.error));
    }

    // The database's administrator may delete exams, as a trainer may (a candidate may not:
    // tst_classroom_screens).
    void administratorMayDelete()
    {
        gDbProvider = 3;
        gDbName = QString::fromLatin1(ClassServer::kDatabase);
        gDSN = QString::fromLatin1(ClassServer::kAdminDsn);
        QVERIFY(ReviewSession::mayDelete());
        TestSupport::resetProgramState();
    }

    // The question editor as the trainer saves through the functions in one transaction: a used question
    // reworded keeps its id, a rekeyed one is replaced and retired, an unused one deleted.
    void editorSavesAsTheTrainer()
    {
        gDbProvider = 3;
        gDSN = u"tina"_s;
        gDbName = QString::fromLatin1(ClassServer::kDatabase);
        const qint64 used = m_used.toLongLong();
        const qint64 rekeyed
            = admin(u"SELECT max(QID) FROM ExamDetails WHERE ExamID = %1"_s.arg(m_annExam)).toLongLong();
        const qint64 deleted = admin(u"SELECT min(QID) FROM vesk_private.q_a q WHERE NOT EXISTS (SELECT 1 FROM "
                                     "ExamDetails d WHERE d.QID = q.QID)"_s)
                                   .toLongLong();
        const int total = admin(u"SELECT count(*) FROM vesk_private.q_a"_s).toInt();
        QuestionEditorSession session;
        QString error;
        QVERIFY2(session.load(&error), qPrintable(error));
        QCOMPARE(session.count(), total);
        QuestionEditorSession::Question q = session.at(session.rowOf(used));
        const QString usedId = q.stableId;
        q.question = u"Reworded on the server?"_s;
        session.replace(session.rowOf(used), q);
        q = session.at(session.rowOf(rekeyed));
        const QString rekeyedId = q.stableId;
        QuestionEditorSession::Question successor = session.successorOf(q);
        successor.keys = q.keys == u"A"_s ? u"B"_s : u"A"_s;
        q.retired = true;
        session.replace(session.rowOf(rekeyed), q);
        session.append(successor);
        session.remove(session.rowOf(deleted));
        QVERIFY2(session.save(&error), qPrintable(error));
        QCOMPARE(admin(u"SELECT q.Question || ' ' || k.StableID || ' ' || q.Retired FROM vesk_private.q_a q JOIN "
                       "QuestionKeys k ON k.QID = q.QID WHERE q.QID = %1"_s.arg(used)),
            u"Reworded on the server? %1 0"_s.arg(usedId));
        const auto stored = [this](const QString &stableId) {
            return admin(u"SELECT q.CorrectAnswer || ' ' || q.Retired FROM vesk_private.q_a q JOIN QuestionKeys k ON "
                         "k.QID = q.QID WHERE k.StableID = '%1'"_s.arg(stableId));
        };
        QCOMPARE(stored(rekeyedId), session.at(session.rowOf(rekeyed)).keys + u" 1"_s);
        QCOMPARE(stored(successor.stableId), successor.keys + u" 0"_s);
        // One added, one deleted.
        QCOMPARE(admin(u"SELECT count(*) FROM vesk_private.q_a"_s).toInt(), total);
        QCOMPARE(admin(u"SELECT count(*) FROM vesk_private.q_a WHERE QID = %1"_s.arg(deleted)), u"0"_s);
        TestSupport::resetProgramState();
    }

    // The server draws by the program's rules, whatever a candidate asks: the ticked categories fill
    // blocks of slots in their order, the left-over comes from the last that has questions, a retired
    // question is never drawn, and an exam the questions cannot fill is refused.
    void drawFollowsTheRules_data() { TestSupport::addCases(u"classroom/draws.tsv"_s); }
    void drawFollowsTheRules()
    {
        const auto [drawable, ticked, questions, pattern]
            = SessionCases::texts("drawable", "ticked", "questions", "pattern");
        if (!m_vera)
            m_vera = candidate(u"vera"_s);
        QVERIFY(m_vera);
        Database &vera = *m_vera;
        const QStringList counts = drawable.split(u' ');
        QStringList limits, names;
        for (int c = 0; c < 6; ++c) {
            limits << u"WHEN '%1' THEN %2"_s.arg(ExamSchema::categories().at(c), counts.at(c));
            names << u"'%1'"_s.arg(ExamSchema::categories().at(c));
        }
        QVERIFY(m_class.exec(u"UPDATE vesk_private.q_a q SET Retired = CASE WHEN r.n > (CASE q.Category %1 END) "
                             "THEN 1 ELSE 0 END FROM (SELECT QID, row_number() OVER (PARTITION BY Category ORDER BY "
                             "QID) AS n FROM vesk_private.q_a) r WHERE r.QID = q.QID"_s.arg(limits.join(u' '))));
        DbError error;
        const qint32 exam = start(vera, QString(ticked).replace(u' ', u", "_s), questions.toInt(), &error);
        // Each slot's category in order, how many distinct questions, how many of them retired.
        const QString drawn = exam <= 0
            ? (error.text().contains(u"not enough questions"_s) ? u"short"_s : u"refused otherwise"_s)
            : admin(u"SELECT string_agg((array_position(ARRAY[%1], q.Category) - 1)::text, '' ORDER BY d.DetailID) "
                    "|| ' ' || count(DISTINCT d.QID) || ' ' || count(*) FILTER (WHERE q.Retired <> 0) FROM ExamDetails "
                    "d JOIN vesk_private.q_a q ON q.QID = d.QID WHERE d.ExamID = %2"_s.arg(names.join(u", "_s))
                        .arg(exam));
        QVERIFY(m_class.exec(u"UPDATE vesk_private.q_a SET Retired = 0"_s));
        if (exam > 0)
            QVERIFY(ClassServer::value(vera, u"SELECT vesk_score_exam(%1)"_s.arg(exam)).isValid());
        QString expected = pattern;
        for (qsizetype i = 0; i < expected.size() && i < drawn.size(); ++i) {
            if (expected.at(i) == u'*')
                expected[i] = drawn.at(i);
        }
        if (pattern != u"short"_s)
            expected += u" %1 0"_s.arg(questions);
        QCOMPARE(drawn, expected);
    }

    // A question of two right letters: the candidate's program learns how many to tick, never which;
    // the answer is kept sorted and once, a letter the question lacks or a third one is refused, it
    // counts as answered only when both are ticked, and the score counts it only when both are right.
    void chooseTwo()
    {
        const std::shared_ptr<Database> cara = candidate(u"cara"_s);
        QVERIFY(cara);
        const qint32 exam = start(*cara);
        QVERIFY(exam > 0);
        const QStringList rows = admin(u"SELECT string_agg(DetailID || ':' || QID, ',' ORDER BY DetailID) FROM "
                                       "ExamDetails WHERE ExamID = %1"_s.arg(exam))
                                     .split(u',');
        const QString right = rows.at(0).section(u':', 0, 0), half = rows.at(1).section(u':', 0, 0);
        const QString asked = rows.at(0).section(u':', 1, 1) + u", "_s + rows.at(1).section(u':', 1, 1);
        // The last test on the class's pool: the two questions are left as changed here.
        QVERIFY(m_class.exec(
            u"UPDATE vesk_private.q_a SET E = 'Fifth', CorrectAnswer = 'BE' WHERE QID IN (%1)"_s.arg(asked)));
        QCOMPARE(ClassServer::value(*cara, u"SELECT vesk_choose(%1)"_s.arg(rows.at(0).section(u':', 1, 1))).toString(),
            u"2"_s);
        QVERIFY(ClassServer::value(*cara, u"SELECT vesk_answer(%1, 'ebB')"_s.arg(right)).isValid());
        QVERIFY(ClassServer::value(*cara, u"SELECT vesk_answer(%1, 'B')"_s.arg(half)).isValid());
        const Outcome lacking = attempt(*cara, u"SELECT vesk_answer(%1, 'BF')"_s.arg(right));
        QVERIFY2(!lacking.ok && lacking.error.contains(u"no choice F"_s), qPrintable(lacking.error));
        const Outcome third = attempt(*cara, u"SELECT vesk_answer(%1, 'ABE')"_s.arg(right));
        QVERIFY2(!third.ok && third.error.contains(u"at most 2"_s), qPrintable(third.error));
        QCOMPARE(admin(u"SELECT string_agg(Answer || Answered, ',' ORDER BY DetailID) FROM ExamDetails WHERE DetailID "
                       "IN (%1, %2)"_s.arg(right, half)),
            u"BE-1,B0"_s);
        QVERIFY(ClassServer::value(*cara, u"SELECT vesk_score_exam(%1)"_s.arg(exam)).isValid());
        QCOMPARE(admin(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(exam)), u"1"_s);
    }

    void builderCreatesLoadsAndReplaces()
    {
        QVERIFY(addDatabase(u"built"_s, u"Trainer"_s));
        m_server.addDsn(u"Nobody"_s, u"built"_s);
        const QStringList first = poolFiles(QFINDTESTDATA("data/pool-v1"));
        const QStringList now = poolFiles(QFINDTESTDATA("../pool"));
        QVERIFY(!first.isEmpty() && !now.isEmpty());
        QCOMPARE(tool(QStringList{u"--out"_s, file()} + first).status, 0);

        TestSupport::Run run = tool(QStringList{u"--dsn"_s, u"Trainer"_s} + first);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(run.out.trimmed(),
            u"Trainer written: %1 questions, 0 stored exam(s) kept."_s.arg(
                TestSupport::scalar(file(), u"SELECT count(*) FROM Q_A"_s).toInt()));
        sameAsTheFile();
        // Stored exams on both, the same, of sizes an earlier version stored and the server's rules
        // now refuse; then a build without --replace-pool is refused, changing nothing.
        const QString exams = u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 3), ('bob', 2); "
                              "INSERT INTO ExamDetails (ExamID, UserName, QID, Answer) VALUES (1, 'ann', 1, 'A'), "
                              "(1, 'ann', 2, 'B'), (1, 'ann', 200, NULL), (2, 'bob', 7, 'C'), (2, 'bob', 630, 'D')"_s;
        TestSupport::exec(file(), exams);
        QVERIFY(!m_server.psql(exams, nullptr, u"built"_s));
        QCOMPARE(m_server.scalar(u"SELECT count(*) FROM ExamTitle"_s, u"built"_s), u"0"_s);
        // As an earlier version stored them (the refused insert used up a key).
        QVERIFY(m_server.psql(u"ALTER TABLE ExamTitle DROP CONSTRAINT examtitle_size; ALTER TABLE ExamTitle ALTER "
                              "COLUMN ExamID RESTART WITH 1; "_s
                + exams,
            nullptr, u"built"_s));
        run = tool(QStringList{u"--dsn"_s, u"Trainer"_s} + now);
        QVERIFY(run.status != 0);
        QVERIFY2(run.err.contains(u"holds 2 stored exam(s); it was left unchanged"_s), qPrintable(run.err));
        run = tool(QStringList{u"--if-absent"_s, u"--dsn"_s, u"Trainer"_s} + now);
        QVERIFY(run.status == 0 && run.out.contains(u"left unchanged"_s));
        sameAsTheFile();

        // Today's pool into both: renumbered alike, every stored answer still on its question.
        QCOMPARE(tool(QStringList{u"--replace-pool"_s, u"--out"_s, file()} + now).status, 0);
        run = tool(QStringList{u"--replace-pool"_s, u"--dsn"_s, u"Trainer"_s} + now);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(run.out.contains(u"2 stored exam(s) kept"_s));
        // Kept, and named: the upgrade brings the rule back for every new exam.
        QVERIFY2(run.out.contains(u"Kept as they are, though the server's rules no longer allow them:\n"
                                  "  exam 1 of ann: 3 questions, not 10, 30 or 50\n"
                                  "  exam 2 of bob: 2 questions, not 10, 30 or 50"_s),
            qPrintable(run.out));
        QVERIFY(!m_server.psql(
            u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 3)"_s, nullptr, u"built"_s));
        sameAsTheFile();

        // A source without a user, a wrong database, a wrong password: refused with the reason.
        run = tool(QStringList{u"--dsn"_s, u"Nobody"_s} + now);
        QVERIFY(run.status != 0 && run.err.contains(u"cannot reach the data source Nobody"_s));
        run = tool(QStringList{u"--dsn"_s, u"Trainer"_s, u"--db-name"_s, u"nosuchdb"_s} + now);
        QVERIFY2(run.status != 0 && run.err.contains(u"nosuchdb"_s), qPrintable(run.err));
        QVERIFY(tool(QStringList{u"--dsn"_s, u"Trainer"_s, u"--out"_s, file()} + now).status != 0);
    }

    // A first-version class database (Q_A without E, F and Retired) gains them through --dsn, readable as
    // the other columns are, and takes five and six choices and several right answers as a file does;
    // the server counts such an answer right only with every right letter and no other.
    void builderGivesAFirstVersionClassTheChoices()
    {
        QVERIFY(addDatabase(u"class2"_s, u"Class2"_s));
        QStringList first = ExamSchema::createStatements(SqlDialect::Target::PostgreSql);
        const QString added = u", E TEXT, F TEXT, Retired INTEGER NOT NULL DEFAULT 0)"_s;
        QCOMPARE(first.filter(added).size(), 1);
        first.replaceInStrings(added, u")"_s);
        QVERIFY(m_server.psql(first.join(u";\n"_s), nullptr, u"class2"_s));
        // The questions' own table, wherever it is kept (not the view of the same name).
        const QString columns = u"SELECT string_agg(c.column_name, ',' ORDER BY c.ordinal_position) FROM "
                                "information_schema.columns c JOIN information_schema.tables t ON t.table_schema = "
                                "c.table_schema AND t.table_name = c.table_name WHERE c.table_name = 'q_a' AND "
                                "t.table_type = 'BASE TABLE'"_s;

        const QStringList pool = poolFiles(QFINDTESTDATA("data/pool-v1"))
            << TestSupport::testData(u"classroom/wide.json"_s); // five and six choices, three right
        const QString path = m_dir.filePath(u"Wide.mdb"_s);
        QCOMPARE(tool(QStringList{u"--out"_s, path} + pool).status, 0);
        // An exam that version left running: kept through the upgrade, given the server's clock of
        // its size, and named, as it has none of its question rows.
        QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES ('ann', "
                              "'2026-12-01 09:00:00', 10)"_s,
            nullptr, u"class2"_s));
        const TestSupport::Run run = tool(QStringList{u"--replace-pool"_s, u"--dsn"_s, u"Class2"_s} + pool);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(u"1 stored exam(s) kept"_s)
                && run.out.contains(u"\n  exam 1 of ann: 0 question rows for 10 questions"_s),
            qPrintable(run.out));
        QCOMPARE(m_server.scalar(u"SELECT extract(epoch FROM Deadline - StartedAt)::integer || ' ' || (EndedBy IS "
                                 "NULL) FROM ExamClock WHERE ExamID = 1"_s,
                     u"class2"_s),
            u"%1 true"_s.arg(ServerRules::durationOf(10)));
        QCOMPARE(m_server.scalar(columns, u"class2"_s),
            u"qid,question,a,b,c,d,correctanswer,category,description,e,f,retired"_s);
        sameAsTheFile(u"Class2"_s, path);
        QCOMPARE(
            m_server.scalar(u"SELECT bool_and(has_column_privilege(r, 'q_a', 'e', 'SELECT') AND has_column_privilege("
                            "r, 'q_a', 'f', 'SELECT') AND NOT has_column_privilege(r, 'q_a', 'e', 'UPDATE')) FROM "
                            "unnest(ARRAY['vesk_candidate', 'vesk_trainer']) r"_s,
                u"class2"_s),
            u"t"_s);

        // The six-choice question with every right letter, two of three, one wrong more (the five-choice
        // one right each time); a scored exam stays scored, so each answer is an exam of its own.
        const QStringList answers{u"ACE"_s, u"AC"_s, u"ACDE"_s};
        const QStringList scores{u"2"_s, u"1"_s, u"1"_s};
        for (int i = 0; i < int(answers.size()); ++i) {
            const int exam = i + 2; // after the running one
            QVERIFY(m_server.psql(u"INSERT INTO ExamTitle (UserName, NumOfQuestions) VALUES ('ann', 10); "
                                  "INSERT INTO ExamDetails (ExamID, UserName, QID, Answer) SELECT %1, 'ann', QID, "
                                  "CASE WHEN E = 'OSPF' THEN 'B' ELSE '%2' END FROM Q_A WHERE E IS NOT NULL"_s.arg(exam)
                                      .arg(answers.at(i)),
                nullptr, u"class2"_s));
            QCOMPARE(m_server.scalar(ServerRules::scoreExam(exam), u"class2"_s), scores.at(i));
        }
        ConnectionPool::clear();
    }
};

QTEST_GUILESS_MAIN(tst_classroom_rules)
#include "tst_classroom_rules.moc"
