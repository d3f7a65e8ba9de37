#pragma once
// A file or folder a run left as it was on purpose, and why.

#include <string>

namespace tsrn::bulk {

enum class SkipReason {
    OutsideNames,     // a file with names (hard links) outside the tree
    OtherFileSystem,  // another file system is mounted there
    OwnFile,          // one of the program's own files
    Duplicate,        // another name of a file the run has transformed
};

struct SkippedFile {
    std::string path;
    SkipReason reason;
};

}  // namespace tsrn::bulk
