#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TestDriver.h"
#include "driver/DriverLink.h"

namespace tsrn::driver {
namespace {

using test::TestDriver;

struct PlacementCase {
    std::string name;
    std::function<void(DriverLink&)> call;
    Request expected;
};

// Where each request puts its arguments: slot or global word in the in-size,
// state in the out-size, and the answer word primed with the outgoing scalar.
TEST(DriverLinkTest, EveryRequestPlacesItsArgumentsAsTheDriverExpects) {
    const std::vector<PlacementCase> cases = {
        {"QueryOpenFiles",
         [](DriverLink& l) { (void)l.QueryOpenFiles(3); },
         {RequestCode::QueryOpenFiles, std::nullopt, 3, 0, 3}},
        {"InitializeDriver",
         [](DriverLink& l) { (void)l.InitializeDriver(); },
         {RequestCode::InitializeDriver, std::nullopt, 0, 0, 0}},
        {"SetFolderPath",
         [](DriverLink& l) { (void)l.SetFolderPath("/data/a", 2, 0x91); },
         {RequestCode::SetFolderPath, "/data/a", 2, 0x91, 0x91}},
        {"SetFolderShortPath",
         [](DriverLink& l) { (void)l.SetFolderShortPath("/D/A", 4, 0x22); },
         {RequestCode::SetFolderShortPath, "/D/A", 4, 0x22, 0x22}},
        {"ClearFolderPath",
         [](DriverLink& l) { (void)l.ClearFolderPath(5); },
         {RequestCode::ClearFolderPath, std::nullopt, 5, 0, 5}},
        {"ClearFolderShortPath",
         [](DriverLink& l) { (void)l.ClearFolderShortPath(6); },
         {RequestCode::ClearFolderShortPath, std::nullopt, 6, 0, 6}},
        {"SetFolderState",
         [](DriverLink& l) { (void)l.SetFolderState(7, 0x42); },
         {RequestCode::SetFolderState, std::nullopt, 7, 0x42, 0x42}},
        {"SetGlobalProtection",
         [](DriverLink& l) { (void)l.SetGlobalProtection(0xF0); },
         {RequestCode::SetGlobalProtection, std::nullopt, 0xF0, 0, 0}},
        {"SetPassword",
         [](DriverLink& l) { (void)l.SetPassword("s3cret"); },
         {RequestCode::SetPassword, "s3cret", 0, 0, 0}},
        {"SetPassword empty is a text, not none",
         [](DriverLink& l) { (void)l.SetPassword(""); },
         {RequestCode::SetPassword, std::string(), 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDriver driver;
        c.call(driver);
        ASSERT_EQ(driver.Requests().size(), 1u);
        EXPECT_EQ(driver.Requests()[0], c.expected);
    }
}

TEST(DriverLinkTest, WordRequestsReturnTheWordOrMinusOneWhenTheCallFails) {
    TestDriver driver;
    driver.Next(TestDriver::Accept(0))
        .Next(TestDriver::Refuse(5))
        .Next(TestDriver::FailCall())
        .Next(TestDriver::Accept(0xFFFFFFFF));
    EXPECT_EQ(driver.SetFolderPath("/a", 1, 1), 0);
    EXPECT_EQ(driver.SetFolderState(1, 1), 5);
    EXPECT_EQ(driver.ClearFolderPath(1), -1);
    EXPECT_EQ(driver.QueryOpenFiles(1), -1);  // an answer of all ones reads as -1 too
}

// A driver that accepts but never writes the answer word is heard as answering
// the outgoing scalar: a refusal whenever the state is not 0, the slot as count.
TEST(DriverLinkTest, AnUntouchedAnswerWordReadsAsTheOutgoingScalar) {
    TestDriver driver;
    driver.On(RequestCode::SetFolderPath, TestDriver::LeaveUntouched())
        .On(RequestCode::SetFolderState, TestDriver::LeaveUntouched())
        .On(RequestCode::QueryOpenFiles, TestDriver::LeaveUntouched())
        .On(RequestCode::ClearFolderPath, TestDriver::LeaveUntouched());
    EXPECT_EQ(driver.SetFolderPath("/a", 1, 0x81), 0x81);
    EXPECT_EQ(driver.SetFolderPath("/a", 1, 0), 0);
    EXPECT_EQ(driver.SetFolderState(2, 0x12), 0x12);
    EXPECT_EQ(driver.QueryOpenFiles(4), 4);
    EXPECT_EQ(driver.ClearFolderPath(3), 3);
}

TEST(DriverLinkTest, BoolRequestsReportTheCallNotTheWord) {
    TestDriver driver;
    driver.Next(TestDriver::Refuse(9)).Next(TestDriver::FailCall());
    EXPECT_TRUE(driver.SetGlobalProtection(0x80));
    EXPECT_FALSE(driver.SetPassword("x"));
    driver.On(RequestCode::InitializeDriver, TestDriver::FailCall());
    EXPECT_FALSE(driver.InitializeDriver());
}

TEST(DriverLinkTest, NothingIsSentWhileTheLinkIsClosed) {
    TestDriver driver;
    driver.Close();
    EXPECT_EQ(driver.SetFolderPath("/a", 1, 1), -1);
    EXPECT_EQ(driver.QueryOpenFiles(1), -1);
    EXPECT_FALSE(driver.InitializeDriver());
    EXPECT_FALSE(driver.SetPassword("pw"));
    EXPECT_TRUE(driver.Requests().empty());
}

TEST(DriverLinkTest, ATextThatCannotTravelFailsTheCall) {
    TestDriver driver;
    EXPECT_EQ(driver.SetFolderPath(std::string("/a\0b", 4), 1, 0), -1);
    EXPECT_EQ(driver.SetFolderPath(std::string(4096, 'a'), 1, 0), -1);
    EXPECT_EQ(driver.SetFolderPath(std::string(4095, 'a'), 1, 0), 0);
}

TEST(TestDriverTest, SlotRulesWinOverCodeRulesAndQueuedAnswersWinOverBoth) {
    TestDriver driver;
    driver.On(RequestCode::SetFolderState, TestDriver::Refuse(1))
        .On(RequestCode::SetFolderState, 2, TestDriver::Accept());
    EXPECT_EQ(driver.SetFolderState(1, 1), 1);
    EXPECT_EQ(driver.SetFolderState(2, 1), 0);
    driver.Next(TestDriver::Refuse(7));
    EXPECT_EQ(driver.SetFolderState(2, 1), 7);
    EXPECT_EQ(driver.SetFolderState(2, 1), 0);
}

}  // namespace
}  // namespace tsrn::driver
