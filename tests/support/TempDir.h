#pragma once
// A fresh directory under $TMPDIR, removed with everything in it at the end.

#include <filesystem>
#include <string>

namespace tsrn::test {

class TempDir {
  public:
    explicit TempDir(const std::string& prefix = "tsrn-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

}  // namespace tsrn::test
