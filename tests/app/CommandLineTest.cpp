#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "TempDir.h"

namespace tsrn::app {
namespace {

class CommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(dir_ / "list.txt") << "[pathes]\npath=/tmp\n";
        std::ofstream(dir_ / "empty.txt");
        std::filesystem::create_directory(dir_ / "My Lists");
        std::ofstream(dir_ / "My Lists" / "a.txt") << "[pathes]\n";
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    test::TempDir dir_;
};

TEST_F(CommandLineTest, ServiceSwitchIsFoundAnywhereAndCaseSensitive) {
    struct Case {
        const char* line;
        bool service;
    } cases[] = {
        {"/service", true},  {"/services", true}, {"x/servicey", true}, {"a /service b", true},
        {"/SERVICE", false}, {"-service", false}, {"", false},          {"/servic", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCommandLine(c.line).service, c.service) << c.line;
    }
}

TEST_F(CommandLineTest, UseNamesAReadableFileUpToTheFirstBlankOrTab) {
    struct Case {
        std::string line;
        bool listFile;
        std::string path;
    } cases[] = {
        {"/use:" + Path("list.txt"), true, Path("list.txt")},
        {"/service /use:" + Path("list.txt") + " more", true, Path("list.txt")},
        {"/use:" + Path("list.txt") + "\tmore", true, Path("list.txt")},
        {"x/use:" + Path("list.txt"), true, Path("list.txt")},
        // Only openability counts: an empty file still selects the run.
        {"/use:" + Path("empty.txt"), true, Path("empty.txt")},
        // The path ends at the blank: "<dir>/My" does not exist.
        {"/use:" + Path("My Lists/a.txt"), false, ""},
        {"/use:" + Path("missing.txt"), false, ""},
        {"/use:", false, ""},
        {"/use: " + Path("list.txt"), false, ""},
        {"/USE:" + Path("list.txt"), false, ""},
    };
    for (const auto& c : cases) {
        const CommandLineSwitches s = ParseCommandLine(c.line);
        EXPECT_EQ(s.listFileMode, c.listFile) << c.line;
        EXPECT_EQ(s.listFilePath, c.path) << c.line;
    }
}

TEST(JoinArgumentsTest, JoinsWithBlanksWithoutTheProgramName) {
    const char* argv[] = {"tsrn", "/service", "/use:a.txt"};
    EXPECT_EQ(JoinArguments(3, argv), "/service /use:a.txt");
    EXPECT_EQ(JoinArguments(1, argv), "");
}

TEST(RequestedInfoTest, HelpAndVersionAreWholeArgumentsAndHelpWins) {
    struct Case {
        std::vector<const char*> args;
        InfoRequest request;
    } cases[] = {
        {{"tsrn"}, InfoRequest::None},
        {{"tsrn", "/service"}, InfoRequest::None},
        {{"tsrn", "--help"}, InfoRequest::Help},
        {{"tsrn", "-h"}, InfoRequest::Help},
        {{"tsrn", "/service", "--version"}, InfoRequest::Version},
        {{"tsrn", "--version", "--help"}, InfoRequest::Help},
        // Only whole arguments: a list file may be named anything.
        {{"tsrn", "/use:--help"}, InfoRequest::None},
        {{"tsrn", "--helpful"}, InfoRequest::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RequestedInfo(static_cast<int>(c.args.size()), c.args.data()), c.request)
            << c.args.back();
    }
    EXPECT_NE(UsageText().find("/use:FILE"), std::string::npos);
}

}  // namespace
}  // namespace tsrn::app
