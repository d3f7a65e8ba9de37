#include "crypto/SecretWipe.h"

#include <string.h>

namespace tsrn::crypto {

void WipeSecret(std::string& secret) {
    ::explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

}  // namespace tsrn::crypto
