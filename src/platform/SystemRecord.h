#pragma once
// The record an installation for all users leaves where every user reads it
// ($TSRN_SYSCONF_DIR/installation, else /etc/tessaryn/installation): the
// install folder and the system folder holding the driver. Lines of
// "InstallDir=..." and "SystemDir=...", each folder ending in '/'.

#include <filesystem>
#include <optional>
#include <string>

namespace tsrn {

struct SystemRecord {
    std::string installFolder;
    std::string systemFolder;
};

// $TSRN_SYSCONF_DIR/installation, else /etc/tessaryn/installation.
std::filesystem::path SystemRecordFile();

// Nothing when the file is missing, unreadable or names no install folder.
std::optional<SystemRecord> ReadSystemRecord(const std::filesystem::path& file);

// Written whole to a new file, then renamed over the old one (mode 0644, its
// folder created 0755). Folders holding a line break are refused.
bool WriteSystemRecord(const std::filesystem::path& file, const SystemRecord& record);

}  // namespace tsrn
