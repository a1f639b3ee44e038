#include <memory>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "data/DataBinder.h"
#include "data/Recordset.h"
#include "data/RecordsetModel.h"
#include "data/cDBAccess.h"
#include "shell/GenModule.h"
#include "shell/MessageBox.h"

namespace {
// The exam screen's query: one row per question of an exam.
QString examSql(int examId)
{
    return QStringLiteral("SELECT ExamTitle.ExamID, ExamTitle.UserName, ExamTitle.ExamDate, "
                          " ExamTitle.NumOfQuestions, ExamTitle.ExamResult, ExamDetails.QID, "
                          " ExamDetails.Answer, ExamDetails.Answered, ExamDetails.DetailID, Q_A.Question, "
                          " Q_A.A, Q_A.B, Q_A.C, Q_A.D, Q_A.CorrectAnswer, Q_A.Category "
                          " FROM (ExamTitle INNER JOIN ExamDetails ON ExamTitle.ExamID = ExamDetails.ExamID) "
                          " INNER JOIN Q_A ON ExamDetails.QID = Q_A.QID "
                          " WHERE ExamTitle.ExamID = ")
           + QString::number(examId);
}

QString ordered(int examId)
{
    return examSql(examId) + QStringLiteral(" ORDER BY ExamDetails.DetailID");
}
} // namespace

class tst_recordset final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // reading and moving
    void navigates_data();
    void navigates();
    void readsFieldsByName();

    // writing back
    void storesRowWhenLeavingIt();
    void updateStoresWithoutMoving();
    void readOnlyRejectsChanges();
    void conflictKeepsOtherWritersValue();

    // as an item model and through bound controls
    void modelPassesTester();
    void modelShowsHeadersAndNulls();
    void binderShowsAndCarriesValues();

private:
    QVariantList detail(const QVariant &detailId) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void tst_recordset::init()
{
    TestSupport::resetProgramState();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("Exam.mdb"));
    TestSupport::buildDatabase(m_file, {4, 3, 3, 0, 0, 0});
    // Exam 1 asks all ten questions, exam 2 one, exam 3 none.
    QString sql = QStringLiteral(
        "INSERT INTO ExamTitle (ExamID, UserName, ExamDate, NumOfQuestions, ExamResult) VALUES "
        "(1, 'ann', '2026-12-04 00:30:00', 10, NULL), (2, 'bob', '2026-12-03 10:00:00', 1, 1), "
        "(3, 'carol', '2026-12-02 09:00:00', 0, 0);");
    for (int qid = 1; qid <= 10; ++qid)
        sql += QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID) VALUES (1, 'ann', %1);").arg(qid);
    sql += QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) "
                          "VALUES (2, 'bob', 5, 'A', -1);");
    TestSupport::exec(m_file, sql);

    gDbPath = m_dir->path();
    gDB = std::make_unique<cDBAccess>();
    QVERIFY(gDB->Open_Connection(1));
}

void tst_recordset::cleanup()
{
    gRs.reset();
    gDB.reset();
    gConnection.reset();
    m_dir.reset();
    QVERIFY(MessageBox::shown().isEmpty());
}

// Answer and Answered of one stored exam row, read on a connection of its own.
QVariantList tst_recordset::detail(const QVariant &detailId) const
{
    const QList<QVariantList> rows = TestSupport::query(
        m_file, QStringLiteral("SELECT Answer, Answered FROM ExamDetails WHERE DetailID = %1").arg(detailId.toInt()));
    return rows.value(0);
}

// ---------------------------------------------------------------- reading and moving

void tst_recordset::navigates_data()
{
    QTest::addColumn<int>("examId");
    QTest::addColumn<int>("rows");
    QTest::newRow("empty") << 3 << 0;
    QTest::newRow("one row") << 2 << 1;
    QTest::newRow("ten rows") << 1 << 10;
}

void tst_recordset::navigates()
{
    QFETCH(int, examId);
    QFETCH(int, rows);
    const std::shared_ptr<Recordset> rs = gDB->GetRS(examSql(examId), 3, 0, 1, 1);
    QVERIFY(rs);
    QSignalSpy moves(rs.get(), &Recordset::moveComplete);
    QCOMPARE(rs->RecordCount(), rows);

    if (rows == 0) {
        QVERIFY(rs->BOF());
        QVERIFY(rs->Eof());
        QCOMPARE(rs->AbsolutePosition(), -1);
        rs->MoveFirst();
        rs->MoveLast();
        rs->MoveNext();
        rs->MovePrevious();
        QVERIFY(rs->BOF() && rs->Eof());
        QCOMPARE(moves.count(), 0);
        QVERIFY(!rs->Fields(QStringLiteral("Question")).isValid());
        return;
    }

    // Opens on the first row.
    QVERIFY(!rs->BOF() && !rs->Eof());
    QCOMPARE(rs->AbsolutePosition(), 1);
    for (int position = 2; position <= rows; ++position) {
        rs->MoveNext();
        QCOMPARE(rs->AbsolutePosition(), position);
    }
    rs->MoveNext();
    QVERIFY(rs->Eof() && !rs->BOF());
    QCOMPARE(rs->AbsolutePosition(), -3);
    QVERIFY(!rs->Fields(QStringLiteral("Question")).isValid());
    QCOMPARE(moves.count(), rows);

    rs->MoveNext(); // already past the end
    QCOMPARE(rs->AbsolutePosition(), -3);
    QCOMPARE(moves.count(), rows);

    rs->MovePrevious();
    QCOMPARE(rs->AbsolutePosition(), rows);
    rs->MoveFirst();
    QCOMPARE(rs->AbsolutePosition(), 1);
    rs->MovePrevious();
    QVERIFY(rs->BOF() && !rs->Eof());
    QCOMPARE(rs->AbsolutePosition(), -2);
    QCOMPARE(moves.count(), rows + 3);

    rs->MovePrevious(); // already before the start
    QCOMPARE(rs->AbsolutePosition(), -2);
    QCOMPARE(moves.count(), rows + 3);

    rs->MoveNext();
    QCOMPARE(rs->AbsolutePosition(), 1);
    rs->MoveLast();
    QCOMPARE(rs->AbsolutePosition(), rows);
    QVERIFY(!rs->BOF() && !rs->Eof());
    QCOMPARE(moves.count(), rows + 5);
}

void tst_recordset::readsFieldsByName()
{
    const std::shared_ptr<Recordset> rs = gDB->GetRS(ordered(1));
    QVERIFY(rs);
    rs->MoveNext();
    QCOMPARE(rs->Fields(QStringLiteral("question")), QVariant(QStringLiteral("Software Testing question 2")));
    QCOMPARE(rs->Fields(QStringLiteral("QUESTION")), rs->Fields(QStringLiteral("Question")));
    QCOMPARE(rs->Fields(QStringLiteral("userName")), QVariant(QStringLiteral("ann")));
    QCOMPARE(rs->fieldIndex(QStringLiteral("answered")), rs->fieldIndex(QStringLiteral("Answered")));
    QVERIFY(!rs->Fields(QStringLiteral("Answer")).isValid()); // NULL
    QCOMPARE(rs->fieldIndex(QStringLiteral("NoSuchField")), -1);
    QVERIFY(!rs->Fields(QStringLiteral("NoSuchField")).isValid());
}

// ---------------------------------------------------------------- writing back

void tst_recordset::storesRowWhenLeavingIt()
{
    const std::shared_ptr<Recordset> rs = gDB->GetRS(examSql(1), 3, 3, 3, 0);
    QVERIFY(rs && rs->isUpdatable());
    QSignalSpy failures(rs.get(), &Recordset::writeFailed);
    const QVariant id = rs->Fields(QStringLiteral("DetailID"));

    QVERIFY(rs->setField(QStringLiteral("Answer"), QStringLiteral("C")));
    QVERIFY(rs->setField(QStringLiteral("Answered"), true));
    QVERIFY(rs->isDirty());
    QCOMPARE(detail(id), (QVariantList{QVariant(), qlonglong(0)})); // not before the move

    rs->MoveNext();
    QCOMPARE(detail(id), (QVariantList{QStringLiteral("C"), qlonglong(-1)}));
    QCOMPARE(failures.count(), 0);
    QCOMPARE(TestSupport::scalar(m_file, QStringLiteral("SELECT count(*) FROM ExamDetails WHERE Answered <> 0")),
             QVariant(qlonglong(2))); // this row and exam 2's
    // The joined tables were not touched.
    QCOMPARE(TestSupport::scalar(m_file, QStringLiteral("SELECT count(*) FROM ExamTitle WHERE ExamResult IS NULL")),
             QVariant(qlonglong(1)));

    rs->MovePrevious();
    QVERIFY(!rs->isDirty());
    QCOMPARE(rs->Fields(QStringLiteral("Answer")), QVariant(QStringLiteral("C")));
}

void tst_recordset::updateStoresWithoutMoving()
{
    const std::shared_ptr<Recordset> rs = gDB->GetRS(examSql(1), 3, 3, 3, 0);
    QVERIFY(rs);
    rs->MoveNext();
    QSignalSpy moves(rs.get(), &Recordset::moveComplete);
    const QVariant id = rs->Fields(QStringLiteral("DetailID"));

    QVERIFY(rs->setField(QStringLiteral("Answer"), QStringLiteral("A")));
    QVERIFY(rs->Update());
    QCOMPARE(detail(id), (QVariantList{QStringLiteral("A"), qlonglong(0)}));
    QVERIFY(!rs->isDirty());
    QCOMPARE(rs->AbsolutePosition(), 2);
    QCOMPARE(moves.count(), 0);
}

void tst_recordset::readOnlyRejectsChanges()
{
    const std::shared_ptr<Recordset> rs = gDB->GetRS(examSql(2), 3, 0, 1, 1);
    QVERIFY(rs && !rs->isUpdatable());
    QVERIFY(!rs->setField(QStringLiteral("Answer"), QStringLiteral("D")));
    QCOMPARE(rs->Fields(QStringLiteral("Answer")), QVariant(QStringLiteral("A")));
    QVERIFY(!rs->isDirty());
    rs->MoveNext();
    QCOMPARE(detail(11), (QVariantList{QStringLiteral("A"), qlonglong(-1)}));
}

// Another writer changed the row after it was read: its value wins, ours waits for a retry.
void tst_recordset::conflictKeepsOtherWritersValue()
{
    const std::shared_ptr<Recordset> rs = gDB->GetRS(ordered(1), 3, 3, 3, 0);
    QVERIFY(rs);
    QSignalSpy failures(rs.get(), &Recordset::writeFailed);
    TestSupport::exec(m_file, QStringLiteral("UPDATE ExamDetails SET Answer = 'B' WHERE DetailID = 1"));

    QVERIFY(rs->setField(QStringLiteral("Answer"), QStringLiteral("C")));
    rs->MoveNext();
    QCOMPARE(failures.count(), 1);
    QVERIFY(!failures.first().first().toString().isEmpty());
    QCOMPARE(rs->AbsolutePosition(), 2);
    QCOMPARE(detail(1).first(), QVariant(QStringLiteral("B")));

    rs->MovePrevious();
    QVERIFY(rs->isDirty());
    QCOMPARE(rs->Fields(QStringLiteral("Answer")), QVariant(QStringLiteral("C")));
    QVERIFY(!rs->Update()); // still in conflict
    QCOMPARE(failures.count(), 2);
    QCOMPARE(detail(1).first(), QVariant(QStringLiteral("B")));

    // Once the row holds what was read again, the retry goes through.
    TestSupport::exec(m_file, QStringLiteral("UPDATE ExamDetails SET Answer = NULL WHERE DetailID = 1"));
    QVERIFY(rs->Update());
    QVERIFY(!rs->isDirty());
    QCOMPARE(detail(1).first(), QVariant(QStringLiteral("C")));
    QCOMPARE(failures.count(), 2);
}

// ---------------------------------------------------------------- model and binder

void tst_recordset::modelPassesTester()
{
    RecordsetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const std::shared_ptr<Recordset> rs = gDB->GetRS(ordered(1), 3, 3, 3, 0);
    QVERIFY(rs);
    model.setRecordset(rs);
    QCOMPARE(model.rowCount(), 10);
    QCOMPARE(model.columnCount(), 16);

    const int answer = rs->fieldIndex(QStringLiteral("Answer"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    // Only the current row takes edits, as the cursor writes back one row at a time.
    QVERIFY(model.flags(model.index(0, answer)) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(1, answer)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(1, answer), QStringLiteral("B")));
    QVERIFY(model.setData(model.index(0, answer), QStringLiteral("B")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toModelIndex(), model.index(0, answer));
    QVERIFY(rs->isDirty());

    rs->MoveNext();
    QCOMPARE(detail(1).first(), QVariant(QStringLiteral("B")));
    QVERIFY(model.flags(model.index(1, answer)) & Qt::ItemIsEditable);

    model.setRecordset(gDB->GetRS(examSql(3)));
    QCOMPARE(model.rowCount(), 0);
    model.setRecordset(nullptr);
    QCOMPARE(model.columnCount(), 0);
}

void tst_recordset::modelShowsHeadersAndNulls()
{
    RecordsetModel model;
    model.setRecordset(gDB->GetRS(QStringLiteral(
        "SELECT ExamTitle.UserName AS [User Name], ExamTitle.ExamResult AS [Correct Answers], "
        "ExamTitle.NumOfQuestions FROM ExamTitle ORDER BY ExamTitle.ExamID")));
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("User Name"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Correct Answers"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("NumOfQuestions"));
    QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);

    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("ann"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QString()); // NULL result
    QVERIFY(model.data(model.index(0, 1), Qt::EditRole).isNull());
    QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("1"));
}

void tst_recordset::binderShowsAndCarriesValues()
{
    TestSupport::exec(m_file, QStringLiteral("UPDATE ExamDetails SET Answer = 'A', Answered = -1 WHERE DetailID = 2"));
    const std::shared_ptr<Recordset> rs = gDB->GetRS(ordered(1), 3, 3, 3, 0);
    QVERIFY(rs);
    QLineEdit question;
    QLineEdit answer;
    QCheckBox answered;
    DataBinder binder;
    binder.bind(&question, QStringLiteral("Question"));
    binder.bind(&answer, QStringLiteral("Answer"));
    binder.bind(&answered, QStringLiteral("Answered"));
    binder.setRecordset(rs);

    QCOMPARE(question.text(), QStringLiteral("Software Testing question 1"));
    QCOMPARE(answer.text(), QString());
    QVERIFY(!answered.isChecked());

    rs->MoveNext();
    QCOMPARE(question.text(), QStringLiteral("Software Testing question 2"));
    QCOMPARE(answer.text(), QStringLiteral("A"));
    QVERIFY(answered.isChecked());
    binder.refresh();
    QVERIFY(!rs->isDirty()); // showing a row never changes it

    // A value put into a control by code goes into the row like a typed one.
    answer.setText(QStringLiteral("D"));
    answered.setChecked(false);
    QVERIFY(rs->isDirty());
    QCOMPARE(rs->Fields(QStringLiteral("Answer")), QVariant(QStringLiteral("D")));
    rs->MoveNext();
    QCOMPARE(detail(2), (QVariantList{QStringLiteral("D"), qlonglong(0)}));
    QCOMPARE(question.text(), QStringLiteral("Software Testing question 3"));
    QCOMPARE(answer.text(), QString());
    QVERIFY(!answered.isChecked());
}

QTEST_MAIN(tst_recordset)
#include "tst_recordset.moc"
