// Compiled by the tests with one of the macros defined; each one must fail.
#include <string>

#include "resources/StringTable.h"

using tsrn::text::FormatText;

std::string Fitting() {
    return FormatText<280>(std::string("/tmp/a")) + FormatText<57348>("Tessaryn", 3) +
           tsrn::text::setup::FormatText<30005>(37u);
}

#ifdef WRONG_KIND
std::string Wrong() {
    return FormatText<268>("2");
}
#endif
#ifdef TOO_FEW
std::string Wrong() {
    return FormatText<263>("/a/b");
}
#endif
#ifdef TOO_MANY
std::string Wrong() {
    return FormatText<266>("extra");
}
#endif
#ifdef UNKNOWN_ID
std::string Wrong() {
    return FormatText<258>();
}
#endif
#ifdef CHAR_FOR_INTEGER
std::string Wrong() {
    return FormatText<268>('2');
}
#endif
