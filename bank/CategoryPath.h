#pragma once

#include <QString>
#include <QStringList>

// A category path as GIFT's $CATEGORY: lines and Moodle XML's category entries write it: parts
// separated by "/", a "/" inside a part doubled ("$course$/top/TCP//IP basics").
namespace CategoryPath {

// The parts, each on one line with white space folded; empty parts are dropped.
QStringList parse(const QString &path);
// The path of `parts`, read back by parse() as the same parts.
QString format(const QStringList &parts);

} // namespace CategoryPath
