#pragma once

#include <string>
#include <vector>

namespace tsrn::test {

// Pointers into `strings` with a null pointer after them, as exec and spawn
// take them; valid while `strings` is unchanged.
inline std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace tsrn::test
