#pragma once
// The OK rules of the new-password dialog (162): an empty first entry keeps
// the focus there; Enter in the first field, or an empty second one, moves
// on to the second; two different entries are refused (266).

#include <string_view>

namespace tsrn::view {

enum class NewPasswordStep { FocusFirst, FocusSecond, Mismatch, Accept };

NewPasswordStep CheckNewPassword(std::string_view first, std::string_view second,
                                 bool focusInFirst);

}  // namespace tsrn::view
