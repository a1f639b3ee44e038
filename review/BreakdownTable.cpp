#include "review/BreakdownTable.h"

#include <QHeaderView>

#include "data/Breakdown.h"
#include "widgets/Twips.h"

namespace {

QColor verdictColour(bool passed)
{
    return passed ? QColor(0x1b, 0x7a, 0x2f) : QColor(0xb0, 0x1e, 0x1e);
}
} // namespace

BreakdownTable::BreakdownTable(QWidget *parent)
    : QTableWidget(0, 5, parent)
{
    setObjectName(QStringLiteral("tblBreakdown"));
    setAccessibleName(QStringLiteral("Breakdown"));
    setHorizontalHeaderLabels({QStringLiteral("Category"), QStringLiteral("Questions"), QStringLiteral("Correct"),
        QStringLiteral("%"), QStringLiteral("Result")});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(Twips::toPx(240));
    horizontalHeader()->setHighlightSections(false);
    // The figures take what they need, the category's name the rest: no line scrolls sideways.
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont compact = font();
    compact.setPointSizeF(8);
    setFont(compact);
    horizontalHeader()->setFont(compact);
}

BreakdownTable::~BreakdownTable() = default;

void BreakdownTable::setBreakdown(const Breakdown &breakdown)
{
    clearBreakdown();
    if (breakdown.isEmpty())
        return;
    std::vector<CategoryScore> lines = breakdown.categories;
    lines.push_back(breakdown.total);
    setRowCount(int(lines.size()));
    for (int row = 0; row < int(lines.size()); ++row) {
        const CategoryScore &line = lines[size_t(row)];
        const bool passed = line.passes(breakdown.passMark);
        const QStringList cells{line.category, QString::number(line.questions), QString::number(line.correct),
            QString::number(line.percent()), passed ? QStringLiteral("Pass") : QStringLiteral("Fail")};
        const bool total = row == int(lines.size()) - 1;
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
            if (total) {
                QFont bold = font();
                bold.setBold(true);
                item->setFont(bold);
            }
            if (column == 4)
                item->setForeground(verdictColour(passed));
            setItem(row, column, item);
        }
    }
}

void BreakdownTable::clearBreakdown()
{
    clearContents();
    setRowCount(0);
}

QString BreakdownTable::text(int row, int column) const
{
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}
