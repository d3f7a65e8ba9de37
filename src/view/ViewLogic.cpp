#include "view/ViewLogic.h"

#include <array>
#include <utility>

#include "registry/RegistryBatch.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "view/EnterAction.h"

namespace tsrn::view {

namespace cmd = res::cmd;

namespace {
constexpr std::string_view kColumnsName = "columns";
constexpr std::string_view kEnterActionName = "EnterAction";
}  // namespace

ViewLogic::ViewLogic(ViewPorts ports)
    : ports_(ports),
      folders_(ports.driver, ports.state, ports.prompter,
               folders::FolderListHooks{[this]() -> std::optional<std::size_t> {
                                            const int position = selection_.position;
                                            if (position <= 0)
                                                return std::nullopt;
                                            return static_cast<std::size_t>(position - 1);
                                        },
                                        [this] { RefreshList(false); }}),
      commands_(folders_, ports.driver, ports.prompter, ports.dialogs, selection_,
                [this] { RefreshList(false); }),
      percents_(kDefaultColumnPercents) {}

void ViewLogic::Start() {
    percents_ = ParseColumns(ports_.store.GetString(registry::kSettingsKey, kColumnsName, ""));
    folders_.LoadFolderList(ports_.store);
    folders_.LoadGlobalProtection(ports_.store);
    folders_.SendGlobalProtection();
    SetEnterAction(ParseEnterAction(ports_.store.GetString(registry::kSettingsKey, kEnterActionName,
                                                           std::to_string(enterAction_))));
    saved_ = WhatIsSaved();
    RefreshList(false);
}

bool ViewLogic::Close(const ColumnArray& columnWidths, int clientWidth) {
    if (!ports_.state.unlocked)
        return false;
    registry::RegistryBatch batch(ports_.store.Database(), ports_.store.StoreHive());
    const std::string columns = FormatColumns(columnWidths, clientWidth);
    if (!columns.empty())
        ports_.store.SetString(registry::kSettingsKey, kColumnsName, columns);
    SaveSettings();
    folders_.SaveFolderList(ports_.store);
    // Every change was stored when it was made; a failed exit save loses only
    // the column widths, and must not keep the program from ending.
    (void)batch.Commit();
    return true;
}

ViewLogic::Saved ViewLogic::WhatIsSaved() const {
    Saved saved;
    const folders::FolderList& list = folders_.List();
    for (std::size_t i = 0; i < list.Size(); ++i) {
        if (list.Kind(i) == folders::FolderKind::User && !list.LongPath(i).empty())
            saved.folders.push_back(list.Record(i));
    }
    saved.globalProtection = folders_.GlobalProtection();
    saved.enterAction = enterAction_;
    return saved;
}

bool ViewLogic::SaveIfChanged() {
    if (!ports_.state.unlocked || ports_.state.listFileMode)
        return false;
    Saved now = WhatIsSaved();
    if (now == saved_)
        return false;
    // A crash, a kill or a session's end must not forget a folder whose files
    // are enciphered: the list is on disk before the next command.
    registry::RegistryBatch batch(ports_.store.Database(), ports_.store.StoreHive());
    SaveSettings();
    folders_.SaveFolderList(ports_.store);
    if (!batch.Commit())
        return false;
    saved_ = std::move(now);
    return true;
}

void ViewLogic::DriverRestarted() {
    folders_.RegisterAll();
    folders_.SendGlobalProtection();
    RefreshList(false);
}

void ViewLogic::SaveSettings() {
    ports_.store.SetInt(registry::kSettingsKey, kEnterActionName, enterAction_);
    folders_.SaveGlobalProtection(ports_.store);
}

std::int32_t ViewLogic::OpenFiles(std::size_t position) {
    const std::int32_t count =
        ports_.driver.QueryOpenFiles(static_cast<std::uint32_t>(position + 1));
    return count < 0 ? 0 : count;
}

RefreshResult ViewLogic::RefreshList(bool light) {
    RefreshResult result;
    ports_.state.anyFilesOpen = false;
    ports_.driver.CheckLost();
    const bool driverUp = ports_.driver.IsOpen();
    if (driverUp != rowsShowDriver_) {
        rowsShowDriver_ = driverUp;
        light = false;
    }
    if (folders_.RegisterAppeared())
        light = false;
    const folders::FolderList& list = folders_.List();
    if (!light || rows_.size() != list.Size()) {
        result.rebuilt = true;
        rows_.clear();
        rows_.reserve(list.Size());
    }
    for (std::size_t i = 0; i < list.Size(); ++i) {
        const std::int32_t open = OpenFiles(i);
        if (open > 0)
            ports_.state.anyFilesOpen = true;
        if (result.rebuilt) {
            rows_.push_back(RowFor(list.Record(i), ports_.state.keyLoaded, open,
                                   driverUp ? list.Served(i) : folders::Availability::NoDriver));
            continue;
        }
        const bool served = driverUp && list.IsServed(i);
        std::string text = served ? OpenFilesText(list.State(i), list.Kind(i), open) : "";
        if (text != rows_[i].openFiles) {
            rows_[i].openFiles = std::move(text);
            result.changedRows.push_back(i);
        }
    }
    // The driver died during the queries: every row is shown anew.
    if (driverUp && !ports_.driver.IsOpen())
        return RefreshList(false);
    if (result.rebuilt) {
        const auto marked = RestoreSelection();
        UpdateSelection(marked);
        SaveIfChanged();
    }
    if (refreshed_)
        refreshed_(result);
    return result;
}

void ViewLogic::UpdateSelection(std::optional<std::size_t> firstSelectedRow) {
    selection_.position = 0;
    if (ports_.state.unlocked && firstSelectedRow && *firstSelectedRow < rows_.size())
        selection_.position = static_cast<int>(*firstSelectedRow + 1);
}

std::optional<std::size_t> ViewLogic::RestoreSelection() {
    const int count = static_cast<int>(folders_.List().Size());
    if (count == 0)
        selection_.position = 0;
    else if (selection_.position > count)
        selection_.position = count;
    if (selection_.position <= 0)
        return std::nullopt;
    return static_cast<std::size_t>(selection_.position - 1);
}

KeyAction ViewLogic::KeyDown(Key key) {
    if (!ports_.state.unlocked)
        return KeyAction::None;
    const KeyAction action = ActionForKey(key, shiftDown_, selection_.position != 0);
    if (action != KeyAction::ShiftDown && action != KeyAction::Refresh &&
        action != KeyAction::None) {
        shiftDown_ = false;
    }
    switch (action) {
        case KeyAction::ShiftDown:
            shiftDown_ = true;
            break;
        case KeyAction::EnterAction:
            RunEnterAction();
            break;
        case KeyAction::AddFolder:
            commands_.BrowseAndAdd();
            break;
        case KeyAction::DeleteFolder:
            commands_.DeleteFolderFlow();
            break;
        case KeyAction::Refresh:
            Refresh();
            break;
        case KeyAction::ContextMenu:
        case KeyAction::None:
            break;
    }
    SaveIfChanged();
    return action;
}

void ViewLogic::RunEnterAction() {
    if (enterAction_ == 1)
        commands_.ToggleCiphering();
    else
        commands_.EditProtection();
}

void ViewLogic::DoubleClick() {
    if (ports_.state.unlocked)
        RunEnterAction();
    SaveIfChanged();
}

void ViewLogic::Refresh() {
    folders_.RetryRefused();
    RefreshList(false);
}

void ViewLogic::Drop(const std::vector<std::string>& paths) {
    if (!ports_.state.unlocked)
        return;
    Message message;
    message.captionId = res::str::kCaptionError;
    switch (ClassifyDrop(paths)) {
        case DropCase::SeveralItems:
            message.textId = res::str::kDropOneFolderOnly;
            message.text = std::string(text::Text(message.textId));
            ports_.prompter.Ask(message);
            return;
        case DropCase::NotAFolder:
            message.textId = res::str::kDropNotAFolder;
            message.text = text::FormatText<res::str::kDropNotAFolder>(paths.front());
            message.icon = Icon::Information;
            ports_.prompter.Ask(message);
            return;
        case DropCase::AddFolder:
            commands_.AddFolderFlow(paths.front());
            RefreshList(false);
            SaveIfChanged();
            return;
    }
}

bool ViewLogic::HandlesCommand(int commandId) const {
    switch (commandId) {
        case cmd::kAddFolder:
        case cmd::kDeleteFolder:
        case cmd::kFolderProtection:
        case cmd::kStopCiphering:
        case cmd::kStartCiphering:
        case cmd::kRefresh:
            return true;
        case cmd::kChangePassword:
            return static_cast<bool>(changePassword_);
        default:
            return false;
    }
}

bool ViewLogic::CommandEnabled(int commandId) const {
    return view::CommandEnabled(commandId, commands_.Selected());
}

void ViewLogic::RunCommand(int commandId) {
    if (!ports_.state.unlocked || !CommandEnabled(commandId))
        return;
    switch (commandId) {
        case cmd::kAddFolder:
            commands_.BrowseAndAdd();
            break;
        case cmd::kDeleteFolder:
            commands_.DeleteFolderFlow();
            break;
        case cmd::kFolderProtection:
            commands_.EditProtection();
            break;
        case cmd::kStopCiphering:
            commands_.StopCiphering();
            break;
        case cmd::kStartCiphering:
            commands_.StartCiphering();
            break;
        case cmd::kRefresh:
            Refresh();
            break;
        case cmd::kChangePassword:
            if (changePassword_)
                changePassword_();
            break;
        default:
            break;
    }
    SaveIfChanged();
}

}  // namespace tsrn::view
