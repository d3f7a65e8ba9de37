#pragma once

namespace tsrn::bulk {

// What a bulk run does to each file. The values are stored and compared as
// integers elsewhere, so they are fixed.
enum class CipherMode : int { Encipher = 0, Decipher = 1, Recipher = 2 };

}  // namespace tsrn::bulk
