// tsrnctl registry, run as the real program over a real registry directory.

#include <gtest/gtest.h>

#include "TempDir.h"
#include "ToolProcess.h"
#include "registry/RegistryDatabase.h"

namespace tsrn::test {
namespace {

class TsrnctlRegistry : public ::testing::Test {
  protected:
    ToolResult Tool(const std::vector<std::string>& args) {
        return RunTool(args, "", {"TSRN_REGISTRY_DIR=" + dir_.Path().string()});
    }
    TempDir dir_;
};

const char kSettings[] = "HKLM\\SOFTWARE\\Tessaryn\\settings";

TEST_F(TsrnctlRegistry, SetValuesReadBackWithTheirTypesAndBytes) {
    ASSERT_EQ(Tool({"registry", "set", kSettings, "GS", "REG_SZ", "240"}).exitCode, 0);
    ASSERT_EQ(Tool({"registry", "set", kSettings, "pwd", "REG_BINARY", "3412 0000"}).exitCode, 0);
    ASSERT_EQ(Tool({"registry", "set", "HKCU\\Software\\x", "@", "REG_DWORD", "0x10"}).exitCode, 0);

    EXPECT_EQ(Tool({"registry", "get", "hklm\\software\\TESSARYN\\settings", "GS"}).out, "240\n");
    EXPECT_EQ(Tool({"registry", "get", kSettings, "pwd"}).out, "34120000\n");

    registry::RegistryDatabase db(dir_.Path());
    auto gs = db.QueryValue(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings", "GS");
    ASSERT_TRUE(gs);
    EXPECT_EQ(gs->type, registry::kRegSz);
    EXPECT_EQ(gs->data, (std::vector<std::uint8_t>{'2', '4', '0', 0}));
    auto dword = db.QueryValue(registry::Hive::CurrentUser, "Software\\x", "");
    ASSERT_TRUE(dword);
    EXPECT_EQ(dword->data, (std::vector<std::uint8_t>{0x10, 0, 0, 0}));

    const std::string dump = Tool({"registry", "dump", "HKLM\\SOFTWARE"}).out;
    EXPECT_NE(dump.find("[HKLM\\SOFTWARE\\Tessaryn\\settings]\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\"GS\" = REG_SZ 240\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\"pwd\" = REG_BINARY 34120000\n"), std::string::npos) << dump;
}

TEST_F(TsrnctlRegistry, DeleteValueAndKey) {
    ASSERT_EQ(Tool({"registry", "set", kSettings, "a", "REG_SZ", "1"}).exitCode, 0);
    ASSERT_EQ(Tool({"registry", "set", kSettings, "b", "REG_SZ", "2"}).exitCode, 0);
    EXPECT_EQ(Tool({"registry", "delete", kSettings, "a"}).exitCode, 0);
    EXPECT_EQ(Tool({"registry", "get", kSettings, "a"}).exitCode, 1);
    EXPECT_EQ(Tool({"registry", "get", kSettings, "b"}).exitCode, 0);
    EXPECT_EQ(Tool({"registry", "delete", "HKLM\\SOFTWARE\\Tessaryn"}).exitCode, 0);
    EXPECT_EQ(Tool({"registry", "get", kSettings, "b"}).exitCode, 1);
    EXPECT_EQ(Tool({"registry", "delete", "HKLM\\SOFTWARE\\Tessaryn"}).exitCode, 1);
}

TEST_F(TsrnctlRegistry, RefusesMalformedRequests) {
    const std::vector<std::vector<std::string>> cases = {
        {"registry"},
        {"registry", "get", kSettings},
        {"registry", "frob", kSettings, "x"},
        {"registry", "get", "HKXX\\a", "x"},
        {"registry", "set", kSettings, "x", "REG_BINARY", "abc"},
        {"registry", "set", kSettings, "x", "REG_BINARY", "zz"},
        {"registry", "set", kSettings, "x", "REG_DWORD", "4294967296"},
        {"registry", "set", kSettings, "x", "REG_MULTI_SZ", "a"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Tool(args).exitCode, 2) << args.back();
    }
    registry::RegistryDatabase db(dir_.Path());
    EXPECT_FALSE(db.KeyExists(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings"));
}

}  // namespace
}  // namespace tsrn::test
