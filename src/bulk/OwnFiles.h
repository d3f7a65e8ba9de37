#pragma once
// The program's own files, which no run may ever transform wherever they
// sit in a tree: the registry databases with SQLite's side files, the state
// directory (run journals and the password change record), and the
// installed program and driver. Known by identity (device, inode), so no
// path spelling or link hides them. Looked up once per walk.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tsrn::bulk {

class OwnFiles {
  public:
    struct Folder {
        dev_t device = 0;
        ino_t inode = 0;
        // Empty: the whole folder. Otherwise these names, each also with
        // SQLite's "-wal", "-shm", "-journal" and "-mj..." when `sqlite`.
        std::vector<std::string> names;
        bool sqlite = false;
        bool Guards(const char* name) const;
    };

    // Those of this process: the registry directory, the state directory,
    // the system folder's driver files, and the running program with the
    // program files beside it.
    static OwnFiles OfThisProcess();

    void AddFolder(const std::string& path, std::vector<std::string> names = {},
                   bool sqlite = false);
    void AddFile(const std::string& path);

    // The rule for the folder with this identity, or nullptr.
    const Folder* FolderRule(dev_t device, ino_t inode) const;
    bool IsOwnFile(dev_t device, ino_t inode) const;

  private:
    struct File {
        dev_t device;
        ino_t inode;
    };
    std::vector<Folder> folders_;
    std::vector<File> files_;
};

}  // namespace tsrn::bulk
