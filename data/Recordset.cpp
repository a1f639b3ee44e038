#include "data/Recordset.h"

#include <algorithm>

#include <sqlcipher/sqlite3.h>

#include "data/SqliteHandle.h"

namespace {
DbError engineError(const SqliteHandle &db, long number)
{
    return DbError{number, db.lastMessage()};
}

QString pragmaKeyColumn(sqlite3 *db, const QString &table)
{
    SqliteStatement info(db, QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
    QString key;
    int keys = 0;
    while (info.isValid() && info.step() == SQLITE_ROW) {
        if (info.column(5).toInt() > 0) {
            key = info.column(1).toString();
            ++keys;
        }
    }
    return keys == 1 ? key : QString();
}
} // namespace

std::shared_ptr<Recordset> Recordset::open(std::shared_ptr<SqliteHandle> connection, const QString &sql,
                                           bool updatable, DbError *error)
{
    SqliteStatement stmt(connection->get(), sql);
    if (!stmt.isValid()) {
        *error = engineError(*connection, DbError::CommandError);
        return nullptr;
    }
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->m_connection = std::move(connection);
    rs->m_updatable = updatable;
    const int columns = stmt.columnCount();
    for (int i = 0; i < columns; ++i) {
        const char *table = sqlite3_column_table_name(stmt.get(), i);
        const char *origin = sqlite3_column_origin_name(stmt.get(), i);
        rs->m_columns.push_back(Column{QString::fromUtf8(sqlite3_column_name(stmt.get(), i)),
                                       QString::fromUtf8(table ? table : ""),
                                       QString::fromUtf8(origin ? origin : "")});
    }
    int rc = SQLITE_OK;
    while ((rc = stmt.step()) == SQLITE_ROW) {
        std::vector<QVariant> row;
        row.reserve(size_t(columns));
        for (int i = 0; i < columns; ++i)
            row.push_back(stmt.column(i));
        rs->m_rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        *error = engineError(*rs->m_connection, DbError::GenericFailure);
        return nullptr;
    }
    if (updatable) {
        rs->m_original = rs->m_rows;
        rs->m_changed.assign(rs->m_rows.size(), std::vector<bool>(size_t(columns), false));
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
        const QString key = pragmaKeyColumn(m_connection->get(), table);
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

bool Recordset::Update()
{
    if (BOF() || Eof())
        return true;
    return writeBack(m_pos);
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

    sqlite3 *db = m_connection->get();
    const bool ownTransaction = sqlite3_get_autocommit(db) != 0;
    if (ownTransaction)
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    bool ok = true;
    for (const auto &entry : byTable) {
        if (!writeTable(row, entry.first, entry.second)) {
            ok = false;
            break;
        }
    }
    if (ok && m_companion) {
        const QByteArray companion = m_companion().toUtf8();
        if (!companion.isEmpty())
            sqlite3_exec(db, companion.constData(), nullptr, nullptr, nullptr);
    }
    if (ok && ownTransaction && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        m_lastError = engineError(*m_connection, DbError::GenericFailure);
        ok = false;
    }
    if (!ok) {
        if (ownTransaction && sqlite3_get_autocommit(db) == 0)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
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
    return true;
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
    for (int f : fields) {
        const QString column = QLatin1Char('"') + m_columns[size_t(f)].origin + QLatin1Char('"');
        sets << column + QLatin1String(" = ?");
        checks << column + QLatin1String(" IS ?");
    }
    const QString keyColumn = QLatin1Char('"') + m_columns[size_t(key->second)].origin + QLatin1Char('"');
    const QString sql = QStringLiteral("UPDATE \"%1\" SET %2 WHERE %3 = ? AND %4")
                            .arg(table, sets.join(QLatin1String(", ")), keyColumn,
                                 checks.join(QLatin1String(" AND ")));
    SqliteStatement stmt(m_connection->get(), sql);
    if (!stmt.isValid()) {
        m_lastError = engineError(*m_connection, DbError::CommandError);
        return false;
    }
    int index = 1;
    for (int f : fields)
        stmt.bind(index++, m_rows[size_t(row)][size_t(f)]);
    stmt.bind(index++, m_original[size_t(row)][size_t(key->second)]);
    for (int f : fields)
        stmt.bind(index++, m_original[size_t(row)][size_t(f)]);
    if (stmt.step() != SQLITE_DONE) {
        m_lastError = engineError(*m_connection, DbError::GenericFailure);
        return false;
    }
    if (sqlite3_changes(m_connection->get()) != 1) {
        m_lastError = DbError{DbError::UpdateConflict,
                              QStringLiteral("The row could not be saved: another user changed or deleted it "
                                             "after it was read.")};
        return false;
    }
    return true;
}
