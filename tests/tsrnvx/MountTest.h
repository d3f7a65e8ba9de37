#pragma once
// Base of the tests that mount: each test gets its own folders and its own
// driver, skips loudly where FUSE is unavailable, and fails when a mount
// outlives the driver.

#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "VxSession.h"

namespace tsrn::vx::test {

class MountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string reason = FuseUnavailableReason();
        if (!reason.empty()) {
            GTEST_SKIP() << reason << ": FUSE mounts cannot be tested";
        }
        root_ = std::filesystem::canonical(dir_.Path());
        ASSERT_TRUE(session_.Start()) << "tsrnvx did not start";
    }

    void TearDown() override {
        session_.Stop();
        EXPECT_TRUE(MountsBelow(root_).empty()) << "a mount was left behind under " << root_;
    }

    // A fresh folder below the test's own directory.
    std::filesystem::path Folder(const std::string& name) {
        std::filesystem::path path = root_ / name;
        std::filesystem::create_directories(path);
        return path;
    }

    ::tsrn::test::TempDir dir_{"tsrnvx-mount"};
    std::filesystem::path root_;
    VxSession session_;
};

}  // namespace tsrn::vx::test
