// Any file: the reader neither crashes nor floods (at most 51 one-line messages), and what it
// accepts a JSON reader in general reads alike, as an array of objects holding nothing but the
// question's keys and text without control characters (bar line breaks where allowed).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "data/ErrorList.h"
#include "data/PoolReader.h"

namespace {
void check(bool property)
{
    if (!property)
        std::abort();
}

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

bool isPlainText(const QString &text, bool multiline)
{
    if (!text.isValidUtf16())
        return false;
    for (const QChar c : text) {
        if (isControl(c) && !(multiline && c == u'\n'))
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const PoolReader reader(bytes, QStringLiteral("fuzz.json"));

    const QStringList lines = reader.errors().lines();
    check(lines.size() <= ErrorList::kKept + 1);
    for (const QString &line : lines)
        check(isPlainText(line, false) && line.size() < 1000);
    if (!reader.ok()) {
        check(reader.questions().empty());
        return 0;
    }

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    check(error.error == QJsonParseError::NoError && document.isArray());
    const QJsonArray items = document.array();
    check(size_t(items.size()) == reader.questions().size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        check(items.at(i).isObject());
        const QJsonObject object = items.at(i).toObject();
        const PoolQuestion &q = reader.questions().at(size_t(i));
        const struct {
            const char *key;
            const QString &text;
            bool multiline;
        } fields[] = {{"id", q.id, false}, {"category", q.category, false}, {"question", q.question, true},
            {"a", q.a, true}, {"b", q.b, true}, {"c", q.c, true}, {"d", q.d, true}, {"e", q.e, true}, {"f", q.f, true},
            {"correct", q.correct, false}, {"explanation", q.explanation, true}};
        qsizetype found = 0;
        for (const auto &field : fields) {
            const QLatin1String key(field.key);
            const QJsonValue value = object.value(key);
            // The id and the fifth and sixth choices may be left out.
            const bool optional = key == QLatin1String("id") || key == QLatin1String("e") || key == QLatin1String("f");
            check(value.isString() || (value.isUndefined() && optional));
            // QJsonDocument drops a U+FEFF that begins a string without escapes; the reader keeps
            // text as written.
            const QString read = value.toString();
            check(read == field.text || (field.text.startsWith(u'\uFEFF') && read == field.text.mid(1)));
            check(isPlainText(field.text, field.multiline));
            found += value.isString();
        }
        check(object.size() == found); // no other key
    }
    return 0;
}
