#include "view/NewPasswordEntry.h"

namespace tsrn::view {

NewPasswordStep CheckNewPassword(std::string_view first, std::string_view second,
                                 bool focusInFirst) {
    if (first.empty())
        return NewPasswordStep::FocusFirst;
    if (focusInFirst || second.empty())
        return NewPasswordStep::FocusSecond;
    if (first != second)
        return NewPasswordStep::Mismatch;
    return NewPasswordStep::Accept;
}

}  // namespace tsrn::view
