#pragma once
// Scripted stand-ins for what a person, the keyboard, the clock and other
// copies of the program supply to the shell's rules.

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/StartupPorts.h"

namespace tsrn::test {

class ScriptedPasswords : public app::PasswordPrompts {
  public:
    // Nothing queued means the dialog is cancelled.
    ScriptedPasswords& Unlock(std::optional<std::string> typed) {
        unlock_.push_back(std::move(typed));
        return *this;
    }
    ScriptedPasswords& Missing(std::optional<app::MissingPasswordAnswer> answer) {
        missing_.push_back(std::move(answer));
        return *this;
    }

    std::optional<std::string> AskUnlock(bool showTemporaryNote) override {
        unlockNotes.push_back(showTemporaryNote);
        if (unlock_.empty())
            return std::nullopt;
        auto answer = unlock_.front();
        unlock_.pop_front();
        return answer;
    }
    std::optional<app::MissingPasswordAnswer> AskMissingPassword() override {
        ++missingAsked;
        if (missing_.empty())
            return std::nullopt;
        auto answer = missing_.front();
        missing_.pop_front();
        return answer;
    }

    std::vector<bool> unlockNotes;  // one entry per unlock dialog shown
    int missingAsked = 0;

  private:
    std::deque<std::optional<std::string>> unlock_;
    std::deque<std::optional<app::MissingPasswordAnswer>> missing_;
};

class FakeInstances : public app::InstanceChannel {
  public:
    // Answers for the successive checks; false once the list runs out.
    std::deque<bool> running;
    int checks = 0;
    bool SignalRunningInstance() override {
        ++checks;
        if (running.empty())
            return false;
        const bool answer = running.front();
        running.pop_front();
        return answer;
    }
    // Takes the next answer too: a running copy keeps this one from running.
    bool Claim() override {
        ++claims;
        return !SignalRunningInstance();
    }
    int claims = 0;
};

class FakeKeyboard : public app::KeyboardState {
  public:
    bool shift = false;
    int samples = 0;
    bool ShiftDown() override {
        ++samples;
        return shift;
    }
};

class FakeClock : public app::Clock {
  public:
    std::int64_t now = 1000;
    std::int64_t NowSeconds() override { return now; }
};

// A program file whose check word sits where the reader looks: an ELF head
// with the word at byte 10, or a PE head with it at byte 18.
inline void WriteProgramFile(const std::filesystem::path& file, std::uint16_t word, bool elf) {
    std::string head(64, '\0');
    if (elf) {
        head.replace(0, 4,
                     "\x7F"
                     "ELF");
        head[18] = 0x3E;  // e_machine stays as it is
    } else {
        head.replace(0, 2, "MZ");
    }
    const std::size_t at = elf ? 10 : 18;
    head[at] = static_cast<char>(word & 0xFF);
    head[at + 1] = static_cast<char>(word >> 8);
    std::ofstream(file, std::ios::binary) << head;
}

}  // namespace tsrn::test
