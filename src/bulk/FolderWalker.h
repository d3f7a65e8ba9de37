#pragma once
// Visits every regular file of a folder tree, at most one file per step:
// depth first, pre-order, a folder's own files before its subfolders, each in
// the order the directory listing returns them. Symbolic links, FIFOs,
// sockets and devices are never handed on or opened, and links to folders
// are never followed, so a walk stays inside its tree and never blocks.
// It stays on the file system (the mount) it starts on, and never lists the
// program's own files; folders and files left out that way are noted.

#include <dirent.h>
#include <sys/types.h>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bulk/InodeKey.h"
#include "bulk/OwnFiles.h"
#include "bulk/ProcessedFiles.h"
#include "bulk/SkippedFile.h"

namespace tsrn::bulk {

class FolderWalker {
  public:
    // Called for each new file of the working pass; false stops the walk.
    using FileHandler = std::function<bool(const std::string& path)>;

    explicit FolderWalker(std::string folder, OwnFiles own = OwnFiles::OfThisProcess());
    ~FolderWalker();
    FolderWalker(const FolderWalker&) = delete;
    FolderWalker& operator=(const FolderWalker&) = delete;

    void SetFileHandler(FileHandler handler) { handler_ = std::move(handler); }

    // Walks the whole tree once, only adding up file sizes, then rewinds for
    // the working pass. Returns the last WalkStep result (1 or -1).
    [[nodiscard]] int CountingPass();
    // Back to the start of the tree with an empty file list.
    void Rewind();

    // 0 more to do, 1 the whole tree was walked, -1 the walk failed or the
    // handler asked to stop.
    [[nodiscard]] int WalkStep();
    // 0 after one file, 1 when the current folder has no more files, -1 when
    // the file asked to stop the run.
    [[nodiscard]] int NextFileInFolder();
    // Records a path and, in the working pass, hands it to the handler.
    // A path recorded before is skipped (true, nothing done).
    [[nodiscard]] bool ProcessFile(const std::string& path, std::uint64_t size);

    ProcessedFiles& Processed() { return processed_; }
    const ProcessedFiles& Processed() const { return processed_; }
    std::uint64_t TotalBytes() const { return totalBytes_; }
    // The first path that was too long to handle (the walk then failed).
    const std::string& RefusedPath() const { return refusedPath_; }
    // Folders whose listing could not be read (they count as empty).
    const std::vector<std::string>& UnreadableFolders() const { return unreadable_; }
    // Folders of other mounts and the program's own files and folders.
    const std::vector<SkippedFile>& Skipped() const { return skipped_; }
    const OwnFiles& Own() const { return own_; }
    // While the handler runs: the listed folder's descriptor and the file's
    // name in it, so the file can be opened without resolving its whole path
    // again (-1 and nullptr at any other time).
    int CurrentFileFolder() const { return currentFileFolder_; }
    const char* CurrentFileName() const { return currentFileName_; }

    // The file system the walk stays on (valid once the root could be opened).
    dev_t RootDevice() const { return rootDevice_; }
    // The mount's id, or 0 when the kernel does not tell it.
    std::uint64_t RootMount() const { return rootMount_; }
    // The names the counting pass found of a file with several hard links.
    std::size_t NamesFound(dev_t device, ino_t inode) const;

  private:
    struct Level {
        int fd = -1;            // the folder this level lists subfolders of
        DIR* search = nullptr;  // its subfolder listing, open between steps
        const OwnFiles::Folder* own = nullptr;
    };

    [[nodiscard]] int SearchSubfolders();
    [[nodiscard]] int Enter(const std::string& name, bool sibling);
    [[nodiscard]] int Climb();
    [[nodiscard]] bool PushLevel();
    [[nodiscard]] bool OpenSearch(int folderFd, DIR*& search);
    [[nodiscard]] bool NextSubfolder(Level& level, std::string& name);
    [[nodiscard]] bool Admit(int fd, const std::string& path, Level& looked);
    void NoteSkipped(const std::string& path, SkipReason reason);
    const char* NextFileName(std::uint64_t& size);
    bool PathFits(const std::string& path);
    void NoteUnreadable(const std::string& path);
    bool HasNoSubfolders(const Level& level);
    int CurrentFolderFd() const;
    void CloseFileSearch();
    void CloseAll();

    std::string folder_;
    std::string folderPath_;
    std::string fileSearchFolder_;
    std::string filePath_;
    DIR* fileSearch_ = nullptr;
    int currentFileFolder_ = -1;
    const char* currentFileName_ = nullptr;
    // A folder entered whose level is not pushed yet (its fd may be -1).
    bool hasEntered_ = false;
    Level entered_;
    const OwnFiles::Folder* fileSearchOwn_ = nullptr;
    std::vector<Level> levels_;
    int phase_ = 0;
    bool finished_ = false;
    bool rootRefused_ = false;
    bool counting_ = false;
    std::uint64_t totalBytes_ = 0;
    // Whether the file system of the last folder asked about keeps exact link counts.
    bool exactLinksKnown_ = false;
    bool exactLinks_ = false;
    ProcessedFiles processed_;
    FileHandler handler_;
    std::string refusedPath_;
    std::vector<std::string> unreadable_;
    std::vector<SkippedFile> skipped_;
    OwnFiles own_;
    dev_t rootDevice_ = 0;
    std::uint64_t rootMount_ = 0;
    std::unordered_map<InodeKey, std::size_t, InodeHash> linkNames_;
};

}  // namespace tsrn::bulk
