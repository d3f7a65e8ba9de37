#include "app/gui/ShellTexts.h"

#include <utility>

#include "resources/StringTable.h"

namespace tsrn::app {
namespace {

struct Entry {
    int first;
    int second;
    const char* text;
};

constexpr Entry kMenuItems[] = {
    {128, 32771, "&Add folder\tIns"},
    {128, 32772, "&Delete folder\tDel"},
    {128, 32788, "&Hide window\tAlt-F4"},
    {128, 32787, "&Lock"},
    {128, 57665, "&Exit"},
    {128, 32779, "&Start"},
    {128, 32778, "&Stop"},
    {128, 32776, "&Folder protection\tShift-F10"},
    {128, 32782, "Change password"},
    {128, 32780, "&Settings ..."},
    {128, 59392, "&Toolbar"},
    {128, 59393, "&Status Bar"},
    {128, 32781, "&Refresh\tF5"},
    {128, 32791, "&Contents\tF1"},
    {128, 57664, "&About ..."},
    {147, 32788, "&Hide window\tAlt-F4"},
    {147, 32789, "Unlock"},
    {147, 59392, "&Toolbar"},
    {147, 59393, "&Status Bar"},
    {147, 32781, "&Refresh\tF5"},
    {147, 32791, "&Contents\tF1"},
    {147, 57664, "&About ..."},
};

constexpr Entry kMenuTitles[] = {
    {128, 0, "&File"}, {128, 1, "&Control"}, {128, 2, "&View"}, {128, 3, "&Help"},
    {147, 0, "&File"}, {147, 1, "&View"},    {147, 2, "&Help"},
};

constexpr Entry kDialogTexts[] = {
    // Unlock (164).
    {164, 0, "Tessaryn: Unlock"},
    {164, -1, "Enter password:"},
    {164, 1032, "Temporary password for ciphering"},
    // Password not found (169).
    {169, 0, "ATTENTION: Password not found !"},
    {169, -1, "ATTENTION !"},
    {169, -2,
     "Tessaryn can not find a current password saved in the registry. So presently it is "
     "necessary to enter password, which you enterred when installing Tessaryn, "},
    {169, -3, "then password to use for Tessaryn working."},
    // Settings (149).
    {149, 0, "Tessaryn: Settings"},
    {149, -1, "Global protection:"},
    {149, 1007, "Forbid to delete the files in folders not from list"},
    {149, 1008, "Forbid to write and create the files in folders not from list"},
    {149, 1009, "Forbid to search the files in folders not from list"},
    {149, 1010, "Forbid to open the files in folders not from list"},
    {149, -2,
     "These parameters possible also to forbid apart for each folder in the list (refer to "
     "'Folder protection')"},
    {149, -3, "AutoStart"},
    {149, 1022, "Autostart Tessaryn at Windows start (in locked mode)"},
    {149, -4, "Keys"},
    {149, 1021,
     "When ENTER striking on folder in list to switch enciphering condition\n(otherwise open "
     "dialog 'Folder protection')"},
    // About (100).
    {100, 0, "Tessaryn: About"},
    {100, -1, "Tessaryn version 1.0.3"},
    {100, -2, "E-Mail:"},
    // Buttons shared by the dialogs.
    {0, 1, "&OK"},
    {0, 2, "&Cancel"},
    {0, 57670, "&Help"},
};

template <std::size_t N>
QString Find(const Entry (&table)[N], int first, int second) {
    for (const Entry& entry : table) {
        if (entry.first == first && entry.second == second) return QString::fromUtf8(entry.text);
    }
    return {};
}

}  // namespace

QString TableText(int id) {
    const std::string_view text = text::Text(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString MenuItemText(int menuId, int commandId) { return Find(kMenuItems, menuId, commandId); }

QString MenuTitle(int menuId, int index) { return Find(kMenuTitles, menuId, index); }

QString DialogText(int dialogId, int controlId) {
    QString text = Find(kDialogTexts, dialogId, controlId);
    return text.isEmpty() ? Find(kDialogTexts, 0, controlId) : text;
}

}  // namespace tsrn::app
