#pragma once
// What start-up and the lock need from a person, the keyboard, the clock and
// other running copies of the program. The GUI answers with widgets, tests
// from a script.

#include <cstdint>
#include <optional>
#include <string>

namespace tsrn::app {

struct MissingPasswordAnswer {
    std::string installationPassword;  // edit 1031
    std::string newPassword;           // edit 1025
};

class PasswordPrompts {
  public:
    virtual ~PasswordPrompts() = default;
    // The unlock dialog (164). `showTemporaryNote` shows the note 1032 of a
    // list-file run. Nothing when cancelled.
    virtual std::optional<std::string> AskUnlock(bool showTemporaryNote) = 0;
    // The password-not-found dialog (169). Nothing when cancelled.
    virtual std::optional<MissingPasswordAnswer> AskMissingPassword() = 0;
};

// The per-user channel between copies of the program.
class InstanceChannel {
  public:
    virtual ~InstanceChannel() = default;
    // True when another copy runs; it has then been asked to show its window.
    virtual bool SignalRunningInstance() = 0;
    // Makes this copy the one that runs, atomically: of two starts racing,
    // one gets true, the other false (and has asked the first to show).
    virtual bool Claim() = 0;
};

class KeyboardState {
  public:
    virtual ~KeyboardState() = default;
    virtual bool ShiftDown() = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Whole seconds on a clock that never goes back during a run.
    virtual std::int64_t NowSeconds() = 0;
};

}  // namespace tsrn::app
