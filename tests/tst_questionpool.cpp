#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"
#include "core/GenModule.h"
#include "data/ExamSchema.h"
#include "data/PoolBuilder.h"
#include "exam/frmExam.h"
#include "platform/MessageBox.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using namespace Qt::StringLiterals;

// The shipped question pool: it builds, every category is large and balanced enough, and the exam
// screen can draw a full exam from each category and from the whole pool.
class tst_questionpool final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { TestSupport::resetProgramState(); }
    void poolIsWholeAndUnique();
    void categoryIsBalanced_data() { addBoxes(7); }
    void categoryIsBalanced();
    void fiftyQuestionExamCanBeDrawn_data() { addBoxes(7); }
    void fiftyQuestionExamCanBeDrawn();

private:
    static void addBoxes(int count); // each category's check box, then "All Categories"

    QTemporaryDir m_dir;
    QString m_db;
    int m_inFiles = 0;
};

void tst_questionpool::initTestCase()
{
    // The pool folder of the source tree: from VESK_SOURCE_DIR, or beside this file.
    const QString folder = qEnvironmentVariableIsSet("VESK_SOURCE_DIR")
        ? qEnvironmentVariable("VESK_SOURCE_DIR") + u"/pool"_s
        : QFINDTESTDATA("../pool");
    const QDir pool(folder);
    QVERIFY2(!folder.isEmpty() && pool.exists(), "the pool folder was not found; set VESK_SOURCE_DIR");
    QStringList files;
    for (const QString &name : pool.entryList({u"*.json"_s}, QDir::Files, QDir::Name)) {
        QFile file(files.emplace_back(pool.filePath(name)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_inFiles += int(QJsonDocument::fromJson(file.readAll()).array().size());
    }
    QVERIFY(m_dir.isValid());
    m_db = m_dir.filePath(u"Exam.mdb"_s);
    PoolBuilder builder;
    QVERIFY2(builder.loadFiles(files) && builder.build(m_db, PoolBuilder::Mode::Create),
        qPrintable(builder.errors().join('\n')));
}

void tst_questionpool::addBoxes(int count)
{
    QTest::addColumn<int>("box");
    const QStringList captions = ExamSchema::categories() << u"All Categories"_s;
    for (int i = 0; i < count; ++i)
        QTest::newRow(qPrintable(captions.at(i))) << i;
}

void tst_questionpool::poolIsWholeAndUnique()
{
    // Every question of the files is in the database, under one of the six categories.
    QCOMPARE(TestSupport::scalar(m_db, u"SELECT count(*) FROM Q_A"_s).toInt(), m_inFiles);
    QCOMPARE(TestSupport::scalar(m_db,
                 u"SELECT group_concat(Category, '|') FROM (SELECT Category FROM Q_A "
                 u"GROUP BY Category ORDER BY min(QID))"_s)
                 .toString(),
        ExamSchema::categories().join('|'));

    const QVariant missing = TestSupport::scalar(
        m_db, u"SELECT group_concat(QID, ', ') FROM Q_A WHERE Description IS NULL OR trim(Description) = ''"_s);
    QVERIFY2(missing.isNull(), qPrintable(u"no explanation: QID "_s + missing.toString()));
    // Also catches texts that differ only in letter case or surrounding spaces.
    const QVariant repeated = TestSupport::scalar(m_db,
        u"SELECT group_concat(t, ' | ') FROM (SELECT lower(trim("
        u"Question)) AS t FROM Q_A GROUP BY t HAVING count(*) > 1)"_s);
    QVERIFY2(repeated.isNull(), qPrintable(u"repeated: "_s + repeated.toString()));
}

namespace {
// The letter a strategy that always takes the longest (or shortest) choice picks; a tie goes to
// the first of the tied letters. Length is counted in characters.
int pickByLength(const QStringList &choices, bool longest)
{
    int pick = 0;
    for (int i = 1; i < choices.size(); ++i) {
        if (longest ? choices.at(i).size() > choices.at(pick).size() : choices.at(i).size() < choices.at(pick).size())
            pick = i;
    }
    return pick;
}
} // namespace

// Per category and over the whole pool: enough questions, a tenth true/false, right letters
// balanced, and no length cue (always taking the longest or the shortest choice scores at most
// 30 % of the four-choice questions).
void tst_questionpool::categoryIsBalanced()
{
    QFETCH(int, box);
    const bool whole = box == 6;
    const QString where = whole ? QString() : u"WHERE Category = '%1'"_s.arg(ExamSchema::categories().at(box));
    const QList<QVariantList> questions
        = TestSupport::query(m_db, u"SELECT QID, A, B, C, D, CorrectAnswer FROM Q_A %1 ORDER BY QID"_s.arg(where));
    const int total = int(questions.size());
    QVERIFY2(total >= (whole ? 600 : 100), qPrintable(u"%1 questions"_s.arg(total)));
    QMap<QString, int> letters; // correct letters of the four-choice questions
    int trueFalse = 0, longest = 0, shortest = 0, strictlyLongest = 0;
    QStringList odd;
    for (int i = 0; i < total; ++i) {
        const QVariantList &q = questions.at(i);
        QCOMPARE(q.at(0).toInt(), questions.first().first().toInt() + i); // one unbroken run of QIDs
        const QStringList choices{q.at(1).toString(), q.at(2).toString(), q.at(3).toString(), q.at(4).toString()};
        const QString c = choices.at(2), d = choices.at(3);
        if (!c.trimmed().isEmpty() && !d.trimmed().isEmpty()) {
            const QString correct = q.at(5).toString();
            const int right = int(u"ABCD"_s.indexOf(correct));
            ++letters[correct];
            longest += pickByLength(choices, true) == right ? 1 : 0;
            shortest += pickByLength(choices, false) == right ? 1 : 0;
            bool strict = true;
            for (int k = 0; k < 4; ++k)
                strict = strict && (k == right || choices.at(right).size() > choices.at(k).size());
            strictlyLongest += strict ? 1 : 0;
        } else if (choices.at(0) == u"True"_s && choices.at(1) == u"False"_s && c.isEmpty() && d.isEmpty()) {
            ++trueFalse;
        } else {
            odd << q.at(0).toString();
        }
    }
    QVERIFY2(odd.isEmpty(), qPrintable(u"neither four-choice nor true/false: QID "_s + odd.join(u", "_s)));
    const int fourChoice = total - trueFalse;
    const auto percent = [fourChoice](int n) { return QString::number(100.0 * n / fourChoice, 'f', 1); };
    qInfo("%d questions, %d true/false; longest choice right in %s %%, shortest %s %%, strictly longest %s %%; "
          "A %d, B %d, C %d, D %d",
        total, trueFalse, qPrintable(percent(longest)), qPrintable(percent(shortest)),
        qPrintable(percent(strictlyLongest)), letters.value(u"A"_s), letters.value(u"B"_s), letters.value(u"C"_s),
        letters.value(u"D"_s));
    QVERIFY2(longest * 10 <= fourChoice * 3, qPrintable(u"always the longest choice scores "_s + percent(longest)));
    QVERIFY2(shortest * 10 <= fourChoice * 3, qPrintable(u"always the shortest choice scores "_s + percent(shortest)));
    // Each letter correct in 20% to 30% of the four-choice questions; about a tenth true/false.
    for (const QString &letter : QStringList{"A", "B", "C", "D"})
        QVERIFY2(letters.value(letter) * 5 >= fourChoice && letters.value(letter) * 10 <= fourChoice * 3,
            qPrintable(u"%1 is correct in %2 of %3"_s.arg(letter).arg(letters.value(letter)).arg(fourChoice)));
    QVERIFY2(trueFalse * 100 >= total * 7 && trueFalse * 100 <= total * 13,
        qPrintable(u"%1 true/false of %2"_s.arg(trueFalse).arg(total)));
}

void tst_questionpool::fiftyQuestionExamCanBeDrawn()
{
    QFETCH(int, box);
    TestSupport::Program program;
    QVERIFY(QFile::copy(m_db, program.dbPath()));
    frmMain *window = program.start();
    window->menuForm()->OpenScreen(0);
    frmExam *exam = window->examForm();
    QVERIFY(exam);
    QTest::keyClicks(exam->Text1(0), u"Pool Check"_s);
    QTest::mouseClick(exam->optTask(2), Qt::LeftButton);
    QTest::mouseClick(exam->chkCategory(box), Qt::LeftButton);
    QVERIFY(exam->optTask(2)->isChecked() && exam->chkCategory(box)->isChecked() && exam->Command1(0)->isEnabled());
    QTest::mouseClick(exam->Command1(0), Qt::LeftButton);

    const QList<MessageBox::Shown> &shown = MessageBox::shown();
    QVERIFY2(shown.isEmpty(), qPrintable(shown.value(0).title + u": "_s + shown.value(0).text));
    const qint32 examId = exam->examId();
    QVERIFY(examId > 0);
    // Fifty different questions, every one from the ticked category.
    const QString category = box < 6 ? u"WHERE Category = '%1'"_s.arg(ExamSchema::categories().at(box)) : QString();
    const QString drawn = u"SELECT t.UserName, t.NumOfQuestions, count(*), count(DISTINCT d.QID), sum(d.QID IN (SELECT "
                          u"QID FROM Q_A %2)) FROM ExamTitle t JOIN ExamDetails d USING (ExamID) WHERE t.ExamID = %1"_s;
    QCOMPARE(TestSupport::query(program.dbPath(), drawn.arg(examId).arg(category)),
        (QList<QVariantList>{{u"Pool Check"_s, 50, 50, 50, 50}}));

    TestSupport::screenshot(window, u"exam-shipped-pool-%1"_s.arg(box));

    // End Exam scores the exam and closes the screen.
    exam->Command1_Click(1);
    QVERIFY(!gExamLoaded);
    QCOMPARE(program.scalar(u"SELECT ExamResult FROM ExamTitle WHERE ExamID = %1"_s.arg(examId)), QVariant(0));
}

QTEST_MAIN(tst_questionpool)
#include "tst_questionpool.moc"
