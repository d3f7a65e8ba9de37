#pragma once
// The program's own pictures, drawn in code: the tray's idle (160) and busy
// (163) icons, the toolbar buttons, the About box's picture (172) and its link
// cursor (171). Toolbar buttons prefer the desktop theme's icon where one fits.

#include <QIcon>
#include <QPixmap>

namespace tsrn::app {

QIcon ProgramIcon();
QIcon TrayIcon(bool busy);
// The toolbar icon of a command id.
QIcon CommandIcon(int commandId);
// The About box's banner, 350 x 70 pixels.
QPixmap AboutPicture();
// The link cursor's picture, 32 x 32.
QPixmap LinkCursorPicture();

}  // namespace tsrn::app
