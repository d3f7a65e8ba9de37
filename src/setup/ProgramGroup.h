#pragma once
// The menu folder "Tessaryn 1.0" with its three entries: the program, the
// uninstaller and the rescue tool.

#include <filesystem>
#include <string>

#include "setup/InstallPaths.h"
#include "setup/InstallState.h"

namespace tsrn::setup {

// Empty when no group folder can be named.
std::filesystem::path ProgramGroupFolder(const InstallPaths& paths);

// Clears an earlier group, creates the folder and writes the entries. A failing
// entry is skipped; the result tells whether all three were written.
[[nodiscard]] bool CreateProgramGroup(const InstallState& state, const InstallPaths& paths);

// The last part of a table text naming a file ("%s\Tessaryn 1.0\x.lnk" -> "x.lnk").
std::string LeafName(std::string_view text);

}  // namespace tsrn::setup
