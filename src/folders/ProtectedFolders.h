#pragma once
// The folder list and its mirror in the driver: every change of a record is
// sent to the driver at once, the record at position p being slot p+1.
// Loading and saving use the "path\" key of the registry store; the list file
// is the other source of folders.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "folders/FolderList.h"
#include "platform/Prompter.h"

namespace tsrn::registry {
class RegistryStore;
}

namespace tsrn::folders {

// What the list view supplies: its selected position and its full rebuild.
struct FolderListHooks {
    std::function<std::optional<std::size_t>()> selectedPosition;
    std::function<void()> rebuildView;
};

class ProtectedFolders {
  public:
    ProtectedFolders(driver::DriverLink& driver, AppState& state, Prompter& prompter,
                     FolderListHooks hooks = {});

    const FolderList& List() const { return list_; }
    // For the protection dialog: change a record, then ApplyProtection.
    FolderList& EditableList() { return list_; }

    // Appends the record and registers it (short path first, when it differs
    // from the upper-case long path). Returns SetFolderPath's status; the
    // record stays whatever the status, with state 0 when refused. A record
    // refused because its path does not exist now, or because no driver runs,
    // keeps its state and is marked as not served instead. A path that cannot
    // be a path here (too long, a NUL inside) is refused with -1 and not added.
    std::int32_t AddFolder(std::string_view path, std::string_view description, std::uint32_t state,
                           FolderKind kind);
    // Frees the slot; a refused removal keeps the record (cipher state 0)
    // unless `force`. Later records move up one slot. -1 for no such position.
    std::int32_t RemoveFolder(std::size_t position, bool force);
    void MoveFolder(std::size_t destination, std::size_t source);
    bool IsInList(std::string_view path) const;

    // On the selected record; true when the driver took the new state.
    bool StartCiphering();
    bool StopCiphering();
    void ApplyProtection();
    // Sends every served record's state (not-served ones have no slot).
    void ResendAllStates();
    // Registers the absent records whose paths exist now; marks a refused one
    // absent again when its path is gone. True when a record changed.
    bool RegisterAppeared();
    // Refused records become absent ones, tried again when they exist.
    void RetryRefused();
    // After the driver was started again: every record registered anew with
    // its own state (the new driver knows no slot).
    void RegisterAll();

    std::uint32_t GlobalProtection() const { return globalProtection_; }
    void SetGlobalProtection(std::uint32_t word) { globalProtection_ = word; }
    bool SendGlobalProtection();

    void LoadFolderList(registry::RegistryStore& store);
    void SaveFolderList(registry::RegistryStore& store);
    // "GS": read at start (0 when missing), written at close while unlocked.
    void LoadGlobalProtection(registry::RegistryStore& store);
    void SaveGlobalProtection(registry::RegistryStore& store);

    // Adds every folder the list file names; returns how many were passed to
    // AddFolder (0 when the file cannot be read).
    std::size_t ImportListFile(const std::filesystem::path& path);

  private:
    bool ChangeCipherState(std::uint32_t cipherState, int failureTextId);
    std::int32_t SendPaths(const std::string& longPath, const std::string& shortPath,
                           std::size_t position, std::uint32_t state);
    folders::Availability Register(std::size_t position);
    void ShowError(int textId);
    void Rebuild();
    std::optional<std::size_t> Selected() const;
    void LoadStoredFolders(registry::RegistryStore& store);
    void AddRegistryFileEntries(registry::RegistryStore& store);

    driver::DriverLink& driver_;
    AppState& state_;
    Prompter& prompter_;
    FolderListHooks hooks_;
    FolderList list_;
    std::uint32_t globalProtection_ = 0;
};

}  // namespace tsrn::folders
