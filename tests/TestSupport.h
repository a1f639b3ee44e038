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

// Shared helpers of the test suites: a clean program state with every seam in test mode, and
// real SQLCipher exam databases built in a temporary folder.
namespace TestSupport {

// Puts every seam in test mode and resets the program-wide state, the settings included; call from
// init(). The home, data and configuration folders point into a temporary folder of the test's own.
void resetProgramState();
QString settingsFolder();

// Points HOME and the XDG data and configuration folders below `root`: HOME at root/home, the
// person's data folder at root/data, the system's data folders at root/system.
void pointHomeAt(const QString &root);

// The questions buildDatabase() stores, added to a builder (for a server's pool, say).
void fillPool(PoolBuilder &builder, const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse = {});

// Builds an exam database at `path` with `counts[c]` questions in category c (0..5). Question i
// of a category reads "<category> question <i>", its correct letter cycles A, B, C, D. The first
// `trueFalse[c]` questions of a category are true/false questions (C and D empty).
void buildDatabase(const QString &path, const std::array<int, 6> &counts, const std::array<int, 6> &trueFalse = {});

// Runs one statement on a fresh keyed connection of its own (not the program's pool).
void exec(const QString &path, const QString &sql);
// The rows of a query, each a list of its column values.
QList<QVariantList> query(const QString &path, const QString &sql);
QVariant scalar(const QString &path, const QString &sql);
// Another program's connection holding the file's write lock (BEGIN IMMEDIATE) until it is
// destroyed: the program's writes wait out their busy time-out and fail, its reads go on.
std::shared_ptr<SqliteHandle> holdWriteLock(const QString &path);

// Stores an exam by SQL, as a run of the program would have left it: `answers` pairs a question's
// QID with the answer stored for it (empty for none). Returns the exam's number.
qint32 storeExam(const QString &path, const QString &name, const QString &date, int questions,
    const QVariant &result = QVariant(), const QList<std::pair<int, QString>> &answers = {});

// The screens as a candidate drives them: a mouse click, the exam screen opened from the menu
// (answering a box it shows when `answer` is given), an exam started with a name, categories
// ticked (6 is all of them) and the number picked by its button, a key pressed where the focus is,
// End Exam, and the results screen with a line of the list reviewed by a double click.
void click(QWidget *widget);
frmExam *openExam(frmMain *window, int answer = -1);
frmExam *startExam(frmMain *window, const QString &name = QStringLiteral("Mia"), const QList<int> &categories = {0},
    int countIndex = 0);
void key(int key);
void endExam(frmExam *exam, int answer = -1);
frmViewExam *openResults(frmMain *window);
frmViewExam *review(frmMain *window, int row);

// A started main window whose program folder is `folder` (holding Exam.mdb unless told otherwise).
std::unique_ptr<frmMain> startProgram(const QString &folder);

// A program started on an exam database of its own in a temporary folder. Destroying it closes
// the program without the quit question.
class Program final {
public:
    // `folder`, when given, is the name of the program's folder inside the temporary one.
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

private:
    QTemporaryDir m_dir;
    QString m_folder;
    std::unique_ptr<frmMain> m_window;
};

// The files an installation holds, relative to its prefix, sorted (the desktop files are named
// after `appId`).
QStringList installedFiles(const QString &appId);

// Runs a program to its end (at most `timeoutSeconds`) in `environment`.
struct Run {
    int status = -1; // the exit status; -1 when it crashed or did not start or end
    QString out;
    QString err;
};
Run run(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(), int timeoutSeconds = 120);

// The text, title and icon of the i-th message box shown (counted from the last if negative).
QVariantList box(int i);

// A case table kept as a data file under tests/data: tab-separated, UTF-8; blank lines and lines
// starting with '#' are skipped; the first other line names the columns. In a cell, \t, \n and
// \\ stand for a tab, a line end and a backslash.
struct CaseTable {
    QStringList columns;
    QList<QStringList> rows;
    QString value(const QStringList &row, const QString &column) const { return row.value(columns.indexOf(column)); }
};
CaseTable caseTable(const QString &relativePath);
// The path of a file under tests/data.
QString testData(const QString &relativePath);
// For a _data() function: one QString column per column of the table and one row per case, named
// after its first cell.
void addCases(const QString &relativePath);

// Saves a grab of a widget when VESK_SCREENSHOTS names a folder.
void screenshot(class QWidget *widget, const QString &name);

// The text of a PDF file as pdftotext reads it (layout kept); empty when it cannot be read.
QString pdfText(const QString &path);
// Saves the first page of a PDF file as <name>-1.png when VESK_SCREENSHOTS names a folder.
void screenshotPdf(const QString &path, const QString &name);

} // namespace TestSupport
