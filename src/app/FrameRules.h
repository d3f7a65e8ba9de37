#pragma once
// Small rules of the main window: the work-time pane, the default placement
// and the tray icon with its open-files tip, its clicks and its menu.

#include <cstdint>
#include <string>
#include <vector>

#include "driver/DriverLink.h"

namespace tsrn::app {

// "Work time: D.HH:MM:SS"; the colon before the seconds shows on odd seconds
// and is a blank on even ones, so it blinks once a second.
std::string WorkTimeText(std::int64_t seconds);

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct Placement {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// A twentieth of the work area's width to each side, a fifth of its height
// above and below (unsigned division throughout).
Placement DefaultPlacement(const Rect& workArea);

// The tray tip never holds more than this many bytes.
inline constexpr std::size_t kMaxTipLength = 63;

std::string TrayTip(int openFilesTotal);

// The sum of open files over slots 1..folderCount; a failed query counts 0.
int OpenFilesTotal(driver::DriverLink& driver, int folderCount);

struct TrayUpdate {
    bool changed = false;  // the tray entry must be modified
    bool busy = false;     // the icon to show
    std::string tip;
};

// The tray's memory between ticks.
class TrayTicker {
  public:
    TrayUpdate Tick(int openFilesTotal, bool anyFilesOpen);
    bool ShowsBusy() const { return shownBusy_; }

  private:
    int lastTotal_ = 0;
    bool shownBusy_ = false;
};

// A tray event, as the tray host reports it. Hosts that speak the
// StatusNotifierItem protocol report single activations only; an XEmbed tray
// reports a double click as a single click followed by a double click.
enum class TrayEvent { Click, DoubleClick, Other };
enum class TrayAction { None, Show, Hide };

// A click toggles the window; a double click always leaves it shown.
TrayAction TrayActivation(TrayEvent event, bool windowShown);

// The tray menu's items in order, by command id, 0 for a separator: Show
// (61202 "Restore window") or Hide window, then Lock or Unlock, and Exit only
// while unlocked, as in the window's own menus.
std::vector<int> TrayMenuCommands(bool windowShown, bool unlocked);

}  // namespace tsrn::app
