// tsrnctl registry get|set|delete|dump: the registry database by hand, for
// administrators and tests. Keys are written with their hive in front:
// HKLM\..., HKCU\..., HKCR\... (or the long HKEY_... names).

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "registry/RegistryDatabase.h"

namespace tsrnctl {

namespace {

using tsrn::registry::Hive;
using tsrn::registry::RegistryDatabase;
using tsrn::registry::RegistryValue;

struct KeyName {
    Hive hive;
    std::string hiveName;
    std::string path;  // below the hive, without a leading backslash
};

std::optional<KeyName> ParseKey(const std::string& text) {
    const std::size_t cut = text.find('\\');
    const std::string head = text.substr(0, cut);
    std::string upper;
    for (char c : head)
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    std::optional<KeyName> key;
    if (upper == "HKLM" || upper == "HKEY_LOCAL_MACHINE")
        key = KeyName{Hive::LocalMachine, "HKLM", ""};
    if (upper == "HKCU" || upper == "HKEY_CURRENT_USER")
        key = KeyName{Hive::CurrentUser, "HKCU", ""};
    if (upper == "HKCR" || upper == "HKEY_CLASSES_ROOT")
        key = KeyName{Hive::ClassesRoot, "HKCR", ""};
    if (!key) {
        Complain("a key starts with HKLM, HKCU or HKCR: '" + text + "'");
        return std::nullopt;
    }
    key->path = cut == std::string::npos ? "" : text.substr(cut + 1);
    return key;
}

// "@" names the default (unnamed) value, as in .reg files.
std::string ValueName(const std::string& text) {
    return text == "@" ? "" : text;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> bytes;
    std::vector<int> digits;
    for (char c : text) {
        if (c == ' ' || c == ',' || c == ':')
            continue;
        if (digit(c) < 0)
            return std::nullopt;
        digits.push_back(digit(c));
    }
    if (digits.size() % 2 != 0)
        return std::nullopt;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(digits[i] * 16 + digits[i + 1]));
    }
    return bytes;
}

std::string Describe(const RegistryValue& value) {
    if (value.type == tsrn::registry::kRegSz) {
        std::string text(value.data.begin(), value.data.end());
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        return "REG_SZ " + text;
    }
    if (value.type == tsrn::registry::kRegBinary)
        return "REG_BINARY " + Hex(value.data);
    if (value.type == tsrn::registry::kRegDword)
        return "REG_DWORD " + Hex(value.data);
    return "TYPE_" + std::to_string(value.type) + " " + Hex(value.data);
}

int Get(RegistryDatabase& db, const KeyName& key, const std::string& name) {
    std::optional<RegistryValue> value = db.QueryValue(key.hive, key.path, ValueName(name));
    if (!value) {
        Complain("no value '" + name + "' under " + key.hiveName + "\\" + key.path);
        return kExitFailed;
    }
    if (value->type == tsrn::registry::kRegSz) {
        std::string text(value->data.begin(), value->data.end());
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        std::printf("%s\n", text.c_str());
    } else {
        std::printf("%s\n", Hex(value->data).c_str());
    }
    return kExitOk;
}

int Set(RegistryDatabase& db, const KeyName& key, const std::string& name, const std::string& type,
        const std::string& text) {
    std::vector<std::uint8_t> data;
    std::uint32_t typeNumber = 0;
    if (type == "REG_SZ") {
        typeNumber = tsrn::registry::kRegSz;
        data.assign(text.begin(), text.end());
        data.push_back(0);  // the terminating NUL is part of a REG_SZ value
    } else if (type == "REG_BINARY") {
        typeNumber = tsrn::registry::kRegBinary;
        std::optional<std::vector<std::uint8_t>> bytes = ParseHex(text);
        if (!bytes) {
            Complain("REG_BINARY takes hex digits, two per byte: '" + text + "'");
            return kExitUsage;
        }
        data = *bytes;
    } else if (type == "REG_DWORD") {
        typeNumber = tsrn::registry::kRegDword;
        char* end = nullptr;
        const unsigned long long number = std::strtoull(text.c_str(), &end, 0);
        if (text.empty() || *end != '\0' || number > 0xFFFFFFFFull) {
            Complain("REG_DWORD takes a 32-bit number: '" + text + "'");
            return kExitUsage;
        }
        for (int i = 0; i < 4; ++i)
            data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    } else {
        Complain("TYPE is REG_SZ, REG_BINARY or REG_DWORD");
        return kExitUsage;
    }
    if (!db.CreateKey(key.hive, key.path) ||
        !db.SetValue(key.hive, key.path, ValueName(name), typeNumber, data)) {
        Complain("could not write the value");
        return kExitFailed;
    }
    return kExitOk;
}

int Delete(RegistryDatabase& db, const KeyName& key, const std::string* name) {
    const bool done = name != nullptr ? db.DeleteValue(key.hive, key.path, ValueName(*name))
                                      : db.DeleteKey(key.hive, key.path);
    if (!done) {
        Complain(name != nullptr ? "no such value" : "no such key");
        return kExitFailed;
    }
    return kExitOk;
}

void DumpKey(RegistryDatabase& db, const KeyName& key) {
    std::printf("[%s%s%s]\n", key.hiveName.c_str(), key.path.empty() ? "" : "\\", key.path.c_str());
    for (const std::string& name : db.ValueNames(key.hive, key.path)) {
        std::optional<RegistryValue> value = db.QueryValue(key.hive, key.path, name);
        if (value) {
            std::printf("\"%s\" = %s\n", name.empty() ? "@" : name.c_str(),
                        Describe(*value).c_str());
        }
    }
    for (const std::string& sub : db.SubKeyNames(key.hive, key.path)) {
        KeyName child = key;
        child.path = key.path.empty() ? sub : key.path + "\\" + sub;
        DumpKey(db, child);
    }
}

int Dump(RegistryDatabase& db, const KeyName& key) {
    if (!key.path.empty() && !db.KeyExists(key.hive, key.path)) {
        Complain("no such key");
        return kExitFailed;
    }
    DumpKey(db, key);
    return kExitOk;
}

int Usage() {
    Complain(
        "usage: tsrnctl registry get KEY NAME | set KEY NAME TYPE VALUE | delete KEY [NAME] | "
        "dump [KEY]");
    return kExitUsage;
}

}  // namespace

int RunRegistry(Args args) {
    if (args.empty())
        return Usage();
    const std::string& verb = args[0];
    const std::size_t count = args.size();
    const bool shapeOk = (verb == "get" && count == 3) || (verb == "set" && count == 5) ||
                         (verb == "delete" && (count == 2 || count == 3)) ||
                         (verb == "dump" && count <= 2);
    if (!shapeOk)
        return Usage();
    std::optional<KeyName> key = ParseKey(count >= 2 ? args[1] : "HKLM");
    if (!key)
        return kExitUsage;
    RegistryDatabase db(RegistryDatabase::DefaultDirectory());
    if (verb == "get")
        return Get(db, *key, args[2]);
    if (verb == "set")
        return Set(db, *key, args[2], args[3], args[4]);
    if (verb == "delete")
        return Delete(db, *key, count == 3 ? &args[2] : nullptr);
    return Dump(db, *key);
}

}  // namespace tsrnctl
