#pragma once
// The control protocol between the program and the driver (tsrnvx), spoken over
// one end of a socketpair(AF_UNIX, SOCK_STREAM). Header-only so the driver, which
// links nothing but the cipher, shares it. docs/driver-protocol.md is the
// byte-by-byte description; keep the two in step.
//
// All integers are little-endian u32.
//   hello  (driver -> program, once, first):  magic "TSHL", version, pid, reserved 0
//   request (program -> driver):  magic "TSRQ", code, inSize, outSize, answer, textLength,
//                                 then textLength bytes of text (no NUL).
//                                 textLength kNoText means "no text" (a NULL pointer),
//                                 0 means an empty text.
//   reply  (driver -> program, one per request, in order):
//                                 magic "TSRP", success (0 or 1), answer, reserved 0

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "driver/DriverLink.h"

namespace tsrn::driver::wire {

inline constexpr std::uint32_t kHelloMagic = 0x4C485354;    // "TSHL"
inline constexpr std::uint32_t kRequestMagic = 0x51525354;  // "TSRQ"
inline constexpr std::uint32_t kReplyMagic = 0x50525354;    // "TSRP"
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::uint32_t kNoText = 0xFFFFFFFFu;
// Paths are at most PATH_MAX (4096) bytes with the NUL; a longer text is a
// protocol error, never truncated.
inline constexpr std::uint32_t kMaxTextLength = 4095;

inline constexpr std::size_t kHelloSize = 16;
inline constexpr std::size_t kRequestHeaderSize = 24;
inline constexpr std::size_t kReplySize = 16;

struct Hello {
    std::uint32_t version = kVersion;
    std::uint32_t pid = 0;
};

struct Reply {
    bool success = false;
    std::uint32_t answer = 0;
};

inline void PutU32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline std::uint32_t GetU32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

inline std::array<std::uint8_t, kHelloSize> EncodeHello(const Hello& hello) {
    std::array<std::uint8_t, kHelloSize> out{};
    PutU32(&out[0], kHelloMagic);
    PutU32(&out[4], hello.version);
    PutU32(&out[8], hello.pid);
    return out;
}

[[nodiscard]] inline std::optional<Hello> DecodeHello(
    std::span<const std::uint8_t, kHelloSize> in) {
    if (GetU32(&in[0]) != kHelloMagic) {
        return std::nullopt;
    }
    return Hello{GetU32(&in[4]), GetU32(&in[8])};
}

// Returns the whole frame, or nothing when the text is too long or holds a NUL.
[[nodiscard]] inline std::optional<std::string> EncodeRequest(const Request& request) {
    std::uint32_t textLength = kNoText;
    if (request.text) {
        if (request.text->size() > kMaxTextLength ||
            request.text->find('\0') != std::string::npos) {
            return std::nullopt;
        }
        textLength = static_cast<std::uint32_t>(request.text->size());
    }
    std::string frame(kRequestHeaderSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(frame.data());
    PutU32(p + 0, kRequestMagic);
    PutU32(p + 4, static_cast<std::uint32_t>(request.code));
    PutU32(p + 8, request.inSize);
    PutU32(p + 12, request.outSize);
    PutU32(p + 16, request.answer);
    PutU32(p + 20, textLength);
    if (request.text) {
        frame += *request.text;
    }
    return frame;
}

struct RequestHeader {
    RequestCode code{};
    std::uint32_t inSize = 0;
    std::uint32_t outSize = 0;
    std::uint32_t answer = 0;
    std::uint32_t textLength = kNoText;
};

// Decodes the fixed header; nothing when the magic is wrong or the announced
// text is longer than the cap (the peer must then drop the channel).
[[nodiscard]] inline std::optional<RequestHeader> DecodeRequestHeader(
    std::span<const std::uint8_t, kRequestHeaderSize> in) {
    if (GetU32(&in[0]) != kRequestMagic) {
        return std::nullopt;
    }
    RequestHeader header;
    header.code = static_cast<RequestCode>(GetU32(&in[4]));
    header.inSize = GetU32(&in[8]);
    header.outSize = GetU32(&in[12]);
    header.answer = GetU32(&in[16]);
    header.textLength = GetU32(&in[20]);
    if (header.textLength != kNoText && header.textLength > kMaxTextLength) {
        return std::nullopt;
    }
    return header;
}

inline std::array<std::uint8_t, kReplySize> EncodeReply(const Reply& reply) {
    std::array<std::uint8_t, kReplySize> out{};
    PutU32(&out[0], kReplyMagic);
    PutU32(&out[4], reply.success ? 1u : 0u);
    PutU32(&out[8], reply.answer);
    return out;
}

[[nodiscard]] inline std::optional<Reply> DecodeReply(
    std::span<const std::uint8_t, kReplySize> in) {
    if (GetU32(&in[0]) != kReplyMagic || GetU32(&in[4]) > 1) {
        return std::nullopt;
    }
    return Reply{GetU32(&in[4]) == 1, GetU32(&in[8])};
}

}  // namespace tsrn::driver::wire
