#include "registry/HiveDatabase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "registry/SqliteStatement.h"
#include "registry/SqliteTransaction.h"

namespace tsrn::registry {
namespace {

// How long a second process (the program, setup, the command-line tool) waits
// for the write lock before an operation fails.
constexpr int kBusyTimeoutMs = 5000;
// Marks a file as a registry of ours; any other SQLite database is left alone.
constexpr std::int64_t kApplicationId = 0x54737267;

// Values keep their first spelling in `name`; lookups go through the folded
// forms. Key rows exist for every level, so sub-keys can be listed.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY, parent TEXT NOT NULL,"
    " name TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent);"
    "CREATE TABLE IF NOT EXISTS vals(key TEXT NOT NULL, folded TEXT NOT NULL,"
    " name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
    " PRIMARY KEY(key, folded));"
    "PRAGMA application_id = 1416852071;"
    "PRAGMA user_version = 1;";
static_assert(kApplicationId == 1416852071);

bool IsDamage(int status) {
    return status == SQLITE_CORRUPT || status == SQLITE_NOTADB;
}

// Takes group and other bits off a regular file of ours (one an earlier build,
// a copy or a crash left behind readable by others).
void MakeOwnerOnly(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 077) != 0) {
        ::fchmod(fd, 0600);
    }
    ::close(fd);
}

bool MakeDirectories(const std::filesystem::path& dir) {
    std::error_code ec;
    if (dir.empty() || std::filesystem::is_directory(dir, ec)) {
        return true;
    }
    if (dir.has_parent_path() && dir.parent_path() != dir && !MakeDirectories(dir.parent_path())) {
        return false;
    }
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

HiveDatabase::HiveDatabase(std::filesystem::path file) : file_(std::move(file)) {}

HiveDatabase::~HiveDatabase() {
    AbandonBatch();
    CloseConnection();
}

void HiveDatabase::CloseConnection() {
    sqlite3_close(db_);
    db_ = nullptr;
    schemaReady_ = false;
}

bool HiveDatabase::NoteDamage(int status) {
    if (IsDamage(status)) {
        damaged_ = true;
    }
    return damaged_;
}

sqlite3* HiveDatabase::OpenForReading() {
    if (damaged_) {
        return nullptr;
    }
    if (db_ != nullptr) {
        return db_;
    }
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) {
        return nullptr;  // nothing stored yet: reads as an empty registry
    }
    return OpenConnection() ? db_ : nullptr;
}

sqlite3* HiveDatabase::OpenForWriting(bool create) {
    if (damaged_) {
        return nullptr;
    }
    if (db_ != nullptr) {
        return db_;
    }
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec) && !(create && CreateFile())) {
        return nullptr;
    }
    return OpenConnection() ? db_ : nullptr;
}

bool HiveDatabase::CreateFile() {
    if (!MakeDirectories(file_.parent_path())) {
        return false;
    }
    // An empty file is a valid empty database; creating it here gives it its
    // mode, which SQLite passes on to its journal.
    const int fd = ::open(file_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return errno == EEXIST;
    }
    ::fchmod(fd, 0600);  // whatever the umask or the folder's default ACL
    ::close(fd);
    return true;
}

void HiveDatabase::KeepPrivate() const {
    MakeOwnerOnly(file_);
    std::filesystem::path journal = file_;
    journal += "-journal";
    MakeOwnerOnly(journal);
}

bool HiveDatabase::OpenConnection() {
    KeepPrivate();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    db_ = db;
    if (!LooksLikeOurs()) {
        CloseConnection();
        return false;
    }
    // The journal is emptied, never unlinked: the registry files are guarded
    // against deletion, and a commit must not depend on deleting a file
    // beside them.
    sqlite3_exec(db_, "PRAGMA journal_mode = TRUNCATE", nullptr, nullptr, nullptr);
    return true;
}

bool HiveDatabase::LooksLikeOurs() {
    SqliteStatement check(db_, "PRAGMA quick_check(1)");
    if (!check.Step()) {
        NoteDamage(check.Status());
        return false;
    }
    if (check.Text(0) != "ok") {
        damaged_ = true;
        return false;
    }
    SqliteStatement id(db_, "PRAGMA application_id");
    SqliteStatement tables(db_, "SELECT count(*) FROM sqlite_master");
    if (!id.Step() || !tables.Step()) {
        NoteDamage(id.Status());
        NoteDamage(tables.Status());
        return false;
    }
    const bool blank = id.Integer(0) == 0 && tables.Integer(0) == 0;
    if (id.Integer(0) != kApplicationId && !blank) {
        damaged_ = true;  // another program's database
        return false;
    }
    return true;
}

bool HiveDatabase::EnsureSchema() {
    if (schemaReady_) {
        return true;
    }
    const int status = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) & 0xff;
    NoteDamage(status);
    return status == SQLITE_OK;
}

template <typename Body>
bool HiveDatabase::Write(bool create, Body body) {
    sqlite3* db = OpenForWriting(create);
    if (db == nullptr) {
        return false;
    }
    SqliteTransaction transaction(db);
    if (!transaction.Begun()) {
        NoteDamage(transaction.Status());
        return false;
    }
    if (!EnsureSchema() || !body(db)) {
        return false;
    }
    if (!transaction.Commit()) {
        NoteDamage(transaction.Status());
        return false;
    }
    // Inside a batch the schema may still be rolled back with it.
    if (!transaction.Nested()) {
        schemaReady_ = true;
    }
    return true;
}

bool HiveDatabase::BeginBatch() {
    sqlite3* db = inBatch_ ? nullptr : OpenForWriting(true);
    if (db == nullptr) {
        return false;
    }
    const int status = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) & 0xff;
    NoteDamage(status);
    inBatch_ = status == SQLITE_OK;
    return inBatch_;
}

bool HiveDatabase::CommitBatch() {
    if (!inBatch_) {
        return false;
    }
    if (damaged_) {
        AbandonBatch();
        return false;
    }
    const int status = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) & 0xff;
    if (status != SQLITE_OK) {
        NoteDamage(status);
        AbandonBatch();
        return false;
    }
    inBatch_ = false;
    schemaReady_ = true;
    return true;
}

void HiveDatabase::AbandonBatch() {
    if (!inBatch_) {
        return;
    }
    if (sqlite3_get_autocommit(db_) == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    inBatch_ = false;
    schemaReady_ = false;
}

bool HiveDatabase::InsertKeyChain(const RegistryKeyPath& key) {
    for (std::size_t depth = 1; depth <= key.Depth(); ++depth) {
        SqliteStatement insert(db_,
                               "INSERT OR IGNORE INTO keys(path, parent, name) VALUES(?1, ?2, ?3)");
        insert.Bind(1, key.FoldedPrefix(depth))
            .Bind(2, key.FoldedPrefix(depth - 1))
            .Bind(3, key.Name(depth - 1));
        if (!insert.Run()) {
            NoteDamage(insert.Status());
            return false;
        }
    }
    return true;
}

bool HiveDatabase::CreateKey(const RegistryKeyPath& key) {
    return Write(true, [&](sqlite3*) { return InsertKeyChain(key); });
}

bool HiveDatabase::KeyExists(const RegistryKeyPath& key) {
    if (key.IsRoot()) {
        return true;
    }
    sqlite3* db = OpenForReading();
    if (db == nullptr) {
        return false;
    }
    SqliteStatement query(db, "SELECT 1 FROM keys WHERE path = ?1");
    query.Bind(1, key.Folded());
    if (query.Step()) {
        return true;
    }
    NoteDamage(query.Status());
    return false;
}

std::optional<RegistryValue> HiveDatabase::QueryValue(const RegistryKeyPath& key,
                                                      std::string_view name) {
    sqlite3* db = OpenForReading();
    if (db == nullptr) {
        return std::nullopt;
    }
    SqliteStatement query(db, "SELECT type, data FROM vals WHERE key = ?1 AND folded = ?2");
    query.Bind(1, key.Folded()).Bind(2, FoldRegistryName(name));
    if (!query.Step()) {
        NoteDamage(query.Status());
        return std::nullopt;
    }
    RegistryValue value;
    value.type = static_cast<std::uint32_t>(query.Integer(0));
    value.data = query.Blob(1);
    return value;
}

bool HiveDatabase::SetValue(const RegistryKeyPath& key, std::string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data) {
    return Write(true, [&](sqlite3* db) {
        if (!InsertKeyChain(key)) {
            return false;
        }
        SqliteStatement upsert(db,
                               "INSERT INTO vals(key, folded, name, type, data)"
                               " VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(key, folded)"
                               " DO UPDATE SET type = excluded.type, data = excluded.data");
        upsert.Bind(1, key.Folded())
            .Bind(2, FoldRegistryName(name))
            .Bind(3, name)
            .Bind(4, static_cast<std::int64_t>(type))
            .BindBlob(5, data);
        const bool done = upsert.Run();
        NoteDamage(upsert.Status());
        return done;
    });
}

bool HiveDatabase::DeleteValue(const RegistryKeyPath& key, std::string_view name) {
    bool existed = false;
    const bool done = Write(false, [&](sqlite3* db) {
        SqliteStatement remove(db, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
        remove.Bind(1, key.Folded()).Bind(2, FoldRegistryName(name));
        if (!remove.Run()) {
            NoteDamage(remove.Status());
            return false;
        }
        existed = sqlite3_changes(db) > 0;
        return true;
    });
    return done && existed;
}

bool HiveDatabase::DeleteKey(const RegistryKeyPath& key) {
    if (key.IsRoot()) {
        return false;
    }
    bool existed = false;
    const bool done = Write(false, [&](sqlite3* db) {
        // Everything below "a\b" sorts from "a\b\" up to, not including, "a\b]".
        SqliteStatement values(db,
                               "DELETE FROM vals WHERE key = ?1"
                               " OR (key >= ?1 || '\\' AND key < ?1 || ']')");
        SqliteStatement keys(db,
                             "DELETE FROM keys WHERE path = ?1"
                             " OR (path >= ?1 || '\\' AND path < ?1 || ']')");
        values.Bind(1, key.Folded());
        keys.Bind(1, key.Folded());
        if (!values.Run()) {
            NoteDamage(values.Status());
            return false;
        }
        if (!keys.Run()) {
            NoteDamage(keys.Status());
            return false;
        }
        existed = sqlite3_changes(db) > 0;
        return true;
    });
    return done && existed;
}

std::vector<std::string> HiveDatabase::Names(std::string_view sql, const std::string& folded) {
    std::vector<std::string> names;
    sqlite3* db = OpenForReading();
    if (db == nullptr) {
        return names;
    }
    SqliteStatement query(db, sql);
    query.Bind(1, folded);
    while (query.Step()) {
        names.push_back(query.Text(0));
    }
    if (query.Status() != SQLITE_DONE && NoteDamage(query.Status())) {
        names.clear();
    }
    return names;
}

std::vector<std::string> HiveDatabase::ValueNames(const RegistryKeyPath& key) {
    return Names("SELECT name FROM vals WHERE key = ?1 ORDER BY rowid", key.Folded());
}

std::vector<std::string> HiveDatabase::SubKeyNames(const RegistryKeyPath& key) {
    return Names("SELECT name FROM keys WHERE parent = ?1 ORDER BY rowid", key.Folded());
}

}  // namespace tsrn::registry
