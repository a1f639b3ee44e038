#pragma once

#include <memory>

#include <QAbstractTableModel>

class Recordset;

// A recordset as a Qt table: one row per record, its field names as headings. Edits go into the
// recordset's current row (other rows are read-only), which writes them back when it moves on.
class RecordsetModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordsetModel)

public:
    explicit RecordsetModel(QObject *parent = nullptr);
    ~RecordsetModel() override;

    void setRecordset(std::shared_ptr<Recordset> recordset);
    std::shared_ptr<Recordset> recordset() const { return m_recordset; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Text of a value as a bound control shows it: empty for a missing value.
    static QString displayText(const QVariant &value);

private:
    std::shared_ptr<Recordset> m_recordset;
};
