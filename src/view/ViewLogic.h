#pragma once
// The folder list view without its widgets: it owns the folder list for the
// whole run, loads it at start, saves it (with "GS" and "EnterAction") as soon
// as one of them changes and again at close (only while unlocked, never in a
// list-file run),
// keeps the rows' texts, the selected position, the ENTER setting and the
// Shift flag, and turns keys, drops, double-clicks and commands into the
// folder commands. Nothing acts while the program is locked.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "folders/ProtectedFolders.h"
#include "platform/Prompter.h"
#include "registry/RegistryStore.h"
#include "view/ColumnWidths.h"
#include "view/CommandRules.h"
#include "view/FolderCommands.h"
#include "view/RowTexts.h"
#include "view/ViewDialogs.h"

namespace tsrn::view {

struct ViewPorts {
    folders::AppState& state;
    registry::RegistryStore& store;
    driver::DriverLink& driver;
    Prompter& prompter;
    ViewDialogs& dialogs;
};

// What a refresh changed, for the widgets.
struct RefreshResult {
    bool rebuilt = false;                  // every row is new
    std::vector<std::size_t> changedRows;  // light: rows whose open-file text changed
};

class ViewLogic {
  public:
    explicit ViewLogic(ViewPorts ports);

    // Start sequence: "columns", the folder list, "GS" (sent to the driver),
    // "EnterAction", then a full refresh.
    void Start();
    const ColumnArray& ColumnPercents() const { return percents_; }
    // Close sequence, only while unlocked: "columns" from the widths measured
    // against the client width, "EnterAction", "GS" and the folder list.
    // False when it was skipped.
    bool Close(const ColumnArray& columnWidths, int clientWidth);

    // Light: only the open-file counts (column 3), unless a folder appeared
    // and was registered or the driver came or went; full: every row.
    RefreshResult RefreshList(bool light);
    // Writes the folder list, "GS" and "EnterAction" in one transaction when
    // they differ from what was last loaded or saved; not while locked, never
    // in a list-file run. True when it wrote.
    bool SaveIfChanged();
    const std::vector<RowTexts>& Rows() const { return rows_; }
    // Called after every refresh, also one run by a command.
    void SetRefreshListener(std::function<void(const RefreshResult&)> listener) {
        refreshed_ = std::move(listener);
    }

    int SelectedPosition() const { return selection_.position; }
    // From the control: the first selected row, if any. Always 0 while locked.
    void UpdateSelection(std::optional<std::size_t> firstSelectedRow);
    // Clamps the selected position to the rows; the row to mark, if any.
    std::optional<std::size_t> RestoreSelection();

    // Keys while the list has the focus; ContextMenu asks the widget to open
    // the menu at the selected row. Everything else is done here.
    KeyAction KeyDown(Key key);
    void ShiftUp() { shiftDown_ = false; }
    bool ShiftDown() const { return shiftDown_; }
    void DoubleClick();
    void Drop(const std::vector<std::string>& paths);
    // The context menu opens only while unlocked; "&Control" only with a row.
    bool ContextMenuAllowed() const { return ports_.state.unlocked; }
    bool ContextMenuHasControl() const { return selection_.position != 0; }

    bool HandlesCommand(int commandId) const;
    bool CommandEnabled(int commandId) const;
    void RunCommand(int commandId);
    // Command 32782; the GUI supplies it.
    void SetChangePassword(std::function<void()> command) { changePassword_ = std::move(command); }

    int FolderCount() const { return static_cast<int>(folders_.List().Size()); }
    const folders::FolderList& List() const { return folders_.List(); }
    folders::ProtectedFolders& Folders() { return folders_; }
    FolderCommands& Commands() { return commands_; }
    void ResendAllStates() { folders_.ResendAllStates(); }
    std::uint32_t GlobalProtection() const { return folders_.GlobalProtection(); }
    void SetGlobalProtection(std::uint32_t word) { folders_.SetGlobalProtection(word); }
    void SendGlobalProtection() { folders_.SendGlobalProtection(); }
    int EnterAction() const { return enterAction_; }
    void SetEnterAction(int action) { enterAction_ = action == 1 ? 1 : 0; }
    void SaveSettings();
    bool AnyFilesOpen() const { return ports_.state.anyFilesOpen; }
    // The driver was started anew: registers every folder, sends the global
    // word and rebuilds the rows.
    void DriverRestarted();

  private:
    struct Saved {
        std::vector<folders::FolderRecord> folders;
        std::uint32_t globalProtection = 0;
        int enterAction = 0;
        friend bool operator==(const Saved&, const Saved&) = default;
    };
    Saved WhatIsSaved() const;
    void SaveAll();
    void RunEnterAction();
    // F5 and command 32781: also tries the folders the driver refused again.
    void Refresh();
    std::int32_t OpenFiles(std::size_t position);

    ViewPorts ports_;
    Selection selection_;
    folders::ProtectedFolders folders_;
    FolderCommands commands_;
    ColumnArray percents_{};
    int enterAction_ = 0;
    bool shiftDown_ = false;
    std::vector<RowTexts> rows_;
    Saved saved_;
    bool rowsShowDriver_ = true;
    std::function<void(const RefreshResult&)> refreshed_;
    std::function<void()> changePassword_;
};

}  // namespace tsrn::view
