#include "platform/SystemRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/UniqueFd.h"

namespace tsrn {
namespace {

constexpr std::string_view kInstallKey = "InstallDir=";
constexpr std::string_view kSystemKey = "SystemDir=";

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::filesystem::path SystemRecordFile() {
    const char* chosen = std::getenv("TSRN_SYSCONF_DIR");
    const std::filesystem::path folder =
        chosen != nullptr && chosen[0] != '\0' ? chosen : "/etc/tessaryn";
    return folder / "installation";
}

std::optional<SystemRecord> ReadSystemRecord(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        return std::nullopt;
    }
    SystemRecord record;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with(kInstallKey)) {
            record.installFolder = line.substr(kInstallKey.size());
        } else if (line.starts_with(kSystemKey)) {
            record.systemFolder = line.substr(kSystemKey.size());
        }
    }
    if (record.installFolder.empty()) {
        return std::nullopt;
    }
    return record;
}

bool WriteSystemRecord(const std::filesystem::path& file, const SystemRecord& record) {
    for (const std::string& folder : {record.installFolder, record.systemFolder}) {
        if (folder.find_first_of("\r\n") != std::string::npos) {
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::string text = std::string(kInstallKey) + record.installFolder + "\n" +
                             std::string(kSystemKey) + record.systemFolder + "\n";
    const std::string fresh = file.string() + ".new";
    UniqueFd fd(open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        return false;
    }
    const bool written = WriteAll(fd.Get(), text) && fchmod(fd.Get(), 0644) == 0 &&
                         fsync(fd.Get()) == 0 && fd.Close();
    if (!written || rename(fresh.c_str(), file.c_str()) != 0) {
        unlink(fresh.c_str());
        return false;
    }
    return true;
}

}  // namespace tsrn
