#pragma once

#include <vector>

#include <QWidget>

class QuestionMapCell;

// A map of an exam's questions: one numbered cell each (ten or fewer in one row, more in two),
// showing which are answered, which flagged, which answers have not reached the database yet, and
// which is on screen. Activating a cell asks
// for its question.
class QuestionMap final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionMap)

public:
    explicit QuestionMap(QWidget *parent = nullptr);

    void setCount(int count);
    int count() const { return int(m_cells.size()); }
    // Row is 0-based; states that do not change are not repainted. `unstored`: the answer has not
    // reached the database yet.
    void setState(int row, bool answered, bool flagged, bool unstored = false);
    void setCurrent(int row);
    QuestionMapCell *cell(int row) const;
    int rows() const;

signals:
    void cellActivated(int row);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutCells();

    std::vector<QuestionMapCell *> m_cells;
    int m_current = -1;
};
