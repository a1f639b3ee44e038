#include "widgets/QuestionMapCell.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kAnswered(0x3b, 0x6e, 0xa8);
const QColor kFlag(0xe0, 0x7b, 0x00);
const QColor kUnstored(0xc6, 0x28, 0x28);
} // namespace

QuestionMapCell::QuestionMapCell(int number, QWidget *parent)
    : QAbstractButton(parent)
    , m_number(number)
{
    setFocusPolicy(Qt::StrongFocus);
    setText(QString::number(number));
    setState(false, false, false);
}

QString QuestionMapCell::stateText() const
{
    QStringList words{m_answered ? QStringLiteral("answered") : QStringLiteral("not answered")};
    if (m_unstored)
        words << QStringLiteral("not stored");
    if (m_flagged)
        words << QStringLiteral("flagged");
    if (m_current)
        words << QStringLiteral("on screen");
    return words.join(QStringLiteral(", "));
}

void QuestionMapCell::setState(bool answered, bool flagged, bool current, bool unstored)
{
    if (answered == m_answered && flagged == m_flagged && current == m_current && unstored == m_unstored
        && !toolTip().isEmpty())
        return;
    m_answered = answered;
    m_flagged = flagged;
    m_current = current;
    m_unstored = unstored;
    // A screen reader names an answer that has not reached the database as it names the cell.
    setAccessibleName(unstored ? QStringLiteral("Question %1, %2, not stored")
                                     .arg(m_number)
                                     .arg(answered ? QStringLiteral("answered") : QStringLiteral("not answered"))
                               : QStringLiteral("Question %1").arg(m_number));
    setAccessibleDescription(stateText());
    setToolTip(QStringLiteral("Question %1: %2").arg(m_number).arg(stateText()));
    update();
}

void QuestionMapCell::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    p.setPen(QPen(
        m_current ? palette().color(QPalette::WindowText) : palette().color(QPalette::Mid), m_current ? 2.0 : 1.0));
    // An answer not yet in the database is never shown filled as a stored one.
    const bool filled = m_answered && !m_unstored;
    p.setBrush(filled ? kAnswered : palette().color(QPalette::Base));
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    if (m_flagged) {
        // A flag's corner, top right.
        const qreal side = qMin(box.width(), box.height()) * 0.45;
        QPainterPath corner;
        corner.moveTo(box.right() - side, box.top());
        corner.lineTo(box.right(), box.top());
        corner.lineTo(box.right(), box.top() + side);
        corner.closeSubpath();
        p.fillPath(corner, kFlag);
    }
    if (m_unstored) {
        // Hatched in red inside a red border: answered on screen, not yet in the database.
        p.setPen(QPen(kUnstored, 2.0));
        p.setBrush(QBrush(kUnstored.lighter(150), Qt::BDiagPattern));
        p.drawRoundedRect(box.adjusted(1, 1, -1, -1), 2, 2);
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box.adjusted(2.5, 2.5, -2.5, -2.5));
    }
    QFont f = font();
    f.setBold(m_current);
    p.setFont(f);
    p.setPen(filled ? QColor(Qt::white) : palette().color(QPalette::Text));
    p.drawText(box, Qt::AlignCenter, text());
}

void QuestionMapCell::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
