#pragma once

#include <QMainWindow>
#include <QPointer>

#include "platform/ScreenHost.h"
#include "shell/StartOptions.h"
#include "shell/UserDatabase.h"

class QMdiArea;
class QMdiSubWindow;
class frmExam;
class frmMenu;
class frmProgress;
class frmViewExam;

// The main window: holds every screen as a child window, finds the exam database at start-up
// and owns the end of the program.
class frmMain final : public QMainWindow, public ScreenHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    static frmMain *instance();

    // ScreenHost: the screens' requests go to the menu.
    void OpenScreen(MenuCommand index) override;
    void SetStartExamEnabled(bool enabled) override;
    void OpenProgressChart(const QString &userName) override;
    void StudyDataChanged() override;

    // How the start-up came to Exam.mdb.
    enum class DatabaseRoad { NotFound, CommandLine, BesideProgram, UserFolder, InstalledCopy, Dialog, Classroom };

    // The start-up sequence: shows the menu, then locates Exam.mdb.
    void start(const StartOptions &options = StartOptions());
    DatabaseRoad databaseRoad() const { return m_databaseRoad; }
    bool isQuitting() const { return m_quitting; }
    void UnloadMe();
    void LoadMenu(const QString &FileName);
    // Fits the open screens to the client area.
    void Form_Resize();

    QMdiArea *mdiArea() const { return m_mdiArea; }
    QSize clientSize() const;
    frmMenu *menuForm() const;
    frmExam *examForm() const;
    // File > Import Questions... and Export Questions...: the preview or the export choice, shown
    // window-modal (null when refused or cancelled).
    class frmImportQuestions *ImportQuestions();
    class frmExportQuestions *ExportQuestions();
    // File > Question Statistics...: one window, counted afresh each time it is asked for.
    class frmQuestionStats *QuestionStatistics();
    // File > Edit Questions...: one editor, opened on the question of `qid` when given (the
    // statistics' double-click). Null when the questions cannot be read.
    class frmQuestionEditor *EditQuestions(qint64 qid = 0);
    // File > Class...: the class's overview and live view, one window, read afresh when asked for.
    // Offered to trainers on a class's server only.
    class frmClass *ClassView();
    bool examRunning() const;
    frmViewExam *viewExamForm() const;
    frmProgress *progressForm() const;

    // Screens are made here so that the main window always knows the current one of each kind.
    frmExam *createExamForm();
    frmViewExam *createViewExamForm();
    QMdiSubWindow *addScreen(QWidget *screen, Qt::WindowFlags flags);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool QueryUnload();
    void closeAllScreens();
    void createMenus();
    void quitSilently();
    void startClassroom(const QString &dsn, const QString &database);
    static void takeShippedPool(const UserDatabase::Found &own);

    QMdiArea *m_mdiArea;
    QPointer<frmMenu> m_menu;
    QPointer<frmExam> m_exam;
    QPointer<frmViewExam> m_viewExam;
    DatabaseRoad m_databaseRoad = DatabaseRoad::NotFound;
    QPointer<frmProgress> m_progress;
    QPointer<class frmQuestionStats> m_questionStats;
    QPointer<class frmQuestionEditor> m_questionEditor;
    QPointer<class frmClass> m_class;
    bool m_quitting = false;
    bool m_closed = false;
};
