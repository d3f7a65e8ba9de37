#include "registry/RegistryBatch.h"

namespace tsrn::registry {

RegistryBatch::RegistryBatch(RegistryDatabase& database, Hive hive)
    : database_(database), hive_(hive), begun_(database.BeginBatch(hive)) {}

RegistryBatch::~RegistryBatch() {
    if (begun_) {
        database_.AbandonBatch(hive_);
    }
}

bool RegistryBatch::Commit() {
    if (!begun_) {
        return false;
    }
    begun_ = false;
    return database_.CommitBatch(hive_);
}

}  // namespace tsrn::registry
