#pragma once
// A write transaction that is rolled back unless committed. Inside a
// transaction that is already open it is a savepoint, so one failed write
// undoes only itself.

struct sqlite3;

namespace tsrn::registry {

class SqliteTransaction {
  public:
    // Outside a transaction this takes the write lock at once (BEGIN
    // IMMEDIATE), so a second writer waits in the busy handler here instead of
    // failing half-way.
    explicit SqliteTransaction(sqlite3* db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool Begun() const { return begun_; }
    bool Nested() const { return nested_; }
    // The primary result code of BEGIN, or of COMMIT once tried.
    int Status() const { return status_; }
    [[nodiscard]] bool Commit();

  private:
    sqlite3* db_;
    bool nested_ = false;
    bool begun_ = false;
    int status_ = 0;
};

}  // namespace tsrn::registry
