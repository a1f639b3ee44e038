#pragma once

#include <QAbstractTableModel>

class ReviewSession;

// The results list as displayed: the session's stored exams by ascending number, a page read
// whenever the view reaches the end of those read (Qt's canFetchMore/fetchMore), and every second
// displayed line shaded.
class ExamListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExamListModel)

public:
    explicit ExamListModel(ReviewSession *session, QObject *parent = nullptr);
    ~ExamListModel() override;

    // Reads the list again from its first page; false when it could not be read.
    bool reload();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    static QColor shade();

private:
    ReviewSession *m_session;
};
