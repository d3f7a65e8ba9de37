#include "view/gui/CTsrnView.h"

#include <QHeaderView>

#include "app/gui/ShellTexts.h"
#include "resources/ResourceIds.h"
#include "runsafety/RunJournalGuard.h"
#include "view/PasswordChange.h"
#include "view/ProtectionEdit.h"
#include "view/gui/AddFolderDialog.h"
#include "view/gui/ChangePasswordDialog.h"
#include "view/gui/CipheringDialog.h"
#include "view/gui/FolderListWidget.h"
#include "view/gui/FolderProtectionDialog.h"
#include "view/gui/FolderTableModel.h"
#include "view/gui/RecoveryWindows.h"
#include "view/gui/RowDelegate.h"

namespace tsrn::view {

namespace {
constexpr int kRefreshPeriodMs = 1000;
}  // namespace

CTsrnView::CTsrnView(app::ViewContext& context)
    : context_(context),
      logic_(ViewPorts{context.state, context.store, context.driver, context.prompter, *this}) {
    list_ = new FolderListWidget(logic_);
    list_->setObjectName(QStringLiteral("CTsrnView"));
    model_ = new FolderTableModel(logic_.Rows(), list_);
    list_->setModel(model_);
    list_->setItemDelegate(new RowDelegate(list_));
    logic_.SetRefreshListener([this](const RefreshResult& result) { Refreshed(result); });
    logic_.SetChangePassword([this] { ChangePassword(); });
    timer_.setInterval(kRefreshPeriodMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { TimerTick(); });
}

CTsrnView::~CTsrnView() {
    timer_.stop();
    logic_.SetRefreshListener(nullptr);
    // The window may still hold the list; it must not outlive the rows it shows.
    delete list_.data();
}

QWidget* CTsrnView::Widget() {
    return list_;
}

void CTsrnView::Start() {
    logic_.Start();
    const int width = list_->isVisible() ? list_->width() : list_->window()->width();
    const ColumnArray pixels = ColumnPixels(logic_.ColumnPercents(), width);
    for (int i = 0; i < kColumnCount; ++i)
        list_->header()->resizeSection(i, pixels[static_cast<std::size_t>(i)]);
    timer_.start();
}

void CTsrnView::Close() {
    if (!context_.state.unlocked)
        return;
    timer_.stop();
    ColumnArray widths{};
    for (int i = 0; i < kColumnCount; ++i)
        widths[static_cast<std::size_t>(i)] = list_->header()->sectionSize(i);
    logic_.Close(widths, list_->viewport()->width());
}

void CTsrnView::TimerTick() {
    logic_.RefreshList(true);
    if (tick_)
        tick_();
}

void CTsrnView::SetLocked(bool locked) {
    list_->SetLocked(locked);
}

bool CTsrnView::HandlesCommand(int commandId) const {
    return logic_.HandlesCommand(commandId);
}

void CTsrnView::RunCommand(int commandId) {
    logic_.RunCommand(commandId);
}

bool CTsrnView::CommandEnabled(int commandId) const {
    return logic_.CommandEnabled(commandId);
}

void CTsrnView::Refreshed(const RefreshResult& result) {
    if (!list_)
        return;
    if (result.rebuilt) {
        model_->Rebuilt();
        list_->MarkSelectedRow();
    } else {
        model_->OpenFilesChanged(result.changedRows);
    }
}

QWidget* CTsrnView::DialogParent() const {
    return list_ ? list_->window() : nullptr;
}

void CTsrnView::ShowHelp(int context) {
    if (help_)
        help_->ShowHelp(context);
}

std::optional<std::string> CTsrnView::ChooseFolder() {
    return chooser_->ChooseFolder(app::TableText(res::str::kBrowseFolderTitle), DialogParent());
}

std::optional<AddFolderChoice> CTsrnView::AskAddFolder(const std::string& path) {
    AddFolderDialog dialog(QString::fromStdString(path), DialogParent());
    QObject::connect(&dialog, &AddFolderDialog::helpRequested,
                     [this](int helpContext) { ShowHelp(helpContext); });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

bool CTsrnView::RunPass(const std::string& folder, bulk::CipherMode mode) {
    runsafety::RunJournalGuard journal(context_.prompter);
    if (!journal.Open(folder, mode, bulk::KeysFromSlots()))
        return false;
    int result = bulk::kIdCancel;
    {
        auto run = std::make_unique<bulk::CipheringRun>(folder, mode, context_.prompter);
        journal.Attach(*run);
        CipheringDialog dialog(std::move(run), DialogParent());
        QObject::connect(&dialog, &CipheringDialog::helpRequested,
                         [this](int helpContext) { ShowHelp(helpContext); });
        result = dialog.exec();
    }
    journal.Close();
    return result == bulk::kIdOk;
}

bool CTsrnView::RunWithFoldersStopped(const std::string& folder,
                                      const std::function<void()>& work) {
    return logic_.Commands().RunWithFoldersStopped(folder, work);
}

void CTsrnView::EditProtection(ProtectionEdit& edit) {
    FolderProtectionDialog dialog(edit, DialogParent());
    QObject::connect(&dialog, &FolderProtectionDialog::helpRequested,
                     [this](int helpContext) { ShowHelp(helpContext); });
    dialog.exec();
}

std::optional<std::string> CTsrnView::AskNewPassword() {
    ChangePasswordDialog dialog(context_.prompter, DialogParent());
    QObject::connect(&dialog, &ChangePasswordDialog::helpRequested,
                     [this](int helpContext) { ShowHelp(helpContext); });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.NewPassword();
}

namespace {

// Right after a change the new password is known: nothing is asked for.
class NoPasswordPrompts : public app::PasswordPrompts {
  public:
    std::optional<std::string> AskUnlock(bool) override { return std::nullopt; }
    std::optional<app::MissingPasswordAnswer> AskMissingPassword() override { return std::nullopt; }
};

}  // namespace

runsafety::RecoveryPorts* CTsrnView::RecoveryAsks() {
    if (!recoveryWindows_) {
        noPasswords_ = std::make_unique<NoPasswordPrompts>();
        recoveryWindows_ = std::make_unique<RecoveryWindows>(*noPasswords_, this, DialogParent());
    }
    return recoveryWindows_.get();
}

void CTsrnView::WithPasswordPorts(const std::function<void(password::PasswordPorts&)>& work) {
    PasswordChange change(context_.state, context_.store, context_.driver, context_.prompter, *this,
                          logic_.Folders().EditableList());
    change.WithPorts(work);
    logic_.RefreshList(false);
}

void CTsrnView::ChangePassword() {
    PasswordChange change(context_.state, context_.store, context_.driver, context_.prompter, *this,
                          logic_.Folders().EditableList());
    change.Run();
    logic_.RefreshList(false);
}

}  // namespace tsrn::view
