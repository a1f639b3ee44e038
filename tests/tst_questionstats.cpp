#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

#include "ClassServer.h"
#include "TestSupport.h"
#include "core/GenModule.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/Database.h"
#include "data/ExamSchema.h"
#include "data/PoolStore.h"
#include "data/QuestionStats.h"
#include "data/QuestionStatsCsv.h"
#include "data/Recordset.h"
#include "data/SqliteDatabase.h"
#include "data/cDBAccess.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "questions/frmQuestionStats.h"
#include "shell/StartOptions.h"
#include "shell/frmMain.h"

using namespace Qt::StringLiterals;

namespace {
// The designed exams. Every exam of a group has the same size and score, so that the rest of an
// attempt's exam, y = (ExamResult - x) / (NumOfQuestions - 1), depends only on its group and on x,
// the attempt being right (1) or not (0):
//
//   group  exams  candidate  questions  score   y when right     y when wrong   dates
//   S      10     cleo       50         40      39/49 = 0.7959   40/49 = 0.8163  2026-01-05 to 01-14
//   M      12     bob        30         18      17/29 = 0.5862   18/29 = 0.6207  2026-02-02 to 02-13
//   W      10     ann        10           3       2/9  = 0.2222    3/9  = 0.3333  2026-03-02 to 03-11
//   P       1     ann        10           8     a practice exam: never counted     2026-03-20
//   U       1     ann        10     not scored  never counted                      2026-03-21
//
// Only the rows of the designed questions are stored; the figures take an exam's size and score
// from ExamTitle, as scoring stored them.
struct ExamGroup {
    const char *candidate;
    int exams;
    int questions;
    int score; // -1: not scored
    bool practice;
    int month;
    int firstDay;
};
const ExamGroup kGroups[] = {{"cleo", 10, 50, 40, false, 1, 5}, {"bob", 12, 30, 18, false, 2, 2},
    {"ann", 10, 10, 3, false, 3, 2}, {"ann", 1, 10, 8, true, 3, 20}, {"ann", 1, 10, -1, false, 3, 21}};

// Each question's answers exam by exam, the groups S | M | W | P | U in order: "." not in that
// exam, "-" unanswered, "0" an empty answer, "X*n" the answer X n times.
//
// r = (n Sxy - Sx Sy) / sqrt((n Sx - Sx^2)(n Syy - Sy^2)), Sx the sum of x (x^2 = x), Sy of y, and so on.
//
// st-01, key B: right S10 M8 W2; wrong M: A A D -, W: A*4 D*4. P's and U's C do not count.
//   32 attempts, facility 20/32 = 0.625. A 6/32 = 0.1875 -> 0.188, B 0.625, C 0/32 -> unpicked-C
//   (32 >= 30 attempts, under 2 %), D 5/32 = 0.15625 -> 0.156, blank 1/32 = 0.031.
//   Sy = 10(.7959) + 8(.5862) + 4(.6207) + 2(.2222) + 8(.3333) = 18.2427, Sxy = 13.0933, Syy = 11.6126
//   r = (32(13.0933) - 20(18.2427)) / sqrt((640 - 400)(32(11.6126) - 18.2427^2)) = 54.1309 / sqrt(240 x 38.8082)
//     = 0.561
// st-02, key D: right S2 W8, wrong S: C*8, W: A*2. The weak got it, the strong did not.
//   20 attempts, facility 0.500; A 0.100, B 0.000 (but under 30 attempts: no flag), C 0.400, D 0.500.
//   Sy = 2(.7959) + 8(.8163) + 8(.2222) + 2(.3333) = 10.5669, Sxy = 3.3696, Syy = 7.2154
//   r = (20(3.3696) - 10(10.5669)) / sqrt(100 x 32.6481) = -38.2766 / 57.1385 = -0.670: negative-discrimination
// db-01, key AC, choices A to E: right S: AC*4 ac, M: AC; wrong S: ABC, M: A A CE CE and one empty.
//   12 attempts, facility 6/12 = 0.500. A: AC*5 ac ABC A A = 9/12 = 0.750, B 1/12 = 0.083,
//   C: AC*5 ac ABC CE CE = 9/12 = 0.750, D 0, E 2/12 = 0.167, no F, blank 1/12 = 0.083.
//   Sy = 5(.7959) + 1(.8163) + 1(.5862) + 5(.6207) = 8.4856, Sxy = 4.5658, Syy = 6.1037
//   r = (12(4.5658) - 6(8.4856)) / sqrt(36 x 1.2399) = 3.8761 / 6.6810 = 0.580
// pb-01, key A: right W1, wrong W: B*4 C*2 -. P's and U's B would make ten attempts: they do not count.
//   8 attempts, facility 0.125, A 0.125, B 0.500, C 0.250, D 0, blank 0.125.
//   r = -1.000 (one group: the one right answer has the lower rest). Hard and negative, but under
//   10 attempts: no flags.
// nb-01, true or false (A, B), key A: right S10 M11 (one written "a"), wrong M: B.
//   22 attempts, facility 21/22 = 0.955: easy. A 0.955, B 0.045, no C or D, blank 0.
//   Sy = 10(.7959) + 11(.5862) + 1(.6207) = 15.0281, Sxy = 14.4075, Syy = 10.5001
//   r = (22(14.4075) - 21(15.0281)) / sqrt(21 x 5.1578) = 1.3730 / 10.4073 = 0.132
// qa-01, key C: right M5; wrong M: A*3 D*4, W: A*4 B*3 D*3.
//   22 attempts, facility 5/22 = 0.227: hard. A 7/22 = 0.318, B 3/22 = 0.136, C 0.227, D 7/22 = 0.318.
//   Sy = 5(.5862) + 7(.6207) + 10(.3333) = 10.6092, Sxy = 2.9310, Syy = 5.5261
//   r = (22(2.9310) - 5(10.6092)) / sqrt(85 x 9.0190) = 11.4368 / 27.6878 = 0.413
// qa-02, key B: right S10 M1. 11 attempts, facility 1.000: easy; nobody got it wrong, so x has no
//   variance and the discrimination is empty.
// it-01, key F, choices A to F: right S4, wrong W: E E - -. 8 attempts, facility 0.500, E 0.250,
//   F 0.500, blank 0.250, r = 1.000 (the right ones all strong); under 10 attempts: no flags.
// it-02: never attempted, so not listed.
struct DesignedQuestion {
    const char *id;
    int category; // in ExamSchema::categories()
    const char *letters;
    const char *key;
    const char *answers;
};
const DesignedQuestion kDesigned[] = {
    {"st-01", 0, "ABCD", "B", "B*10 | B*8 A A D - | B*2 A*4 D*4 | C | C"},
    {"st-02", 0, "ABCD", "D", "D*2 C*8 | .*12 | D*8 A*2 | . | ."},
    {"db-01", 2, "ABCDE", "AC", "AC*4 ac ABC .*4 | AC A A CE CE 0 .*6 | .*10 | . | ."},
    {"pb-01", 1, "ABCD", "A", ".*10 | .*12 | A B*4 C*2 - .*2 | B | B"},
    {"nb-01", 5, "AB", "A", "A*10 | A*4 a A*6 B | .*10 | . | ."},
    {"qa-01", 4, "ABCD", "C", ".*10 | C*5 A*3 D*4 | A*4 B*3 D*3 | . | ."},
    {"qa-02", 4, "ABCD", "B", "B*10 | B .*11 | .*10 | . | ."},
    {"it-01", 3, "ABCDEF", "F", "F*4 .*6 | .*12 | E E - - .*6 | . | ."},
    {"it-02", 3, "ABCD", "A", ".*10 | .*12 | .*10 | . | ."},
};
constexpr int kFirstQid = 1001;

QString literal(const QString &text)
{
    return u"'%1'"_s.arg(QString(text).replace(u"'"_s, u"''"_s));
}

// The statements that store the designed set, the same on the file and on the server.
QStringList designedStatements()
{
    QStringList sql;
    const QStringList categories = ExamSchema::categories();
    int qid = kFirstQid;
    QList<QList<QStringList>> answers; // question -> group -> answer tokens
    for (const DesignedQuestion &q : kDesigned) {
        const QString id = QString::fromLatin1(q.id);
        QStringList choices;
        for (int l = 0; l < 6; ++l) {
            const QChar letter(u'A' + l);
            const bool has = QByteArray(q.letters).contains(char('A' + l));
            const QString text = QByteArray(q.letters) == "AB" ? (l == 0 ? u"True"_s : u"False"_s)
                                                               : u"Choice %1 of %2"_s.arg(letter).arg(id);
            choices << (has ? literal(text) : u"NULL"_s);
        }
        sql << u"INSERT INTO Q_A (QID, Question, A, B, C, D, E, F, CorrectAnswer, Category, Description) VALUES "
               "(%1, %2, %3, '%4', %5, %6)"_s.arg(qid)
                   .arg(literal(u"Designed question %1"_s.arg(id)), choices.join(u", "_s), QString::fromLatin1(q.key),
                       literal(categories.at(q.category)), literal(u"Why %1."_s.arg(id)));
        sql << u"INSERT INTO QuestionKeys (QID, StableID, Origin) VALUES (%1, '%2', 'shipped')"_s.arg(qid).arg(id);
        QList<QStringList> groups;
        for (const QString &part : QString::fromLatin1(q.answers).split(u'|')) {
            QStringList tokens;
            for (const QString &token : part.split(u' ', Qt::SkipEmptyParts)) {
                const QStringList repeat = token.split(u'*');
                for (int n = 0; n < (repeat.size() > 1 ? repeat.at(1).toInt() : 1); ++n)
                    tokens << repeat.at(0);
            }
            groups << tokens;
        }
        answers << groups;
        ++qid;
    }
    int examId = 0;
    for (int g = 0; g < int(std::size(kGroups)); ++g) {
        const ExamGroup &group = kGroups[g];
        for (int e = 0; e < group.exams; ++e) {
            ++examId;
            const QString candidate = QString::fromLatin1(group.candidate);
            sql << u"INSERT INTO ExamTitle (ExamID, UserName, ExamDate, NumOfQuestions, ExamResult) VALUES "
                   "(%1, '%2', '2026-%3-%4 10:00:00', %5, %6)"_s.arg(examId)
                       .arg(candidate)
                       .arg(group.month, 2, 10, QLatin1Char('0'))
                       .arg(group.firstDay + e, 2, 10, QLatin1Char('0'))
                       .arg(group.questions)
                       .arg(group.score < 0 ? u"NULL"_s : QString::number(group.score));
            if (group.practice)
                sql << u"INSERT INTO PracticeExams (ExamID) VALUES (%1)"_s.arg(examId);
            for (int q = 0; q < answers.size(); ++q) {
                const QString token = answers.at(q).value(g).value(e);
                if (token == u"."_s)
                    continue;
                const QString answer = token == u"-"_s ? u"NULL"_s : token == u"0"_s ? u"''"_s : literal(token);
                sql << u"INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (%1, '%2', %3, %4, %5)"_s
                           .arg(examId)
                           .arg(candidate)
                           .arg(kFirstQid + q)
                           .arg(answer)
                           .arg(token == u"-"_s || token == u"0"_s ? 0 : -1);
            }
        }
    }
    return sql;
}

QByteArray golden()
{
    QFile file(qEnvironmentVariable("VESK_TEST_DATA") + u"/questionstats.csv"_s);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The golden file's header and the lines of these questions, in its order.
QByteArray goldenLines(const QStringList &ids)
{
    QList<QByteArray> kept;
    const QList<QByteArray> lines = golden().split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (i == 0 || ids.contains(QString::fromUtf8(lines.at(i).split(',').value(0))))
            kept << lines.at(i);
    }
    return kept.join('\n') + '\n';
}

QString buildpool()
{
    return QCoreApplication::applicationDirPath() + u"/../vesk-buildpool"_s;
}
} // namespace

// Question statistics: the designed set's figures, worked out above by hand, on the file, through
// vesk-buildpool's CSV (byte for byte against tests/data/questionstats.csv), on a class's server as
// a trainer and as a candidate, and through the screen opened from the File menu.
class tst_questionstats final : public QObject {
    Q_OBJECT

    ClassServer m_class{{1, 1, 1, 1, 1, 1}};
    QTemporaryDir m_dir;
    QTemporaryDir m_classroomFolder; // the program's folder in classroom mode: no Exam.mdb in it
    std::unique_ptr<TestSupport::Program> m_program;
    std::unique_ptr<frmMain> m_window;

    QString file() const { return m_dir.filePath(u"Exam.mdb"_s); }
    static std::vector<QuestionStats::Row> computed(Database &db, const QuestionStats::Filter &filter = {})
    {
        std::vector<QuestionStats::Row> rows;
        QString error;
        if (!QuestionStats::compute(db, filter, &rows, &error))
            qWarning("not counted: %s", qPrintable(error));
        return rows;
    }
    std::shared_ptr<Database> openFile(const QString &path)
    {
        DbError error;
        return ConnectionPool::acquire(path, QString::fromLatin1(cDBAccess::kDatabasePassword), &error);
    }
    static QString attemptsOf(const std::vector<QuestionStats::Row> &rows)
    {
        QStringList text;
        for (const QuestionStats::Row &row : rows)
            text << u"%1:%2"_s.arg(row.questionId).arg(row.attempts);
        return text.join(u' ');
    }
    frmQuestionStats *openFromMenu(frmMain *window)
    {
        auto *action = window->findChild<QAction *>(u"mnuQuestionStats"_s);
        if (!action || !action->isVisible())
            return nullptr;
        action->trigger();
        return window->findChild<frmQuestionStats *>();
    }
    static QStringList column(frmQuestionStats *screen, int c, int role = Qt::DisplayRole)
    {
        QStringList cells;
        const QAbstractItemModel *model = screen->table()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            cells << model->index(row, c).data(role).toString();
        return cells;
    }
    static void clickHeader(QTableView *table, int section)
    {
        QHeaderView *header = table->horizontalHeader();
        const QPoint at(
            header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestSupport::buildDatabase(file(), {1, 1, 1, 1, 1, 1});
        // A file of this version may not have E and F yet; the designed set needs them.
        bool hasE = false;
        for (const QVariantList &column : TestSupport::query(file(), u"PRAGMA table_info(Q_A)"_s))
            hasE = hasE || column.at(1).toString() == u"E"_s;
        if (!hasE)
            TestSupport::exec(file(), u"ALTER TABLE Q_A ADD COLUMN E TEXT; ALTER TABLE Q_A ADD COLUMN F TEXT;"_s);
        const QStringList statements = designedStatements();
        TestSupport::exec(file(), u"BEGIN;"_s + statements.join(u";\n"_s) + u";COMMIT;"_s);

        QVERIFY2(m_class.isReady(), qPrintable(m_class.error()));
        QVERIFY(m_class.addClass());
        QVERIFY(m_class.addCandidate(u"cleo"_s, u"cleo-pw"_s));
        // As the server's owner: the questions themselves, not the view that stands in for them.
        const QString owner = u"SET search_path = vesk_private, public;"_s;
        QVERIFY(m_class.exec(
            owner + u"ALTER TABLE Q_A ADD COLUMN IF NOT EXISTS E TEXT, ADD COLUMN IF NOT EXISTS F TEXT"_s));
        QVERIFY(m_class.exec(owner + u"BEGIN;"_s + statements.join(u";\n"_s) + u";COMMIT;"_s));
        QCOMPARE(m_class.scalar(u"SELECT count(*) FROM ExamDetails"_s),
            TestSupport::scalar(file(), u"SELECT count(*) FROM ExamDetails"_s).toString());
        QVERIFY(!golden().isEmpty());
    }
    void init() { TestSupport::resetProgramState(); }
    void cleanup()
    {
        if (m_window) {
            gQuitNoPrompt = true;
            m_window->close();
            m_window.reset();
        }
        m_program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        gRs.reset();
        gDB.reset();
        gConnection.reset();
        ConnectionPool::clear();
    }

    // The designed set's figures on the file are the golden file's.
    void designedFiguresOnTheFile()
    {
        const std::shared_ptr<Database> db = openFile(file());
        QVERIFY(db);
        const std::vector<QuestionStats::Row> rows = computed(*db);
        QCOMPARE(QString::fromUtf8(QuestionStatsCsv::write(rows)), QString::fromUtf8(golden()));
        // Nothing but the designed questions' attempts: never-attempted questions are not listed.
        QCOMPARE(rows.size(), size_t(8));
    }

    void filters_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("attempts");
        QTest::newRow("a category") << u"Software Testing"_s << QDate() << QDate() << u"st-01:32 st-02:20"_s;
        QTest::newRow("January: cleo's") << QString() << QDate() << QDate(2026, 1, 31)
                                         << u"db-01:6 it-01:4 nb-01:10 qa-02:10 st-01:10 st-02:10"_s;
        // S10, taken at 10:00 on the range's one day.
        QTest::newRow("the last day counts whole")
            << QString() << QDate(2026, 1, 14) << QDate(2026, 1, 14) << u"nb-01:1 qa-02:1 st-01:1 st-02:1"_s;
        QTest::newRow("February: bob's") << QString() << QDate(2026, 2, 1) << QDate(2026, 2, 28)
                                         << u"db-01:6 nb-01:12 qa-01:12 qa-02:1 st-01:12"_s;
        QTest::newRow("from March: ann's scored full exams")
            << QString() << QDate(2026, 3, 1) << QDate() << u"it-01:4 pb-01:8 qa-01:10 st-01:10 st-02:10"_s;
        QTest::newRow("a category in February")
            << u"Quality Assurance"_s << QDate(2026, 2, 1) << QDate(2026, 2, 28) << u"qa-01:12 qa-02:1"_s;
        QTest::newRow("nothing between") << QString() << QDate(2026, 1, 15) << QDate(2026, 2, 1) << QString();
    }
    void filters()
    {
        QFETCH(QString, category);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, attempts);
        const std::shared_ptr<Database> db = openFile(file());
        const std::vector<QuestionStats::Row> rows = computed(*db, {category, from, to});
        QCOMPARE(attemptsOf(rows), attempts);
        // The figures of a question do not depend on which other questions are counted.
        if (from.isNull() && to.isNull()) {
            QStringList ids;
            for (const QuestionStats::Row &row : rows)
                ids << row.questionId;
            QCOMPARE(QString::fromUtf8(QuestionStatsCsv::write(rows)), QString::fromUtf8(goldenLines(ids)));
        }
    }

    // Files a program of an earlier version wrote, and stable ids a CSV must quote.
    void olderAndOddFiles_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("from"); // lines of the golden file...
        QTest::addColumn<QStringList>("to"); // ...as they read here
        QTest::newRow("no E and F columns")
            << u"CREATE TABLE Q_A_first (QID INTEGER PRIMARY KEY, Question TEXT NOT NULL, A TEXT, B TEXT, C TEXT, "
               "D TEXT, CorrectAnswer TEXT, Category TEXT, Description TEXT); INSERT INTO Q_A_first SELECT QID, "
               "Question, A, B, C, D, CorrectAnswer, Category, Description FROM Q_A; DROP TABLE Q_A; "
               "ALTER TABLE Q_A_first RENAME TO Q_A;"_s
            << QStringList{u"db-01,Database Basic,12,0.500,0.580,0.750,0.083,0.750,0.000,0.167,,0.083,"_s,
                   u"it-01,Internet Technology,8,0.500,1.000,0.000,0.000,0.000,0.000,0.250,0.500,0.250,"_s}
            << QStringList{u"db-01,Database Basic,12,0.500,0.580,0.750,0.083,0.750,0.000,,,0.083,"_s,
                   u"it-01,Internet Technology,8,0.500,1.000,0.000,0.000,0.000,0.000,,,0.250,"_s};
        QTest::newRow("an id with a comma and quotes")
            << u"UPDATE QuestionKeys SET StableID = 'it-01,\"old\"' WHERE StableID = 'it-01'"_s
            << QStringList{u"it-01,Internet Technology,"_s}
            << QStringList{u"\"it-01,\"\"old\"\"\",Internet Technology,"_s};
        QTest::newRow("an id over two lines")
            << u"UPDATE QuestionKeys SET StableID = 'it-01' || char(10) || 'old' WHERE StableID = 'it-01'"_s
            << QStringList{u"it-01,Internet Technology,"_s} << QStringList{u"\"it-01\nold\",Internet Technology,"_s};
    }
    void olderAndOddFiles()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, from);
        QFETCH(QStringList, to);
        QTemporaryDir dir;
        const QString copy = dir.filePath(u"Exam.mdb"_s);
        QVERIFY(QFile::copy(file(), copy));
        TestSupport::exec(copy, sql);
        QString expected = QString::fromUtf8(golden());
        for (int i = 0; i < from.size(); ++i) {
            QVERIFY2(expected.contains(from.at(i)), qPrintable(from.at(i)));
            expected.replace(from.at(i), to.at(i));
        }
        const std::shared_ptr<Database> db = openFile(copy);
        QCOMPARE(QString::fromUtf8(QuestionStatsCsv::write(computed(*db))), expected);
    }

    // A question without a stable id (a file from before ids) is named as the pool store names it.
    void questionWithoutStableId()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(u"Exam.mdb"_s);
        QVERIFY(QFile::copy(file(), copy));
        TestSupport::exec(copy, u"DELETE FROM QuestionKeys WHERE StableID = 'qa-02'"_s);
        const std::shared_ptr<Database> db = openFile(copy);
        const std::vector<QuestionStats::Row> rows = computed(*db);
        QCOMPARE(rows.size(), size_t(8));
        const auto qa02 = std::find_if(
            rows.begin(), rows.end(), [](const QuestionStats::Row &row) { return row.qid == kFirstQid + 6; });
        QVERIFY(qa02 != rows.end());
        QCOMPARE(qa02->questionId, PoolStore::idFromText(u"Designed question qa-02"_s));
        QVERIFY(qa02->questionId.startsWith(u"q-"_s));
        // Still in QuestionID order: "q-..." comes before "qa-01".
        QVERIFY(std::is_sorted(rows.begin(), rows.end(),
            [](const QuestionStats::Row &a, const QuestionStats::Row &b) { return a.questionId < b.questionId; }));
        QCOMPARE(std::next(qa02)->questionId, u"qa-01"_s);
    }

    void command_data()
    {
        QTest::addColumn<QStringList>("arguments"); // FILE: the designed Exam.mdb; OUT: the CSV
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("ids"); // the golden lines expected; empty: the whole file
        QTest::newRow("the whole file") << QStringList{u"--question-stats"_s, u"--out"_s, u"OUT"_s, u"FILE"_s} << 0
                                        << QStringList();
        QTest::newRow("a category") << QStringList{u"--question-stats"_s, u"--category"_s, u"Software Testing"_s,
            u"--out"_s, u"OUT"_s, u"FILE"_s}
                                    << 0 << QStringList{u"st-01"_s, u"st-02"_s};
        QTest::newRow("no such file") << QStringList{u"--question-stats"_s, u"--out"_s, u"OUT"_s, u"FILE.missing"_s}
                                      << 1 << QStringList();
        QTest::newRow("no output") << QStringList{u"--question-stats"_s, u"FILE"_s} << 2 << QStringList();
        QTest::newRow("two databases") << QStringList{u"--question-stats"_s, u"--out"_s, u"OUT"_s, u"FILE"_s, u"FILE"_s}
                                       << 2 << QStringList();
        QTest::newRow("not a date") << QStringList{u"--question-stats"_s, u"--from"_s, u"2026-13-01"_s, u"--out"_s,
            u"OUT"_s, u"FILE"_s} << 2
                                    << QStringList();
        QTest::newRow("dates without statistics")
            << QStringList{u"--from"_s, u"2026-01-01"_s, u"--out"_s, u"OUT"_s, u"FILE"_s} << 2 << QStringList();
    }
    void command()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, ids);
        QTemporaryDir dir;
        const QString out = dir.filePath(u"stats.csv"_s);
        for (QString &argument : arguments)
            argument.replace(u"FILE"_s, file()).replace(u"OUT"_s, out);
        const TestSupport::Run run = TestSupport::run(buildpool(), arguments);
        QVERIFY2(run.status == status, qPrintable(run.out + run.err));
        if (status != 0) {
            QVERIFY(!QFileInfo::exists(out));
            QVERIFY(!run.err.isEmpty());
            return;
        }
        QCOMPARE(readAll(out), ids.isEmpty() ? golden() : goldenLines(ids));
        QCOMPARE(run.out, u"%1 written: %2 questions attempted.\n"_s.arg(out).arg(ids.isEmpty() ? 8 : ids.size()));
    }

    // The server counts as the file does, for a trainer, through the program's data layer and the
    // command alike.
    void serverAsTrainer()
    {
        const std::shared_ptr<Database> tina = ClassServer::connectAs(u"tina"_s, u"tina-pw"_s);
        QVERIFY(tina);
        QVERIFY(QuestionStats::mayRead(*tina));
        QCOMPARE(QString::fromUtf8(QuestionStatsCsv::write(computed(*tina))), QString::fromUtf8(golden()));
        const std::shared_ptr<Database> local = openFile(file());
        for (const QuestionStats::Filter &filter : {QuestionStats::Filter{u"Software Testing"_s, {}, {}},
                 QuestionStats::Filter{{}, QDate(2026, 2, 1), QDate(2026, 2, 28)}})
            QCOMPARE(
                QuestionStatsCsv::write(computed(*tina, filter)), QuestionStatsCsv::write(computed(*local, filter)));

        QTemporaryDir dir;
        const QString out = dir.filePath(u"stats.csv"_s);
        const TestSupport::Run run
            = TestSupport::run(buildpool(), {u"--question-stats"_s, u"--out"_s, out, u"--dsn"_s, u"tina"_s});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(readAll(out), golden());
    }

    // A candidate gets no statistics: the data layer and the command refuse, and the counting
    // statement itself, sent straight to the server, is limited by row-level security to the
    // candidate's own exams (here ann's, which March holds on the file).
    void serverAsCandidate()
    {
        const std::shared_ptr<Database> ann = ClassServer::connectAs(u"ann"_s, u"ann-pw"_s);
        QVERIFY(ann);
        QVERIFY(!QuestionStats::mayRead(*ann));
        std::vector<QuestionStats::Row> rows;
        QString error;
        QVERIFY(!QuestionStats::compute(*ann, {}, &rows, &error));
        QVERIFY(rows.empty());
        QVERIFY2(error.contains(u"trainers"_s), qPrintable(error));

        Database::Result own;
        DbError failure;
        QVERIFY2(ann->query(ann->translate(QuestionStats::countStatement({}, true)), &own, &failure),
            qPrintable(failure.description));
        Database::Result march;
        const std::shared_ptr<Database> local = openFile(file());
        const QuestionStats::Filter marchOnly{{}, QDate(2026, 3, 1), QDate(2026, 3, 31)};
        QVERIFY(local->query(local->translate(QuestionStats::countStatement(marchOnly, true)), &march, &failure));
        const auto groups = [](const Database::Result &result) {
            QStringList lines;
            for (const std::vector<QVariant> &row : result.rows) {
                QStringList cells;
                for (const QVariant &value : row)
                    cells << value.toString();
                lines << cells.join(u' ');
            }
            lines.sort();
            return lines;
        };
        QCOMPARE(groups(own), groups(march));
        QSet<qint64> questions;
        for (const std::vector<QVariant> &row : own.rows)
            questions << row.at(0).toLongLong();
        // st-01, st-02, pb-01, qa-01 and it-01: the designed questions W's exams hold.
        QCOMPARE(questions, (QSet<qint64>{kFirstQid, kFirstQid + 1, kFirstQid + 3, kFirstQid + 5, kFirstQid + 7}));

        QTemporaryDir dir;
        const QString out = dir.filePath(u"stats.csv"_s);
        const TestSupport::Run run
            = TestSupport::run(buildpool(), {u"--question-stats"_s, u"--out"_s, out, u"--dsn"_s, u"ann"_s});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(u"trainers"_s), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(out));
    }

    // The screen as a trainer uses it on a file: opened from the File menu, a category chosen,
    // sorted by each column, a question double-clicked, the table exported.
    void screenOnTheFile()
    {
        m_program = std::make_unique<TestSupport::Program>();
        QVERIFY(QFile::copy(file(), m_program->dbPath()));
        frmMain *window = m_program->start();
        QPointer<frmQuestionStats> screen = openFromMenu(window);
        QVERIFY(screen);
        QVERIFY(screen->isVisible());
        QCOMPARE(screen->table()->model()->rowCount(), 8);
        QCOMPARE(screen->summary()->text(), u"8 questions attempted, 135 attempts."_s);
        const QString note = screen->findChild<QLabel *>(u"lblNote"_s)->text();
        QVERIFY2(note.contains(u"at least 10 attempts are flagged"_s), qPrintable(note));
        QCOMPARE(column(screen, frmQuestionStats::QuestionId),
            (QStringList{"db-01", "it-01", "nb-01", "pb-01", "qa-01", "qa-02", "st-01", "st-02"}));
        // st-01's line as shown: percentages of the CSV's fractions, its key in bold.
        QStringList st01;
        for (int c = 0; c <= frmQuestionStats::Flags; ++c)
            st01 << screen->table()->model()->index(6, c).data().toString();
        QCOMPARE(st01,
            (QStringList{"st-01", "Software Testing", "32", "62.5 %", "0.561", "18.8 %", "62.5 %", "0.0 %", "15.6 %",
                "", "", "3.1 %", "unpicked-C"}));
        QVERIFY(
            screen->table()->model()->index(6, frmQuestionStats::LetterA + 1).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(
            !screen->table()->model()->index(6, frmQuestionStats::LetterA).data(Qt::FontRole).value<QFont>().bold());
        TestSupport::screenshot(screen, u"question-statistics"_s);

        // Sorted by each column in turn, one way and then the other; empty cells are not figures.
        for (int c = frmQuestionStats::QuestionId; c <= frmQuestionStats::Flags; ++c) {
            for (int click = 0; click < 2; ++click) {
                clickHeader(screen->table(), c);
                QCOMPARE(screen->table()->horizontalHeader()->sortIndicatorSection(), c);
                const bool up = screen->table()->horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder;
                QVariantList values;
                for (int row = 0; row < 8; ++row) {
                    const QVariant v = screen->table()->model()->index(row, c).data(frmQuestionStats::kSortRole);
                    if (v.isValid())
                        values << v;
                }
                for (int i = 1; i < values.size(); ++i) {
                    const QPartialOrdering order = QVariant::compare(values.at(i - 1), values.at(i));
                    QVERIFY2(up ? order != QPartialOrdering::Greater : order != QPartialOrdering::Less,
                        qPrintable(u"column %1, row %2"_s.arg(c).arg(i)));
                }
                // The least often right first, or the always right.
                if (c == frmQuestionStats::Facility)
                    QCOMPARE(column(screen, frmQuestionStats::QuestionId).value(0), up ? u"pb-01"_s : u"qa-02"_s);
            }
        }

        // One category: Software Testing's two questions; sorted by discrimination, st-02 first.
        screen->category()->setCurrentIndex(screen->category()->findText(u"Software Testing"_s));
        QCOMPARE(screen->table()->model()->rowCount(), 2);
        screen->table()->sortByColumn(frmQuestionStats::Discrimination, Qt::AscendingOrder);
        QCOMPARE(column(screen, frmQuestionStats::QuestionId), (QStringList{"st-02", "st-01"}));
        QCOMPARE(column(screen, frmQuestionStats::Flags), (QStringList{"negative-discrimination", "unpicked-C"}));
        // A double-click asks for the question (the editor will open it).
        QSignalSpy asked(screen.data(), &frmQuestionStats::questionActivated);
        const QRect cell = screen->table()->visualRect(screen->table()->model()->index(0, frmQuestionStats::Category));
        QTest::mouseClick(screen->table()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(screen->table()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.at(0).at(0).toLongLong(), qint64(kFirstQid + 1));
        QCOMPARE(asked.at(0).at(1).toString(), u"st-02"_s);

        // Exported: a cancel writes nothing; the file has the category's lines in QuestionID order
        // whatever the sorting, ".csv" added to a name without one.
        QTemporaryDir out;
        FileDialog::setNextResult(std::nullopt);
        QTest::mouseClick(screen->exportButton(), Qt::LeftButton);
        QCOMPARE(FileDialog::lastTitle(), u"Export Question Statistics"_s);
        QVERIFY(QDir(out.path()).isEmpty());
        FileDialog::setNextResult(out.filePath(u"testing"_s));
        QTest::mouseClick(screen->exportButton(), Qt::LeftButton);
        QCOMPARE(readAll(out.filePath(u"testing.csv"_s)), goldenLines({u"st-01"_s, u"st-02"_s}));
        QCOMPARE(TestSupport::box(-1),
            (QVariantList{u"2 questions written to %1."_s.arg(out.filePath(u"testing.csv"_s)), u"Question Statistics"_s,
                int(MessageBox::Information)}));

        // Dates: from March, Software Testing's attempts are ann's ten each.
        screen->fromDate()->setDate(QDate(2026, 3, 1));
        QCOMPARE(screen->table()->model()->rowCount(), 2); // not counted again until ticked
        QTest::mouseClick(screen->fromBox(), Qt::LeftButton);
        QVERIFY(screen->fromBox()->isChecked());
        QCOMPARE(column(screen, frmQuestionStats::Attempts), (QStringList{"10", "10"}));
        // Every category and every date again: the whole golden file.
        QTest::mouseClick(screen->fromBox(), Qt::LeftButton);
        screen->category()->setCurrentIndex(0);
        FileDialog::setNextResult(out.filePath(u"all.csv"_s));
        QTest::mouseClick(screen->exportButton(), Qt::LeftButton);
        QCOMPARE(readAll(out.filePath(u"all.csv"_s)), golden());
        // Asked for again, the same window comes forward.
        QCOMPARE(openFromMenu(window), screen.data());
        QCOMPARE(window->findChildren<frmQuestionStats *>().size(), 1);
    }

    // On a class's server the menu offers the statistics to trainers only.
    void menuOnTheServer_data()
    {
        QTest::addColumn<QString>("role");
        QTest::addColumn<bool>("offered");
        QTest::newRow("trainer") << u"tina"_s << true;
        QTest::newRow("candidate") << u"ann"_s << false;
    }
    void menuOnTheServer()
    {
        QFETCH(QString, role);
        QFETCH(bool, offered);
        SetAppFolder(m_classroomFolder.path());
        m_window = std::make_unique<frmMain>();
        StartOptions options;
        options.classroomDsn = role;
        m_window->start(options);
        QCOMPARE(m_window->databaseRoad(), frmMain::DatabaseRoad::Classroom);
        auto *action = m_window->findChild<QAction *>(u"mnuQuestionStats"_s);
        QVERIFY(action);
        QCOMPARE(action->isVisible(), offered);
        frmQuestionStats *screen = openFromMenu(m_window.get());
        QCOMPARE(screen != nullptr, offered);
        if (offered) {
            QCOMPARE(column(screen, frmQuestionStats::QuestionId),
                (QStringList{"db-01", "it-01", "nb-01", "pb-01", "qa-01", "qa-02", "st-01", "st-02"}));
            QCOMPARE(column(screen, frmQuestionStats::Flags).join(u'|'),
                u"||easy||hard|easy|unpicked-C|negative-discrimination"_s);
        }
        QVERIFY(MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(tst_questionstats)
#include "tst_questionstats.moc"
