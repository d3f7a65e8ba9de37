#pragma once
// The folder commands of the list: add a folder (with an optional
// enciphering pass), delete one (with an optional deciphering pass), start,
// stop and switch a folder's ciphering, and the protection dialog. During a
// pass every listed folder that overlaps the pass's folder is stopped in the
// driver and gets its own state back afterwards.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/DriverLink.h"
#include "folders/ProtectedFolders.h"
#include "platform/Prompter.h"
#include "view/CommandRules.h"
#include "view/ViewDialogs.h"

namespace tsrn::view {

// The list's selected row: 1-based, 0 for none.
struct Selection {
    int position = 0;
};

class FolderCommands {
  public:
    FolderCommands(folders::ProtectedFolders& folders, driver::DriverLink& driver,
                   Prompter& prompter, ViewDialogs& dialogs, Selection& selection,
                   std::function<void()> fullRefresh);

    // Command 32771 and Ins: choose a folder, then AddFolderFlow.
    void BrowseAndAdd();
    void AddFolderFlow(const std::string& path);
    // Command 32772 and Del, on the selected row.
    void DeleteFolderFlow();
    void StartCiphering();
    void StopCiphering();
    void ToggleCiphering();
    // Command 32776 (and ENTER or a double-click with EnterAction 0).
    void EditProtection();

    std::optional<SelectedRecord> Selected() const;
    // Runs `work` with the listed folders at, above or below `path` stopped
    // in the driver, then gives each its state back. When one cannot be
    // stopped, `work` is not run (it would write through the ciphering).
    bool RunWithFoldersStopped(const std::string& path, const std::function<void()>& work);

  private:
    bool AskOverlaps(const std::string& path);
    bool RunPassWithOverlapsStopped(const std::string& path, bulk::CipherMode mode,
                                    std::optional<std::size_t> skipped);
    std::vector<std::size_t> OverlappingUserFolders(const std::string& path,
                                                    std::optional<std::size_t> skipped) const;
    bool StopInDriver(std::size_t position);
    void RestoreInDriver(std::size_t position);
    std::optional<std::size_t> SelectedIndex() const;
    Answer Ask(int textId, std::string text, int captionId, Buttons buttons, Icon icon,
               Answer defaultButton);

    folders::ProtectedFolders& folders_;
    driver::DriverLink& driver_;
    Prompter& prompter_;
    ViewDialogs& dialogs_;
    Selection& selection_;
    std::function<void()> fullRefresh_;
};

}  // namespace tsrn::view
