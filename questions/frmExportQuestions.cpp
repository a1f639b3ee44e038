#include "questions/frmExportQuestions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "bank/BankImport.h"
#include "bank/QuestionBank.h"
#include "data/ExamSchema.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

frmExportQuestions::frmExportQuestions(QString databasePath, QWidget *parent)
    : QDialog(parent)
    , m_database(std::move(databasePath))
    , m_format(new QComboBox(this))
    , m_export(new QPushButton(QStringLiteral("Export..."), this))
{
    setObjectName(QStringLiteral("frmExportQuestions"));
    setWindowTitle(QStringLiteral("Export Questions"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    for (const QuestionBank::Format f : QuestionBank::kFormats)
        m_format->addItem(QuestionBank::formatName(f), int(f));
    m_format->setAccessibleName(QStringLiteral("Format"));
    form->addRow(QStringLiteral("Format:"), m_format);
    layout->addLayout(form);
    auto *box = new QGroupBox(QStringLiteral("Categories"), this);
    auto *boxes = new QVBoxLayout(box);
    const QStringList categories = ExamSchema::categories();
    for (int i = 0; i < 6; ++i) {
        m_categories[i] = new QCheckBox(categories.at(i), box);
        m_categories[i]->setChecked(true);
        connect(m_categories[i], &QCheckBox::toggled, this, [this] {
            bool any = false;
            for (QCheckBox *c : m_categories)
                any = any || c->isChecked();
            m_export->setEnabled(any);
        });
        boxes->addWidget(m_categories[i]);
    }
    layout->addWidget(box);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(m_export, QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    connect(m_export, &QPushButton::clicked, this, &frmExportQuestions::Export_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

frmExportQuestions::~frmExportQuestions() = default;

void frmExportQuestions::Export_Click()
{
    const auto format = QuestionBank::Format(m_format->currentData().toInt());
    QStringList chosen;
    for (QCheckBox *c : m_categories) {
        if (c->isChecked())
            chosen << c->text();
    }
    const QString suggested = QStringLiteral("questions.") + QuestionBank::fileExtension(format);
    const std::optional<QString> target = FileDialog::getSaveFileName(
        this, QStringLiteral("Export Questions"), QuestionBank::fileFilter(format), suggested);
    if (!target || target->isEmpty())
        return;
    std::vector<BankQuestion> questions;
    QStringList warnings;
    QString error;
    if (BankImport::poolQuestions(m_database, chosen.size() == 6 ? QStringList() : chosen, &questions, &error)) {
        QSaveFile file(*target);
        if (!file.open(QIODevice::WriteOnly) || file.write(QuestionBank::write(questions, format, &warnings)) < 0
            || !file.commit())
            error = file.errorString();
    }
    if (!error.isEmpty()) {
        MessageBox::show(QStringLiteral("The questions could not be exported:\n") + error, MessageBox::OkOnly,
            MessageBox::Critical, QStringLiteral("Export Questions"));
        return;
    }
    QString told = QStringLiteral("%1 questions written to %2.").arg(questions.size()).arg(*target);
    if (!warnings.isEmpty()) {
        // What the format could not hold, so that nobody takes the file for the whole pool; a box
        // shows the first lines.
        constexpr qsizetype kShown = 20;
        told += QStringLiteral("\n\nLeft out, as %1 cannot hold it:\n").arg(QuestionBank::formatName(format))
            + warnings.mid(0, kShown).join(QLatin1Char('\n'));
        if (warnings.size() > kShown)
            told += QStringLiteral("\nand %1 more").arg(warnings.size() - kShown);
    }
    MessageBox::show(told, MessageBox::OkOnly, warnings.isEmpty() ? MessageBox::Information : MessageBox::Exclamation,
        QStringLiteral("Export Questions"));
    accept();
}
