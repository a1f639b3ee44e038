#include <map>
#include <unistd.h>

#include "ScreenSuite.h"

#include "VersionInfo.h"
#include "platform/DesktopShell.h"
#include "platform/FileDialog.h"
#include "shell/CommandLine.h"
#include "shell/frmAbout.h"
#include "shell/frmMenu.h"
#include "widgets/ClickableLabel.h"

using Road = frmMain::DatabaseRoad;
using Screens = QList<QWidget *>;

// The main window: where its start finds Exam.mdb and the documents, in a temporary tree laid out
// as an installation (the program in prefix/bin, the installed data in prefix/share/vesk, the
// person's data folder in data/vesk and the system's data folders in system/); the command line;
// the screens its menu opens, the documents, the about box, quitting.
class tst_shell final : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_main;

    QString path(const QString &relative) const { return QDir::cleanPath(m_dir->filePath(relative)); }

    // An exam database whose one exam is stored under the name `relative`, telling which file was
    // opened; a "/" at the end makes a folder instead.
    void makeDatabase(const QString &relative) const
    {
        QVERIFY(QDir().mkpath(relative.endsWith(u'/') ? path(relative) : QFileInfo(path(relative)).path()));
        if (relative.endsWith(u'/'))
            return;
        TestSupport::buildDatabase(path(relative), {2, 2, 2, 2, 2, 2});
        TestSupport::storeExam(path(relative), relative, u"2026-12-01 10:00:00"_s, 10, 7);
    }
    // Every file of the tree with a digest; the settings aside (they note the installed pool taken).
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        for (const QString &name : TestSupport::filesUnder(m_dir->path())) {
            QFile file(m_dir->filePath(name));
            if (name != u"config/vesk/vesk.conf"_s && file.open(QIODevice::ReadOnly))
                files.insert(name, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
        }
        return files;
    }
    frmMain *start(const StartOptions &options = StartOptions())
    {
        SetAppFolder(path(u"prefix/bin"_s));
        m_main = std::make_unique<frmMain>();
        m_main->start(options);
        return m_main.get();
    }
    void closeProgram()
    {
        gQuitNoPrompt = true;
        if (const auto program = std::move(m_main))
            program->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A later start: the program's state anew, the settings kept.
    void restart()
    {
        closeProgram();
        QVariantMap settings;
        for (const QString &key : QSettings(u"vesk"_s, u"vesk"_s).allKeys())
            settings.insert(key, QSettings(u"vesk"_s, u"vesk"_s).value(key));
        TestSupport::resetProgramState();
        TestSupport::pointHomeAt(m_dir->path());
        QSettings kept(u"vesk"_s, u"vesk"_s);
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            kept.setValue(it.key(), it.value());
    }

    // Runs the current row of roads in this test program again, as the user nobody.
    static void runAsUnprivilegedUser()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QTemporaryDir home; // the child's own, for its settings and folders
        QVERIFY(QFile::setPermissions(home.path(), QFile::Permissions(0x7777)));
        for (const QString &variable : {u"HOME"_s, u"XDG_RUNTIME_DIR"_s, u"TMPDIR"_s})
            environment.insert(variable, home.path());
        const QString row = u"roads:"_s + QString::fromLatin1(QTest::currentDataTag());
        const TestSupport::Run child = TestSupport::run(
            u"runuser"_s, {u"-u"_s, u"nobody"_s, u"--"_s, QCoreApplication::applicationFilePath(), row}, environment);
        QVERIFY2(child.status == 0 && child.out.contains(u"PASS   : tst_shell::roads("_s),
            qPrintable(child.out + child.err));
    }

    // A program started beside its database.
    frmMain *startBesideDatabase()
    {
        makeDatabase(u"prefix/bin/Exam.mdb"_s);
        return start();
    }
    void click(MenuCommand index) const { TestSupport::click(m_main->menuForm()->Command1(index)); }
    static QMdiSubWindow *subWindowOf(QWidget *screen) { return qobject_cast<QMdiSubWindow *>(screen->parentWidget()); }
    // Main window shown, quitting, menu/exam/results screen loaded, the loaded screens in order.
    auto state() const
    {
        return std::tuple(
            m_main->isVisible(), m_main->isQuitting(), gMenuLoaded, gExamLoaded, gViewExamLoaded, LoadedForms());
    }
    auto menuOnly() const { return std::tuple(true, false, true, false, false, Screens{m_main->menuForm()}); }

    // A screen stands right of the menu, at the top, reaching the client area's right edge.
    void verifyPlacedBesideMenu(QWidget *screen) const
    {
        QVERIFY(screen);
        const QMdiSubWindow *sub = subWindowOf(screen);
        QCOMPARE(sub->pos(), QPoint(subWindowOf(m_main->menuForm())->frameGeometry().width(), 0));
        QCOMPARE(sub->x() + sub->width(), m_main->mdiArea()->viewport()->width());
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
        QVERIFY(QDir().mkpath(path(u"prefix/bin"_s)));
    }
    void cleanup() { closeProgram(); }

    void roads_data() { TestSupport::addCases(u"screens/roads.tsv"_s); }
    void roads()
    {
        const auto [existing, ask, database, choice, road, dbPath, opened]
            = SessionCases::texts("existing", "ask", "database", "choice", "road", "dbPath", "opened");
        const bool readOnly = QByteArray(QTest::currentDataTag()).startsWith("read-only");
        if (readOnly && ::geteuid() == 0) {
            // Root opens a read-only file for writing all the same: the row runs again in a child
            // process as an unprivileged user, to whom the file really is read-only.
            runAsUnprivilegedUser();
            return;
        }
        for (const QString &file : existing.split(u',', Qt::SkipEmptyParts))
            makeDatabase(file);
        if (readOnly) {
            QVERIFY(QFile::setPermissions(path(opened), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            QVERIFY2(!QFile(path(opened)).open(QIODevice::ReadWrite), "the file is still writable");
        }
        const QMap<QString, QByteArray> before = snapshot();
        FileDialog::setNextResult(choice == u"cancel" ? std::optional<QString>()
                : choice == u"empty"                  ? QString()
                                                      : path(choice));
        StartOptions options;
        options.askWhenMissing = ask == u"1";
        options.databaseFolder = database.isEmpty() ? QString() : path(database);
        frmMain *program = start(options);
        const bool runs = !dbPath.isEmpty();
        const QStringList roads{
            u"NotFound"_s, u"CommandLine"_s, u"BesideProgram"_s, u"UserFolder"_s, u"InstalledCopy"_s, u"Dialog"_s};
        QCOMPARE(std::tuple(program->databaseRoad(), gDbPath, program->isQuitting(), gQuitNoPrompt),
            std::tuple(Road(roads.indexOf(road)),
                runs ? path(dbPath) + (dbPath.endsWith(u'/') ? u"/"_s : QString()) : QString(), !runs, !runs));
        QCOMPARE(std::tuple(FileDialog::shownCount(), FileDialog::lastTitle(), FileDialog::lastFilter()),
            choice.isEmpty() ? std::tuple(0, QString(), QString())
                             : std::tuple(1, u"Can't Find Exam.mdb"_s, u"(*.MDB) (*.mdb)"_s));
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(std::tuple(program->isVisible(), gMenuLoaded, LoadedForms()),
            runs ? std::tuple(true, true, QList<QWidget *>{program->menuForm()})
                 : std::tuple(false, false, QList<QWidget *>()));

        // Only a copy of the installed database is ever added: nothing else, no temporary file.
        QMap<QString, QByteArray> after = snapshot();
        if (road == u"InstalledCopy")
            QCOMPARE(after.take(u"data/vesk/Exam.mdb"_s), before.value(opened));
        QCOMPARE(after, before);
        if (opened.isEmpty())
            return;
        QCOMPARE(program->windowTitle(), u"VESK"_s);
        const QWidget *menu = program->menuForm()->parentWidget();
        QCOMPARE(std::pair(menu->pos(), menu->height()), std::pair(QPoint(0, 0), program->clientSize().height()));
        if (QByteArray(QTest::currentDataTag()) == "beside the program")
            TestSupport::screenshot(program, u"main-menu"_s);
        // A folder keeps its separator, doubling it in the database path: that must still open.
        QVERIFY(cDBAccess().Open_Connection(1));
        const ExamListModel *exams = TestSupport::openResults(program)->gridModel();
        QCOMPARE(std::pair(exams->rowCount(), exams->index(0, 2).data().toString()), std::pair(1, opened));
    }

    // A package upgrade brings a newer pool: the next start carries it into the person's database,
    // keeping its imported question; later starts write nothing. (How the pools merge: tst_poolstore.)
    void newerInstalledPoolIsTakenOver()
    {
        const QString installed = path(u"prefix/share/vesk/Exam.mdb"_s);
        const QString own = path(u"data/vesk/Exam.mdb"_s);
        const auto build = [&](int questions) {
            QFile::remove(installed);
            TestSupport::buildDatabase(installed, {questions, 0, 0, 0, 0, 0});
            // The start tells a new pool by its size and time stamp: set the time (as many hours past
            // midnight as it has questions) rather than wait for it.
            QFile file(installed);
            QVERIFY(file.open(QIODevice::ReadWrite)
                && file.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(questions, 0)), QFile::FileModificationTime));
        };
        QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
        build(2);
        QCOMPARE(start()->databaseRoad(), Road::InstalledCopy);
        closeProgram();
        TestSupport::exec(own,
            u"INSERT INTO Q_A (QID, Question, A, B, C, D, CorrectAnswer, Category, Description) VALUES (3, 'Mine?', "
            "'a', 'b', '', '', 'A', 'Software Testing', ''); INSERT INTO QuestionKeys VALUES (3, 'imp-mine', "
            "'imported')"_s);
        build(3); // one question more (a reworded one: tst_poolstore)
        restart();
        QCOMPARE(start()->databaseRoad(), Road::UserFolder);
        closeProgram();
        QCOMPARE(TestSupport::query(own,
                     u"SELECT q.QID, q.Question, k.Origin FROM Q_A q JOIN QuestionKeys k USING (QID) ORDER BY q.QID"_s),
            (QList<QVariantList>{{1, u"Software Testing question 1"_s, u"shipped"_s},
                {2, u"Software Testing question 2"_s, u"shipped"_s},
                {3, u"Software Testing question 3"_s, u"shipped"_s}, {4, u"Mine?"_s, u"imported"_s}}));
        // Later starts go by the installed file's size and time, kept in the settings: one that read
        // the file again would meet bytes that are no pool and warn.
        QFile pool(installed);
        QVERIFY(pool.open(QIODevice::ReadWrite) && pool.write(QByteArray(pool.size(), 'x')) == pool.size());
        QVERIFY(pool.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(3, 0)), QFile::FileModificationTime));
        pool.close();
        const QMap<QString, QByteArray> before = snapshot();
        restart();
        QTest::failOnWarning(QRegularExpression(u"question pool"_s));
        start();
        closeProgram();
        QCOMPARE(snapshot(), before);
    }

    void commandLine_data() { TestSupport::addCases(u"screens/command-line.tsv"_s); }
    void commandLine()
    {
        auto [arguments, existing, status, output, error, databaseFolder, dsn, database, checkStart]
            = SessionCases::texts("arguments", "existing", "status", "output", "error", "databaseFolder", "dsn",
                "database", "checkStart");
        if (!existing.isEmpty())
            makeDatabase(existing);
        const QString root = m_dir->path();
        output.replace(u"%version"_s, QLatin1String(VersionInfo::Version));
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root));
        const CommandLine commandLine(arguments.replace(u'@', root).split(u'|'));
        QVERIFY(QDir::setCurrent(here));

        QVERIFY2(output.isEmpty() ? commandLine.output().isEmpty() : commandLine.output().startsWith(output),
            qPrintable(commandLine.output()));
        const StartOptions options = commandLine.startOptions();
        const int exit = status.toInt();
        const bool check = checkStart == u"1";
        QCOMPARE(
            std::tuple(commandLine.endsAtOnce(), commandLine.exitStatus(), commandLine.error(), options.databaseFolder,
                options.askWhenMissing, commandLine.checkStart(), options.classroomDsn, options.classroomDatabase),
            std::tuple(exit >= 0, std::max(exit, 0), error.replace(u'@', root), databaseFolder.replace(u'@', root),
                !check, check, dsn, database));
        if (QByteArray(QTest::currentDataTag()) == "--help") {
            const QString help = commandLine.output();
            QVERIFY(help.contains(u"--database <FILE>"_s) && help.contains(u"--version"_s)
                && help.contains(u"--dsn <NAME>"_s));
            QVERIFY(!help.contains(u"check-start"_s) && !help.contains(u"platform"_s));
        }
    }

    // The documents of the File menu and of the menu's buttons: Read Me and License by full path with
    // the Open verb, told when missing; the buttons' documents by name, the desktop told where, and
    // told when the desktop cannot open them.
    void documents_data() { TestSupport::addCases(u"screens/documents.tsv"_s); }
    void documents()
    {
        auto [existing, shellResult, opened, requests, boxes]
            = SessionCases::texts("existing", "shellResult", "opened", "requests", "boxes");
        for (const QString &where : existing.split(u',', Qt::SkipEmptyParts)) {
            QVERIFY(QDir().mkpath(path(where)));
            for (const QString &name : {u"ReadMe.txt"_s, u"License.txt"_s, u"TDictionary.htm"_s})
                QVERIFY(QFile(path(where + u'/' + name)).open(QIODevice::WriteOnly));
        }
        frmMain *program = startBesideDatabase();
        DesktopShell::setHandler([result = shellResult.toInt()](const DesktopShell::Request &) { return result; });
        const std::map<QString, MenuCommand> buttons{{u"Dictionary"_s, MenuCommand::Dictionary},
            {u"Books"_s, MenuCommand::Books}, {u"Examples"_s, MenuCommand::Examples}};
        for (const QString &what : opened.split(u' '))
            what.startsWith(u"mnu") ? program->findChild<QAction *>(what)->trigger() : click(buttons.at(what));
        QStringList told;
        for (const DesktopShell::Request &r : DesktopShell::requests())
            told << u"%1|%2|%3|%4"_s.arg(r.file, r.verb, r.workingDir).arg(r.hasOwner);
        QCOMPARE(told.join(u'\n'), requests.replace(u'@', m_dir->path()));
        told.clear();
        for (const MessageBox::Shown &box : MessageBox::shown())
            told << u"%1|%2|%3|%4|%5"_s.arg(box.text, box.title).arg(box.buttons).arg(box.icon).arg(box.defaultButton);
        QCOMPARE(told.join(u'\n'), boxes);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(state(), menuOnly());
    }

    // The exam screen opens beside the menu; closing it hands over to the results screen, which View
    // Exam replaces; with every screen open, quitting asks first.
    void screensThenQuit_data() { TestSupport::addCases(u"screens/quit.tsv"_s); }
    void screensThenQuit()
    {
        startBesideDatabase();
        const bool exitButton = QByteArray(QTest::currentDataTag()).startsWith("Exit");
        const int answer = QByteArray(QTest::currentDataTag()).endsWith("Yes") ? MessageBox::Yes : MessageBox::No;
        for (const QToolButton *button : m_main->menuForm()->findChildren<QToolButton *>()) // captions on one line
            QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(button->text()) <= button->width() - 10,
                qPrintable(button->text()));
        click(MenuCommand::StartExam);
        QPointer<frmExam> exam = m_main->examForm();
        QVERIFY(exam && gExamLoaded && !m_main->menuForm()->Command1(MenuCommand::StartExam)->isEnabled());
        verifyPlacedBesideMenu(exam);
        subWindowOf(exam)->close();
        QTRY_VERIFY(exam.isNull());
        QVERIFY(!gExamLoaded && m_main->menuForm()->Command1(MenuCommand::StartExam)->isEnabled() && gViewExamLoaded);
        verifyPlacedBesideMenu(m_main->viewExamForm());
        click(MenuCommand::StartExam);
        click(MenuCommand::ViewExam);
        QPointer<frmViewExam> first = m_main->viewExamForm();
        QPointer<QMdiSubWindow> firstSub = subWindowOf(first);
        click(MenuCommand::ViewExam);
        QTRY_VERIFY(first.isNull() && firstSub.isNull());
        verifyPlacedBesideMenu(m_main->viewExamForm());
        const Screens screens{m_main->menuForm(), m_main->examForm(), m_main->viewExamForm()};
        QCOMPARE(state(), std::tuple(true, false, true, true, true, screens));
        QCOMPARE(m_main->mdiArea()->subWindowList().size(), 3);
        QVERIFY(MessageBox::shown().isEmpty());

        MessageBox::setNextAnswer(answer);
        exitButton ? click(MenuCommand::Exit) : void(m_main->close());
        const MessageBox::Shown box = MessageBox::shown().value(0);
        QCOMPARE(std::tuple(MessageBox::shown().size(), box.text, box.title, box.buttons, box.icon, box.defaultButton),
            std::tuple(qsizetype(1), u"Do you want to quit?"_s, u"Exit Exam"_s, MessageBox::YesNo, MessageBox::Question,
                MessageBox::DefaultButton1));
        QCOMPARE(gMsgResult, QString::number(answer));
        const bool stays = answer == MessageBox::No;
        QCOMPARE(state(), std::tuple(stays, !stays, stays, stays, stays, stays ? screens : Screens()));
    }

    // About shows a modal box that only its "X" closes.
    void aboutBox()
    {
        startBesideDatabase();
        std::tuple<QWidget *, QStringList, bool, int> seen; // owner, labels, open after other keys, result
        QTimer::singleShot(0, this, [&] {
            auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!about)
                return;
            TestSupport::screenshot(about, u"about"_s);
            const QStringList labels{about->Label1(AboutLabel::ProductName)->text(),
                about->Label1(AboutLabel::Copyright)->text(), about->Label1(AboutLabel::Close)->text()};
            TestSupport::click(about->Label1(AboutLabel::ProductName));
            TestSupport::click(about->Label1(AboutLabel::Copyright));
            QTest::keyClick(about, Qt::Key_Escape);
            const bool open = about->isVisible();
            TestSupport::click(about->Label1(AboutLabel::Close));
            seen = std::tuple(about->parentWidget(), labels, open, about->result());
        });
        click(MenuCommand::About);
        const QStringList labels{VersionInfo::ProductName, VersionInfo::LegalCopyright, u"X"_s};
        QCOMPARE(seen, std::tuple(static_cast<QWidget *>(m_main.get()), labels, true, int(QDialog::Accepted)));
        QCOMPARE(state(), menuOnly());
        QCOMPARE(m_main->mdiArea()->subWindowList().size(), 1);
        QVERIFY(DesktopShell::requests().isEmpty() && MessageBox::shown().isEmpty());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
};

QTEST_MAIN(tst_shell)
#include "tst_shell.moc"
