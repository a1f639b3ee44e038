#include "data/Recordset.h"

#include <algorithm>

std::shared_ptr<Recordset> Recordset::open(
    std::shared_ptr<Database> connection, const QString &sql, bool updatable, DbError *error)
{
    Database::Result result;
    if (!connection->query(sql, &result, error))
        return nullptr;
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->m_connection = std::move(connection);
    rs->m_updatable = updatable;
    rs->m_columns = std::move(result.columns);
    rs->m_rows = std::move(result.rows);
    if (updatable) {
        rs->m_original = rs->m_rows;
        rs->m_changed.assign(rs->m_rows.size(), std::vector<bool>(rs->m_columns.size(), false));
        rs->findKeys();
    }
    rs->m_pos = rs->m_rows.empty() ? -1 : 0;
    return rs;
}

Recordset::~Recordset() = default;

std::shared_ptr<Recordset> Recordset::subset(const std::vector<int> &rows) const
{
    std::shared_ptr<Recordset> view(new Recordset);
    view->m_connection = m_connection;
    view->m_columns = m_columns;
    for (const int row : rows) {
        if (row >= 0 && row < RecordCount())
            view->m_rows.push_back(m_rows[size_t(row)]);
    }
    view->m_pos = view->m_rows.empty() ? -1 : 0;
    return view;
}

void Recordset::findKeys()
{
    std::vector<QString> tables;
    for (const Column &c : m_columns) {
        if (!c.table.isEmpty() && std::find(tables.begin(), tables.end(), c.table) == tables.end())
            tables.push_back(c.table);
    }
    for (const QString &table : tables) {
        const QString key = m_connection->keyColumn(table);
        for (int i = 0; i < fieldCount(); ++i) {
            if (!key.isEmpty() && m_columns[size_t(i)].table == table
                && m_columns[size_t(i)].origin.compare(key, Qt::CaseInsensitive) == 0) {
                m_keys.emplace_back(table, i);
                break;
            }
        }
    }
}

int Recordset::AbsolutePosition() const
{
    if (m_rows.empty())
        return -1;
    if (BOF())
        return -2;
    if (Eof())
        return -3;
    return m_pos + 1;
}

void Recordset::moveTo(int pos)
{
    if (m_pos >= 0 && m_pos < RecordCount() && m_pos != pos)
        writeBack(m_pos);
    m_pos = pos;
    emit currentRowChanged();
    emit moveComplete();
}

void Recordset::MoveFirst()
{
    if (!m_rows.empty())
        moveTo(0);
}

void Recordset::MoveLast()
{
    if (!m_rows.empty())
        moveTo(RecordCount() - 1);
}

void Recordset::MoveNext()
{
    if (!Eof())
        moveTo(m_pos + 1);
}

void Recordset::MovePrevious()
{
    if (!BOF())
        moveTo(m_pos - 1);
}

void Recordset::setAbsolutePosition(int position)
{
    if (position >= 1 && position <= RecordCount())
        moveTo(position - 1);
}

int Recordset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < fieldCount(); ++i) {
        if (m_columns[size_t(i)].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant Recordset::Fields(const QString &name) const
{
    const int field = fieldIndex(name);
    if (field < 0 || BOF() || Eof())
        return QVariant();
    return m_rows[size_t(m_pos)][size_t(field)];
}

QVariant Recordset::value(int row, int field) const
{
    if (row < 0 || row >= RecordCount() || field < 0 || field >= fieldCount())
        return QVariant();
    return m_rows[size_t(row)][size_t(field)];
}

QVariant Recordset::storedValue(int row, int field) const
{
    if (!m_updatable)
        return value(row, field);
    if (row < 0 || row >= RecordCount() || field < 0 || field >= fieldCount())
        return QVariant();
    return m_original[size_t(row)][size_t(field)];
}

bool Recordset::setField(const QString &name, const QVariant &value)
{
    return setValue(fieldIndex(name), value);
}

bool Recordset::setValue(int field, const QVariant &value)
{
    if (!m_updatable || field < 0 || field >= fieldCount() || BOF() || Eof())
        return false;
    QVariant &cell = m_rows[size_t(m_pos)][size_t(field)];
    if (cell == value && cell.isNull() == value.isNull())
        return true;
    cell = value;
    m_changed[size_t(m_pos)][size_t(field)] = true;
    emit valueChanged(m_pos, field);
    return true;
}

bool Recordset::isDirty() const
{
    if (!m_updatable || BOF() || Eof())
        return false;
    const auto &changed = m_changed[size_t(m_pos)];
    return std::find(changed.begin(), changed.end(), true) != changed.end();
}

bool Recordset::isChanged(int row, int field) const
{
    return row >= 0 && row < RecordCount() && field >= 0 && field < fieldCount() && m_updatable
        && m_changed[size_t(row)][size_t(field)];
}

bool Recordset::Update()
{
    if (BOF() || Eof())
        return true;
    return writeBack(m_pos);
}

bool Recordset::updateRow(int row)
{
    return row < 0 || row >= RecordCount() || writeBack(row);
}

bool Recordset::isRowDirty(int row) const
{
    if (!m_updatable || row < 0 || row >= RecordCount())
        return false;
    const auto &changed = m_changed[size_t(row)];
    return std::find(changed.begin(), changed.end(), true) != changed.end();
}

bool Recordset::writeBack(int row)
{
    if (!m_updatable)
        return true;
    std::vector<std::pair<QString, std::vector<int>>> byTable;
    for (int f = 0; f < fieldCount(); ++f) {
        if (!m_changed[size_t(row)][size_t(f)])
            continue;
        const QString &table = m_columns[size_t(f)].table;
        auto it = std::find_if(byTable.begin(), byTable.end(), [&](const auto &e) { return e.first == table; });
        if (it == byTable.end())
            byTable.emplace_back(table, std::vector<int>{f});
        else
            it->second.push_back(f);
    }
    if (byTable.empty())
        return true;

    // Inside a caller's transaction the write must stay on that transaction's connection.
    const bool own = !m_connection->inTransaction();
    bool ok = writeOnce(row, byTable);
    if (!ok && own && m_reconnect) {
        // A connection the database dropped stays dropped: the write goes once more on a fresh
        // one, which a server back from a restart or a file no longer locked will take.
        const bool lost = m_lastError.unreachable || !m_connection->isUsable();
        if (lost) {
            m_lastError.unreachable = true;
            if (std::shared_ptr<Database> fresh = m_reconnect()) {
                m_connection = std::move(fresh);
                ok = writeOnce(row, byTable);
                if (!ok && !m_connection->isUsable())
                    m_lastError.unreachable = true;
            }
        }
    }
    if (!ok) {
        if (m_observer)
            m_observer(row, &m_lastError);
        // The row keeps its change so that a later write-back retries it.
        emit writeFailed(m_lastError.text());
        return false;
    }
    for (int f = 0; f < fieldCount(); ++f) {
        if (m_changed[size_t(row)][size_t(f)]) {
            m_original[size_t(row)][size_t(f)] = m_rows[size_t(row)][size_t(f)];
            m_changed[size_t(row)][size_t(f)] = false;
        }
    }
    if (m_observer)
        m_observer(row, nullptr);
    return true;
}

bool Recordset::writeOnce(int row, const std::vector<std::pair<QString, std::vector<int>>> &byTable)
{
    Database &db = *m_connection;
    if (m_rowWriter) {
        if (!m_rowWriter(db, row, &m_lastError))
            return false;
        std::fill(m_changed[size_t(row)].begin(), m_changed[size_t(row)].end(), false);
        m_original[size_t(row)] = m_rows[size_t(row)];
        return true;
    }
    const bool ownTransaction = !db.inTransaction();
    bool ok = !ownTransaction || db.begin(&m_lastError);
    for (const auto &entry : byTable) {
        if (!ok || !writeTable(row, entry.first, entry.second)) {
            ok = false;
            break;
        }
    }
    if (ok && m_companion) {
        const QString companion = m_companion();
        DbError ignored;
        if (!companion.isEmpty())
            db.executeAside(db.translate(companion), &ignored);
    }
    if (ok && ownTransaction && !db.commit(&m_lastError)) {
        m_lastError.number = DbError::GenericFailure;
        ok = false;
    }
    if (!ok && ownTransaction)
        db.rollback();
    return ok;
}

bool Recordset::writeTable(int row, const QString &table, const std::vector<int> &fields)
{
    const auto key = std::find_if(m_keys.begin(), m_keys.end(), [&](const auto &e) { return e.first == table; });
    if (table.isEmpty() || key == m_keys.end()) {
        m_lastError = DbError{DbError::GenericFailure,
            QStringLiteral("The changed row cannot be saved: its table key is not in the result.")};
        return false;
    }
    QStringList sets;
    QStringList checks;
    const QString same = QLatin1Char(' ') + m_connection->nullSafeEquals() + QLatin1String(" ?");
    for (int f : fields) {
        const QString column = m_connection->quoteName(m_columns[size_t(f)].origin);
        sets << column + QLatin1String(" = ?");
        checks << column + same;
    }
    const QString keyColumn = m_connection->quoteName(m_columns[size_t(key->second)].origin);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ? AND %4")
                            .arg(m_connection->quoteName(table), sets.join(QLatin1String(", ")), keyColumn,
                                checks.join(QLatin1String(" AND ")));
    QVariantList params;
    for (int f : fields)
        params << m_rows[size_t(row)][size_t(f)];
    params << m_original[size_t(row)][size_t(key->second)];
    for (int f : fields)
        params << m_original[size_t(row)][size_t(f)];
    qint64 changes = 0;
    if (!m_connection->execute(sql, params, &changes, &m_lastError))
        return false;
    if (changes != 1) {
        m_lastError = DbError{DbError::UpdateConflict,
            QStringLiteral("The row could not be saved: another user changed or deleted it "
                           "after it was read.")};
        return false;
    }
    return true;
}
