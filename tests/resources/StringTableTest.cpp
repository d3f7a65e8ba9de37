#include "resources/StringTable.h"

#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace tsrn::text {
namespace {

using namespace std::string_literals;

struct FormatCase {
    const char* name;
    std::function<std::optional<std::string>()> call;
    std::optional<std::string> expected;
};

TEST(TextFormat, FormatsOnlyArgumentsThatFitTheText) {
    const FormatCase cases[] = {
        {"path is an argument, never a format", [] { return Format(280, {"/home/a%s%d%%b%"}); },
         "Access error to file '/home/a%s%d%%b%'\nContinue ?"s},
        {"no argument for %s", [] { return Format(280, {}); }, std::nullopt},
        {"integer for %s", [] { return Format(280, {7LL}); }, std::nullopt},
        {"one argument too many",
         [] {
             return Format(280, {"/a", "/b"});
         },
         std::nullopt},
        {"integer for %i", [] { return Format(268, {2LL}); }, "Was 2 attempts to unlock Tessaryn"s},
        {"negative integer", [] { return Format(268, {-1LL}); },
         "Was -1 attempts to unlock Tessaryn"s},
        {"string for %i", [] { return Format(268, {"2"}); }, std::nullopt},
        {"string then integer",
         [] {
             return Format(57348, {"Tessaryn", 3LL});
         },
         "Tessaryn, open file(s) - 3"s},
        {"kinds swapped",
         [] {
             return Format(57348, {3LL, "Tessaryn"});
         },
         std::nullopt},
        {"two strings keep their order",
         [] {
             return Format(263, {"D:\\DATA\\SUB", "D:\\DATA"});
         },
         "Folder 'D:\\DATA\\SUB' is subfolder to 'D:\\DATA'\nAdd folder anyway ?"s},
        {"text without conversions", [] { return Format(266, {}); },
         "Password wrong.\nEnter anew."s},
        {"argument for a text without conversions", [] { return Format(266, {"x"}); },
         std::nullopt},
        {"unknown id", [] { return Format(258, {}); }, std::nullopt},
        {"%% and %d (setup table)", [] { return setup::Format(30005, {37LL}); }, "37 %"s},
        {"setup id unknown to the main table", [] { return Format(30005, {37LL}); }, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), c.expected) << c.name;
    }
}

TEST(TextFormat, CompileTimeFormFormatsLikeTheRuntimeForm) {
    const std::string path = "/srv/100%s";
    EXPECT_EQ(FormatText<280>(path), Format(280, {path}));
    EXPECT_EQ(FormatText<57348>(Text(57344), 3u), "Tessaryn, open file(s) - 3");
    EXPECT_EQ(FormatText<266>(), "Password wrong.\nEnter anew.");
    const char* missing = nullptr;
    EXPECT_EQ(FormatText<280>(missing), "Access error to file ''\nContinue ?");
    EXPECT_EQ(setup::FormatText<30008>("/home/u/.local/share/applications"),
              "/home/u/.local/share/applications\\Tessaryn 1.0");
}

// Texts whose odd bytes (spelling, doubled words, blanks, line breaks) are
// easy to "correct" by mistake.
TEST(StringTable, KeepsTheProgramsOwnTextsByteForByte) {
    struct Exact {
        int id;
        std::string_view text;
    };
    const Exact mainTexts[] = {
        {276,
         "Cancel enciphering of files of of folder ?\nNo - continue,\nYes - decipher already "
         "enciphered files."},
        {286,
         "Cancel reciphering of files of of folder ?\nNo - contunue,\nYes - encipher already "
         "reciphered files."},
        {280, "Access error to file '%s'\nContinue ?"},
        {260, "'%s'  is not a folder"},
        {40009, "Error of deleting folder '%s' from list\n( Delete from list anyway ?)"},
        {128, "Tsrn\n\nTsrn\n\n\nTsrn.Document\nTsrn Document"},
        {30259, "Del. "},
        {40017,
         "Presently for each directory from the list will be given question on need rechipher "
         "files of folders. Request will be prompted as for folders for which at given time "
         "works ciphering, so and for which stopped. Rechiphering should choose for that "
         "folders only, which really was enchiphered.\nATTENTION ! When reciphering a folder "
         "will be reciphered either files from this folder and all files from it subfolders. "
         "So if there is a folder in the list that is being subfolder to such folder, its does "
         "not follow to reciphering this subfolder !\n\nContinue ?"},
    };
    for (const auto& e : mainTexts) {
        EXPECT_EQ(Text(e.id), e.text) << e.id;
    }
    const Exact setupTexts[] = {
        {20005, "Error of copying of file %s\n"},
        {30002, "\\Program Files\\Tessaryn"},
        {30001, "Choose a folder for Tessaryn installing"},
    };
    for (const auto& e : setupTexts) {
        EXPECT_EQ(setup::Text(e.id), e.text) << e.id;
    }
    // The two programs use 30001 for different texts.
    EXPECT_EQ(Text(30001), "Ciphering");
}

TEST(StringTable, FindsEveryEntryByItsId) {
    for (const auto& e : detail::kMainTexts) {
        EXPECT_EQ(Text(e.id), e.text) << e.id;
    }
    for (const auto& e : detail::kSetupTexts) {
        EXPECT_EQ(setup::Text(e.id), e.text) << e.id;
    }
    EXPECT_FALSE(HasText(0));
    EXPECT_FALSE(HasText(-1));
    EXPECT_TRUE(Text(258).empty());
}

TEST(StringTable, SplitsCommandPromptsFromTooltips) {
    EXPECT_EQ(Prompt(32771), "Add folder to list");
    EXPECT_EQ(Tooltip(32771), "Add folder");
    EXPECT_EQ(Prompt(32781), "List refresh");
    EXPECT_EQ(Tooltip(32781), "");
    EXPECT_EQ(Prompt(1), "");
    EXPECT_EQ(Tooltip(1), "");
}

TEST(LinkErrorText, PrefixesTheTextChosenByTheShellCode) {
    EXPECT_EQ(LinkErrorText(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(LinkErrorText(2), "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_EQ(LinkErrorText(4), "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
}

}  // namespace
}  // namespace tsrn::text
