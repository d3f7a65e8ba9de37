// Any bytes found in the state folder, read as a run journal and as a
// password change record: a damaged file is refused or read up to its last
// whole record, never read beyond.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "journal/JournalFormat.h"
#include "journal/PasswordChangeRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    std::string error;
    if (const auto journal = tsrn::journal::ParseJournal(bytes, error)) {
        if (journal->validBytes > size) {
            __builtin_trap();
        }
    }
    if (const auto record = tsrn::journal::PasswordChangeRecord::Parse(bytes, error)) {
        if (record->validBytes > size) {
            __builtin_trap();
        }
    }
    return 0;
}
