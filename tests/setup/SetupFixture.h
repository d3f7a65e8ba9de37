#pragma once
// A throw-away world for installing: a medium, an install folder, a system
// folder, an applications folder and a registry, all inside one TempDir.

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileHelpers.h"
#include "TempDir.h"
#include "registry/RegistryDatabase.h"
#include "setup/InstallPaths.h"
#include "setup/InstallState.h"

namespace tsrn::setup::test {

namespace fs = std::filesystem;

using ::tsrn::test::ReadText;
// Writes the file, then gives it `mode`.
void WriteFile(const fs::path& path, const std::string& bytes, mode_t mode = 0644);
mode_t ModeOf(const fs::path& path);
std::vector<std::string> FileNames(const fs::path& folder);

// A minimal ELF image with one note section holding `version` as our version
// note (no note at all when empty).
std::string ElfWithVersion(std::optional<std::uint64_t> version, bool bigEndian = false,
                           bool wide = true);

class SetupWorld {
  public:
    SetupWorld();

    // Fills the medium with small stand-ins: programs mode 0755, libraries
    // carrying `libraryVersion`.
    void LayOutMedium(std::uint64_t libraryVersion = 0x0001000000000000ull);
    // Copies `program` as the medium's main program (to see that it still runs).
    void UseProgramAsMainProgram(const fs::path& program);

    InstallState FreshState() const;
    std::string InstallFolder() const { return (root_ / "apps-home" / "tessaryn").string(); }

    const fs::path& Root() const { return root_; }
    fs::path Medium() const { return root_ / "medium"; }
    const InstallPaths& Paths() const { return paths_; }
    registry::RegistryDatabase& Registry() { return *registry_; }
    fs::path ProgramGroup() const { return paths_.applicationsFolder / "Tessaryn 1.0"; }

  private:
    tsrn::test::TempDir dir_;
    fs::path root_;
    InstallPaths paths_;
    std::unique_ptr<registry::RegistryDatabase> registry_;
};

}  // namespace tsrn::setup::test
