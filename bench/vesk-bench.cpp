// Latency benchmark: drives the real screens on a database of many stored exams and prints the
// median of each measured step, then times the program's start-up beside a bare Qt window's.
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/vesk-bench
#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlcipher/sqlite3.h>

#include "bank/BankImport.h"
#include "bank/QuestionBank.h"
#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/GenModule.h"
#include "data/Breakdown.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/DbError.h"
#include "data/ExamDraw.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Mistakes.h"
#include "data/PoolBuilder.h"
#include "data/QuestionStats.h"
#include "data/Recordset.h"
#include "data/SqliteDatabase.h"
#include "data/SqliteHandle.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "insight/frmProgress.h"
#include "platform/CoreHandlers.h"
#include "platform/DesktopShell.h"
#include "platform/MessageBox.h"
#include "questions/frmQuestionEditor.h"
#include "review/ExamListModel.h"
#include "review/ExamReport.h"
#include "review/frmViewExam.h"
#include "shell/StartOptions.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "tests/ClassServer.h"
#include "tests/PgServer.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionMapCell.h"

namespace {
// A bench database opened and keyed; the bench cannot go on without it.
std::shared_ptr<SqliteHandle> keyedFile(const QString &path)
{
    SqliteHandle::Opened opened = SqliteHandle::openKeyed(path, SQLITE_OPEN_READWRITE, QStringLiteral("QOMB"));
    if (!opened.handle)
        qFatal("cannot open %s: %s", qPrintable(path), qPrintable(opened.message));
    return opened.handle;
}

constexpr int kStoredExams = 10000;
constexpr int kQuestionsPerCategory = 105; // the shipped pool's size
// One candidate took every tenth exam (1,000), every fifth of them a practice exam; the last
// stored exam has 50 questions.
const QString kRegular = QStringLiteral("Regular Candidate");
constexpr int kLongExam = kStoredExams;
// A trainer's server after a few terms: the results list and End Exam are measured there too.
constexpr int kTrainersExams = 100000;

// The pool of every database here: question i of a category has the key "ABCD"[i % 4].
void addPool(PoolBuilder &builder)
{
    const QStringList categories = ExamSchema::categories();
    for (int c = 0; c < 6; ++c) {
        for (int i = 1; i <= kQuestionsPerCategory; ++i) {
            builder.addQuestion({categories.at(c), QStringLiteral("%1 question %2").arg(categories.at(c)).arg(i),
                QStringLiteral("First choice"), QStringLiteral("Second choice"), QStringLiteral("Third choice"),
                QStringLiteral("Fourth choice"), QString(QChar(u'A' + i % 4)), QStringLiteral("Explanation."),
                QString()});
        }
    }
}

void buildPool(const QString &path)
{
    PoolBuilder builder;
    addPool(builder);
    if (!builder.build(path, PoolBuilder::Mode::Create))
        qFatal("%s", qPrintable(builder.errors().join(QLatin1Char('\n'))));
}

void buildDatabase(const QString &path)
{
    buildPool(path);
    // The stored exams: 10 questions each, scored.
    const std::shared_ptr<SqliteHandle> db = keyedFile(path);
    sqlite3 *raw = db->get();
    sqlite3_exec(raw, "BEGIN;", nullptr, nullptr, nullptr);
    SqliteStatement title(raw,
        QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) "
                       "VALUES (?, ?, 10, ?)"));
    SqliteStatement detail(raw,
        QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) "
                       "VALUES (?, ?, ?, 'A', -1)"));
    SqliteStatement practice(raw, QStringLiteral("INSERT INTO PracticeExams (ExamID) VALUES (?)"));
    const QDateTime start(QDate(2020, 1, 1), QTime(9, 0));
    for (int e = 1; e <= kStoredExams; ++e) {
        const QString name = e % 10 == 0 ? kRegular : QStringLiteral("Candidate %1").arg(e % 97);
        sqlite3_reset(title.get());
        title.bind(1, name);
        title.bind(2, start.addSecs(qint64(e) * 3600).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        title.bind(3, e % 11);
        title.step();
        const int questions = e == kLongExam ? 50 : 10;
        for (int q = 1; q <= questions; ++q) {
            sqlite3_reset(detail.get());
            detail.bind(1, e);
            detail.bind(2, name);
            detail.bind(3, e == kLongExam ? q * 7 : (e * 7 + q * 13) % (6 * kQuestionsPerCategory) + 1);
            detail.step();
        }
        if (e % 50 == 0) {
            sqlite3_reset(practice.get());
            practice.bind(1, e);
            practice.step();
        }
    }
    sqlite3_exec(raw, "UPDATE ExamTitle SET NumOfQuestions = 50, ExamResult = 13 WHERE ExamID = 10000; COMMIT;",
        nullptr, nullptr, nullptr);
}

// The trainer's exams, made by SQL: 10 questions each, scored, of 97 candidates in turn. `exams`
// is a row source of the exams' numbers e, `date` exam e's date in the engine's own functions.
QString trainersExams(const QString &exams, const QString &date)
{
    return QStringLiteral("INSERT INTO ExamTitle (UserName, ExamDate, NumOfQuestions, ExamResult) SELECT 'Candidate ' "
                          "|| (e % 97), %2, 10, e % 11 FROM %1; INSERT INTO ExamDetails (ExamID, UserName, QID, "
                          "Answer, Answered) SELECT t.ExamID, t.UserName, (t.ExamID * 7 + q * 13) % %3 + 1, 'A', -1 "
                          "FROM ExamTitle t CROSS JOIN (SELECT 1 AS q UNION ALL SELECT 2 UNION ALL SELECT 3 UNION "
                          "ALL SELECT 4 UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 "
                          "UNION ALL SELECT 9 UNION ALL SELECT 10) AS d")
        .arg(exams, date)
        .arg(6 * kQuestionsPerCategory);
}

void buildTrainersFile(const QString &path)
{
    buildPool(path);
    const std::shared_ptr<SqliteHandle> db = keyedFile(path);
    sqlite3 *raw = db->get();
    const QString fill = QStringLiteral("BEGIN; ")
        + trainersExams(QStringLiteral("(WITH RECURSIVE n(e) AS (SELECT 1 UNION ALL SELECT e + 1 FROM n WHERE e < "
                                       "%1) SELECT e FROM n)")
                            .arg(kTrainersExams),
            QStringLiteral("datetime('2015-01-01 09:00:00', '+' || (e * 3) || ' hours')"))
        + QStringLiteral("; COMMIT;");
    char *message = nullptr;
    if (sqlite3_exec(raw, fill.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
        qFatal("%s", message);
}

// 10,000 scored 50-question exams (500,000 answers) over the same pool, for the question
// statistics: each exam's candidate right with a chance of their own (30 % to 90 %), else a wrong
// letter or, one time in twenty, no answer; every score the count of its right answers.
void buildStatsDatabase(const QString &path)
{
    buildPool(path);
    const std::shared_ptr<SqliteHandle> db = keyedFile(path);
    sqlite3 *raw = db->get();
    sqlite3_exec(raw,
        "BEGIN; DELETE FROM ExamDetails; DELETE FROM ExamTitle; "
        "DELETE FROM PracticeExams;",
        nullptr, nullptr, nullptr);
    SqliteStatement title(raw,
        QStringLiteral("INSERT INTO ExamTitle (ExamID, UserName, ExamDate, NumOfQuestions, ExamResult) "
                       "VALUES (?, ?, ?, 50, ?)"));
    SqliteStatement detail(raw,
        QStringLiteral("INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (?, ?, ?, ?, ?)"));
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> chance(0, 1);
    const QDateTime start(QDate(2020, 1, 1), QTime(9, 0));
    const int pool = 6 * kQuestionsPerCategory;
    for (int e = 1; e <= kStoredExams; ++e) {
        const QString name = QStringLiteral("Candidate %1").arg(e % 97);
        const double ability = 0.3 + 0.6 * (e % 10) / 9.0;
        int right = 0;
        for (int k = 0; k < 50; ++k) {
            // 13 is prime to the pool's size: fifty different questions.
            const int qid = (e * 7 + k * 13) % pool + 1;
            const int key = ((qid - 1) % kQuestionsPerCategory + 1) % 4;
            QString answer;
            if (chance(rng) < ability) {
                answer = QChar(u'A' + key);
                ++right;
            } else if (chance(rng) >= 0.05) {
                answer = QChar(u'A' + (key + 1 + int(rng() % 3)) % 4);
            }
            sqlite3_reset(detail.get());
            detail.bind(1, e);
            detail.bind(2, name);
            detail.bind(3, qid);
            detail.bind(4, answer.isEmpty() ? QVariant() : QVariant(answer));
            detail.bind(5, answer.isEmpty() ? 0 : -1);
            detail.step();
        }
        sqlite3_reset(title.get());
        title.bind(1, e);
        title.bind(2, name);
        title.bind(3, start.addSecs(qint64(e) * 3600).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        title.bind(4, right);
        title.step();
    }
    sqlite3_exec(raw, "COMMIT;", nullptr, nullptr, nullptr);
}

// The same exams made by a server of the benchmark's own, as the tests start theirs, for a trainer
// to count there: the pool loaded as vesk-buildpool --dsn loads it, the answers drawn by the server
// in the same way. Empty, with `why`, when no server can be started.
std::shared_ptr<Database> buildStatsServer(PgServer &server, QString *why)
{
    const QString database = QStringLiteral("bench");
    if (!server.isRunning() || !server.psql(QStringLiteral("CREATE DATABASE bench"))) {
        *why = server.error();
        return nullptr;
    }
    server.addDsn(QStringLiteral("BenchAdmin"), database, QString::fromLatin1(PgServer::kSuperuser),
        QString::fromLatin1(PgServer::kSuperPassword));
    PoolBuilder builder;
    addPool(builder);
    if (!builder.buildOnServer(
            QStringLiteral("BenchAdmin"), QString(), QString(), QString(), PoolBuilder::Mode::Create)) {
        *why = builder.errors().join(QLatin1Char(' '));
        return nullptr;
    }
    const QString exams = QStringLiteral(
        "SELECT setseed(0.11); "
        "INSERT INTO ExamTitle (ExamID, UserName, ExamDate, NumOfQuestions, ExamResult) SELECT e, 'Candidate ' || "
        "(e % 97), to_char(timestamp '2020-01-01 09:00:00' + e * interval '1 hour', 'YYYY-MM-DD HH24:MI:SS'), 50, "
        "NULL "
        "FROM generate_series(1, %1) e; "
        "INSERT INTO ExamDetails (ExamID, UserName, QID, Answer, Answered) SELECT x.e, 'Candidate ' || (x.e % 97), "
        "q.QID, "
        "a.given, CASE WHEN a.given IS NULL THEN 0 ELSE -1 END FROM generate_series(1, %1) x(e) CROSS JOIN "
        "generate_series(0, 49) k INNER JOIN Q_A q ON q.QID = (x.e * 7 + k * 13) % %2 + 1 CROSS JOIN LATERAL (SELECT "
        "CASE WHEN random() < 0.3 + 0.6 * (x.e % 10) / 9.0 THEN q.CorrectAnswer WHEN random() < 0.95 THEN "
        "chr(65 + (ascii(q.CorrectAnswer) - 64 + floor(random() * 3)::int) % 4) END AS given) a; "
        // Scored once, from unscored: the server's rules keep a score as it was first given.
        "UPDATE ExamTitle t SET ExamResult = coalesce(s.n, 0) FROM (SELECT e.ExamID, n.n FROM ExamTitle e LEFT JOIN "
        "(SELECT d.ExamID, count(*) AS n FROM ExamDetails d INNER JOIN Q_A q ON q.QID = d.QID WHERE d.Answer = "
        "q.CorrectAnswer GROUP BY d.ExamID) n ON n.ExamID = e.ExamID) s WHERE s.ExamID = t.ExamID; "
        "ANALYZE;")
                              .arg(kStoredExams)
                              .arg(6 * kQuestionsPerCategory);
    if (!server.psql(exams, nullptr, database)
        || !server.psql(QStringLiteral("CREATE ROLE benchtrainer LOGIN PASSWORD 'bench-pw' IN ROLE vesk_trainer"))) {
        *why = server.error();
        return nullptr;
    }
    server.addDsn(QStringLiteral("BenchTrainer"), database, QStringLiteral("benchtrainer"), QStringLiteral("bench-pw"));
    DbError failure;
    std::shared_ptr<Database> db = ConnectionPool::acquireServer(
        cDBAccess::connectionDescription(3, QString(), QString(), QStringLiteral("BenchTrainer")), &failure);
    if (!db)
        *why = failure.description;
    return db;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

// One single-row update committed on the database file, with the program's durability
// settings: the unit the disk-bound steps are measured in.
double durableCommit(const QString &path)
{
    DbError error;
    const std::shared_ptr<SqliteDatabase> db = ConnectionPool::acquire(path, QStringLiteral("QOMB"), &error);
    QElapsedTimer timer;
    timer.start();
    sqlite3_exec(
        db->get(), "UPDATE ExamTitle SET ExamResult = ExamResult + 0 WHERE ExamID = 1", nullptr, nullptr, nullptr);
    return double(timer.nsecsElapsed()) / 1e6;
}

double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Milliseconds from launching `program` to the moment it printed (the steady clock, in
// nanoseconds, once its window is shown); negative when it printed nothing.
double launchToShown(const QString &program, const QStringList &arguments = {})
{
    QProcess process;
    const qint64 launched
        = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
              .count();
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return -1;
    bool ok = false;
    const qint64 shown
        = QString::fromLatin1(process.readAllStandardOutput()).trimmed().section(QLatin1Char('\n'), -1).toLongLong(&ok);
    return ok ? double(shown - launched) / 1e6 : -1;
}

frmExam *startedExam(frmMain &window)
{
    window.menuForm()->OpenScreen(MenuCommand::StartExam);
    frmExam *exam = window.examForm();
    // On a server the name is the signed-in one.
    if (!exam->Text1(ExamText::User)->isReadOnly())
        exam->Text1(ExamText::User)->setText(QStringLiteral("Bench"));
    exam->chkCategory(ExamCategory::All)->click();
    exam->optTask(ExamTask::Fifty)->click();
    return exam;
}
struct AtScale {
    std::vector<double> listShown;
    std::vector<double> endToResults;
    bool listed = true; // every opening showed rows
};

// The results list opened from the menu until its first rows are shown, and End Exam of a
// 50-question exam through to the results screen, on whatever database `window` uses.
AtScale resultsAtScale(frmMain &window)
{
    AtScale figures;
    for (int run = 0; run < 15; ++run) {
        figures.listShown.push_back(millisecondsOf([&] {
            window.menuForm()->OpenScreen(MenuCommand::ViewExam);
            QCoreApplication::processEvents();
        }));
        figures.listed = figures.listed && window.viewExamForm()->gridModel()->rowCount() > 0;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    for (int run = 0; run < 15; ++run) {
        frmExam *exam = startedExam(window);
        exam->Command1_Click(ExamCommand::StartExam);
        exam->choiceOption(run % 4)->click();
        figures.endToResults.push_back(millisecondsOf([&] {
            exam->Command1_Click(ExamCommand::EndExam);
            QCoreApplication::processEvents();
        }));
        figures.listed = figures.listed && window.viewExamForm()->gridModel()->rowCount() > 0;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return figures;
}
} // namespace

int main(int argc, char *argv[])
{
    // Settings of its own, and of the programs it starts: the user's are never read or changed.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QTextStream out(stdout);
    InstallCoreHandlers();
    MessageBox::setTestMode(true);
    AppExit::setTestMode(true);
    Clock::setManual(true);
    DesktopShell::setHandler([](const DesktopShell::Request &) { return int(DesktopShell::Opened); });

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Exam.mdb"));
    out << "Building a database with " << kStoredExams << " stored exams...\n";
    out.flush();
    buildDatabase(path);
    SetAppFolder(dir.path());
    frmMain window;
    window.start();
    window.resize(1000, 760);

    std::vector<double> commit, start, move, jump, mapRefresh, resumeCheck, score, endToResults, listOpen;
    for (int run = 0; run < 15; ++run) {
        for (int i = 0; i < 5; ++i)
            commit.push_back(durableCommit(path));
        window.menuForm()->OpenScreen(MenuCommand::StartExam);
        resumeCheck.push_back(millisecondsOf([&] { window.examForm()->OfferResume(); }));
        frmExam *exam = startedExam(window);
        start.push_back(millisecondsOf([&] { exam->Command1_Click(ExamCommand::StartExam); }));
        for (int q = 0; q < 49; ++q) {
            exam->choiceOption(q % 4)->click();
            move.push_back(millisecondsOf([&] { exam->Command1_Click(ExamCommand::Next); }));
        }
        // Jumps through the map, each leaving an answered row to store.
        for (int q = 0; q < 20; ++q) {
            // Another answer than the one there, so that the row left must be stored.
            const int shown = int(QStringLiteral("ABCD").indexOf(exam->txtFieldsText(ExamField::Answer)));
            exam->choiceOption((shown + 1) % 4)->click();
            jump.push_back(millisecondsOf([&] { exam->questionMap()->cell((q * 7) % 50)->click(); }));
            mapRefresh.push_back(millisecondsOf([&] { exam->refreshMap(); }));
        }
        score.push_back(millisecondsOf([&] { exam->CalculateResult(); }));
        endToResults.push_back(millisecondsOf([&] {
            exam->Command1_Click(ExamCommand::EndExam);
            QCoreApplication::processEvents();
        }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    for (int run = 0; run < 15; ++run) {
        listOpen.push_back(millisecondsOf([&] {
            window.menuForm()->OpenScreen(MenuCommand::ViewExam);
            QCoreApplication::processEvents();
        }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Question banks: each format written from the pool, and a 10,000-question GIFT bank imported
    // into a copy of the database with its 10,000 exams (read, checked, renumbered, stored).
    std::vector<std::pair<QString, std::vector<double>>> exports;
    for (const QuestionBank::Format format : QuestionBank::kFormats) {
        std::vector<double> samples;
        for (int run = 0; run < 7; ++run) {
            samples.push_back(millisecondsOf([&] {
                std::vector<BankQuestion> questions;
                QString error;
                BankImport::poolQuestions(path, {}, &questions, &error);
                QFile file(dir.filePath(QStringLiteral("export.") + QuestionBank::fileExtension(format)));
                file.open(QIODevice::WriteOnly);
                file.write(QuestionBank::write(questions, format));
            }));
        }
        exports.emplace_back(QuestionBank::formatName(format), samples);
    }
    const QString bankPath = dir.filePath(QStringLiteral("bank.gift"));
    {
        QFile bankFile(bankPath);
        bankFile.open(QIODevice::WriteOnly);
        QByteArray text;
        const QStringList categories = ExamSchema::categories();
        for (int i = 0; i < 10000; ++i) {
            if (i % 1667 == 0)
                text += "$CATEGORY: $course$/top/" + categories.at(i / 1667).toUtf8() + "\n\n";
            // A tenth of five choices and a tenth of two right answers, read and checked as banks have them.
            const QString answers = i % 10 == 3 ? QStringLiteral("\t=Right %1\n\t~Wrong %1a\n\t~Wrong %1b\n\t~Wrong "
                                                                 "%1c\n\t~Wrong %1d\n")
                : i % 10 == 7 ? QStringLiteral("\t~%50%Right %1\n\t~%-100%Wrong %1a\n\t~%50%Also right %1\n\t~%-100%"
                                               "Wrong %1c\n")
                              : QStringLiteral("\t=Right %1\n\t~Wrong %1a\n\t~Wrong %1b\n\t~Wrong %1c\n");
            // Numbered by hand: the weights would read as place markers of arg().
            QString item = QStringLiteral("::Bank %1:: Which of these is true of item %1? {\n") + answers
                + QStringLiteral("\t####Because it is item %1.\n}\n\n");
            text += item.replace(QStringLiteral("%1"), QString::number(i)).toUtf8();
        }
        bankFile.write(text);
    }
    std::vector<double> importing;
    for (int run = 0; run < 3; ++run) {
        const QString copy = dir.filePath(QStringLiteral("import-%1/Exam.mdb").arg(run));
        QDir().mkpath(QFileInfo(copy).path());
        QFile::copy(path, copy);
        importing.push_back(millisecondsOf([&] {
            const BankImport::Plan plan = BankImport::plan({BankImport::readFile(bankPath)}, {});
            PoolStore::Report report;
            QString error;
            if (!BankImport::canImport(plan, false) || !BankImport::apply(copy, plan, &report, &error))
                out << "warning: the import failed: " << error << '\n';
        }));
    }

    // The question editor on the imported pool (about 11,000 questions): a filter typed or cleared,
    // and the table sorted by another column, each until the table is shown again.
    std::vector<double> editorFilter, editorSort;
    {
        gDbPath = dir.filePath(QStringLiteral("import-0"));
        frmQuestionEditor editor;
        editor.setAttribute(Qt::WA_DeleteOnClose, false);
        if (!editor.load())
            out << "warning: the question editor did not load\n";
        editor.show();
        for (int run = 0; run < 9; ++run) {
            editorFilter.push_back(millisecondsOf([&] {
                editor.textFilter()->setText(run % 2 ? QStringLiteral("item %1").arg(run * 1111) : QString());
                QCoreApplication::processEvents();
            }));
            editorSort.push_back(millisecondsOf([&] {
                editor.table()->sortByColumn(run % 4, run % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
                QCoreApplication::processEvents();
            }));
        }
        gDbPath = dir.path();
    }

    // Study insight: the breakdown, the practice draw and the report on the database itself, and
    // the progress chart of the regular candidate's 1,000 exams opened from closed.
    std::vector<double> breakdown, practiseDraw, pdf, chartOpen;
    const QString reportPath = dir.filePath(QStringLiteral("report.pdf"));
    for (int run = 0; run < 15; ++run) {
        gDbPath = dir.path();
        cDBAccess db;
        db.Open_Connection(1);
        Breakdown figures;
        breakdown.push_back(millisecondsOf([&] { figures = Breakdown::ofExam(db, kLongExam, 65); }));
        practiseDraw.push_back(millisecondsOf([&] {
            const Mistakes mistakes = Mistakes::of(db, kRegular);
            ExamDraw::Ticked all{};
            all[ExamDraw::kAllCategories] = true;
            std::mt19937 rng(run);
            if (!ExamDraw::findShortage(
                    50, all, ExamDraw::stockOf(mistakes.byCategory), ExamDraw::poolSizeOf(mistakes.byCategory)))
                ExamDraw::drawFromLists(50, all, mistakes.byCategory, rng);
        }));
        const std::shared_ptr<Recordset> rows = db.GetRS(ExamQueries::examQuestions(kLongExam, true),
            CursorLocation::UseClient, CursorType::Static, LockType::Optimistic, CommandType::Unstated);
        pdf.push_back(millisecondsOf([&] {
            QString error;
            ExamReport::writePdf(ExamReport::html({kLongExam, kRegular}, *rows, figures), reportPath, &error);
        }));
    }
    for (int run = 0; run < 15; ++run) {
        chartOpen.push_back(millisecondsOf([&] {
            window.OpenProgressChart(kRegular);
            QCoreApplication::processEvents();
        }));
        if (!window.progressForm() || window.progressForm()->chart().exams != kStoredExams / 10) {
            out << "warning: the chart did not show the regular candidate's exams\n";
            break;
        }
        window.progressForm()->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A trainer's 100,000 exams: on the file, then on a server of the benchmark's own, where the
    // trainer signs in and sees everyone's.
    out << "Storing " << kTrainersExams << " exams on a file and on a server...\n";
    out.flush();
    const QString trainersFolder = dir.filePath(QStringLiteral("trainer"));
    QDir().mkpath(trainersFolder);
    buildTrainersFile(QDir(trainersFolder).filePath(QStringLiteral("Exam.mdb")));
    gDbPath = trainersFolder;
    const AtScale onFile = resultsAtScale(window);
    gDbPath = dir.path();
    std::optional<AtScale> onServer;
    QString noServer;
    {
        ClassServer server({kQuestionsPerCategory, kQuestionsPerCategory, kQuestionsPerCategory, kQuestionsPerCategory,
            kQuestionsPerCategory, kQuestionsPerCategory});
        if (!server.isReady() || !server.addTrainer(QStringLiteral("trainer"), QStringLiteral("trainer-pw"))
            || !server.exec(trainersExams(QStringLiteral("generate_series(1, %1) AS e").arg(kTrainersExams),
                                QStringLiteral("to_char(timestamp '2015-01-01 09:00' + e * interval '3 hours', "
                                               "'YYYY-MM-DD HH24:MI:SS')"))
                + QStringLiteral("; ANALYZE"))) {
            noServer = server.error();
        } else {
            frmMain classroom;
            StartOptions options;
            options.classroomDsn = QStringLiteral("trainer");
            classroom.start(options);
            classroom.resize(1000, 760);
            onServer = resultsAtScale(classroom);
            gQuitNoPrompt = true;
            classroom.close();
            gQuitNoPrompt = false;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        gDB.reset();
        gRs.reset();
        ConnectionPool::clear();
    }
    gDbProvider = 1;
    gDSN.clear();
    if (!onFile.listed || (onServer && !onServer->listed))
        out << "warning: a results list of the trainer's exams showed no rows\n";
    // Question statistics over 10,000 scored 50-question exams, counted by the database; the first
    // run warms the file's pages.
    const QString statsPath = dir.filePath(QStringLiteral("stats/Exam.mdb"));
    QDir().mkpath(QFileInfo(statsPath).path());
    buildStatsDatabase(statsPath);
    std::vector<double> questionStats;
    {
        DbError failure;
        const std::shared_ptr<SqliteDatabase> db
            = ConnectionPool::acquire(statsPath, QString::fromLatin1(cDBAccess::kDatabasePassword), &failure);
        for (int run = 0; db && run < 8; ++run) {
            std::vector<QuestionStats::Row> rows;
            QString error;
            const double ms = millisecondsOf([&] { QuestionStats::compute(*db, {}, &rows, &error); });
            if (run > 0)
                questionStats.push_back(ms);
            if (rows.size() != size_t(6 * kQuestionsPerCategory)) {
                out << "warning: the question statistics counted " << rows.size() << " questions: " << error << '\n';
                break;
            }
        }
    }

    // The same on a class's server: the server counts, the program combines a few rows a question.
    std::vector<double> serverStats;
    QString serverWhy;
    {
        PgServer server;
        if (const std::shared_ptr<Database> db = buildStatsServer(server, &serverWhy)) {
            for (int run = 0; run < 8; ++run) {
                std::vector<QuestionStats::Row> rows;
                QString error;
                const double ms = millisecondsOf([&] { QuestionStats::compute(*db, {}, &rows, &error); });
                if (run > 0)
                    serverStats.push_back(ms);
                if (rows.size() != size_t(6 * kQuestionsPerCategory)) {
                    out << "warning: the server's question statistics counted " << rows.size()
                        << " questions: " << error << '\n';
                    serverStats.clear();
                    break;
                }
            }
        }
        ConnectionPool::clear();
    }

    if (!MessageBox::shown().isEmpty())
        out << "warning: a message box was shown: " << MessageBox::shown().first().text << '\n';

    out << QStringLiteral("%1 %2 %3\n")
               .arg(QStringLiteral("step"), -52)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("budget"), 8);
    const auto row = [&](const QString &step, const std::vector<double> &samples, double budget) {
        out << QStringLiteral("%1 %2 %3\n").arg(step, -52).arg(median(samples), 10, 'f', 2).arg(budget, 8, 'f', 0);
    };
    const double unit = median(commit);
    out << QStringLiteral("%1 %2\n").arg(QStringLiteral("one durable commit on this disk"), -52).arg(unit, 10, 'f', 2);
    const auto ratio = [&](const QString &step, const std::vector<double> &samples, double budget) {
        out << QStringLiteral("%1 %2 %3  (%4 x commit, budget %5 x)\n")
                   .arg(step, -52)
                   .arg(median(samples), 10, 'f', 2)
                   .arg(QString(), 8)
                   .arg(median(samples) / unit, 0, 'f', 2)
                   .arg(budget, 0, 'f', 1);
    };
    ratio(QStringLiteral("move to the next question (write-back + count)"), move, 1.3);
    ratio(QStringLiteral("jump through the question map"), jump, 1.3);
    row(QStringLiteral("question map refresh, 50 questions"), mapRefresh, 2);
    row(QStringLiteral("resume check as the exam screen opens"), resumeCheck, 5);
    row(QStringLiteral("Start Exam with 50 questions"), start, 60);
    row(QStringLiteral("scoring a 50-question exam"), score, 20);
    row(QStringLiteral("End Exam through to the results screen shown"), endToResults, 200);
    row(QStringLiteral("results list of 10,000 exams opened"), listOpen, 150);
    row(QStringLiteral("import of a 10,000-question GIFT bank, renumbering"), importing, 2000);
    row(QStringLiteral("question editor, 11,000 questions: a filter typed"), editorFilter, 100);
    row(QStringLiteral("question editor, 11,000 questions: the table sorted"), editorSort, 100);
    for (const auto &[format, samples] : exports)
        row(QStringLiteral("export of the pool (%1 questions) as %2").arg(6 * kQuestionsPerCategory).arg(format),
            samples, 200);
    row(QStringLiteral("breakdown of a 50-question exam"), breakdown, 10);
    row(QStringLiteral("progress chart of 1,000 exams opened"), chartOpen, 300);
    row(QStringLiteral("practise draw (a candidate's 1,000 exams)"), practiseDraw, 60);
    row(QStringLiteral("PDF report of a 50-question exam written"), pdf, 1000);
    row(QStringLiteral("results list: first rows shown, 100,000 exams, file"), onFile.listShown, 100);
    row(QStringLiteral("End Exam to the results screen, 100,000 exams, file"), onFile.endToResults, 200);
    if (onServer) {
        row(QStringLiteral("results list: first rows shown, 100,000 exams, server"), onServer->listShown, 100);
        row(QStringLiteral("End Exam to the results screen, 100,000 exams, server"), onServer->endToResults, 200);
    } else {
        out << "results at 100,000 exams on a server not measured: " << noServer << '\n';
    }
    if (!questionStats.empty())
        row(QStringLiteral("question statistics, 10,000 scored 50-question exams"), questionStats, 1000);
    if (!serverStats.empty())
        row(QStringLiteral("the same on a class's server, as a trainer"), serverStats, 1000);
    else
        out << "question statistics on a server not measured: " << serverWhy << '\n';

    // Start-up, launch to main window shown, beside a bare Qt window's, taken in turns.
    const QString programs = QCoreApplication::applicationDirPath();
    const QString vesk = QDir(programs).filePath(QStringLiteral("../vesk"));
    const QString bare = QDir(programs).filePath(QStringLiteral("vesk-barewindow"));
    if (!QFileInfo::exists(QDir(programs).filePath(QStringLiteral("../Exam.mdb")))) {
        out << "start-up not measured: build/Exam.mdb is missing (build the exam_database target)\n";
    } else {
        qputenv("VESK_STARTUP_PROBE", "1");
        std::vector<double> program, yardstick, captioned;
        for (int run = 0; run < 21; ++run) {
            yardstick.push_back(launchToShown(bare));
            program.push_back(launchToShown(vesk));
            captioned.push_back(launchToShown(bare, {QStringLiteral("--caption")}));
        }
        row(QStringLiteral("start-up of a bare Qt window"), yardstick, 0);
        const auto against = [&](const QString &step, double value, const QString &yardstickName, double by) {
            out << QStringLiteral("%1 %2 %3  (%4 x %5)\n")
                       .arg(step, -52)
                       .arg(value, 10, 'f', 2)
                       .arg(QString(), 8)
                       .arg(value / by, 0, 'f', 2)
                       .arg(yardstickName);
        };
        against(QStringLiteral("start-up of a bare Qt window with one caption"), median(captioned),
            QStringLiteral("the bare window"), median(yardstick));
        against(QStringLiteral("start-up of VESK, launch to main window shown"), median(program),
            QStringLiteral("the bare window, budget 1.5 x"), median(yardstick));
        out << QStringLiteral("%1 %2  (%3 x the captioned window)\n")
                   .arg(QString(), -61)
                   .arg(QString(), 10)
                   .arg(median(program) / median(captioned), 0, 'f', 2);
    }
    gQuitNoPrompt = true;
    window.close();
    return 0;
}
