#pragma once
// The application's style: the platform's own, except that the icons of the
// extension buttons of menu and tool bars are read only when first drawn.
//
// Every menu bar makes its extension button (the arrow that shows the menus
// left over when the bar is too narrow) and reads that button's icon at once.
// Reading an image file has Qt load and ask every image format plugin
// installed, which costs the start several milliseconds, for a button that
// the main window's fixed width never shows.
#include <QProxyStyle>

class DeferredIconStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // base: the style to follow; none means the platform's default style.
    explicit DeferredIconStyle(QStyle *base = nullptr);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
