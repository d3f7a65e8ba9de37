// The folder commands against the real driver with real mounts: a folder
// added with "Produce enciphering" has ciphertext on disk and plaintext
// through the mount; deleting it with deciphering gives back every file bit
// for bit. Skips where FUSE cannot be used; never leaves a mount behind.

#include <gmock/gmock.h>
#include <unistd.h>

#include <map>

#include "FileHelpers.h"
#include "Mounts.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "bulk/CipheringRun.h"
#include "crypto/Cipher.h"
#include "crypto/KeyDerivation.h"
#include "driver/DriverClient.h"
#include "folders/AppState.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"
#include "resources/ResourceIds.h"
#include "view/ProtectionEdit.h"
#include "view/ViewLogic.h"

namespace tsrn::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "end-to-end password";

Bytes StoredForm(const Bytes& plain, const crypto::CipherKey& key) {
    Bytes stored = plain;
    const auto length = static_cast<std::uint32_t>(plain.size());
    const std::uint32_t tail = length - length % 8;
    crypto::EncipherBuffer(stored.data(), stored.data(), tail, 0, key);
    crypto::CipherTail(stored.data() + tail, stored.data() + tail, length - tail, tail, key);
    return stored;
}

// The ciphering run without its window, driven the way the dialog's timer
// drives it.
class HeadlessDialogs : public view::ViewDialogs {
  public:
    explicit HeadlessDialogs(Prompter& prompter) : prompter_(prompter) {}
    std::optional<std::string> ChooseFolder() override { return std::nullopt; }
    std::optional<view::AddFolderChoice> AskAddFolder(const std::string&) override {
        return view::AddFolderChoice{"end to end", 0x01, true};
    }
    bool RunPass(const std::string& folder, bulk::CipherMode mode) override {
        bulk::CipheringRun run(folder, mode, prompter_);
        while (!run.Ended() && !run.Finished())
            run.Tick();
        if (run.Finished())
            run.PressButton();
        ++passes;
        return run.Result() == bulk::kIdOk;
    }
    void EditProtection(view::ProtectionEdit&) override {}
    std::optional<std::string> AskNewPassword() override { return std::nullopt; }
    int passes = 0;

  private:
    Prompter& prompter_;
};

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string reason = FuseUnavailableReason();
        if (!reason.empty())
            GTEST_SKIP() << reason << ": the end-to-end run needs FUSE mounts";
        root = fs::canonical(dir.Path());
        ASSERT_TRUE(crypto::KeySlots::Instance().DeriveKey(kPassword, crypto::KeySlot::Current));
        ASSERT_TRUE(driver.Open()) << "tsrnvx did not start";
        ASSERT_TRUE(driver.SetPassword(kPassword));
        state.unlocked = true;
        state.keyLoaded = true;
    }
    void TearDown() override {
        driver.Close();
        crypto::KeySlots::Instance().Clear();
        if (!root.empty()) {
            EXPECT_TRUE(MountsBelow(root).empty()) << "a mount was left behind under " << root;
        }
    }

    TempDir dir{"tsrn-view-e2e"};
    fs::path root;
    registry::RegistryDatabase database{dir / "registry"};
    registry::RegistryStore store{database};
    driver::DriverClient driver{TSRNVX_PROGRAM};
    folders::AppState state;
    ScriptedPrompter prompter;
    HeadlessDialogs dialogs{prompter};
    view::ViewLogic logic{view::ViewPorts{state, store, driver, prompter, dialogs}};
};

TEST_F(EndToEnd, AddWithEncipheringThenDeleteWithDecipheringRoundTrips) {
    const fs::path folder = root / "protected";
    fs::create_directories(folder / "sub");
    std::map<std::string, Bytes> plain;
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {"empty", 0}, {"seven", 7}, {"block", 8}, {"sub/odd", 4099}, {"sub/large", 70000}};
    for (const auto& [name, size] : files) {
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 31 + name.size());
        WriteBytes(folder / name, bytes);
        plain[name] = bytes;
    }

    logic.Commands().AddFolderFlow(folder.string());
    ASSERT_EQ(dialogs.passes, 1);
    ASSERT_EQ(logic.FolderCount(), 1);
    EXPECT_EQ(logic.List().State(0), 0x01u);
    EXPECT_THAT(prompter.AskedIds(), testing::ElementsAre(res::str::kFolderAdded));

    // Working: every program reads plaintext through the mount.
    for (const auto& [name, bytes] : plain)
        EXPECT_TRUE(ReadBytes(folder / name) == bytes) << name << " is not plaintext when working";

    // Stopped: the stored bytes show, and they are the format's ciphertext.
    logic.UpdateSelection(0);
    logic.RunCommand(res::cmd::kStopCiphering);
    ASSERT_EQ(logic.List().State(0), 0x02u);
    const crypto::CipherKey key = crypto::DeriveKey(kPassword);
    for (const auto& [name, bytes] : plain) {
        EXPECT_TRUE(ReadBytes(folder / name) == StoredForm(bytes, key))
            << name << " is not ciphertext on disk";
        if (bytes.size() >= 8) {
            EXPECT_FALSE(ReadBytes(folder / name) == bytes) << name;
        }
    }
    logic.RunCommand(res::cmd::kStartCiphering);
    ASSERT_EQ(logic.List().State(0), 0x01u);

    prompter.Then(Answer::Yes).Then(Answer::Yes);  // delete, and decipher the files
    logic.Commands().DeleteFolderFlow();
    EXPECT_EQ(dialogs.passes, 2);
    EXPECT_EQ(logic.FolderCount(), 0);
    driver.Close();  // every mount goes with the driver
    EXPECT_TRUE(MountsBelow(root).empty());
    for (const auto& [name, bytes] : plain)
        EXPECT_TRUE(ReadBytes(folder / name) == bytes) << name << " did not come back bit for bit";
}

}  // namespace
}  // namespace tsrn::test
