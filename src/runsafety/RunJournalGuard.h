#pragma once
// Puts a journal under a bulk run started from the program, so a crash at
// any moment leaves every file recoverable. Before the run: a tree that an
// unfinished run still holds, or that a password change left unfinished has
// under its new key, is refused (two states would mix beyond repair), and a
// journal that cannot be started is said, the run going on unprotected only
// when the user asks for it. After the run: a journal that is kept (the run
// failed) is said, with its path.

#include <filesystem>
#include <memory>
#include <string>

#include "bulk/CipheringRun.h"
#include "journal/RunJournalWriter.h"
#include "platform/Prompter.h"

namespace tsrn::runsafety {

class RunJournalGuard {
  public:
    explicit RunJournalGuard(Prompter& prompter, std::filesystem::path directory = {});

    // False when the run must not start; the user has been told why.
    [[nodiscard]] bool Open(const std::string& folder, bulk::CipherMode mode,
                            const bulk::KeyPair& keys);
    // Attaches the journal (if any) to the run before its first step.
    void Attach(bulk::CipheringRun& run) const;
    // After the run has ended: lets the journal go, telling the user when it
    // stays behind.
    void Close();

    journal::RunJournalWriter* Writer() const { return writer_.get(); }

  private:
    bool HeldByLeftChange(const std::string& folder);

    Prompter& prompter_;
    std::filesystem::path directory_;
    std::unique_ptr<journal::RunJournalWriter> writer_;
};

}  // namespace tsrn::runsafety
