#pragma once
// RecoveryPorts answered from a script; the recovery and the continued run
// are the real ones, driven without a window.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "runsafety/RecoveryPorts.h"

namespace tsrn::test {

class ScriptedRecoveryPorts : public runsafety::RecoveryPorts {
  public:
    runsafety::RecoveryAnswer AskChoice(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty())
            return runsafety::RecoveryAnswer::Later;
        const runsafety::RecoveryAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    runsafety::ChangeAnswer AskChangeChoice(const std::string& text) override {
        changeQuestions.push_back(text);
        if (changeAnswers.empty())
            return runsafety::ChangeAnswer::Later;
        const runsafety::ChangeAnswer answer = changeAnswers.front();
        changeAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> AskPassword() override {
        ++passwordsAsked;
        if (passwords.empty())
            return std::nullopt;
        std::optional<std::string> typed = passwords.front();
        passwords.pop_front();
        return typed;
    }
    journal::RecoveryResult Recover(journal::RunRecovery& recovery,
                                    journal::RecoveryChoice choice) override {
        return recovery.Recover(choice);
    }
    bulk::RunOutcome FinishRun(std::unique_ptr<bulk::CipheringRun> run) override {
        return bulk::DriveToEnd(*run);
    }
    bool WithFolderStopped(const std::string& folder, const std::function<void()>& work) override {
        stopped.push_back(folder);
        if (!canStop)
            return false;
        work();
        return true;
    }

    std::deque<runsafety::RecoveryAnswer> answers;
    std::deque<runsafety::ChangeAnswer> changeAnswers;
    std::vector<std::string> changeQuestions;
    std::deque<std::optional<std::string>> passwords;
    std::vector<std::string> questions;
    int passwordsAsked = 0;
    bool canStop = true;
    std::vector<std::string> stopped;
};

}  // namespace tsrn::test
