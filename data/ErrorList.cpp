#include "data/ErrorList.h"

void ErrorList::append(const ErrorList &other)
{
    for (const QString &error : other.m_kept)
        add(error);
    m_total += other.m_total - other.m_kept.size();
}

QStringList ErrorList::lines() const
{
    QStringList lines = m_kept;
    if (m_total > m_kept.size())
        lines.append(QStringLiteral("and %1 more").arg(m_total - m_kept.size()));
    return lines;
}
