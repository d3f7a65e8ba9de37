#pragma once
// Several registry writes as one transaction, for as long as this object
// lives: committed by Commit(), undone otherwise. For writes that belong
// together, such as the whole folder list.

#include "registry/RegistryDatabase.h"

namespace tsrn::registry {

class RegistryBatch {
  public:
    RegistryBatch(RegistryDatabase& database, Hive hive);
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // False when the registry could not be opened for writing; the writes
    // made meanwhile then fail on their own.
    bool Begun() const { return begun_; }
    // True when every write of the batch is stored.
    [[nodiscard]] bool Commit();

  private:
    RegistryDatabase& database_;
    Hive hive_;
    bool begun_;
};

}  // namespace tsrn::registry
