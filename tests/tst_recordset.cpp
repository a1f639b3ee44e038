#include <map>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "TestSupport.h"
#include "core/GenModule.h"
#include "data/DataGlobals.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"
#include "platform/MessageBox.h"
#include "widgets/DataBinder.h"
#include "widgets/RecordsetModel.h"

using namespace Qt::StringLiterals;

// As the exam screen reads an exam: its rows joined with its title and its questions.
static QString examSql(int examId)
{
    return u"SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamResult AS [Correct Answers], "
           "ExamDetails.DetailID, ExamDetails.QID, ExamDetails.Answer, ExamDetails.Answered, Q_A.Question "
           "FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID) "
           "INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID WHERE ExamTitle.ExamID = %1 ORDER BY ExamDetails.DetailID"_s
               .arg(examId);
}

class tst_recordset final : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
    // Answer and Answered of one stored exam row, read on a connection of its own.
    QVariantList detail(int id) const
    {
        return TestSupport::query(m_file, u"SELECT Answer, Answered FROM ExamDetails WHERE DetailID = %1"_s.arg(id))
            .value(0);
    }
    std::shared_ptr<Recordset> updatable(int examId) { return gDB->GetRS(examSql(examId), 3, 3, 3, 0); }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        m_file = m_dir->filePath(u"Exam.mdb"_s);
        TestSupport::buildDatabase(m_file, {4, 3, 3, 0, 0, 0});
        // Exam 1 asks all ten questions (details 1-10), exam 2 one (detail 11), exam 3 none.
        TestSupport::exec(m_file,
            u"INSERT INTO ExamTitle (ExamID, UserName, ExamResult) VALUES "
            "(1, 'ann', NULL), (2, 'bob', 1), (3, 'carol', 0);"
            "INSERT INTO ExamDetails (ExamID, UserName, QID) SELECT 1, 'ann', QID FROM Q_A "
            "ORDER BY QID; INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) "
            "VALUES (2, 'bob', 5, 'A', -1);"_s);
        gDbPath = m_dir->path();
        QVERIFY((gDB = std::make_unique<cDBAccess>())->Open_Connection(1));
    }
    void cleanup() { QVERIFY(MessageBox::shown().isEmpty()); }
    void cleanupTestCase() { TestSupport::resetProgramState(); }

    void navigates_data()
    {
        QTest::addColumn<int>("examId");
        QTest::addColumn<int>("rows");
        QTest::newRow("empty") << 3 << 0;
        QTest::newRow("one row") << 2 << 1;
        QTest::newRow("ten rows") << 1 << 10;
    }
    void navigates()
    {
        QFETCH(int, examId);
        QFETCH(int, rows);
        const std::shared_ptr<Recordset> rs = gDB->GetRS(examSql(examId), 3, 0, 1, 1);
        QVERIFY(rs);
        QSignalSpy moves(rs.get(), &Recordset::moveComplete);
        QCOMPARE(rs->RecordCount(), rows);
        // Fields by name in any case; NULL and unknown names give no value. Read-only: no changes taken.
        const QVariant answer = examId == 2 ? QVariant(u"A"_s) : QVariant();
        QCOMPARE(rs->Fields(u"ANSWER"_s), answer);
        QVERIFY(rs->fieldIndex(u"NoSuchField"_s) == -1 && !rs->Fields(u"NoSuchField"_s).isValid());
        QVERIFY(!rs->isUpdatable() && !rs->setField(u"Answer"_s, u"D"_s) && !rs->isDirty());
        QCOMPARE(rs->Fields(u"answer"_s), answer);

        // Each move (F, L, N, P; '.' none), the position after it (-1 empty, -2 BOF, -3 EOF), moveComplete count.
        struct Step {
            char op;
            int position;
            int completes;
        };
        QList<Step> steps{{'.', rows ? 1 : -1, 0}};
        for (int position = 2; position <= rows; ++position)
            steps.append({'N', position, 1});
        steps += rows ? QList<Step>{{'N', -3, 1}, {'N', -3, 0}, {'P', rows, 1}, {'F', 1, 1}, {'P', -2, 1}, {'P', -2, 0},
                     {'N', 1, 1}, {'L', rows, 1}}
                      : QList<Step>{{'F', -1, 0}, {'L', -1, 0}, {'N', -1, 0}, {'P', -1, 0}};
        const std::map<char, void (Recordset::*)()> move{{'F', &Recordset::MoveFirst}, {'L', &Recordset::MoveLast},
            {'N', &Recordset::MoveNext}, {'P', &Recordset::MovePrevious}};
        int completed = 0;
        for (const Step &step : steps) {
            if (step.op != '.')
                (rs.get()->*move.at(step.op))();
            completed += step.completes;
            QCOMPARE(moves.count(), completed);
            QCOMPARE(rs->AbsolutePosition(), step.position);
            QCOMPARE(rs->BOF(), step.position == -1 || step.position == -2);
            QCOMPARE(rs->Eof(), step.position == -1 || step.position == -3);
            const qlonglong qid = rows == 1 ? 5 : step.position;
            QCOMPARE(rs->Fields(u"qid"_s), step.position > 0 ? QVariant(qid) : QVariant());
        }
        QCOMPARE(TestSupport::scalar(m_file, u"SELECT count(*) FROM ExamDetails WHERE Answer = 'D'"_s).toInt(), 0);
    }

    // Another writer changed the row after it was read: its value wins, ours waits for a retry.
    void conflictKeepsOtherWritersValue()
    {
        const std::shared_ptr<Recordset> rs = updatable(1);
        QVERIFY(rs);
        QSignalSpy failures(rs.get(), &Recordset::writeFailed);
        TestSupport::exec(m_file, u"UPDATE ExamDetails SET Answer = 'B' WHERE DetailID = 1"_s);
        QVERIFY(rs->setField(u"Answer"_s, u"C"_s));
        rs->MoveNext();
        QCOMPARE(failures.count(), 1);
        QVERIFY(!failures.first().first().toString().isEmpty());
        QCOMPARE(rs->AbsolutePosition(), 2);
        QCOMPARE(detail(1).first(), QVariant(u"B"_s));

        rs->MovePrevious();
        QVERIFY(rs->isDirty());
        QCOMPARE(rs->Fields(u"Answer"_s), QVariant(u"C"_s));
        QVERIFY(!rs->Update()); // still in conflict
        QCOMPARE(failures.count(), 2);
        QCOMPARE(detail(1).first(), QVariant(u"B"_s));
        // Once the row holds what was read again, Update() stores it, without moving.
        TestSupport::exec(m_file, u"UPDATE ExamDetails SET Answer = NULL WHERE DetailID = 1"_s);
        QSignalSpy moves(rs.get(), &Recordset::moveComplete);
        QVERIFY(rs->Update() && !rs->isDirty());
        QCOMPARE(detail(1).first(), QVariant(u"C"_s));
        QCOMPARE(failures.count(), 2);
        QCOMPARE(rs->AbsolutePosition(), 1);
        QVERIFY(moves.isEmpty());
    }

    void itemModel()
    {
        RecordsetModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(updatable(1));
        QCOMPARE(model.rowCount(), 10);
        QCOMPARE(model.columnCount(), 8);
        // Headers are the names or aliases; NULL shows as empty text.
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"UserName"_s);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), u"Correct Answers"_s);
        QCOMPARE(model.data(model.index(0, 1)).toString(), u"ann"_s);
        QCOMPARE(model.data(model.index(0, 2)).toString(), QString());
        QVERIFY(model.data(model.index(0, 2), Qt::EditRole).isNull());
        model.setRecordset(gDB->GetRS(examSql(3)));
        QCOMPARE(model.rowCount(), 0);
        model.setRecordset(nullptr);
        QCOMPARE(model.columnCount(), 0);
    }

    // Bound controls show the row on every move; a value put into one, even by code, goes into the row,
    // which is written back when it is left.
    void binderAndWriteBack()
    {
        TestSupport::exec(m_file, u"UPDATE ExamDetails SET Answer = 'A', Answered = -1 WHERE DetailID = 2"_s);
        const std::shared_ptr<Recordset> rs = updatable(1);
        QVERIFY(rs && rs->isUpdatable());
        QSignalSpy failures(rs.get(), &Recordset::writeFailed);
        QLineEdit question, answer;
        QCheckBox answered;
        DataBinder binder;
        binder.bind(&question, u"Question"_s);
        binder.bind(&answer, u"Answer"_s);
        binder.bind(&answered, u"Answered"_s);
        binder.setRecordset(rs);
        const auto shows = [&](int number, const QString &letter, bool checked) {
            QCOMPARE(question.text(), u"Software Testing question %1"_s.arg(number));
            QCOMPARE(answer.text(), letter);
            QCOMPARE(answered.isChecked(), checked);
        };
        shows(1, QString(), false);
        rs->MoveNext();
        shows(2, u"A"_s, true);
        binder.refresh();
        QVERIFY(!rs->isDirty()); // showing a row never changes it

        answer.setText(u"D"_s);
        answered.setChecked(false);
        QVERIFY(rs->isDirty());
        QCOMPARE(rs->Fields(u"Answer"_s), QVariant(u"D"_s));
        QCOMPARE(detail(2), (QVariantList{u"A"_s, qlonglong(-1)})); // not yet
        rs->MoveNext();
        shows(3, QString(), false);
        QVERIFY(failures.isEmpty());
        // Only that row changed; the joined title rows were not touched.
        QCOMPARE(TestSupport::query(m_file,
                     u"SELECT DetailID, Answer, Answered FROM ExamDetails WHERE Answer NOT NULL "
                     "OR Answered ORDER BY DetailID"_s),
            (QList<QVariantList>{{2, u"D"_s, 0}, {11, u"A"_s, -1}}));
        QCOMPARE(TestSupport::scalar(m_file, u"SELECT count(*) FROM ExamTitle WHERE ExamResult IS NULL"_s).toInt(), 1);
        rs->MovePrevious();
        QVERIFY(!rs->isDirty());
        shows(2, u"D"_s, false);
    }
};

QTEST_MAIN(tst_recordset)
#include "tst_recordset.moc"
