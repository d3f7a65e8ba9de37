#pragma once
// The installation steps, one per timer tick: group 0 copies the programs and
// the manual into the install folder, group 1 the driver and group 2 the
// runtime libraries (only when newer) into the system folder; group 3 writes
// the menu entries and the registry values. A failed copy asks Retry/Cancel;
// Cancel offers the rollback.

#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"
#include "setup/InstallFileTable.h"
#include "setup/InstallObserver.h"
#include "setup/InstallPaths.h"
#include "setup/InstallState.h"

namespace tsrn::setup {

// Where a reinstall keeps the files it replaces until it succeeded or was undone.
inline constexpr std::string_view kSetAsideFolder = ".tsrn-earlier";

enum class TickResult {
    Busy,        // a step was already running; nothing done
    Advanced,    // one step done
    CopyFailed,  // the copy failed and was not rolled back; the next tick retries
    RolledBack,  // the user confirmed the rollback; no further step runs
    Finished,    // every step done
};

class InstallEngine {
  public:
    InstallEngine(InstallState& state, const InstallPaths& paths,
                  registry::RegistryDatabase& registry, Prompter& prompter,
                  InstallObserver& observer);

    // Normalises the folders and creates the install and system folders.
    void Prepare();
    [[nodiscard]] TickResult Tick();

    int Group() const { return group_; }
    int Index() const { return index_; }
    bool Finished() const { return group_ == kDoneGroup; }
    bool RolledBack() const { return rolledBack_; }
    // Whether the menu entries and registry values were all written.
    bool FinalStepComplete() const { return finalStepComplete_; }

  private:
    [[nodiscard]] TickResult Step();
    [[nodiscard]] TickResult CopyStep();
    [[nodiscard]] TickResult FinalStep();
    [[nodiscard]] TickResult ReportCopyFailure(const std::string& target);
    std::string TargetPath(const InstallFile& file) const;
    // Records a file about to be written; on a reinstall the earlier file is
    // first moved into the set-aside folder beside it.
    void NoteWrite(const std::string& target);
    void Advance();
    void UpdateProgress();

    InstallState& state_;
    const InstallPaths& paths_;
    registry::RegistryDatabase& registry_;
    Prompter& prompter_;
    InstallObserver& observer_;
    int group_ = 0;
    int index_ = 0;
    bool rolledBack_ = false;
    bool finalStepComplete_ = false;
};

}  // namespace tsrn::setup
