#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "driver/DriverProtocol.h"

namespace tsrn::driver::wire {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// The exact bytes both sides of the channel must agree on.
TEST(DriverProtocolTest, ARequestFrameHasTheDocumentedBytes) {
    const auto frame = EncodeRequest({RequestCode::SetFolderPath, "/ab", 2, 0x81, 0x81});
    ASSERT_TRUE(frame);
    const std::vector<std::uint8_t> expected = {'T', 'S', 'R',  'Q',  0x06, 0, 0,   0,    0x02,
                                                0,   0,   0,    0x81, 0,    0, 0,   0x81, 0,
                                                0,   0,   0x03, 0,    0,    0, '/', 'a',  'b'};
    EXPECT_EQ(Bytes(*frame), expected);

    const auto none = EncodeRequest({RequestCode::QueryOpenFiles, std::nullopt, 1, 0, 1});
    ASSERT_TRUE(none);
    EXPECT_EQ(none->size(), kRequestHeaderSize);
    EXPECT_EQ(Bytes(none->substr(20)), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));

    const auto empty = EncodeRequest({RequestCode::SetPassword, std::string(), 0, 0, 0});
    ASSERT_TRUE(empty);
    EXPECT_EQ(Bytes(empty->substr(20)), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(DriverProtocolTest, HelloAndReplyHaveTheDocumentedBytes) {
    const auto hello = EncodeHello({kVersion, 0x01020304});
    const std::array<std::uint8_t, kHelloSize> expectedHello = {'T', 'S', 'H', 'L', 1, 0, 0, 0,
                                                                4,   3,   2,   1,   0, 0, 0, 0};
    EXPECT_EQ(hello, expectedHello);
    const auto reply = EncodeReply({true, 0xA0B0C0D0});
    const std::array<std::uint8_t, kReplySize> expectedReply = {'T',  'S',  'R',  'P',  1, 0, 0, 0,
                                                                0xD0, 0xC0, 0xB0, 0xA0, 0, 0, 0, 0};
    EXPECT_EQ(reply, expectedReply);
}

TEST(DriverProtocolTest, DecodingRoundTripsAndRejectsBrokenFrames) {
    const auto frame = EncodeRequest({RequestCode::SetFolderState, std::nullopt, 9, 0x12, 0x12});
    ASSERT_TRUE(frame);
    std::array<std::uint8_t, kRequestHeaderSize> header{};
    std::copy_n(frame->begin(), kRequestHeaderSize, header.begin());
    const auto decoded = DecodeRequestHeader(header);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->code, RequestCode::SetFolderState);
    EXPECT_EQ(decoded->inSize, 9u);
    EXPECT_EQ(decoded->outSize, 0x12u);
    EXPECT_EQ(decoded->answer, 0x12u);
    EXPECT_EQ(decoded->textLength, kNoText);

    auto tooLong = header;
    PutU32(&tooLong[20], kMaxTextLength + 1);
    EXPECT_FALSE(DecodeRequestHeader(tooLong));
    auto wrongMagic = header;
    wrongMagic[0] = 'X';
    EXPECT_FALSE(DecodeRequestHeader(wrongMagic));

    auto reply = EncodeReply({false, 3});
    const auto decodedReply = DecodeReply(reply);
    ASSERT_TRUE(decodedReply);
    EXPECT_FALSE(decodedReply->success);
    EXPECT_EQ(decodedReply->answer, 3u);
    reply[4] = 2;
    EXPECT_FALSE(DecodeReply(reply));

    auto hello = EncodeHello({kVersion, 7});
    hello[3] = 'X';
    EXPECT_FALSE(DecodeHello(hello));
}

TEST(DriverProtocolTest, TextsBeyondTheCapOrWithANulDoNotTravel) {
    EXPECT_TRUE(
        EncodeRequest({RequestCode::SetFolderPath, std::string(kMaxTextLength, 'a'), 1, 0, 0}));
    EXPECT_FALSE(
        EncodeRequest({RequestCode::SetFolderPath, std::string(kMaxTextLength + 1, 'a'), 1, 0, 0}));
    EXPECT_FALSE(EncodeRequest({RequestCode::SetPassword, std::string("a\0b", 3), 0, 0, 0}));
}

}  // namespace
}  // namespace tsrn::driver::wire
