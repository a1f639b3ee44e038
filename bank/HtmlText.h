#pragma once

#include <QString>
#include <QStringView>

// HTML as a bank's rich text holds it, made plain text as a browser would show it: entities
// decoded, paragraphs, line breaks, divisions and list items on lines of their own, runs of white
// space one space (but inside <pre>), tags, comments, scripts and styles dropped. Images are
// dropped too, and counted, so that the reader can say so.
namespace HtmlText {

QString toPlain(QStringView html, int *droppedImages = nullptr);

} // namespace HtmlText
