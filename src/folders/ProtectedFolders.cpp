#include "folders/ProtectedFolders.h"

#include <limits.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "driver/DriverProtocol.h"
#include "driver/FolderState.h"
#include "folders/FolderPaths.h"
#include "folders/ListFileParser.h"
#include "platform/Paths.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::folders {

namespace fs = driver::folder_state;

namespace {

constexpr std::uint32_t kRegistryFileState = fs::kNotEncoded | fs::kForbidDelete;
constexpr std::string_view kGlobalProtectionName = "GS";

std::uint32_t Slot(std::size_t position) {
    return static_cast<std::uint32_t>(position + 1);
}

// A path that is not there now (an unplugged disk, an unmounted share, a
// registry file not written yet) is served once it appears.
bool PathExists(std::string_view path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error) && !error;
}

bool CanTravelAsPath(std::string_view path) {
    return path.size() <= driver::wire::kMaxTextLength && path.find('\0') == std::string_view::npos;
}

std::array<std::uint8_t, 4> LittleEndian(std::uint32_t word) {
    return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

std::uint32_t FromLittleEndian(const std::array<std::uint8_t, 4>& bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The value names "0", "1", ... as the list writes them: decimal, no sign, no
// leading zero.
std::optional<int> EntryIndex(std::string_view name) {
    if (name.empty() || (name.size() > 1 && name[0] == '0')) {
        return std::nullopt;
    }
    int index = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
    if (error != std::errc() || end != name.data() + name.size() || index < 0) {
        return std::nullopt;
    }
    return index;
}

std::string PathKey() {
    return std::string(registry::kStorageRoot) + std::string(registry::kPathKey);
}

// Folder paths are saved from PATH_MAX buffers and read back with the same
// room: the store's ordinary texts stop at 259 characters, and a longer path
// would silently drop its folder from the list at the next start.
std::string ReadStoredPath(registry::RegistryStore& store, const std::string& name) {
    const auto value = store.Database().QueryValue(registry::Hive::LocalMachine, PathKey(), name);
    if (!value || value->data.size() > static_cast<std::size_t>(PATH_MAX)) {
        return {};
    }
    const auto& data = value->data;
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    if (end - data.begin() >= PATH_MAX) {
        return {};
    }
    return std::string(data.begin(), end);
}

// The numbers below `count` that have a stored path value, in increasing
// order. "PathNum" may claim far more entries than exist; every number without
// a value would be skipped anyway, so only the stored ones are visited.
std::vector<int> StoredEntries(registry::RegistryStore& store, int count) {
    std::vector<int> entries;
    for (const auto& name : store.Database().ValueNames(registry::Hive::LocalMachine, PathKey())) {
        if (const auto index = EntryIndex(name); index && *index < count) {
            entries.push_back(*index);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

ProtectedFolders::ProtectedFolders(driver::DriverLink& driver, AppState& state, Prompter& prompter,
                                   FolderListHooks hooks)
    : driver_(driver), state_(state), prompter_(prompter), hooks_(std::move(hooks)) {}

std::int32_t ProtectedFolders::AddFolder(std::string_view path, std::string_view description,
                                         std::uint32_t state, FolderKind kind) {
    if (!CanTravelAsPath(path)) {
        return -1;
    }
    const std::size_t position = list_.Size();
    std::string longPath(path);
    std::string shortPath = ShortPath(path);
    const std::int32_t status = SendPaths(longPath, shortPath, position, state);
    Availability served = Availability::Served;
    std::uint32_t kept = state;
    if (status != 0) {
        // A folder that is only away, or a driver that is gone, must not cost
        // the record its state: saved as 0 it would load as working.
        if (!driver_.IsOpen()) {
            served = Availability::NoDriver;
        } else if (!PathExists(path)) {
            served = Availability::Absent;
        } else {
            kept = 0;
        }
    }
    list_.Append({std::move(longPath), std::move(shortPath), std::string(description), kept, kind},
                 served);
    return status;
}

std::int32_t ProtectedFolders::SendPaths(const std::string& longPath, const std::string& shortPath,
                                         std::size_t position, std::uint32_t state) {
    // Until the password is in the driver, the driver holds every folder stopped.
    const std::uint32_t sent = state_.keyLoaded ? state : fs::WithCipherState(state, fs::kStopped);
    if (shortPath != UpperCase(longPath)) {
        // The second name only; the answer for the path itself decides.
        (void)driver_.SetFolderShortPath(shortPath, Slot(position), sent);
    }
    return driver_.SetFolderPath(longPath, Slot(position), sent);
}

Availability ProtectedFolders::Register(std::size_t position) {
    const std::string& longPath = list_.LongPath(position);
    if (!PathExists(longPath)) {
        return Availability::Absent;
    }
    list_.SetShortPath(position, ShortPath(longPath));
    if (SendPaths(longPath, list_.ShortPath(position), position, list_.State(position)) == 0) {
        return Availability::Served;
    }
    return driver_.IsOpen() ? Availability::Refused : Availability::NoDriver;
}

bool ProtectedFolders::RegisterAppeared() {
    if (!driver_.IsOpen()) {
        return false;
    }
    bool changed = false;
    for (std::size_t i = 0; i < list_.Size(); ++i) {
        const Availability served = list_.Served(i);
        if (served == Availability::Absent && PathExists(list_.LongPath(i))) {
            list_.SetServed(i, Register(i));
            changed = true;
        } else if (served == Availability::Refused && !PathExists(list_.LongPath(i))) {
            list_.SetServed(i, Availability::Absent);
            changed = true;
        }
    }
    return changed;
}

void ProtectedFolders::RetryRefused() {
    for (std::size_t i = 0; i < list_.Size(); ++i) {
        if (list_.Served(i) == Availability::Refused) {
            list_.SetServed(i, Availability::Absent);
        }
    }
}

void ProtectedFolders::RegisterAll() {
    for (std::size_t i = 0; i < list_.Size(); ++i) {
        list_.SetServed(i, Register(i));
    }
    Rebuild();
}

std::int32_t ProtectedFolders::RemoveFolder(std::size_t position, bool force) {
    if (position >= list_.Size()) {
        return -1;
    }
    // A slot without a second name refuses this; the path's answer decides.
    (void)driver_.ClearFolderShortPath(Slot(position));
    const std::int32_t status = driver_.ClearFolderPath(Slot(position));
    if (status != 0) {
        list_.SetState(position, list_.State(position) & ~fs::kCipherMask);
        if (!force) {
            return status;
        }
    }
    for (std::size_t i = position + 1; i < list_.Size(); ++i) {
        MoveFolder(i - 1, i);
    }
    list_.DropLast();
    return status;
}

void ProtectedFolders::MoveFolder(std::size_t destination, std::size_t source) {
    if (destination >= list_.Size() || source >= list_.Size()) {
        return;
    }
    // Emptying the slots: one that is empty already refuses, which is fine.
    (void)driver_.ClearFolderPath(Slot(destination));
    (void)driver_.ClearFolderShortPath(Slot(destination));
    (void)driver_.ClearFolderPath(Slot(source));
    (void)driver_.ClearFolderShortPath(Slot(source));
    list_.CopyPathsStateAndKind(destination, source);
    // In a move the short path travels as the path and the long one as the
    // short path, and the real state is sent even before the key is loaded.
    const std::uint32_t state = list_.State(destination);
    const std::int32_t status =
        driver_.SetFolderPath(list_.ShortPath(destination), Slot(destination), state);
    (void)driver_.SetFolderShortPath(list_.LongPath(destination), Slot(destination), state);
    list_.SetDescription(destination, list_.Description(source));
    // A folder the driver no longer serves must not be shown as served.
    if (status != 0 && list_.Served(destination) == Availability::Served) {
        list_.SetServed(destination,
                        driver_.IsOpen() ? Availability::Refused : Availability::NoDriver);
    }
}

// Besides the texts, the folder itself: a path through a link to a listed
// folder names that folder.
bool ProtectedFolders::IsInList(std::string_view path) const {
    const std::string canonical = ShortPath(path);
    for (std::size_t i = list_.Size(); i-- > 0;) {
        if (list_.ShortPath(i) == path || list_.LongPath(i) == path ||
            list_.ShortPath(i) == canonical ||
            (list_.Kind(i) != FolderKind::RegistryFile &&
             folders::CompareFolders(canonical, list_.LongPath(i)) == 2)) {
            return true;
        }
    }
    return false;
}

bool ProtectedFolders::StartCiphering() {
    return ChangeCipherState(fs::kWorking, res::str::kStartCipheringError);
}

bool ProtectedFolders::StopCiphering() {
    return ChangeCipherState(fs::kStopped, res::str::kStopCipheringError);
}

bool ProtectedFolders::ChangeCipherState(std::uint32_t cipherState, int failureTextId) {
    const auto selected = Selected();
    if (!selected) {
        return false;
    }
    const std::uint32_t state = fs::WithCipherState(list_.State(*selected), cipherState);
    if (!list_.IsServed(*selected)) {
        // Nothing in the driver to change: the state is registered with the
        // folder when it can be served.
        list_.SetState(*selected, state);
        Rebuild();
        return true;
    }
    if (driver_.SetFolderState(Slot(*selected), state) != 0) {
        ShowError(failureTextId);
        return false;
    }
    list_.SetState(*selected, state);
    Rebuild();
    return true;
}

void ProtectedFolders::ApplyProtection() {
    Rebuild();
    const auto selected = Selected();
    if (selected && list_.IsServed(*selected) &&
        driver_.SetFolderState(Slot(*selected), list_.State(*selected)) != 0) {
        ShowError(res::str::kProtectionError);
    }
}

void ProtectedFolders::ResendAllStates() {
    bool anyRefused = false;
    for (std::size_t i = 0; i < list_.Size(); ++i) {
        if (list_.IsServed(i)) {
            anyRefused |= driver_.SetFolderState(Slot(i), list_.State(i)) != 0;
        }
    }
    if (anyRefused) {
        ShowError(res::str::kProtectionError);
    }
    state_.keyLoaded = true;
    Rebuild();
}

bool ProtectedFolders::SendGlobalProtection() {
    if (!driver_.SetGlobalProtection(globalProtection_)) {
        ShowError(res::str::kGlobalProtectionError);
        return false;
    }
    return true;
}

void ProtectedFolders::LoadFolderList(registry::RegistryStore& store) {
    if (state_.listFileMode) {
        ImportListFile(state_.listFilePath);
    } else {
        LoadStoredFolders(store);
    }
    AddRegistryFileEntries(store);
}

void ProtectedFolders::LoadStoredFolders(registry::RegistryStore& store) {
    for (const int i : StoredEntries(store, store.GetInt(registry::kPathKey, "PathNum", 0))) {
        const std::string name = std::to_string(i);
        const std::string stored = ReadStoredPath(store, name);
        if (stored.empty()) {
            continue;
        }
        const auto path = FullPath(stored);
        if (!path) {
            continue;
        }
        const std::string description = store.GetString(registry::kPathKey, name + "d", "");
        std::array<std::uint8_t, 4> bytes{};
        std::uint32_t state = fs::kWorking;
        if (store.GetBinary(registry::kPathKey, name + "s", bytes.data(), bytes.size())) {
            // A hand-edited word loses the bits no folder state has.
            state = FromLittleEndian(bytes) & fs::kValidBits;
        }
        if (fs::CipherState(state) == fs::kNotEncoded) {
            continue;
        }
        if (fs::CipherState(state) == fs::kInitError) {
            state = fs::kWorking;
        }
        AddFolder(*path, description, state, FolderKind::User);
    }
}

void ProtectedFolders::AddRegistryFileEntries(registry::RegistryStore& store) {
    const std::string description(text::Text(res::str::kRegistryFile));
    for (registry::Hive hive : {registry::Hive::CurrentUser, registry::Hive::LocalMachine}) {
        const std::string file = store.Database().HiveFile(hive).string();
        if (!file.empty()) {
            AddFolder(file, description, kRegistryFileState, FolderKind::RegistryFile);
        }
    }
}

void ProtectedFolders::SaveFolderList(registry::RegistryStore& store) {
    if (!state_.unlocked || state_.listFileMode) {
        return;
    }
    int saved = 0;
    for (std::size_t i = 0; i < list_.Size(); ++i) {
        if (list_.Kind(i) != FolderKind::User || list_.LongPath(i).empty()) {
            continue;
        }
        const std::string name = std::to_string(saved);
        store.SetString(registry::kPathKey, name, list_.LongPath(i));
        if (list_.Description(i).empty()) {
            store.DeleteValue(registry::kPathKey, name + "d");
        } else {
            store.SetString(registry::kPathKey, name + "d", list_.Description(i));
        }
        const auto state = LittleEndian(list_.State(i));
        store.SetBinary(registry::kPathKey, name + "s", state.data(), state.size());
        ++saved;
    }
    store.SetInt(registry::kPathKey, "PathNum", saved);
    for (int j = saved;; ++j) {
        const std::string name = std::to_string(j);
        const bool path = store.DeleteValue(registry::kPathKey, name);
        const bool description = store.DeleteValue(registry::kPathKey, name + "d");
        const bool state = store.DeleteValue(registry::kPathKey, name + "s");
        if (!path && !description && !state) {
            break;
        }
    }
}

void ProtectedFolders::LoadGlobalProtection(registry::RegistryStore& store) {
    std::array<std::uint8_t, 4> bytes{};
    globalProtection_ =
        store.GetBinary(registry::kSettingsKey, kGlobalProtectionName, bytes.data(), bytes.size())
            ? FromLittleEndian(bytes) & fs::kProtectionMask
            : 0;
}

void ProtectedFolders::SaveGlobalProtection(registry::RegistryStore& store) {
    if (!state_.unlocked) {
        return;
    }
    const auto bytes = LittleEndian(globalProtection_);
    store.SetBinary(registry::kSettingsKey, kGlobalProtectionName, bytes.data(), bytes.size());
}

std::size_t ProtectedFolders::ImportListFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return 0;
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::size_t count = 0;
    for (const auto& name : ParseListFile(bytes)) {
        if (const auto full = FullPath(name)) {
            AddFolder(*full, "", fs::kWorking, FolderKind::User);
            ++count;
        }
    }
    return count;
}

void ProtectedFolders::ShowError(int textId) {
    Message message;
    message.textId = textId;
    message.text = std::string(text::Text(textId));
    message.captionId = res::str::kCaptionError;
    message.buttons = Buttons::Ok;
    message.icon = Icon::None;
    message.defaultButton = Answer::Ok;
    prompter_.Ask(message);
}

void ProtectedFolders::Rebuild() {
    if (hooks_.rebuildView) {
        hooks_.rebuildView();
    }
}

std::optional<std::size_t> ProtectedFolders::Selected() const {
    if (!hooks_.selectedPosition) {
        return std::nullopt;
    }
    const auto selected = hooks_.selectedPosition();
    if (selected && *selected >= list_.Size()) {
        return std::nullopt;
    }
    return selected;
}

}  // namespace tsrn::folders
