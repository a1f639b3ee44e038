#include <map>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "TestSupport.h"
#include "VersionInfo.h"
#include "exam/frmExam.h"
#include "platform/DesktopShell.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "review/frmViewExam.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "widgets/ClickableLabel.h"

using namespace Qt::StringLiterals;
using Screens = QList<QWidget *>;

// The main window and its menu: the screens it opens, the documents, the about box, quitting.
class tst_shell final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::Program> m_program;
    frmMain *m_main = nullptr;

    QString folder() const { return m_program->folder(); }
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
    static void verifyOnlyBox(const QString &text, const QString &title, MessageBox::Buttons b, MessageBox::Icon icon)
    {
        const MessageBox::Shown box = MessageBox::shown().value(0);
        QCOMPARE(std::tuple(MessageBox::shown().size(), box.text, box.title, box.buttons, box.icon, box.defaultButton),
            std::tuple(qsizetype(1), text, title, b, icon, MessageBox::DefaultButton1));
    }

private slots:
    void init()
    {
        TestSupport::resetProgramState();
        m_program = std::make_unique<TestSupport::Program>();
        m_program->build({2, 2, 2, 2, 2, 2});
        m_main = m_program->start();
    }
    void cleanup() { m_program.reset(); }

    // The exam screen opens beside the menu; closing it hands over to the results screen, which View
    // Exam replaces; with every screen open, quitting asks first.
    void screensThenQuit_data() { TestSupport::addCases(u"screens/quit.tsv"_s); }
    void screensThenQuit()
    {
        const bool exitButton = QByteArray(QTest::currentDataTag()).startsWith("Exit");
        const int answer = QByteArray(QTest::currentDataTag()).endsWith("Yes") ? MessageBox::Yes : MessageBox::No;
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
        verifyOnlyBox(u"Do you want to quit?"_s, u"Exit Exam"_s, MessageBox::YesNo, MessageBox::Question);
        QCOMPARE(gMsgResult, QString::number(answer));
        const bool stays = answer == MessageBox::No;
        QCOMPARE(state(), std::tuple(stays, !stays, stays, stays, stays, stays ? screens : Screens()));
    }

    void documentButtons_data() { TestSupport::addCases(u"screens/document-buttons.tsv"_s); }
    void documentButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, document);
        QFETCH(QString, shellResult);
        QFETCH(QString, complains);
        DesktopShell::setHandler([&](const DesktopShell::Request &) { return shellResult.toInt(); });
        const std::map<QString, MenuCommand> buttons{{u"Dictionary"_s, MenuCommand::Dictionary},
            {u"Books"_s, MenuCommand::Books}, {u"Examples"_s, MenuCommand::Examples}};
        click(buttons.at(button));
        const DesktopShell::Request r = DesktopShell::requests().value(0);
        QCOMPARE(std::tuple(DesktopShell::requests().size(), r.file, r.verb, r.workingDir, r.hasOwner),
            std::tuple(qsizetype(1), document, QString(), folder(), false));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        if (complains == u"1")
            verifyOnlyBox(u"Can't Find "_s + document, u"File Error"_s, MessageBox::OkOnly, MessageBox::Exclamation);
        else
            QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(state(), menuOnly());
    }

    // About shows a modal box that only its "X" closes.
    void aboutBox()
    {
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
        QCOMPARE(seen, std::tuple(static_cast<QWidget *>(m_main), labels, true, int(QDialog::Accepted)));
        QCOMPARE(state(), menuOnly());
        QCOMPARE(m_main->mdiArea()->subWindowList().size(), 1);
        QVERIFY(DesktopShell::requests().isEmpty() && MessageBox::shown().isEmpty());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
};

QTEST_MAIN(tst_shell)
#include "tst_shell.moc"
