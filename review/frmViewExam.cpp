#include "review/frmViewExam.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>

#include "core/AppExit.h"
#include "core/UserSettings.h"
#include "data/AnswerKey.h"
#include "data/DataGlobals.h"
#include "data/Recordset.h"
#include "data/ReviewSession.h"
#include "data/cDBAccess.h"
#include "platform/FileDialog.h"
#include "platform/GenModuleUi.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "platform/ScreenHost.h"
#include "review/BreakdownTable.h"
#include "review/ExamListModel.h"
#include "review/ExamReport.h"
#include "widgets/ControlArray.h"
#include "widgets/DataBinder.h"
#include "widgets/QuestionNavigator.h"
#include "widgets/Twips.h"

namespace {
constexpr int kColumnWidths[] = {0, 800, 1800, 1460, 1460, 1000};
// The review's own controls sit below a row of filters and report commands.
constexpr int kFilterRow = 400;
// The choices' band, in twips: four a pitch apart as drawn; five or six share it.
constexpr int kChoicesTop = 1260;
constexpr int kChoicePitch = 600;
constexpr int kChoiceGap = 60;
// The letter labels of the choices, by choice.
constexpr ViewExamLabel kLetterLabels[] = {ViewExamLabel::LetterA, ViewExamLabel::LetterB, ViewExamLabel::LetterC,
    ViewExamLabel::LetterD, ViewExamLabel::LetterE, ViewExamLabel::LetterF};

// A control array's key for a named index.
template <typename Index> int key(Index index)
{
    return static_cast<int>(index);
}

void place(QWidget *widget, int top, int height)
{
    widget->setGeometry(widget->x(), Twips::toPx(top + kFilterRow), widget->width(), Twips::toPx(height));
}
} // namespace

frmViewExam::frmViewExam(QWidget *parent)
    : ScrollingScreen(parent)
    , m_session(std::make_unique<ReviewSession>())
    , m_listModel(new ExamListModel(m_session.get(), this))
    , m_binder(new DataBinder(this))
{
    setObjectName(QStringLiteral("frmViewExam"));
    setWindowTitle(QStringLiteral(" View Results"));
    buildList();
    buildReview();
    buildStudy();
    resize(Twips::toPx(8900), Twips::toPx(8800));
    updateContentSize();
}

frmViewExam::~frmViewExam()
{
    UnregisterLoadedForm(this);
}

void frmViewExam::buildList()
{
    m_grid = new QTableView(content());
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setToolTip(QStringLiteral("Double click to review exam"));
    m_grid->setAccessibleName(QStringLiteral("Exam results"));
    m_grid->setModel(m_listModel);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(Twips::toPx(300));
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setGeometry(Twips::rect(120, 120, 6700, 2640));
    // The column widths were laid out for a compact face.
    QFont compact = m_grid->font();
    compact.setPointSizeF(8);
    m_grid->setFont(compact);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { Grid1_DblClick(); });

    m_manage = new QGroupBox(QStringLiteral("Manage Exam"), content());
    m_manage->setGeometry(Twips::rect(6960, 120, 1605, 1320));
    auto command = [this](ViewExamCommand index, const QString &caption, int top) {
        auto *b = new QPushButton(caption, m_manage);
        b->setObjectName(QStringLiteral("Command1_%1").arg(key(index)));
        b->setGeometry(Twips::rect(120, top, 1365, 400));
        connect(b, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        m_commands[key(index)] = b;
    };
    command(ViewExamCommand::DeleteExam, QStringLiteral("Delete Exam"), 300);
    command(ViewExamCommand::CloseScreen, QStringLiteral("Close Screen"), 780);
    Command1(ViewExamCommand::DeleteExam)->setEnabled(false);
}

void frmViewExam::buildReview()
{
    m_review = new QGroupBox(QStringLiteral("Exam Review"), content());
    m_review->setObjectName(QStringLiteral("Frame1_3"));
    m_review->setGeometry(Twips::rect(120, 2880, 8445, 5760 + kFilterRow));
    m_review->setVisible(false);

    auto label = [this](ViewExamLabel index, const QString &caption, const QRect &twips) {
        auto *l = new QLabel(caption, m_review);
        l->setObjectName(QStringLiteral("Label1_%1").arg(key(index)));
        QFont compact = l->font();
        compact.setPointSizeF(8);
        l->setFont(compact);
        l->setGeometry(Twips::rect(twips.x(), twips.y() + kFilterRow, twips.width(), twips.height()));
        m_labels[key(index)] = l;
    };
    auto textBox = [this](int index, const QRect &twips, bool multiLine, const QString &name) {
        QWidget *box = nullptr;
        if (multiLine) {
            auto *edit = new QPlainTextEdit(m_review);
            edit->setReadOnly(true);
            edit->setTabChangesFocus(true);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, index] { txtFields_Change(index); });
            box = edit;
        } else {
            auto *edit = new QLineEdit(m_review);
            edit->setReadOnly(true);
            connect(edit, &QLineEdit::textChanged, this, [this, index] { txtFields_Change(index); });
            box = edit;
        }
        box->setObjectName(QStringLiteral("txtFields_%1").arg(index));
        box->setAccessibleName(name);
        box->setGeometry(Twips::rect(twips.x(), twips.y() + kFilterRow, twips.width(), twips.height()));
        box->setAutoFillBackground(true);
        m_txtFields[index] = box;
    };

    label(ViewExamLabel::Question, QStringLiteral("Question"), QRect(100, 300, 960, 285));
    textBox(key(ViewExamField::Question), QRect(1080, 270, 7155, 900), true, QStringLiteral("Question"));
    for (int k = 0; k < AnswerKey::kMaxChoices; ++k) {
        const int top = kChoicesTop + k * kChoicePitch;
        const QString letter = AnswerKey::letter(k);
        label(kLetterLabels[k], letter, QRect(700, top + 30, 300, 285));
        // E and F after the boxes that were there before them.
        textBox(k < 4 ? k + 1 : k + 6, QRect(1080, top, 7155, kChoicePitch - kChoiceGap), true,
            QStringLiteral("Answer ") + letter);
        auto *mark = new QLabel(m_review);
        mark->setObjectName(QStringLiteral("lblMark_%1").arg(k));
        mark->setAccessibleName(QStringLiteral("Mark of ") + letter);
        QFont bold = mark->font();
        bold.setPointSizeF(8);
        bold.setBold(true);
        mark->setFont(bold);
        mark->setGeometry(Twips::rect(60, top + 30 + kFilterRow, 640, 285));
        mark->setVisible(false);
        m_marks[k] = mark;
    }
    label(ViewExamLabel::YourAnswer, QStringLiteral("Your Answer"), QRect(100, 3720, 960, 285));
    textBox(key(ViewExamField::Answer), QRect(1080, 3690, 540, 330), false, QStringLiteral("Your Answer"));
    label(ViewExamLabel::CorrectAnswer, QStringLiteral("Correct Answer"), QRect(1760, 3720, 1200, 285));
    textBox(key(ViewExamField::CorrectAnswer), QRect(2980, 3690, 540, 330), false, QStringLiteral("Correct Answer"));
    label(ViewExamLabel::Category, QStringLiteral("Category"), QRect(3720, 3720, 800, 285));
    textBox(key(ViewExamField::Category), QRect(4560, 3690, 3675, 330), false, QStringLiteral("Category"));
    label(ViewExamLabel::Explanation, QStringLiteral("Explanation"), QRect(100, 4140, 960, 285));
    textBox(key(ViewExamField::Description), QRect(1080, 4110, 7155, 1020), true, QStringLiteral("Explanation"));
    textBox(key(ViewExamField::DetailID), QRect(0, 0, 300, 285), false, QStringLiteral("Detail"));
    txtFields(ViewExamField::DetailID)->setVisible(false);
    m_check1 = new QCheckBox(m_review);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setVisible(false);
    m_check1->setEnabled(false);

    const int navTop = 5250 + kFilterRow;
    const int navLefts[] = {1080, 1530, 7365, 7815};
    m_commands.merge(QuestionNavigator::createButtons(
        m_review, navLefts, navTop, [this](int index) { Command1_Click(ViewExamCommand(index)); }));
    m_lblStatus = new QLabel(m_review);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setAlignment(Qt::AlignCenter);
    m_lblStatus->setGeometry(Twips::rect(2100, navTop + 50, 5100, 300));
    m_lblFlagged = new QLabel(QStringLiteral("Flagged"), m_review);
    m_lblFlagged->setObjectName(QStringLiteral("lblFlagged"));
    m_lblFlagged->setAccessibleName(QStringLiteral("Flagged for review"));
    m_lblFlagged->setToolTip(QStringLiteral("The candidate flagged this question for review"));
    QFont bold = m_lblFlagged->font();
    bold.setBold(true);
    m_lblFlagged->setFont(bold);
    QPalette flagColour = m_lblFlagged->palette();
    flagColour.setColor(QPalette::WindowText, QColor(0xb0, 0x5c, 0x00));
    m_lblFlagged->setPalette(flagColour);
    m_lblFlagged->setGeometry(Twips::rect(100, navTop + 50, 950, 300));
    m_lblFlagged->setVisible(false);

    // Above the review: which of the exam's questions it shows, and its report.
    auto *filters = new QButtonGroup(this);
    const std::pair<const char *, int> filterLooks[]
        = {{"All questions", 1080}, {"Wrong only", 2500}, {"Flagged only", 3800}};
    for (int f = 0; f < 3; ++f) {
        auto *option = new QRadioButton(QString::fromLatin1(filterLooks[f].first), m_review);
        option->setObjectName(QStringLiteral("optFilter_%1").arg(f));
        option->setAccessibleName(option->text());
        option->setGeometry(Twips::rect(filterLooks[f].second, 300, 1350, 300));
        filters->addButton(option, f);
        m_filters[f] = option;
    }
    m_filters[AllQuestions]->setToolTip(QStringLiteral("Show every question of the exam"));
    m_filters[WrongOnly]->setToolTip(QStringLiteral("Show only the questions answered wrong or not at all"));
    m_filters[FlaggedOnly]->setToolTip(QStringLiteral("Show only the questions flagged for review"));
    m_session->setFilter(UserSettings::reviewFilter());
    m_filters[m_session->filter()]->setChecked(true);
    connect(filters, &QButtonGroup::idClicked, this, &frmViewExam::setFilter);
    auto reportCommand = [this](const QString &caption, const QString &name, int left, int width) {
        auto *b = new QPushButton(caption, m_review);
        b->setObjectName(name);
        b->setGeometry(Twips::rect(left, 240, width, 380));
        return b;
    };
    m_savePdf = reportCommand(QStringLiteral("Save as PDF..."), QStringLiteral("cmdSavePdf"), 5400, 1450);
    m_savePdf->setToolTip(QStringLiteral("Save a report of this exam as a PDF file"));
    m_print = reportCommand(QStringLiteral("Print..."), QStringLiteral("cmdPrint"), 6950, 1285);
    m_print->setToolTip(QStringLiteral("Print a report of this exam"));
    connect(m_savePdf, &QPushButton::clicked, this, &frmViewExam::SaveReport);
    connect(m_print, &QPushButton::clicked, this, &frmViewExam::PrintReport);
}

void frmViewExam::buildStudy()
{
    // Beside the list: the reviewed exam by category, the pass mark it is judged against, and
    // the progress chart's command.
    m_breakdownFrame = new QGroupBox(QStringLiteral("Breakdown"), content());
    m_breakdownFrame->setObjectName(QStringLiteral("fraBreakdown"));
    m_breakdownFrame->setGeometry(Twips::rect(8650, 120, 5000, 2640));
    m_breakdownTable = new BreakdownTable(m_breakdownFrame);
    m_breakdownTable->setGeometry(Twips::rect(100, 270, 4800, 1930));
    auto *markLabel = new QLabel(QStringLiteral("Pass &mark"), m_breakdownFrame);
    markLabel->setGeometry(Twips::rect(100, 2285, 950, 285));
    m_passMark = new QSpinBox(m_breakdownFrame);
    m_passMark->setObjectName(QStringLiteral("spnPassMark"));
    m_passMark->setAccessibleName(QStringLiteral("Pass mark (%)"));
    m_passMark->setToolTip(QStringLiteral("Percent a category or an exam needs to pass"));
    m_passMark->setRange(1, 100);
    m_passMark->setSuffix(QStringLiteral(" %"));
    m_passMark->setValue(UserSettings::passMark());
    m_passMark->setGeometry(Twips::rect(1080, 2250, 900, 340));
    markLabel->setBuddy(m_passMark);
    connect(m_passMark, &QSpinBox::valueChanged, this, &frmViewExam::setPassMark);
    m_progress = new QPushButton(QStringLiteral("Progress..."), m_breakdownFrame);
    m_progress->setObjectName(QStringLiteral("cmdProgress"));
    m_progress->setToolTip(QStringLiteral("Chart a candidate's results exam by exam"));
    m_progress->setGeometry(Twips::rect(3500, 2230, 1400, 380));
    connect(m_progress, &QPushButton::clicked, this, &frmViewExam::OpenProgress);
    m_breakdown.passMark = m_passMark->value();
}

QRadioButton *frmViewExam::optFilter(int filter) const
{
    return filter >= 0 && filter < 3 ? m_filters[filter] : nullptr;
}

QAbstractButton *frmViewExam::Command1(ViewExamCommand index) const
{
    return controlAt(m_commands, index);
}

QLabel *frmViewExam::Label1(ViewExamLabel index) const
{
    return controlAt(m_labels, index);
}

QWidget *frmViewExam::txtFields(int index) const
{
    return controlAt(m_txtFields, index);
}

QString frmViewExam::txtFieldsText(int index) const
{
    return DataBinder::textOf(txtFields(index));
}

// --- The list -----------------------------------------------------------------------------

void frmViewExam::Form_Load()
{
    RegisterLoadedForm(this);
    gViewExamLoaded = true;
    // Asked before the list is read: the list keeps the program's connection open behind it.
    m_mayDelete = ReviewSession::mayDelete();
    if (AppExit::requested())
        return;
    if (!m_mayDelete)
        Command1(ViewExamCommand::DeleteExam)
            ->setToolTip(QStringLiteral("On a class's server only the trainer deletes exams"));
    LoadGrid();
}

void frmViewExam::LoadGrid()
{
    // The first page only: the rest is read as the list is scrolled to its end.
    if (!m_listModel->reload())
        return;
    m_grid->setUpdatesEnabled(false);
    DoGridSetting();
}

void frmViewExam::DoGridSetting()
{
    for (int column = 0; column < int(std::size(kColumnWidths)); ++column)
        m_grid->setColumnWidth(column, Twips::toPx(kColumnWidths[column]));
    m_grid->setColumnHidden(0, true);
    QFont bold = m_grid->horizontalHeader()->font();
    bold.setBold(true);
    m_grid->horizontalHeader()->setFont(bold);
    m_grid->setUpdatesEnabled(true);
    if (m_listModel->rowCount() > 0)
        m_grid->setCurrentIndex(m_listModel->index(0, 1));
}

void frmViewExam::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmViewExam::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    gViewExamLoaded = false;
    gRs.reset();
    gDB.reset();
    UnregisterLoadedForm(this);
}

// --- The review ---------------------------------------------------------------------------

void frmViewExam::Grid1_DblClick()
{
    if (m_listModel->rowCount() + 1 < 2)
        return;
    const int row = m_grid->currentIndex().isValid() ? m_grid->currentIndex().row() : 0;
    for (const auto &command : m_commands)
        command.second->setEnabled(true);
    Command1(ViewExamCommand::DeleteExam)->setEnabled(m_mayDelete);
    m_examId = qint32(m_listModel->index(row, 0).data(Qt::EditRole).toLongLong());
    m_userName = m_listModel->index(row, 2).data(Qt::DisplayRole).toString();
    gExamID = m_examId;
    gUserName = m_userName;
    setWindowTitle(QStringLiteral(" Exam # ") + QString::number(m_examId) + QStringLiteral(" (") + m_userName
        + QStringLiteral(")"));
    m_review->setVisible(true);
    updateContentSize();
    // The rows reviewed before are no longer this screen's to follow.
    for (const std::shared_ptr<Recordset> &before : {m_session->examRows(), m_session->shownRows()}) {
        if (before)
            disconnect(before.get(), nullptr, this, nullptr);
    }
    if (!m_session->review(m_examId))
        return;
    if (!m_binder->recordset()) {
        using F = ViewExamField;
        static const std::pair<F, const char *> fields[] = {{F::Question, "Question"}, {F::A, "A"}, {F::B, "B"},
            {F::C, "C"}, {F::D, "D"}, {F::E, "E"}, {F::F, "F"}, {F::DetailID, "DetailID"}, {F::Answer, "Answer"},
            {F::Category, "Category"}, {F::CorrectAnswer, "CorrectAnswer"}, {F::Description, "Description"}};
        for (const auto &field : fields)
            m_binder->bind(txtFields(field.first), QString::fromLatin1(field.second));
        m_binder->bind(m_check1, QStringLiteral("Answered"));
    }
    m_breakdown = m_session->breakdown(m_passMark->value());
    showBreakdown();
    showRows();
}

int frmViewExam::filter() const
{
    return m_session->filter();
}

std::shared_ptr<Recordset> frmViewExam::rsExam() const
{
    return m_session->examRows();
}

std::shared_ptr<Recordset> frmViewExam::shownRows() const
{
    return m_session->shownRows();
}

void frmViewExam::setFilter(int filter)
{
    if (filter < AllQuestions || filter > FlaggedOnly)
        return;
    if (!m_filters[filter]->isChecked())
        m_filters[filter]->setChecked(true);
    UserSettings::setReviewFilter(filter);
    const std::shared_ptr<Recordset> before = m_session->shownRows();
    m_session->setFilter(filter);
    if (!m_session->examRows())
        return;
    if (before && before != m_session->shownRows())
        disconnect(before.get(), nullptr, this, nullptr);
    showRows();
}

void frmViewExam::showRows()
{
    const std::shared_ptr<Recordset> shown = m_session->shownRows();
    connect(shown.get(), &Recordset::moveComplete, this, &frmViewExam::rsExam_MoveComplete, Qt::UniqueConnection);
    m_binder->setRecordset(shown);
    txtFields_Change(key(ViewExamField::Answer));
    rsExam_MoveComplete();
}

void frmViewExam::showBreakdown()
{
    m_breakdownTable->setBreakdown(m_breakdown);
    if (!m_session->examRows()) {
        m_breakdownFrame->setTitle(QStringLiteral("Breakdown"));
        return;
    }
    QString title = (m_breakdown.practice ? QStringLiteral("Breakdown of practice exam # ")
                                          : QStringLiteral("Breakdown of exam # "))
        + QString::number(m_examId);
    if (!m_breakdown.isEmpty()) {
        title += QStringLiteral(": %1 at %2 %")
                     .arg(m_breakdown.passed() ? QStringLiteral("Pass") : QStringLiteral("Fail"))
                     .arg(m_breakdown.passMark);
    }
    m_breakdownFrame->setTitle(title);
}

void frmViewExam::setPassMark(int percent)
{
    if (m_passMark->value() != percent)
        m_passMark->setValue(percent);
    UserSettings::setPassMark(percent);
    m_breakdown.passMark = percent;
    showBreakdown();
    if (ScreenHost *host = ScreenHost::current())
        host->StudyDataChanged();
}

void frmViewExam::OpenProgress()
{
    QString name = m_userName;
    if (!m_session->examRows() && m_grid->currentIndex().isValid())
        name = m_listModel->index(m_grid->currentIndex().row(), 2).data().toString();
    if (ScreenHost *host = ScreenHost::current())
        host->OpenProgressChart(name);
}

QString frmViewExam::reportHtml() const
{
    return ExamReport::html({m_examId, m_userName}, *m_session->examRows(), m_breakdown);
}

void frmViewExam::SaveReport()
{
    if (!m_session->examRows())
        return;
    QString folder = UserSettings::reportFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // A name may hold what a file name cannot.
    QString name = m_userName;
    static const QString notInFileNames = QStringLiteral("/\\:*?\"<>|");
    for (QChar &c : name) {
        if (notInFileNames.contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    }
    const QString suggested = QDir(folder).filePath(QStringLiteral("Exam %1 - %2.pdf").arg(m_examId).arg(name));
    const std::optional<QString> chosen = FileDialog::getSaveFileName(
        this, QStringLiteral("Save Report as PDF"), QStringLiteral("PDF files (*.pdf)"), suggested);
    if (!chosen || chosen->isEmpty())
        return;
    QString path = *chosen;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QLatin1String(".pdf");
    QString error;
    if (!ExamReport::writePdf(reportHtml(), path, &error)) {
        MessageBox::show(QStringLiteral("The report could not be saved:\n") + error, MessageBox::OkOnly,
            MessageBox::Critical, QStringLiteral("Save as PDF"));
        return;
    }
    UserSettings::setReportFolder(QFileInfo(path).absolutePath());
}

void frmViewExam::PrintReport()
{
    if (!m_session->examRows())
        return;
    QString error;
    if (!PrintDialog::print(
            QStringLiteral("Exam %1 (%2)").arg(m_examId).arg(m_userName), this,
            [this](QPagedPaintDevice *printer) { ExamReport::print(reportHtml(), printer); }, &error)
        && !error.isEmpty())
        MessageBox::show(QStringLiteral("The report could not be printed:\n") + error, MessageBox::OkOnly,
            MessageBox::Critical, QStringLiteral("Print"));
}

void frmViewExam::rsExam_MoveComplete()
{
    const std::shared_ptr<Recordset> shown = m_session->shownRows();
    if (!shown)
        return;
    // An exam (or a filter) without questions has no position to show.
    const int position = shown->RecordCount() == 0 ? 0 : shown->AbsolutePosition();
    m_lblStatus->setText(QStringLiteral("Question: ") + QString::number(position) + QStringLiteral(" of ")
        + QString::number(shown->RecordCount()));
    m_lblFlagged->setVisible(m_session->isFlagged(shown->Fields(QStringLiteral("DetailID"))));
    showChoices();
}

// E and F where the question has them; on a question of several right answers each letter says
// whether it was ticked rightly, ticked wrongly or missed.
void frmViewExam::showChoices()
{
    const int shown = !DataBinder::textOf(txtFields(ViewExamField::F)).isEmpty() ? 6
        : !DataBinder::textOf(txtFields(ViewExamField::E)).isEmpty()             ? 5
                                                                                 : 4;
    const int pitch = shown == 4 ? kChoicePitch : (4 * kChoicePitch) / shown;
    const int height = pitch - kChoiceGap;
    const QString answer = txtFieldsText(ViewExamField::Answer).toUpper();
    const QString correct = txtFieldsText(ViewExamField::CorrectAnswer).toUpper();
    const bool several = correct.size() > 1;
    for (int k = 0; k < AnswerKey::kMaxChoices; ++k) {
        const int top = kChoicesTop + k * pitch;
        const bool on = k < shown;
        place(choiceText(k), top, height);
        place(Label1(kLetterLabels[k]), top + qMin(30, (height - 285) / 2), 285);
        place(m_marks[k], top + qMin(30, (height - 285) / 2), 285);
        choiceText(k)->setVisible(on);
        Label1(kLetterLabels[k])->setVisible(on);
        const QChar letter = AnswerKey::letter(k);
        const bool ticked = answer.contains(letter);
        const bool right = correct.contains(letter);
        const QString mark = !several || !on ? QString()
            : ticked                         ? (right ? QStringLiteral("right") : QStringLiteral("wrong"))
            : right                          ? QStringLiteral("missed")
                                             : QString();
        m_marks[k]->setText(mark);
        m_marks[k]->setToolTip(mark == u"right" ? QStringLiteral("Ticked, and right")
                : mark == u"wrong"              ? QStringLiteral("Ticked, but not right")
                : mark == u"missed"             ? QStringLiteral("Right, but not ticked")
                                                : QString());
        QPalette colour = m_marks[k]->palette();
        colour.setColor(QPalette::WindowText,
            mark == u"right"       ? QColor(0x1b, 0x7a, 0x2f)
                : mark == u"wrong" ? QColor(0xb0, 0x1e, 0x1e)
                                   : QColor(0xb0, 0x5c, 0x00));
        m_marks[k]->setPalette(colour);
        m_marks[k]->setVisible(!mark.isEmpty());
    }
}

void frmViewExam::txtFields_Change(int Index)
{
    if (Index != key(ViewExamField::Answer) && Index != key(ViewExamField::CorrectAnswer))
        return;
    QWidget *answer = txtFields(ViewExamField::Answer);
    QPalette pal = answer->palette();
    const bool right = txtFieldsText(ViewExamField::Answer) == txtFieldsText(ViewExamField::CorrectAnswer);
    pal.setColor(QPalette::Base, right ? QColor(255, 255, 255) : QColor(255, 0, 0));
    answer->setPalette(pal);
}

void frmViewExam::Command1_Click(ViewExamCommand Index)
{
    switch (Index) {
    case ViewExamCommand::DeleteExam: {
        const int answer = MessageBox::show(QStringLiteral("You are about to delete the exam # ")
                + QString::number(m_examId) + QStringLiteral(" (") + m_userName + QStringLiteral(")"),
            MessageBox::YesNo, MessageBox::Question, QStringLiteral("Delete Exam"), MessageBox::DefaultButton1);
        if (answer == MessageBox::No)
            return;
        setWindowTitle(QStringLiteral("View Results"));
        DeleteExam();
        if (ScreenHost *host = ScreenHost::current()) {
            // An open progress chart loses the exam too.
            host->StudyDataChanged();
            host->OpenScreen(MenuCommand::ViewExam);
        }
        break;
    }
    case ViewExamCommand::CloseScreen:
        m_session->closeReview();
        UnloadIfLoaded(this);
        break;
    case ViewExamCommand::First:
    case ViewExamCommand::Previous:
    case ViewExamCommand::Next:
    case ViewExamCommand::Last:
        QuestionNavigator::move(m_session->shownRows().get(), static_cast<int>(Index));
        break;
    }
}

void frmViewExam::DeleteExam()
{
    QString failure;
    if (!m_session->deleteExam(m_examId, &failure))
        return;
    m_review->setVisible(false);
    if (failure.isEmpty()) {
        MessageBox::show(QStringLiteral("The exam successfully removed from database."), MessageBox::OkOnly,
            MessageBox::Information, QStringLiteral("Operation Completed"));
    } else {
        MessageBox::show(QStringLiteral("The exam could not be removed from the database:\n") + failure,
            MessageBox::OkOnly, MessageBox::Critical, QStringLiteral("Delete Exam"));
    }
}

// --- Layout -------------------------------------------------------------------------------

void frmViewExam::fitToWidth(double clientWidth)
{
    stretchFrame(m_review,
        {txtFields(ViewExamField::Question), txtFields(ViewExamField::A), txtFields(ViewExamField::B),
            txtFields(ViewExamField::C), txtFields(ViewExamField::D), txtFields(ViewExamField::E),
            txtFields(ViewExamField::F), txtFields(ViewExamField::Description)},
        clientWidth);
}
