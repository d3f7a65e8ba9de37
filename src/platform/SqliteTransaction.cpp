#include "platform/SqliteTransaction.h"

#include <sqlite3.h>

namespace tsrn {

SqliteTransaction::SqliteTransaction(sqlite3* db) : db_(db) {
    status_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) & 0xff;
    begun_ = status_ == SQLITE_OK;
}

SqliteTransaction::~SqliteTransaction() {
    if (begun_) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

bool SqliteTransaction::Commit() {
    if (!begun_) {
        return false;
    }
    status_ = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) & 0xff;
    if (status_ == SQLITE_OK) {
        begun_ = false;
        return true;
    }
    return false;
}

}  // namespace tsrn
