#include "app/FrameRules.h"

#include <gtest/gtest.h>

#include "TestDriver.h"

namespace tsrn::app {
namespace {

using driver::RequestCode;
using test::TestDriver;

TEST(WorkTimeTextTest, ColonBeforeTheSecondsBlinks) {
    struct Case {
        std::int64_t seconds;
        const char* text;
    } cases[] = {
        {0, "Work time: 0.00:00 00"},
        {1, "Work time: 0.00:00:01"},
        {59, "Work time: 0.00:00:59"},
        {3600 + 60 * 59 + 58, "Work time: 0.01:59 58"},
        {86400 + 2 * 3600 + 3 * 60 + 5, "Work time: 1.02:03:05"},
        {86400 + 2 * 3600 + 3 * 60 + 6, "Work time: 1.02:03 06"},
        {123 * 86400 + 23 * 3600 + 59 * 60 + 59, "Work time: 123.23:59:59"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WorkTimeText(c.seconds), c.text) << c.seconds;
}

TEST(DefaultPlacementTest, FollowsTheWorkArea) {
    const Placement p = DefaultPlacement({0, 0, 1024, 768});
    EXPECT_EQ(p.x, 51);
    EXPECT_EQ(p.y, 153);
    EXPECT_EQ(p.cx, 922);
    EXPECT_EQ(p.cy, 462);
    // An area away from the origin: the origin enters x and y and is taken
    // off the size twice, as designed.
    const Placement q = DefaultPlacement({100, 50, 1124, 818});
    EXPECT_EQ(q.x, 151);
    EXPECT_EQ(q.y, 203);
    EXPECT_EQ(q.cx, 1024 - 2 * 151);
    EXPECT_EQ(q.cy, 768 - 2 * 203);
}

TEST(TrayTipTest, NamesTheOpenFilesAndNeverExceeds63Bytes) {
    EXPECT_EQ(TrayTip(0), "Tessaryn");
    EXPECT_EQ(TrayTip(3), "Tessaryn, open file(s) - 3");
    EXPECT_LE(TrayTip(2147483647).size(), kMaxTipLength);
}

TEST(OpenFilesTotalTest, SumsSlotsOneToNAndCountsFailuresAsNone) {
    TestDriver driver;
    driver.On(RequestCode::QueryOpenFiles, 1, TestDriver::Accept(2));
    driver.On(RequestCode::QueryOpenFiles, 2, TestDriver::FailCall());
    driver.On(RequestCode::QueryOpenFiles, 3, TestDriver::Accept(5));
    EXPECT_EQ(OpenFilesTotal(driver, 3), 7);
    EXPECT_EQ(driver.Requests(), (std::vector<driver::Request>{test::req::QueryOpenFiles(1),
                                                               test::req::QueryOpenFiles(2),
                                                               test::req::QueryOpenFiles(3)}));
    driver.ClearRequests();
    EXPECT_EQ(OpenFilesTotal(driver, 0), 0);
    EXPECT_TRUE(driver.Requests().empty());
}

TEST(TrayTickerTest, ModifiesTheEntryOnlyWhenTotalOrIconChanges) {
    TrayTicker ticker;
    struct Step {
        int total;
        bool anyOpen;
        bool changed;
        const char* tip;
    } steps[] = {
        {0, false, false, "Tessaryn"},
        {2, true, true, "Tessaryn, open file(s) - 2"},
        {2, true, false, "Tessaryn, open file(s) - 2"},
        {3, true, true, "Tessaryn, open file(s) - 3"},
        // The icon follows the list's flag even when the total stays.
        {3, false, true, "Tessaryn, open file(s) - 3"},
        {0, false, true, "Tessaryn"},
        {0, false, false, "Tessaryn"},
    };
    for (const auto& s : steps) {
        const TrayUpdate update = ticker.Tick(s.total, s.anyOpen);
        EXPECT_EQ(update.changed, s.changed) << s.total << s.anyOpen;
        EXPECT_EQ(update.busy, s.anyOpen);
        EXPECT_EQ(update.tip, s.tip);
    }
}

TEST(TrayActivationTest, ClickTogglesAndDoubleClickAlwaysShows) {
    struct Case {
        TrayEvent event;
        bool shown;
        TrayAction action;
    } cases[] = {
        {TrayEvent::Click, false, TrayAction::Show},
        {TrayEvent::Click, true, TrayAction::Hide},
        {TrayEvent::DoubleClick, false, TrayAction::Show},
        {TrayEvent::DoubleClick, true, TrayAction::Show},
        {TrayEvent::Other, false, TrayAction::None},
        {TrayEvent::Other, true, TrayAction::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayActivation(c.event, c.shown), c.action)
            << static_cast<int>(c.event) << " shown " << c.shown;
    }
    // An XEmbed double click arrives as a click, then a double click: the
    // window ends shown whatever it was before.
    for (const bool shown : {false, true}) {
        bool now = TrayActivation(TrayEvent::Click, shown) == TrayAction::Show;
        now = TrayActivation(TrayEvent::DoubleClick, now) == TrayAction::Show || now;
        EXPECT_TRUE(now) << "shown before " << shown;
    }
}

TEST(TrayMenuTest, OffersShowOrHideLockOrUnlockAndExitOnlyWhileUnlocked) {
    struct Case {
        bool shown;
        bool unlocked;
        std::vector<int> items;
    } cases[] = {
        {true, true, {32788, 0, 32787, 57665}},
        {false, true, {61202, 0, 32787, 57665}},
        {true, false, {32788, 0, 32789}},
        {false, false, {61202, 0, 32789}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayMenuCommands(c.shown, c.unlocked), c.items)
            << "shown " << c.shown << " unlocked " << c.unlocked;
    }
}

}  // namespace
}  // namespace tsrn::app
