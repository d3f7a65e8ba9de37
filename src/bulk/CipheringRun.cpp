#include "bulk/CipheringRun.h"

#include <sys/stat.h>

#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::bulk {

namespace {

// Past this many, the end-of-run report only counts the rest.
constexpr std::size_t kReportedSkips = 20;

int ReasonText(SkipReason reason) {
    switch (reason) {
        case SkipReason::OutsideNames:
            return res::str::kSkipOutsideNames;
        case SkipReason::OtherFileSystem:
            return res::str::kSkipOtherFileSystem;
        case SkipReason::OwnFile:
        case SkipReason::Duplicate:
            break;
    }
    return res::str::kSkipOwnFile;
}

std::uint64_t SaturatingSub(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : 0;
}

}  // namespace

RunTexts TextsFor(CipherMode mode) {
    switch (mode) {
        case CipherMode::Decipher:
            return RunTexts{res::str::kDecipherTitle, res::str::kDecipherDone,
                            res::str::kDecipherFailed, res::str::kDecipherCancelQuestion};
        case CipherMode::Recipher:
            return RunTexts{res::str::kRecipherTitle, res::str::kRecipherDone,
                            res::str::kRecipherFailed, res::str::kRecipherCancelQuestion};
        case CipherMode::Encipher:
            break;
    }
    return RunTexts{res::str::kEncipherTitle, res::str::kEncipherDone, res::str::kEncipherFailed,
                    res::str::kEncipherCancelQuestion};
}

CipheringRun::CipheringRun(std::string folder, CipherMode mode, Prompter& prompter,
                           const KeyPair& keys, std::size_t chunkSize, FileIo& io)
    : folder_(std::move(folder)),
      mode_(mode),
      prompter_(prompter),
      keys_(keys),
      texts_(TextsFor(mode)),
      walker_(folder_),
      transformer_(chunkSize, io) {
    countResult_ = walker_.CountingPass();
    transformer_.SetAdmission(this);
    walker_.SetFileHandler([this](const std::string& path) { return ProcessFile(path); });
}

void CipheringRun::SetJournal(RunJournal* journal) {
    journal_ = journal != nullptr ? journal : &defaultJournal_;
    transformer_.SetJournal(journal_);
}

void CipheringRun::MarkDone(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        struct stat st {};
        if (walker_.Processed().Add(path) && lstat(path.c_str(), &st) == 0) {
            doneBytes_ += static_cast<std::uint64_t>(st.st_size);
            if (st.st_nlink > 1) {
                linkedDone_.insert(InodeKey{st.st_dev, st.st_ino});
            }
        }
    }
    SetCounter(walker_.Processed().Size());
    SetPercent(PercentOf(doneBytes_));
}

void CipheringRun::TimerFailed() {
    if (ended_) {
        return;
    }
    prompter_.Ask(Message{texts_.failure, std::string(text::Text(texts_.failure)),
                          res::str::kCaptionError, Buttons::Ok, Icon::Stop, Answer::Ok});
    End(kIdCancel, RunOutcome::Failed);
}

void CipheringRun::Tick() {
    if (ended_ || tickState_ != 0) {
        return;
    }
    tickState_ = 1;
    // A tree the counting pass could not walk (a path too long to handle) is
    // refused before any file is changed.
    int step = countResult_ == -1 ? -1 : walker_.WalkStep();
    if (ended_) {
        return;  // cancelled and undone from inside the step
    }
    const bool pressed = pressPending_;
    pressPending_ = false;
    if (step == 0) {
        tickState_ = 0;
    } else if (step == 1) {
        finished_ = true;
        ReportSkipped();
        SetFileText(std::string(text::Text(texts_.success)));
        SetButtonText(res::str::kButtonOk);
    } else {
        if (failedFile_.empty()) {
            failedFile_ = walker_.RefusedPath();
        }
        EndWithFailure();
        return;
    }
    if (pressed) {
        AskCancel();
    }
}

void CipheringRun::PressButton() {
    if (ended_) {
        return;
    }
    // Pressed while a window repaints during a file's transform: the file
    // holds its lease, so it is finished first and the question comes after.
    if (inTransform_) {
        pressPending_ = true;
        return;
    }
    if (finished_) {
        walker_.Processed().Clear();
        End(kIdOk, RunOutcome::Completed);
        return;
    }
    AskCancel();
}

void CipheringRun::PressEscape() {
    if (!rollingBack_) {
        PressButton();
    }
}

void CipheringRun::AskCancel() {
    const int remembered = tickState_;
    tickState_ = 2;
    Answer answer =
        prompter_.Ask(Message{texts_.cancelQuestion, std::string(text::Text(texts_.cancelQuestion)),
                              0, Buttons::YesNo, Icon::Exclamation, Answer::No});
    if (answer != Answer::Yes) {
        tickState_ = remembered;
        return;
    }
    RollBack();
}

void CipheringRun::RollBack() {
    rollingBack_ = true;
    ProcessedFiles& processed = walker_.Processed();
    for (std::size_t i = processed.Size(); i-- > 0;) {
        const std::string path = processed.At(i);  // a copy: Ignore removes the entry
        SetCounter(i + 1);
        SetFileText(path);
        if (!TransformFile(path, false)) {
            EndWithFailure();
            return;
        }
    }
    processed.Clear();
    End(kIdCancel, RunOutcome::Cancelled);
}

bool CipheringRun::ProcessFile(const std::string& path) {
    SetCounter(walker_.Processed().Size());
    SetFileText(path);
    return TransformFile(path, true);
}

bool CipheringRun::TransformFile(const std::string& path, bool listed) {
    const ChunkCipher cipher(mode_, rollingBack_, keys_);
    for (;;) {
        inTransform_ = true;
        TransformResult result =
            listed ? transformer_.TransformListed(path, walker_.CurrentFileFolder(),
                                                  walker_.CurrentFileName(), cipher, mode_,
                                                  rollingBack_, *this)
                   : transformer_.Transform(path, cipher, mode_, rollingBack_, *this);
        inTransform_ = false;
        if (result.status == TransformStatus::Done) {
            if (listed && admittedLinked_) {
                linkedDone_.insert(*admittedLinked_);
            }
            SetPercent(PercentOf(doneBytes_));
            return true;
        }
        if (result.status == TransformStatus::Skipped) {
            walker_.Processed().Remove(path);
            if (result.skip != SkipReason::Duplicate) {
                skipped_.push_back(SkippedFile{path, result.skip});
            }
            return true;
        }
        if (result.status != TransformStatus::AccessError) {
            failedFile_ = path;
            failedError_ = result.error;
            return false;
        }
        std::string question =
            text::Format(res::str::kFileAccessError, {std::string_view(path)}).value_or(path);
        Answer answer =
            prompter_.Ask(Message{res::str::kFileAccessError, question, 0,
                                  Buttons::AbortRetryIgnore, Icon::Exclamation, Answer::Retry});
        if (answer == Answer::Retry) {
            continue;
        }
        if (answer == Answer::Abort && rollingBack_) {
            failedFile_ = path;
            failedError_ = result.error;
            return false;
        }
        // Not changed, so an undo must leave it alone.
        walker_.Processed().Remove(path);
        if (answer == Answer::Abort) {
            AskCancel();
        } else {
            ignored_.push_back(path);
            ignoredErrors_.push_back(result.error);
        }
        return true;
    }
}

void CipheringRun::EndWithFailure() {
    SetButtonText(res::str::kButtonOk);
    std::string message(text::Text(texts_.failure));
    if (!failedFile_.empty()) {
        message += '\n';
        message += failedFile_;
    }
    prompter_.Ask(Message{texts_.failure, message, 0, Buttons::Ok, Icon::Exclamation, Answer::Ok});
    walker_.Processed().Clear();
    End(kIdCancel, RunOutcome::Failed);
}

void CipheringRun::End(int result, RunOutcome outcome) {
    ended_ = true;
    result_ = result;
    outcome_ = outcome;
    journal_->RunDone(outcome == RunOutcome::Completed);
}

// A file is transformed once whatever its names, and only when all its names
// are in the tree: otherwise what the names outside show would change.
std::optional<SkipReason> CipheringRun::Admit(const std::string& path, const struct stat& st,
                                              std::uint64_t mount) {
    (void)path;
    admittedLinked_.reset();
    if (st.st_dev != walker_.RootDevice() ||
        (mount != 0 && walker_.RootMount() != 0 && mount != walker_.RootMount())) {
        return SkipReason::OtherFileSystem;
    }
    if (walker_.Own().IsOwnFile(st.st_dev, st.st_ino)) {
        return SkipReason::OwnFile;
    }
    if (st.st_nlink <= 1) {
        return std::nullopt;
    }
    const InodeKey key{st.st_dev, st.st_ino};
    if (linkedDone_.count(key) != 0) {
        return SkipReason::Duplicate;
    }
    if (walker_.NamesFound(st.st_dev, st.st_ino) < st.st_nlink) {
        return SkipReason::OutsideNames;
    }
    admittedLinked_ = key;
    return std::nullopt;
}

std::vector<SkippedFile> CipheringRun::Skipped() const {
    std::vector<SkippedFile> all = walker_.Skipped();
    all.insert(all.end(), skipped_.begin(), skipped_.end());
    return all;
}

// The end of the walk says which files were left alone and why.
void CipheringRun::ReportSkipped() {
    const std::vector<SkippedFile> skipped = Skipped();
    if (!reportSkipped_ || (skipped.empty() && !LeasesRefused())) {
        return;
    }
    std::string list;
    for (std::size_t i = 0; i < skipped.size() && i < kReportedSkips; ++i) {
        list += skipped[i].path;
        list += ": ";
        list += text::Text(ReasonText(skipped[i].reason));
        list += '\n';
    }
    if (skipped.size() > kReportedSkips) {
        list += text::Format(res::str::kSkipMore, {std::to_string(skipped.size() - kReportedSkips)})
                    .value_or(std::string());
        list += '\n';
    }
    if (LeasesRefused()) {
        list += text::Text(res::str::kLeasesRefused);
        list += '\n';
    }
    std::string message =
        text::Format(res::str::kFilesLeftAlone, {std::string_view(list)}).value_or(list);
    prompter_.Ask(
        Message{res::str::kFilesLeftAlone, message, 0, Buttons::Ok, Icon::Information, Answer::Ok});
}

int CipheringRun::PercentOf(std::uint64_t done) const {
    const std::uint64_t total = walker_.TotalBytes();
    if (total == 0 || done >= total) {
        return 100;
    }
    return static_cast<int>(done * 100 / total);
}

void CipheringRun::FileOpened(std::uint64_t length) {
    fileStartDone_ = doneBytes_;
    chunkDone_ = doneBytes_;
    doneBytes_ = rollingBack_ ? SaturatingSub(doneBytes_, length) : doneBytes_ + length;
}

void CipheringRun::ChunkDone(std::uint64_t bytes) {
    chunkDone_ = rollingBack_ ? SaturatingSub(chunkDone_, bytes) : chunkDone_ + bytes;
    SetPercent(PercentOf(chunkDone_));
}

void CipheringRun::FileRestored() {
    doneBytes_ = fileStartDone_;
    SetPercent(PercentOf(doneBytes_));
}

void CipheringRun::SetPercent(int percent) {
    if (percent != percent_) {
        percent_ = percent;
        listener_->PercentChanged(percent);
    }
}

void CipheringRun::SetFileText(const std::string& text) {
    fileText_ = text;
    listener_->FileTextChanged(fileText_);
}

void CipheringRun::SetCounter(std::size_t count) {
    counter_ = count;
    listener_->CounterChanged(count);
}

void CipheringRun::SetButtonText(int textId) {
    if (textId != buttonTextId_) {
        buttonTextId_ = textId;
        listener_->ButtonTextChanged(textId);
    }
}

RunOutcome DriveToEnd(CipheringRun& run) {
    while (!run.Ended()) {
        if (run.Finished()) {
            run.PressButton();
        } else {
            run.Tick();
        }
    }
    return run.Outcome();
}

}  // namespace tsrn::bulk
