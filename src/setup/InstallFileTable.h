#pragma once
// The files an installation copies, in installation order, by group:
// 0 the programs and the manual (install folder), 1 the driver (system
// folder), 2 the runtime libraries (system folder, only when newer).

#include <array>
#include <span>
#include <string_view>

namespace tsrn::setup {

enum class TargetFolder { Install, System };

struct InstallFile {
    std::string_view mediumName;
    std::string_view targetName;
    TargetFolder folder;
};

inline constexpr int kCopyGroupCount = 3;
inline constexpr int kVersionedGroup = 2;
inline constexpr int kFinalGroup = 3;
inline constexpr int kDoneGroup = 4;

inline constexpr std::string_view kMainProgram = "tsrn";
inline constexpr std::string_view kRemover = "remover";
inline constexpr std::string_view kRescueTool = "tsrnctl";
inline constexpr std::string_view kManual = "tsrn.html";
inline constexpr std::string_view kDriver = "tsrnvx";
inline constexpr std::string_view kFrameworkLibrary = "libtsrnfw.so.1";
inline constexpr std::string_view kRuntimeLibrary = "libtsrnrt.so.1";
inline constexpr std::string_view kReadme = "readme.txt";
// The menu entries' icon, copied by the final step when the medium has it.
inline constexpr std::string_view kIconFile = "tessaryn.svg";

inline constexpr std::array<InstallFile, 4> kProgramFiles{{
    {"tsrn.ex_", kMainProgram, TargetFolder::Install},
    {"remover.ex_", kRemover, TargetFolder::Install},
    {"rescue.ex_", kRescueTool, TargetFolder::Install},
    {"tsrn.hl_", kManual, TargetFolder::Install},
}};
inline constexpr std::array<InstallFile, 1> kDriverFiles{{
    {"TSRNVX.Vx_", kDriver, TargetFolder::System},
}};
inline constexpr std::array<InstallFile, 2> kLibraryFiles{{
    {kFrameworkLibrary, kFrameworkLibrary, TargetFolder::System},
    {kRuntimeLibrary, kRuntimeLibrary, TargetFolder::System},
}};

// The files of group 0, 1 or 2; empty for any other group.
std::span<const InstallFile> FileGroup(int group);

}  // namespace tsrn::setup
