#include "view/RowTexts.h"

#include <string_view>

#include "driver/FolderState.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::view {

namespace fs = driver::folder_state;
using folders::FolderKind;

namespace {
std::string Text(int id) {
    return std::string(text::Text(id));
}
}  // namespace

std::string CipheringText(std::uint32_t state, FolderKind kind, bool keyLoaded) {
    const std::uint32_t cipher = fs::CipherState(state);
    if (cipher == fs::kInitError)
        return Text(res::str::kStateInitError);
    if (kind == FolderKind::RegistryFile || cipher == fs::kNotEncoded)
        return Text(res::str::kStateNotEncoded);
    // Until the password reaches the driver it holds every folder as stopped.
    if (cipher == fs::kWorking && keyLoaded)
        return Text(res::str::kStateWorking);
    return Text(res::str::kStateStopped);
}

std::string ProtectionText(std::uint32_t state) {
    struct Bit {
        std::uint32_t mask;
        int textId;
    };
    constexpr Bit kOrder[] = {{fs::kForbidDelete, res::str::kProtectionDelete},
                              {fs::kForbidWrite, res::str::kProtectionWrite},
                              {fs::kForbidSearch, res::str::kProtectionFind},
                              {fs::kForbidOpen, res::str::kProtectionOpen}};
    std::string out;
    for (const Bit& bit : kOrder) {
        if ((state & bit.mask) != 0)
            out += text::Text(bit.textId);
    }
    return out;
}

std::string OpenFilesText(std::uint32_t state, FolderKind kind, std::int32_t openFiles) {
    if (kind != FolderKind::User || fs::CipherState(state) != fs::kWorking)
        return {};
    return std::to_string(openFiles < 0 ? 0 : openFiles);
}

int RowImage(std::uint32_t state, FolderKind kind, bool keyLoaded) {
    const std::uint32_t cipher = fs::CipherState(state);
    if (kind == FolderKind::RegistryFile) {
        return cipher == fs::kInitError ? res::row_image::kRegistryFileError
                                        : res::row_image::kRegistryFile;
    }
    if (cipher == fs::kInitError)
        return res::row_image::kFolderError;
    if (cipher == fs::kWorking && keyLoaded)
        return res::row_image::kFolderWorking;
    return res::row_image::kFolderPlain;
}

std::string ServiceNote(folders::Availability served) {
    switch (served) {
        case folders::Availability::Served:
            return {};
        case folders::Availability::Absent:
            return Text(res::str::kFolderAbsentNote);
        case folders::Availability::Refused:
            return Text(res::str::kFolderRefusedNote);
        case folders::Availability::NoDriver:
            return Text(res::str::kDriverGoneNote);
    }
    return {};
}

RowTexts RowFor(const folders::FolderRecord& record, bool keyLoaded, std::int32_t openFiles,
                folders::Availability served) {
    // Not served: shown as not registered, while the record keeps its state.
    const std::uint32_t shown = served == folders::Availability::Served
                                    ? record.state
                                    : fs::WithCipherState(record.state, fs::kInitError);
    RowTexts row;
    row.folder = record.longPath;
    row.ciphering = CipheringText(shown, record.kind, keyLoaded);
    row.protection = ProtectionText(shown);
    row.openFiles = OpenFilesText(shown, record.kind, openFiles);
    row.description = record.description;
    row.image = RowImage(shown, record.kind, keyLoaded);
    row.note = ServiceNote(served);
    return row;
}

}  // namespace tsrn::view
