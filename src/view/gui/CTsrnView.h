#pragma once
// The folder list view in the main window's centre: the report list over the
// view's logic, its one-second light refresh that then ticks the window, the
// column widths kept as percentages, and the dialogs its commands open.

#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/StartupPorts.h"
#include "app/gui/FrameView.h"
#include "app/gui/HelpOpener.h"
#include "app/gui/ViewContext.h"
#include "runsafety/RecoveryPorts.h"
#include "view/ViewDialogs.h"
#include "view/ViewLogic.h"
#include "view/gui/FolderChooser.h"
#include "view/gui/FolderListWidget.h"

namespace tsrn::view {

class FolderTableModel;

class CTsrnView : public app::FrameView, private ViewDialogs {
  public:
    explicit CTsrnView(app::ViewContext& context);
    ~CTsrnView() override;

    QWidget* Widget() override;
    void Start() override;
    void Close() override;
    void SetTick(std::function<void()> tick) override { tick_ = std::move(tick); }
    void SetLocked(bool locked) override;
    bool HandlesCommand(int commandId) const override;
    void RunCommand(int commandId) override;
    bool CommandEnabled(int commandId) const override;
    bool AnyFilesOpen() const override { return logic_.AnyFilesOpen(); }

    int FolderCount() const override { return logic_.FolderCount(); }
    int SelectedPosition() const override { return logic_.SelectedPosition(); }
    void ResendAllStates() override { logic_.ResendAllStates(); }
    bool RunWithFoldersStopped(const std::string& folder,
                               const std::function<void()>& work) override;
    void WithPasswordPorts(const std::function<void(password::PasswordPorts&)>& work) override;
    std::uint32_t GlobalProtection() const override { return logic_.GlobalProtection(); }
    void SetGlobalProtection(std::uint32_t word) override { logic_.SetGlobalProtection(word); }
    void SendGlobalProtection() override { logic_.SendGlobalProtection(); }
    int EnterAction() const override { return logic_.EnterAction(); }
    void SetEnterAction(int action) override { logic_.SetEnterAction(action); }
    void SaveSettings() override { logic_.SaveSettings(); }
    void DriverRestarted() override { logic_.DriverRestarted(); }

    // For tests and the screenshots.
    FolderListWidget* List() const { return list_; }
    ViewLogic& Logic() { return logic_; }
    void SetFolderChooser(FolderChooser* chooser) { chooser_ = chooser; }
    void SetHelpOpener(app::HelpOpener* help) { help_ = help; }
    // The one-second tick: light refresh, then the window's tick.
    void TimerTick();
    bool TimerActive() const { return timer_.isActive(); }

  private:
    std::optional<std::string> ChooseFolder() override;
    std::optional<AddFolderChoice> AskAddFolder(const std::string& path) override;
    bool RunPass(const std::string& folder, bulk::CipherMode mode) override;
    void EditProtection(ProtectionEdit& edit) override;
    std::optional<std::string> AskNewPassword() override;
    runsafety::RecoveryPorts* RecoveryAsks() override;

    void ChangePassword();
    void Refreshed(const RefreshResult& result);
    void ShowHelp(int context);
    QWidget* DialogParent() const;

    app::ViewContext& context_;
    ViewLogic logic_;
    QPointer<FolderListWidget> list_;
    FolderTableModel* model_ = nullptr;
    QTimer timer_;
    std::function<void()> tick_;
    FileDialogFolderChooser fileDialogChooser_;
    FolderChooser* chooser_ = &fileDialogChooser_;
    app::DesktopHelpOpener desktopHelp_;
    app::HelpOpener* help_ = &desktopHelp_;
    std::unique_ptr<app::PasswordPrompts> noPasswords_;
    std::unique_ptr<runsafety::RecoveryPorts> recoveryWindows_;
};

}  // namespace tsrn::view
