#pragma once
// A write transaction that is rolled back unless committed.

struct sqlite3;

namespace tsrn {

class SqliteTransaction {
  public:
    // Takes the write lock at once (BEGIN IMMEDIATE), so a second writer waits
    // in the busy handler here instead of failing half-way.
    explicit SqliteTransaction(sqlite3* db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool Begun() const { return begun_; }
    // The primary result code of BEGIN, or of COMMIT once tried.
    int Status() const { return status_; }
    bool Commit();

  private:
    sqlite3* db_;
    bool begun_ = false;
    int status_ = 0;
};

}  // namespace tsrn
