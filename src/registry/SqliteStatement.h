#pragma once
// One prepared SQLite statement, finalized when it goes out of scope.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tsrn::registry {

class SqliteStatement {
  public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // The primary result code of the last prepare, bind or step. After a failed
    // prepare or bind, Step() does nothing and keeps that code.
    int Status() const { return status_; }
    bool Prepared() const { return stmt_ != nullptr; }

    // Parameters are numbered from 1. Bound data is copied.
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& Bind(int index, std::int64_t number);
    SqliteStatement& BindBlob(int index, std::span<const std::uint8_t> bytes);

    // True while a row is available; Status() tells a finished run (SQLITE_DONE)
    // from a failed one.
    [[nodiscard]] bool Step();
    [[nodiscard]] bool Run();  // steps to the end; true when that went well

    std::int64_t Integer(int column) const;
    std::string Text(int column) const;
    std::vector<std::uint8_t> Blob(int column) const;

  private:
    bool Usable() const;

    sqlite3_stmt* stmt_ = nullptr;
    int status_ = 0;
};

}  // namespace tsrn::registry
