#include <QAction>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QMap>
#include <QTest>
#include <QToolButton>

#include "TestSupport.h"
#include "VersionInfo.h"
#include "core/GenModule.h"
#include "data/PoolBuilder.h"
#include "platform/DesktopShell.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "shell/CommandLine.h"
#include "shell/UserDatabase.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

using namespace Qt::StringLiterals;
using Road = frmMain::DatabaseRoad;

// Where the start-up finds Exam.mdb and the documents, in a temporary tree laid out as an
// installation: the program in prefix/bin, the installed data in prefix/share/vesk, the person's
// data folder in data/vesk and the system's data folders in system/.
class tst_startup final : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_main;

    QString path(const QString &relative) const { return QDir::cleanPath(m_dir->filePath(relative)); }
    QString programFolder() const { return path(u"prefix/bin"_s); }
    QString userFolder() const { return path(u"data/vesk"_s); }

    // An exam database whose one stored exam is under the name `relative`, so that it tells
    // which file was opened; "/" at the end makes a folder of that name instead.
    void makeDatabase(const QString &relative) const
    {
        if (relative.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(path(relative)));
            return;
        }
        QVERIFY(QDir().mkpath(QFileInfo(path(relative)).path()));
        TestSupport::buildDatabase(path(relative), {2, 2, 2, 2, 2, 2});
        TestSupport::exec(path(relative),
            u"INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, ExamResult) "
            "VALUES('%1', '2026-12-01 10:00:00', 10, 7)"_s.arg(relative));
    }
    static QStringList storedNames(const QString &file)
    {
        QStringList names;
        for (const QVariantList &row : TestSupport::query(file, u"SELECT UserName FROM ExamTitle ORDER BY ExamID"_s))
            names << row.value(0).toString();
        return names;
    }
    // Every file of the tree with a digest of its bytes; the settings file aside (it notes which
    // installed pool the person's database has taken).
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(m_dir->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.fileName().endsWith(u"/config/vesk/vesk.conf"_s))
                continue;
            if (file.open(QIODevice::ReadOnly))
                files.insert(QDir(m_dir->path()).relativeFilePath(file.fileName()),
                    QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
        }
        return files;
    }
    frmMain *start(const StartOptions &options = StartOptions())
    {
        SetAppFolder(programFolder());
        m_main = std::make_unique<frmMain>();
        m_main->start(options);
        return m_main.get();
    }
    void closeProgram()
    {
        gQuitNoPrompt = true; // however a test leaves the program, it ends without the quit question
        if (const auto program = std::move(m_main))
            program->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase()
    {
        // The installed program's name, which names the person's data folder.
        QCoreApplication::setApplicationName(u"vesk"_s);
    }
    void init()
    {
        TestSupport::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        TestSupport::pointHomeAt(m_dir->path());
        QVERIFY(QDir().mkpath(programFolder()));
    }
    void cleanup() { closeProgram(); }

    void roads_data()
    {
        QTest::addColumn<QStringList>("existing"); // exam databases (or folders, ending in "/") before the start
        QTest::addColumn<bool>("ask"); // the dialog may be shown
        QTest::addColumn<QString>("choice"); // in the dialog; "cancel" cancels
        QTest::addColumn<Road>("road");
        QTest::addColumn<QString>("dbPath"); // gDbPath; "" when the program ends
        QTest::addColumn<QString>("opened"); // the exam database in use, by its stored exam
        const QString own = u"data/vesk/Exam.mdb"_s;
        const QString installed = u"prefix/share/vesk/Exam.mdb"_s;
        const QString system = u"system/vesk/Exam.mdb"_s;
        const QString elsewhere = u"usb/EXAM.mdb"_s;
        QTest::newRow("beside the program") << QStringList{u"prefix/bin/Exam.mdb"_s, own, installed} << true << ""
                                            << Road::BesideProgram << "prefix/bin"
                                            << "prefix/bin/Exam.mdb";
        QTest::newRow("per-user folder") << QStringList{own, installed, system} << true << "" << Road::UserFolder
                                         << "data/vesk" << own;
        QTest::newRow("per-user folder, exam.mdb")
            << QStringList{u"data/vesk/exam.mdb"_s, installed} << true << "" << Road::UserFolder << "data/vesk"
            << "data/vesk/exam.mdb";
        QTest::newRow("installed copy beside the prefix")
            << QStringList{installed, system} << true << "" << Road::InstalledCopy << "data/vesk" << installed;
        QTest::newRow("installed copy in the system folders")
            << QStringList{system} << false << "" << Road::InstalledCopy << "data/vesk" << system;
        QTest::newRow("dialog") << QStringList{elsewhere} << true << elsewhere << Road::Dialog << "usb/" << elsewhere;
        QTest::newRow("dialog cancelled") << QStringList() << true << "cancel" << Road::NotFound << ""
                                          << "";
        QTest::newRow("not asking") << QStringList() << false << "" << Road::NotFound << ""
                                    << "";
        // No own copy can be made there: the installed copy is left alone and the dialog asks.
        QTest::newRow("a folder named Exam.mdb in the data folder")
            << QStringList{u"data/vesk/Exam.mdb/"_s, installed} << true << elsewhere << Road::Dialog << "usb/"
            << "";
        QTest::newRow("a file named like the data folder")
            << QStringList{installed} << true << "cancel" << Road::NotFound << ""
            << "";
    }
    void roads()
    {
        QFETCH(QStringList, existing);
        QFETCH(bool, ask);
        QFETCH(QString, choice);
        QFETCH(Road, road);
        QFETCH(QString, dbPath);
        QFETCH(QString, opened);
        for (const QString &file : existing)
            makeDatabase(file);
        if (QByteArray(QTest::currentDataTag()) == "a file named like the data folder") {
            QVERIFY(QDir().mkpath(path(u"data"_s)));
            QVERIFY(QFile(userFolder()).open(QIODevice::WriteOnly));
        }
        const QMap<QString, QByteArray> before = snapshot();
        FileDialog::setNextResult(choice == u"cancel" ? std::optional<QString>() : path(choice));

        StartOptions options;
        options.askWhenMissing = ask;
        frmMain *program = start(options);
        const bool runs = !dbPath.isEmpty();
        QCOMPARE(std::tuple(program->databaseRoad(), gDbPath, program->isQuitting(), gQuitNoPrompt),
            std::tuple(
                road, runs ? path(dbPath) + (dbPath.endsWith(u'/') ? u"/"_s : QString()) : QString(), !runs, !runs));
        QCOMPARE(FileDialog::shownCount(), road == Road::Dialog || !choice.isEmpty() ? 1 : 0);
        QVERIFY(MessageBox::shown().isEmpty());

        // Only a copy of the installed database is ever added, nothing else is written, and no
        // temporary file is left behind.
        QMap<QString, QByteArray> after = snapshot();
        if (road == Road::InstalledCopy) {
            QCOMPARE(after.take(u"data/vesk/Exam.mdb"_s), before.value(opened));
            QCOMPARE(QDir(userFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                QStringList{u"Exam.mdb"_s});
        }
        QCOMPARE(after, before);
        if (!opened.isEmpty()) {
            const QString inUse = road == Road::InstalledCopy ? path(u"data/vesk/Exam.mdb"_s) : path(opened);
            QCOMPARE(storedNames(inUse), QStringList{opened});
        }
    }

    // The person's copy, once made, is used from then on: it is not copied again.
    void secondStartKeepsTheOwnCopy()
    {
        makeDatabase(u"prefix/share/vesk/Exam.mdb"_s);
        const QString own = path(u"data/vesk/Exam.mdb"_s);
        QCOMPARE(start()->databaseRoad(), Road::InstalledCopy);
        closeProgram();
        TestSupport::exec(own,
            u"INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, ExamResult) "
            "VALUES('Robin', '2026-12-02 10:00:00', 10, 8)"_s);
        const QMap<QString, QByteArray> before = snapshot();

        TestSupport::resetProgramState();
        TestSupport::pointHomeAt(m_dir->path());
        QCOMPARE(std::pair(start()->databaseRoad(), gDbPath), std::pair(Road::UserFolder, userFolder()));
        QCOMPARE(snapshot(), before);
        QCOMPARE(storedNames(own), (QStringList{u"prefix/share/vesk/Exam.mdb"_s, u"Robin"_s}));
    }

    // A package upgrade brings a newer pool: the person's database takes it at the next start, by
    // the questions' stable ids, keeping its exams and imported questions; later starts open
    // nothing more.
    void newerInstalledPoolIsTakenOver()
    {
        const QString installed = path(u"prefix/share/vesk/Exam.mdb"_s);
        const QString own = path(u"data/vesk/Exam.mdb"_s);
        const auto build = [&](const QStringList &texts) {
            PoolBuilder builder;
            for (int i = 0; i < texts.size(); ++i) {
                PoolQuestion q{u"Software Testing"_s, texts.at(i), u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"A"_s, u"Why."_s,
                    QString(), u"st-%1"_s.arg(i + 1)};
                builder.addQuestion(q);
            }
            QFile::remove(installed);
            QVERIFY2(builder.build(installed, PoolBuilder::Mode::Create), qPrintable(builder.errors().join(u' ')));
        };
        QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
        build({u"Stubs?"_s, u"Drivers?"_s});
        QCOMPARE(start()->databaseRoad(), Road::InstalledCopy);
        closeProgram();
        TestSupport::exec(own,
            u"INSERT INTO ExamTitle VALUES (1, 'Robin', '2026-12-02 10:00:00', 2, 1); INSERT INTO "
            "ExamDetails (ExamID, UserName, QID, Answer, Answered) VALUES (1, 'Robin', 2, 'A', -1), "
            "(1, 'Robin', 1, 'B', -1); INSERT INTO Q_A (QID, Question, A, B, C, D, CorrectAnswer, Category, "
            "Description) VALUES (3, 'Mine?', 'a', 'b', '', '', 'A', 'Software Testing', ''); INSERT INTO QuestionKeys VALUES (3, 'imp-mine', 'imported')"_s);
        // The upgrade: st-2 reworded, st-3 new.
        QTest::qWait(20); // a new time stamp on the installed file
        build({u"Stubs?"_s, u"Test drivers?"_s, u"Fakes?"_s});
        TestSupport::resetProgramState();
        TestSupport::pointHomeAt(m_dir->path());
        QCOMPARE(start()->databaseRoad(), Road::UserFolder);
        closeProgram();
        QCOMPARE(TestSupport::query(own,
                     u"SELECT q.QID, q.Question, k.Origin FROM Q_A q JOIN QuestionKeys k USING (QID) "
                     "ORDER BY q.QID"_s),
            (QList<QVariantList>{{1, u"Stubs?"_s, u"shipped"_s}, {2, u"Test drivers?"_s, u"shipped"_s},
                {3, u"Fakes?"_s, u"shipped"_s}, {4, u"Mine?"_s, u"imported"_s}}));
        QCOMPARE(TestSupport::query(own,
                     u"SELECT d.DetailID, q.Question, d.Answer FROM ExamDetails d JOIN Q_A q USING "
                     "(QID) ORDER BY d.DetailID"_s),
            (QList<QVariantList>{{1, u"Test drivers?"_s, u"A"_s}, {2, u"Stubs?"_s, u"B"_s}}));
        // Taken once: the next start writes nothing.
        const QMap<QString, QByteArray> before = snapshot();
        TestSupport::resetProgramState();
        TestSupport::pointHomeAt(m_dir->path());
        start();
        closeProgram();
        QCOMPARE(snapshot(), before);
    }

    void copyWhole_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("copied");
        QTest::newRow("whole") << "a/Exam.mdb"
                               << "b/Exam.mdb" << true;
        QTest::newRow("over an older file") << "a/Exam.mdb"
                                            << "a/Older.mdb" << true;
        QTest::newRow("no source") << "a/Missing.mdb"
                                   << "b/Exam.mdb" << false;
        QTest::newRow("no target folder") << "a/Exam.mdb"
                                          << "none/Exam.mdb" << false;
        QTest::newRow("a folder in the way") << "a/Exam.mdb"
                                             << "b/Folder" << false;
    }
    void copyWhole()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, copied);
        makeDatabase(u"a/Exam.mdb"_s);
        makeDatabase(u"a/Older.mdb"_s);
        makeDatabase(u"b/Folder/"_s);
        const QMap<QString, QByteArray> before = snapshot();
        QCOMPARE(UserDatabase::copyWhole(path(from), path(to)), copied);
        QMap<QString, QByteArray> expected = before;
        if (copied)
            expected.insert(to, before.value(from));
        QCOMPARE(snapshot(), expected);
        // Nothing else is left in the folders: no temporary file.
        QCOMPARE(QDir(path(u"b"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            to == u"b/Exam.mdb"_s && copied ? QStringList({u"Exam.mdb"_s, u"Folder"_s}) : QStringList{u"Folder"_s});
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@" stands for the temporary folder
        QTest::addColumn<QString>("existing"); // an exam database made before; "/" ends a folder
        QTest::addColumn<int>("status"); // -1: the program goes on to its window
        QTest::addColumn<QString>("output"); // the start of standard output
        QTest::addColumn<QString>("error"); // standard error, one line
        QTest::addColumn<QString>("databaseFolder");
        QTest::addColumn<bool>("checkStart");
        const QString vesk = u"/usr/bin/vesk"_s;
        QTest::newRow("nothing") << QStringList{vesk} << "" << -1 << ""
                                 << ""
                                 << "" << false;
        QTest::newRow("--database good") << QStringList{vesk, u"--database"_s, u"@/usb/Exam.mdb"_s} << "usb/Exam.mdb"
                                         << -1 << ""
                                         << ""
                                         << "@/usb" << false;
        QTest::newRow("--database=, any case")
            << QStringList{vesk, u"--database=@/usb/eXAM.MDB"_s} << "usb/eXAM.MDB" << -1 << ""
            << ""
            << "@/usb" << false;
        QTest::newRow("--database relative")
            << QStringList{vesk, u"--database"_s, u"usb/Exam.mdb"_s} << "usb/Exam.mdb" << -1 << ""
            << ""
            << "@/usb" << false;
        QTest::newRow("--database wrongly named")
            << QStringList{vesk, u"--database"_s, u"@/usb/Questions.mdb"_s} << "usb/Questions.mdb" << 2 << ""
            << "vesk: @/usb/Questions.mdb: the exam database must be named Exam.mdb.\n"
            << "" << false;
        QTest::newRow("--database MyExam.mdb")
            << QStringList{vesk, u"--database"_s, u"@/usb/MyExam.mdb"_s} << "usb/MyExam.mdb" << 2 << ""
            << "vesk: @/usb/MyExam.mdb: the exam database must be named Exam.mdb.\n"
            << "" << false;
        QTest::newRow("--database missing") << QStringList{vesk, u"--database"_s, u"@/usb/Exam.mdb"_s} << "" << 2 << ""
                                            << "vesk: @/usb/Exam.mdb: no such file.\n"
                                            << "" << false;
        QTest::newRow("--database a folder")
            << QStringList{vesk, u"--database"_s, u"@/usb/Exam.mdb"_s} << "usb/Exam.mdb/" << 2 << ""
            << "vesk: @/usb/Exam.mdb: no such file.\n"
            << "" << false;
        QTest::newRow("--database without a file")
            << QStringList{vesk, u"--database"_s} << "" << 2 << ""
            << "vesk: Missing value after '--database'. vesk --help lists the options.\n"
            << "" << false;
        QTest::newRow("unknown option") << QStringList{vesk, u"--datbase"_s, u"x"_s} << "" << 2 << ""
                                        << "vesk: Unknown option 'datbase'. vesk --help lists the options.\n"
                                        << "" << false;
        QTest::newRow("a stray argument") << QStringList{vesk, u"Exam.mdb"_s} << "" << 2 << ""
                                          << "vesk: unexpected argument 'Exam.mdb'. vesk --help lists the options.\n"
                                          << "" << false;
        QTest::newRow("--help") << QStringList{vesk, u"--help"_s, u"--database"_s, u"@/none"_s} << "" << 0
                                << "Usage: vesk [options]\nPractise a multiple-choice certification exam.\n"
                                << ""
                                << "" << false;
        QTest::newRow("-h") << QStringList{vesk, u"-h"_s} << "" << 0 << "Usage: vesk [options]\n"
                            << ""
                            << "" << false;
        QTest::newRow("--version") << QStringList{u"vesk"_s, u"--version"_s} << "" << 0
                                   << u"vesk %1\n"_s.arg(QLatin1String(VersionInfo::Version)) << ""
                                   << "" << false;
        QTest::newRow("Qt's own options pass")
            << QStringList{vesk, u"-style"_s, u"fusion"_s, u"-reverse"_s} << "" << -1 << ""
            << ""
            << "" << false;
        QTest::newRow("--check-start") << QStringList{vesk, u"--check-start"_s} << "" << -1 << ""
                                       << ""
                                       << "" << true;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, existing);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, error);
        QFETCH(QString, databaseFolder);
        QFETCH(bool, checkStart);
        if (!existing.isEmpty())
            makeDatabase(existing);
        arguments.replaceInStrings(u"@"_s, m_dir->path());
        error.replace(u"@"_s, m_dir->path());
        databaseFolder.replace(u"@"_s, m_dir->path());
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        const CommandLine commandLine(arguments);
        QVERIFY(QDir::setCurrent(here));

        QCOMPARE(std::tuple(commandLine.endsAtOnce(), commandLine.exitStatus(), commandLine.error()),
            std::tuple(status >= 0, std::max(status, 0), error));
        if (output.isEmpty())
            QCOMPARE(commandLine.output(), QString());
        else
            QVERIFY2(commandLine.output().startsWith(output), qPrintable(commandLine.output()));
        const StartOptions options = commandLine.startOptions();
        QCOMPARE(std::tuple(options.databaseFolder, options.askWhenMissing, commandLine.checkStart()),
            std::tuple(databaseFolder, !checkStart, checkStart));
        if (QByteArray(QTest::currentDataTag()) == "--help") {
            const QString help = commandLine.output();
            QVERIFY(help.contains(u"--database <FILE>"_s) && help.contains(u"--version"_s));
            QVERIFY(!help.contains(u"check-start"_s) && !help.contains(u"platform"_s));
        }
        if (databaseFolder.isEmpty())
            return;

        // The chosen database serves the run, whatever else there is.
        makeDatabase(u"prefix/bin/Exam.mdb"_s);
        makeDatabase(u"prefix/share/vesk/Exam.mdb"_s);
        const QMap<QString, QByteArray> before = snapshot();
        frmMain *program = start(options);
        QCOMPARE(std::tuple(program->databaseRoad(), gDbPath, program->isQuitting(), FileDialog::shownCount()),
            std::tuple(Road::CommandLine, databaseFolder, false, 0));
        QCOMPARE(snapshot(), before);
        QCOMPARE(storedNames(QDir(databaseFolder).filePath(QFileInfo(existing).fileName())), QStringList{existing});
    }

    // Classroom mode chosen on the command line: the data source and database reach the start-up.
    void classroomOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // standard error; empty when the program goes on
        QTest::addColumn<QString>("dsn");
        QTest::addColumn<QString>("database");
        const QString vesk = u"vesk"_s;
        QTest::newRow("--dsn") << QStringList{vesk, u"--dsn"_s, u"Class"_s} << ""
                               << "Class"
                               << "";
        QTest::newRow("--dsn= and --db-name")
            << QStringList{vesk, u"--dsn= Room 2 "_s, u"--db-name"_s, u"class1"_s} << ""
            << "Room 2"
            << "class1";
        QTest::newRow("--db-name alone") << QStringList{vesk, u"--db-name"_s, u"class1"_s}
                                         << "vesk: --db-name needs --dsn. vesk --help lists the options.\n"
                                         << ""
                                         << "";
        QTest::newRow("--dsn with --database")
            << QStringList{vesk, u"--dsn"_s, u"Class"_s, u"--database"_s, u"@/usb/Exam.mdb"_s}
            << "vesk: --dsn and --database cannot be used together. vesk --help lists the options.\n"
            << ""
            << "";
        QTest::newRow("--dsn empty") << QStringList{vesk, u"--dsn"_s, u"  "_s}
                                     << "vesk: --dsn needs the name of an ODBC data source.\n"
                                     << ""
                                     << "";
    }
    void classroomOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QFETCH(QString, dsn);
        QFETCH(QString, database);
        makeDatabase(u"usb/Exam.mdb"_s);
        arguments.replaceInStrings(u"@"_s, m_dir->path());
        const CommandLine commandLine(arguments);
        QCOMPARE(commandLine.error(), error);
        QCOMPARE(commandLine.endsAtOnce(), !error.isEmpty());
        const StartOptions options = commandLine.startOptions();
        QCOMPARE(std::tuple(options.classroomDsn, options.classroomDatabase), std::tuple(dsn, database));
        QVERIFY(CommandLine(QStringList{u"vesk"_s, u"--help"_s}).output().contains(u"--dsn <NAME>"_s));
    }

    void documents_data()
    {
        QTest::addColumn<QStringList>("existing"); // copies of the document before the start
        QTest::addColumn<QString>("folder"); // the folder it opens from
        QTest::addColumn<bool>("found");
        const QStringList beside{u"prefix/bin"_s}, installed{u"prefix/share/vesk"_s}, system{u"system/vesk"_s};
        QTest::newRow("beside the program") << beside + installed + system << "prefix/bin" << true;
        QTest::newRow("installed beside the prefix") << installed + system << "prefix/share/vesk" << true;
        QTest::newRow("installed in the system folders") << system << "system/vesk" << true;
        QTest::newRow("nowhere") << QStringList() << "prefix/bin" << false;
    }
    void documents()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, folder);
        QFETCH(bool, found);
        for (const QString &name : {u"ReadMe.txt"_s, u"TDictionary.htm"_s}) {
            for (const QString &where : existing) {
                QVERIFY(QDir().mkpath(path(where)));
                QVERIFY(QFile(path(where + u'/' + name)).open(QIODevice::WriteOnly));
            }
        }
        makeDatabase(u"prefix/bin/Exam.mdb"_s);
        frmMain *program = start();

        // File > Read Me opens the document by its full path; the menu's Dictionary by its name.
        program->findChild<QAction *>(u"mnuReadMe"_s)->trigger();
        QTest::mouseClick(program->menuForm()->Command1(2), Qt::LeftButton);
        QList<std::pair<QString, QString>> requests;
        for (const DesktopShell::Request &request : DesktopShell::requests())
            requests.append({request.file, request.workingDir});
        QList<std::pair<QString, QString>> expected{{u"TDictionary.htm"_s, path(folder)}};
        if (found)
            expected.prepend({path(folder + u"/ReadMe.txt"_s), path(folder)});
        QCOMPARE(requests, expected);
        QCOMPARE(MessageBox::shown().size(), found ? 0 : 1);
    }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
