#include "registry/RegistryDatabase.h"

#include <utility>

#include "platform/Locations.h"
#include "registry/HiveDatabase.h"
#include "registry/RegistryKeyPath.h"

namespace tsrn::registry {
namespace {

// Where HKEY_CLASSES_ROOT lives inside the machine hive, as on Windows.
constexpr std::string_view kClassesRootKey = "SOFTWARE\\Classes";

bool HoldsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

}  // namespace

struct RegistryDatabase::Impl {
    explicit Impl(std::filesystem::path dir)
        : directory(std::move(dir)),
          machine(directory / "system.db"),
          user(directory / "user.db"),
          classesRoot(*RegistryKeyPath::Parse(kClassesRootKey)) {}

    HiveDatabase& HiveOf(Hive hive) { return hive == Hive::CurrentUser ? user : machine; }

    // The key's full path inside its hive file; nothing for a path that no key
    // can have.
    std::optional<RegistryKeyPath> FullKey(Hive hive, std::string_view keyPath) const {
        auto key = RegistryKeyPath::Parse(keyPath);
        if (key && hive == Hive::ClassesRoot) {
            return classesRoot.Concat(*key);
        }
        return key;
    }

    std::filesystem::path directory;
    HiveDatabase machine;
    HiveDatabase user;
    RegistryKeyPath classesRoot;
};

std::filesystem::path RegistryDatabase::DefaultDirectory() {
    return RegistryDirectory();
}

RegistryDatabase::RegistryDatabase(std::filesystem::path directory)
    : impl_(std::make_unique<Impl>(std::move(directory))) {}

RegistryDatabase::~RegistryDatabase() = default;

const std::filesystem::path& RegistryDatabase::Directory() const {
    return impl_->directory;
}

std::filesystem::path RegistryDatabase::HiveFile(Hive hive) const {
    return impl_->HiveOf(hive).File();
}

bool RegistryDatabase::CreateKey(Hive hive, std::string_view keyPath) {
    auto key = impl_->FullKey(hive, keyPath);
    return key && impl_->HiveOf(hive).CreateKey(*key);
}

bool RegistryDatabase::KeyExists(Hive hive, std::string_view keyPath) {
    auto relative = RegistryKeyPath::Parse(keyPath);
    if (relative && relative->IsRoot()) {
        return true;  // a hive's root always exists
    }
    auto key = impl_->FullKey(hive, keyPath);
    return key && impl_->HiveOf(hive).KeyExists(*key);
}

std::optional<RegistryValue> RegistryDatabase::QueryValue(Hive hive, std::string_view keyPath,
                                                          std::string_view name) {
    auto key = impl_->FullKey(hive, keyPath);
    if (!key || HoldsNul(name)) {
        return std::nullopt;
    }
    return impl_->HiveOf(hive).QueryValue(*key, name);
}

bool RegistryDatabase::SetValue(Hive hive, std::string_view keyPath, std::string_view name,
                                std::uint32_t type, std::span<const std::uint8_t> data) {
    auto key = impl_->FullKey(hive, keyPath);
    return key && !HoldsNul(name) && impl_->HiveOf(hive).SetValue(*key, name, type, data);
}

bool RegistryDatabase::DeleteValue(Hive hive, std::string_view keyPath, std::string_view name) {
    auto key = impl_->FullKey(hive, keyPath);
    return key && !HoldsNul(name) && impl_->HiveOf(hive).DeleteValue(*key, name);
}

bool RegistryDatabase::DeleteKey(Hive hive, std::string_view keyPath) {
    auto relative = RegistryKeyPath::Parse(keyPath);
    if (!relative || relative->IsRoot()) {
        return false;  // a hive's root is never removed
    }
    auto key = impl_->FullKey(hive, keyPath);
    return key && impl_->HiveOf(hive).DeleteKey(*key);
}

std::vector<std::string> RegistryDatabase::ValueNames(Hive hive, std::string_view keyPath) {
    auto key = impl_->FullKey(hive, keyPath);
    return key ? impl_->HiveOf(hive).ValueNames(*key) : std::vector<std::string>{};
}

std::vector<std::string> RegistryDatabase::SubKeyNames(Hive hive, std::string_view keyPath) {
    auto key = impl_->FullKey(hive, keyPath);
    return key ? impl_->HiveOf(hive).SubKeyNames(*key) : std::vector<std::string>{};
}

bool RegistryDatabase::BeginBatch(Hive hive) {
    return impl_->HiveOf(hive).BeginBatch();
}

bool RegistryDatabase::CommitBatch(Hive hive) {
    return impl_->HiveOf(hive).CommitBatch();
}

void RegistryDatabase::AbandonBatch(Hive hive) {
    impl_->HiveOf(hive).AbandonBatch();
}

}  // namespace tsrn::registry
