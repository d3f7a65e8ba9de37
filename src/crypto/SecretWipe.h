#pragma once

#include <string>

namespace tsrn::crypto {

// Zeroes a password's bytes in a way the compiler may not drop, then empties it.
void WipeSecret(std::string& secret);

}  // namespace tsrn::crypto
