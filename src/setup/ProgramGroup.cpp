#include "setup/ProgramGroup.h"

#include <array>
#include <system_error>

#include "resources/StringTable.h"
#include "setup/ClearFolder.h"
#include "setup/DesktopEntry.h"
#include "setup/InstallFileTable.h"

namespace tsrn::setup {
namespace {

struct Link {
    int textId;
    std::string_view program;
    bool terminal;
};

constexpr std::array<Link, 3> kLinks{{
    {res::setup::str::kProgramLink, kMainProgram, false},
    {res::setup::str::kUninstallLink, kRemover, false},
    {res::setup::str::kRescueLink, kRescueTool, true},
}};

// The rescue tool has no window: its terminal shows the tool's help and stays
// open with a shell in the install folder.
constexpr std::string_view kStayOpenScript = "\"$0\" --help; exec \"${SHELL:-/bin/sh}\"";

DesktopEntry EntryFor(const Link& link, const std::string& name, const InstallState& state) {
    DesktopEntry entry;
    entry.name = name;
    entry.program = state.installFolder + std::string(link.program);
    entry.workingDirectory = state.installFolder;
    entry.terminal = link.terminal;
    entry.icon = state.installFolder + std::string(kIconFile);
    if (link.terminal) {
        entry.arguments = {"-c", std::string(kStayOpenScript), entry.program};
        entry.program = "/bin/sh";
    }
    return entry;
}

std::string WithoutExtension(const std::string& name) {
    auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

std::string LeafName(std::string_view text) {
    auto cut = text.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? text : text.substr(cut + 1));
}

std::filesystem::path ProgramGroupFolder(const InstallPaths& paths) {
    const std::string leaf = LeafName(text::setup::Text(res::setup::str::kProgramGroup));
    if (leaf.empty() || leaf == "." || leaf == ".." || paths.applicationsFolder.empty()) {
        return {};  // never the applications folder itself
    }
    return paths.applicationsFolder / leaf;
}

bool CreateProgramGroup(const InstallState& state, const InstallPaths& paths) {
    const std::filesystem::path group = ProgramGroupFolder(paths);
    if (group.empty()) {
        return false;
    }
    (void)ClearFolder(group.string());  // what stays is written over below
    std::error_code ec;
    std::filesystem::create_directories(group, ec);
    bool all = true;
    for (const Link& link : kLinks) {
        const std::string name = WithoutExtension(LeafName(text::setup::Text(link.textId)));
        const DesktopEntry entry = EntryFor(link, name, state);
        if (name.empty() || !entry.Save((group / (name + ".desktop")).string())) {
            all = false;
        }
    }
    return all;
}

}  // namespace tsrn::setup
