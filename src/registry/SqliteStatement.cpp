#include "registry/SqliteStatement.h"

#include <sqlite3.h>

#include <climits>

namespace tsrn::registry {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) {
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
        status_ = SQLITE_TOOBIG;
        return;
    }
    status_ =
        sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) & 0xff;
    if (status_ != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    if (!Usable()) {
        return *this;
    }
    // A non-null pointer even for an empty text: a null one would bind NULL.
    status_ = sqlite3_bind_text64(stmt_, index, text.empty() ? "" : text.data(), text.size(),
                                  SQLITE_TRANSIENT, SQLITE_UTF8) &
              0xff;
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t number) {
    if (!Usable()) {
        return *this;
    }
    status_ = sqlite3_bind_int64(stmt_, index, number) & 0xff;
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::span<const std::uint8_t> bytes) {
    if (!Usable()) {
        return *this;
    }
    static const std::uint8_t kNothing = 0;
    status_ = sqlite3_bind_blob64(stmt_, index, bytes.empty() ? &kNothing : bytes.data(),
                                  bytes.size(), SQLITE_TRANSIENT) &
              0xff;
    return *this;
}

bool SqliteStatement::Usable() const {
    return stmt_ != nullptr &&
           (status_ == SQLITE_OK || status_ == SQLITE_ROW || status_ == SQLITE_DONE);
}

bool SqliteStatement::Step() {
    if (!Usable()) {
        return false;
    }
    status_ = sqlite3_step(stmt_) & 0xff;
    return status_ == SQLITE_ROW;
}

bool SqliteStatement::Run() {
    while (Step()) {
    }
    return status_ == SQLITE_DONE;
}

std::int64_t SqliteStatement::Integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (text == nullptr || size <= 0) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

std::vector<std::uint8_t> SqliteStatement::Blob(int column) const {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    if (bytes == nullptr || size <= 0) {
        return {};
    }
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace tsrn::registry
