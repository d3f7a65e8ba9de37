#include "password/ChangePasswordRules.h"

#include <string>

#include <gtest/gtest.h>

namespace tsrn::password {
namespace {

TEST(ChangePasswordOk, FocusMovesRefusalsAndAcceptance) {
    using F = PasswordField;
    struct Case {
        std::string first;
        std::string second;
        PasswordField focus;
        OkAction action;
    };
    const Case cases[] = {
        {"", "", F::NewPassword, OkAction::FocusNew},
        {"", "abc", F::Repeat, OkAction::FocusNew},             // an empty password never closes
        {"abc", "abc", F::NewPassword, OkAction::FocusRepeat},  // Enter in the first field
        {"abc", "", F::Repeat, OkAction::FocusRepeat},
        {"abc", "abd", F::Repeat, OkAction::Refuse},
        {"abc", "ABC", F::Repeat, OkAction::Refuse},  // case counts
        {"abc", "abc", F::Repeat, OkAction::Accept},
        {std::string(252, 'p'), std::string(252, 'p'), F::Repeat, OkAction::Accept},
        {std::string(253, 'p'), std::string(253, 'p'), F::Repeat, OkAction::Refuse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChangePasswordOk(c.first, c.second, c.focus), c.action)
            << "'" << c.first.substr(0, 8) << "' / '" << c.second.substr(0, 8) << "'";
    }
}

}  // namespace
}  // namespace tsrn::password
