#pragma once
// The seam between the main window and the folder list view that fills it.
// The list view implements this: the window places Widget() in its centre,
// runs Start() once after creation and Close() before it is destroyed (only
// while unlocked), forwards the view's commands to it, and gets its tick from
// the view's one-second timer through the callback set with SetTick.

#include <functional>

#include "app/ViewPort.h"

class QWidget;

namespace tsrn::app {

class FrameView : public ViewPort {
  public:
    // The widget shown in the window's centre; the window takes ownership.
    virtual QWidget* Widget() = 0;

    // The initial update: load the folder list, "GS" and "EnterAction" and
    // start the one-second timer.
    virtual void Start() = 0;
    // The close sequence (column widths, settings, folder list).
    virtual void Close() = 0;

    // Run after each light refresh of the timer: ticks the window.
    virtual void SetTick(std::function<void()> tick) = 0;
    // Tells the view about Lock and Unlock (its commands go dead while locked).
    virtual void SetLocked(bool locked) = 0;

    // The view's commands (32771 ... 32782 but Settings) and their enabling.
    virtual bool HandlesCommand(int commandId) const = 0;
    virtual void RunCommand(int commandId) = 0;
    virtual bool CommandEnabled(int commandId) const = 0;

    // Whether some folder reported open files at the last refresh.
    virtual bool AnyFilesOpen() const = 0;
};

}  // namespace tsrn::app
