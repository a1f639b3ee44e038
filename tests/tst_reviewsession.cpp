#include "ScreenSuite.h"

#include "data/ExamQueries.h"
#include "data/ReviewSession.h"

using Rows = QList<QVariantList>;

// The results screen's session called directly: the list's pages and deleting, on real database files.
// (The list's lines are the screen's in tst_review, the review's filters in tst_insight.)
class tst_reviewsession final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;

    // `exams` exams stored in one statement, their dates falling as their numbers rise, and every
    // thirteenth deleted again: the order shown is neither the dates' nor one without gaps.
    void storeExams(int exams) const
    {
        m_program->exec(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) SELECT 'P' || (i % 7), "
            "datetime('2026-06-01 10:00:00', '-' || i || ' hours'), 10, CASE WHEN i % 5 = 0 THEN NULL ELSE i % 11 END "
            "FROM n; DELETE FROM ExamTitle WHERE ExamID % 13 = 0"_s.arg(exams));
    }
    // The whole list by exam number, read past the program.
    Rows wholeList() const
    {
        return TestSupport::query(m_program->dbPath(),
            u"SELECT ExamID, strftime('%m/%d/', ExamDate) || substr(ExamDate, 3, 2), UserName, NumOfQuestions, "
            u"ExamResult, "
            "ExamResult * 100 / NumOfQuestions FROM ExamTitle ORDER BY ExamID"_s);
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
        m_program->build({12, 0, 0, 0, 0, 0});
        gDbPath = m_program->folder();
    }
    void cleanup()
    {
        QVERIFY(!AppExit::requested());
        gRs.reset();
        gDB.reset();
        m_program.reset();
    }

    void paging_data() { TestSupport::addCases(u"sessions/review-paging.tsv"_s); }
    void paging()
    {
        const int pageSize = SessionCases::number("pageSize");
        storeExams(SessionCases::number("exams"));
        const Rows whole = wholeList();
        ReviewSession session(pageSize);
        QVERIFY(session.openList());
        QCOMPARE(session.listedCount(), std::min(pageSize, int(whole.size())));
        // However many pages: each adds a row at least, and one more read finds the end.
        for (int reads = 0; session.canFetchMore(); ++reads) {
            QVERIFY(reads <= int(whole.size()));
            const int before = session.listedCount();
            std::pair<int, int> told{-1, -1};
            const int added = session.fetchMore([&](int first, int last) {
                told = {first, last};
                // Told before the rows are there.
                QCOMPARE(session.listedCount(), before);
            });
            QVERIFY(added >= 0 && added <= pageSize);
            QCOMPARE(session.listedCount(), before + added);
            if (added > 0)
                QCOMPARE(told, std::pair(before, before + added - 1));
        }
        Rows listed;
        for (int r = 0; r < session.listedCount(); ++r) {
            listed.append(QVariantList());
            for (int c = 0; c < session.columnCount(); ++c)
                listed.last() << session.listValue(r, c);
        }
        QCOMPARE(listed, whole);
        QCOMPARE(session.fetchMore(), 0);
    }

    // A page is a range of the key, read in the key's order: nothing sorts or reads every exam.
    void pageIsARangeOfTheKey()
    {
        storeExams(300);
        cDBAccess db;
        db.Open_Connection(1);
        const std::shared_ptr<Recordset> plan
            = db.GetRS(u"EXPLAIN QUERY PLAN "_s + ExamQueries::examListPage(120, 100));
        QVERIFY(plan && plan->RecordCount() > 0);
        for (int step = 0; step < plan->RecordCount(); ++step) {
            const QString detail = plan->value(step, plan->fieldIndex(u"detail"_s)).toString();
            QVERIFY2(detail.contains(u"USING INTEGER PRIMARY KEY (rowid>?)"_s), qPrintable(detail));
        }
    }

    // The screen reads a page whenever its list is scrolled to the end of those read.
    void screenReadsPagesAsScrolled()
    {
        storeExams(250); // 231 left, three pages
        const Rows whole = wholeList();
        frmViewExam *view = TestSupport::openResults(m_program->start());
        ExamListModel *model = view->gridModel();
        QList<int> counts{model->rowCount()};
        for (int scroll = 0; scroll < 3; ++scroll) {
            view->Grid1()->scrollToBottom();
            QCoreApplication::processEvents();
            counts << model->rowCount();
        }
        QCOMPARE(counts, (QList<int>{100, 200, 231, 231}));
        QVERIFY(!model->canFetchMore({}));
        // The last exam, read with the last page, is reviewed as any other.
        view->Grid1()->setCurrentIndex(model->index(230, 1));
        view->Grid1_DblClick();
        QCOMPARE(view->reviewedExamId(), whole.last().first().toInt());
    }

    void deleting_data() { TestSupport::addCases(u"sessions/review-deleting.tsv"_s); }
    void deleting()
    {
        QFETCH(QString, refusing);
        const bool deleted = SessionCases::flag("deleted");
        const qint32 keep = m_program->storeAnswered(u"Cleo"_s, u"0:RW"_s);
        const qint32 exam = m_program->storeAnswered(u"Cleo"_s, u"0:RW-"_s);
        // Both exams have a flag, progress and a practice mark.
        m_program->exec(
            u"INSERT INTO ExamFlags (DetailID) SELECT max(DetailID) FROM ExamDetails GROUP BY ExamID; "
            "INSERT INTO ExamProgress (ExamID, TimeLeft, Heartbeat, Token) SELECT ExamID, 60, 0, 'run' FROM ExamTitle; "
            "INSERT INTO PracticeExams (ExamID) SELECT ExamID FROM ExamTitle"_s
            + (refusing.isEmpty()
                    ? QString()
                    : u"; CREATE TRIGGER refuse BEFORE DELETE ON %1 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"_s
                          .arg(refusing)));
        // Each of the exam's rows: its title, questions, flag, progress, practice mark.
        const auto rowsOf = [this](qint32 id) {
            return m_program
                ->scalar(
                    u"SELECT (SELECT count(*) FROM ExamTitle WHERE ExamID = %1) || (SELECT count(*) FROM ExamDetails "
                    "WHERE ExamID = %1) || (SELECT count(*) FROM ExamFlags WHERE DetailID IN (SELECT DetailID FROM "
                    "ExamDetails WHERE ExamID = %1)) || (SELECT count(*) FROM ExamProgress WHERE ExamID = %1) || "
                    "(SELECT count(*) FROM PracticeExams WHERE ExamID = %1)"_s.arg(id))
                .toString();
        };
        const QString whole = u"13111"_s;
        QCOMPARE(rowsOf(exam), whole);
        ReviewSession session;
        QString failure;
        QVERIFY(session.deleteExam(exam, &failure));
        QCOMPARE(failure.isEmpty(), deleted);
        if (!deleted)
            QVERIFY2(failure.contains(u"disk I/O error"_s), qPrintable(failure));
        QCOMPARE(rowsOf(exam), deleted ? u"00000"_s : whole);
        QCOMPARE(rowsOf(keep), u"12111"_s);
        QVERIFY(MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(tst_reviewsession)
#include "tst_reviewsession.moc"
