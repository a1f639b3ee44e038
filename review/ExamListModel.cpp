#include "review/ExamListModel.h"

#include <QColor>

namespace {
bool isNumberType(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// A cell's value as a number, when it reads as one.
double asNumber(const QVariant &v, bool *ok)
{
    if (v.isNull()) {
        *ok = false;
        return 0;
    }
    if (isNumberType(v)) {
        *ok = true;
        return v.toDouble();
    }
    return v.toString().toDouble(ok);
}

// -1, 0 or 1 in generic order.
int compareGeneric(const QVariant &a, const QVariant &b)
{
    bool aNumber = false;
    bool bNumber = false;
    const double x = asNumber(a, &aNumber);
    const double y = asNumber(b, &bNumber);
    if (aNumber && bNumber)
        return x < y ? -1 : (y < x ? 1 : 0);
    const QString s = a.isNull() ? QString() : a.toString();
    const QString t = b.isNull() ? QString() : b.toString();
    return s.compare(t, Qt::CaseInsensitive);
}
} // namespace

ExamListModel::ExamListModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(false);
}

ExamListModel::~ExamListModel() = default;

QColor ExamListModel::shade()
{
    return QColor(192, 192, 192);
}

QVariant ExamListModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::BackgroundRole && index.isValid())
        return index.row() % 2 == 1 ? QVariant(shade()) : QVariant();
    return QSortFilterProxyModel::data(index, role);
}

bool ExamListModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QAbstractItemModel *source = sourceModel();
    for (int column = 0; column < source->columnCount(); ++column) {
        const int order = compareGeneric(source->index(left.row(), column).data(Qt::EditRole),
            source->index(right.row(), column).data(Qt::EditRole));
        if (order != 0)
            return order < 0;
    }
    return false;
}
