#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "TestSupport.h"
#include "VersionInfo.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "platform/DesktopShell.h"
#include "platform/FileDialog.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "widgets/ClickableLabel.h"

using namespace Qt::StringLiterals;
using Screens = QList<QWidget *>;

class tst_shell final : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmMain> m_main;

    QString folder() const { return m_dir->path(); }
    frmMain *start() { return (m_main = TestSupport::startProgram(folder())).get(); }
    frmMain *startWithDatabase()
    {
        TestSupport::buildDatabase(folder() + u"/Exam.mdb"_s, {2, 2, 2, 2, 2, 2});
        return start();
    }
    void click(int index) const { QTest::mouseClick(m_main->menuForm()->Command1(index), Qt::LeftButton); }
    static bool touch(const QString &path) { return QFile(path).open(QIODevice::WriteOnly); }
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
    static void verifyOnlyBox(const QString &text, const QString &title, MessageBox::Buttons b, MessageBox::Icon icon)
    {
        const MessageBox::Shown box = MessageBox::shown().value(0);
        QCOMPARE(std::tuple(MessageBox::shown().size(), box.text, box.title, box.buttons, box.icon, box.defaultButton),
            std::tuple(qsizetype(1), text, title, b, icon, MessageBox::DefaultButton1));
    }
    static void verifyOnlyRequest(const QString &file, const QString &verb, const QString &workingDir, bool hasOwner)
    {
        const DesktopShell::Request r = DesktopShell::requests().value(0);
        QCOMPARE(std::tuple(DesktopShell::requests().size(), r.file, r.verb, r.workingDir, r.hasOwner),
            std::tuple(qsizetype(1), file, verb, workingDir, hasOwner));
    }

    // Runs the current row of startUp in this test program again, as the user nobody.
    static void runAsUnprivilegedUser()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Settings and the person's folders in a place of the child's own.
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QVERIFY(QFile::setPermissions(home.path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther
                | QFile::ExeOther));
        environment.insert(u"HOME"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home.path() + u"/config"_s);
        environment.insert(u"XDG_DATA_HOME"_s, home.path() + u"/data"_s);
        environment.insert(u"XDG_RUNTIME_DIR"_s, home.path());
        environment.insert(u"TMPDIR"_s, home.path());
        const QString row = u"startUp:"_s + QString::fromLatin1(QTest::currentDataTag());
        const TestSupport::Run child = TestSupport::run(
            u"runuser"_s, {u"-u"_s, u"nobody"_s, u"--"_s, QCoreApplication::applicationFilePath(), row}, environment);
        QVERIFY2(child.status == 0 && child.out.contains(u"PASS   : tst_shell::startUp("_s),
            qPrintable(child.out + child.err));
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        gQuitNoPrompt = true; // however a test leaves the program, it ends without the quit question
        if (const auto program = std::move(m_main))
            program->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void startUp_data()
    {
        QTest::addColumn<QString>("existing"); // below the program folder, before the start; "/" ends a folder
        QTest::addColumn<QString>("choice"); // in the "Can't Find Exam.mdb" dialog; "cancel" cancels
        QTest::addColumn<QString>("dbPath"); // gDbPath below the program folder ("" found without asking); "quit" ends
        QTest::newRow("Exam.mdb") << "/Exam.mdb"
                                  << ""
                                  << "";
        QTest::newRow("exam.mdb") << "/exam.mdb"
                                  << ""
                                  << "";
        QTest::newRow("EXAM.MDB") << "/EXAM.MDB"
                                  << ""
                                  << "";
        QTest::newRow("read-only Exam.mdb") << "/Exam.mdb"
                                            << ""
                                            << "";
        QTest::newRow("cancelled") << ""
                                   << "cancel"
                                   << "quit";
        QTest::newRow("empty choice") << ""
                                      << ""
                                      << "quit";
        QTest::newRow("another name") << "/Questions.mdb"
                                      << "/Questions.mdb"
                                      << "quit";
        QTest::newRow("MyExam.mdb") << "/MyExam.mdb"
                                    << "/MyExam.mdb"
                                    << "quit";
        QTest::newRow("folder named Exam.mdb") << "/Exam.mdb/"
                                               << "cancel"
                                               << "quit";
        QTest::newRow("EXAM.mdb elsewhere") << "/other/EXAM.mdb"
                                            << "/other/EXAM.mdb"
                                            << "/other/";
    }
    void startUp()
    {
        QFETCH(QString, existing);
        QFETCH(QString, choice);
        QFETCH(QString, dbPath);
        const bool readOnly = QByteArray(QTest::currentDataTag()).startsWith("read-only");
        if (readOnly && ::geteuid() == 0) {
            // Root opens a read-only file for writing all the same: the row runs again in a child
            // process as an unprivileged user, to whom the file really is read-only.
            runAsUnprivilegedUser();
            return;
        }
        const QString path = folder() + existing;
        QVERIFY(QDir().mkpath(existing.endsWith(u'/') ? path : path.left(path.lastIndexOf(u'/'))));
        if (!existing.isEmpty() && !existing.endsWith(u'/')) {
            TestSupport::buildDatabase(path, {2, 2, 2, 2, 2, 2});
            TestSupport::exec(path,
                u"INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, ExamResult) "
                "VALUES('Robin', '2026-12-01 10:00:00', 10, 7)"_s);
            if (readOnly) {
                QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
                QFile file(path);
                QVERIFY2(!file.open(QIODevice::ReadWrite), "the file is still writable");
            }
        }
        FileDialog::setNextResult(choice == u"cancel" ? std::optional<QString>()
                : choice.isEmpty()                    ? QString()
                                                      : folder() + choice);

        frmMain *program = start();
        QCOMPARE(std::tuple(FileDialog::shownCount(), FileDialog::lastTitle(), FileDialog::lastFilter()),
            dbPath.isEmpty() ? std::tuple(0, QString(), QString())
                             : std::tuple(1, u"Can't Find Exam.mdb"_s, u"(*.MDB) (*.mdb)"_s));
        QVERIFY(MessageBox::shown().isEmpty());
        const bool runs = dbPath != u"quit";
        QCOMPARE(std::pair(gQuitNoPrompt, gDbPath), std::pair(!runs, runs ? folder() + dbPath : QString()));
        QCOMPARE(state(), runs ? menuOnly() : std::tuple(false, true, false, false, false, Screens()));
        if (!runs)
            return;
        QCOMPARE(program->windowTitle(), u"VESK"_s);
        const QMdiSubWindow *menuSub = subWindowOf(program->menuForm());
        QVERIFY(menuSub);
        QCOMPARE(std::pair(menuSub->pos(), menuSub->height()), std::pair(QPoint(0, 0), program->clientSize().height()));
        if (QByteArray(QTest::currentDataTag()) == "Exam.mdb")
            TestSupport::screenshot(program, u"main-menu"_s);

        // A folder keeps its separator, doubling it in the database path: that must still open.
        QVERIFY(cDBAccess().Open_Connection(1));
        click(1);
        QVERIFY(program->viewExamForm());
        const ExamListModel *exams = program->viewExamForm()->gridModel();
        QCOMPARE(std::pair(exams->rowCount(), exams->index(0, 2).data().toString()), std::pair(1, u"Robin"_s));
    }

    void fileExistsIgnoresAttributes()
    {
        const QString f = folder() + u'/';
        QVERIFY(touch(f + u"File"_s) && touch(f + u".Hidden"_s) && touch(f + u"ReadOnly"_s));
        QVERIFY(QFile::setPermissions(f + u"ReadOnly"_s, QFile::ReadOwner) && QDir(f).mkdir(u"Folder"_s));
        QVERIFY(FileExists(f + u"File"_s) && FileExists(f + u"ReadOnly"_s) && FileExists(f + u".Hidden"_s));
        QVERIFY(!FileExists(f + u"Folder"_s) && !FileExists(f + u"Missing"_s));
    }

    void quitAsksFirst_data()
    {
        QTest::addColumn<bool>("exitButton");
        QTest::addColumn<int>("answer");
        QTest::newRow("close box, No") << false << int(MessageBox::No);
        QTest::newRow("close box, Yes") << false << int(MessageBox::Yes);
        QTest::newRow("Exit button, No") << true << int(MessageBox::No);
        QTest::newRow("Exit button, Yes") << true << int(MessageBox::Yes);
    }
    void quitAsksFirst()
    {
        QFETCH(bool, exitButton);
        QFETCH(int, answer);
        frmMain *program = startWithDatabase();
        click(0);
        click(1);
        const Screens screens{program->menuForm(), program->examForm(), program->viewExamForm()};
        QCOMPARE(state(), std::tuple(true, false, true, true, true, screens));

        MessageBox::setNextAnswer(answer);
        exitButton ? click(5) : void(program->close());
        verifyOnlyBox(u"Do you want to quit?"_s, u"Exit Exam"_s, MessageBox::YesNo, MessageBox::Question);
        QCOMPARE(gMsgResult, QString::number(answer));
        const bool stays = answer == MessageBox::No;
        QCOMPARE(state(), std::tuple(stays, !stays, stays, stays, stays, stays ? screens : Screens()));
    }

    void examAndResultsScreens()
    {
        frmMain *program = startWithDatabase();
        click(0);
        QPointer<frmExam> exam = program->examForm();
        QVERIFY(exam && gExamLoaded && !program->menuForm()->Command1(0)->isEnabled());
        verifyPlacedBesideMenu(exam);

        // Closing the exam screen hands over to the results screen and frees Start Exam again.
        subWindowOf(exam)->close();
        QTRY_VERIFY(exam.isNull());
        QVERIFY(!gExamLoaded && program->menuForm()->Command1(0)->isEnabled() && gViewExamLoaded);
        verifyPlacedBesideMenu(program->viewExamForm());

        // View Exam replaces the results screen; an exam screen stays open beside it.
        click(0);
        click(1);
        QPointer<frmViewExam> first = program->viewExamForm();
        QVERIFY(first);
        QPointer<QMdiSubWindow> firstSub = subWindowOf(first);
        click(1);
        QTRY_VERIFY(first.isNull() && firstSub.isNull());
        verifyPlacedBesideMenu(program->viewExamForm());
        const Screens screens{program->menuForm(), program->examForm(), program->viewExamForm()};
        QCOMPARE(state(), std::tuple(true, false, true, true, true, screens));
        QCOMPARE(program->mdiArea()->subWindowList().size(), 3);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void documentButtons()
    {
        startWithDatabase();
        using R = DesktopShell::Result;
        const struct {
            int button;
            QString document;
            int shellResult;
            bool complains;
        } cases[] = {{2, "TDictionary.htm", R::FileNotFound, true}, {3, "BookList.htm", R::PathNotFound, true},
            {4, "EssayQuestions.htm", R::OutOfResources, true}, {2, "TDictionary.htm", R::NoAssociation, false},
            {3, "BookList.htm", R::Opened, false}};
        for (const auto &c : cases) {
            DesktopShell::resetTestState();
            DesktopShell::setHandler([&c](const DesktopShell::Request &) { return c.shellResult; });
            MessageBox::clearShown();
            click(c.button);
            verifyOnlyRequest(c.document, QString(), folder(), false);
            QCOMPARE(QApplication::overrideCursor(), nullptr);
            if (c.complains)
                verifyOnlyBox("Can't Find " + c.document, "File Error", MessageBox::OkOnly, MessageBox::Exclamation);
            else
                QVERIFY(MessageBox::shown().isEmpty());
        }
        QCOMPARE(state(), menuOnly());
    }

    void fileMenuDocuments()
    {
        startWithDatabase();
        for (const QString &name : {u"ReadMe"_s, u"License"_s}) {
            auto *item = m_main->findChild<QAction *>(u"mnu"_s + name);
            QVERIFY(item);
            MessageBox::clearShown();
            item->trigger();
            QVERIFY(DesktopShell::requests().isEmpty());
            verifyOnlyBox(u"The file does not exist."_s, u"Missing File"_s, MessageBox::OkOnly, MessageBox::Critical);
            const QString path = folder() + u'/' + name + u".txt"_s;
            QVERIFY(touch(path));
            item->trigger();
            QCOMPARE(MessageBox::shown().size(), 1); // no further box
            verifyOnlyRequest(path, u"Open"_s, folder(), true);
            DesktopShell::resetTestState();
            DesktopShell::setHandler([](const DesktopShell::Request &) { return int(DesktopShell::Opened); });
        }
    }

    // About shows a modal box that only its "X" closes; other screen numbers and unloaded forms are left alone.
    void aboutBoxAndUnknownScreens()
    {
        frmMain *program = startWithDatabase();
        std::tuple<QWidget *, QStringList, bool, int> seen; // owner, labels, open after other keys, result
        QTimer::singleShot(0, this, [&] {
            auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!about)
                return;
            TestSupport::screenshot(about, u"about"_s);
            const QStringList labels{about->Label1(0)->text(), about->Label1(2)->text(), about->Label1(3)->text()};
            QTest::mouseClick(about->Label1(0), Qt::LeftButton);
            QTest::mouseClick(about->Label1(2), Qt::LeftButton);
            QTest::keyClick(about, Qt::Key_Escape);
            const bool open = about->isVisible();
            QTest::mouseClick(about->Label1(3), Qt::LeftButton);
            seen = std::tuple(about->parentWidget(), labels, open, about->result());
        });
        click(6);
        QCOMPARE(QString::fromUtf8(VersionInfo::ProductName), u"VESK"_s);
        const QStringList labels{VersionInfo::ProductName, VersionInfo::LegalCopyright, u"X"_s};
        QCOMPARE(seen, std::tuple(static_cast<QWidget *>(program), labels, true, int(QDialog::Accepted)));

        program->menuForm()->OpenScreen(7);
        program->menuForm()->OpenScreen(-1);
        QWidget loose;
        loose.show();
        QVERIFY(!UnloadIfLoaded(nullptr) && !UnloadIfLoaded(&loose) && loose.isVisible());
        QCOMPARE(state(), menuOnly());
        QCOMPARE(program->mdiArea()->subWindowList().size(), 1);
        QVERIFY(DesktopShell::requests().isEmpty() && MessageBox::shown().isEmpty());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
};

QTEST_MAIN(tst_shell)
#include "tst_shell.moc"
