#pragma once
// A Prompter for tests: answers from a script, records every message asked.

#include <deque>
#include <string>
#include <vector>

#include "platform/Prompter.h"

namespace tsrn::test {

class ScriptedPrompter : public Prompter {
  public:
    // Queue the answer for the next question. When the queue is empty the
    // message's default button is returned.
    ScriptedPrompter& Then(Answer answer) {
        answers_.push_back(answer);
        return *this;
    }

    Answer Ask(const Message& message) override {
        asked_.push_back(message);
        if (answers_.empty()) {
            return message.defaultButton;
        }
        Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const std::vector<Message>& Asked() const { return asked_; }
    std::vector<int> AskedIds() const {
        std::vector<int> ids;
        for (const auto& m : asked_)
            ids.push_back(m.textId);
        return ids;
    }
    bool ScriptUsedUp() const { return answers_.empty(); }

  private:
    std::deque<Answer> answers_;
    std::vector<Message> asked_;
};

}  // namespace tsrn::test
