#include "exam/frmExam.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/ClockTimer.h"
#include "core/UserSettings.h"
#include "data/Connection.h"
#include "data/DataGlobals.h"
#include "data/DateFormat.h"
#include "data/ExamDraw.h"
#include "data/ExamQueries.h"
#include "data/ExamSchema.h"
#include "data/Mistakes.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/ScreenHost.h"
#include "widgets/ControlArray.h"
#include "widgets/ControlCharFilter.h"
#include "widgets/DataBinder.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionMapCell.h"
#include "widgets/QuestionNavigator.h"
#include "widgets/Twips.h"

namespace {
QString escaped(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('\''), QLatin1String("''"));
    return result;
}

QString minutesAndSeconds(int seconds)
{
    const int s = qMax(0, seconds);
    return QStringLiteral("%1:%2").arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

bool anotherBoxIsOpen()
{
    return MessageBox::openCount() > 0 || QApplication::activeModalWidget() != nullptr;
}

// A running exam stores its heartbeat this often; one older than kStaleSeconds was left by a
// program that is no longer running.
constexpr qint64 kHeartbeatSeconds = 30;
constexpr qint64 kStaleSeconds = 90;
} // namespace

frmExam::frmExam(QWidget *parent)
    : ScrollingScreen(parent)
    , m_timer(new ClockTimer(this))
    , m_heartbeat(new ClockTimer(this))
    , m_binder(new DataBinder(this))
{
    setObjectName(QStringLiteral("frmExam"));
    buildSetupColumn(content());
    buildQuestionArea(content());
    connect(m_timer, &ClockTimer::timeout, this, &frmExam::Timer1_Timer);
    // Checked every second, stored every 30: runs while the exam is paused too.
    m_heartbeat->setInterval(1000);
    connect(m_heartbeat, &ClockTimer::timeout, this, [this] {
        if (Clock::now().toSecsSinceEpoch() - m_lastBeat >= kHeartbeatSeconds)
            saveProgress();
    });
    // Reading order: the set-up column, its commands, then the question area top to bottom.
    QList<QWidget *> order{m_text1};
    for (QCheckBox *box : m_categories)
        order << box;
    for (QRadioButton *option : m_tasks)
        order << option;
    order << m_practise << Command1(0) << Command1(1) << Command1(4) << txtFields(0) << txtFields(7);
    for (int k = 0; k < 4; ++k)
        order << m_options[k] << txtFields(k + 1);
    order << Command1(2) << Command1(3) << Command1(5) << Command1(6) << m_flag << m_map;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    resize(Twips::toPx(9400), Twips::toPx(7300));
    updateContentSize();
}

frmExam::~frmExam()
{
    UnregisterLoadedForm(this);
}

void frmExam::buildSetupColumn(QWidget *content)
{
    auto label = [this](int index, const QString &caption, QWidget *parent, const QRect &twips) {
        auto *l = new QLabel(caption, parent);
        l->setObjectName(QStringLiteral("Label1_%1").arg(index));
        l->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        m_labels[index] = l;
        return l;
    };
    label(16, QStringLiteral("User:"), content, QRect(120, 150, 500, 285));
    m_text1 = new QLineEdit(content);
    m_text1->setObjectName(QStringLiteral("Text1_0"));
    m_text1->setAccessibleName(QStringLiteral("User"));
    m_text1->setGeometry(Twips::rect(650, 120, 1830, 330));
    m_text1->installEventFilter(this);
    // A control character (a NUL above all) would not survive the trip into the database.
    m_text1->setValidator(new ControlCharFilter(m_text1));

    auto *categories = new QGroupBox(QStringLiteral("Questions Category"), content);
    categories->setGeometry(Twips::rect(50, 540, 2430, 2520));
    m_frames[0] = categories;
    const QStringList captions = ExamSchema::categories() << QStringLiteral("All Categories");
    for (int i = 0; i < 7; ++i) {
        auto *box = new QCheckBox(captions.at(i), categories);
        box->setObjectName(QStringLiteral("chkCategory_%1").arg(i));
        box->setGeometry(Twips::rect(150, 300 + i * 290 + (i == 6 ? 120 : 0), 2200, 270));
        connect(box, &QCheckBox::toggled, this, [this, i] { chkCategory_Click(i); });
        m_categories[i] = box;
    }
    auto *line2 = new QFrame(categories);
    line2->setObjectName(QStringLiteral("Line2"));
    line2->setFrameShape(QFrame::HLine);
    line2->setFrameShadow(QFrame::Sunken);
    line2->setGeometry(Twips::rect(150, 300 + 6 * 290 + 20, 2130, 60));

    auto *count = new QGroupBox(QStringLiteral("Number of Questions"), content);
    count->setGeometry(Twips::rect(50, 3120, 2430, 1570));
    m_frames[1] = count;
    const int counts[] = {10, 30, 50};
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(QStringLiteral("%1 questions").arg(counts[i]), count);
        option->setObjectName(QStringLiteral("optTask_%1").arg(i));
        option->setGeometry(Twips::rect(150, 300 + i * 270, 2200, 270));
        connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optTask_Click(i);
        });
        m_tasks[i] = option;
    }
    // Drills the candidate's mistakes; kept between runs. The caption takes two lines of the
    // narrow column.
    m_practise = new QCheckBox(QStringLiteral("Only questions I\nanswered wrong before"), count);
    m_practise->setObjectName(QStringLiteral("chkPractise"));
    m_practise->setAccessibleName(QStringLiteral("Only questions I answered wrong before"));
    m_practise->setToolTip(QStringLiteral("Draw only questions whose latest answer under this name was wrong or "
                                          "missing"));
    m_practise->setGeometry(Twips::rect(150, 1110, 2250, 420));
    connect(m_practise, &QCheckBox::toggled, this, [](bool on) { UserSettings::setPractiseMistakes(on); });

    auto *panel = new QGroupBox(content);
    panel->setGeometry(Twips::rect(50, 4750, 2430, 2880));
    m_frames[2] = panel;
    auto command = [this, panel](int index, const QString &caption, const QRect &twips) {
        auto *b = new QPushButton(caption, panel);
        b->setObjectName(QStringLiteral("Command1_%1").arg(index));
        b->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        connect(b, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        m_commands[index] = b;
    };
    command(0, QStringLiteral("Start Exam"), QRect(120, 200, 1060, 400));
    command(1, QStringLiteral("End Exam"), QRect(1250, 200, 1060, 400));
    command(4, QStringLiteral("Pause"), QRect(120, 680, 2190, 400));
    const std::pair<int, const char *> captionsOfClock[]
        = {{0, "Exam Date:"}, {1, "Start Time:"}, {2, "Duration:"}, {15, "Time Left:"}, {3, "Questions Left:"}};
    const int valueIndex[] = {7, 8, 9, 10, 11};
    for (int row = 0; row < 5; ++row) {
        const int top = 1250 + row * 320;
        label(captionsOfClock[row].first, QString::fromUtf8(captionsOfClock[row].second), panel,
            QRect(120, top, 1300, 285));
        QLabel *value = label(valueIndex[row], QString(), panel, QRect(1430, top, 960, 285));
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
    }
}

void frmExam::buildQuestionArea(QWidget *content)
{
    auto *area = new QGroupBox(QStringLiteral("Exam"), content);
    area->setGeometry(Twips::rect(2500, 30, 6735, 8330));
    area->setVisible(false);
    m_frames[3] = area;

    auto heading = [this, area](int index, const QString &caption, int top) {
        auto *l = new QLabel(caption, area);
        l->setObjectName(QStringLiteral("Label1_%1").arg(index));
        l->setGeometry(Twips::rect(30, top, 715, 285));
        m_labels[index] = l;
    };
    auto textBox = [this, area](int index, const QRect &twips, bool multiLine) -> QWidget * {
        QWidget *box = nullptr;
        if (multiLine) {
            auto *edit = new QPlainTextEdit(area);
            edit->setReadOnly(true);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setTabChangesFocus(true);
            QFont larger = edit->font();
            larger.setPointSizeF(larger.pointSizeF() + 1);
            edit->setFont(larger);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, index] { txtFields_Change(index); });
            box = edit;
        } else {
            auto *edit = new QLineEdit(area);
            edit->setReadOnly(true);
            connect(edit, &QLineEdit::textChanged, this, [this, index] { txtFields_Change(index); });
            box = edit;
        }
        box->setObjectName(QStringLiteral("txtFields_%1").arg(index));
        box->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        m_txtFields[index] = box;
        return box;
    };

    heading(17, QStringLiteral("Question"), 330);
    textBox(0, QRect(750, 300, 5775, 1560), true)->setAccessibleName(QStringLiteral("Question"));
    heading(4, QStringLiteral("Category"), 2000);
    textBox(7, QRect(750, 1960, 5775, 330), false)->setAccessibleName(QStringLiteral("Category"));
    const QString letters = QStringLiteral("ABCD");
    for (int k = 0; k < 4; ++k) {
        const int top = 2480 + k * 1000;
        auto *option = new QRadioButton(letters.mid(k, 1), area);
        option->setObjectName(QStringLiteral("Option1_%1").arg(k));
        option->setGeometry(Twips::rect(150, top + 300, 560, 285));
        connect(option, &QRadioButton::toggled, this, [this, k](bool on) {
            if (on)
                Option1_Click(k);
        });
        m_options[k] = option;
        textBox(k + 1, QRect(750, top, 5775, 900), true)->setAccessibleName(QStringLiteral("Answer ") + letters.at(k));
    }
    // Hidden bound controls that carry the row's key and answer.
    textBox(5, QRect(750, 0, 600, 285), false)->setVisible(false);
    textBox(6, QRect(1400, 0, 600, 285), false)->setVisible(false);
    m_check1 = new QCheckBox(area);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setVisible(false);

    const int navTop = 6560;
    const int navLefts[] = {750, 1200, 5175, 5625};
    m_commands.merge(
        QuestionNavigator::createButtons(area, navLefts, navTop, [this](int index) { Command1_Click(index); }));
    m_lblStatus = new QLabel(area);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setAlignment(Qt::AlignCenter);
    m_lblStatus->setGeometry(Twips::rect(1700, navTop + 50, 3400, 300));
    // The picture buttons say their keys.
    static const std::pair<int, const char *> keys[]
        = {{2, "First question (Home)"}, {3, "Previous question (Left or Page Up)"},
            {5, "Next question (Right or Page Down)"}, {6, "Last question (End)"}};
    for (const auto &[index, tip] : keys)
        Command1(index)->setToolTip(QString::fromLatin1(tip));

    auto *flag = new QCheckBox(QStringLiteral("Flag for review"), area);
    flag->setObjectName(QStringLiteral("chkFlag"));
    flag->setAccessibleName(QStringLiteral("Flag for review"));
    flag->setToolTip(QStringLiteral("Flag the question for review (F)"));
    flag->setGeometry(Twips::rect(150, navTop + 470, 1700, 345));
    connect(flag, &QCheckBox::clicked, this, [this](bool on) { setFlagged(on); });
    m_flag = flag;
    auto *legend = new QLabel(QStringLiteral("Map: filled = answered, orange corner = flagged, "
                                             "dark frame = on screen. Keys: A-D, arrows, Home, End, F."),
        area);
    legend->setObjectName(QStringLiteral("lblMapLegend"));
    legend->setWordWrap(true);
    QFont small = legend->font();
    small.setPointSizeF(small.pointSizeF() - 1);
    legend->setFont(small);
    legend->setGeometry(Twips::rect(1950, navTop + 440, 4600, 420));
    m_map = new QuestionMap(area);
    m_map->setGeometry(Twips::rect(150, navTop + 900, 6400, 780));
    connect(m_map, &QuestionMap::cellActivated, this, [this](int row) {
        if (m_rsExam)
            m_rsExam->setAbsolutePosition(row + 1);
    });
    // The exam's keys work wherever the focus is in the question area.
    for (QWidget *child : area->findChildren<QWidget *>())
        watchKeys(child);
}

QLineEdit *frmExam::Text1(int index) const
{
    return index == 0 ? m_text1 : nullptr;
}

QLabel *frmExam::Label1(int index) const
{
    return controlAt(m_labels, index);
}

QGroupBox *frmExam::Frame1(int index) const
{
    return controlAt(m_frames, index);
}

QCheckBox *frmExam::chkCategory(int index) const
{
    return index >= 0 && index < 7 ? m_categories[index] : nullptr;
}

QRadioButton *frmExam::optTask(int index) const
{
    return index >= 0 && index < 3 ? m_tasks[index] : nullptr;
}

QAbstractButton *frmExam::Command1(int index) const
{
    return controlAt(m_commands, index);
}

QRadioButton *frmExam::Option1(int index) const
{
    return index >= 0 && index < 4 ? m_options[index] : nullptr;
}

QWidget *frmExam::txtFields(int index) const
{
    return controlAt(m_txtFields, index);
}

QString frmExam::txtFieldsText(int index) const
{
    return DataBinder::textOf(txtFields(index));
}

// --- Set-up -------------------------------------------------------------------------------

void frmExam::Form_Load()
{
    RegisterLoadedForm(this);
    setWindowTitle(QStringLiteral(" Set New Exam"));
    gExamLoaded = true;
    for (QAbstractButton *b : {Command1(0), Command1(1), Command1(4)})
        b->setEnabled(false);
    for (QRadioButton *option : m_tasks) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
    m_tasks[0]->setChecked(true);
    m_practise->setChecked(UserSettings::practiseMistakes());
    // On a class's server every exam is its candidate's: the name is the signed-in role's.
    if (ClassroomMode()) {
        gDB = std::make_unique<cDBAccess>();
        gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
        const QString signedIn = gConnection ? gConnection->userName() : QString();
        gDB.reset();
        m_text1->setText(signedIn);
        m_text1->setReadOnly(true);
    }
}

void frmExam::optTask_Click(int Index)
{
    static constexpr int counts[] = {10, 30, 50};
    if (Index >= 0 && Index < 3)
        gNumOfQuestions = counts[Index];
}

void frmExam::chkCategory_Click(int Index)
{
    // The rules' own changes to the boxes do not run the rules again.
    if (m_applyingRules)
        return;
    m_applyingRules = true;
    if (Index == ExamDraw::kAllCategories) {
        for (int i = 0; i < 6; ++i)
            m_categories[i]->setChecked(false);
        Command1(0)->setEnabled(m_categories[6]->isChecked());
    } else {
        m_categories[6]->setChecked(false);
        bool any = false;
        for (int i = 0; i < 6; ++i)
            any = any || m_categories[i]->isChecked();
        Command1(0)->setEnabled(any);
    }
    m_applyingRules = false;
}

bool frmExam::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched != m_text1 && handleExamKey(static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == m_text1 && event->type() == QEvent::FocusOut) {
        // Only a move to another control of the program counts, not the window losing
        // activation, a popup, a box of our own or the screen closing.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool moved = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
        QWidget *next = QApplication::focusWidget();
        if (moved && !m_unloading && next && next != m_text1 && !qobject_cast<QMdiSubWindow *>(next)) {
            const QPointer<QWidget> clicked = next;
            const bool refused = m_text1->text().trimmed().isEmpty();
            Text1_LostFocus(0);
            // A button pressed on the way out never sees its release once the box has shown: let
            // it come up again once its press has been handled.
            if (auto *button = qobject_cast<QAbstractButton *>(clicked.data()); button && refused)
                QMetaObject::invokeMethod(
                    button, [button] { button->setDown(false); }, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmExam::watchKeys(QWidget *widget)
{
    if (widget)
        widget->installEventFilter(this);
}

// The exam's keys, ahead of the widgets' own meanings (an option button's arrows, a text box's
// scrolling keys): A-D or 1-4 answer, Left/Right and Page Up/Down move, Home/End go to the ends,
// F flags.
bool frmExam::handleExamKey(QKeyEvent *event)
{
    if (!m_rsExam || m_ending || !Frame1(3)->isVisible() || !Frame1(3)->isEnabled())
        return false;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int key = event->key();
    int letter = -1;
    if (key >= Qt::Key_A && key <= Qt::Key_D)
        letter = key - Qt::Key_A;
    else if (key >= Qt::Key_1 && key <= Qt::Key_4)
        letter = key - Qt::Key_1;
    if (letter >= 0) {
        if (m_options[letter]->isEnabled())
            m_options[letter]->setChecked(true);
        return true;
    }
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        Command1_Click(3);
        return true;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        Command1_Click(5);
        return true;
    case Qt::Key_Home:
        Command1_Click(2);
        return true;
    case Qt::Key_End:
        Command1_Click(6);
        return true;
    case Qt::Key_F:
        if (m_flag->isEnabled())
            setFlagged(!m_flag->isChecked());
        return true;
    default:
        return false;
    }
}

void frmExam::Text1_LostFocus(int Index)
{
    Q_UNUSED(Index)
    if (!m_text1->text().trimmed().isEmpty())
        return;
    MessageBox::show(QStringLiteral("User name can not be blank."), MessageBox::OkOnly, MessageBox::Critical,
        QStringLiteral("User Name"));
    m_text1->activateWindow();
    m_text1->setFocus(Qt::OtherFocusReason);
}

void frmExam::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmExam::Form_Unload()
{
    if (m_unloading)
        return;
    m_unloading = true;
    if (!m_ending)
        EndExam();
    gExamLoaded = false;
    m_timer->stop();
    m_heartbeat->stop();
    if (ScreenHost *host = ScreenHost::current())
        host->SetStartExamEnabled(true);
    UnregisterLoadedForm(this);
}

// --- Commands -----------------------------------------------------------------------------

void frmExam::Command1_Click(int Index)
{
    switch (Index) {
    case 0: {
        if (m_text1->text().trimmed().isEmpty()) {
            m_text1->setFocus(Qt::OtherFocusReason);
            MessageBox::show(QStringLiteral("Please enter the name"), MessageBox::OkOnly, MessageBox::Critical,
                QStringLiteral("Missing name"));
            return;
        }
        if (!checkDrawable())
            return;
        Command1(0)->setEnabled(false);
        Command1(1)->setEnabled(true);
        Command1(4)->setEnabled(true);
        Frame1(0)->setEnabled(false);
        Frame1(1)->setEnabled(false);
        StartExam();
        if (m_examId == 0) {
            returnToSetup();
            return;
        }
        ShowQuestion();
        break;
    }
    case 1:
        EndExam();
        break;
    case 4:
        if (Command1(4)->text() == QLatin1String("Pause")) {
            Command1(4)->setText(QStringLiteral("Continue"));
            m_timer->stop();
        } else {
            Command1(4)->setText(QStringLiteral("Pause"));
            m_timer->start();
        }
        break;
    case 2:
    case 3:
    case 5:
    case 6:
        QuestionNavigator::move(m_rsExam.get(), Index);
        break;
    default:
        break;
    }
}

void frmExam::EndExam()
{
    if (m_ending)
        return;
    m_ending = true;
    // The answer on screen counts too: store it before the exam is scored.
    if (m_rsExam)
        m_rsExam->Update();
    for (QAbstractButton *b : {Command1(0), Command1(1), Command1(4)})
        b->setEnabled(false);
    Frame1(0)->setEnabled(true);
    Frame1(1)->setEnabled(true);
    m_applyingRules = true;
    for (QCheckBox *box : m_categories)
        box->setChecked(false);
    m_applyingRules = false;
    m_timer->stop();
    m_heartbeat->stop();
    for (int i = 7; i <= 11; ++i)
        Label1(i)->clear();
    setWindowTitle(QStringLiteral(" End Exam"));
    m_text1->clear();
    m_text1->setFocus(Qt::OtherFocusReason);
    Frame1(3)->setVisible(false);
    // A screen on which no exam was started has nothing to score.
    if (m_examId != 0)
        CalculateResult();
    gRs.reset();
    gDB.reset();
    if (ScreenHost *host = ScreenHost::current()) {
        // An open progress chart gains the exam just scored.
        if (m_examId != 0)
            host->StudyDataChanged();
        host->OpenScreen(1);
    }
    if (!m_unloading)
        UnloadIfLoaded(this);
}

void frmExam::returnToSetup()
{
    m_timer->stop();
    m_heartbeat->stop();
    for (int i = 7; i <= 11; ++i)
        Label1(i)->clear();
    setWindowTitle(QStringLiteral(" Set New Exam"));
    Frame1(0)->setEnabled(true);
    Frame1(1)->setEnabled(true);
    Command1(0)->setEnabled(true);
    Command1(1)->setEnabled(false);
    Command1(4)->setEnabled(false);
    Frame1(3)->setVisible(false);
}

bool frmExam::checkDrawable()
{
    ExamDraw::Ticked ticked{};
    for (int i = 0; i < 7; ++i)
        ticked[size_t(i)] = m_categories[i]->isChecked();
    if (m_practise->isChecked())
        return checkPractiseDrawable(ticked);
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = QStringLiteral("SELECT Category, Count(*) AS Questions FROM Q_A GROUP BY Category");
    gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
    if (!gRs)
        return false;
    ExamDraw::Stock stock{};
    int poolSize = 0;
    const QStringList captions = ExamSchema::categories();
    for (gRs->MoveFirst(); !gRs->Eof(); gRs->MoveNext()) {
        const int count = gRs->Fields(QStringLiteral("Questions")).toInt();
        poolSize += count;
        const int index = captions.indexOf(gRs->Fields(QStringLiteral("Category")).toString());
        if (index >= 0)
            stock[size_t(index)].count = count;
    }
    gRs.reset();
    gDB.reset();
    return reportShortage(ExamDraw::findShortage(gNumOfQuestions, ticked, stock, poolSize), QString());
}

bool frmExam::checkPractiseDrawable(const ExamDraw::Ticked &ticked)
{
    // The name exactly as typed: another spelling is another candidate.
    const QString name = m_text1->text();
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    const Mistakes mistakes = Mistakes::of(*gDB, name);
    gDB.reset();
    if (AppExit::requested())
        return false;
    if (mistakes.isEmpty()) {
        MessageBox::show(QStringLiteral("%1 has no questions answered wrong before: the latest answer to every "
                                        "question taken under this name was right.\n"
                                        "Please clear \"Only questions I answered wrong before\" to draw from "
                                        "the whole pool.")
                             .arg(name),
            MessageBox::OkOnly, MessageBox::Information, QStringLiteral("No Mistakes to Practise"));
        return false;
    }
    return reportShortage(ExamDraw::findShortage(gNumOfQuestions, ticked, ExamDraw::stockOf(mistakes.byCategory),
                              ExamDraw::poolSizeOf(mistakes.byCategory)),
        QStringLiteral(" answered wrong before"));
}

bool frmExam::reportShortage(const std::optional<ExamDraw::Shortage> &shortage, const QString &kind)
{
    if (!shortage)
        return true;
    const QString where = shortage->category < 0
        ? QStringLiteral("The question pool")
        : QStringLiteral("The category \"%1\"").arg(ExamSchema::categories().at(shortage->category));
    MessageBox::show(QStringLiteral("%1 has %2 question(s)%3, but this exam needs %4 from it.\n"
                                    "Please tick other categories or choose fewer questions.")
                         .arg(where)
                         .arg(shortage->has)
                         .arg(kind)
                         .arg(shortage->needs),
        MessageBox::OkOnly, MessageBox::Exclamation, QStringLiteral("Not Enough Questions"));
    return false;
}

// --- Clock --------------------------------------------------------------------------------

void frmExam::StartExam()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QDateTime now = Clock::now();
    Label1(7)->setText(DateFormat::format(now, QStringLiteral("mm/dd/yy")));
    Label1(8)->setText(DateFormat::format(now, QStringLiteral("hh:mm AMPM")));
    // 1.2 minutes a question: 12, 36 or 60.
    const int minutes = gNumOfQuestions * 6 / 5;
    Label1(9)->setText(QString::number(minutes) + QStringLiteral(" minutes"));
    Label1(10)->setText(QString::number(gNumOfQuestions));
    Label1(11)->setText(QString::number(gNumOfQuestions));
    // An hour is shown one second short, as the clock shows minutes and seconds only.
    gTimeLeft = minutes == 60 ? 59 * 60 + 59 : minutes * 60;
    Label1(10)->setText(minutesAndSeconds(gTimeLeft));
    setWindowTitle(QStringLiteral(" Exam: ") + m_text1->text());
    m_timeOverShown = false;
    m_timer->setInterval(1000);
    m_timer->start();
    CreateExam();
    QApplication::restoreOverrideCursor();
}

void frmExam::Timer1_Timer()
{
    if (m_timeOverShown || m_ending)
        return;
    if (gTimeLeft > 0) {
        --gTimeLeft;
        Label1(10)->setText(minutesAndSeconds(gTimeLeft));
    }
    if (gTimeLeft > 0)
        return;
    // No screen is closed while one of its handlers waits on a box: try again on the next tick.
    if (anotherBoxIsOpen())
        return;
    m_timeOverShown = true;
    MessageBox::show(QStringLiteral("The exam time is over.\n       Thank you."), MessageBox::OkOnly,
        MessageBox::Critical, QStringLiteral("Exam Time"));
    Command1_Click(1);
}

// --- Creation -----------------------------------------------------------------------------

std::vector<int> frmExam::drawPool(const ExamDraw::Ticked &ticked, std::mt19937 &rng)
{
    ExamDraw::Stock stock{};
    int poolSize = 0;
    if (ticked[ExamDraw::kAllCategories]) {
        gSQL = QStringLiteral("SELECT * FROM Q_A");
        gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
        if (!gRs)
            return {};
        poolSize = gRs->Eof() ? 0 : gRs->RecordCount();
    } else {
        for (int c = 0; c < 6; ++c) {
            if (!ticked[size_t(c)])
                continue;
            gSQL = QStringLiteral("SELECT * FROM Q_A WHERE Category = '") + m_categories[c]->text()
                + QStringLiteral("' ORDER BY QID ");
            gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
            if (!gRs)
                return {};
            if (gRs->Eof())
                continue;
            gRs->MoveFirst();
            stock[size_t(c)].lowQID = gRs->Fields(QStringLiteral("QID")).toInt();
            gRs->MoveLast();
            stock[size_t(c)].highQID = gRs->Fields(QStringLiteral("QID")).toInt();
            stock[size_t(c)].count = gRs->RecordCount();
        }
    }
    gRs.reset();
    return ExamDraw::drawSlots(gNumOfQuestions, ticked, stock, poolSize, rng);
}

bool frmExam::CreateExam()
{
    m_examId = 0;
    const QString name = m_text1->text();
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    if (AppExit::requested())
        return false;
    // The exam is stored whole or not at all, with one sync of the file.
    gDB->BeginBatch();
    // ISO 8601 reads back as the same moment whatever the locale.
    const QString now = Clock::now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    gSQL = QStringLiteral("INSERT INTO ExamTitle(UserName,ExamDate,NumOfQuestions) ") + QStringLiteral(" VALUES('")
        + escaped(name) + QStringLiteral("', ") + QStringLiteral(" '") + now + QStringLiteral("','")
        + QString::number(gNumOfQuestions) + QStringLiteral("') ");
    if (!gDB->ExecuteSQL(gSQL)) {
        failCreation(gDB->mLastError);
        return false;
    }
    // The key this insert was given, read on the same connection.
    gSQL = QStringLiteral("SELECT @@IDENTITY");
    gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
    if (!gRs) {
        gDB->RollbackBatch();
        return false;
    }
    const qint32 examId = qint32(gRs->value(0, 0).toLongLong());
    gRs.reset();

    ExamDraw::Ticked ticked{};
    for (int i = 0; i < 7; ++i)
        ticked[size_t(i)] = m_categories[i]->isChecked();
    std::mt19937 rng = ExamDraw::seededFromClock();
    const bool practise = m_practise->isChecked();
    std::vector<int> drawn;
    if (practise) {
        // From the candidate's mistakes, and marked as a practice exam in the same transaction.
        drawn = ExamDraw::drawFromLists(gNumOfQuestions, ticked, Mistakes::of(*gDB, name).byCategory, rng);
        if (!gDB->ExecuteSQL(ExamQueries::markPractice(examId))) {
            failCreation(gDB->mLastError);
            return false;
        }
    } else {
        drawn = drawPool(ticked, rng);
        if (AppExit::requested())
            return false;
    }

    for (const int qid : drawn) {
        gSQL = QStringLiteral("INSERT INTO ExamDetails(ExamID,UserName,QID) ") + QStringLiteral(" VALUES('")
            + QString::number(examId) + QStringLiteral("','") + escaped(m_text1->text()) + QStringLiteral("','")
            + QString::number(qid) + QStringLiteral("')");
        if (qid == 0 || !gDB->ExecuteSQL(gSQL)) {
            failCreation(qid == 0 ? QStringLiteral("not enough questions to draw from") : gDB->mLastError);
            return false;
        }
    }
    // Its progress row: a crash from here on leaves an exam that can be continued.
    m_lastBeat = Clock::now().toSecsSinceEpoch();
    if (!gDB->ExecuteSQL(ExamQueries::createProgress(examId, gTimeLeft, m_lastBeat, RunToken()))) {
        failCreation(gDB->mLastError);
        return false;
    }
    if (!gDB->CommitBatch()) {
        failCreation(gDB->mLastError);
        return false;
    }
    m_examId = examId;
    gExamID = examId;
    gRs.reset();
    gDB.reset();
    return true;
}

void frmExam::failCreation(QString reason)
{
    // Nothing of a half-stored exam stays behind.
    gRs.reset();
    if (gDB)
        gDB->RollbackBatch();
    gDB.reset();
    MessageBox::show(QStringLiteral("The exam could not be stored:\n") + reason, MessageBox::OkOnly,
        MessageBox::Critical, QStringLiteral("Exam Not Stored"));
}

// --- Questions ----------------------------------------------------------------------------

void frmExam::ShowQuestion()
{
    Frame1(3)->setVisible(true);
    updateContentSize();
    clearOptions();
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = ExamQueries::examQuestions(m_examId, false);
    m_rsExam = gDB->GetRS(gSQL, 3, 3, 3, 0);
    if (!m_rsExam)
        return;
    connect(m_rsExam.get(), &Recordset::moveComplete, this, &frmExam::rsExam_MoveComplete);
    connect(m_rsExam.get(), &Recordset::writeFailed, this, &frmExam::reportAnswerNotStored);
    static const std::pair<int, const char *> fields[]
        = {{0, "Question"}, {1, "A"}, {2, "B"}, {3, "C"}, {4, "D"}, {5, "DetailID"}, {6, "Answer"}, {7, "Category"}};
    for (const auto &field : fields)
        m_binder->bind(txtFields(field.first), QString::fromLatin1(field.second));
    m_binder->bind(m_check1, QStringLiteral("Answered"));
    m_binder->setRecordset(m_rsExam);

    // Flags and the heartbeat live in side tables a read-only database of an earlier version lacks.
    m_sideTables = hasSideTables();
    m_flagged.clear();
    if (m_sideTables) {
        gDB = std::make_unique<cDBAccess>();
        gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
        gSQL = ExamQueries::flagsOfExam(m_examId);
        gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
        for (; gRs && !gRs->Eof(); gRs->MoveNext())
            m_flagged.insert(gRs->Fields(QStringLiteral("DetailID")).toInt());
        gRs.reset();
        gDB.reset();
        m_rsExam->setWriteBackCompanion([this] { return progressStatement(); });
        m_heartbeat->start();
    }
    m_flag->setEnabled(m_sideTables);
    m_map->setCount(m_rsExam->RecordCount());
    for (int row = 0; row < m_map->count(); ++row)
        watchKeys(m_map->cell(row));
    connect(m_rsExam.get(), &Recordset::valueChanged, this, [this](int row, int) { refreshMapRow(row); });
    refreshMap();
    // The status line is filled at once rather than at the first move.
    rsExam_MoveComplete();
}

void frmExam::clearOptions()
{
    for (gIndex = 0; gIndex <= 3; ++gIndex) {
        QRadioButton *option = m_options[gIndex];
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void frmExam::txtFields_Change(int Index)
{
    if (Index == 6) {
        const QString answer = txtFieldsText(6);
        const int letter
            = QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")}.indexOf(
                answer);
        if (letter >= 0)
            m_options[letter]->setChecked(true);
        else
            clearOptions();
    }
    m_options[2]->setEnabled(!txtFieldsText(3).isEmpty());
    m_options[3]->setEnabled(!txtFieldsText(4).isEmpty());
}

void frmExam::Option1_Click(int Index)
{
    DataBinder::setTextOf(txtFields(6), m_options[Index]->text());
    m_check1->setChecked(true);
    if (m_rsExam)
        refreshMapRow(m_rsExam->currentRow());
}

// --- Question map and flags ---------------------------------------------------------------

bool frmExam::isFlagged(int row) const
{
    const QVariant detail
        = m_rsExam ? m_rsExam->value(row, m_rsExam->fieldIndex(QStringLiteral("DetailID"))) : QVariant();
    return detail.isValid() && m_flagged.count(detail.toInt()) > 0;
}

void frmExam::refreshMapRow(int row)
{
    if (!m_rsExam)
        return;
    // As the candidate sees the row, the answer just ticked included.
    const QVariant answered = m_rsExam->value(row, m_rsExam->fieldIndex(QStringLiteral("Answered")));
    m_map->setState(row, !answered.isNull() && answered.toLongLong() != 0, isFlagged(row));
}

void frmExam::refreshMap()
{
    for (int row = 0; row < m_map->count(); ++row)
        refreshMapRow(row);
    if (m_rsExam)
        m_map->setCurrent(m_rsExam->currentRow());
}

void frmExam::setFlagged(bool flagged)
{
    const int row = m_rsExam ? m_rsExam->currentRow() : -1;
    const QVariant detail = m_rsExam ? m_rsExam->Fields(QStringLiteral("DetailID")) : QVariant();
    if (!m_sideTables || !detail.isValid()) {
        m_flag->setChecked(false);
        return;
    }
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = ExamQueries::setFlag(detail.toInt(), flagged);
    if (gDB->ExecuteSQL(gSQL)) {
        if (flagged)
            m_flagged.insert(detail.toInt());
        else
            m_flagged.erase(detail.toInt());
    } else {
        const QString reason = gDB->mLastError;
        gDB.reset();
        MessageBox::show(QStringLiteral("The flag could not be stored:\n") + reason, MessageBox::OkOnly,
            MessageBox::Critical, QStringLiteral("Flag Not Stored"));
    }
    gDB.reset();
    m_flag->setChecked(isFlagged(row));
    refreshMapRow(row);
}

// --- Progress and resuming ----------------------------------------------------------------

QString frmExam::progressStatement()
{
    if (m_examId == 0 || !m_sideTables)
        return QString();
    m_lastBeat = Clock::now().toSecsSinceEpoch();
    return ExamQueries::updateProgress(m_examId, gTimeLeft, m_lastBeat, RunToken());
}

void frmExam::saveProgress()
{
    const QString sql = progressStatement();
    if (sql.isEmpty())
        return;
    // A missed heartbeat is harmless: the next one follows, and a write failure of an answer is
    // reported where the answer is stored.
    cDBAccess db;
    if (db.Open_Connection(gDbProvider, QString(), gDbName, gDSN))
        db.ExecuteSQL(sql);
}

bool frmExam::hasSideTables()
{
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    bool found = true;
    for (const QString &table : {QStringLiteral("ExamProgress"), QStringLiteral("ExamFlags")}) {
        gSQL = ExamQueries::tableExists(table);
        gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
        found = found && gRs && gRs->Fields(QStringLiteral("Found")).toInt() > 0;
        gRs.reset();
    }
    gDB.reset();
    return found;
}

void frmExam::OfferResume()
{
    if (m_examId != 0)
        return;
    m_sideTables = hasSideTables();
    if (!m_sideTables)
        return;
    const qint64 now = Clock::now().toSecsSinceEpoch();
    // A run that ended through a failure left its exam at once; on a class's server only the
    // candidate's own exams are theirs to continue (a trainer sees everyone's).
    const QString endedRun = UserSettings::endedRun();
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = ExamQueries::staleExam(now - kStaleSeconds, endedRun, ClassroomMode() ? m_text1->text() : QString());
    gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
    if (!gRs || gRs->Eof()) {
        gRs.reset();
        gDB.reset();
        return;
    }
    const qint32 examId = gRs->Fields(QStringLiteral("ExamID")).toInt();
    const QString name = gRs->Fields(QStringLiteral("UserName")).toString();
    const QString date = gRs->Fields(QStringLiteral("ExamDate")).toString();
    const int count = gRs->Fields(QStringLiteral("NumOfQuestions")).toInt();
    const int timeLeft = qMax(0, gRs->Fields(QStringLiteral("TimeLeft")).toInt());
    gRs.reset();
    gDB.reset();
    UserSettings::setEndedRun(QString());
    const QDateTime started = QDateTime::fromString(date, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    const QString when = started.isValid() ? started.toString(QStringLiteral("yyyy-MM-dd hh:mm")) : date;
    MessageBox::show(QStringLiteral("Continue the exam of %1 started %2: %3 questions, %4 left?")
                         .arg(name, when)
                         .arg(count)
                         .arg(minutesAndSeconds(timeLeft)),
        MessageBox::YesNo, MessageBox::Question, QStringLiteral("Continue Exam"));
    if (gMsgResult.toInt() != MessageBox::Yes) {
        // Scored as it stands; it then appears in the results list.
        m_examId = examId;
        CalculateResult();
        m_examId = 0;
        return;
    }
    // One statement takes it over, and only while it is still stale: two windows never both do.
    const qint64 claimed = Clock::now().toSecsSinceEpoch();
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = ExamQueries::claimProgress(examId, claimed, RunToken(), claimed - kStaleSeconds, endedRun);
    const bool won = gDB->ExecuteSQL(gSQL) && gDB->mRecordsAffected == 1;
    gDB.reset();
    if (!won) {
        MessageBox::show(QStringLiteral("The exam of %1 has just been continued in another window.").arg(name),
            MessageBox::OkOnly, MessageBox::Information, QStringLiteral("Continue Exam"));
        return;
    }
    m_lastBeat = claimed;
    resumeExam(examId, name, date, count, timeLeft);
}

void frmExam::resumeExam(qint32 examId, const QString &name, const QString &date, int count, int timeLeft)
{
    m_text1->setText(name);
    const int countIndex = count == 50 ? 2 : count == 30 ? 1 : 0;
    m_tasks[countIndex]->setChecked(true);
    gNumOfQuestions = count;
    Command1(0)->setEnabled(false);
    Command1(1)->setEnabled(true);
    Command1(4)->setEnabled(true);
    Frame1(0)->setEnabled(false);
    Frame1(1)->setEnabled(false);
    // The exam's own date and start time, its duration, and the clock where it stood.
    const QDateTime started = QDateTime::fromString(date, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    Label1(7)->setText(DateFormat::format(started, QStringLiteral("mm/dd/yy")));
    Label1(8)->setText(DateFormat::format(started, QStringLiteral("hh:mm AMPM")));
    Label1(9)->setText(QString::number(count * 6 / 5) + QStringLiteral(" minutes"));
    gTimeLeft = timeLeft;
    Label1(10)->setText(minutesAndSeconds(gTimeLeft));
    setWindowTitle(QStringLiteral(" Exam: ") + name);
    m_examId = examId;
    gExamID = examId;
    m_timeOverShown = false;
    m_timer->setInterval(1000);
    m_timer->start();
    ShowQuestion();
    if (!m_rsExam)
        return;
    // On the first question not answered yet.
    const int answered = m_rsExam->fieldIndex(QStringLiteral("Answered"));
    for (int row = 0; row < m_rsExam->RecordCount(); ++row) {
        const QVariant value = m_rsExam->value(row, answered);
        if (value.isNull() || value.toLongLong() == 0) {
            m_rsExam->setAbsolutePosition(row + 1);
            break;
        }
    }
    CountQuestionsLeft();
}

void frmExam::rsExam_MoveComplete()
{
    const int row = m_rsExam->currentRow();
    m_map->setCurrent(row);
    m_flag->setChecked(isFlagged(row));
    const QString status = QStringLiteral("Question: ") + QString::number(m_rsExam->AbsolutePosition())
        + QStringLiteral(" of ") + QString::number(m_rsExam->RecordCount());
    if (m_lblStatus->text() == status)
        return;
    m_lblStatus->setText(status);
    lblStatus_Change();
}

void frmExam::lblStatus_Change()
{
    CountQuestionsLeft();
}

void frmExam::CountQuestionsLeft()
{
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = QStringLiteral("SELECT ExamDetails.ExamID, ExamDetails.Answered ") + QStringLiteral(" From ExamDetails ")
        + QStringLiteral(" WHERE ExamDetails.Answered =0 and ExamDetails.ExamID = ") + QString::number(m_examId);
    gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
    if (gRs)
        Label1(11)->setText(QString::number(gRs->RecordCount()));
    gRs.reset();
    gDB.reset();
}

void frmExam::reportAnswerNotStored(const QString &reason)
{
    if (m_answerErrorShown)
        return;
    m_answerErrorShown = true;
    MessageBox::show(QStringLiteral("Your answer could not be stored:\n") + reason, MessageBox::OkOnly,
        MessageBox::Critical, QStringLiteral("Answer Not Stored"));
}

// --- Scoring ------------------------------------------------------------------------------

void frmExam::CalculateResult()
{
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    if (ClassroomMode()) {
        // A candidate may not write a score: the server counts it from the stored answers.
        gSQL = ExamSchema::scoreOnServer(m_examId);
    } else {
        int correctCount = 0;
        gSQL = QStringLiteral("SELECT * FROM ExamDetails ") + QStringLiteral(" WHERE ExamID = ")
            + QString::number(m_examId);
        gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
        if (!gRs)
            return;
        std::shared_ptr<Recordset> question;
        if (!(gRs->BOF() && gRs->Eof())) {
            while (!gRs->Eof()) {
                const QVariant stored = gRs->Fields(QStringLiteral("Answer"));
                const QString answer = stored.isNull() ? QString() : stored.toString();
                const qint32 qid = qint32(gRs->Fields(QStringLiteral("QID")).toLongLong());
                gSQL = QStringLiteral("SELECT * FROM Q_A WHERE QID = ") + QString::number(qid);
                question = gDB->GetRS(gSQL, 3, 0, 1, 1);
                if (!question)
                    return;
                const QVariant correct = question->Fields(QStringLiteral("CorrectAnswer"));
                if (!question->Eof() && !correct.isNull() && correct.toString().toUpper() == answer.toUpper())
                    ++correctCount;
                gRs->MoveNext();
            }
        }
        question.reset();
        gRs.reset();
        gSQL = QStringLiteral("UPDATE ExamTitle ") + QStringLiteral(" SET ExamResult = '")
            + QString::number(correctCount) + QStringLiteral("' ") + QStringLiteral(" WHERE ExamID = ")
            + QString::number(m_examId);
    }
    // The score and the end of the exam's progress row are stored together, with one sync: a
    // scored exam is never continued.
    const bool batch = m_sideTables && gDB->BeginBatch();
    bool stored = gDB->ExecuteSQL(gSQL);
    if (stored && batch)
        stored = gDB->ExecuteSQL(ExamQueries::deleteProgress(m_examId)) && gDB->CommitBatch();
    if (!stored) {
        const QString reason = gDB->mLastError;
        gDB->RollbackBatch();
        MessageBox::show(QStringLiteral("The result of the exam could not be stored:\n") + reason, MessageBox::OkOnly,
            MessageBox::Critical, QStringLiteral("Exam Result"));
    }
    gDB.reset();
}

// --- Layout -------------------------------------------------------------------------------

void frmExam::fitToWidth(double clientWidth)
{
    stretchFrame(Frame1(3), {txtFields(0), txtFields(1), txtFields(2), txtFields(3), txtFields(4), m_map}, clientWidth);
}
