// tsrn_format_check, the judge of the raw bytes the conformance runs leave:
// it must accept the stored form of a plaintext and nothing else.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "FileHelpers.h"
#include "FormatCheck.h"
#include "TempDir.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::vx::test {
namespace {

namespace fs = std::filesystem;
using tsrn::test::Bytes;

constexpr const char* kPassword = "checker password";

Bytes Plaintext(std::size_t size) {
    Bytes plain(size);
    for (std::size_t i = 0; i < size; ++i) {
        plain[i] = static_cast<std::uint8_t>((i * 7919 + size) >> 3);
    }
    return plain;
}

struct Case {
    const char* name;
    std::size_t size;
    // Spoils the stored bytes, or leaves them as they are.
    void (*spoil)(Bytes& stored, const Bytes& plain);
    int expected;
};

const Case kCases[] = {
    {"empty", 0, [](Bytes&, const Bytes&) {}, 0},
    {"tail only", 5, [](Bytes&, const Bytes&) {}, 0},
    {"blocks and tail", 13, [](Bytes&, const Bytes&) {}, 0},
    // Past the checker's first chunk, where positions no longer start at 0.
    {"several chunks", (2u << 20) + 3, [](Bytes&, const Bytes&) {}, 0},
    {"block byte flipped", 13, [](Bytes& s, const Bytes&) { s[3] ^= 1; }, 1},
    {"tail byte flipped", 13, [](Bytes& s, const Bytes&) { s[12] ^= 1; }, 1},
    {"late chunk byte flipped", (2u << 20) + 3,
     [](Bytes& s, const Bytes&) { s[(1u << 20) + 8] ^= 0x80; }, 1},
    {"one byte short", 13, [](Bytes& s, const Bytes&) { s.pop_back(); }, 1},
    {"stored as plaintext", 64, [](Bytes& s, const Bytes& p) { s = p; }, 1},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class FormatCheckerTest : public ::testing::TestWithParam<Case> {};

TEST_P(FormatCheckerTest, AcceptsOnlyTheStoredForm) {
    ::tsrn::test::TempDir dir("tsrn-format-check");
    const Case& c = GetParam();
    const Bytes plain = Plaintext(c.size);
    Bytes stored = StoredForm(plain, crypto::DeriveKey(kPassword));
    c.spoil(stored, plain);
    std::ofstream(dir / "password") << kPassword << "\n";
    tsrn::test::WriteBytes(dir / "plain", plain);
    tsrn::test::WriteBytes(dir / "stored", stored);
    const std::string command = std::string("'") + TSRN_FORMAT_CHECK_PROGRAM + "' '" +
                                (dir / "password").string() + "' '" + (dir / "plain").string() +
                                "' '" + (dir / "stored").string() + "' >/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FormatCheckerTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& tested) {
                             std::string name = tested.param.name;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace tsrn::vx::test
