#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "resources/DialogTexts.h"
#include "resources/MenuLayout.h"
#include "resources/ResourceIds.h"

namespace tsrn {
namespace {

// The entries directly inside the popup that begins at `begin`: what a menu
// position counts.
std::vector<res::MenuEntry> DirectChildren(std::span<const res::MenuEntry> menu,
                                           std::size_t begin) {
    std::vector<res::MenuEntry> children;
    int depth = 0;
    for (std::size_t i = begin + 1; i < menu.size() && depth >= 0; ++i) {
        const auto& e = menu[i];
        if (depth == 0 && e.kind != res::MenuEntryKind::PopupEnd)
            children.push_back(e);
        if (e.kind == res::MenuEntryKind::PopupBegin)
            ++depth;
        if (e.kind == res::MenuEntryKind::PopupEnd)
            --depth;
    }
    return children;
}

TEST(MenuLayout, ContextMenuKeepsTheControlPopupAtPositionFour) {
    // The view deletes position 4 when no row is selected.
    const auto menu = res::Menu(res::menu::kContext);
    ASSERT_FALSE(menu.empty());
    ASSERT_EQ(menu[0].kind, res::MenuEntryKind::PopupBegin);
    const auto items = DirectChildren(menu, 0);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[4].kind, res::MenuEntryKind::PopupBegin);
    EXPECT_EQ(items[4].text, "&Control");
    EXPECT_EQ(items[3].commandId, res::cmd::kFolderProtection);
}

TEST(MenuLayout, UnknownIdsGiveNothing) {
    EXPECT_TRUE(res::Menu(999).empty());
    EXPECT_TRUE(res::ToolbarButtons(res::menu::kContext).empty());
    EXPECT_TRUE(res::Accelerators(res::menu::kLocked).empty());
}

TEST(DialogTexts, SameControlIdShowsEachDialogsOwnText) {
    struct Case {
        int dialog;
        int control;
        std::string_view text;
    };
    const Case cases[] = {
        {res::dlg::kSettings, res::ctl::kForbidDeleteBox,
         "Forbid to delete the files in folders not from list"},
        {res::dlg::kFolderProtection, res::ctl::kForbidDeleteBox,
         "Forbid to delete the files from folder"},
        {res::dlg::kAddFolder, res::ctl::kForbidDeleteBox,
         "Forbid to delete the files from folder"},
        // Set at run time from the string table, so no template text.
        {res::dlg::kFolderProtection, res::ctl::kCipheringToggle, ""},
        {res::dlg::kCiphering, res::ctl::kCipheringProgress, ""},
        {res::dlg::kCiphering, res::ctl::kFileCount, "F"},
        {999, res::ctl::kOk, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::ControlText(c.dialog, c.control), c.text) << c.dialog << "/" << c.control;
    }
    EXPECT_EQ(text::DialogCaption(res::dlg::kMissingPassword), "ATTENTION: Password not found !");
    EXPECT_EQ(text::DialogCaption(999), "");
}

TEST(DialogTexts, SetupPagesHaveTheirOwnTable) {
    using namespace res::setup;
    EXPECT_EQ(text::setup::ControlText(dlg::kFinished, ctl::kViewReadme), "View ``README.TXT''");
    // Page 131 is no dialog of the main program.
    EXPECT_EQ(text::ControlText(dlg::kFinished, ctl::kViewReadme), "");
}

}  // namespace
}  // namespace tsrn
