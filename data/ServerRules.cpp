#include "data/ServerRules.h"

#include "data/ExamSchema.h"

namespace {
// The exam tables a candidate reads their own rows of.
const char kExamTables[] = "ExamTitle, ExamDetails, ExamProgress, ExamFlags, PracticeExams, ExamClock";

// Every function the program calls, with its arguments, and the internal ones only the owner runs.
const char *const kPublicFunctions[] = {
    "vesk_start_exam(integer[], integer, boolean, text)",
    "vesk_answer(integer, text)",
    "vesk_flag(integer, boolean)",
    "vesk_heartbeat(integer, text)",
    "vesk_score_exam(integer)",
    "vesk_score_overdue()",
    "vesk_exam_keys(integer)",
    "vesk_mistake_counts()",
    "vesk_end_exam_of(text)",
    "vesk_choose(integer)",
};
const char *const kInternalFunctions[] = {
    "vesk_read_committed()",
    "vesk_duration(integer)",
    "vesk_draw_pool(text, boolean)",
    "vesk_lock_running(integer)",
    "vesk_score_internal(integer)",
    "vesk_frozen_answers()",
    "vesk_frozen_exam()",
};
// What only trainers may call: every candidate's figures.
const char *const kTrainerFunctions[] = {
    "vesk_class_overview(integer)",
    "vesk_class_live()",
};

QString sqlList(const QStringList &values)
{
    QStringList quoted;
    for (const QString &value : values)
        quoted << QLatin1Char('\'') + QString(value).replace(QLatin1Char('\''), QLatin1String("''"))
                + QLatin1Char('\'');
    return quoted.join(QLatin1String(", "));
}

// The functions' bodies, with the names and numbers they share filled in.
QString function(QString text)
{
    return text.replace(QLatin1String("$GRACE$"), QString::number(ServerRules::kGraceSeconds))
        .replace(QLatin1String("$CATEGORIES$"), sqlList(ExamSchema::categories()))
        .replace(QLatin1String("$TIME_OVER$"), QLatin1String(ServerRules::kTimeOver))
        .replace(QLatin1String("$ENDED$"), QLatin1String(ServerRules::kEndedByTrainer))
        .replace(QLatin1String("$ISOLATION$"), QLatin1String(ServerRules::kWrongIsolation))
        .replace(QLatin1String("$SCORED$"), QLatin1String(ServerRules::kAlreadyScored));
}
} // namespace

int ServerRules::durationOf(int questions)
{
    // 1.2 minutes a question; the 50-question exam shows 59:59, as the clock panel does.
    return questions == 50 ? 59 * 60 + 59 : questions * 72;
}

QString ServerRules::startExam(const QList<int> &ticked, int questions, bool practice, const QString &token)
{
    QStringList indices;
    for (const int index : ticked)
        indices << QString::number(index);
    return QStringLiteral("SELECT vesk_start_exam(ARRAY[%1]::integer[], %2, %3, %4)")
        .arg(indices.join(QLatin1String(", ")))
        .arg(questions)
        .arg(practice ? QLatin1String("true") : QLatin1String("false"))
        .arg(sqlList({token}));
}

QString ServerRules::answer(qint32 detail, const QString &letters)
{
    return QStringLiteral("SELECT vesk_answer(%1, %2)").arg(detail).arg(sqlList({letters}));
}

QString ServerRules::flag(qint32 detail, bool flagged)
{
    return QStringLiteral("SELECT vesk_flag(%1, %2)")
        .arg(detail)
        .arg(flagged ? QLatin1String("true") : QLatin1String("false"));
}

QString ServerRules::heartbeat(qint32 exam, const QString &token)
{
    return QStringLiteral("SELECT vesk_heartbeat(%1, %2)").arg(exam).arg(sqlList({token}));
}

QString ServerRules::scoreExam(qint32 exam)
{
    return QStringLiteral("SELECT vesk_score_exam(%1)").arg(exam);
}

QString ServerRules::scoreOverdue()
{
    return QStringLiteral("SELECT vesk_score_overdue()");
}

QString ServerRules::mistakeCounts()
{
    return QStringLiteral("SELECT Category, Questions FROM vesk_mistake_counts()");
}

QString ServerRules::classOverview(int recent)
{
    return QStringLiteral("SELECT Candidate, Exams, LatestScore, LatestSize, Category, Asked, Correct FROM "
                          "vesk_class_overview(%1)")
        .arg(recent);
}

QString ServerRules::classLive()
{
    return QStringLiteral(
        "SELECT Candidate, ExamID, Questions, Answered, SecondsLeft, HeartbeatAge, Practice FROM vesk_class_live()");
}

QString ServerRules::endExamOf(const QString &candidate)
{
    return QStringLiteral("SELECT vesk_end_exam_of(%1)").arg(sqlList({candidate}));
}

QStringList ServerRules::sessionSettings(bool poolLoad)
{
    return {QStringLiteral("SET lock_timeout = '5s'"),
        poolLoad ? QStringLiteral("SET statement_timeout = 0") : QStringLiteral("SET statement_timeout = '30s'")};
}

QString ServerRules::setViewAside()
{
    return QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_views WHERE schemaname = 'public' AND viewname = "
                          "'q_a') THEN DROP VIEW public.q_a; END IF; END $$");
}

QString ServerRules::constraintViolationsQuery()
{
    return QStringLiteral(
        "SELECT 'exam ' || ExamID || ' of ' || coalesce(UserName, '(no name)') || ': ' || "
        "coalesce(NumOfQuestions::text, 'no') || ' questions, not 10, 30 or 50' FROM ExamTitle "
        "WHERE NumOfQuestions IS NULL OR NumOfQuestions NOT IN (10, 30, 50) "
        "UNION ALL SELECT 'exam ' || t.ExamID || ' of ' || coalesce(t.UserName, '(no name)') || ': ' || "
        "(SELECT count(*) FROM ExamDetails d WHERE d.ExamID = t.ExamID) || ' question rows for ' || "
        "coalesce(t.NumOfQuestions::text, 'no') || ' questions' FROM ExamTitle t "
        "WHERE t.NumOfQuestions IS DISTINCT FROM (SELECT count(*) FROM ExamDetails d WHERE d.ExamID = t.ExamID) "
        "ORDER BY 1");
}

QStringList ServerRules::statements()
{
    QStringList s;
    // The owner of the functions: nobody signs in as it, and no trainer is a member of it. It may
    // end a candidate's sessions when a trainer ends their exam.
    s << QStringLiteral("DO $$ BEGIN "
                        "IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'vesk_candidate') THEN "
                        "CREATE ROLE vesk_candidate NOLOGIN; END IF; "
                        "IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'vesk_trainer') THEN "
                        "CREATE ROLE vesk_trainer NOLOGIN; END IF; "
                        "IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'vesk_owner') THEN "
                        "CREATE ROLE vesk_owner NOLOGIN; END IF; END $$")
      << QStringLiteral("GRANT pg_signal_backend TO vesk_owner")
      // The server's clock of each exam it started: the deadline, and who ended it early.
      << QStringLiteral("CREATE TABLE IF NOT EXISTS ExamClock (ExamID INTEGER PRIMARY KEY REFERENCES ExamTitle "
                        "(ExamID) ON DELETE CASCADE, StartedAt TIMESTAMPTZ NOT NULL, Deadline TIMESTAMPTZ NOT NULL, "
                        "EndedBy TEXT)");

    // The questions live in a schema of their own that only the owner reaches; everyone else reads
    // them through the view public.Q_A, which shows a question's key and explanation only to a
    // trainer or to a candidate who has a scored exam with that question. The program's statements
    // read Q_A as on the file, and an exam running on the screen gets no key.
    s << QStringLiteral("CREATE SCHEMA IF NOT EXISTS vesk_private")
      << QStringLiteral("REVOKE ALL ON SCHEMA vesk_private FROM PUBLIC")
      << QStringLiteral("GRANT USAGE ON SCHEMA vesk_private TO vesk_owner")
      << QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_tables WHERE schemaname = 'public' AND tablename = "
                        "'q_a') THEN ALTER TABLE public.q_a SET SCHEMA vesk_private; END IF; END $$")
      << QStringLiteral("GRANT SELECT ON vesk_private.q_a TO vesk_owner")
      << QStringLiteral("CREATE INDEX IF NOT EXISTS ExamDetails_QID ON ExamDetails (QID, ExamID)")
      // Every column of the table, in its order (a later version may add choices).
      << QStringLiteral(
             "DO $$ DECLARE cols text; BEGIN "
             "SELECT string_agg(CASE WHEN c.column_name IN ('correctanswer', 'description') THEN "
             "format('CASE WHEN r.released THEN q.%1$I END AS %1$I', c.column_name) ELSE format('q.%I', "
             "c.column_name) END, ', ' ORDER BY c.ordinal_position) INTO cols FROM information_schema.columns c "
             "WHERE c.table_schema = 'vesk_private' AND c.table_name = 'q_a'; "
             "EXECUTE 'DROP VIEW IF EXISTS public.q_a'; "
             "EXECUTE format('CREATE VIEW public.q_a WITH (security_barrier) AS SELECT %s FROM vesk_private.q_a q "
             "CROSS JOIN LATERAL (SELECT pg_has_role(session_user, ''vesk_trainer'', ''MEMBER'') OR EXISTS (SELECT 1 "
             "FROM public.ExamDetails d JOIN public.ExamTitle t ON t.ExamID = d.ExamID WHERE d.QID = q.QID AND "
             "t.UserName = session_user AND t.ExamResult IS NOT NULL)) r(released)', cols); "
             "EXECUTE 'ALTER VIEW public.q_a OWNER TO vesk_owner'; END $$");

    // Privileges: candidates read the questions' texts and their own rows, and write nothing but
    // through the functions; trainers read everything and delete exams. Nobody but the owner
    // holds a privilege that takes a table lock above ACCESS SHARE, except a trainer's DELETE.
    s << QStringLiteral("REVOKE ALL ON public.Q_A, QuestionKeys, %1 FROM PUBLIC, vesk_candidate, vesk_trainer")
             .arg(QLatin1String(kExamTables))
      << QStringLiteral("REVOKE ALL ON ALL SEQUENCES IN SCHEMA public FROM PUBLIC, vesk_candidate, vesk_trainer")
      << QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC")
      << QStringLiteral("GRANT USAGE ON SCHEMA public TO vesk_candidate, vesk_trainer, vesk_owner")
      << QStringLiteral("GRANT SELECT ON public.Q_A TO vesk_candidate, vesk_trainer, vesk_owner")
      << QStringLiteral("GRANT SELECT ON QuestionKeys TO vesk_trainer, vesk_owner")
      << QStringLiteral("GRANT SELECT ON QuestionKeys, vesk_master TO vesk_candidate")
      << QStringLiteral("GRANT SELECT ON vesk_master TO vesk_trainer")
      << QStringLiteral("GRANT SELECT ON %1 TO vesk_candidate").arg(QLatin1String(kExamTables))
      << QStringLiteral("GRANT SELECT, DELETE ON %1 TO vesk_trainer").arg(QLatin1String(kExamTables))
      << QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON %1 TO vesk_owner").arg(QLatin1String(kExamTables));

    // Row-level security: a candidate's rows are the signed-in person's, whatever role is set.
    const auto policy = [&s](const char *table, const char *name, const QString &rule) {
        s << QStringLiteral("DROP POLICY IF EXISTS %1 ON %2").arg(QLatin1String(name), QLatin1String(table))
          << QStringLiteral("CREATE POLICY %1 ON %2 %3").arg(QLatin1String(name), QLatin1String(table), rule);
    };
    for (const char *table : {"ExamTitle", "ExamDetails", "ExamProgress", "ExamFlags", "PracticeExams", "ExamClock"}) {
        s << QStringLiteral("ALTER TABLE %1 ENABLE ROW LEVEL SECURITY").arg(QLatin1String(table));
        // Policies of earlier versions that let candidates write.
        for (const char *old : {"candidate_own", "candidate_delete", "candidate_add", "candidate_answer"})
            s << QStringLiteral("DROP POLICY IF EXISTS %1 ON %2").arg(QLatin1String(old), QLatin1String(table));
        policy(table, "trainer_all", QStringLiteral("TO vesk_trainer USING (true)"));
        policy(table, "owner_all", QStringLiteral("TO vesk_owner USING (true) WITH CHECK (true)"));
    }
    const QString ownExam = QStringLiteral("EXISTS (SELECT 1 FROM ExamTitle t WHERE t.ExamID = %1.ExamID AND "
                                           "t.UserName = session_user)");
    // The name compared as text in the column's collation, so that the name's index finds the rows.
    const QString ownName = QStringLiteral("FOR SELECT TO vesk_candidate USING (UserName = session_user::text COLLATE "
                                           "\"default\")");
    policy("ExamTitle", "candidate_read", ownName);
    policy("ExamDetails", "candidate_read", ownName);
    for (const char *table : {"ExamProgress", "PracticeExams", "ExamClock"})
        policy(table, "candidate_read",
            QStringLiteral("FOR SELECT TO vesk_candidate USING (%1)").arg(ownExam.arg(QLatin1String(table))));
    policy("ExamFlags", "candidate_read",
        QStringLiteral("FOR SELECT TO vesk_candidate USING (EXISTS (SELECT 1 FROM ExamDetails d WHERE d.DetailID = "
                       "ExamFlags.DetailID AND d.UserName = session_user))"));

    // Constraints: an exam has 10, 30 or 50 questions. Rows of earlier versions that break it are
    // kept and listed by the builder (constraintViolationsQuery); the rule holds for every new row.
    s << QStringLiteral("ALTER TABLE ExamTitle DROP CONSTRAINT IF EXISTS examtitle_size")
      << QStringLiteral(
             "ALTER TABLE ExamTitle ADD CONSTRAINT examtitle_size CHECK (NumOfQuestions IN (10, 30, 50)) NOT VALID")
      << QStringLiteral("DO $$ BEGIN ALTER TABLE ExamTitle VALIDATE CONSTRAINT examtitle_size; "
                        "EXCEPTION WHEN check_violation THEN NULL; END $$");

    // The functions. Each write runs at READ COMMITTED only and locks its exam's row, so no
    // snapshot can slip an answer past the scoring.
    s << function(
        QStringLiteral("CREATE OR REPLACE FUNCTION vesk_read_committed() RETURNS void LANGUAGE plpgsql "
                       "SET search_path = vesk_private, public, pg_temp AS $f$ BEGIN "
                       "IF current_setting('transaction_isolation') <> 'read committed' THEN "
                       "RAISE EXCEPTION 'The exam''s functions run only at READ COMMITTED, not %.', "
                       "current_setting('transaction_isolation') USING ERRCODE = '$ISOLATION$'; END IF; END $f$"));
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_duration(questions integer) RETURNS integer LANGUAGE sql IMMUTABLE "
        "AS $f$ SELECT CASE WHEN questions = 50 THEN 59 * 60 + 59 ELSE questions * 72 END $f$");
    // The questions a draw takes from: the whole pool, or for a practice exam the questions whose
    // latest scored answer of this candidate was wrong; never a retired one.
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_draw_pool(candidate text, practice boolean) "
        "RETURNS TABLE (QID integer, Category text) LANGUAGE sql STABLE SET search_path = vesk_private, public, "
        "pg_temp AS $f$ "
        "SELECT q.QID, q.Category FROM Q_A q WHERE NOT practice AND coalesce(q.Retired, 0) = 0 "
        "UNION ALL SELECT q.QID, q.Category FROM Q_A q JOIN LATERAL (SELECT d.Answer FROM ExamDetails d "
        "JOIN ExamTitle t ON t.ExamID = d.ExamID WHERE d.QID = q.QID AND t.UserName = candidate "
        "AND t.ExamResult IS NOT NULL ORDER BY d.ExamID DESC, d.DetailID DESC LIMIT 1) latest ON true "
        "WHERE practice AND coalesce(q.Retired, 0) = 0 AND NOT (coalesce(latest.Answer, '') <> '' "
        "AND q.CorrectAnswer IS NOT NULL AND upper(latest.Answer) = upper(q.CorrectAnswer)) $f$");
    // The exam of the signed-in candidate, locked, still running: its seconds left.
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_lock_running(exam integer) RETURNS integer LANGUAGE plpgsql "
        "SET search_path = vesk_private, public, pg_temp AS $f$ DECLARE t ExamTitle; k ExamClock; BEGIN "
        "SELECT * INTO t FROM ExamTitle WHERE ExamID = exam AND UserName = session_user FOR UPDATE; "
        "IF NOT FOUND THEN RAISE EXCEPTION 'There is no exam % of yours.', exam USING ERRCODE = '42501'; END IF; "
        "SELECT * INTO k FROM ExamClock WHERE ExamID = exam; "
        "IF k.EndedBy IS NOT NULL THEN RAISE EXCEPTION 'The trainer ended this exam.' USING ERRCODE = '$ENDED$'; "
        "END IF; "
        "IF t.ExamResult IS NOT NULL THEN RAISE EXCEPTION 'The exam % is scored.', exam "
        "USING ERRCODE = '$SCORED$'; END IF; "
        "IF k.ExamID IS NULL THEN RAISE EXCEPTION 'The exam % was not started by this server.', exam "
        "USING ERRCODE = '42501'; END IF; "
        "IF clock_timestamp() > k.Deadline + interval '$GRACE$ seconds' THEN "
        "RAISE EXCEPTION 'The exam time is over.' USING ERRCODE = '$TIME_OVER$'; END IF; "
        "RETURN greatest(0, ceil(extract(epoch FROM k.Deadline - clock_timestamp())))::integer; END $f$"));
    // Scoring as the program does: the exam's questions whose letters equal the answer without
    // regard to case, an unanswered question wrong, a question counted once and never beyond the
    // exam's number of questions.
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_score_internal(exam integer) RETURNS integer LANGUAGE plpgsql "
        "SET search_path = vesk_private, public, pg_temp AS $f$ DECLARE t ExamTitle; result integer; BEGIN "
        "SELECT * INTO t FROM ExamTitle WHERE ExamID = exam FOR UPDATE; "
        "IF t.ExamResult IS NOT NULL THEN RETURN t.ExamResult; END IF; "
        "SELECT count(DISTINCT d.QID) INTO result FROM ExamDetails d INNER JOIN Q_A q ON q.QID = d.QID "
        "WHERE d.ExamID = exam AND q.CorrectAnswer IS NOT NULL AND upper(q.CorrectAnswer) = upper(coalesce(d.Answer, "
        "'')); "
        "result := least(result, greatest(coalesce(t.NumOfQuestions, 0), 0)); "
        "UPDATE ExamTitle SET ExamResult = result WHERE ExamID = exam; "
        "DELETE FROM ExamProgress WHERE ExamID = exam; RETURN result; END $f$");
    // A candidate's exam, drawn and dated by the server: the categories' blocks of slots in order
    // (6 is All Categories), the slots left over from the last category that has questions.
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_start_exam(ticked integer[], questions integer, practice boolean, "
        "token text) RETURNS integer LANGUAGE plpgsql SECURITY DEFINER SET search_path = vesk_private, public, pg_temp "
        "AS $f$ "
        "DECLARE names CONSTANT text[] := ARRAY[$CATEGORIES$]; me CONSTANT text := session_user; "
        "exam integer; seconds integer; slots integer[]; block integer[]; per integer; kinds integer; "
        "ordinal integer := 0; lastcat text; c integer; i integer; j integer; BEGIN "
        "PERFORM vesk_read_committed(); "
        "IF NOT (pg_has_role(me, 'vesk_candidate', 'MEMBER') OR pg_has_role(me, 'vesk_trainer', 'MEMBER')) THEN "
        "RAISE EXCEPTION 'Only the class''s candidates and trainers take exams here.' USING ERRCODE = '42501'; "
        "END IF; "
        "IF questions IS NULL OR questions NOT IN (10, 30, 50) THEN "
        "RAISE EXCEPTION 'An exam has 10, 30 or 50 questions, not %.', coalesce(questions::text, 'none') "
        "USING ERRCODE = '22023'; END IF; "
        "IF ticked IS NULL OR cardinality(ticked) = 0 OR EXISTS (SELECT 1 FROM unnest(ticked) x "
        "WHERE x IS NULL OR x < 0 OR x > 6) THEN "
        "RAISE EXCEPTION 'Tick one or more of the six categories, or All Categories.' USING ERRCODE = '22023'; "
        "END IF; "
        "IF 6 = ANY(ticked) THEN "
        "slots := ARRAY(SELECT p.QID FROM vesk_draw_pool(me, practice) p ORDER BY random() LIMIT questions); "
        "ELSE "
        "slots := array_fill(0, ARRAY[questions]); "
        "SELECT count(DISTINCT x) INTO kinds FROM unnest(ticked) x; per := questions / kinds; "
        "FOR c IN 0..5 LOOP CONTINUE WHEN NOT (c = ANY(ticked)); ordinal := ordinal + 1; "
        "block := ARRAY(SELECT p.QID FROM vesk_draw_pool(me, practice) p WHERE p.Category = names[c + 1] "
        "ORDER BY random() LIMIT per); "
        "CONTINUE WHEN cardinality(block) = 0; lastcat := names[c + 1]; "
        "FOR i IN 1..cardinality(block) LOOP slots[per * (ordinal - 1) + i] := block[i]; END LOOP; END LOOP; "
        "IF questions > per * kinds AND lastcat IS NOT NULL THEN "
        "block := ARRAY(SELECT p.QID FROM vesk_draw_pool(me, practice) p WHERE p.Category = lastcat "
        "AND p.QID <> ALL(slots) ORDER BY random()); j := 1; "
        "FOR i IN 1..questions LOOP IF slots[i] = 0 AND j <= cardinality(block) THEN slots[i] := block[j]; "
        "j := j + 1; END IF; END LOOP; END IF; END IF; "
        "IF cardinality(slots) < questions OR 0 = ANY(slots) THEN "
        "RAISE EXCEPTION 'not enough questions to draw from' USING ERRCODE = '22023'; END IF; "
        "seconds := vesk_duration(questions); "
        "INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions) VALUES (me, "
        "to_char(localtimestamp, 'YYYY-MM-DD HH24:MI:SS'), questions) RETURNING ExamID INTO exam; "
        "INSERT INTO ExamDetails (ExamID, UserName, QID) SELECT exam, me, u.s FROM unnest(slots) "
        "WITH ORDINALITY AS u(s, n) ORDER BY u.n; "
        "INSERT INTO ExamClock (ExamID, StartedAt, Deadline) VALUES (exam, now(), now() + "
        "make_interval(secs => seconds)); "
        "INSERT INTO ExamProgress (ExamID, TimeLeft, Heartbeat, Token) VALUES (exam, seconds, "
        "extract(epoch FROM now())::bigint, coalesce(token, '')); "
        "IF practice THEN INSERT INTO PracticeExams (ExamID) VALUES (exam); END IF; "
        "RETURN exam; END $f$"));
    // An answer: only letters the question has, stored sorted without repeats, no more letters
    // than it has right ones. Returns the seconds left.
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_answer(detail integer, answer text) RETURNS integer LANGUAGE plpgsql "
        "SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ DECLARE exam integer; q Q_A; "
        "letters text := ''; keys integer; ch text; remaining integer; BEGIN "
        "PERFORM vesk_read_committed(); "
        "SELECT d.ExamID INTO exam FROM ExamDetails d WHERE d.DetailID = detail AND d.UserName = session_user; "
        "IF NOT FOUND THEN RAISE EXCEPTION 'There is no question % of an exam of yours.', detail "
        "USING ERRCODE = '42501'; END IF; "
        "remaining := vesk_lock_running(exam); "
        "SELECT q2.* INTO q FROM Q_A q2 JOIN ExamDetails d ON d.QID = q2.QID WHERE d.DetailID = detail; "
        "FOR ch IN SELECT DISTINCT upper(x) FROM regexp_split_to_table(coalesce(answer, ''), '') x "
        "WHERE x <> '' ORDER BY 1 LOOP "
        "IF ch !~ '^[A-F]$' OR coalesce(to_jsonb(q) ->> lower(ch), '') = '' THEN "
        "RAISE EXCEPTION 'The question has no choice %.', ch USING ERRCODE = '22023'; END IF; "
        "letters := letters || ch; END LOOP; "
        "keys := greatest(length(coalesce(q.CorrectAnswer, '')), 1); "
        "IF length(letters) > keys THEN RAISE EXCEPTION 'Choose at most % for this question.', keys "
        "USING ERRCODE = '22023'; END IF; "
        "UPDATE ExamDetails SET Answer = nullif(letters, ''), Answered = CASE WHEN length(letters) = keys "
        "THEN -1 ELSE 0 END WHERE DetailID = detail; "
        "RETURN remaining; END $f$");
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_flag(detail integer, flagged boolean) RETURNS integer LANGUAGE plpgsql "
        "SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ DECLARE exam integer; remaining "
        "integer; BEGIN "
        "PERFORM vesk_read_committed(); "
        "SELECT d.ExamID INTO exam FROM ExamDetails d WHERE d.DetailID = detail AND d.UserName = session_user; "
        "IF NOT FOUND THEN RAISE EXCEPTION 'There is no question % of an exam of yours.', detail "
        "USING ERRCODE = '42501'; END IF; "
        "remaining := vesk_lock_running(exam); "
        "IF flagged THEN INSERT INTO ExamFlags (DetailID) VALUES (detail) ON CONFLICT DO NOTHING; "
        "ELSE DELETE FROM ExamFlags WHERE DetailID = detail; END IF; RETURN remaining; END $f$");
    // The program run that shows the exam alive, and the seconds left by the server's clock.
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_heartbeat(exam integer, token text) RETURNS integer LANGUAGE plpgsql "
        "SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ DECLARE remaining integer; BEGIN "
        "PERFORM vesk_read_committed(); remaining := vesk_lock_running(exam); "
        "INSERT INTO ExamProgress (ExamID, TimeLeft, Heartbeat, Token) VALUES (exam, remaining, "
        "extract(epoch FROM now())::bigint, coalesce(token, '')) ON CONFLICT (ExamID) DO UPDATE SET "
        "TimeLeft = EXCLUDED.TimeLeft, Heartbeat = EXCLUDED.Heartbeat, Token = EXCLUDED.Token; "
        "RETURN remaining; END $f$");
    // The signed-in person scores their own exam, once (End Exam, or the time's end); a trainer any.
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_score_exam(exam integer) RETURNS integer LANGUAGE plpgsql "
        "SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ BEGIN "
        "PERFORM vesk_read_committed(); "
        "PERFORM 1 FROM ExamTitle WHERE ExamID = exam AND (UserName = session_user OR "
        "pg_has_role(session_user, 'vesk_trainer', 'MEMBER')) FOR UPDATE; "
        "IF NOT FOUND THEN RAISE EXCEPTION 'There is no exam % of yours.', exam USING ERRCODE = '42501'; END IF; "
        "RETURN vesk_score_internal(exam); END $f$");
    // Every exam the caller may see whose time and grace have run out: scored as it stands.
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_score_overdue() RETURNS integer LANGUAGE plpgsql SECURITY DEFINER "
        "SET search_path = vesk_private, public, pg_temp AS $f$ DECLARE e integer; scored integer := 0; BEGIN "
        "PERFORM vesk_read_committed(); "
        "FOR e IN SELECT t.ExamID FROM ExamTitle t JOIN ExamClock k ON k.ExamID = t.ExamID "
        "WHERE t.ExamResult IS NULL AND clock_timestamp() > k.Deadline + interval '$GRACE$ seconds' "
        "AND (t.UserName = session_user OR pg_has_role(session_user, 'vesk_trainer', 'MEMBER')) "
        "ORDER BY t.ExamID LOOP PERFORM vesk_score_internal(e); scored := scored + 1; END LOOP; "
        "RETURN scored; END $f$"));
    // The key and explanation, released for the caller's own scored exams (a trainer: everyone's);
    // NULL for every exam the caller may see.
    s << QStringLiteral("CREATE OR REPLACE FUNCTION vesk_exam_keys(exam integer) RETURNS TABLE (DetailID integer, "
                        "CorrectAnswer text, Description text) LANGUAGE sql STABLE SECURITY DEFINER "
                        "SET search_path = vesk_private, public, pg_temp AS $f$ "
                        "SELECT d.DetailID, q.CorrectAnswer, q.Description FROM ExamTitle t JOIN ExamDetails d "
                        "ON d.ExamID = t.ExamID JOIN Q_A q ON q.QID = d.QID WHERE (exam IS NULL OR t.ExamID = exam) "
                        "AND ((t.UserName = session_user AND t.ExamResult IS NOT NULL) "
                        "OR pg_has_role(session_user, 'vesk_trainer', 'MEMBER')) $f$");
    // How many right letters a question has: the exam screen offers that many boxes, and the
    // count tells nothing of which letters they are.
    s << QStringLiteral("CREATE OR REPLACE FUNCTION vesk_choose(asked integer) RETURNS integer LANGUAGE sql "
                        "STABLE SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ "
                        "SELECT length(CorrectAnswer) FROM Q_A WHERE QID = asked $f$");
    // How many of the candidate's own mistakes each category holds, for the practice draw's check.
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_mistake_counts() RETURNS TABLE (Category text, Questions integer) "
        "LANGUAGE sql STABLE SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ "
        "SELECT p.Category, count(*)::integer FROM vesk_draw_pool(session_user, true) p GROUP BY p.Category $f$");
    // A trainer ends a candidate's running exams: scored as they stand, marked ended, and that
    // candidate's sessions on this database ended. Never a trainer's or a superuser's.
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_end_exam_of(candidate text) RETURNS integer LANGUAGE plpgsql "
        "SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ DECLARE e integer; ended integer := "
        "0; BEGIN "
        "PERFORM vesk_read_committed(); "
        "IF NOT pg_has_role(session_user, 'vesk_trainer', 'MEMBER') THEN "
        "RAISE EXCEPTION 'Only a trainer ends a candidate''s exam.' USING ERRCODE = '42501'; END IF; "
        "IF NOT EXISTS (SELECT 1 FROM pg_roles r WHERE r.rolname = candidate AND NOT r.rolsuper) THEN "
        "RAISE EXCEPTION '% is not a candidate of this class.', candidate USING ERRCODE = '42501'; END IF; "
        "IF NOT pg_has_role(candidate, 'vesk_candidate', 'MEMBER') OR pg_has_role(candidate, 'vesk_trainer', "
        "'MEMBER') OR pg_has_role(candidate, 'vesk_owner', 'MEMBER') THEN "
        "RAISE EXCEPTION '% is not a candidate of this class.', candidate USING ERRCODE = '42501'; END IF; "
        "FOR e IN SELECT t.ExamID FROM ExamTitle t JOIN ExamClock k ON k.ExamID = t.ExamID "
        "WHERE t.UserName = candidate AND t.ExamResult IS NULL ORDER BY t.ExamID LOOP "
        "UPDATE ExamClock SET EndedBy = session_user WHERE ExamID = e; PERFORM vesk_score_internal(e); "
        "ended := ended + 1; END LOOP; "
        "PERFORM pg_terminate_backend(a.pid) FROM pg_stat_activity a WHERE a.usename = candidate "
        "AND a.datname = current_database() AND a.pid <> pg_backend_pid(); "
        "RETURN ended; END $f$"));
    // The class at a glance, for trainers: every login of the candidates' group (those without an
    // exam too), each of the six categories with the questions asked and answered right in that
    // candidate's `recent` latest scored exams that are not practice exams, and per candidate the
    // number of such exams and the latest one's score and size. Right as the score counts it.
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_class_overview(recent integer) RETURNS TABLE (Candidate text, Exams integer, "
        "LatestScore integer, LatestSize integer, Category text, Asked integer, Correct integer) LANGUAGE plpgsql "
        "STABLE SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ "
        "#variable_conflict use_column\n BEGIN "
        "IF NOT pg_has_role(session_user, 'vesk_trainer', 'MEMBER') THEN "
        "RAISE EXCEPTION 'The class''s figures are for trainers.' USING ERRCODE = '42501'; END IF; "
        "IF recent IS NULL OR recent < 1 THEN RAISE EXCEPTION 'Count one exam or more, not %.', "
        "coalesce(recent::text, 'none') USING ERRCODE = '22023'; END IF; "
        "RETURN QUERY WITH people AS (SELECT r.rolname::text AS name FROM pg_roles r WHERE r.rolcanlogin "
        "AND NOT r.rolsuper AND pg_has_role(r.oid, 'vesk_candidate', 'MEMBER') "
        "AND NOT pg_has_role(r.oid, 'vesk_trainer', 'MEMBER')), "
        "scored AS (SELECT t.ExamID, t.UserName, t.ExamResult, t.NumOfQuestions, row_number() OVER "
        "(PARTITION BY t.UserName ORDER BY t.ExamID DESC) AS n FROM ExamTitle t WHERE t.ExamResult IS NOT NULL "
        "AND NOT EXISTS (SELECT 1 FROM PracticeExams x WHERE x.ExamID = t.ExamID) "
        "AND t.UserName IN (SELECT name FROM people)), "
        "counts AS (SELECT s.UserName, count(*)::integer AS taken, max(s.ExamResult) FILTER (WHERE s.n = 1) AS score, "
        "max(s.NumOfQuestions) FILTER (WHERE s.n = 1) AS size FROM scored s GROUP BY s.UserName), "
        "cells AS (SELECT s.UserName, q.Category, count(*)::integer AS asked, count(*) FILTER (WHERE "
        "q.CorrectAnswer IS NOT NULL AND upper(q.CorrectAnswer) = upper(coalesce(d.Answer, '')))::integer AS "
        "answered FROM scored s JOIN ExamDetails d ON d.ExamID = s.ExamID JOIN Q_A q ON q.QID = d.QID "
        "WHERE s.n <= recent GROUP BY s.UserName, q.Category) "
        "SELECT p.name, coalesce(c.taken, 0), c.score, c.size, g.cat, coalesce(x.asked, 0), coalesce(x.answered, 0) "
        "FROM people p CROSS JOIN unnest(ARRAY[$CATEGORIES$]) WITH ORDINALITY AS g(cat, ord) "
        "LEFT JOIN counts c ON c.UserName = p.name LEFT JOIN cells x ON x.UserName = p.name AND x.Category = g.cat "
        "ORDER BY lower(p.name), p.name, g.ord; END $f$"));
    // Who is in an exam now, for trainers: the questions answered of how many, the seconds the
    // server's clock has left, and how many seconds ago the candidate's program last showed it alive.
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_class_live() RETURNS TABLE (Candidate text, ExamID integer, Questions "
        "integer, Answered integer, SecondsLeft integer, HeartbeatAge integer, Practice boolean) LANGUAGE plpgsql "
        "SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ "
        "#variable_conflict use_column\n BEGIN "
        "IF NOT pg_has_role(session_user, 'vesk_trainer', 'MEMBER') THEN "
        "RAISE EXCEPTION 'The class''s figures are for trainers.' USING ERRCODE = '42501'; END IF; "
        "RETURN QUERY SELECT t.UserName, t.ExamID, t.NumOfQuestions, (SELECT count(*) FROM ExamDetails d "
        "WHERE d.ExamID = t.ExamID AND coalesce(d.Answer, '') <> '')::integer, "
        "greatest(0, ceil(extract(epoch FROM k.Deadline - clock_timestamp())))::integer, "
        "(extract(epoch FROM clock_timestamp())::bigint - p.Heartbeat)::integer, "
        "EXISTS (SELECT 1 FROM PracticeExams x WHERE x.ExamID = t.ExamID) "
        "FROM ExamTitle t JOIN ExamClock k ON k.ExamID = t.ExamID LEFT JOIN ExamProgress p ON p.ExamID = t.ExamID "
        "WHERE t.ExamResult IS NULL AND k.EndedBy IS NULL "
        "AND clock_timestamp() <= k.Deadline + interval '$GRACE$ seconds' "
        "ORDER BY lower(t.UserName), t.UserName, t.ExamID; END $f$"));
    // A scored exam's answers and score stay as they were scored, and an exam's candidate, date and
    // size as they were drawn, whoever writes.
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_frozen_answers() RETURNS trigger LANGUAGE plpgsql "
        "SET search_path = vesk_private, public, pg_temp AS $f$ BEGIN "
        "IF EXISTS (SELECT 1 FROM ExamTitle t WHERE t.ExamID = OLD.ExamID AND t.ExamResult IS NOT NULL) THEN "
        "RAISE EXCEPTION 'The exam % is scored: its answers stay as they were.', OLD.ExamID "
        "USING ERRCODE = '$SCORED$'; END IF; RETURN NEW; END $f$"))
      << QStringLiteral("DROP TRIGGER IF EXISTS vesk_frozen_answers ON ExamDetails")
      << QStringLiteral(
             "CREATE TRIGGER vesk_frozen_answers BEFORE UPDATE OF Answer, Answered ON ExamDetails FOR EACH ROW "
             "WHEN (OLD.Answer IS DISTINCT FROM NEW.Answer OR OLD.Answered IS DISTINCT FROM NEW.Answered) "
             "EXECUTE FUNCTION vesk_frozen_answers()")
      << function(QStringLiteral(
             "CREATE OR REPLACE FUNCTION vesk_frozen_exam() RETURNS trigger LANGUAGE plpgsql "
             "SET search_path = vesk_private, public, pg_temp AS $f$ BEGIN "
             "IF OLD.ExamResult IS NOT NULL AND NEW.ExamResult IS DISTINCT FROM OLD.ExamResult THEN "
             "RAISE EXCEPTION 'The exam % is scored: its score stays as it was.', OLD.ExamID "
             "USING ERRCODE = '$SCORED$'; END IF; "
             "IF NEW.UserName IS DISTINCT FROM OLD.UserName OR NEW.ExamDate IS DISTINCT FROM OLD.ExamDate "
             "OR NEW.NumOfQuestions IS DISTINCT FROM OLD.NumOfQuestions THEN "
             "RAISE EXCEPTION 'An exam''s candidate, date and size stay as they were drawn.' "
             "USING ERRCODE = '42501'; END IF; RETURN NEW; END $f$"))
      << QStringLiteral("DROP TRIGGER IF EXISTS vesk_frozen_exam ON ExamTitle")
      << QStringLiteral("CREATE TRIGGER vesk_frozen_exam BEFORE UPDATE ON ExamTitle FOR EACH ROW EXECUTE FUNCTION "
                        "vesk_frozen_exam()");

    // Exams an earlier version left running get a clock from now, with the time they had left.
    s << QStringLiteral(
        "INSERT INTO ExamClock (ExamID, StartedAt, Deadline) SELECT t.ExamID, now(), now() + make_interval(secs => "
        "coalesce((SELECT p.TimeLeft FROM ExamProgress p WHERE p.ExamID = t.ExamID), vesk_duration(t.NumOfQuestions))) "
        "FROM ExamTitle t WHERE t.ExamResult IS NULL AND t.NumOfQuestions IN (10, 30, 50) "
        "AND NOT EXISTS (SELECT 1 FROM ExamClock k WHERE k.ExamID = t.ExamID)");

    // ---- The question editor's writes --------------------------------------------------------
    // A trainer holds no write privilege on the questions: the editor's changes go through these
    // functions, which take a used question's wording but never what it asks (its key or its
    // number of choices: that is a new question, the old one retired), and delete only a question
    // no stored exam uses.
    s << QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON vesk_private.q_a TO vesk_owner")
      << QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON QuestionKeys TO vesk_owner");
    s << function(QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_save_question(v_qid integer, v_stable text, v_origin text, v_question text, "
        "v_a text, v_b text, v_c text, v_d text, v_e text, v_f text, v_correct text, v_category text, "
        "v_description text, v_retired integer) RETURNS integer LANGUAGE plpgsql SECURITY DEFINER "
        "SET search_path = vesk_private, public, pg_temp AS $f$ "
        "DECLARE id integer := v_qid; was Q_A; BEGIN "
        "IF NOT pg_has_role(session_user, 'vesk_trainer', 'MEMBER') THEN "
        "RAISE EXCEPTION 'Only a trainer edits the questions.' USING ERRCODE = '42501'; END IF; "
        "IF coalesce(btrim(v_question), '') = '' OR NOT (v_category = ANY(ARRAY[$CATEGORIES$])) "
        "OR coalesce(v_a, '') = '' OR coalesce(v_b, '') = '' OR v_correct IS NULL OR v_correct !~ '^[A-F]+$' "
        "OR coalesce(v_stable, '') = '' THEN "
        "RAISE EXCEPTION 'The question is not complete.' USING ERRCODE = '22023'; END IF; "
        "IF id IS NULL OR id = 0 THEN "
        "LOCK TABLE Q_A IN SHARE ROW EXCLUSIVE MODE; "
        "SELECT coalesce(max(q.QID), 0) + 1 INTO id FROM Q_A q; "
        "INSERT INTO Q_A (QID, Question, A, B, C, D, E, F, CorrectAnswer, Category, Description, Retired) "
        "VALUES (id, v_question, v_a, v_b, v_c, v_d, v_e, v_f, v_correct, v_category, v_description, "
        "coalesce(v_retired, 0)); "
        "ELSE "
        "SELECT * INTO was FROM Q_A q WHERE q.QID = id FOR UPDATE; "
        "IF NOT FOUND THEN RAISE EXCEPTION 'There is no question %.', id USING ERRCODE = '02000'; END IF; "
        "IF EXISTS (SELECT 1 FROM ExamDetails d WHERE d.QID = id) AND (was.CorrectAnswer IS DISTINCT FROM v_correct "
        "OR num_nonnulls(nullif(was.A, ''), nullif(was.B, ''), nullif(was.C, ''), nullif(was.D, ''), "
        "nullif(was.E, ''), nullif(was.F, '')) <> num_nonnulls(nullif(v_a, ''), nullif(v_b, ''), "
        "nullif(v_c, ''), nullif(v_d, ''), nullif(v_e, ''), nullif(v_f, ''))) THEN "
        "RAISE EXCEPTION 'Stored exams use question %: what it asks stays; add a new one and retire it.', id "
        "USING ERRCODE = '42501'; END IF; "
        "UPDATE Q_A q SET Question = v_question, A = v_a, B = v_b, C = v_c, D = v_d, E = v_e, F = v_f, "
        "CorrectAnswer = v_correct, Category = v_category, Description = v_description, "
        "Retired = coalesce(v_retired, 0) WHERE q.QID = id; END IF; "
        "DELETE FROM QuestionKeys k WHERE k.QID = id; "
        "INSERT INTO QuestionKeys (QID, StableID, Origin) VALUES (id, v_stable, coalesce(v_origin, 'imported')); "
        "RETURN id; END $f$"));
    s << QStringLiteral(
        "CREATE OR REPLACE FUNCTION vesk_delete_question(v_qid integer) RETURNS void LANGUAGE plpgsql "
        "SECURITY DEFINER SET search_path = vesk_private, public, pg_temp AS $f$ BEGIN "
        "IF NOT pg_has_role(session_user, 'vesk_trainer', 'MEMBER') THEN "
        "RAISE EXCEPTION 'Only a trainer edits the questions.' USING ERRCODE = '42501'; END IF; "
        "DELETE FROM Q_A q WHERE q.QID = v_qid AND NOT EXISTS (SELECT 1 FROM ExamDetails d WHERE d.QID = v_qid); "
        "IF NOT FOUND THEN RAISE EXCEPTION 'Question % is used by a stored exam, or there is none.', v_qid "
        "USING ERRCODE = '42501'; END IF; "
        "DELETE FROM QuestionKeys k WHERE k.QID = v_qid; END $f$");
    for (const char *f : {"vesk_save_question(integer, text, text, text, text, text, text, text, text, text, text, "
                          "text, text, integer)",
             "vesk_delete_question(integer)"})
        s << QStringLiteral("ALTER FUNCTION %1 OWNER TO vesk_owner").arg(QLatin1String(f))
          << QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(QLatin1String(f))
          << QStringLiteral("GRANT EXECUTE ON FUNCTION %1 TO vesk_trainer").arg(QLatin1String(f));
    // ---- End of the question editor's writes -------------------------------------------------

    // Ownership and who may call what.
    for (const char *f : kInternalFunctions)
        s << QStringLiteral("ALTER FUNCTION %1 OWNER TO vesk_owner").arg(QLatin1String(f))
          << QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(QLatin1String(f));
    for (const char *f : kPublicFunctions)
        s << QStringLiteral("ALTER FUNCTION %1 OWNER TO vesk_owner").arg(QLatin1String(f))
          << QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(QLatin1String(f))
          << QStringLiteral("GRANT EXECUTE ON FUNCTION %1 TO vesk_candidate, vesk_trainer").arg(QLatin1String(f));
    for (const char *f : kTrainerFunctions)
        s << QStringLiteral("ALTER FUNCTION %1 OWNER TO vesk_owner").arg(QLatin1String(f))
          << QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC, vesk_candidate").arg(QLatin1String(f))
          << QStringLiteral("GRANT EXECUTE ON FUNCTION %1 TO vesk_trainer").arg(QLatin1String(f));
    return s;
}
