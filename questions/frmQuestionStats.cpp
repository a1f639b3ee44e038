#include "questions/frmQuestionStats.h"

#include <tuple>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "core/Clock.h"
#include "data/Connection.h"
#include "data/DataGlobals.h"
#include "data/ExamSchema.h"
#include "data/QuestionStatsCsv.h"
#include "data/cDBAccess.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

namespace {
const QString kTitle = QStringLiteral("Question Statistics");
const QString kAllCategories = QStringLiteral("(all categories)");

// A fraction as the screen shows it: a percentage of the three decimals the CSV holds.
QString percent(double fraction)
{
    return QString::number(QuestionStats::rounded(fraction) * 100, 'f', 1) + QStringLiteral(" %");
}

QStandardItem *cell(const QString &text, const QVariant &sortValue, bool number)
{
    auto *item = new QStandardItem(text);
    item->setData(sortValue, frmQuestionStats::kSortRole);
    item->setEditable(false);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}
} // namespace

frmQuestionStats::frmQuestionStats(QWidget *parent)
    : QDialog(parent)
    , m_category(new QComboBox(this))
    , m_useFrom(new QCheckBox(QStringLiteral("From:"), this))
    , m_from(new QDateEdit(this))
    , m_useTo(new QCheckBox(QStringLiteral("To:"), this))
    , m_to(new QDateEdit(this))
    , m_note(new QLabel(this))
    , m_model(new QStandardItemModel(this))
    , m_sorted(new QSortFilterProxyModel(this))
    , m_table(new QTableView(this))
    , m_summary(new QLabel(this))
    , m_export(new QPushButton(QStringLiteral("Export CSV..."), this))
{
    setObjectName(QStringLiteral("frmQuestionStats"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);

    auto *choices = new QHBoxLayout;
    m_category->setObjectName(QStringLiteral("cboCategory"));
    m_category->setAccessibleName(QStringLiteral("Category"));
    m_category->addItem(kAllCategories);
    m_category->addItems(ExamSchema::categories());
    choices->addWidget(new QLabel(QStringLiteral("Category:"), this));
    choices->addWidget(m_category, 1);
    const QDate today = Clock::now().date();
    for (auto [use, date, name] : {std::make_tuple(m_useFrom, m_from, QStringLiteral("First day")),
             std::make_tuple(m_useTo, m_to, QStringLiteral("Last day"))}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setDate(today);
        date->setEnabled(false);
        date->setAccessibleName(name);
        connect(use, &QCheckBox::toggled, date, &QWidget::setEnabled);
        connect(use, &QCheckBox::toggled, this, &frmQuestionStats::refresh);
        connect(date, &QDateEdit::dateChanged, this, [this, use = use] {
            if (use->isChecked())
                refresh();
        });
        choices->addWidget(use);
        choices->addWidget(date);
    }
    layout->addLayout(choices);

    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setWordWrap(true);
    m_note->setText(QStringLiteral("Over every candidate's scored exams that are not practice exams. Facility: the "
                                   "share answered right. Discrimination: how much more often those who did well on "
                                   "the rest of their exam got it right (-1 to 1). A to F: the share of answers "
                                   "holding that letter, the key's in bold. Only questions with at least %1 "
                                   "attempts are flagged; a choice nobody picks needs %2.")
                        .arg(QuestionStats::kFlagAttempts)
                        .arg(QuestionStats::kUnpickedAttempts));
    layout->addWidget(m_note);

    QStringList headings{QStringLiteral("Question ID"), QStringLiteral("Category"), QStringLiteral("Attempts"),
        QStringLiteral("Facility"), QStringLiteral("Discrimination")};
    for (int l = 0; l < QuestionStats::kLetters; ++l)
        headings << QString(QuestionStats::letter(l));
    headings << QStringLiteral("Blank") << QStringLiteral("Flags");
    m_model->setHorizontalHeaderLabels(headings);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(kSortRole);
    m_table->setObjectName(QStringLiteral("tblStats"));
    m_table->setAccessibleName(QStringLiteral("Question statistics"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(QuestionId, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        const QModelIndex first = m_model->index(m_sorted->mapToSource(index).row(), QuestionId);
        emit questionActivated(first.data(kQidRole).toLongLong(), first.data().toString());
    });
    layout->addWidget(m_table, 1);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    layout->addWidget(m_summary);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_export, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(m_export, &QPushButton::clicked, this, &frmQuestionStats::Export_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_category, &QComboBox::currentIndexChanged, this, &frmQuestionStats::refresh);
    resize(1000, 560);
}

frmQuestionStats::~frmQuestionStats() = default;

QuestionStats::Filter frmQuestionStats::filter() const
{
    QuestionStats::Filter chosen;
    if (m_category->currentIndex() > 0)
        chosen.category = m_category->currentText();
    if (m_useFrom->isChecked())
        chosen.from = m_from->date();
    if (m_useTo->isChecked())
        chosen.to = m_to->date();
    return chosen;
}

bool frmQuestionStats::refresh()
{
    QString error;
    std::vector<QuestionStats::Row> rows;
    bool counted = false;
    {
        cDBAccess access;
        if (!access.Open_Connection(gDbProvider, QString(), gDbName, gDSN))
            return false;
        const std::shared_ptr<Connection> connection = access.GetConnection();
        const std::shared_ptr<Database> db = connection ? connection->database() : nullptr;
        counted = db && QuestionStats::compute(*db, filter(), &rows, &error);
    }
    m_rows = std::move(rows);
    fill();
    if (!counted) {
        MessageBox::show(QStringLiteral("The question statistics could not be counted:\n") + error, MessageBox::OkOnly,
            MessageBox::Critical, kTitle);
        return false;
    }
    return true;
}

void frmQuestionStats::fill()
{
    m_model->removeRows(0, m_model->rowCount());
    qint64 attempts = 0;
    for (const QuestionStats::Row &row : m_rows) {
        attempts += row.attempts;
        QList<QStandardItem *> cells;
        QStandardItem *id = cell(row.questionId, row.questionId, false);
        id->setData(row.qid, kQidRole);
        cells << id << cell(row.category, row.category, false)
              << cell(QString::number(row.attempts), row.attempts, true)
              << cell(percent(row.facility()), row.facility(), true)
              << (row.discrimination ? cell(
                      QuestionStatsCsv::decimal(*row.discrimination), QuestionStats::rounded(*row.discrimination), true)
                                     : cell(QString(), QVariant(), true));
        for (int l = 0; l < QuestionStats::kLetters; ++l) {
            const std::optional<double> share = row.share(l);
            QStandardItem *item = share ? cell(percent(*share), *share, true) : cell(QString(), QVariant(), true);
            if (share && row.isKey(l)) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setToolTip(QStringLiteral("The key"));
            }
            cells << item;
        }
        const QString flags = row.flags().join(QStringLiteral("; "));
        cells << cell(percent(row.blankShare()), row.blankShare(), true) << cell(flags, flags, false);
        m_model->appendRow(cells);
    }
    m_summary->setText(QStringLiteral("%1 questions attempted, %2 attempts.").arg(m_rows.size()).arg(attempts));
    m_export->setEnabled(!m_rows.empty());
}

void frmQuestionStats::Export_Click()
{
    const std::optional<QString> chosen
        = FileDialog::getSaveFileName(this, QStringLiteral("Export Question Statistics"),
            QStringLiteral("CSV files (*.csv)"), QStringLiteral("question-statistics.csv"));
    if (!chosen || chosen->isEmpty())
        return;
    const QString target = QFileInfo(*chosen).suffix().isEmpty() ? *chosen + QStringLiteral(".csv") : *chosen;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(QuestionStatsCsv::write(m_rows)) < 0 || !file.commit()) {
        MessageBox::show(QStringLiteral("The question statistics could not be exported:\n") + file.errorString(),
            MessageBox::OkOnly, MessageBox::Critical, kTitle);
        return;
    }
    MessageBox::show(QStringLiteral("%1 questions written to %2.").arg(m_rows.size()).arg(target), MessageBox::OkOnly,
        MessageBox::Information, kTitle);
}
