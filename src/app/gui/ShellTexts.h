#pragma once
// Texts of the shell's menus and dialogs that the string table does not key
// by a string id: menu items by menu and command, dialog labels by dialog and
// control. Texts that have a string id come from the table.

#include <QString>

namespace tsrn::app {

// The string table's text of `id` as a QString.
QString TableText(int id);

// A menu item's text ("&Add folder\tIns"); menus 128 and 147 share most.
QString MenuItemText(int menuId, int commandId);
// A top-level menu's title by its position in menu 128 or 147.
QString MenuTitle(int menuId, int index);

// Labels of dialogs: (dialog id, control id); control 0 is the caption and
// negative ids are the labels and group boxes that have no id.
QString DialogText(int dialogId, int controlId);

}  // namespace tsrn::app
