#pragma once
// What the tests that mount need to know about this machine's mounts.

#include <filesystem>
#include <string>
#include <vector>

namespace tsrn::test {

// Why FUSE mounts cannot be made here, or empty when they can.
std::string FuseUnavailableReason();

// Mount points at or below `path` in this process's mount table, in its order.
std::vector<std::string> MountsBelow(const std::filesystem::path& path);

}  // namespace tsrn::test
