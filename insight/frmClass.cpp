#include "insight/frmClass.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "core/UserSettings.h"
#include "data/ClassLiveFeed.h"
#include "data/ClassOverviewCsv.h"
#include "data/Connection.h"
#include "data/ConnectionPool.h"
#include "data/DataGlobals.h"
#include "data/ExamSchema.h"
#include "data/cDBAccess.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/ScreenHost.h"

namespace {
const QString kTitle = QStringLiteral("Class");

QStandardItem *cell(const QString &text, bool number)
{
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// Light fills with the table's dark text: readable in either theme's table and in print.
QBrush judgementBrush(bool passes)
{
    return QBrush(passes ? QColor(0xc8, 0xe6, 0xc9) : QColor(0xff, 0xcd, 0xd2));
}

QString clock(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QTableView *makeTable(QStandardItemModel *model, const QString &name, const QString &accessible, QWidget *parent)
{
    auto *table = new QTableView(parent);
    table->setObjectName(name);
    table->setAccessibleName(accessible);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

// The server session the live view reads on: its own, beside the program's.
ClassLiveFeed::Opener liveSession()
{
    return ConnectionPool::separateServer(cDBAccess::connectionDescription(gDbProvider, QString(), gDbName, gDSN));
}
} // namespace

frmClass::frmClass(QWidget *parent)
    : QDialog(parent)
    , m_tabs(new QTabWidget(this))
    , m_recent(new QSpinBox(this))
    , m_note(new QLabel(this))
    , m_overviewModel(new QStandardItemModel(this))
    , m_overview(nullptr)
    , m_export(new QPushButton(QStringLiteral("Export CSV..."), this))
    , m_liveModel(new QStandardItemModel(this))
    , m_live(nullptr)
    , m_liveStatus(new QLabel(this))
    , m_end(new QPushButton(QStringLiteral("&End this candidate's exam"), this))
    , m_timer(new QTimer(this))
    , m_feed(std::make_unique<ClassLiveFeed>(liveSession()))
{
    setObjectName(QStringLiteral("frmClass"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);

    // The overview.
    auto *overviewPage = new QWidget(m_tabs);
    auto *overviewLayout = new QVBoxLayout(overviewPage);
    auto *choices = new QHBoxLayout;
    auto *recentLabel = new QLabel(QStringLiteral("&Latest exams counted:"), overviewPage);
    recentLabel->setBuddy(m_recent);
    m_recent->setObjectName(QStringLiteral("spnRecent"));
    m_recent->setAccessibleName(QStringLiteral("Latest exams counted"));
    m_recent->setRange(1, ClassOverview::kMostRecent);
    m_recent->setValue(ClassOverview::kDefaultRecent);
    choices->addWidget(recentLabel);
    choices->addWidget(m_recent);
    choices->addStretch(1);
    choices->addWidget(m_export);
    overviewLayout->addLayout(choices);
    m_note->setObjectName(QStringLiteral("lblNote"));
    overviewLayout->addWidget(m_note);
    QStringList headings{QStringLiteral("Candidate"), QStringLiteral("Exams"), QStringLiteral("Latest")};
    headings << ExamSchema::categories();
    m_overviewModel->setHorizontalHeaderLabels(headings);
    m_overview = makeTable(m_overviewModel, QStringLiteral("tblOverview"), QStringLiteral("Class overview"), this);
    connect(m_overview, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        const QString name = m_overviewModel->index(index.row(), Candidate).data().toString();
        if (ScreenHost *host = ScreenHost::current())
            host->OpenProgressChart(name);
    });
    overviewLayout->addWidget(m_overview, 1);
    m_tabs->addTab(overviewPage, QStringLiteral("&Overview"));

    // Who is in an exam now.
    auto *livePage = new QWidget(m_tabs);
    auto *liveLayout = new QVBoxLayout(livePage);
    m_liveModel->setHorizontalHeaderLabels({QStringLiteral("Candidate"), QStringLiteral("Answered"),
        QStringLiteral("Time left"), QStringLiteral("Last heartbeat")});
    m_live = makeTable(m_liveModel, QStringLiteral("tblLive"), QStringLiteral("Exams running now"), this);
    liveLayout->addWidget(m_live, 1);
    auto *liveBar = new QHBoxLayout;
    m_liveStatus->setObjectName(QStringLiteral("lblLiveStatus"));
    m_liveStatus->setWordWrap(true);
    liveBar->addWidget(m_liveStatus, 1);
    m_end->setObjectName(QStringLiteral("cmdEndExam"));
    m_end->setEnabled(false);
    liveBar->addWidget(m_end);
    liveLayout->addLayout(liveBar);
    m_tabs->addTab(livePage, QStringLiteral("&Live"));
    connect(m_live->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this] { m_end->setEnabled(m_live->selectionModel()->hasSelection()); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_export, &QPushButton::clicked, this, &frmClass::Export_Click);
    connect(m_end, &QPushButton::clicked, this, &frmClass::End_Click);
    connect(m_recent, &QSpinBox::valueChanged, this, &frmClass::refresh);
    connect(m_feed.get(), &ClassLiveFeed::arrived, this, &frmClass::showRunning);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &frmClass::refreshLive);
    m_timer->start();
    resize(980, 520);
}

frmClass::~frmClass()
{
    m_timer->stop();
}

bool frmClass::refresh()
{
    QString error;
    std::vector<ClassOverview::Candidate> rows;
    bool read = false;
    {
        cDBAccess access;
        if (!access.Open_Connection(gDbProvider, QString(), gDbName, gDSN))
            return false;
        const std::shared_ptr<Connection> connection = access.GetConnection();
        const std::shared_ptr<Database> db = connection ? connection->database() : nullptr;
        read = db && ClassOverview::read(*db, m_recent->value(), &rows, &error);
    }
    m_rows = std::move(rows);
    fillOverview();
    if (!read) {
        MessageBox::show(QStringLiteral("The class's figures could not be read:\n") + error, MessageBox::OkOnly,
            MessageBox::Critical, kTitle);
        return false;
    }
    return true;
}

void frmClass::fillOverview()
{
    const int passMark = UserSettings::passMark();
    // Two lines of their own: a wrapped label in a tab page is given one line's height.
    m_note->setText(QStringLiteral("Each category: the share answered right in a candidate's latest %1 scored exams "
                                   "that are not practice exams;\ngreen at or above the pass mark of %2 %, red below. "
                                   "Double-click a candidate for their progress chart.")
                        .arg(m_recent->value())
                        .arg(passMark));
    m_overviewModel->removeRows(0, m_overviewModel->rowCount());
    for (const ClassOverview::Candidate &row : m_rows) {
        QList<QStandardItem *> cells;
        cells << cell(row.name, false) << cell(QString::number(row.exams), true);
        const std::optional<bool> passed = row.latestPassed(passMark);
        QStandardItem *latest
            = cell(passed ? (*passed ? QStringLiteral("pass") : QStringLiteral("fail")) : QString(), false);
        if (passed) {
            latest->setData(*passed ? 1 : 0, kPassRole);
            latest->setBackground(judgementBrush(*passed));
            latest->setForeground(QBrush(Qt::black));
            latest->setToolTip(QStringLiteral("%1 of %2 right").arg(row.latest->correct).arg(row.latest->questions));
        }
        cells << latest;
        for (const CategoryScore &score : row.categories) {
            const QString text = ClassOverview::percent(score);
            QStandardItem *item = cell(text.isEmpty() ? QString() : text + QStringLiteral(" %"), true);
            if (score.questions > 0) {
                const bool passes = score.passes(passMark);
                item->setData(passes ? 1 : 0, kPassRole);
                item->setBackground(judgementBrush(passes));
                item->setForeground(QBrush(Qt::black));
                item->setToolTip(QStringLiteral("%1 of %2 right").arg(score.correct).arg(score.questions));
            }
            cells << item;
        }
        m_overviewModel->appendRow(cells);
    }
    m_export->setEnabled(!m_rows.empty());
}

void frmClass::refreshLive()
{
    // Asked while a reading is under way (an exam just ended): read again once that one is in.
    if (!m_feed->request())
        m_readAgain = true;
}

void frmClass::showRunning(const std::vector<ClassOverview::Running> &rows, const QString &error)
{
    // The selection follows its candidate across a refresh.
    const QModelIndexList selected = m_live->selectionModel()->selectedRows(LiveCandidate);
    const QString chosen = selected.isEmpty() ? QString() : selected.front().data().toString();
    m_running = rows;
    m_liveModel->removeRows(0, m_liveModel->rowCount());
    for (const ClassOverview::Running &exam : m_running) {
        QList<QStandardItem *> cells;
        cells << cell(exam.practice ? exam.candidate + QStringLiteral(" (practice)") : exam.candidate, false)
              << cell(QStringLiteral("%1 of %2").arg(exam.answered).arg(exam.questions), true)
              << cell(clock(exam.secondsLeft), true)
              << cell(exam.heartbeatAge ? QStringLiteral("%1 s ago").arg(*exam.heartbeatAge) : QString(), true);
        cells.front()->setData(exam.candidate, Qt::UserRole);
        m_liveModel->appendRow(cells);
        if (exam.candidate == chosen)
            m_live->selectRow(m_liveModel->rowCount() - 1);
    }
    m_end->setEnabled(m_live->selectionModel()->hasSelection());
    m_liveStatus->setText(error.isEmpty()
            ? QStringLiteral("Exams running: %1 (by the server's clock; read every %2 s).")
                  .arg(m_running.size())
                  .arg(kRefreshMs / 1000)
            : QStringLiteral("The running exams could not be read: ") + error);
    emit liveArrived();
    if (m_readAgain) {
        m_readAgain = false;
        m_feed->request();
    }
}

void frmClass::Export_Click()
{
    const std::optional<QString> chosen = FileDialog::getSaveFileName(this, QStringLiteral("Export Class Overview"),
        QStringLiteral("CSV files (*.csv)"), QStringLiteral("class.csv"));
    if (!chosen || chosen->isEmpty())
        return;
    const QString target = QFileInfo(*chosen).suffix().isEmpty() ? *chosen + QStringLiteral(".csv") : *chosen;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(ClassOverviewCsv::write(m_rows, UserSettings::passMark())) < 0
        || !file.commit()) {
        MessageBox::show(QStringLiteral("The class overview could not be exported:\n") + file.errorString(),
            MessageBox::OkOnly, MessageBox::Critical, kTitle);
        return;
    }
    MessageBox::show(QStringLiteral("%1 candidates written to %2.").arg(m_rows.size()).arg(target), MessageBox::OkOnly,
        MessageBox::Information, kTitle);
}

void frmClass::End_Click()
{
    const QModelIndexList selected = m_live->selectionModel()->selectedRows(LiveCandidate);
    if (selected.isEmpty())
        return;
    const QString name = selected.front().data(Qt::UserRole).toString();
    if (MessageBox::show(QStringLiteral("End %1's exam now? It is scored as it stands.").arg(name), MessageBox::YesNo,
            MessageBox::Question, kTitle, MessageBox::DefaultButton2)
        != MessageBox::Yes)
        return;
    QString error;
    int ended = 0;
    bool done = false;
    {
        cDBAccess access;
        if (!access.Open_Connection(gDbProvider, QString(), gDbName, gDSN))
            return;
        const std::shared_ptr<Connection> connection = access.GetConnection();
        const std::shared_ptr<Database> db = connection ? connection->database() : nullptr;
        done = db && ClassOverview::endExamOf(*db, name, &ended, &error);
    }
    if (!done) {
        MessageBox::show(QStringLiteral("%1's exam could not be ended:\n").arg(name) + error, MessageBox::OkOnly,
            MessageBox::Critical, kTitle);
        return;
    }
    // Scored now: the overview counts it, and the live view drops it at once.
    refresh();
    refreshLive();
    if (ScreenHost *host = ScreenHost::current())
        host->StudyDataChanged();
}
