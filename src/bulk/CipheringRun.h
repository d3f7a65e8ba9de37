#pragma once
// One bulk run over a folder tree, without any window: construction counts
// the tree; each Tick transforms at most one file; the button and Esc
// handlers give the cancel question and the undo in reverse order. A dialog
// drives it from a timer and shows what a RunListener hears; the command
// line drives it from a loop.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "bulk/ChunkCipher.h"
#include "bulk/CipherMode.h"
#include "bulk/FileTransformer.h"
#include "bulk/FolderWalker.h"
#include "bulk/InodeKey.h"
#include "bulk/RunJournal.h"
#include "bulk/RunListener.h"
#include "bulk/RunOutcome.h"
#include "platform/Prompter.h"
#include "resources/ResourceIds.h"

namespace tsrn::bulk {

// The run's result as its dialog ends with it.
inline constexpr int kIdOk = res::ctl::kOk;
inline constexpr int kIdCancel = res::ctl::kCancel;

struct RunTexts {
    int title;
    int success;
    int failure;
    int cancelQuestion;
};
RunTexts TextsFor(CipherMode mode);

class CipheringRun : private TransformProgress, private FileAdmission {
  public:
    CipheringRun(std::string folder, CipherMode mode, Prompter& prompter,
                 const KeyPair& keys = KeysFromSlots(),
                 std::size_t chunkSize = FileTransformer::kDefaultChunkSize,
                 FileIo& io = FileIo::System());

    void SetListener(RunListener* listener) {
        listener_ = listener != nullptr ? listener : &defaultListener_;
    }
    void SetJournal(RunJournal* journal);
    // Whether the run says at its end which files it left alone and why (on
    // by default; the command line says it itself).
    void SetReportSkipped(bool report) { reportSkipped_ = report; }
    // Resuming an interrupted run: these files are done already. The walk
    // skips them, they count as done, and a cancel undoes them too.
    void MarkDone(const std::vector<std::string>& paths);

    // The window's timer could not be started: no file has been touched.
    void TimerFailed();
    // One walk step; does nothing while a step or the cancel question is in progress.
    void Tick();
    // Button 1 (and Enter): OK once finished, otherwise the cancel question.
    void PressButton();
    // Esc and the close box: ignored while undoing, otherwise the button.
    void PressEscape();

    bool Ended() const { return ended_; }
    // IDOK only when every file was processed and OK was pressed.
    int Result() const { return result_; }
    RunOutcome Outcome() const { return outcome_; }
    // The walk is complete; the run ends with the next PressButton.
    bool Finished() const { return finished_; }
    bool RollingBack() const { return rollingBack_; }
    int TickState() const { return tickState_; }

    const std::string& Folder() const { return folder_; }
    CipherMode Mode() const { return mode_; }
    const std::string& FileText() const { return fileText_; }
    std::size_t Counter() const { return counter_; }
    int Percent() const { return percent_; }
    int ButtonTextId() const { return buttonTextId_; }

    std::uint64_t TotalBytes() const { return walker_.TotalBytes(); }
    std::uint64_t DoneBytes() const { return doneBytes_; }
    const ProcessedFiles& Processed() const { return walker_.Processed(); }
    // Files the user chose to skip after an access error.
    const std::vector<std::string>& IgnoredFiles() const { return ignored_; }
    // For each of IgnoredFiles, the errno of its access error (EBUSY: in use).
    const std::vector<int>& IgnoredErrors() const { return ignoredErrors_; }
    // Files and folders left alone on purpose (see SkipReason), in walk order.
    std::vector<SkippedFile> Skipped() const;
    // Some file system of the run refused leases: files in use there could not be told.
    bool LeasesRefused() const { return transformer_.LeasesRefused(); }
    // Folders whose listing could not be read (walked as empty).
    const std::vector<std::string>& UnreadableFolders() const {
        return walker_.UnreadableFolders();
    }
    // The file that made the run fail, and why (errno), when one did.
    const std::string& FailedFile() const { return failedFile_; }
    int FailedError() const { return failedError_; }

  private:
    [[nodiscard]] bool ProcessFile(const std::string& path);
    // `listed`: the walk has just listed the path as a regular file.
    [[nodiscard]] bool TransformFile(const std::string& path, bool listed);
    void AskCancel();
    void RollBack();
    void EndWithFailure();
    void End(int result, RunOutcome outcome);
    int PercentOf(std::uint64_t done) const;
    void SetPercent(int percent);
    void SetFileText(const std::string& text);
    void SetCounter(std::size_t count);
    void SetButtonText(int textId);

    [[nodiscard]] std::optional<SkipReason> Admit(const std::string& path, const struct stat& st,
                                                  std::uint64_t mount) override;
    void ReportSkipped();

    void FileOpened(std::uint64_t length) override;
    void ChunkDone(std::uint64_t bytes) override;
    void FileRestored() override;

    std::string folder_;
    CipherMode mode_;
    Prompter& prompter_;
    KeyPair keys_;
    RunTexts texts_;
    FolderWalker walker_;
    FileTransformer transformer_;
    RunJournal defaultJournal_;
    RunJournal* journal_ = &defaultJournal_;
    RunListener defaultListener_;
    RunListener* listener_ = &defaultListener_;

    int countResult_ = 0;
    std::uint64_t doneBytes_ = 0;
    std::uint64_t fileStartDone_ = 0;
    std::uint64_t chunkDone_ = 0;
    bool rollingBack_ = false;
    bool finished_ = false;
    bool ended_ = false;
    int tickState_ = 0;
    int result_ = kIdCancel;
    RunOutcome outcome_ = RunOutcome::Running;

    std::string fileText_;
    std::size_t counter_ = 0;
    int percent_ = 0;
    int buttonTextId_ = res::str::kButtonCancel;

    // Files of several names transformed so far: each is transformed once.
    std::unordered_set<InodeKey, InodeHash> linkedDone_;
    std::optional<InodeKey> admittedLinked_;
    std::vector<SkippedFile> skipped_;
    bool reportSkipped_ = true;
    bool inTransform_ = false;
    bool pressPending_ = false;

    std::vector<std::string> ignored_;
    std::vector<int> ignoredErrors_;
    std::string failedFile_;
    int failedError_ = 0;
};

// Ticks a run to its end without a window, pressing OK once it has finished.
RunOutcome DriveToEnd(CipheringRun& run);

}  // namespace tsrn::bulk
