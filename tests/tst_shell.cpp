#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "TestSupport.h"
#include "VersionInfo.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "review/ExamListModel.h"
#include "review/frmViewExam.h"
#include "shell/ClickableLabel.h"
#include "shell/DesktopShell.h"
#include "shell/FileDialog.h"
#include "shell/GenModule.h"
#include "shell/MessageBox.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"

namespace {
// A started program that ends without the quit question, however the test leaves it.
class Program
{
public:
    explicit Program(const QString &folder)
        : m_window(TestSupport::startProgram(folder))
    {
    }
    ~Program()
    {
        gQuitNoPrompt = true;
        m_window->close();
    }
    Q_DISABLE_COPY_MOVE(Program)

    frmMain *operator->() const { return m_window.get(); }
    frmMain *get() const { return m_window.get(); }
    QToolButton *button(int index) const { return m_window->menuForm()->Command1(index); }

private:
    std::unique_ptr<frmMain> m_window;
};

QMdiSubWindow *subWindowOf(QWidget *screen)
{
    return screen ? qobject_cast<QMdiSubWindow *>(screen->parentWidget()) : nullptr;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The one message box shown since the test started.
void verifyOnlyBox(const QString &text, const QString &title, MessageBox::Buttons buttons, MessageBox::Icon icon)
{
    QCOMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown &box = MessageBox::shown().first();
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, title);
    QCOMPARE(box.buttons, buttons);
    QCOMPARE(box.icon, icon);
}

// The one request handed to the desktop shell.
void verifyOnlyRequest(const QString &file, const QString &verb, const QString &workingDir, bool hasOwner)
{
    QCOMPARE(DesktopShell::requests().size(), 1);
    const DesktopShell::Request &request = DesktopShell::requests().first();
    QCOMPARE(request.file, file);
    QCOMPARE(request.verb, verb);
    QCOMPARE(request.workingDir, workingDir);
    QCOMPARE(request.hasOwner, hasOwner);
}

void writeFile(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("text\n");
}
} // namespace

class tst_shell final : public QObject
{
    Q_OBJECT

private:
    QString folder() const { return m_dir->path(); }
    void buildDatabase(const QString &name = QStringLiteral("Exam.mdb"))
    {
        TestSupport::buildDatabase(QDir(folder()).filePath(name), {2, 2, 2, 2, 2, 2});
    }
    // Checks that a screen stands right of the menu, at the top, reaching the client area's right edge.
    void verifyPlacedBesideMenu(const Program &program, QWidget *screen)
    {
        QMdiSubWindow *sub = subWindowOf(screen);
        QMdiSubWindow *menuSub = subWindowOf(program->menuForm());
        QVERIFY(sub);
        QVERIFY(menuSub);
        QCOMPARE(sub->x(), menuSub->frameGeometry().width());
        QCOMPARE(sub->y(), 0);
        QCOMPARE(sub->x() + sub->width(), program->mdiArea()->viewport()->width());
    }

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        flushDeletes();
        TestSupport::resetProgramState();
        m_dir.reset();
    }

    // --- Start-up: finding Exam.mdb ------------------------------------------------------------

    void startsWithDatabaseBesideProgram_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("Exam.mdb") << QStringLiteral("Exam.mdb") << false;
        QTest::newRow("exam.mdb") << QStringLiteral("exam.mdb") << false;
        QTest::newRow("EXAM.MDB") << QStringLiteral("EXAM.MDB") << false;
        QTest::newRow("read-only Exam.mdb") << QStringLiteral("Exam.mdb") << true;
    }
    void startsWithDatabaseBesideProgram()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, readOnly);
        buildDatabase(fileName);
        // chmod 0444; the tests run as root, for whom such a file still opens.
        if (readOnly)
            QVERIFY(QFile::setPermissions(QDir(folder()).filePath(fileName),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        Program program(folder());
        QCOMPARE(FileDialog::shownCount(), 0);
        QCOMPARE(gDbPath, folder());
        QVERIFY(gMenuLoaded);
        QVERIFY(program->isVisible());
        QVERIFY(!program->isQuitting());
        QCOMPARE(program->windowTitle(), QStringLiteral("VESK"));
        QCOMPARE(LoadedForms(), QList<QWidget *>{program->menuForm()});
        QVERIFY(MessageBox::shown().isEmpty());
        // The menu stands at the left edge and runs the full height of the client area.
        QMdiSubWindow *menuSub = subWindowOf(program->menuForm());
        QVERIFY(menuSub);
        QCOMPARE(menuSub->pos(), QPoint(0, 0));
        QCOMPARE(menuSub->height(), program->clientSize().height());
        if (QByteArray(QTest::currentDataTag()) == "Exam.mdb")
            TestSupport::screenshot(program.get(), QStringLiteral("main-menu"));
    }

    void missingDatabaseEndsSilently_data()
    {
        QTest::addColumn<bool>("folderNamedExam"); // a folder, not a file, called Exam.mdb beside the program
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("choice"); // below the program folder; empty for an empty choice
        QTest::newRow("cancelled") << false << true << QString();
        QTest::newRow("empty choice") << false << false << QString();
        QTest::newRow("another name") << false << false << QStringLiteral("/Questions.mdb");
        QTest::newRow("folder named Exam.mdb, cancelled") << true << true << QString();
    }
    void missingDatabaseEndsSilently()
    {
        QFETCH(bool, folderNamedExam);
        QFETCH(bool, cancel);
        QFETCH(QString, choice);
        if (folderNamedExam)
            QVERIFY(QDir(folder()).mkdir(QStringLiteral("Exam.mdb")));
        if (cancel)
            FileDialog::setNextResult(std::nullopt);
        else
            FileDialog::setNextResult(choice.isEmpty() ? QString() : folder() + choice);

        Program program(folder());
        QCOMPARE(FileDialog::shownCount(), 1);
        QCOMPARE(FileDialog::lastTitle(), QStringLiteral("Can't Find Exam.mdb"));
        QCOMPARE(FileDialog::lastFilter(), QStringLiteral("(*.MDB) (*.mdb)"));
        QVERIFY(gQuitNoPrompt);
        QVERIFY(program->isQuitting());
        QVERIFY(!program->isVisible());
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(gDbPath.isEmpty());
        QVERIFY(!gMenuLoaded);
        QVERIFY(LoadedForms().isEmpty());
    }

    void chosenDatabaseInAnotherFolder()
    {
        QVERIFY(QDir(folder()).mkdir(QStringLiteral("other")));
        const QString chosen = folder() + QStringLiteral("/other/EXAM.mdb");
        TestSupport::buildDatabase(chosen, {2, 2, 2, 2, 2, 2});
        TestSupport::exec(chosen, QStringLiteral("INSERT INTO ExamTitle(UserName, ExamDate, NumOfQuestions, "
                                                 "ExamResult) VALUES('Robin', '2026-12-01 10:00:00', 10, 7)"));
        FileDialog::setNextResult(chosen);

        Program program(folder());
        QCOMPARE(FileDialog::shownCount(), 1);
        QCOMPARE(gDbPath, folder() + QStringLiteral("/other/"));
        QVERIFY(!program->isQuitting());
        QVERIFY(program->isVisible());
        QVERIFY(gMenuLoaded);

        // The folder keeps its separator, so the database path doubles it; that must still open.
        {
            cDBAccess db;
            QVERIFY(db.Open_Connection(1));
        }
        // The results screen reads the exams of the chosen database.
        QTest::mouseClick(program.button(1), Qt::LeftButton);
        QVERIFY(program->viewExamForm());
        const ExamListModel *exams = program->viewExamForm()->gridModel();
        QCOMPARE(exams->rowCount(), 1);
        QCOMPARE(exams->index(0, 2).data().toString(), QStringLiteral("Robin"));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void fileExistsIgnoresAttributes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind"); // 0 file, 1 folder, 2 nothing
        QTest::addColumn<int>("permissions");
        QTest::addColumn<bool>("exists");
        const int readOnly = int(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const int normal = readOnly | int(QFile::WriteOwner);
        QTest::newRow("plain file") << QStringLiteral("Exam.mdb") << 0 << normal << true;
        QTest::newRow("read-only file") << QStringLiteral("Exam.mdb") << 0 << readOnly << true;
        QTest::newRow("file without permissions") << QStringLiteral("Exam.mdb") << 0 << 0 << true;
        QTest::newRow("hidden file") << QStringLiteral(".Exam.mdb") << 0 << normal << true;
        QTest::newRow("folder") << QStringLiteral("Exam.mdb") << 1 << normal << false;
        QTest::newRow("nothing") << QStringLiteral("Exam.mdb") << 2 << normal << false;
    }
    void fileExistsIgnoresAttributes()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(int, permissions);
        QFETCH(bool, exists);
        const QString path = QDir(folder()).filePath(name);
        if (kind == 0) {
            writeFile(path);
            QVERIFY(QFile::setPermissions(path, QFile::Permissions(QFlag(permissions))));
        } else if (kind == 1) {
            QVERIFY(QDir(folder()).mkdir(name));
        }
        QCOMPARE(FileExists(path), exists);
    }

    // --- Quitting ------------------------------------------------------------------------------

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
        buildDatabase();
        Program program(folder());
        QTest::mouseClick(program.button(0), Qt::LeftButton);
        QTest::mouseClick(program.button(1), Qt::LeftButton);
        QCOMPARE(LoadedForms().size(), 3);
        MessageBox::clearShown();

        MessageBox::setNextAnswer(answer);
        if (exitButton)
            QTest::mouseClick(program.button(5), Qt::LeftButton);
        else
            program->close();

        verifyOnlyBox(QStringLiteral("Do you want to quit?"), QStringLiteral("Exit Exam"), MessageBox::YesNo,
                      MessageBox::Question);
        QCOMPARE(MessageBox::shown().first().defaultButton, MessageBox::DefaultButton1);
        QCOMPARE(gMsgResult, QString::number(answer));
        if (answer == MessageBox::No) {
            QVERIFY(program->isVisible());
            QVERIFY(!program->isQuitting());
            QVERIFY(gMenuLoaded && gExamLoaded && gViewExamLoaded);
            QCOMPARE(LoadedForms().size(), 3);
        } else {
            QVERIFY(!program->isVisible());
            QVERIFY(program->isQuitting());
            QVERIFY(!gMenuLoaded);
            QVERIFY(!gExamLoaded);
            QVERIFY(!gViewExamLoaded);
            QVERIFY(LoadedForms().isEmpty());
        }
    }

    // --- Menu buttons --------------------------------------------------------------------------

    void examScreenBesideMenu()
    {
        buildDatabase();
        Program program(folder());
        QTest::mouseClick(program.button(0), Qt::LeftButton);
        QVERIFY(gExamLoaded);
        QVERIFY(!program.button(0)->isEnabled());
        QPointer<frmExam> exam = program->examForm();
        QVERIFY(exam);
        verifyPlacedBesideMenu(program, exam);

        // Closing the exam screen hands over to the results screen and frees Start Exam again.
        subWindowOf(exam)->close();
        flushDeletes();
        QVERIFY(exam.isNull());
        QVERIFY(!gExamLoaded);
        QVERIFY(program.button(0)->isEnabled());
        QVERIFY(gViewExamLoaded);
        QVERIFY(program->viewExamForm());
        verifyPlacedBesideMenu(program, program->viewExamForm());
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void resultsScreenReplacedNotDuplicated()
    {
        buildDatabase();
        Program program(folder());
        QTest::mouseClick(program.button(0), Qt::LeftButton);
        QTest::mouseClick(program.button(1), Qt::LeftButton);
        QPointer<frmViewExam> first = program->viewExamForm();
        QPointer<QMdiSubWindow> firstSub = subWindowOf(first);
        QVERIFY(first);

        QTest::mouseClick(program.button(1), Qt::LeftButton);
        QPointer<frmViewExam> second = program->viewExamForm();
        QVERIFY(second);
        QVERIFY(second != first);
        flushDeletes();
        QVERIFY(first.isNull());
        QVERIFY(firstSub.isNull());
        QVERIFY(gViewExamLoaded);
        verifyPlacedBesideMenu(program, second);

        // The exam screen stays open beside the results.
        QVERIFY(gExamLoaded);
        QVERIFY(program->examForm());
        const QList<QWidget *> expected{program->menuForm(), program->examForm(), second.data()};
        QCOMPARE(LoadedForms(), expected);
        QCOMPARE(program->mdiArea()->subWindowList().size(), 3);
    }

    void documentButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("document");
        QTest::addColumn<int>("shellResult");
        QTest::addColumn<bool>("complains");
        const QString dictionary = QStringLiteral("TDictionary.htm");
        const QString books = QStringLiteral("BookList.htm");
        const QString examples = QStringLiteral("EssayQuestions.htm");
        QTest::newRow("Dictionary opened") << 2 << dictionary << int(DesktopShell::Opened) << false;
        QTest::newRow("Books opened") << 3 << books << int(DesktopShell::Opened) << false;
        QTest::newRow("Examples opened") << 4 << examples << int(DesktopShell::Opened) << false;
        QTest::newRow("Dictionary not found") << 2 << dictionary << int(DesktopShell::FileNotFound) << true;
        QTest::newRow("Books path not found") << 3 << books << int(DesktopShell::PathNotFound) << true;
        QTest::newRow("Examples out of resources") << 4 << examples << int(DesktopShell::OutOfResources) << true;
        QTest::newRow("Dictionary no association") << 2 << dictionary << int(DesktopShell::NoAssociation) << false;
    }
    void documentButtons()
    {
        QFETCH(int, button);
        QFETCH(QString, document);
        QFETCH(int, shellResult);
        QFETCH(bool, complains);
        buildDatabase();
        Program program(folder());
        DesktopShell::setHandler([shellResult](const DesktopShell::Request &) { return shellResult; });

        QTest::mouseClick(program.button(button), Qt::LeftButton);
        verifyOnlyRequest(document, QString(), folder(), false);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        if (complains)
            verifyOnlyBox(QStringLiteral("Can't Find ") + document, QStringLiteral("File Error"), MessageBox::OkOnly,
                          MessageBox::Exclamation);
        else
            QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(LoadedForms().size(), 1);
    }

    void unknownButtonsDoNothing_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("7") << 7;
        QTest::newRow("-1") << -1;
    }
    void unknownButtonsDoNothing()
    {
        QFETCH(int, index);
        buildDatabase();
        Program program(folder());
        program->menuForm()->OpenScreen(index);
        QCOMPARE(LoadedForms(), QList<QWidget *>{program->menuForm()});
        QCOMPARE(program->mdiArea()->subWindowList().size(), 1);
        QVERIFY(!gExamLoaded);
        QVERIFY(!gViewExamLoaded);
        QVERIFY(DesktopShell::requests().isEmpty());
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void aboutButtonShowsModalBox()
    {
        buildDatabase();
        Program program(folder());
        bool found = false;
        bool stillOpenAfterNameClick = false;
        QWidget *owner = nullptr;
        QString name;
        QTimer::singleShot(0, this, [&] {
            auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!about) {
                // Close whatever about box there is, so that a failure does not hang the run.
                for (QWidget *widget : QApplication::topLevelWidgets()) {
                    if (auto *stray = qobject_cast<frmAbout *>(widget))
                        stray->reject();
                }
                return;
            }
            found = true;
            owner = about->parentWidget();
            name = about->Label1(0)->text();
            TestSupport::screenshot(about, QStringLiteral("about"));
            QTest::mouseClick(about->Label1(0), Qt::LeftButton);
            stillOpenAfterNameClick = about->isVisible();
            QTest::mouseClick(about->Label1(3), Qt::LeftButton);
        });
        QTest::mouseClick(program.button(6), Qt::LeftButton);

        // Back here means the box was closed by its "X".
        QVERIFY(found);
        QCOMPARE(owner, program.get());
        QCOMPARE(name, QStringLiteral("VESK"));
        QVERIFY(stillOpenAfterNameClick);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(LoadedForms(), QList<QWidget *>{program->menuForm()});
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // --- File menu -----------------------------------------------------------------------------

    void fileMenuDocuments_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("present");
        QTest::newRow("Read Me present") << QStringLiteral("mnuReadMe") << QStringLiteral("ReadMe.txt") << true;
        QTest::newRow("Read Me missing") << QStringLiteral("mnuReadMe") << QStringLiteral("ReadMe.txt") << false;
        QTest::newRow("License present") << QStringLiteral("mnuLicense") << QStringLiteral("License.txt") << true;
        QTest::newRow("License missing") << QStringLiteral("mnuLicense") << QStringLiteral("License.txt") << false;
    }
    void fileMenuDocuments()
    {
        QFETCH(QString, action);
        QFETCH(QString, fileName);
        QFETCH(bool, present);
        buildDatabase();
        const QString path = QDir(folder()).filePath(fileName);
        if (present)
            writeFile(path);
        Program program(folder());
        auto *item = program->findChild<QAction *>(action);
        QVERIFY(item);

        item->trigger();
        if (present) {
            verifyOnlyRequest(path, QStringLiteral("Open"), folder(), true);
            QVERIFY(MessageBox::shown().isEmpty());
        } else {
            QVERIFY(DesktopShell::requests().isEmpty());
            verifyOnlyBox(QStringLiteral("The file does not exist."), QStringLiteral("Missing File"),
                          MessageBox::OkOnly, MessageBox::Critical);
        }
    }

    // --- About box -----------------------------------------------------------------------------

    void aboutBoxTexts()
    {
        frmAbout about;
        QCOMPARE(QString::fromUtf8(VersionInfo::ProductName), QStringLiteral("VESK"));
        QCOMPARE(about.Label1(0)->text(), QString::fromUtf8(VersionInfo::ProductName));
        QCOMPARE(about.Label1(2)->text(), QString::fromUtf8(VersionInfo::LegalCopyright));
        QCOMPARE(about.Label1(3)->text(), QStringLiteral("X"));
    }

    void aboutBoxClosesOnlyByX_data()
    {
        QTest::addColumn<int>("label"); // -1 for the Escape key
        QTest::addColumn<bool>("closes");
        QTest::newRow("click product name") << 0 << false;
        QTest::newRow("click copyright") << 2 << false;
        QTest::newRow("Escape") << -1 << false;
        QTest::newRow("click X") << 3 << true;
    }
    void aboutBoxClosesOnlyByX()
    {
        QFETCH(int, label);
        QFETCH(bool, closes);
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        if (label < 0)
            QTest::keyClick(&about, Qt::Key_Escape);
        else
            QTest::mouseClick(about.Label1(label), Qt::LeftButton);
        QCOMPARE(about.isVisible(), !closes);
        if (closes)
            QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    // --- Loaded screens ------------------------------------------------------------------------

    void unloadIfLoadedIgnoresUnloaded()
    {
        buildDatabase();
        Program program(folder());
        QVERIFY(!UnloadIfLoaded(nullptr));
        QWidget loose;
        loose.show();
        QVERIFY(!UnloadIfLoaded(&loose));
        QVERIFY(loose.isVisible());
        QVERIFY(gMenuLoaded);
        QCOMPARE(LoadedForms(), QList<QWidget *>{program->menuForm()});
    }
};

QTEST_MAIN(tst_shell)
#include "tst_shell.moc"
