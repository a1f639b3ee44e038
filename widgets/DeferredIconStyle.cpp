#include "widgets/DeferredIconStyle.h"

#include <functional>

#include <QApplication>
#include <QIconEngine>
#include <QPointer>
#include <QWidget>

namespace {
// An icon made at its first use by the function it was given.
class DeferredIconEngine final : public QIconEngine {
public:
    explicit DeferredIconEngine(std::function<QIcon()> make)
        : m_make(std::move(make))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("vesk-deferred"); }
    QIconEngine *clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon &icon()
    {
        if (m_make) {
            m_icon = m_make();
            m_make = nullptr;
        }
        return m_icon;
    }

    std::function<QIcon()> m_make;
    QIcon m_icon;
};
} // namespace

QIcon DeferredIconStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    // A sub-window draws the program's own picture where its system menu opens, not the toolkit's
    // logo (which, read as it is made, is the first picture file and loads every image plugin).
    if (which == SP_TitleBarMenuButton && !QApplication::windowIcon().isNull())
        return QApplication::windowIcon();
    // An option lives only for this call, so an icon asked for with one is made now.
    if (option)
        return QProxyStyle::standardIcon(which, option, widget);
    // Either may be gone by the first drawing; QPointer holds no const object.
    const QPointer<QStyle> base(const_cast<QStyle *>(baseStyle()));
    const QPointer<QWidget> asker(const_cast<QWidget *>(widget));
    return QIcon(new DeferredIconEngine(
        [base, asker, which] { return base ? base->standardIcon(which, nullptr, asker.data()) : QIcon(); }));
}
