#include "widgets/DataBinder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "data/Recordset.h"
#include "widgets/RecordsetModel.h"

DataBinder::DataBinder(QObject *parent)
    : QObject(parent)
    , m_model(new RecordsetModel(this))
{
}

DataBinder::~DataBinder() = default;

void DataBinder::bind(QWidget *control, const QString &field)
{
    m_bindings.push_back(Binding{control, field});
    if (auto *line = qobject_cast<QLineEdit *>(control)) {
        connect(line, &QLineEdit::textChanged, this, [this, line] { carryIntoRow(line); });
    } else if (auto *text = qobject_cast<QPlainTextEdit *>(control)) {
        connect(text, &QPlainTextEdit::textChanged, this, [this, text] { carryIntoRow(text); });
    } else if (auto *check = qobject_cast<QCheckBox *>(control)) {
        connect(check, &QCheckBox::toggled, this, [this, check] { carryIntoRow(check); });
    }
}

void DataBinder::setRecordset(std::shared_ptr<Recordset> recordset)
{
    if (const auto old = m_model->recordset())
        disconnect(old.get(), nullptr, this, nullptr);
    m_model->setRecordset(recordset);
    if (recordset)
        connect(recordset.get(), &Recordset::currentRowChanged, this, &DataBinder::refresh);
    refresh();
}

std::shared_ptr<Recordset> DataBinder::recordset() const
{
    return m_model->recordset();
}

void DataBinder::refresh()
{
    const auto rs = m_model->recordset();
    m_refreshing = true;
    for (const Binding &binding : m_bindings) {
        if (!binding.control)
            continue;
        const int field = rs ? rs->fieldIndex(binding.field) : -1;
        const int row = rs ? rs->currentRow() : -1;
        showValue(binding, field < 0 ? QVariant() : m_model->data(m_model->index(row, field), Qt::EditRole));
    }
    m_refreshing = false;
}

void DataBinder::showValue(const Binding &binding, const QVariant &value)
{
    const QString text = RecordsetModel::displayText(value);
    if (auto *line = qobject_cast<QLineEdit *>(binding.control.data())) {
        // Most moves keep the category: the same text is not set again.
        if (line->text() != text)
            line->setText(text);
        line->setCursorPosition(0);
    } else if (auto *edit = qobject_cast<QPlainTextEdit *>(binding.control.data())) {
        if (edit->toPlainText() != text)
            edit->setPlainText(text);
    } else if (auto *check = qobject_cast<QCheckBox *>(binding.control.data())) {
        check->setChecked(!value.isNull() && value.toLongLong() != 0);
    }
}

void DataBinder::carryIntoRow(const QWidget *control)
{
    const auto rs = m_model->recordset();
    if (m_refreshing || !rs)
        return;
    for (const Binding &binding : m_bindings) {
        if (binding.control != control)
            continue;
        const int field = rs->fieldIndex(binding.field);
        if (field < 0)
            return;
        const auto *check = qobject_cast<const QCheckBox *>(control);
        const QVariant value = check ? QVariant(check->isChecked()) : QVariant(textOf(control));
        m_model->setData(m_model->index(rs->currentRow(), field), value, Qt::EditRole);
        return;
    }
}

QString DataBinder::textOf(const QWidget *control)
{
    if (const auto *line = qobject_cast<const QLineEdit *>(control))
        return line->text();
    if (const auto *edit = qobject_cast<const QPlainTextEdit *>(control))
        return edit->toPlainText();
    return QString();
}

void DataBinder::setTextOf(QWidget *control, const QString &text)
{
    if (auto *line = qobject_cast<QLineEdit *>(control))
        line->setText(text);
    else if (auto *edit = qobject_cast<QPlainTextEdit *>(control))
        edit->setPlainText(text);
}
