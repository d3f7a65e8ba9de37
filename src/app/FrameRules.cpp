#include "app/FrameRules.h"

#include <climits>

#include "app/AppIds.h"
#include "resources/StringTable.h"

namespace tsrn::app {
namespace {

std::string TwoDigits(std::int64_t value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

// Cuts to at most `limit` bytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

}  // namespace

std::string WorkTimeText(std::int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    const std::int64_t days = seconds / 86400;
    const std::int64_t hours = seconds / 3600 % 24;
    const std::int64_t minutes = seconds / 60 % 60;
    const std::int64_t secs = seconds % 60;
    std::string text(text::Text(ids::kTextWorkTimePrefix));
    text += std::to_string(days) + "." + TwoDigits(hours) + ":" + TwoDigits(minutes);
    text += (secs % 2 == 1) ? ":" : " ";
    text += TwoDigits(secs);
    return text;
}

Placement DefaultPlacement(const Rect& workArea) {
    const auto width = static_cast<unsigned>(workArea.right - workArea.left);
    const auto height = static_cast<unsigned>(workArea.bottom - workArea.top);
    Placement p;
    p.x = workArea.left + static_cast<int>(width / 20);
    p.y = workArea.top + static_cast<int>(height / 5);
    p.cx = static_cast<int>(width - 2u * static_cast<unsigned>(p.x));
    p.cy = static_cast<int>(height - 2u * static_cast<unsigned>(p.y));
    return p;
}

std::string TrayTip(int openFilesTotal) {
    std::string tip;
    if (openFilesTotal == 0) {
        tip = std::string(text::Text(ids::kTextProductName));
    } else {
        const std::string_view product = text::Text(ids::kTextProductName);
        tip =
            text::Format(ids::kTextOpenFilesTip, {product, static_cast<long long>(openFilesTotal)})
                .value_or(std::string(product));
    }
    return CutUtf8(std::move(tip), kMaxTipLength);
}

int OpenFilesTotal(driver::DriverLink& driver, int folderCount) {
    long long total = 0;
    for (int slot = 1; slot <= folderCount; ++slot) {
        const std::int32_t open = driver.QueryOpenFiles(static_cast<std::uint32_t>(slot));
        if (open > 0)
            total += open;
    }
    return total > INT_MAX ? INT_MAX : static_cast<int>(total);
}

TrayUpdate TrayTicker::Tick(int openFilesTotal, bool anyFilesOpen) {
    TrayUpdate update;
    update.busy = anyFilesOpen;
    update.tip = TrayTip(openFilesTotal);
    update.changed = openFilesTotal != lastTotal_ || anyFilesOpen != shownBusy_;
    if (update.changed)
        shownBusy_ = anyFilesOpen;
    lastTotal_ = openFilesTotal;
    return update;
}

TrayAction TrayActivation(TrayEvent event, bool windowShown) {
    switch (event) {
        case TrayEvent::Click:
            return windowShown ? TrayAction::Hide : TrayAction::Show;
        case TrayEvent::DoubleClick:
            return TrayAction::Show;
        case TrayEvent::Other:
            break;
    }
    return TrayAction::None;
}

std::vector<int> TrayMenuCommands(bool windowShown, bool unlocked) {
    std::vector<int> items{windowShown ? ids::kCmdHideWindow : ids::kCmdShowWindow, 0,
                           unlocked ? ids::kCmdLock : ids::kCmdUnlock};
    if (unlocked)
        items.push_back(ids::kCmdExit);
    return items;
}

}  // namespace tsrn::app
