#include "widgets/ScrollingScreen.h"

#include <QScrollArea>
#include <QVBoxLayout>

#include "widgets/Twips.h"

ScrollingScreen::ScrollingScreen(QWidget *parent)
    : QWidget(parent)
    , m_scroll(new QScrollArea(this))
    , m_content(new QWidget)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // The area behind the controls is no control: a click on a label or an empty part of a frame
    // must not take the focus from the box that has it.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidget(m_content);
    m_scroll->setWidgetResizable(false);
}

ScrollingScreen::~ScrollingScreen() = default;

void ScrollingScreen::updateContentSize()
{
    QRect used;
    for (QWidget *child : m_content->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isHidden())
            used = used.united(child->geometry());
    }
    const int margin = Twips::toPx(100);
    const QSize view = m_scroll->viewport()->size();
    m_content->resize(
        qMax(used.right() + margin, qMin(view.width(), width())), qMax(used.bottom() + margin, view.height()));
}

void ScrollingScreen::stretchFrame(QWidget *frame, const QList<QWidget *> &boxes, double clientWidth)
{
    constexpr double margin = 100;
    const auto setWidth = [](QWidget *widget, double width) {
        if (width >= 0)
            widget->resize(Twips::toPx(width), widget->height());
    };
    setWidth(frame, clientWidth - Twips::fromPx(frame->x()) - margin);
    for (QWidget *box : boxes)
        setWidth(box, Twips::fromPx(frame->width()) - Twips::fromPx(box->x()) - margin);
    updateContentSize();
}
