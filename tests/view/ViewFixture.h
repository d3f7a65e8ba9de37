#pragma once
// The folder list view's logic over the test driver, a scripted prompter,
// scripted dialogs and a registry in a temporary folder.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "TestDriver.h"
#include "folders/AppState.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"
#include "view/ProtectionEdit.h"
#include "view/ViewDialogs.h"
#include "view/ViewLogic.h"

namespace tsrn::test {

class ScriptedDialogs : public view::ViewDialogs {
  public:
    struct Pass {
        std::string folder;
        bulk::CipherMode mode;
        std::size_t requestsBefore;  // driver requests sent when the pass began
    };

    explicit ScriptedDialogs(TestDriver& driver) : driver_(driver) {}

    std::optional<std::string> ChooseFolder() override {
        ++chooserShown;
        return chosenFolder;
    }
    std::optional<view::AddFolderChoice> AskAddFolder(const std::string& path) override {
        addAskedFor.push_back(path);
        return addChoice;
    }
    bool RunPass(const std::string& folder, bulk::CipherMode mode) override {
        passes.push_back({folder, mode, driver_.Requests().size()});
        if (passResults.empty())
            return true;
        const bool ok = passResults.front();
        passResults.pop_front();
        return ok;
    }
    void EditProtection(view::ProtectionEdit& edit) override {
        ++protectionShown;
        if (onProtection)
            onProtection(edit);
    }
    std::optional<std::string> AskNewPassword() override { return newPassword; }

    std::optional<std::string> chosenFolder;
    int chooserShown = 0;
    std::optional<view::AddFolderChoice> addChoice = view::AddFolderChoice{};
    std::vector<std::string> addAskedFor;
    std::deque<bool> passResults;
    std::vector<Pass> passes;
    int protectionShown = 0;
    std::function<void(view::ProtectionEdit&)> onProtection;
    std::optional<std::string> newPassword;

  private:
    TestDriver& driver_;
};

class ViewFixture : public ::testing::Test {
  protected:
    ViewFixture() {
        state.unlocked = true;
        state.keyLoaded = true;
    }

    // A real folder under the temporary directory.
    std::string Folder(const std::string& name) {
        const std::filesystem::path path = dir / name;
        std::filesystem::create_directories(path);
        return path.string();
    }
    // Puts a record straight into the list, as a load would.
    std::size_t Add(const std::string& path, std::uint32_t word,
                    folders::FolderKind kind = folders::FolderKind::User) {
        logic.Folders().AddFolder(path, "", word, kind);
        logic.RefreshList(false);
        return logic.Folders().List().Size() - 1;
    }
    void Select(int position) {
        logic.UpdateSelection(position == 0 ? std::nullopt
                                            : std::optional<std::size_t>(position - 1));
    }
    // The driver requests sent since `from`.
    std::vector<driver::Request> RequestsFrom(std::size_t from) const {
        const auto& all = driver.Requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(from), all.end()};
    }
    std::vector<driver::Request> RequestsBetween(std::size_t from, std::size_t to) const {
        const auto& all = driver.Requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(from),
                all.begin() + static_cast<std::ptrdiff_t>(to)};
    }
    // Only the SetFolderState requests of a sequence.
    static std::vector<driver::Request> StateRequests(const std::vector<driver::Request>& all) {
        std::vector<driver::Request> states;
        for (const auto& request : all) {
            if (request.code == driver::RequestCode::SetFolderState)
                states.push_back(request);
        }
        return states;
    }

    TempDir dir;
    registry::RegistryDatabase database{dir / "registry"};
    registry::RegistryStore store{database};
    TestDriver driver;
    folders::AppState state;
    ScriptedPrompter prompter;
    ScriptedDialogs dialogs{driver};
    view::ViewLogic logic{view::ViewPorts{state, store, driver, prompter, dialogs}};
};

}  // namespace tsrn::test
