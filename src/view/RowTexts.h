#pragma once
// What one row of the folder list shows: the texts of the five columns and
// the index of its small image.

#include <cstdint>
#include <string>

#include "folders/FolderList.h"
#include "folders/FolderRecord.h"

namespace tsrn::view {

inline constexpr int kColumnCount = 5;
inline constexpr int kOpenFilesColumn = 3;

struct RowTexts {
    std::string folder;
    std::string ciphering;
    std::string protection;
    std::string openFiles;
    std::string description;
    int image = 0;
    std::string note;  // why the driver does not serve the folder; empty when it does

    friend bool operator==(const RowTexts&, const RowTexts&) = default;
};

// `openFiles` is the driver's count for the folder's slot (negative = 0). A
// record the driver does not serve shows "Initialization error" whatever its
// own state, with the reason as its note.
RowTexts RowFor(const folders::FolderRecord& record, bool keyLoaded, std::int32_t openFiles,
                folders::Availability served = folders::Availability::Served);
std::string ServiceNote(folders::Availability served);

std::string CipheringText(std::uint32_t state, folders::FolderKind kind, bool keyLoaded);
// "Del. Write Find Open " for the prohibition bits set, in that order.
std::string ProtectionText(std::uint32_t state);
// The count only for a working user folder; empty otherwise.
std::string OpenFilesText(std::uint32_t state, folders::FolderKind kind, std::int32_t openFiles);
int RowImage(std::uint32_t state, folders::FolderKind kind, bool keyLoaded);

}  // namespace tsrn::view
