#include <set>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "data/ExamSchema.h"
#include "data/PoolBuilder.h"
#include "exam/frmExam.h"
#include "shell/GenModule.h"
#include "shell/MessageBox.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using namespace Qt::StringLiterals;

// The shipped question pool: it builds, every category is large and balanced enough, and the exam
// screen can draw a full exam from each category and from the whole pool.
class tst_questionpool final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { TestSupport::resetProgramState(); }

    // The pool as a whole
    void databaseHoldsWholePool();
    void everyExplanationPresent();
    void noQuestionRepeats();

    // Each category
    void categoryHasEnoughQuestions_data() { addCategories(); }
    void categoryHasEnoughQuestions();
    void questionsAreFourChoiceOrTrueFalse_data() { addCategories(); }
    void questionsAreFourChoiceOrTrueFalse();
    void correctLettersAreBalanced_data() { addCategories(); }
    void correctLettersAreBalanced();
    void trueFalseShareInRange_data() { addCategories(); }
    void trueFalseShareInRange();
    void qidsFormOneRun_data() { addCategories(); }
    void qidsFormOneRun();

    // Drawing exams through the exam screen
    void fiftyQuestionExamCanBeDrawn_data();
    void fiftyQuestionExamCanBeDrawn();

private:
    static void addCategories();
    // Rows of Q_A of one category: QID, A, B, C, D, CorrectAnswer.
    QList<QVariantList> category(const QString &name) const;

    QString m_poolFolder;
    QStringList m_files;
    QTemporaryDir m_dir;
    QString m_db;
};

namespace {
// The pool folder of the source tree: from VESK_SOURCE_DIR, from the test data folder CTest
// names, or beside this file.
QString findPoolFolder()
{
    QStringList candidates;
    if (qEnvironmentVariableIsSet("VESK_SOURCE_DIR"))
        candidates << qEnvironmentVariable("VESK_SOURCE_DIR") + u"/pool"_s;
    if (qEnvironmentVariableIsSet("VESK_TEST_DATA"))
        candidates << qEnvironmentVariable("VESK_TEST_DATA") + u"/../../pool"_s;
    candidates << QFINDTESTDATA("../pool");
    for (const QString &candidate : candidates) {
        if (!candidate.isEmpty() && QDir(candidate).exists())
            return QDir(candidate).canonicalPath();
    }
    return QString();
}

QString qidList(const QList<int> &qids)
{
    QStringList texts;
    for (const int qid : qids)
        texts << QString::number(qid);
    return texts.join(u", "_s);
}
} // namespace

void tst_questionpool::initTestCase()
{
    m_poolFolder = findPoolFolder();
    QVERIFY2(!m_poolFolder.isEmpty(), "the pool folder was not found; set VESK_SOURCE_DIR");
    const QDir folder(m_poolFolder);
    for (const QString &name : folder.entryList({u"*.json"_s}, QDir::Files, QDir::Name))
        m_files << folder.filePath(name);
    QVERIFY2(!m_files.isEmpty(), qPrintable(m_poolFolder + u" holds no pool files"_s));
    QVERIFY(m_dir.isValid());
    m_db = m_dir.filePath(u"Exam.mdb"_s);

    // The builder accepts the pool as shipped.
    PoolBuilder builder;
    QVERIFY2(builder.loadFiles(m_files) && builder.build(m_db, PoolBuilder::Mode::Create),
             qPrintable(builder.errors().join('\n')));
}

void tst_questionpool::addCategories()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : ExamSchema::categories())
        QTest::newRow(qPrintable(name)) << name;
}

QList<QVariantList> tst_questionpool::category(const QString &name) const
{
    return TestSupport::query(
        m_db, u"SELECT QID, A, B, C, D, CorrectAnswer FROM Q_A WHERE Category = '%1' ORDER BY QID"_s.arg(name));
}

// --- The pool as a whole ------------------------------------------------------------------

void tst_questionpool::databaseHoldsWholePool()
{
    // Every question of the files is in the database, under one of the six categories.
    int inFiles = 0;
    for (const QString &path : std::as_const(m_files)) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        inFiles += int(QJsonDocument::fromJson(file.readAll()).array().size());
    }
    QCOMPARE(TestSupport::scalar(m_db, u"SELECT count(*) FROM Q_A"_s).toInt(), inFiles);
    QList<QVariantList> expected;
    for (const QString &name : ExamSchema::categories())
        expected << QVariantList{name};
    QCOMPARE(TestSupport::query(m_db, u"SELECT Category FROM Q_A GROUP BY Category ORDER BY min(QID)"_s),
             expected);
}

void tst_questionpool::everyExplanationPresent()
{
    QList<int> missing;
    for (const QVariantList &row : TestSupport::query(
             m_db, u"SELECT QID FROM Q_A WHERE Description IS NULL OR trim(Description) = ''"_s))
        missing << row.first().toInt();
    QVERIFY2(missing.isEmpty(), qPrintable(u"no explanation: QID "_s + qidList(missing)));
}

void tst_questionpool::noQuestionRepeats()
{
    // Also catches texts that differ only in letter case or surrounding spaces.
    const QList<QVariantList> repeated = TestSupport::query(
        m_db, u"SELECT lower(trim(Question)) AS t FROM Q_A GROUP BY t HAVING count(*) > 1"_s);
    QVERIFY2(repeated.isEmpty(), qPrintable(u"repeated: "_s + repeated.value(0).value(0).toString()));
}

// --- Each category ------------------------------------------------------------------------

void tst_questionpool::categoryHasEnoughQuestions()
{
    QFETCH(QString, name);
    const int count = int(category(name).size());
    QVERIFY2(count >= 60, qPrintable(u"%1 questions"_s.arg(count)));
}

void tst_questionpool::questionsAreFourChoiceOrTrueFalse()
{
    QFETCH(QString, name);
    QList<int> odd;
    for (const QVariantList &q : category(name)) {
        const bool fourChoice = !q.at(3).toString().trimmed().isEmpty() && !q.at(4).toString().trimmed().isEmpty();
        const bool trueFalse = q.at(1).toString() == u"True"_s && q.at(2).toString() == u"False"_s
                               && q.at(3).toString().isEmpty() && q.at(4).toString().isEmpty();
        if (!fourChoice && !trueFalse)
            odd << q.at(0).toInt();
    }
    QVERIFY2(odd.isEmpty(), qPrintable(u"neither four-choice nor true/false: QID "_s + qidList(odd)));
}

void tst_questionpool::correctLettersAreBalanced()
{
    QFETCH(QString, name);
    QMap<QString, int> letters;
    int fourChoice = 0;
    for (const QVariantList &q : category(name)) {
        if (q.at(4).toString().trimmed().isEmpty())
            continue;
        ++fourChoice;
        ++letters[q.at(5).toString()];
    }
    QVERIFY(fourChoice > 0);
    for (const QString &letter : QStringList{"A", "B", "C", "D"}) {
        const int n = letters.value(letter);
        // 20% to 30% of the category's four-choice questions.
        QVERIFY2(n * 5 >= fourChoice && n * 10 <= fourChoice * 3,
                 qPrintable(u"%1 is correct in %2 of %3"_s.arg(letter).arg(n).arg(fourChoice)));
    }
}

void tst_questionpool::trueFalseShareInRange()
{
    QFETCH(QString, name);
    const QList<QVariantList> questions = category(name);
    int trueFalse = 0;
    for (const QVariantList &q : questions)
        trueFalse += q.at(3).toString().isEmpty() && q.at(4).toString().isEmpty() ? 1 : 0;
    const int total = int(questions.size());
    // 5% to 15% of the category.
    QVERIFY2(trueFalse * 20 >= total && trueFalse * 20 <= total * 3,
             qPrintable(u"%1 true/false of %2"_s.arg(trueFalse).arg(total)));
}

void tst_questionpool::qidsFormOneRun()
{
    QFETCH(QString, name);
    const QList<QVariantList> questions = category(name);
    QVERIFY(!questions.isEmpty());
    const int low = questions.first().first().toInt();
    for (int i = 0; i < questions.size(); ++i)
        QCOMPARE(questions.at(i).first().toInt(), low + i);
}

// --- Drawing exams through the exam screen ------------------------------------------------

void tst_questionpool::fiftyQuestionExamCanBeDrawn_data()
{
    QTest::addColumn<int>("box"); // the category check box; 6 is "All Categories"
    const QStringList captions = ExamSchema::categories() << u"All Categories"_s;
    for (int i = 0; i < captions.size(); ++i)
        QTest::newRow(qPrintable(captions.at(i))) << i;
}

void tst_questionpool::fiftyQuestionExamCanBeDrawn()
{
    QFETCH(int, box);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString db = dir.filePath(u"Exam.mdb"_s);
    QVERIFY(QFile::copy(m_db, db));
    const QString qidRange = box < 6 ? u"SELECT min(QID), max(QID) FROM Q_A WHERE Category = '%1'"_s
                                           .arg(ExamSchema::categories().at(box))
                                     : u"SELECT min(QID), max(QID) FROM Q_A"_s;
    const QVariantList range = TestSupport::query(db, qidRange).first();

    auto window = TestSupport::startProgram(dir.path());
    const auto closeWindow = qScopeGuard([&window] {
        gQuitNoPrompt = true;
        window->close();
    });
    window->menuForm()->OpenScreen(0);
    frmExam *exam = window->examForm();
    QVERIFY(exam);
    QTest::keyClicks(exam->Text1(0), u"Pool Check"_s);
    QTest::mouseClick(exam->optTask(2), Qt::LeftButton);
    QVERIFY(exam->optTask(2)->isChecked());
    QTest::mouseClick(exam->chkCategory(box), Qt::LeftButton);
    QVERIFY(exam->chkCategory(box)->isChecked());
    QVERIFY(exam->Command1(0)->isEnabled());
    QTest::mouseClick(exam->Command1(0), Qt::LeftButton);

    const QList<MessageBox::Shown> &shown = MessageBox::shown();
    QVERIFY2(shown.isEmpty(), qPrintable(shown.value(0).title + u": "_s + shown.value(0).text));
    const qint32 examId = exam->examId();
    QVERIFY(examId > 0);
    QCOMPARE(TestSupport::query(db, u"SELECT UserName, NumOfQuestions FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)),
             (QList<QVariantList>{{u"Pool Check"_s, 50}}));
    std::set<int> qids;
    for (const QVariantList &row :
         TestSupport::query(db, u"SELECT QID FROM ExamDetails WHERE ExamID = %1"_s.arg(examId))) {
        const int qid = row.first().toInt();
        QVERIFY2(qid >= range.at(0).toInt() && qid <= range.at(1).toInt(),
                 qPrintable(u"QID %1 outside %2..%3"_s.arg(qid).arg(range.at(0).toInt()).arg(range.at(1).toInt())));
        QVERIFY2(qids.insert(qid).second, qPrintable(u"QID %1 drawn twice"_s.arg(qid)));
    }
    QCOMPARE(int(qids.size()), 50);

    // End Exam scores the exam and closes the screen.
    exam->Command1_Click(1);
    QVERIFY(!gExamLoaded);
    QCOMPARE(TestSupport::scalar(db, u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)),
             QVariant(0));
}

QTEST_MAIN(tst_questionpool)
#include "tst_questionpool.moc"
