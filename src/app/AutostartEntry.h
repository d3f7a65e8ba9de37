#pragma once
// The freedesktop autostart entry that makes the desktop start the program
// hidden and locked at login: $XDG_CONFIG_HOME/autostart/tessaryn.desktop.

#include <filesystem>
#include <string>
#include <string_view>

namespace tsrn::app {

class AutostartEntry {
  public:
    // The entry at its standard place (AutostartEntryFile()).
    AutostartEntry();
    explicit AutostartEntry(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& File() const { return file_; }

    // Writes the entry running `program` with `argument`; false on failure.
    bool Write(std::string_view program, std::string_view argument);
    // Removes the entry; true when none is left.
    bool Remove();

    // `argument` quoted for an Exec line when it needs it.
    static std::string QuoteExecArgument(std::string_view argument);

  private:
    std::filesystem::path file_;
};

}  // namespace tsrn::app
