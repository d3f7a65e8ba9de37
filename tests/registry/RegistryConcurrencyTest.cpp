// Several processes (the program, setup, the command-line tool) share the
// registry files: a writer that meets another one waits instead of failing.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "registry/RegistryDatabase.h"

namespace tsrn::registry {
namespace {

constexpr int kWritesPerProcess = 60;

std::vector<std::uint8_t> BytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Writes kWritesPerProcess values named "<tag><i>", each its own transaction;
// returns how many failed.
int WriteValues(const std::filesystem::path& dir, const std::string& tag) {
    RegistryDatabase db(dir);
    int failures = 0;
    for (int i = 0; i < kWritesPerProcess; ++i) {
        const std::string name = tag + std::to_string(i);
        if (!db.SetValue(Hive::LocalMachine, "SOFTWARE\\Tessaryn\\path", name, kRegSz,
                         BytesOf(name))) {
            ++failures;
        }
        if (!db.SetValue(Hive::LocalMachine, "SOFTWARE\\Tessaryn\\" + tag, "n", kRegSz,
                         BytesOf(name))) {
            ++failures;
        }
    }
    return failures;
}

int ExitCodeOf(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST(RegistryConcurrencyTest, TwoProcessesWritingAtOnceBothSucceed) {
    test::TempDir dir("tsrn-registry-mp");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(WriteValues(dir.Path(), "child") == 0 ? 0 : 1);
    }
    const int parentFailures = WriteValues(dir.Path(), "parent");
    EXPECT_EQ(ExitCodeOf(child), 0) << "the other process had failed writes";
    EXPECT_EQ(parentFailures, 0);

    RegistryDatabase db(dir.Path());
    for (const std::string tag : {"child", "parent"}) {
        for (int i = 0; i < kWritesPerProcess; ++i) {
            const std::string name = tag + std::to_string(i);
            auto value = db.QueryValue(Hive::LocalMachine, "SOFTWARE\\Tessaryn\\path", name);
            ASSERT_TRUE(value.has_value()) << name;
            EXPECT_EQ(value->data, BytesOf(name));
        }
    }
}

TEST(RegistryConcurrencyTest, AWriterWaitsForAnotherProcessHoldingTheLock) {
    test::TempDir dir("tsrn-registry-lock");
    {
        // No connection may cross the fork.
        RegistryDatabase first(dir.Path());
        ASSERT_TRUE(first.SetValue(Hive::LocalMachine, "K", "before", kRegSz, BytesOf("1")));
    }

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another program holding the write lock for a moment.
        sqlite3* raw = nullptr;
        const auto file = dir.Path() / "system.db";
        bool ok =
            sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
            sqlite3_exec(raw, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
        const char signal = ok ? '1' : '0';
        ok = ::write(ready[1], &signal, 1) == 1 && ok;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        ok = sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
        sqlite3_close(raw);
        ::_exit(ok ? 0 : 1);
    }
    ::close(ready[1]);
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(signal, '1');

    RegistryDatabase db(dir.Path());
    EXPECT_TRUE(db.SetValue(Hive::LocalMachine, "K", "after", kRegSz, BytesOf("2")));
    EXPECT_TRUE(db.QueryValue(Hive::LocalMachine, "K", "before"));
    EXPECT_EQ(ExitCodeOf(child), 0);
    EXPECT_TRUE(db.QueryValue(Hive::LocalMachine, "K", "after"));
}

TEST(RegistryConcurrencyTest, AWriterKilledMidWayLeavesWholeValuesOnly) {
    test::TempDir dir("tsrn-registry-kill");
    int started[2];
    ASSERT_EQ(::pipe(started), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RegistryDatabase db(dir.Path());
        for (int i = 0;; ++i) {
            const std::vector<std::uint8_t> data(64 * 1024, static_cast<std::uint8_t>(i));
            // Killed in the middle of some write: which ones got in is the parent's question.
            (void)db.SetValue(Hive::LocalMachine, "K", "v" + std::to_string(i), kRegBinary, data);
            if (i == 0 && ::write(started[1], "1", 1) != 1) {
                ::_exit(1);
            }
        }
    }
    ::close(started[1]);
    char signal = 0;
    ASSERT_EQ(::read(started[0], &signal, 1), 1);
    ::close(started[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    // A journal left by the interrupted transaction is rolled back, not taken
    // for damage.
    RegistryDatabase db(dir.Path());
    const auto names = db.ValueNames(Hive::LocalMachine, "K");
    ASSERT_FALSE(names.empty());
    for (const auto& name : names) {
        const auto expected = static_cast<std::uint8_t>(std::stoi(name.substr(1)));
        auto value = db.QueryValue(Hive::LocalMachine, "K", name);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_EQ(value->data, std::vector<std::uint8_t>(64 * 1024, expected)) << name;
    }
    EXPECT_TRUE(db.SetValue(Hive::LocalMachine, "K", "after", kRegSz, BytesOf("1")));
}

}  // namespace
}  // namespace tsrn::registry
