#pragma once
// What one row of the folder list shows: the texts of the five columns and
// the index of its small image.

#include <cstdint>
#include <string>

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

    friend bool operator==(const RowTexts&, const RowTexts&) = default;
};

// `openFiles` is the driver's count for the folder's slot (negative = 0).
RowTexts RowFor(const folders::FolderRecord& record, bool keyLoaded, std::int32_t openFiles);

std::string CipheringText(std::uint32_t state, folders::FolderKind kind, bool keyLoaded);
// "Del. Write Find Open " for the prohibition bits set, in that order.
std::string ProtectionText(std::uint32_t state);
// The count only for a working user folder; empty otherwise.
std::string OpenFilesText(std::uint32_t state, folders::FolderKind kind, std::int32_t openFiles);
int RowImage(std::uint32_t state, folders::FolderKind kind, bool keyLoaded);

}  // namespace tsrn::view
