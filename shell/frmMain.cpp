#include "shell/frmMain.h"

#include <memory>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QToolButton>

#include "VersionInfo.h"
#include "bank/BankImport.h"
#include "bank/QuestionBank.h"
#include "core/DataFolders.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/DbScope.h"
#include "data/PoolStore.h"
#include "data/QuestionStats.h"
#include "data/cDBAccess.h"
#include "exam/frmExam.h"
#include "insight/frmClass.h"
#include "insight/frmProgress.h"
#include "platform/CoreHandlers.h"
#include "platform/DesktopShell.h"
#include "platform/FileDialog.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/ScreenHost.h"
#include "questions/frmExportQuestions.h"
#include "questions/frmImportQuestions.h"
#include "questions/frmQuestionEditor.h"
#include "questions/frmQuestionStats.h"
#include "review/frmViewExam.h"
#include "shell/UserDatabase.h"
#include "shell/frmMenu.h"
#include "widgets/PngIcon.h"
#include "widgets/Twips.h"

namespace {
frmMain *s_instance = nullptr;

// Applies one size setting; a setting that cannot be made (a negative size) is skipped.
template <typename Apply> void trySetting(double value, Apply apply)
{
    if (value >= 0)
        apply(Twips::toPx(value));
}
} // namespace

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_mdiArea(new QMdiArea(this))
{
    InitResources();
    ApplyProgramFont();
    InstallCoreHandlers();
    setFont(QApplication::font()); // created before the program's font was set
    s_instance = this;
    ScreenHost::setCurrent(this);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(VersionInfo::ProductName));
    // Every window of the program, its message boxes included, shows the program's picture.
    QApplication::setWindowIcon(PngIcon::fromFile(QStringLiteral(":/app.png")));
    m_mdiArea->setBackground(palette().brush(QPalette::Dark));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->viewport()->installEventFilter(this);
    setCentralWidget(m_mdiArea);
    createMenus();
    // Room for the menu and a whole exam screen, within the screen the window opens on.
    QSize size(Twips::toPx(15000), Twips::toPx(10800));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 0.95);
    resize(size);
}

frmMain::~frmMain()
{
    if (s_instance == this)
        s_instance = nullptr;
    if (ScreenHost::current() == this)
        ScreenHost::setCurrent(nullptr);
}

void frmMain::OpenScreen(MenuCommand index)
{
    if (frmMenu *menu = menuForm())
        menu->OpenScreen(index);
}

void frmMain::SetStartExamEnabled(bool enabled)
{
    if (frmMenu *menu = menuForm())
        menu->Command1(MenuCommand::StartExam)->setEnabled(enabled);
}

void frmMain::OpenProgressChart(const QString &userName)
{
    if (!m_progress) {
        auto progress = std::make_unique<frmProgress>();
        QString error;
        if (!progress->loadView(&error)) {
            MessageBox::show(QStringLiteral("The progress chart could not be opened:\n") + error, MessageBox::OkOnly,
                MessageBox::Critical, QStringLiteral("Progress"));
            return;
        }
        // A window of its own over the screens, sized and moved freely.
        QMdiSubWindow *sub = addScreen(progress.get(),
            Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                | Qt::WindowCloseButtonHint);
        m_progress = progress.release();
        const QMdiSubWindow *menuWindow = m_menu ? qobject_cast<QMdiSubWindow *>(m_menu->parentWidget()) : nullptr;
        const int left = menuWindow ? menuWindow->frameGeometry().width() + 20 : 20;
        sub->resize(QSize(760, 520).boundedTo(
            QSize(qMax(320, clientSize().width() - left), qMax(240, clientSize().height() - 20))));
        sub->move(left, 20);
        sub->show();
        m_progress->Form_Load();
    }
    m_progress->showCandidate(userName);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(m_progress->parentWidget()))
        m_mdiArea->setActiveSubWindow(sub);
}

void frmMain::StudyDataChanged()
{
    if (m_progress)
        m_progress->refresh();
}

frmMain *frmMain::instance()
{
    return s_instance;
}

void frmMain::createMenus()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction *mnuReadMe = mnuFile->addAction(QStringLiteral("&Read Me"));
    mnuReadMe->setObjectName(QStringLiteral("mnuReadMe"));
    QAction *mnuLicense = mnuFile->addAction(QStringLiteral("&License"));
    mnuLicense->setObjectName(QStringLiteral("mnuLicense"));
    connect(mnuReadMe, &QAction::triggered, this, [this] { LoadMenu(QStringLiteral("ReadMe.txt")); });
    connect(mnuLicense, &QAction::triggered, this, [this] { LoadMenu(QStringLiteral("License.txt")); });
    mnuFile->addSeparator();
    QAction *mnuImport = mnuFile->addAction(QStringLiteral("&Import Questions..."));
    mnuImport->setObjectName(QStringLiteral("mnuImport"));
    QAction *mnuExport = mnuFile->addAction(QStringLiteral("&Export Questions..."));
    mnuExport->setObjectName(QStringLiteral("mnuExport"));
    connect(mnuImport, &QAction::triggered, this, &frmMain::ImportQuestions);
    connect(mnuExport, &QAction::triggered, this, &frmMain::ExportQuestions);
    // On a class's server only trainers see it (startClassroom).
    QAction *mnuQuestionStats = mnuFile->addAction(QStringLiteral("Question &Statistics..."));
    mnuQuestionStats->setObjectName(QStringLiteral("mnuQuestionStats"));
    connect(mnuQuestionStats, &QAction::triggered, this, &frmMain::QuestionStatistics);
    // Trainers only on a class's server, as the statistics.
    QAction *mnuEditQuestions = mnuFile->addAction(QStringLiteral("E&dit Questions..."));
    mnuEditQuestions->setObjectName(QStringLiteral("mnuEditQuestions"));
    connect(mnuEditQuestions, &QAction::triggered, this, [this] { EditQuestions(); });
    // Every candidate's figures: only on a class's server, only for trainers (startClassroom).
    QAction *mnuClass = mnuFile->addAction(QStringLiteral("&Class..."));
    mnuClass->setObjectName(QStringLiteral("mnuClass"));
    mnuClass->setVisible(false);
    connect(mnuClass, &QAction::triggered, this, &frmMain::ClassView);
}

bool frmMain::examRunning() const
{
    return m_exam && m_exam->isRunning();
}

frmImportQuestions *frmMain::ImportQuestions()
{
    // The pool is renumbered by an import: never under a running exam's questions.
    if (examRunning()) {
        MessageBox::show(QStringLiteral("Questions cannot be imported while an exam is running.\n"
                                        "Please end the exam first."),
            MessageBox::OkOnly, MessageBox::Exclamation, QStringLiteral("Import Questions"));
        return nullptr;
    }
    QStringList filters = QuestionBank::fileFilters();
    const std::optional<QString> chosen
        = FileDialog::getOpenFileName(this, QStringLiteral("Import Questions"), filters.join(QStringLiteral(";;")));
    if (!chosen || chosen->isEmpty())
        return nullptr;
    auto *preview = new frmImportQuestions(
        {BankImport::readFile(*chosen)}, QDir(gDbPath).filePath(QStringLiteral("Exam.mdb")), this);
    preview->setWindowModality(Qt::WindowModal);
    preview->show();
    return preview;
}

frmExportQuestions *frmMain::ExportQuestions()
{
    auto *dialog = new frmExportQuestions(QDir(gDbPath).filePath(QStringLiteral("Exam.mdb")), this);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

frmQuestionStats *frmMain::QuestionStatistics()
{
    // Not modal: a trainer keeps it open beside the screens. A double-clicked question opens in
    // the editor.
    if (!m_questionStats) {
        m_questionStats = new frmQuestionStats(this);
        connect(
            m_questionStats, &frmQuestionStats::questionActivated, this, [this](qint64 qid) { EditQuestions(qid); });
    }
    m_questionStats->show();
    m_questionStats->raise();
    m_questionStats->activateWindow();
    m_questionStats->refresh();
    return m_questionStats;
}

frmClass *frmMain::ClassView()
{
    // Not modal: a trainer keeps it open beside the screens while the class sits its exams.
    if (!m_class)
        m_class = new frmClass(this);
    m_class->show();
    m_class->raise();
    m_class->activateWindow();
    m_class->refresh();
    m_class->refreshLive();
    return m_class;
}

frmQuestionEditor *frmMain::EditQuestions(qint64 qid)
{
    // One editor: its unsaved edits are not lost to a second one.
    if (!m_questionEditor) {
        m_questionEditor = new frmQuestionEditor(this);
        if (!m_questionEditor->load()) {
            m_questionEditor->deleteLater();
            return nullptr;
        }
    }
    if (qid != 0)
        m_questionEditor->openQuestion(qid);
    m_questionEditor->show();
    m_questionEditor->raise();
    m_questionEditor->activateWindow();
    return m_questionEditor;
}

frmMenu *frmMain::menuForm() const
{
    return m_menu;
}

frmExam *frmMain::examForm() const
{
    return m_exam;
}

frmViewExam *frmMain::viewExamForm() const
{
    return m_viewExam;
}

frmProgress *frmMain::progressForm() const
{
    return m_progress;
}

QSize frmMain::clientSize() const
{
    return m_mdiArea->viewport()->size();
}

QMdiSubWindow *frmMain::addScreen(QWidget *screen, Qt::WindowFlags flags)
{
    QMdiSubWindow *sub = m_mdiArea->addSubWindow(screen, flags);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setOption(QMdiSubWindow::RubberBandMove, false);
    return sub;
}

frmExam *frmMain::createExamForm()
{
    m_exam = new frmExam;
    return m_exam;
}

frmViewExam *frmMain::createViewExamForm()
{
    m_viewExam = new frmViewExam;
    return m_viewExam;
}

void frmMain::start(const StartOptions &options)
{
    // 1. The menu screen is shown before anything else happens.
    m_menu = new frmMenu;
    QMdiSubWindow *menuWindow = addScreen(m_menu, Qt::SubWindow | Qt::FramelessWindowHint);
    menuWindow->setGeometry(0, 0, m_menu->width(), m_menu->height());
    show();
    menuWindow->show();
    m_menu->Form_Load();
    activateWindow();

    // Classroom mode: the command line's data source, else the settings' unless a file was named.
    QString dsn = options.classroomDsn;
    QString database = options.classroomDatabase;
    if (dsn.isEmpty() && options.databaseFolder.isEmpty()) {
        const QSettings settings(QStringLiteral("vesk"), QStringLiteral("vesk"));
        dsn = settings.value(QStringLiteral("dsn")).toString().trimmed();
        database = settings.value(QStringLiteral("db-name")).toString().trimmed();
    }
    if (!dsn.isEmpty()) {
        startClassroom(dsn, database);
        return;
    }

    // A database named on the command line serves this run; nothing else is looked at.
    if (!options.databaseFolder.isEmpty()) {
        gDbPath = options.databaseFolder;
        m_databaseRoad = DatabaseRoad::CommandLine;
        Form_Resize();
        return;
    }

    // 2. Exam.mdb beside the program (its name matched without regard to case).
    const QString candidate = AppFolder() + QStringLiteral("/Exam.mdb");
    if (FileExists(ConnectionPool::resolveFile(candidate))) {
        m_databaseRoad = DatabaseRoad::BesideProgram;
    } else if (const UserDatabase::Found own = UserDatabase::locate(); !own.folder.isEmpty()) {
        // An installed program keeps each person's exams in their own data folder.
        gDbPath = own.folder;
        m_databaseRoad = own.copied ? DatabaseRoad::InstalledCopy : DatabaseRoad::UserFolder;
        takeShippedPool(own);
    } else if (!options.askWhenMissing) {
        quitSilently();
        return;
    } else {
        // 3.-6. Ask for it; a cancel, an empty choice or another file ends the program silently.
        const std::optional<QString> chosen = FileDialog::getOpenFileName(
            this, QStringLiteral("Can't Find Exam.mdb"), QStringLiteral("(*.MDB) (*.mdb)"));
        // The whole file name must be Exam.mdb: "MyExam.mdb" would leave a folder that does not exist.
        const bool examFile = chosen && chosen->right(8).toUpper() == QLatin1String("EXAM.MDB")
            && (chosen->size() == 8 || chosen->at(chosen->size() - 9) == QLatin1Char('/')
                || chosen->at(chosen->size() - 9) == QLatin1Char('\\'));
        if (!examFile) {
            quitSilently();
            return;
        }
        gDbPath = chosen->left(chosen->size() - 8);
        m_databaseRoad = DatabaseRoad::Dialog;
    }
    // 7.
    if (gDbPath.isEmpty())
        gDbPath = AppFolder();
    Form_Resize();
}

void frmMain::startClassroom(const QString &dsn, const QString &database)
{
    // Every screen opens the class's server instead of Exam.mdb, which is not looked for. The
    // first open signs in and tells at once when the server cannot be reached: the failure path
    // then ends the program.
    gDbProvider = 3;
    gDSN = dsn;
    gDbName = database;
    gDbPath = AppFolder();
    m_databaseRoad = DatabaseRoad::Classroom;
    QString signedIn;
    bool trainer = false;
    {
        DbScope scope;
        if (!scope.isOpen())
            return;
        const std::shared_ptr<Connection> connection = scope->GetConnection();
        signedIn = connection->userName();
        // The question statistics show every candidate's answers, and so the key: trainers only.
        trainer = connection->database() && QuestionStats::mayRead(*connection->database());
    }
    setWindowTitle(QStringLiteral("%1 - %2").arg(QString::fromUtf8(VersionInfo::ProductName), signedIn));
    // The class's questions are the trainer's, loaded with vesk-buildpool --dsn; the menu's import
    // and export work on a file.
    for (const char *name : {"mnuImport", "mnuExport"}) {
        if (QAction *action = findChild<QAction *>(QString::fromLatin1(name)))
            action->setEnabled(false);
    }
    for (const char *name : {"mnuQuestionStats", "mnuEditQuestions", "mnuClass"}) {
        if (QAction *action = findChild<QAction *>(QString::fromLatin1(name)))
            action->setVisible(trainer);
    }
    Form_Resize();
}

void frmMain::takeShippedPool(const UserDatabase::Found &own)
{
    // After a package upgrade brings a newer shipped pool, the person's database takes its new and
    // reworded questions by their stable ids, keeping stored exams and imported questions. The
    // installed file's size and time tell whether it changed since the last start, so an
    // ordinary start opens nothing extra.
    if (own.installedCopy.isEmpty())
        return;
    const QFileInfo installed(own.installedCopy);
    const QString stamp
        = QStringLiteral("%1 %2").arg(installed.size()).arg(installed.lastModified().toMSecsSinceEpoch());
    QSettings settings(QStringLiteral("vesk"), QStringLiteral("vesk"));
    const QString key = QStringLiteral("pool/installedStamp");
    if (!own.copied && settings.value(key).toString() != stamp) {
        PoolStore::Report report;
        QString error;
        if (!PoolStore::carryShipped(
                own.installedCopy, QDir(own.folder).filePath(QStringLiteral("Exam.mdb")), &report, &error)) {
            // The exams stay usable with the pool they have; the next start tries again.
            qWarning("vesk: the newer question pool could not be taken over: %s", qPrintable(error));
            return;
        }
    }
    settings.setValue(key, stamp);
}

void frmMain::quitSilently()
{
    gQuitNoPrompt = true;
    m_quitting = true;
    close();
}

bool frmMain::QueryUnload()
{
    if (gQuitNoPrompt)
        return true;
    const int answer = MessageBox::show(QStringLiteral("Do you want to quit?"), MessageBox::YesNo, MessageBox::Question,
        QStringLiteral("Exit Exam"), MessageBox::DefaultButton1);
    return answer != MessageBox::No;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (!QueryUnload()) {
        event->ignore();
        return;
    }
    // The question editor asks before its unsaved edits are dropped; kept, the program stays.
    if (m_questionEditor && !gQuitNoPrompt && !m_questionEditor->close()) {
        event->ignore();
        return;
    }
    closeAllScreens();
    m_closed = true;
    m_quitting = true;
    event->accept();
}

void frmMain::closeAllScreens()
{
    // The exam and results screens close before the menu: an exam's closing handler still asks
    // the menu to show the results.
    QList<QWidget *> screens = LoadedForms();
    std::reverse(screens.begin(), screens.end());
    for (QWidget *screen : screens)
        UnloadIfLoaded(screen);
    // Screens that those closing handlers opened close too.
    for (int guard = 0; guard < 100 && !LoadedForms().isEmpty(); ++guard)
        UnloadIfLoaded(LoadedForms().constLast());
}

void frmMain::UnloadMe()
{
    close();
}

void frmMain::LoadMenu(const QString &FileName)
{
    // Beside the program, else in the installed data folder.
    const QString folder = DataFolders::documentFolder(FileName);
    const QString path = folder + QLatin1Char('/') + FileName;
    if (!FileExists(path)) {
        MessageBox::show(QStringLiteral("The file does not exist."), MessageBox::OkOnly, MessageBox::Critical,
            QStringLiteral("Missing File"));
        return;
    }
    DesktopShell::Request request;
    request.verb = QStringLiteral("Open");
    request.file = path;
    // There is no drive root to start in here; the document's own folder serves instead.
    request.workingDir = folder;
    request.hasOwner = true;
    DesktopShell::open(request);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mdiArea->viewport() && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::Form_Resize()
{
    const double clientWidth = Twips::fromPx(clientSize().width());
    const double clientHeight = Twips::fromPx(clientSize().height());
    QMdiSubWindow *menuWindow = m_menu ? qobject_cast<QMdiSubWindow *>(m_menu->parentWidget()) : nullptr;
    if (gMenuLoaded && menuWindow)
        trySetting(clientHeight, [&](int px) { menuWindow->resize(menuWindow->width(), px); });
    const double menuOuterWidth = menuWindow ? Twips::fromPx(menuWindow->frameGeometry().width()) : 0;

    auto fitScreen = [&](QWidget *screen, const auto &stretchInside) {
        auto *sub = screen ? qobject_cast<QMdiSubWindow *>(screen->parentWidget()) : nullptr;
        if (!sub)
            return;
        const int frameW = sub->width() - screen->width();
        const int frameH = sub->height() - screen->height();
        trySetting(clientHeight, [&](int px) { sub->resize(sub->width(), px); });
        trySetting(clientWidth - menuOuterWidth, [&](int px) { sub->resize(px, sub->height()); });
        // The layout inside the child window catches up later; size the screen now so that the
        // stretching below reads the new client width.
        screen->resize(sub->width() - frameW, sub->height() - frameH);
        stretchInside(Twips::fromPx(sub->width() - frameW));
    };
    if (gExamLoaded && m_exam)
        fitScreen(m_exam, [this](double width) { m_exam->fitToWidth(width); });
    if (gViewExamLoaded && m_viewExam)
        fitScreen(m_viewExam, [this](double width) { m_viewExam->fitToWidth(width); });
}
