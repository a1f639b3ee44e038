#pragma once

#include <QAbstractButton>

// One numbered cell of the question map: whether its question is answered, flagged, the one on
// screen, and whether its answer is still to reach the database. Enter or Space activates it like
// a click.
class QuestionMapCell final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionMapCell)

public:
    QuestionMapCell(int number, QWidget *parent = nullptr);

    void setState(bool answered, bool flagged, bool current, bool unstored = false);
    bool isAnswered() const { return m_answered; }
    bool isUnstored() const { return m_unstored; }
    bool isFlagged() const { return m_flagged; }
    bool isCurrent() const { return m_current; }
    int number() const { return m_number; }
    // What the cell shows, in words (its accessible description and tool tip).
    QString stateText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_number;
    bool m_answered = false;
    bool m_flagged = false;
    bool m_current = false;
    bool m_unstored = false;
};
