#include "review/ExamListModel.h"

#include <QColor>

#include "data/ReviewSession.h"
#include "widgets/RecordsetModel.h"

ExamListModel::ExamListModel(ReviewSession *session, QObject *parent)
    : QAbstractTableModel(parent)
    , m_session(session)
{
}

ExamListModel::~ExamListModel() = default;

QColor ExamListModel::shade()
{
    return QColor(192, 192, 192);
}

bool ExamListModel::reload()
{
    beginResetModel();
    const bool read = m_session->openList();
    endResetModel();
    return read;
}

int ExamListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_session->listedCount();
}

int ExamListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_session->columnCount();
}

QVariant ExamListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return RecordsetModel::displayText(m_session->listValue(index.row(), index.column()));
    case Qt::EditRole:
        return m_session->listValue(index.row(), index.column());
    case Qt::BackgroundRole:
        return ReviewSession::isShaded(index.row()) ? QVariant(shade()) : QVariant();
    default:
        return QVariant();
    }
}

QVariant ExamListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_session->columnCount() ? QVariant(m_session->heading(section)) : QVariant();
    return section + 1;
}

bool ExamListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_session->canFetchMore();
}

void ExamListModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid())
        return;
    const int added
        = m_session->fetchMore([this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
    if (added > 0)
        endInsertRows();
}
