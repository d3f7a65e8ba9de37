#include "setup/DesktopEntry.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tsrn::setup {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(DesktopEntry, PathsCannotBreakOutOfTheirKeys) {
    struct Case {
        std::string program;
        std::string execLine;
    };
    const Case cases[] = {
        {"/opt/tessaryn/tsrn", "Exec=\"/opt/tessaryn/tsrn\""},
        {"/opt/my folder/tsrn", "Exec=\"/opt/my folder/tsrn\""},
        {"/opt/a\"b$c`d/tsrn", "Exec=\"/opt/a\\\\\"b\\\\$c\\\\`d/tsrn\""},
        {"/opt/back\\slash/tsrn", "Exec=\"/opt/back\\\\\\\\slash/tsrn\""},
        {"/opt/100%/tsrn", "Exec=\"/opt/100%%/tsrn\""},
        {"/opt/x\nExec=/bin/evil/tsrn", "Exec=\"/opt/x\\nExec=/bin/evil/tsrn\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        DesktopEntry entry;
        entry.name = "Tessaryn 1.0.2";
        entry.program = c.program;
        entry.workingDirectory = "/opt/x\nType=Link";
        const auto lines = Lines(entry.Text());
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "[Desktop Entry]");
        int execLines = 0;
        int typeLines = 0;
        for (const auto& line : lines) {
            execLines += line.starts_with("Exec=") ? 1 : 0;
            typeLines += line.starts_with("Type=") ? 1 : 0;
            if (line.starts_with("Exec=")) {
                EXPECT_EQ(line, c.execLine);
            }
        }
        EXPECT_EQ(execLines, 1);
        EXPECT_EQ(typeLines, 1);
    }
}

}  // namespace
}  // namespace tsrn::setup
