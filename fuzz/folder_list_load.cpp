// Loading the folder list from a registry holding arbitrary values (any type,
// any size, odd names) under "path\", then saving it and loading it again.
//
// Input: one flags byte, then records of [name selector][type selector]
// [length][length bytes of data].
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "TestDriver.h"
#include "driver/FolderState.h"
#include "folders/AppState.h"
#include "folders/ProtectedFolders.h"
#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"

namespace {

using namespace tsrn;
using namespace tsrn::folders;
namespace folder_state = tsrn::driver::folder_state;

constexpr const char* kPath = "SOFTWARE\\Tessaryn\\path\\";
const char* const kNames[] = {"PathNum", "0",  "1",  "2",          "3",  "0d", "1d",
                              "2d",      "3d", "0s", "1s",         "2s", "3s", "00",
                              "-1",      "+1", "7",  "2147483647", "4",  "4s", "4d"};
constexpr std::uint32_t kTypes[] = {registry::kRegSz, registry::kRegBinary, registry::kRegDword, 0,
                                    7};

class SilentPrompter : public Prompter {
  public:
    Answer Ask(const Message& message) override { return message.defaultButton; }
};

// A registry directory for the whole run, removed when the fuzzer exits.
struct ScratchDirectory {
    ScratchDirectory() {
        // In memory where possible: every registry write is a synced transaction.
        const bool shm = std::filesystem::is_directory("/dev/shm");
        char pattern[] = "/dev/shm/tsrn-fuzz-XXXXXX";
        char fallback[] = "/tmp/tsrn-fuzz-XXXXXX";
        if (char* made = mkdtemp(shm ? pattern : fallback)) {
            path = made;
        }
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

registry::RegistryDatabase& Database() {
    static ScratchDirectory dir;
    static registry::RegistryDatabase database(dir.path);
    return database;
}

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

std::vector<FolderRecord> UserRecords(const FolderList& list) {
    std::vector<FolderRecord> records;
    for (std::size_t i = 0; i < list.Size(); ++i) {
        if (list.Kind(i) == FolderKind::User) {
            records.push_back(list.Record(i));
        }
    }
    return records;
}

void CheckLoaded(const ProtectedFolders& folders, const test::TestDriver& driver) {
    const FolderList& list = folders.List();
    Check(list.Size() >= 2);
    for (std::size_t i = 0; i + 2 < list.Size(); ++i) {
        Check(list.Kind(i) == FolderKind::User);
        Check((list.State(i) & ~folder_state::kValidBits) == 0);
        Check(folder_state::CipherState(list.State(i)) != folder_state::kNotEncoded);
        Check(!list.LongPath(i).empty() && list.LongPath(i).front() == '/');
    }
    for (std::size_t i = list.Size() - 2; i < list.Size(); ++i) {
        // 0 when the driver refused it
        Check(list.Kind(i) == FolderKind::RegistryFile &&
              (list.State(i) == 0x83 || list.State(i) == 0));
    }
    for (const auto& request : driver.Requests()) {
        Check(request.inSize >= 1 && request.inSize <= list.Size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    registry::RegistryDatabase& database = Database();
    (void)database.DeleteKey(registry::Hive::LocalMachine,
                             kPath);  // false too when it is not there
    std::span<const std::uint8_t> in(data, size);
    const std::uint8_t flags = in.empty() ? 0 : in[0];
    in = in.subspan(in.empty() ? 0 : 1);
    while (in.size() >= 3) {
        const char* name = kNames[in[0] % std::size(kNames)];
        const std::uint32_t type = kTypes[in[1] % std::size(kTypes)];
        const std::size_t length = std::min<std::size_t>(in[2], in.size() - 3);
        // A value the registry refuses is one the load never meets: nothing to check.
        (void)database.SetValue(registry::Hive::LocalMachine, kPath, name, type,
                                in.subspan(3, length));
        in = in.subspan(3 + length);
    }

    registry::RegistryStore store(database);
    SilentPrompter prompter;
    AppState state;
    state.keyLoaded = (flags & 1) != 0;
    state.unlocked = true;
    test::TestDriver driver;
    if ((flags & 2) != 0) {
        driver.On(driver::RequestCode::SetFolderPath, 1, test::TestDriver::Refuse());
    }
    ProtectedFolders folders(driver, state, prompter);
    folders.LoadFolderList(store);
    CheckLoaded(folders, driver);

    folders.SaveFolderList(store);
    test::TestDriver again;
    ProtectedFolders reloaded(again, state, prompter);
    reloaded.LoadFolderList(store);
    CheckLoaded(reloaded, again);
    // What was saved comes back, except states refused at the first load.
    auto saved = UserRecords(folders.List());
    bool comparable = true;
    for (const auto& record : saved) {
        comparable &= record.state != 0;
    }
    if (comparable) {
        Check(UserRecords(reloaded.List()) == saved);
    }
    return 0;
}
