#pragma once

#include <QTableWidget>

struct Breakdown;

// An exam's breakdown as a table: one line per category (Category, Questions, Correct, %,
// Result), then the total in bold. Display only.
class BreakdownTable final : public QTableWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BreakdownTable)

public:
    explicit BreakdownTable(QWidget *parent = nullptr);
    ~BreakdownTable() override;

    void setBreakdown(const Breakdown &breakdown);
    void clearBreakdown();
    // The text of a cell, row 0 being the first category (the total is the last row).
    QString text(int row, int column) const;
};
