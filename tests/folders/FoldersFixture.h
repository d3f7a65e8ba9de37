#pragma once
// A folder list wired to the test driver, a scripted prompter and hooks that
// the tests steer (selection) and watch (rebuilds).

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>

#include "ScriptedPrompter.h"
#include "TestDriver.h"
#include "folders/AppState.h"
#include "folders/ProtectedFolders.h"

namespace tsrn::test {

using folders::AppState;
using folders::FolderKind;
using folders::FolderListHooks;
using folders::FolderRecord;
using folders::ProtectedFolders;

class FoldersFixture : public ::testing::Test {
  protected:
    FoldersFixture() {
        state.keyLoaded = true;
        state.unlocked = true;
    }

    FolderListHooks Hooks() {
        return {[this] { return selected; }, [this] { ++rebuilds; }};
    }

    TestDriver driver;
    AppState state;
    ScriptedPrompter prompter;
    std::optional<std::size_t> selected;
    int rebuilds = 0;
    ProtectedFolders folders{driver, state, prompter, Hooks()};
};

}  // namespace tsrn::test
