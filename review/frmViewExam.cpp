#include "review/frmViewExam.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include "data/DataBinder.h"
#include "data/DataGlobals.h"
#include "data/ExamQueries.h"
#include "data/Recordset.h"
#include "data/RecordsetModel.h"
#include "data/cDBAccess.h"
#include "platform/AppExit.h"
#include "platform/GenModule.h"
#include "platform/MessageBox.h"
#include "platform/ScreenHost.h"
#include "review/ExamListModel.h"
#include "widgets/ControlArray.h"
#include "widgets/QuestionNavigator.h"
#include "widgets/Twips.h"

namespace {
constexpr int kColumnWidths[] = {0, 800, 1800, 1460, 1460, 1000};
} // namespace

frmViewExam::frmViewExam(QWidget *parent)
    : ScrollingScreen(parent)
    , m_gridSource(new RecordsetModel(this))
    , m_listModel(new ExamListModel(this))
    , m_binder(new DataBinder(this))
{
    setObjectName(QStringLiteral("frmViewExam"));
    setWindowTitle(QStringLiteral(" View Results"));
    m_listModel->setSourceModel(m_gridSource);
    buildList();
    buildReview();
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
    auto command = [this](int index, const QString &caption, int top) {
        auto *b = new QPushButton(caption, m_manage);
        b->setObjectName(QStringLiteral("Command1_%1").arg(index));
        b->setGeometry(Twips::rect(120, top, 1365, 400));
        connect(b, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        m_commands[index] = b;
    };
    command(0, QStringLiteral("Delete Exam"), 300);
    command(4, QStringLiteral("Close Screen"), 780);
    m_commands[0]->setEnabled(false);
}

void frmViewExam::buildReview()
{
    m_review = new QGroupBox(QStringLiteral("Exam Review"), content());
    m_review->setObjectName(QStringLiteral("Frame1_3"));
    m_review->setGeometry(Twips::rect(120, 2880, 8445, 5760));
    m_review->setVisible(false);

    auto label = [this](int index, const QString &caption, const QRect &twips) {
        auto *l = new QLabel(caption, m_review);
        l->setObjectName(QStringLiteral("Label1_%1").arg(index));
        QFont compact = l->font();
        compact.setPointSizeF(8);
        l->setFont(compact);
        l->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        m_labels[index] = l;
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
        box->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
        box->setAutoFillBackground(true);
        m_txtFields[index] = box;
    };

    label(17, QStringLiteral("Question"), QRect(100, 300, 960, 285));
    textBox(0, QRect(1080, 270, 7155, 900), true, QStringLiteral("Question"));
    const int letterLabels[] = {3, 5, 6, 7};
    const QString letters = QStringLiteral("ABCD");
    for (int k = 0; k < 4; ++k) {
        const int top = 1260 + k * 600;
        label(letterLabels[k], letters.mid(k, 1), QRect(700, top + 30, 300, 285));
        textBox(k + 1, QRect(1080, top, 7155, 540), true, QStringLiteral("Answer ") + letters.at(k));
    }
    label(0, QStringLiteral("Your Answer"), QRect(100, 3720, 960, 285));
    textBox(6, QRect(1080, 3690, 540, 330), false, QStringLiteral("Your Answer"));
    label(1, QStringLiteral("Correct Answer"), QRect(1760, 3720, 1200, 285));
    textBox(8, QRect(2980, 3690, 540, 330), false, QStringLiteral("Correct Answer"));
    label(4, QStringLiteral("Category"), QRect(3720, 3720, 800, 285));
    textBox(7, QRect(4560, 3690, 3675, 330), false, QStringLiteral("Category"));
    label(2, QStringLiteral("Explanation"), QRect(100, 4140, 960, 285));
    textBox(9, QRect(1080, 4110, 7155, 1020), true, QStringLiteral("Explanation"));
    textBox(5, QRect(0, 0, 300, 285), false, QStringLiteral("Detail"));
    m_txtFields[5]->setVisible(false);
    m_check1 = new QCheckBox(m_review);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setVisible(false);
    m_check1->setEnabled(false);

    const int navTop = 5250;
    const int navLefts[] = {1080, 1530, 7365, 7815};
    m_commands.merge(QuestionNavigator::createButtons(m_review, navLefts, navTop, [this](int index) { Command1_Click(index); }));
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
}

QAbstractButton *frmViewExam::Command1(int index) const
{
    return controlAt(m_commands, index);
}

QLabel *frmViewExam::Label1(int index) const
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
    LoadGrid();
}

void frmViewExam::LoadGrid()
{
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = QStringLiteral("SELECT ExamTitle.ExamID, Format(ExamTitle.ExamDate,'mm/dd/yy') AS [Date], ")
           + QStringLiteral(" ExamTitle.UserName AS [User Name], ExamTitle.NumOfQuestions AS [No of Questions], ")
           + QStringLiteral(" ExamTitle.ExamResult AS [Correct Answers], ")
           + QStringLiteral(" ExamTitle.ExamResult * 100\\ ExamTitle.NumOfQuestions AS [Result (%)]")
           + QStringLiteral(" FROM ExamTitle ORDER BY ExamTitle.ExamDate DESC, ExamTitle.UserName ");
    gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
    if (!gRs)
        return;
    // The grid holds its own reference: releasing gRs elsewhere never empties it.
    m_gridSource->setRecordset(gRs);
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
    // Ascending generic order, the hidden ExamID first; the shading follows the displayed lines.
    m_listModel->sort(0, Qt::AscendingOrder);
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
    m_examId = qint32(m_listModel->index(row, 0).data(Qt::EditRole).toLongLong());
    m_userName = m_listModel->index(row, 2).data(Qt::DisplayRole).toString();
    gExamID = m_examId;
    gUserName = m_userName;
    setWindowTitle(QStringLiteral(" Exam # ") + QString::number(m_examId) + QStringLiteral(" (") + m_userName
                   + QStringLiteral(")"));
    m_review->setVisible(true);
    updateContentSize();
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    gSQL = ExamQueries::examQuestions(m_examId, true);
    std::shared_ptr<Recordset> rs = gDB->GetRS(gSQL, 3, 3, 3, 0);
    if (!rs)
        return;
    if (m_rsExam)
        disconnect(m_rsExam.get(), nullptr, this, nullptr);
    m_rsExam = std::move(rs);
    connect(m_rsExam.get(), &Recordset::moveComplete, this, &frmViewExam::rsExam_MoveComplete);
    if (!m_binder->recordset()) {
        static const std::pair<int, const char *> fields[] = {
            {0, "Question"}, {1, "A"},      {2, "B"},        {3, "C"},
            {4, "D"},        {5, "DetailID"}, {6, "Answer"}, {7, "Category"},
            {8, "CorrectAnswer"}, {9, "Description"}};
        for (const auto &field : fields)
            m_binder->bind(txtFields(field.first), QString::fromLatin1(field.second));
        m_binder->bind(m_check1, QStringLiteral("Answered"));
    }
    m_binder->setRecordset(m_rsExam);
    // The flags, where the database has them (a read-only one of an earlier version has not).
    m_flagged.clear();
    gSQL = ExamQueries::tableExists(QStringLiteral("ExamFlags"));
    gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
    const bool hasFlags = gRs && gRs->Fields(QStringLiteral("Found")).toInt() > 0;
    gRs.reset();
    if (hasFlags) {
        gSQL = ExamQueries::flagsOfExam(m_examId);
        gRs = gDB->GetRS(gSQL, 3, 0, 1, 1);
        for (; gRs && !gRs->Eof(); gRs->MoveNext())
            m_flagged.insert(gRs->Fields(QStringLiteral("DetailID")).toInt());
        gRs.reset();
    }
    txtFields_Change(6);
    rsExam_MoveComplete();
}

void frmViewExam::rsExam_MoveComplete()
{
    // An exam without questions has no position to show.
    const int position = m_rsExam->RecordCount() == 0 ? 0 : m_rsExam->AbsolutePosition();
    m_lblStatus->setText(QStringLiteral("Question: ") + QString::number(position) + QStringLiteral(" of ")
                         + QString::number(m_rsExam->RecordCount()));
    const QVariant detail = m_rsExam->Fields(QStringLiteral("DetailID"));
    m_lblFlagged->setVisible(detail.isValid() && m_flagged.count(detail.toInt()) > 0);
}

void frmViewExam::txtFields_Change(int Index)
{
    if (Index != 6 && Index != 8)
        return;
    QWidget *answer = txtFields(6);
    QPalette pal = answer->palette();
    const bool right = txtFieldsText(6) == txtFieldsText(8);
    pal.setColor(QPalette::Base, right ? QColor(255, 255, 255) : QColor(255, 0, 0));
    answer->setPalette(pal);
}

void frmViewExam::Command1_Click(int Index)
{
    switch (Index) {
    case 0: {
        MessageBox::show(QStringLiteral("You are about to delete the exam # ") + QString::number(m_examId)
                             + QStringLiteral(" (") + m_userName + QStringLiteral(")"),
                         MessageBox::YesNo, MessageBox::Question, QStringLiteral("Delete Exam"),
                         MessageBox::DefaultButton1);
        if (gMsgResult.toInt() == MessageBox::No)
            return;
        setWindowTitle(QStringLiteral("View Results"));
        DeleteExam();
        if (ScreenHost *host = ScreenHost::current())
            host->OpenScreen(1);
        break;
    }
    case 4:
        m_rsExam.reset();
        UnloadIfLoaded(this);
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

void frmViewExam::DeleteExam()
{
    gDB = std::make_unique<cDBAccess>();
    gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
    if (AppExit::requested())
        return;
    QString failure;
    // The title and its questions go in one transaction: the exam is removed whole or not at all,
    // whatever fails or is killed in between.
    if (!gDB->BeginBatch()) {
        failure = gDB->mLastError;
    } else {
        // Its side rows (flags, progress) go first, in the same transaction.
        bool ok = true;
        for (const QString &side : ExamQueries::deleteSideRows(m_examId))
            ok = ok && gDB->ExecuteSQL(side);
        gSQL = QStringLiteral("DELETE FROM ExamTitle ") + QStringLiteral(" WHERE ExamID = ") + QString::number(m_examId);
        ok = ok && gDB->ExecuteSQL(gSQL);
        if (ok) {
            gSQL = QStringLiteral("DELETE FROM ExamDetails ") + QStringLiteral(" WHERE ExamID = ")
                   + QString::number(m_examId);
            ok = gDB->ExecuteSQL(gSQL);
        }
        if (!ok) {
            failure = gDB->mLastError;
            gDB->RollbackBatch();
        } else if (!gDB->CommitBatch()) {
            failure = gDB->mLastError;
        }
    }
    gDB.reset();
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
    stretchFrame(m_review, {txtFields(0), txtFields(1), txtFields(2), txtFields(3), txtFields(4), txtFields(9)},
                 clientWidth);
}
