#include "widgets/QuestionMap.h"

#include <QResizeEvent>

#include "widgets/QuestionMapCell.h"

namespace {
constexpr int kGap = 3;
constexpr int kMaxCell = 26;
} // namespace

QuestionMap::QuestionMap(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("QuestionMap"));
    setAccessibleName(QStringLiteral("Question map"));
}

void QuestionMap::setCount(int count)
{
    for (QuestionMapCell *cell : m_cells)
        delete cell;
    m_cells.clear();
    m_current = -1;
    for (int i = 0; i < count; ++i) {
        auto *cell = new QuestionMapCell(i + 1, this);
        cell->setObjectName(QStringLiteral("MapCell_%1").arg(i + 1));
        connect(cell, &QuestionMapCell::clicked, this, [this, i] { emit cellActivated(i); });
        cell->show();
        m_cells.push_back(cell);
    }
    // Tab runs through the cells in their order.
    for (size_t i = 1; i < m_cells.size(); ++i)
        setTabOrder(m_cells[i - 1], m_cells[i]);
    layoutCells();
}

int QuestionMap::rows() const
{
    return count() > 10 ? 2 : 1;
}

QuestionMapCell *QuestionMap::cell(int row) const
{
    return row >= 0 && row < count() ? m_cells[size_t(row)] : nullptr;
}

void QuestionMap::setState(int row, bool answered, bool flagged, bool unstored)
{
    if (QuestionMapCell *c = cell(row))
        c->setState(answered, flagged, row == m_current, unstored);
}

void QuestionMap::setCurrent(int row)
{
    const int previous = m_current;
    m_current = row;
    if (QuestionMapCell *c = cell(previous))
        c->setState(c->isAnswered(), c->isFlagged(), false, c->isUnstored());
    if (QuestionMapCell *c = cell(row))
        c->setState(c->isAnswered(), c->isFlagged(), true, c->isUnstored());
}

void QuestionMap::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutCells();
}

void QuestionMap::layoutCells()
{
    if (m_cells.empty())
        return;
    const int perRow = (count() + rows() - 1) / rows();
    const int side = qBound(12, qMin((width() + kGap) / perRow - kGap, (height() + kGap) / rows() - kGap), kMaxCell);
    for (int i = 0; i < count(); ++i)
        m_cells[size_t(i)]->setGeometry((i % perRow) * (side + kGap), (i / perRow) * (side + kGap), side, side);
}
