#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "folders/ListFileParser.h"

namespace tsrn::folders {
namespace {

struct ListFileCase {
    std::string name;
    std::string file;
    std::vector<std::string> folders;
};

using Names = std::vector<std::string>;
using namespace std::string_literals;

TEST(ListFileParserTest, FollowsEveryLineRule) {
    const std::string longName(494, 'a');  // "path=" + 494 bytes fill one read
    const std::vector<ListFileCase> cases = {
        {"the example", "[pathes]\npath=C:\\Documents\npath=D:\\Projects\\Reports\n",
         Names{"C:\\Documents", "D:\\Projects\\Reports"}},
        {"no header adds nothing", "path=/a\npath=/b\n", Names{}},
        {"lines before the header are ignored", "path=/x\n[pathes]\npath=/a\n", Names{"/a"}},
        {"header in capitals", "[PATHES]\npath=/a\n", Names{"/a"}},
        {"header after a blank", " [pathes]\npath=/a\n", Names{}},
        {"header followed by a blank", "[pathes] \npath=/a\n", Names{}},
        {"header without its line end at the end", "[pathes]", Names{}},
        {"header with CR LF", "[pathes]\r\npath=/a\r\n", Names{"/a"}},
        {"PATH= in capitals", "[pathes]\nPATH=C:\\Data\n", Names{"C:\\Data"}},
        {"trailing blanks and tabs go", "[pathes]\npath=C:\\Data   \t\n", Names{"C:\\Data"}},
        {"blanks after = stay", "[pathes]\npath=  x\n", Names{"  x"}},
        {"path= with nothing after it", "[pathes]\npath=\npath=   \n", Names{}},
        {"a leading blank is not a path line", "[pathes]\n path=/a\n", Names{}},
        {"other lines inside are skipped", "[pathes]\n\n; note\npaths=/z\npath=/a\n", Names{"/a"}},
        {"a new section ends the import", "[pathes]\npath=/a\n[other]\npath=/b\n", Names{"/a"}},
        {"a second header ends it too", "[pathes]\npath=/a\n[pathes]\npath=/b\n", Names{"/a"}},
        {"duplicates stay", "[pathes]\npath=/a\npath=/a\n", Names{"/a", "/a"}},
        {"last line without line end", "[pathes]\npath=/a", Names{"/a"}},
        {"a NUL ends the line's text", "[pathes]\npath=/a\0b\npath=/c\n"s, Names{"/a", "/c"}},
        {"a long line continues as a line of its own", "[pathes]\npath=" + longName + "path=/b\n",
         Names{longName, "/b"}},
        {"the rest of a long line can be the header", std::string(499, 'x') + "[pathes]\npath=/a\n",
         Names{"/a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseListFile(c.file), c.folders);
    }
}

}  // namespace
}  // namespace tsrn::folders
