#include "driver/DriverLink.h"

namespace tsrn::driver {

namespace {

// A word-returning request: -1 when the call failed, else the word as the
// driver left it (a driver that does not write it answers the outgoing scalar).
std::int32_t WordResult(bool called, std::uint32_t word) {
    return called ? static_cast<std::int32_t>(word) : -1;
}

}  // namespace

std::int32_t DriverLink::QueryOpenFiles(std::uint32_t slot) {
    return WordRequest({RequestCode::QueryOpenFiles, std::nullopt, slot, 0, slot});
}

bool DriverLink::InitializeDriver() {
    return BoolRequest({RequestCode::InitializeDriver, std::nullopt, 0, 0, 0});
}

std::int32_t DriverLink::SetFolderPath(std::string_view path, std::uint32_t slot,
                                       std::uint32_t state) {
    return WordRequest({RequestCode::SetFolderPath, std::string(path), slot, state, state});
}

std::int32_t DriverLink::SetFolderShortPath(std::string_view path, std::uint32_t slot,
                                            std::uint32_t state) {
    return WordRequest({RequestCode::SetFolderShortPath, std::string(path), slot, state, state});
}

std::int32_t DriverLink::ClearFolderPath(std::uint32_t slot) {
    return WordRequest({RequestCode::ClearFolderPath, std::nullopt, slot, 0, slot});
}

std::int32_t DriverLink::ClearFolderShortPath(std::uint32_t slot) {
    return WordRequest({RequestCode::ClearFolderShortPath, std::nullopt, slot, 0, slot});
}

std::int32_t DriverLink::SetFolderState(std::uint32_t slot, std::uint32_t state) {
    return WordRequest({RequestCode::SetFolderState, std::nullopt, slot, state, state});
}

bool DriverLink::SetGlobalProtection(std::uint32_t word) {
    return BoolRequest({RequestCode::SetGlobalProtection, std::nullopt, word, 0, 0});
}

bool DriverLink::SetPassword(std::string_view password) {
    // An empty password still travels as a text, never as "no text".
    return BoolRequest({RequestCode::SetPassword, std::string(password), 0, 0, 0});
}

std::int32_t DriverLink::WordRequest(const Request& request) {
    std::uint32_t word = request.answer;
    const bool called = IsOpen() && Transact(request, word);
    return WordResult(called, word);
}

bool DriverLink::BoolRequest(const Request& request) {
    std::uint32_t scratch = request.answer;
    return IsOpen() && Transact(request, scratch);
}

}  // namespace tsrn::driver
