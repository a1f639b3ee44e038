#pragma once

#include <QProxyStyle>

// The application's style, whose standard icons are read from their files only when first drawn.
// Every sub-window and the menu bar ask for their title-bar and overflow icons as they are made,
// and the first picture file read asks every installed image plugin whether it reads the file,
// loading them all; the program's first window draws none of those icons.
class DeferredIconStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const override;
};
