#pragma once
// Shows a bulk run on standard error: a bar redrawn in place on a terminal
// (percent of bytes, files done, current file), plain lines otherwise.

#include <chrono>
#include <cstddef>
#include <string>

#include "bulk/RunListener.h"

namespace tsrnctl {

class ProgressPrinter : public tsrn::bulk::RunListener {
  public:
    explicit ProgressPrinter(bool bar);
    ~ProgressPrinter() override;

    void FileTextChanged(const std::string& text) override;
    void CounterChanged(std::size_t count) override;
    void PercentChanged(int percent) override;

    // Clears the bar line before something else is printed.
    void ClearLine();

  private:
    void Draw(bool force);

    bool bar_;
    bool drawn_ = false;
    std::string file_;
    std::size_t count_ = 0;
    int percent_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace tsrnctl
