#pragma once

#include <QString>
#include <QStringList>

// The faults of a refused job: the first kKept are kept as text, the rest only counted, so a
// file of garbage costs neither memory nor pages of output.
class ErrorList final {
public:
    static constexpr int kKept = 50;

    void add(const QString &error)
    {
        report([&] { return error; });
    }
    // Builds the text only while it would be kept.
    template <typename MakeText> void report(MakeText &&makeText)
    {
        if (m_kept.size() < kKept)
            m_kept.append(makeText());
        ++m_total;
    }
    void append(const ErrorList &other);

    bool isEmpty() const { return m_total == 0; }
    qsizetype total() const { return m_total; }
    // The kept texts, then "and N more" when some were only counted: at most kKept + 1 lines.
    QStringList lines() const;

private:
    QStringList m_kept;
    qsizetype m_total = 0;
};
