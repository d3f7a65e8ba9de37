#include "resources/DialogTexts.h"

#include <algorithm>
#include <iterator>

#include "resources/ResourceIds.h"

namespace tsrn::text {
namespace {

struct Caption {
    int dialogId;
    std::string_view text;
};

struct Control {
    int dialogId;
    int controlId;
    std::string_view text;
};

constexpr Caption kCaptions[] = {
    {res::dlg::kAbout, "Tessaryn: About"},
    {res::dlg::kSettings, "Tessaryn: Settings"},
    {res::dlg::kFolderProtection, "Folder protection"},
    {res::dlg::kChangePassword, "Change password"},
    {res::dlg::kUnlock, "Tessaryn: Unlock"},
    {res::dlg::kCiphering, "Folder ciphering"},
    {res::dlg::kAddFolder, "Protection of added folder"},
    {res::dlg::kMissingPassword, "ATTENTION: Password not found !"},
};

using namespace res::ctl;
namespace dlg = res::dlg;

constexpr Control kControls[] = {
    {dlg::kAbout, kEmailLink, about::kAuthorEmail},
    {dlg::kAbout, kOk, "&OK"},

    {dlg::kSettings, kForbidDeleteBox, "Forbid to delete the files in folders not from list"},
    {dlg::kSettings, kForbidWriteBox,
     "Forbid to write and create the files in folders not from list"},
    {dlg::kSettings, kForbidSearchBox, "Forbid to search the files in folders not from list"},
    {dlg::kSettings, kForbidOpenBox, "Forbid to open the files in folders not from list"},
    {dlg::kSettings, kAutostart, "Autostart Tessaryn at Windows start (in locked mode)"},
    {dlg::kSettings, kEnterTogglesCiphering,
     "When ENTER striking on folder in list to switch enciphering condition\n(otherwise open "
     "dialog 'Folder protection')"},
    {dlg::kSettings, kOk, "&OK"},
    {dlg::kSettings, kCancel, "&Cancel"},
    {dlg::kSettings, kHelp, "&Help"},

    {dlg::kFolderProtection, kForbidDeleteBox, "Forbid to delete the files from folder"},
    {dlg::kFolderProtection, kForbidWriteBox, "Forbid to write and create the files in folder"},
    {dlg::kFolderProtection, kForbidSearchBox, "Forbid to search the files in folder"},
    {dlg::kFolderProtection, kForbidOpenBox, "Forbid to open the files in folder"},
    {dlg::kFolderProtection, kOk, "&OK"},
    {dlg::kFolderProtection, kHelp, "&Help"},

    {dlg::kChangePassword, kOk, "&OK"},
    {dlg::kChangePassword, kCancel, "&Cancel"},
    {dlg::kChangePassword, kHelp, "&Help"},

    {dlg::kUnlock, kTemporaryPasswordNote, "Temporary password for ciphering"},
    {dlg::kUnlock, kOk, "OK"},
    {dlg::kUnlock, kCancel, "Cancel"},

    {dlg::kCiphering, kCipheringFolder, "Path"},
    {dlg::kCiphering, kFileCount, "F"},
    {dlg::kCiphering, kOk, "&OK"},
    {dlg::kCiphering, kHelp, "&Help"},

    {dlg::kAddFolder, kForbidDeleteBox, "Forbid to delete the files from folder"},
    {dlg::kAddFolder, kForbidWriteBox, "Forbid to write and create the files in folder"},
    {dlg::kAddFolder, kForbidSearchBox, "Forbid to search the files in folder"},
    {dlg::kAddFolder, kForbidOpenBox, "Forbid to open the files in folder"},
    {dlg::kAddFolder, kStartCipheringNow, "&Start ciphering for given folder"},
    {dlg::kAddFolder, kProduceEnciphering, "&Produce enciphering of files in given directory"},
    {dlg::kAddFolder, kOk, "&OK"},
    {dlg::kAddFolder, kCancel, "&Cancel"},
    {dlg::kAddFolder, kHelp, "&Help"},

    {dlg::kMissingPassword, kOk, "OK"},
    {dlg::kMissingPassword, kCancel, "Cancel"},
    {dlg::kMissingPassword, kHelp, "&Help"},
};

namespace page = res::setup::dlg;
namespace sctl = res::setup::ctl;

constexpr Control kSetupControls[] = {
    {page::kFolderChoice, sctl::kChooseFolder, "Choose the folder"},
    // Placeholders of the template; the page empties them when it opens.
    {page::kCopying, sctl::kCurrentFile, "file"},
    {page::kCopying, sctl::kPercent, "0 %"},
    {page::kFinished, sctl::kViewReadme, "View ``README.TXT''"},
    {page::kFinished, sctl::kRunProgram, "Run Tessaryn"},
};

template <std::size_t N>
constexpr bool OneTextPerControl(const Control (&table)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (table[i].dialogId == table[j].dialogId &&
                table[i].controlId == table[j].controlId) {
                return false;
            }
        }
    }
    return true;
}

static_assert(OneTextPerControl(kControls), "a control of a dialog has two texts");
static_assert(OneTextPerControl(kSetupControls), "a control of a setup page has two texts");

template <std::size_t N>
std::string_view Find(const Control (&table)[N], int dialogId, int controlId) {
    const auto* it = std::find_if(std::begin(table), std::end(table), [&](const Control& c) {
        return c.dialogId == dialogId && c.controlId == controlId;
    });
    return it == std::end(table) ? std::string_view{} : it->text;
}

}  // namespace

std::string_view DialogCaption(int dialogId) {
    const auto* it = std::find_if(std::begin(kCaptions), std::end(kCaptions),
                                  [dialogId](const Caption& c) { return c.dialogId == dialogId; });
    return it == std::end(kCaptions) ? std::string_view{} : it->text;
}

std::string_view ControlText(int dialogId, int controlId) {
    return Find(kControls, dialogId, controlId);
}

namespace setup {
std::string_view ControlText(int pageId, int controlId) {
    return Find(kSetupControls, pageId, controlId);
}
}  // namespace setup

}  // namespace tsrn::text
