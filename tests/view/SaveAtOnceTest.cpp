// The folder list, "GS" and "EnterAction" reach the registry file as soon as
// they change, before any close: a program killed right after a change finds
// it at its next start. The files are read back through a second, fresh
// registry handle, as the next process would.

#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "folders/ProtectedFolders.h"
#include "resources/ResourceIds.h"

namespace tsrn::test {
namespace {

namespace cmd = res::cmd;
using folders::FolderKind;

struct Stored {
    std::string path;
    std::string description;
    std::uint32_t state;
    friend bool operator==(const Stored&, const Stored&) = default;
};

void PrintTo(const Stored& s, std::ostream* os) {
    *os << s.path << " '" << s.description << "' 0x" << std::hex << s.state;
}

class SaveAtOnce : public ViewFixture {
  protected:
    SaveAtOnce() {
        a = Folder("a");
        b = Folder("b");
    }

    // What the next process would load, through its own handle on the files.
    std::vector<Stored> StoredList() {
        registry::RegistryDatabase fresh(dir / "registry");
        registry::RegistryStore freshStore(fresh);
        TestDriver d;
        folders::AppState s;
        s.keyLoaded = true;
        ScriptedPrompter p;
        folders::ProtectedFolders list(d, s, p);
        list.LoadFolderList(freshStore);
        std::vector<Stored> stored;
        for (std::size_t i = 0; i < list.List().Size(); ++i) {
            if (list.List().Kind(i) == FolderKind::User)
                stored.push_back(
                    {list.List().LongPath(i), list.List().Description(i), list.List().State(i)});
        }
        return stored;
    }
    std::uint32_t StoredGlobalWord() {
        registry::RegistryDatabase fresh(dir / "registry");
        registry::RegistryStore freshStore(fresh);
        std::uint8_t bytes[4] = {};
        return freshStore.GetBinary(registry::kSettingsKey, "GS", bytes, 4) ? bytes[0] : 0xFFFF;
    }
    int StoredEnterAction() {
        registry::RegistryDatabase fresh(dir / "registry");
        registry::RegistryStore freshStore(fresh);
        return freshStore.GetInt(registry::kSettingsKey, "EnterAction", -1);
    }
    void AddThroughTheFlow(const std::string& path, std::uint32_t word, std::string description) {
        dialogs.addChoice = view::AddFolderChoice{std::move(description), word, false};
        dialogs.chosenFolder = path;
        logic.RunCommand(cmd::kAddFolder);
    }

    std::string a;
    std::string b;
};

TEST_F(SaveAtOnce, EveryChangeOfTheListIsStoredWithoutClose) {
    struct Case {
        std::string name;
        std::function<void()> change;
        std::vector<Stored> expected;
    };
    logic.Start();  // the two registry file entries take rows 1 and 2
    const std::vector<Case> cases = {
        {"add with enciphering",
         [&] {
             dialogs.addChoice = view::AddFolderChoice{"secret", 0x01, true};
             dialogs.chosenFolder = a;
             logic.RunCommand(cmd::kAddFolder);
         },
         {{a, "secret", 0x01}}},
        {"add a second one",
         [&] { AddThroughTheFlow(b, 0x92, ""); },
         {{a, "secret", 0x01}, {b, "", 0x92}}},
        {"stop",
         [&] {
             Select(3);
             logic.RunCommand(cmd::kStopCiphering);
         },
         {{a, "secret", 0x02}, {b, "", 0x92}}},
        {"start through ENTER",
         [&] {
             logic.SetEnterAction(1);
             Select(4);
             logic.KeyDown(view::Key::Enter);
         },
         {{a, "secret", 0x02}, {b, "", 0x91}}},
        {"protection and description",
         [&] {
             Select(3);
             dialogs.onProtection = [](view::ProtectionEdit& edit) {
                 edit.Apply(view::Prohibitions{true, true, false, false}, "renamed");
             };
             logic.RunCommand(cmd::kFolderProtection);
         },
         {{a, "renamed", 0xA2}, {b, "", 0x91}}},
        {"delete the first: the second moves up",
         [&] {
             Select(3);
             prompter.Then(Answer::Yes).Then(Answer::No);
             logic.RunCommand(cmd::kDeleteFolder);
         },
         {{b, "", 0x91}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        EXPECT_EQ(StoredList(), c.expected);
    }
    EXPECT_EQ(StoredEnterAction(), 1) << "saved with the list";
}

TEST_F(SaveAtOnce, SettingsAreStoredWithTheNextSave) {
    logic.Start();
    logic.SetGlobalProtection(0x50);
    logic.SetEnterAction(1);
    EXPECT_TRUE(logic.SaveIfChanged());
    EXPECT_EQ(StoredGlobalWord(), 0x50u);
    EXPECT_EQ(StoredEnterAction(), 1);
    EXPECT_FALSE(logic.SaveIfChanged()) << "nothing changed since";
}

TEST_F(SaveAtOnce, NothingIsStoredInAListFileRunOrWhileLocked) {
    struct Case {
        std::string name;
        bool listFileMode;
        bool unlocked;
    };
    for (const Case& c :
         std::vector<Case>{{"list-file run", true, true}, {"locked", false, false}}) {
        SCOPED_TRACE(c.name);
        TempDir other("tsrn-save-at-once");
        registry::RegistryDatabase db(other.Path());
        registry::RegistryStore st(db);
        TestDriver d;
        folders::AppState s;
        s.keyLoaded = true;
        s.unlocked = true;
        s.listFileMode = c.listFileMode;
        s.listFilePath = (other.Path() / "no-list.txt").string();
        ScriptedPrompter p;
        ScriptedDialogs dl(d);
        view::ViewLogic v(view::ViewPorts{s, st, d, p, dl});
        v.Start();
        s.unlocked = c.unlocked;
        v.Folders().AddFolder(a, "", 0x01, FolderKind::User);
        v.SetGlobalProtection(0x80);
        v.RefreshList(false);
        EXPECT_FALSE(v.SaveIfChanged());
        EXPECT_FALSE(
            db.QueryValue(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\path\\", "0"));
        EXPECT_FALSE(
            db.QueryValue(registry::Hive::LocalMachine, "SOFTWARE\\Tessaryn\\settings\\", "GS"));
        if (!c.unlocked) {
            s.unlocked = true;
            EXPECT_TRUE(v.SaveIfChanged()) << "a change made while locked is saved after unlock";
        }
    }
}

}  // namespace
}  // namespace tsrn::test
