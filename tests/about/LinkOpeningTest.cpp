#include "about/LinkOpening.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "resources/ResourceIds.h"

namespace tsrn::about {
namespace {

class ScriptedLauncher : public LinkLauncher {
  public:
    int desktopResult = kOpenSucceeded;
    int commandResult = kOpenSucceeded;
    std::vector<std::string> opened;
    std::vector<std::string> commands;

    int OpenWithDesktop(std::string_view target) override {
        opened.emplace_back(target);
        return desktopResult;
    }
    int RunCommand(std::string_view commandLine) override {
        commands.emplace_back(commandLine);
        return commandResult;
    }
};

void SetDefault(registry::RegistryDatabase& registry, const std::string& key,
                const std::string& text) {
    ASSERT_TRUE(registry.CreateKey(registry::Hive::ClassesRoot, key));
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    ASSERT_TRUE(registry.SetValue(registry::Hive::ClassesRoot, key, "", registry::kRegSz, data));
}

TEST(FallbackCommandTest, CutsAtThePlaceholderAndAppendsTheTarget) {
    struct Case {
        const char* command;
        const char* line;
    } cases[] = {
        {"browser \"%1\" -new", "browser  mailto:a@b"},
        {"browser -url %1", "browser -url  mailto:a@b"},
        {"browser %1 \"%1\"", "browser %1  mailto:a@b"},
        {"browser", "browser mailto:a@b"},
        {"", " mailto:a@b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FallbackCommand(c.command, "mailto:a@b"), c.line);
}

TEST(FallbackCommandTest, ALineBeyondTheBufferIsNotBuilt) {
    EXPECT_TRUE(FallbackCommand(std::string(600, 'x'), "t").empty());
    EXPECT_FALSE(FallbackCommand(std::string(518, 'x'), "t").empty());  // 520 exactly
}

class OpenLinkTest : public ::testing::Test {
  protected:
    test::TempDir dir_;
    registry::RegistryDatabase registry_{dir_ / "registry"};
    ScriptedLauncher launcher_;
};

TEST_F(OpenLinkTest, DesktopSuccessEndsTheMatter) {
    EXPECT_EQ(OpenLink("mailto:a@b", launcher_, registry_), kOpenSucceeded);
    EXPECT_TRUE(launcher_.commands.empty());
}

TEST_F(OpenLinkTest, FailureFallsBackToTheHtmOpenCommand) {
    launcher_.desktopResult = kErrorNoAssociation;
    SetDefault(registry_, ".htm", "htmlfile");
    SetDefault(registry_, "htmlfile\\shell\\open\\command", "/usr/bin/browser \"%1\"");
    EXPECT_EQ(OpenLink("mailto:a@b", launcher_, registry_), kOpenSucceeded);
    EXPECT_EQ(launcher_.commands, std::vector<std::string>{"/usr/bin/browser  mailto:a@b"});
}

TEST_F(OpenLinkTest, WithoutAnAssociationTheFirstErrorIsReported) {
    launcher_.desktopResult = kErrorNoAssociation;
    EXPECT_EQ(OpenLink("x", launcher_, registry_), kErrorNoAssociation);
    SetDefault(registry_, ".htm", "htmlfile");
    EXPECT_EQ(OpenLink("x", launcher_, registry_), kErrorNoAssociation);
    EXPECT_TRUE(launcher_.commands.empty());
}

TEST(ShowLinkErrorTest, TextByCodeWithTheProductCaption) {
    test::ScriptedPrompter prompter;
    ShowLinkError(prompter, 26);
    ShowLinkError(prompter, 4);
    ASSERT_EQ(prompter.Asked().size(), 2u);
    EXPECT_EQ(prompter.Asked()[0].text,
              "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(prompter.Asked()[1].text, "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
    EXPECT_EQ(prompter.Asked()[0].captionId, res::str::kAppTitle);
    EXPECT_EQ(prompter.Asked()[0].icon, Icon::Exclamation);
}

}  // namespace
}  // namespace tsrn::about
