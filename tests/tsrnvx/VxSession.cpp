#include "VxSession.h"

namespace tsrn::vx::test {

VxSession::VxSession() : link_(std::make_unique<driver::DriverClient>(TSRNVX_PROGRAM)) {}

VxSession::~VxSession() {
    Stop();
}

bool VxSession::Start() {
    return link_->Open() && link_->SetPassword(kPassword);
}

bool VxSession::Serve(std::uint32_t slot, const std::filesystem::path& folder,
                      std::uint32_t state) {
    return link_->SetFolderPath(folder.string(), slot, state) == 0;
}

void VxSession::Stop() {
    link_->Close();
}

}  // namespace tsrn::vx::test
