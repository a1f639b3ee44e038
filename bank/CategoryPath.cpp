#include "bank/CategoryPath.h"

#include "bank/BankText.h"

namespace CategoryPath {

QStringList parse(const QString &path)
{
    QStringList parts;
    QString part;
    const auto endPart = [&] {
        part = BankText::singleLine(part);
        if (!part.isEmpty())
            parts.append(part);
        part.clear();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] != u'/') {
            part += path[i];
        } else if (i + 1 < path.size() && path[i + 1] == u'/') {
            part += u'/';
            ++i;
        } else {
            endPart();
        }
    }
    endPart();
    return parts;
}

QString format(const QStringList &parts)
{
    QString path;
    for (const QString &part : parts) {
        if (!path.isEmpty())
            path += u'/';
        QString escaped = part;
        escaped.replace(u'/', QLatin1String("//"));
        // A part that starts or ends with "/" would run into the separator: spaces keep them
        // apart, and parse() trims them.
        if (part.startsWith(u'/') || part.endsWith(u'/'))
            escaped = u' ' + escaped + u' ';
        path += escaped;
    }
    return path;
}

} // namespace CategoryPath
