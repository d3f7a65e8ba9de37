// tsrnctl folders: the list as the program loads it, from a list file.

#include <fstream>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "ToolProcess.h"

namespace tsrn::test {
namespace {

TEST(TsrnctlFolders, ListFileFoldersThenTheRegistryFiles) {
    TempDir dir;
    std::filesystem::create_directories(dir / "data");
    std::filesystem::create_directories(dir / "registry");
    {
        std::ofstream list(dir / "list.txt");
        list << "[pathes]\npath=" << (dir / "data").string() << "\n";
    }
    ToolResult result = RunTool({"folders", "--use", (dir / "list.txt").string()}, "",
                                {"TSRN_REGISTRY_DIR=" + (dir / "registry").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string data = (dir / "data").string();
    EXPECT_EQ(result.out.rfind("0\t" + data + "\t" + data + "\t0x01\t1\t\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("\t0x83\t2\t"), std::string::npos) << result.out;
    EXPECT_EQ(RunTool({"folders", "--frob"}).exitCode, 2);
}

}  // namespace
}  // namespace tsrn::test
