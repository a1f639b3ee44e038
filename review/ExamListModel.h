#pragma once

#include <QSortFilterProxyModel>

// The results list as displayed: rows sorted in ascending generic order (a cell that reads as a
// number compares as a number, any other as text) with the columns as keys from left to right,
// and every second displayed line shaded.
class ExamListModel final : public QSortFilterProxyModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExamListModel)

public:
    explicit ExamListModel(QObject *parent = nullptr);
    ~ExamListModel() override;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    static QColor shade();

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};
