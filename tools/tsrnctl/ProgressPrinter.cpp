#include "ProgressPrinter.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace tsrnctl {

namespace {

int TerminalWidth() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) {
        return size.ws_col;
    }
    return 80;
}

}  // namespace

ProgressPrinter::ProgressPrinter(bool bar) : bar_(bar) {}

ProgressPrinter::~ProgressPrinter() {
    ClearLine();
}

void ProgressPrinter::FileTextChanged(const std::string& text) {
    file_ = text;
    if (bar_) {
        Draw(false);
    } else {
        std::fprintf(stderr, "[%3d%%] %zu %s\n", percent_, count_, file_.c_str());
    }
}

void ProgressPrinter::CounterChanged(std::size_t count) {
    count_ = count;
}

void ProgressPrinter::PercentChanged(int percent) {
    percent_ = percent;
    if (bar_) {
        Draw(true);
    }
}

void ProgressPrinter::Draw(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawn_ && now - lastDraw_ < std::chrono::milliseconds(50)) {
        return;
    }
    lastDraw_ = now;
    constexpr int kBarWidth = 20;
    const int filled = percent_ * kBarWidth / 100;
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    char figures[64];
    std::snprintf(figures, sizeof figures, "] %3d%% %zu file(s) ", percent_, count_);
    line += figures;
    const auto room = static_cast<std::size_t>(TerminalWidth() - 1);
    if (line.size() + 3 < room) {
        const std::size_t left = room - line.size();
        // Keep the end of a long path: the file name matters most.
        line += file_.size() <= left ? file_ : "..." + file_.substr(file_.size() - left + 3);
    }
    std::fprintf(stderr, "\r%s\x1b[K", line.substr(0, room).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressPrinter::ClearLine() {
    if (bar_ && drawn_) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
        drawn_ = false;
    }
}

}  // namespace tsrnctl
