// tsrnctl encipher/decipher/recipher, run as the real program on real trees.

#include <signal.h>

#include <map>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "ToolProcess.h"
#include "TreeHelpers.h"
#include "crypto/KeyDerivation.h"

namespace tsrn::test {
namespace {

const std::size_t kLengths[] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 13, 4095, 4096, 4097, 4098, 4099, 262144 + 5, 2 * 1024 * 1024 + 3};

std::map<std::string, Bytes> MakeLengthTree(const std::filesystem::path& root) {
    std::map<std::string, Bytes> files;
    std::uint32_t seed = 1;
    for (std::size_t length : kLengths) {
        const auto path = root / (seed % 2 == 0 ? "sub" : ".") / ("f" + std::to_string(length));
        MakeFile(path, length, seed++);
        files[std::filesystem::weakly_canonical(path).string()] = ReadBytes(path);
    }
    return files;
}

TEST(TsrnctlBulk, EncipherMatchesTheFormatAndDecipherRestores) {
    const std::string passwords[] = {"", "a", "secret", "p\xC3\xA4ssw\xC3\xB6rd",
                                     std::string(252, 'z')};
    for (const std::string& password : passwords) {
        SCOPED_TRACE("password length " + std::to_string(password.size()));
        TempDir dir;
        const auto plain = MakeLengthTree(dir.Path());
        ToolResult result =
            RunTool({"encipher", "--password-stdin", dir.Path().string()}, password + "\n");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const crypto::CipherKey key = crypto::DeriveKey(password);
        for (const auto& [path, bytes] : plain) {
            EXPECT_EQ(ReadBytes(path), ReferenceEncipher(bytes, key)) << path;
        }
        result = RunTool({"decipher", "--password-stdin", dir.Path().string()}, password + "\n");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        for (const auto& [path, bytes] : plain) {
            EXPECT_EQ(ReadBytes(path), bytes) << path;
        }
    }
}

TEST(TsrnctlBulk, RecipherEqualsDecipherOldThenEncipherNew) {
    TempDir dir;
    const auto plain = MakeLengthTree(dir.Path());
    ASSERT_EQ(RunTool({"encipher", "--password-stdin", dir.Path().string()}, "old\n").exitCode, 0);
    ToolResult result =
        RunTool({"recipher", "--password-stdin", dir.Path().string()}, "old\nnew\n");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const crypto::CipherKey key = crypto::DeriveKey("new");
    for (const auto& [path, bytes] : plain) {
        EXPECT_EQ(ReadBytes(path), ReferenceEncipher(bytes, key)) << path;
    }
}

TEST(TsrnctlBulk, RefusesBadInvocationsWithoutTouchingFiles) {
    TempDir dir;
    MakeFile(dir / "f", 100);
    const Bytes before = ReadBytes(dir / "f");
    const std::string folder = dir.Path().string();
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string says;
    };
    const Case cases[] = {
        {{"encipher", "--password-stdin"}, "pw\n", "name the folder"},
        {{"encipher", "--password-stdin", (dir / "f").string()}, "pw\n", "is not a folder"},
        {{"encipher", "--password-stdin", folder}, "", "no password"},
        {{"encipher", "--password-stdin", folder}, std::string(253, 'x') + "\n", "252"},
        {{"recipher", "--password-stdin", folder}, "old\n", "no password"},
        {{"encipher", "--password-stdin", "--frobnicate", folder}, "pw\n", "unknown option"},
        {{"encipher", folder}, "", "terminal"},
        {{"transmogrify"}, "", "unknown command"},
    };
    for (const Case& c : cases) {
        ToolResult result = RunTool(c.args, c.input);
        EXPECT_EQ(result.exitCode, 2) << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    }
    EXPECT_EQ(ReadBytes(dir / "f"), before);
}

TEST(TsrnctlBulk, InterruptWithoutATerminalUndoesEverything) {
    TempDir dir;
    std::map<std::string, Bytes> plain;
    for (int i = 0; i < 200; ++i) {
        const auto path = dir / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i));
        MakeFile(path, 16 * 1024 + static_cast<std::size_t>(i), static_cast<std::uint32_t>(i));
        plain[path.string()] = ReadBytes(path);
    }
    ToolProcess process({"encipher", "--password-stdin", dir.Path().string()}, "pw\n");
    ASSERT_TRUE(process.WaitForError("] 2 "));  // under way; stalls on a full error pipe
    process.Signal(SIGINT);
    ToolResult result = process.Wait();
    EXPECT_EQ(result.exitCode, 3) << result.err;
    for (const auto& [path, bytes] : plain) {
        ASSERT_EQ(ReadBytes(path), bytes) << path;
    }
}

TEST(TsrnctlBulk, HelpAndVersion) {
    ToolResult help = RunTool({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    ToolResult version = RunTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("tsrnctl ", 0), 0u);
    EXPECT_EQ(RunTool({}).exitCode, 2);
}

}  // namespace
}  // namespace tsrn::test
