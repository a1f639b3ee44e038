#include "exam/frmExam.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRadioButton>
#include <QTime>

#include <utility>

#include "core/AppExit.h"
#include "core/Clock.h"
#include "core/ClockTimer.h"
#include "core/GenModule.h"
#include "core/UserSettings.h"
#include "data/AnswerKey.h"
#include "data/DataGlobals.h"
#include "data/DateFormat.h"
#include "data/ExamSchema.h"
#include "data/Recordset.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/ScreenHost.h"
#include "platform/SystemBeep.h"
#include "widgets/DataBinder.h"
#include "widgets/QuestionMap.h"
#include "widgets/QuestionMapCell.h"
#include "widgets/QuestionNavigator.h"
#include "widgets/Twips.h"

namespace {
QString minutesAndSeconds(int seconds)
{
    return QTime(0, 0).addSecs(qMax(0, seconds)).toString(QStringLiteral("mm:ss"));
}

// Clears an option of an exclusive group, which a click alone never does.
void uncheck(QRadioButton *option)
{
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}
} // namespace

frmExam::frmExam(QWidget *parent)
    : ScrollingScreen(parent)
    , m_timer(new ClockTimer(this))
    , m_heartbeat(new ClockTimer(this))
    , m_binder(new DataBinder(this))
    , m_ui(this, content())
{
    setObjectName(QStringLiteral("frmExam"));
    connect(m_timer, &ClockTimer::timeout, this, &frmExam::Timer1_Timer);
    // Checked every second, stored every 30: runs while the exam is paused too.
    m_heartbeat->setInterval(1000);
    connect(m_heartbeat, &ClockTimer::timeout, this, [this] {
        if (m_session.heartbeatDue()) {
            m_session.heartbeat();
            if (!endIfServerEnded() && ClassroomMode())
                Label1(ExamLabel::TimeLeft)->setText(minutesAndSeconds(gTimeLeft)); // the server's clock
        }
    });
    resize(Twips::toPx(9400), Twips::toPx(7300));
    updateContentSize();
}

frmExam::~frmExam()
{
    UnregisterLoadedForm(this);
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
    for (QAbstractButton *b :
        {Command1(ExamCommand::StartExam), Command1(ExamCommand::EndExam), Command1(ExamCommand::Pause)})
        b->setEnabled(false);
    for (QRadioButton *option : m_ui.tasks)
        uncheck(option);
    optTask(ExamTask::Ten)->setChecked(true);
    m_ui.practise->setChecked(UserSettings::practiseMistakes());
    // On a class's server every exam is its candidate's: the name is the signed-in role's.
    if (ClassroomMode()) {
        m_ui.text1->setText(ExamSession::signedInUser());
        m_ui.text1->setReadOnly(true);
        Command1(ExamCommand::Pause)->setToolTip(QStringLiteral("The class's server keeps the time"));
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
            m_ui.categories[i]->setChecked(false);
        Command1(ExamCommand::StartExam)->setEnabled(chkCategory(ExamCategory::All)->isChecked());
    } else {
        chkCategory(ExamCategory::All)->setChecked(false);
        bool any = false;
        for (int i = 0; i < 6; ++i)
            any = any || m_ui.categories[i]->isChecked();
        Command1(ExamCommand::StartExam)->setEnabled(any);
    }
    m_applyingRules = false;
}

bool frmExam::eventFilter(QObject *watched, QEvent *event)
{
    QLineEdit *name = m_ui.text1;
    if (event->type() == QEvent::KeyPress && watched != name && handleExamKey(static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == name && event->type() == QEvent::FocusOut) {
        // Only a move to another control of the program counts, not the window losing
        // activation, a popup, a box of our own or the screen closing.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool moved = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
        QWidget *next = QApplication::focusWidget();
        if (moved && !m_unloading && next && next != name && !qobject_cast<QMdiSubWindow *>(next)) {
            const QPointer<QWidget> clicked = next;
            const bool refused = name->text().trimmed().isEmpty();
            Text1_LostFocus(ExamText::User);
            // A button pressed on the way out never sees its release once the box has shown: let
            // it come up again once its press has been handled.
            if (auto *button = qobject_cast<QAbstractButton *>(clicked.data()); button && refused)
                QMetaObject::invokeMethod(
                    button, [button] { button->setDown(false); }, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// The exam's keys, ahead of the widgets' own meanings (an option button's arrows, a text box's
// scrolling keys): A-E or 1-6 answer (or tick and clear a box), Left/Right and Page Up/Down move,
// Home/End go to the ends, F flags on every question: the sixth choice's key is 6.
bool frmExam::handleExamKey(QKeyEvent *event)
{
    if (!m_session.questions() || m_ending || !Frame1(ExamFrame::Question)->isVisible()
        || !Frame1(ExamFrame::Question)->isEnabled())
        return false;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int key = event->key();
    const int letter = key >= Qt::Key_A && key <= Qt::Key_E ? key - Qt::Key_A
        : key >= Qt::Key_1 && key <= Qt::Key_6              ? key - Qt::Key_1
                                                            : -1;
    if (letter >= 0) {
        if (letter >= m_shownChoices)
            return true;
        if (m_choose > 1)
            m_ui.ticks[letter]->click(); // does nothing while disabled
        else if (m_ui.options[letter]->isEnabled())
            m_ui.options[letter]->setChecked(true);
        return true;
    }
    // The moves: the picture button each key stands for.
    static const std::map<int, ExamCommand> moves{{Qt::Key_Left, ExamCommand::Previous},
        {Qt::Key_PageUp, ExamCommand::Previous}, {Qt::Key_Right, ExamCommand::Next},
        {Qt::Key_PageDown, ExamCommand::Next}, {Qt::Key_Home, ExamCommand::First}, {Qt::Key_End, ExamCommand::Last}};
    if (const auto move = moves.find(key); move != moves.end()) {
        Command1_Click(move->second);
        return true;
    }
    if (key != Qt::Key_F)
        return false;
    if (m_ui.flag->isEnabled())
        setFlagged(!m_ui.flag->isChecked());
    return true;
}

void frmExam::Text1_LostFocus(ExamText Index)
{
    Q_UNUSED(Index)
    if (!m_ui.text1->text().trimmed().isEmpty())
        return;
    MessageBox::show(QStringLiteral("User name can not be blank."), MessageBox::OkOnly, MessageBox::Critical,
        QStringLiteral("User Name"));
    m_ui.text1->activateWindow();
    m_ui.text1->setFocus(Qt::OtherFocusReason);
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

void frmExam::Command1_Click(ExamCommand Index)
{
    switch (Index) {
    case ExamCommand::StartExam: {
        if (m_ui.text1->text().trimmed().isEmpty()) {
            m_ui.text1->setFocus(Qt::OtherFocusReason);
            MessageBox::show(QStringLiteral("Please enter the name"), MessageBox::OkOnly, MessageBox::Critical,
                QStringLiteral("Missing name"));
            return;
        }
        if (!checkDrawable())
            return;
        showRunning(true);
        StartExam();
        if (examId() == 0) {
            returnToSetup();
            return;
        }
        ShowQuestion();
        break;
    }
    case ExamCommand::EndExam:
        EndExam();
        break;
    case ExamCommand::Pause: {
        const bool pausing = Command1(ExamCommand::Pause)->text() == QLatin1String("Pause");
        Command1(ExamCommand::Pause)->setText(pausing ? QStringLiteral("Continue") : QStringLiteral("Pause"));
        pausing ? m_timer->stop() : m_timer->start();
        break;
    }
    case ExamCommand::First:
    case ExamCommand::Previous:
    case ExamCommand::Next:
    case ExamCommand::Last:
        QuestionNavigator::move(m_session.questions().get(), static_cast<int>(Index));
        break;
    }
}

void frmExam::EndExam()
{
    if (m_ending)
        return;
    m_ending = true;
    // The answer on screen counts too, and so does every answer still to be stored: none is left
    // out of the score.
    if (!storeBeforeScoring())
        return;
    for (QAbstractButton *b :
        {Command1(ExamCommand::StartExam), Command1(ExamCommand::EndExam), Command1(ExamCommand::Pause)})
        b->setEnabled(false);
    Frame1(ExamFrame::Categories)->setEnabled(true);
    Frame1(ExamFrame::QuestionCount)->setEnabled(true);
    m_applyingRules = true;
    for (QCheckBox *box : m_ui.categories)
        box->setChecked(false);
    m_applyingRules = false;
    m_timer->stop();
    m_heartbeat->stop();
    clearClock();
    setWindowTitle(QStringLiteral(" End Exam"));
    m_ui.text1->clear();
    m_ui.text1->setFocus(Qt::OtherFocusReason);
    Frame1(ExamFrame::Question)->setVisible(false);
    // A screen on which no exam was started has nothing to score.
    if (examId() != 0)
        CalculateResult();
    if (ScreenHost *host = ScreenHost::current()) {
        // An open progress chart gains the exam just scored.
        if (examId() != 0)
            host->StudyDataChanged();
        host->OpenScreen(MenuCommand::ViewExam);
    }
    if (!m_unloading)
        UnloadIfLoaded(this);
}

bool frmExam::storeBeforeScoring()
{
    if (examId() == 0 || !m_session.questions())
        return true;
    m_session.storeAnswer();
    ExamSession::StoreResult result = m_session.retryUnstored(true);
    m_session.takeStoreNotice(); // the question below tells it
    refreshMap();
    // Once the class's server has ended the exam (time over, or the trainer), it takes no more
    // answers and scores what it holds: nothing is left to try again.
    while (result != ExamSession::StoreResult::Stored && m_session.serverEnd() == ExamSession::ServerEnd::None) {
        // The program is ending already: nothing is scored.
        if (AppExit::requested())
            return false;
        const int answer = MessageBox::show(
            QStringLiteral("%1 answer(s) could not be stored, so the exam cannot be scored yet:\n%2\n\n"
                           "Try again to store them?\n"
                           "No ends the program now; the exam is kept, to be continued at the next start.")
                .arg(m_session.unstoredCount())
                .arg(m_session.storeFailure()),
            MessageBox::YesNo, MessageBox::Exclamation, QStringLiteral("Answers Not Stored"));
        if (answer != MessageBox::Yes) {
            // The failure road: unscored, its progress row kept, offered at the next start.
            m_timer->stop();
            m_heartbeat->stop();
            AppExit::now();
            return false;
        }
        result = m_session.retryUnstored(true);
        refreshMap();
    }
    return true;
}

void frmExam::clearClock()
{
    for (ExamLabel value :
        {ExamLabel::ExamDate, ExamLabel::StartTime, ExamLabel::Duration, ExamLabel::TimeLeft, ExamLabel::QuestionsLeft})
        Label1(value)->clear();
}

void frmExam::returnToSetup()
{
    m_timer->stop();
    m_heartbeat->stop();
    clearClock();
    setWindowTitle(QStringLiteral(" Set New Exam"));
    showRunning(false);
    Frame1(ExamFrame::Question)->setVisible(false);
}

// The set-up controls and the commands, as an exam runs or not.
void frmExam::showRunning(bool running)
{
    Command1(ExamCommand::StartExam)->setEnabled(!running);
    Command1(ExamCommand::EndExam)->setEnabled(running);
    // The server's clock runs on whatever the screen does: nothing to pause.
    Command1(ExamCommand::Pause)->setEnabled(running && !ClassroomMode());
    Frame1(ExamFrame::Categories)->setEnabled(!running);
    Frame1(ExamFrame::QuestionCount)->setEnabled(!running);
}

bool frmExam::checkDrawable()
{
    // The name exactly as typed: another spelling is another candidate.
    const QString name = m_ui.text1->text();
    const bool practise = m_ui.practise->isChecked();
    const ExamSession::DrawCheck check
        = ExamSession::checkDraw(gNumOfQuestions, m_ui.ticked(), practise ? std::optional(name) : std::nullopt);
    if (check.noMistakes) {
        MessageBox::show(QStringLiteral("%1 has no questions answered wrong before: the latest answer to every "
                                        "question taken under this name was right.\n"
                                        "Please clear \"Only questions I answered wrong before\" to draw from "
                                        "the whole pool.")
                             .arg(name),
            MessageBox::OkOnly, MessageBox::Information, QStringLiteral("No Mistakes to Practise"));
    }
    return check.read && !check.noMistakes
        && reportShortage(check.shortage, practise ? QStringLiteral(" answered wrong before") : QString());
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
                         .arg(where, QString::number(shortage->has), kind, QString::number(shortage->needs)),
        MessageBox::OkOnly, MessageBox::Exclamation, QStringLiteral("Not Enough Questions"));
    return false;
}

// --- Starting, the clock ------------------------------------------------------------------

void frmExam::StartExam()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Label1(ExamLabel::QuestionsLeft)->setText(QString::number(gNumOfQuestions));
    showClock(Clock::now(), gNumOfQuestions, ExamSession::timeAllowed(gNumOfQuestions));
    setWindowTitle(QStringLiteral(" Exam: ") + m_ui.text1->text());
    m_timeOverShown = false;
    m_timer->setInterval(1000);
    m_timer->start();
    CreateExam();
    QApplication::restoreOverrideCursor();
}

// The clock panel: the exam's date and start time, its duration and the time left.
void frmExam::showClock(const QDateTime &started, int count, int timeLeft)
{
    Label1(ExamLabel::ExamDate)->setText(DateFormat::format(started, QStringLiteral("mm/dd/yy")));
    Label1(ExamLabel::StartTime)->setText(DateFormat::format(started, QStringLiteral("hh:mm AMPM")));
    Label1(ExamLabel::Duration)->setText(QString::number(count * 6 / 5) + QStringLiteral(" minutes"));
    gTimeLeft = timeLeft;
    Label1(ExamLabel::TimeLeft)->setText(minutesAndSeconds(gTimeLeft));
}

void frmExam::Timer1_Timer()
{
    if (m_timeOverShown || m_ending)
        return;
    if (gTimeLeft > 0) {
        --gTimeLeft;
        Label1(ExamLabel::TimeLeft)->setText(minutesAndSeconds(gTimeLeft));
    }
    if (gTimeLeft > 0)
        return;
    // No screen is closed while one of its handlers waits on a box: try again on the next tick.
    if (MessageBox::openCount() > 0 || QApplication::activeModalWidget() != nullptr)
        return;
    m_timeOverShown = true;
    MessageBox::show(QStringLiteral("The exam time is over.\n       Thank you."), MessageBox::OkOnly,
        MessageBox::Critical, QStringLiteral("Exam Time"));
    Command1_Click(ExamCommand::EndExam);
}

bool frmExam::CreateExam()
{
    if (!m_session.create(m_ui.text1->text(), gNumOfQuestions, m_ui.ticked(), m_ui.practise->isChecked())) {
        // The server's own draw is what counts: its refusal shows as the pre-check's would.
        if (m_session.drawShortage())
            MessageBox::show(
                QStringLiteral("The question pool has too few questions%1 for this exam.\n"
                               "Please tick other categories or choose fewer questions.")
                    .arg(m_ui.practise->isChecked() ? QStringLiteral(" answered wrong before") : QString()),
                MessageBox::OkOnly, MessageBox::Exclamation, QStringLiteral("Not Enough Questions"));
        else if (const std::optional<QString> &reason = m_session.failure())
            MessageBox::show(QStringLiteral("The exam could not be stored:\n") + *reason, MessageBox::OkOnly,
                MessageBox::Critical, QStringLiteral("Exam Not Stored"));
        return false;
    }
    gExamID = m_session.examId();
    return true;
}

// --- Questions ----------------------------------------------------------------------------

void frmExam::ShowQuestion()
{
    Frame1(ExamFrame::Question)->setVisible(true);
    updateContentSize();
    clearOptions();
    const std::shared_ptr<Recordset> rs = m_session.openQuestions();
    if (!rs)
        return;
    // A failed write-back is told from the session after the move, once an outage.
    connect(rs.get(), &Recordset::moveComplete, this, &frmExam::rsExam_MoveComplete);
    m_ui.bind(m_binder);
    m_binder->setRecordset(rs);

    // Flags and the heartbeat live in side tables a read-only database of an earlier version lacks.
    if (m_session.openSideTables())
        m_heartbeat->start();
    m_ui.flag->setEnabled(m_session.hasSideTables());
    m_ui.map->setCount(rs->RecordCount());
    for (int row = 0; row < m_ui.map->count(); ++row)
        m_ui.map->cell(row)->installEventFilter(this); // the exam's keys
    connect(rs.get(), &Recordset::valueChanged, this, [this](int row, int) { refreshMapRow(row); });
    refreshMap();
    // The status line is filled at once rather than at the first move.
    rsExam_MoveComplete();
}

void frmExam::clearOptions()
{
    for (QRadioButton *option : m_ui.options)
        uncheck(option);
}

void frmExam::txtFields_Change(int Index)
{
    if (Index == static_cast<int>(ExamField::Answer))
        showAnswer();
    // A choice without text cannot be chosen (C and D of a true/false question).
    for (int k = 2; k < AnswerKey::kMaxChoices; ++k) {
        const bool hasText = !DataBinder::textOf(choiceText(k)).isEmpty();
        m_ui.options[k]->setEnabled(hasText);
        m_ui.ticks[k]->setEnabled(hasText);
    }
}

// The right answers of the question on screen, at least one. Only their number is read: the exam
// never looks at the key, which a class's server does not give away.
int frmExam::rightCount() const
{
    const std::shared_ptr<Recordset> rs = m_session.questions();
    return rs && !rs->Eof() ? qMax(1, rs->Fields(QStringLiteral("Choose")).toInt()) : 1;
}

// The question on screen's own choices: E and F only where it has them, boxes where it has several
// right answers.
void frmExam::showChoices()
{
    m_shownChoices = !DataBinder::textOf(txtFields(ExamField::F)).isEmpty() ? 6
        : !DataBinder::textOf(txtFields(ExamField::E)).isEmpty()            ? 5
                                                                            : 4;
    m_choose = rightCount();
    m_ui.arrangeChoices(m_shownChoices, m_choose);
    showAnswer();
}

// The stored answer as the buttons or boxes show it. Read from the row itself, as the boxes are
// refreshed before the screen hears of the move.
void frmExam::showAnswer()
{
    const QString answer = txtFieldsText(ExamField::Answer);
    if (rightCount() > 1) {
        clearOptions();
        for (int k = 0; k < AnswerKey::kMaxChoices; ++k)
            m_ui.ticks[k]->setChecked(answer.contains(AnswerKey::letter(k)));
        return;
    }
    for (QCheckBox *tick : m_ui.ticks)
        tick->setChecked(false);
    const int letter = answer.size() == 1 ? AnswerKey::index(answer.at(0)) : -1;
    if (letter >= 0)
        m_ui.options[letter]->setChecked(true);
    else
        clearOptions();
}

void frmExam::Option1_Click(int Index)
{
    DataBinder::setTextOf(txtFields(ExamField::Answer), m_ui.options[Index]->text());
    m_ui.check1->setChecked(true);
    if (const std::shared_ptr<Recordset> rs = m_session.questions())
        refreshMapRow(rs->currentRow());
}

// A box ticked or cleared: the answer is the ticked letters in order, and the question is answered
// once as many are ticked as it has right answers. A tick beyond that is refused.
void frmExam::chkChoice_Click(int Index, bool ticked)
{
    int count = 0;
    QString answer;
    for (int k = 0; k < AnswerKey::kMaxChoices; ++k) {
        if (m_ui.ticks[k]->isChecked()) {
            ++count;
            answer += AnswerKey::letter(k);
        }
    }
    if (ticked && count > m_choose) {
        m_ui.ticks[Index]->setChecked(false);
        SystemBeep::sound();
        return;
    }
    DataBinder::setTextOf(txtFields(ExamField::Answer), answer);
    m_ui.check1->setChecked(count == m_choose);
    if (const std::shared_ptr<Recordset> rs = m_session.questions())
        refreshMapRow(rs->currentRow());
}

void frmExam::rsExam_MoveComplete()
{
    const std::shared_ptr<Recordset> rs = m_session.questions();
    showChoices();
    const int row = rs->currentRow();
    // The answer just stored brought the server's clock with it.
    if (ClassroomMode() && !m_timeOverShown)
        Label1(ExamLabel::TimeLeft)->setText(minutesAndSeconds(gTimeLeft));
    // Every move tries the answers still to be stored again, and the map shows which still are.
    m_session.retryUnstored(false);
    refreshMap();
    m_ui.map->setCurrent(row);
    if (const std::optional<QString> notice = m_session.takeStoreNotice())
        reportAnswerNotStored(*notice);
    m_ui.flag->setChecked(m_session.isFlagged(row));
    const QString status = QStringLiteral("Question: %1 of %2").arg(rs->AbsolutePosition()).arg(rs->RecordCount());
    if (m_ui.lblStatus->text() == status)
        return;
    m_ui.lblStatus->setText(status);
    lblStatus_Change();
}

void frmExam::lblStatus_Change()
{
    CountQuestionsLeft();
}

void frmExam::CountQuestionsLeft()
{
    const int left = m_session.unanswered();
    if (left >= 0)
        Label1(ExamLabel::QuestionsLeft)->setText(QString::number(left));
}

void frmExam::reportAnswerNotStored(const QString &reason)
{
    if (endIfServerEnded())
        return;
    MessageBox::show(QStringLiteral("Your answer could not be stored:\n") + reason, MessageBox::OkOnly,
        MessageBox::Critical, QStringLiteral("Answer Not Stored"));
}

bool frmExam::endIfServerEnded()
{
    const ExamSession::ServerEnd end = m_session.serverEnd();
    if (end == ExamSession::ServerEnd::None)
        return false;
    if (std::exchange(m_serverEndShown, true))
        return true;
    // Told after the write-back or tick that found it has finished: the exam ends as when the
    // clock runs out, and no reconnect takes the candidate back into it.
    QMetaObject::invokeMethod(
        this,
        [this, end] {
            if (end == ExamSession::ServerEnd::TimeOver) {
                if (std::exchange(m_timeOverShown, true))
                    return;
                gTimeLeft = 0;
                Label1(ExamLabel::TimeLeft)->setText(minutesAndSeconds(0));
                MessageBox::show(QStringLiteral("The exam time is over.\n       Thank you."), MessageBox::OkOnly,
                    MessageBox::Critical, QStringLiteral("Exam Time"));
            } else {
                m_timeOverShown = true;
                MessageBox::show(QStringLiteral("The trainer ended this exam."), MessageBox::OkOnly,
                    MessageBox::Information, QStringLiteral("Exam Ended"));
            }
            if (!m_ending)
                Command1_Click(ExamCommand::EndExam);
        },
        Qt::QueuedConnection);
    return true;
}

// --- Question map and flags ---------------------------------------------------------------

void frmExam::refreshMapRow(int row)
{
    const std::shared_ptr<Recordset> rs = m_session.questions();
    if (!rs)
        return;
    // As the candidate sees the row, the answer just ticked included.
    const QVariant answered = rs->value(row, rs->fieldIndex(QStringLiteral("Answered")));
    m_ui.map->setState(
        row, !answered.isNull() && answered.toLongLong() != 0, m_session.isFlagged(row), m_session.isUnstored(row));
}

void frmExam::refreshMap()
{
    for (int row = 0; row < m_ui.map->count(); ++row)
        refreshMapRow(row);
    if (const std::shared_ptr<Recordset> rs = m_session.questions())
        m_ui.map->setCurrent(rs->currentRow());
}

void frmExam::setFlagged(bool flagged)
{
    const std::shared_ptr<Recordset> rs = m_session.questions();
    const int row = rs ? rs->currentRow() : -1;
    if (!m_session.canFlag()) {
        m_ui.flag->setChecked(false);
        return;
    }
    if (!m_session.setFlag(flagged) && !endIfServerEnded())
        MessageBox::show(QStringLiteral("The flag could not be stored:\n") + m_session.failure().value_or(QString()),
            MessageBox::OkOnly, MessageBox::Critical, QStringLiteral("Flag Not Stored"));
    m_ui.flag->setChecked(m_session.isFlagged(row));
    refreshMapRow(row);
}

// --- Resuming -----------------------------------------------------------------------------

void frmExam::OfferResume()
{
    if (examId() != 0)
        return;
    // On a class's server only the candidate's own exams are theirs to continue.
    const std::optional<ExamSession::Offer> offer
        = m_session.findOffer(ClassroomMode() ? m_ui.text1->text() : QString());
    if (!offer)
        return;
    const QDateTime started = offer->started();
    const QString when = started.isValid() ? started.toString(QStringLiteral("yyyy-MM-dd hh:mm")) : offer->examDate;
    const int answer = MessageBox::show(
        QStringLiteral("Continue the exam of %1 started %2: %3 questions, %4 left?")
            .arg(offer->userName, when, QString::number(offer->count), minutesAndSeconds(offer->timeLeft)),
        MessageBox::YesNo, MessageBox::Question, QStringLiteral("Continue Exam"));
    if (answer != MessageBox::Yes) {
        // Scored as it stands; it then appears in the results list.
        scoreExam(offer->examId);
        return;
    }
    if (!m_session.claim(*offer)) {
        MessageBox::show(
            QStringLiteral("The exam of %1 has just been continued in another window.").arg(offer->userName),
            MessageBox::OkOnly, MessageBox::Information, QStringLiteral("Continue Exam"));
        return;
    }
    resumeExam(*offer);
}

void frmExam::resumeExam(const ExamSession::Offer &offer)
{
    m_ui.text1->setText(offer.userName);
    const int countIndex = offer.count == 50 ? 2 : offer.count == 30 ? 1 : 0;
    m_ui.tasks[countIndex]->setChecked(true);
    gNumOfQuestions = offer.count;
    showRunning(true);
    // The exam's own date and start time, and the clock where it stood.
    showClock(offer.started(), offer.count, offer.timeLeft);
    setWindowTitle(QStringLiteral(" Exam: ") + offer.userName);
    gExamID = offer.examId;
    m_timeOverShown = false;
    m_timer->setInterval(1000);
    m_timer->start();
    ShowQuestion();
    if (!m_session.questions())
        return;
    m_session.moveToFirstUnanswered();
    CountQuestionsLeft();
}

// --- Scoring ------------------------------------------------------------------------------

void frmExam::CalculateResult()
{
    scoreExam(examId());
}

void frmExam::scoreExam(qint32 examId)
{
    if (!m_session.score(examId))
        MessageBox::show(
            QStringLiteral("The result of the exam could not be stored:\n") + m_session.failure().value_or(QString()),
            MessageBox::OkOnly, MessageBox::Critical, QStringLiteral("Exam Result"));
}

void frmExam::fitToWidth(double clientWidth)
{
    stretchFrame(Frame1(ExamFrame::Question),
        {txtFields(ExamField::Question), txtFields(ExamField::A), txtFields(ExamField::B), txtFields(ExamField::C),
            txtFields(ExamField::D), txtFields(ExamField::E), txtFields(ExamField::F), m_ui.lblChoose, m_ui.map,
            m_ui.legend},
        clientWidth);
}
