// The application's style, with the toolbar extension icons handed out unread.
//
// Every menu bar asks the style for its overflow button's icon as it is made. Reading that
// icon makes the toolkit look through its image format plug-ins and load several of them
// (with the JPEG library) before the first window is up, for a button that shows only when
// the menus do not fit. This style gives out an icon that asks the real style for its
// picture the first time the icon is drawn, measured or copied out; everything else is the
// style the toolkit would have chosen (the desktop's, or the one named by -style).
#pragma once

#include <QProxyStyle>

namespace prismcrate {

class DeferredIconStyle : public QProxyStyle {
  public:
    DeferredIconStyle();
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace prismcrate
