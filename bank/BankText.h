#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringView>

// The text rules every bank format shares: which bytes are a readable file, and what a text
// read from one looks like once it is a question's.
namespace BankText {

// A control character: C0, DEL and C1. A question's texts hold none but the line break.
constexpr bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// The bytes of a file as UTF-8: UTF-16 with its byte-order mark (as editors on Windows save
// "Unicode" text) re-encoded, any other bytes as they are. None, and `error` set to "line N: ...",
// for UTF-32 and for UTF-16 that is cut short or holds half a surrogate pair.
std::optional<QByteArray> asUtf8(const QByteArray &bytes, QString *error);

// The text of a file of UTF-8 bytes, or of UTF-16 ones with a byte-order mark (asUtf8):
// byte-order marks dropped, CRLF and lone CR made LF. None, and `error` set to "line N: ...", for
// anything else: UTF-32, UTF-16 without its mark, malformed UTF-8, a NUL byte or another control
// character but the tab, or a character XML cannot hold (U+FFFE, U+FFFF).
std::optional<QString> decode(const QByteArray &bytes, QString *error);

// A text as a question holds it: tabs made spaces, no other control character but the line break,
// no stray byte-order mark, U+FFFE and U+FFFF (which a JSON escape may give) made U+FFFD,
// no white space at the end of a line, at most one blank line in a row, none at the ends and no
// white space before the first character. Idempotent.
QString cleaned(const QString &text);

// The same on one line: line breaks and runs of white space made one space (names, categories).
QString singleLine(const QString &text);

// A text of the file as a message quotes it: on one line, cut to 40 characters.
QString quoted(const QString &text);

// How a message names a question: its name in the bank, else the start of its text (quoted()).
QString title(const QString &name, const QString &text);

} // namespace BankText
