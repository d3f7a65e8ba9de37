// The version note of our programs: what tells an earlier installation of ours
// from a stranger's file of the same name.
#include "runtime/EmbeddedVersion.h"

namespace {
TSRN_EMBED_VERSION_NOTE(TSRN_VERSION_HIGH, TSRN_VERSION_LOW);
}  // namespace
