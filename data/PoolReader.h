#pragma once

#include <string>
#include <vector>

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "data/ErrorList.h"
#include "data/PoolQuestion.h"

// Reads one question-pool file: a JSON array of objects with the keys id (optional), category,
// question, a, b, c, d, e and f (both optional), correct (a letter, or several in order: "AC") and
// explanation, every value text. Stricter than JSON readers in
// general, it refuses a duplicate, unknown or missing key, a value that is not text and a control
// character in a text (bar line breaks in the question, the choices and the explanation), and
// names the file, the question and the field of each fault. It needs nothing but Qt Core.
class PoolReader final {
public:
    PoolReader(QByteArrayView json, const QString &source);

    bool ok() const { return m_errors.isEmpty(); }
    // The file's questions in file order; none once the file is refused.
    const std::vector<PoolQuestion> &questions() const { return m_questions; }
    std::vector<PoolQuestion> takeQuestions() { return std::move(m_questions); }
    const ErrorList &errors() const { return m_errors; }

    // A text as a message quotes it: in double quotes, cut to kQuotedLength characters, with
    // control characters and unpaired surrogates escaped so that the message stays one line, and
    // invisible format characters (U+FEFF, U+202E...) escaped so that it reads as it is.
    static constexpr int kQuotedLength = 80;
    static QString quoted(QStringView text);

private:
    // A string as read: its text, and the first control character written raw in it, which no
    // JSON string may hold.
    struct Text {
        QString text;
        int rawControl = -1;
    };

    void readPool();
    bool readQuestion(qsizetype number);
    void checkText(qsizetype number, size_t field, const Text &value);
    bool readName(Text *name);
    bool readString(Text *text, bool rawControlsAllowed);
    bool readEscape();
    bool readUtf8();
    bool skipValue();
    bool skipScalar();
    bool skipNumber();
    void skipSpace();
    bool atEnd() const { return m_at == m_end; }
    bool syntaxError(const char *what);
    template <typename MakeFault> void refuse(qsizetype number, MakeFault &&makeFault);

    const char *const m_begin;
    const char *const m_end;
    const char *m_at;
    const QString m_source;
    std::u16string m_buffer; // the string being read
    std::vector<PoolQuestion> m_questions;
    ErrorList m_errors;
};
