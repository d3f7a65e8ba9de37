#pragma once
// Stands in the window's centre until the folder list view exists: keeps the
// global protection word and the ENTER setting, and ticks the window once a
// second the way the list view will.

#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "app/gui/FrameView.h"
#include "driver/DriverLink.h"
#include "registry/RegistryStore.h"

namespace tsrn::app {

class PlaceholderView : public FrameView {
  public:
    PlaceholderView(registry::RegistryStore& store, driver::DriverLink& driver, bool listFileRun);
    ~PlaceholderView() override;

    QWidget* Widget() override { return label_; }
    void Start() override;
    void Close() override;
    void SetTick(std::function<void()> tick) override { tick_ = std::move(tick); }
    void SetLocked(bool locked) override { locked_ = locked; }
    bool HandlesCommand(int) const override { return false; }
    void RunCommand(int) override {}
    bool CommandEnabled(int) const override { return false; }
    bool AnyFilesOpen() const override { return false; }

    int FolderCount() const override { return 0; }
    int SelectedPosition() const override { return 0; }
    void ResendAllStates() override {}
    std::uint32_t GlobalProtection() const override { return globalWord_; }
    void SetGlobalProtection(std::uint32_t word) override { globalWord_ = word; }
    void SendGlobalProtection() override;
    int EnterAction() const override { return enterAction_; }
    void SetEnterAction(int action) override { enterAction_ = action; }
    void SaveSettings() override;

  private:
    registry::RegistryStore& store_;
    driver::DriverLink& driver_;
    bool listFileRun_;
    bool locked_ = false;
    std::uint32_t globalWord_ = 0;
    int enterAction_ = 0;
    QPointer<QLabel> label_;
    QTimer timer_;
    std::function<void()> tick_;
};

}  // namespace tsrn::app
