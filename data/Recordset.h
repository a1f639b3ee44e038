#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QString>
#include <QVariant>

#include "data/Database.h"
#include "data/DbError.h"

// A client-side static cursor over a whole query result. An updatable recordset writes a
// changed row back when the cursor leaves it (or on Update()), by the row's key and only if the
// changed fields still hold the values that were read.
class Recordset final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Recordset)

public:
    using Column = Database::Column;

    // Runs `sql` (already in the engine's dialect) and fetches every row.
    static std::shared_ptr<Recordset> open(
        std::shared_ptr<Database> connection, const QString &sql, bool updatable, DbError *error);
    ~Recordset() override;
    // A read-only recordset of some of this one's rows (0-based, in the order given), with the
    // same columns: a filtered view that moves and binds as any other recordset.
    std::shared_ptr<Recordset> subset(const std::vector<int> &rows) const;

    int RecordCount() const { return int(m_rows.size()); }
    bool BOF() const { return m_rows.empty() || m_pos < 0; }
    bool Eof() const { return m_rows.empty() || m_pos >= RecordCount(); }
    // 1-based position of the current row; -1 without rows, -2 before the first, -3 after the last.
    int AbsolutePosition() const;
    bool isUpdatable() const { return m_updatable; }

    // Moves do nothing when there is no row to move to.
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    // Moves to the row at a 1-based position, as the other moves do (the row left is written back).
    void setAbsolutePosition(int position);

    int fieldCount() const { return int(m_columns.size()); }
    const Column &column(int index) const { return m_columns[size_t(index)]; }
    int fieldIndex(const QString &name) const; // case-insensitive, -1 when absent
    QVariant Fields(const QString &name) const; // the current row's value
    QVariant value(int row, int field) const;
    // The value as it was read or last written back: what the database holds, as far as this
    // recordset knows, while a change waits to be stored.
    QVariant storedValue(int row, int field) const;
    int currentRow() const { return m_pos; }

    // Changes a field of the current row; the row is written back when the cursor leaves it.
    bool setField(const QString &name, const QVariant &value);
    bool setValue(int field, const QVariant &value);
    bool isDirty() const;
    // Writes the current row back now when it has changes. False (and writeFailed) on a failure.
    bool Update();
    // The same for any row, the cursor staying where it is.
    bool updateRow(int row);
    bool isRowDirty(int row) const;
    DbError lastError() const { return m_lastError; }
    // Where a write-back that could not reach the database gets a fresh connection to try once
    // more on; null when there is none to be had. Without it the write-back simply fails.
    void setReconnect(std::function<std::shared_ptr<Database>()> fresh) { m_reconnect = std::move(fresh); }
    // Told of every write-back that wrote something: the row, and the failure or null when stored.
    void setWriteBackObserver(std::function<void(int row, const DbError *failure)> observer)
    {
        m_observer = std::move(observer);
    }
    // A statement run inside each write-back's transaction, after the row's own update: what
    // must be stored with an answer costs no extra sync of the file. Its failure is ignored.
    void setWriteBackCompanion(std::function<QString()> sql) { m_companion = std::move(sql); }
    // Stores a changed row in place of the UPDATE by key, where the database takes writes only
    // through its own functions (a class's server). Returns false with `error` set; the row then
    // keeps its change as after any failed write-back.
    using RowWriter = std::function<bool(Database &db, int row, DbError *error)>;
    void setRowWriter(RowWriter writer) { m_rowWriter = std::move(writer); }
    // Whether the field of `row` was changed since it was last stored.
    bool isChanged(int row, int field) const;

signals:
    void currentRowChanged(); // the row under the cursor changed: bound controls refresh
    void moveComplete(); // after every completed move, once the controls show the row
    void valueChanged(int row, int field);
    void writeFailed(const QString &message);

private:
    Recordset() = default;
    void moveTo(int pos);
    bool writeBack(int row);
    bool writeOnce(int row, const std::vector<std::pair<QString, std::vector<int>>> &byTable);
    bool writeTable(int row, const QString &table, const std::vector<int> &fields);
    void findKeys();

    std::shared_ptr<Database> m_connection;
    std::vector<Column> m_columns;
    std::vector<std::vector<QVariant>> m_rows;
    std::vector<std::vector<QVariant>> m_original; // values as read, for the optimistic check
    std::vector<std::vector<bool>> m_changed;
    std::vector<std::pair<QString, int>> m_keys; // base table -> result column of its key
    std::function<QString()> m_companion;
    RowWriter m_rowWriter;
    std::function<std::shared_ptr<Database>()> m_reconnect;
    std::function<void(int, const DbError *)> m_observer;
    int m_pos = -1;
    bool m_updatable = false;
    DbError m_lastError;
};
