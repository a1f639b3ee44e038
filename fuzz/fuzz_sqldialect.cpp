// Any statement, read as UTF-8 and (of an even length) as UTF-16: translating it for either engine
// neither crashes nor varies, and a statement holding none of the dialect's own tokens comes back
// as written for the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QString>

#include "data/SqlDialect.h"

namespace {
// No "\", @@, [name], TOP or Format: nothing the translation rewrites or the SQL functions serve.
bool holdsNoDialect(const QString &sql)
{
    const QString folded = sql.toCaseFolded();
    return !sql.contains(u'\\') && !sql.contains(u"@@") && !sql.contains(u'[') && !folded.contains(u"top")
        && !folded.contains(u"format");
}

void check(const QString &sql)
{
    const QString translated = SqlDialect::translate(sql);
    if (SqlDialect::translate(sql) != translated)
        std::abort();
    if (holdsNoDialect(sql) && translated != sql)
        std::abort();
    // The server's spelling: no crash, the same each time.
    const QString server = SqlDialect::translate(sql, SqlDialect::Target::PostgreSql);
    if (SqlDialect::translate(sql, SqlDialect::Target::PostgreSql) != server)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    check(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (size % 2 == 0) {
        // Copied, not cast: the bytes need not be aligned for char16_t. Not fromUtf16(), which
        // would take a leading U+FEFF for a byte-order mark.
        QString units(qsizetype(size / 2), Qt::Uninitialized);
        std::memcpy(units.data(), data, size);
        check(units);
    }
    return 0;
}
