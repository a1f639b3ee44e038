#include "questions/frmImportQuestions.h"

#include <algorithm>
#include <set>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/ExamSchema.h"
#include "platform/MessageBox.h"

namespace {
const QString kChoose = QStringLiteral("(choose a category)");
const QString kLeaveOut = QStringLiteral("Leave these out");
} // namespace

frmImportQuestions::frmImportQuestions(std::vector<BankImport::File> files, QString databasePath, QWidget *parent)
    : QDialog(parent)
    , m_files(std::move(files))
    , m_database(std::move(databasePath))
    , m_summary(new QLabel(this))
    , m_counts(new QTableWidget(this))
    , m_mappingRows(new QVBoxLayout)
    , m_details(new QPlainTextEdit(this))
    , m_goodOnly(new QCheckBox(QStringLiteral("Import the good questions only"), this))
    , m_import(new QPushButton(QStringLiteral("Import"), this))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("frmImportQuestions"));
    setWindowTitle(QStringLiteral("Import Questions"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    QStringList names;
    for (const BankImport::File &file : m_files)
        names << QStringLiteral("%1, %2").arg(file.name, file.howRead());
    m_summary->setObjectName(QStringLiteral("lblFrom"));
    m_summary->setWordWrap(true);
    m_summary->setText(QStringLiteral("From: ") + names.join(QStringLiteral("; ")));
    layout->addWidget(m_summary);

    m_counts->setObjectName(QStringLiteral("tblCounts"));
    m_counts->setAccessibleName(QStringLiteral("Questions to add per category"));
    m_counts->setColumnCount(2);
    m_counts->setHorizontalHeaderLabels({QStringLiteral("Category"), QStringLiteral("Questions to add")});
    m_counts->setRowCount(int(ExamSchema::categories().size()) + 1);
    m_counts->verticalHeader()->setVisible(false);
    m_counts->verticalHeader()->setDefaultSectionSize(m_counts->fontMetrics().height() + 8);
    m_counts->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_counts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_counts->setSelectionMode(QAbstractItemView::NoSelection);
    m_counts->setFixedHeight(
        m_counts->horizontalHeader()->height() + 7 * m_counts->verticalHeader()->defaultSectionSize() + 4);
    layout->addWidget(m_counts);

    // A choice for every bank category that is not one of the six.
    std::set<QString> unknown;
    for (const auto &entry : BankImport::plan(m_files, {}).unmapped)
        unknown.insert(entry.first);
    if (!unknown.empty()) {
        auto *box = new QGroupBox(QStringLiteral("Categories of the bank"), this);
        box->setLayout(m_mappingRows);
        for (const QString &category : unknown) {
            auto *row = new QHBoxLayout;
            auto *label = new QLabel(QStringLiteral("\"%1\" becomes").arg(category), box);
            auto *choice = new QComboBox(box);
            choice->setObjectName(QStringLiteral("cboMapping"));
            choice->setAccessibleName(QStringLiteral("Category for \"%1\"").arg(category));
            choice->addItems(QStringList{kChoose} + ExamSchema::categories() + QStringList{kLeaveOut});
            connect(choice, &QComboBox::currentIndexChanged, this, &frmImportQuestions::replan);
            row->addWidget(label, 1);
            row->addWidget(choice);
            m_mappingRows->addLayout(row);
            m_mappings.emplace_back(category, choice);
        }
        layout->addWidget(box);
    }

    m_details->setObjectName(QStringLiteral("txtDetails"));
    m_details->setAccessibleName(QStringLiteral("Left out, errors and warnings"));
    m_details->setReadOnly(true);
    m_details->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(new QLabel(QStringLiteral("Left out, errors and warnings:"), this));
    layout->addWidget(m_details, 1);
    layout->addWidget(m_goodOnly);
    connect(m_goodOnly, &QCheckBox::toggled, this, &frmImportQuestions::replan);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_import, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancel, QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(m_import, &QPushButton::clicked, this, &frmImportQuestions::Import_Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(560, 520);
    replan();
}

frmImportQuestions::~frmImportQuestions() = default;

QComboBox *frmImportQuestions::mappingFor(const QString &bankCategory) const
{
    for (const auto &[category, choice] : m_mappings) {
        if (category == bankCategory)
            return choice;
    }
    return nullptr;
}

void frmImportQuestions::replan()
{
    BankImport::Mapping mapping;
    std::vector<BankImport::File> files = m_files;
    std::set<QString> leftOut;
    for (const auto &[category, choice] : m_mappings) {
        if (choice->currentText() == kLeaveOut)
            leftOut.insert(category);
        else if (choice->currentIndex() > 0)
            mapping.byBankCategory[category] = choice->currentText();
    }
    // Questions of a category the person leaves out are not part of the import at all.
    for (BankImport::File &file : files) {
        auto &questions = file.read.questions;
        questions.erase(
            std::remove_if(questions.begin(), questions.end(),
                [&](const BankQuestion &q) {
                    return leftOut.count(q.category().isEmpty() ? QStringLiteral("(no category)") : q.category()) > 0;
                }),
            questions.end());
    }
    m_plan = BankImport::plan(files, mapping);
    const QStringList categories = ExamSchema::categories();
    int total = 0;
    for (int row = 0; row < categories.size(); ++row) {
        const int count = m_plan.perCategory.count(categories.at(row)) ? m_plan.perCategory.at(categories.at(row)) : 0;
        total += count;
        m_counts->setItem(row, 0, new QTableWidgetItem(categories.at(row)));
        auto *number = new QTableWidgetItem(QString::number(count));
        number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_counts->setItem(row, 1, number);
    }
    m_counts->setItem(int(categories.size()), 0, new QTableWidgetItem(QStringLiteral("Total")));
    auto *sum = new QTableWidgetItem(QString::number(total));
    sum->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_counts->setItem(int(categories.size()), 1, sum);
    QStringList lines;
    if (!leftOut.empty())
        lines << QStringLiteral("left out by choice: ")
                + QStringList(leftOut.begin(), leftOut.end()).join(QStringLiteral(", "));
    for (const QString &line : BankImport::describe(m_plan)) {
        if (!line.contains(QLatin1String(": ")) || !categories.contains(line.section(QLatin1String(": "), 0, 0)))
            lines << line;
    }
    m_details->setPlainText(lines.join(QLatin1Char('\n')));
    m_goodOnly->setEnabled(!m_plan.errors.isEmpty());
    m_import->setEnabled(BankImport::canImport(m_plan, m_goodOnly->isChecked()));
}

void frmImportQuestions::Import_Click()
{
    if (!BankImport::canImport(m_plan, m_goodOnly->isChecked()))
        return;
    PoolStore::Report report;
    QString error;
    if (!BankImport::apply(m_database, m_plan, &report, &error)) {
        MessageBox::show(QStringLiteral("The questions could not be imported:\n") + error, MessageBox::OkOnly,
            MessageBox::Critical, QStringLiteral("Import Questions"));
        return;
    }
    MessageBox::show(BankImport::describe(report).join(QLatin1Char('\n')), MessageBox::OkOnly, MessageBox::Information,
        QStringLiteral("Import Questions"));
    emit imported();
    accept();
}
