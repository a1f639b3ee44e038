#pragma once

#include <array>
#include <memory>
#include <utility>

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

class PoolBuilder;
class QWidget;
class SqliteHandle;
class frmExam;
class frmMain;
class frmViewExam;

// Shared helpers of the suites: a clean program state with every seam in test mode, and real
// SQLCipher exam databases in temporary folders.
namespace TestSupport {

// Seams in test mode, program-wide state and settings reset, home in a temporary folder: from init().
void resetProgramState();
QString settingsFolder();
// HOME at root/home, the person's data folder at root/data, the system's at root/system.
void pointHomeAt(const QString &root);

// counts[c] questions in category c: question i reads "<category> question <i>", its correct letter
// cycles A..D; the first trueFalse[c] are true/false questions.
void fillPool(PoolBuilder &builder, const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse = {});
void buildDatabase(const QString &path, const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse = {});

// Each on a keyed connection of its own, not the program's pool.
void exec(const QString &path, const QString &sql);
QList<QVariantList> query(const QString &path, const QString &sql);
QVariant scalar(const QString &path, const QString &sql);
// Another program holding the write lock until destroyed: the program's writes time out, reads go on.
std::shared_ptr<SqliteHandle> holdWriteLock(const QString &path);

// An exam as a run would have left it; `answers` pairs a QID with its answer (empty for none).
qint32 storeExam(const QString &path, const QString &name, const QString &date, int questions,
    const QVariant &result = QVariant(), const QList<std::pair<int, QString>> &answers = {});
// An exam of a pool from fillPool, in one transaction: `blocks` reads "c:outcomes ..." for category
// c's questions from 1 ("c@q:outcomes" from q), each R right, r right in lower case, W wrong, - none.
// Scored, its result the count of right answers, unless told otherwise.
qint32 storeAnswered(const QString &path, const QString &name, const QString &blocks, bool scored = true,
    bool practice = false, const QString &date = QStringLiteral("2026-03-05 10:15:00"));

// The screens as a candidate drives them; `answer` answers the box shown, categories 6 ticks all.
void click(QWidget *widget);
frmExam *openExam(frmMain *window, int answer = -1);
frmExam *startExam(frmMain *window, const QString &name = QStringLiteral("Mia"), const QList<int> &categories = {0},
    int countIndex = 0);
void key(int key);
void endExam(frmExam *exam, int answer = -1);
frmViewExam *openResults(frmMain *window);
frmViewExam *review(frmMain *window, int row);

std::unique_ptr<frmMain> startProgram(const QString &folder); // a started window, `folder` the program's

// A program on an exam database of its own in a temporary folder (`folder` names a subfolder);
// destroying it closes the program without the quit question.
class Program final {
public:
    explicit Program(const QString &folder = QString());
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    void build(const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse = {});
    frmMain *start();
    frmMain *window() const { return m_window.get(); }
    QString folder() const { return m_folder; }
    QString dbPath() const;
    QVariant scalar(const QString &sql) const { return TestSupport::scalar(dbPath(), sql); }
    int count(const QString &from) const { return scalar(QStringLiteral("SELECT count(*) ") + from).toInt(); }
    void exec(const QString &sql) const { TestSupport::exec(dbPath(), sql); }
    qint32 storeExam(const QString &name, const QString &date, int questions, const QVariant &result = QVariant(),
        const QList<std::pair<int, QString>> &answers = {}) const
    {
        return TestSupport::storeExam(dbPath(), name, date, questions, result, answers);
    }
    qint32 storeAnswered(const QString &name, const QString &blocks, bool scored = true, bool practice = false,
        const QString &date = QStringLiteral("2026-03-05 10:15:00")) const
    {
        return TestSupport::storeAnswered(dbPath(), name, blocks, scored, practice, date);
    }

private:
    QTemporaryDir m_dir;
    QString m_folder;
    std::unique_ptr<frmMain> m_window;
};

// The files an installation under /usr holds and every file below `root` (hidden too), sorted.
QStringList installedFiles(const QString &appId);
QStringList filesUnder(const QString &root);

struct Run {
    int status = -1; // -1 when it crashed, did not start or did not end
    QString out;
    QString err;
};
// A negative `timeoutSeconds` waits as long as it takes: the suite's own time-out bounds it.
Run run(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(), int timeoutSeconds = 120);

// Text, title and icon of the i-th message box shown (from the last if negative).
QVariantList box(int i);

// A tab-separated case table under tests/data: '#' lines skipped, the first line names the columns;
// \t, \n and \\ escape in a cell.
struct CaseTable {
    QStringList columns;
    QList<QStringList> rows;
    QString value(const QStringList &row, const QString &column) const { return row.value(columns.indexOf(column)); }
};
CaseTable caseTable(const QString &relativePath);
QString testData(const QString &relativePath);
// For a _data() function: a QString column per column, a row per case named after its first cell.
void addCases(const QString &relativePath);

// Grabs saved when VESK_SCREENSHOTS names a folder; pdftotext's text of a PDF, empty when unreadable.
void screenshot(QWidget *widget, const QString &name);
void screenshotPdf(const QString &path, const QString &name);
QString pdfText(const QString &path);

} // namespace TestSupport
