#include "widgets/RecordsetModel.h"

#include "data/Recordset.h"

RecordsetModel::RecordsetModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

RecordsetModel::~RecordsetModel() = default;

void RecordsetModel::setRecordset(std::shared_ptr<Recordset> recordset)
{
    beginResetModel();
    if (m_recordset)
        disconnect(m_recordset.get(), nullptr, this, nullptr);
    m_recordset = std::move(recordset);
    if (m_recordset) {
        connect(m_recordset.get(), &Recordset::valueChanged, this, [this](int row, int field) {
            const QModelIndex changed = index(row, field);
            emit dataChanged(changed, changed);
        });
    }
    endResetModel();
}

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_recordset ? 0 : m_recordset->RecordCount();
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_recordset ? 0 : m_recordset->fieldCount();
}

QString RecordsetModel::displayText(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    if (value.typeId() == QMetaType::Double) {
        const double d = value.toDouble();
        if (d == double(qlonglong(d)))
            return QString::number(qlonglong(d));
    }
    return value.toString();
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!m_recordset || !index.isValid())
        return QVariant();
    const QVariant value = m_recordset->value(index.row(), index.column());
    if (role == Qt::DisplayRole)
        return displayText(value);
    if (role == Qt::EditRole)
        return value;
    return QVariant();
}

bool RecordsetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_recordset || !index.isValid() || role != Qt::EditRole || index.row() != m_recordset->currentRow())
        return false;
    return m_recordset->setValue(index.column(), value);
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_recordset || role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_recordset->fieldCount() ? m_recordset->column(section).name : QVariant();
    return section + 1;
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_recordset && m_recordset->isUpdatable() && index.row() == m_recordset->currentRow())
        f |= Qt::ItemIsEditable;
    return f;
}
