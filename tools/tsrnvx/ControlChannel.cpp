#include "ControlChannel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace tsrn::vx {

namespace wire = driver::wire;

ControlChannel::ReadResult ControlChannel::ReadExactly(void* buffer, std::size_t size) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(fd_, bytes + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return ReadResult::Failed;
        }
        if (got == 0) {
            return done == 0 ? ReadResult::Closed : ReadResult::Failed;
        }
        done += static_cast<std::size_t>(got);
    }
    return ReadResult::Done;
}

bool ControlChannel::WriteAll(const void* buffer, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t put = ::send(fd_, bytes + done, size - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool ControlChannel::SendHello() {
    wire::Hello hello;
    hello.pid = static_cast<std::uint32_t>(::getpid());
    auto frame = wire::EncodeHello(hello);
    return WriteAll(frame.data(), frame.size());
}

ControlChannel::Status ControlChannel::Receive(wire::RequestHeader& header,
                                               std::optional<std::string>& text) {
    std::array<std::uint8_t, wire::kRequestHeaderSize> raw{};
    switch (ReadExactly(raw.data(), raw.size())) {
        case ReadResult::Closed:
            return Status::Closed;
        case ReadResult::Failed:
            return Status::Broken;
        case ReadResult::Done:
            break;
    }
    auto decoded = wire::DecodeRequestHeader(raw);
    if (!decoded) {
        return Status::Broken;
    }
    header = *decoded;
    text.reset();
    if (header.textLength != wire::kNoText) {
        std::string body(header.textLength, '\0');
        if (header.textLength > 0 && ReadExactly(body.data(), body.size()) != ReadResult::Done) {
            return Status::Broken;
        }
        text = std::move(body);
    }
    return Status::Request;
}

bool ControlChannel::SendReply(const wire::Reply& reply) {
    auto frame = wire::EncodeReply(reply);
    return WriteAll(frame.data(), frame.size());
}

}  // namespace tsrn::vx
