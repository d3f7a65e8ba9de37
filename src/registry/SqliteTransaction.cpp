#include "registry/SqliteTransaction.h"

#include <sqlite3.h>

namespace tsrn::registry {
namespace {

int Execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) & 0xff;
}

}  // namespace

SqliteTransaction::SqliteTransaction(sqlite3* db)
    : db_(db), nested_(sqlite3_get_autocommit(db) == 0) {
    status_ = Execute(db_, nested_ ? "SAVEPOINT tsrn_write" : "BEGIN IMMEDIATE");
    begun_ = status_ == SQLITE_OK;
}

SqliteTransaction::~SqliteTransaction() {
    if (begun_) {
        Execute(db_, nested_ ? "ROLLBACK TO tsrn_write; RELEASE tsrn_write" : "ROLLBACK");
    }
}

bool SqliteTransaction::Commit() {
    if (!begun_) {
        return false;
    }
    status_ = Execute(db_, nested_ ? "RELEASE tsrn_write" : "COMMIT");
    if (status_ == SQLITE_OK) {
        begun_ = false;
        return true;
    }
    return false;
}

}  // namespace tsrn::registry
