#include "shell/frmMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "exam/frmExam.h"
#include "platform/GenModuleUi.h"
#include "review/frmViewExam.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "widgets/PngIcon.h"
#include "widgets/Twips.h"

namespace {
struct ButtonDesign {
    MenuCommand index;
    const char *caption;
    const char *toolTip;
    int top;
    const char *icon;
};

// Top to bottom; About stands above Exit.
constexpr ButtonDesign kButtons[] = {
    {MenuCommand::StartExam, "Start Exam", "Start your exam here...", 240, ":/icons/start.png"},
    {MenuCommand::ViewExam, "View Exam", "View exams results", 1095, ":/icons/results.png"},
    {MenuCommand::Dictionary, "Dictionary", "Testing Dictionary", 1950, ":/icons/dictionary.png"},
    {MenuCommand::Books, "Books", "Recommended Books", 2805, ":/icons/books.png"},
    {MenuCommand::Examples, "Examples", "Q&A Examples", 3660, ":/icons/examples.png"},
    {MenuCommand::About, "About", "", 4515, ":/icons/about.png"},
    {MenuCommand::Exit, "Exit", "Exit", 5370, ":/icons/exit.png"},
};

const char *const kDocuments[] = {"TDictionary.htm", "BookList.htm", "EssayQuestions.htm"};

// The exam and results screens are child windows with a caption and a close box only.
constexpr Qt::WindowFlags kScreenFlags
    = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
} // namespace

frmMenu::frmMenu(QWidget *parent)
    : QWidget(parent)
    , m_frame(new QGroupBox(QStringLiteral("Menu"), this))
{
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(QString());
    m_frame->setGeometry(Twips::rect(20, -10, 1110, 6320));
    m_frame->move(m_frame->x(), 0);
    InitResources();
    // The captions fit the narrow buttons in one line. Every size tried costs a font engine of its
    // own on the way to the first screen, so the search starts where the widths measured at the
    // frame's size (whose engine exists already) say it should; a little slack covers the rounding
    // of advances at smaller sizes, and each size is still checked as drawn.
    const auto widest = [](const auto &metrics) {
        return qMax(metrics.horizontalAdvance(QStringLiteral("Start Exam")),
            metrics.horizontalAdvance(QStringLiteral("Dictionary")));
    };
    QFont small = font();
    const int room = Twips::toPx(900) - 10;
    const double base = small.pointSizeF();
    const double widestAtBase = widest(QFontMetricsF(small));
    constexpr double kSlack = 2.0;
    double first = base;
    while (first > 6.0 && widestAtBase * first / base > room + kSlack)
        first -= 0.5;
    for (double size = first; size >= 6.0; size -= 0.5) {
        small.setPointSizeF(size);
        if (widest(QFontMetrics(small)) <= room)
            break;
    }
    for (const ButtonDesign &design : kButtons) {
        auto *button = new QToolButton(m_frame);
        button->setObjectName(QStringLiteral("Command1_%1").arg(static_cast<int>(design.index)));
        button->setText(QString::fromUtf8(design.caption));
        button->setToolTip(QString::fromUtf8(design.toolTip));
        button->setAccessibleName(QString::fromUtf8(design.caption));
        button->setIcon(PngIcon::fromFile(QString::fromUtf8(design.icon)));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFont(small);
        button->setGeometry(Twips::rect(100, design.top, 900, 850));
        const MenuCommand index = design.index;
        connect(button, &QToolButton::clicked, this, [this, index] { OpenScreen(index); });
        m_buttons[static_cast<int>(index)] = button;
    }
    resize(Twips::toPx(1155), Twips::toPx(6400));
}

void frmMenu::preloadIcons()
{
    InitResources();
    for (const ButtonDesign &design : kButtons)
        PngIcon::preload(QString::fromUtf8(design.icon));
}

frmMenu::~frmMenu()
{
    UnregisterLoadedForm(this);
}

QToolButton *frmMenu::Command1(MenuCommand index) const
{
    const int at = static_cast<int>(index);
    return at >= 0 && at < 7 ? m_buttons[at] : nullptr;
}

void frmMenu::Form_Load()
{
    RegisterLoadedForm(this);
    gMenuLoaded = true;
    if (frmMain *main = frmMain::instance()) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
            sub->resize(sub->width(), main->clientSize().height());
    }
}

void frmMenu::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmMenu::Form_Unload()
{
    UnregisterLoadedForm(this);
    gMenuLoaded = false;
}

void frmMenu::placeScreen(QWidget *screen)
{
    frmMain *main = frmMain::instance();
    auto *sub = qobject_cast<QMdiSubWindow *>(screen->parentWidget());
    auto *menuWindow = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!main || !sub || !menuWindow)
        return;
    // Left edge, width, height, top, in this order.
    sub->move(menuWindow->frameGeometry().width(), sub->y());
    sub->resize(main->clientSize().width(), sub->height());
    sub->resize(sub->width(), height());
    sub->move(sub->x(), 0);
    // Fitted at once, so that no part of the new screen lies beyond the right edge.
    main->Form_Resize();
}

void frmMenu::OpenScreen(MenuCommand ButtonIndex)
{
    frmMain *main = frmMain::instance();
    switch (ButtonIndex) {
    case MenuCommand::StartExam: {
        gExamLoaded = true;
        Command1(MenuCommand::StartExam)->setEnabled(false);
        if (main) {
            UnloadIfLoaded(main->examForm());
            frmExam *exam = main->createExamForm();
            main->addScreen(exam, kScreenFlags)->show();
            exam->Form_Load();
            placeScreen(exam);
            exam->Text1(ExamText::User)->setFocus();
            exam->OfferResume();
        }
        break;
    }
    case MenuCommand::ViewExam: {
        gViewExamLoaded = true;
        if (main) {
            UnloadIfLoaded(main->viewExamForm());
            frmViewExam *view = main->createViewExamForm();
            main->addScreen(view, kScreenFlags)->show();
            view->Form_Load();
            placeScreen(view);
        }
        break;
    }
    case MenuCommand::Dictionary:
    case MenuCommand::Books:
    case MenuCommand::Examples:
        QApplication::setOverrideCursor(Qt::WaitCursor);
        OpenDocument(
            QString::fromLatin1(kDocuments[static_cast<int>(ButtonIndex) - static_cast<int>(MenuCommand::Dictionary)]));
        QApplication::restoreOverrideCursor();
        break;
    case MenuCommand::Exit:
        if (main)
            main->UnloadMe();
        break;
    case MenuCommand::About: {
        frmAbout about(main);
        about.exec();
        break;
    }
    }
}
