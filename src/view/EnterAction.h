#pragma once
// What Enter (or a double click) on a row does, as stored in "EnterAction".

#include <string_view>

namespace tsrn::view {

// 1 only for a text that reads as 1; everything else is 0.
int ParseEnterAction(std::string_view text);

}  // namespace tsrn::view
