#include "TestDriver.h"

#include <iomanip>

#include "driver/DriverProtocol.h"

namespace tsrn::driver {

void PrintTo(const Request& request, std::ostream* os) {
    *os << "{code 0x" << std::hex << static_cast<std::uint32_t>(request.code) << ", in 0x"
        << request.inSize << ", out 0x" << request.outSize << ", answer 0x" << request.answer
        << std::dec << ", text ";
    if (request.text) {
        *os << std::quoted(*request.text);
    } else {
        *os << "none";
    }
    *os << "}";
}

}  // namespace tsrn::driver

namespace tsrn::test {

using driver::Request;
using driver::RequestCode;

TestDriver& TestDriver::Next(Response response) {
    next_.push_back(response);
    return *this;
}

TestDriver& TestDriver::On(RequestCode code, Response response) {
    rules_[{code, std::nullopt}] = response;
    return *this;
}

TestDriver& TestDriver::On(RequestCode code, std::uint32_t slot, Response response) {
    rules_[{code, slot}] = response;
    return *this;
}

bool TestDriver::Open() {
    open_ = openSucceeds_;
    return open_;
}

bool TestDriver::Transact(const Request& request, std::uint32_t& answer) {
    requests_.push_back(request);
    if (!driver::wire::EncodeRequest(request)) {
        return false;
    }
    const Response response = ResponseFor(request);
    switch (response.kind) {
        case Response::Kind::FailCall:
            return false;
        case Response::Kind::LeaveUntouched:
            return true;
        case Response::Kind::Answer:
            answer = response.word;
            return true;
    }
    return false;
}

TestDriver::Response TestDriver::ResponseFor(const Request& request) {
    if (!next_.empty()) {
        const Response response = next_.front();
        next_.pop_front();
        return response;
    }
    if (auto it = rules_.find({request.code, request.inSize}); it != rules_.end()) {
        return it->second;
    }
    if (auto it = rules_.find({request.code, std::nullopt}); it != rules_.end()) {
        return it->second;
    }
    return Accept();
}

namespace req {

Request QueryOpenFiles(std::uint32_t slot) {
    return {RequestCode::QueryOpenFiles, std::nullopt, slot, 0, slot};
}
Request InitializeDriver() {
    return {RequestCode::InitializeDriver, std::nullopt, 0, 0, 0};
}
Request SetFolderPath(std::string path, std::uint32_t slot, std::uint32_t state) {
    return {RequestCode::SetFolderPath, std::move(path), slot, state, state};
}
Request SetFolderShortPath(std::string path, std::uint32_t slot, std::uint32_t state) {
    return {RequestCode::SetFolderShortPath, std::move(path), slot, state, state};
}
Request ClearFolderPath(std::uint32_t slot) {
    return {RequestCode::ClearFolderPath, std::nullopt, slot, 0, slot};
}
Request ClearFolderShortPath(std::uint32_t slot) {
    return {RequestCode::ClearFolderShortPath, std::nullopt, slot, 0, slot};
}
Request SetFolderState(std::uint32_t slot, std::uint32_t state) {
    return {RequestCode::SetFolderState, std::nullopt, slot, state, state};
}
Request SetGlobalProtection(std::uint32_t word) {
    return {RequestCode::SetGlobalProtection, std::nullopt, word, 0, 0};
}
Request SetPassword(std::string password) {
    return {RequestCode::SetPassword, std::move(password), 0, 0, 0};
}

}  // namespace req

}  // namespace tsrn::test
