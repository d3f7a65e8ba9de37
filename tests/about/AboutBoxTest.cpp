#include "about/CAboutBox.h"

#include <gtest/gtest.h>

#include <QTest>

#include "../app/GuiTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "resources/ResourceIds.h"

namespace tsrn::about {
namespace {

class ScriptedLauncher : public LinkLauncher {
  public:
    int result = kOpenSucceeded;
    std::vector<std::string> opened;
    int OpenWithDesktop(std::string_view target) override {
        opened.emplace_back(target);
        return result;
    }
    int RunCommand(std::string_view) override { return kErrorFileNotFound; }
};

class AboutBoxTest : public ::testing::Test {
  protected:
    AboutBoxTest() { test::EnsureApplication(); }
    test::TempDir dir_;
    registry::RegistryDatabase registry_{dir_ / "registry"};
    ScriptedLauncher launcher_;
    test::ScriptedPrompter prompter_;
};

TEST_F(AboutBoxTest, LinkShowsTheAddressAndOpensAMailWithoutUnderline) {
    CAboutBox box(launcher_, registry_, prompter_);
    EXPECT_EQ(box.objectName(), test::IdName(res::dlg::kAbout));
    EXPECT_EQ(box.windowTitle(), "Tessaryn: About");
    auto* link = box.findChild<CLinkStatic*>(test::IdName(res::ctl::kEmailLink));
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->Target().startsWith("mailto:"));
    EXPECT_EQ(link->Target(), "mailto:" + link->text());
    EXPECT_EQ(link->toolTip(), link->Target());
    EXPECT_FALSE(link->Underlined());
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(link->CurrentColour(), QColor(0, 0, 238));
}

TEST_F(AboutBoxTest, ClickTurnsVisitedOnSuccessAndReportsFailure) {
    CAboutBox box(launcher_, registry_, prompter_);
    box.show();
    auto* link = box.findChild<CLinkStatic*>(test::IdName(res::ctl::kEmailLink));
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(launcher_.opened, std::vector<std::string>{link->Target().toStdString()});
    EXPECT_TRUE(link->Visited());
    EXPECT_EQ(link->CurrentColour(), QColor(85, 26, 139));
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(85, 26, 139));

    launcher_.result = 31;
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(link->Visited());
    ASSERT_EQ(prompter_.Asked().size(), 1u);
    EXPECT_EQ(prompter_.Asked()[0].text,
              "Unable to open hyperlink:\n\nThere is no application associated\nwith the given "
              "filename extension.");
}

TEST_F(AboutBoxTest, LinkTakesItsTextAsTargetOrShowsTheTarget) {
    CLinkStatic fromText(launcher_, registry_, prompter_);
    fromText.setText("https://example.org");
    fromText.Attach();
    EXPECT_EQ(fromText.Target(), "https://example.org");
    EXPECT_TRUE(fromText.font().underline());

    CLinkStatic fromTarget(launcher_, registry_, prompter_);
    fromTarget.ChangeUrl("https://example.net");
    fromTarget.Attach();
    EXPECT_EQ(fromTarget.text(), "https://example.net");
}

TEST_F(AboutBoxTest, FitToTextKeepsTheEdgeOfItsAlignment) {
    QWidget parent;
    struct Case {
        Qt::Alignment align;
        const char* name;
    } cases[] = {{Qt::AlignLeft, "left"}, {Qt::AlignRight, "right"}, {Qt::AlignHCenter, "centre"}};
    for (const auto& c : cases) {
        CLinkStatic link(launcher_, registry_, prompter_, &parent);
        link.setAlignment(c.align | Qt::AlignTop);
        link.setText("abc");
        link.EnableFitToText(false);
        link.setGeometry(100, 10, 300, 40);
        link.EnableFitToText(true);
        const QRect r = link.geometry();
        const int textWidth = link.fontMetrics().size(Qt::TextSingleLine, "abc").width();
        EXPECT_EQ(r.width(), textWidth) << c.name;
        if (c.align == Qt::AlignLeft) {
            EXPECT_EQ(r.left(), 100) << c.name;
        } else if (c.align == Qt::AlignRight) {
            EXPECT_EQ(r.right(), 399) << c.name;
        } else {
            EXPECT_NEAR(r.center().x(), 249, 1) << c.name;
        }
    }
}

}  // namespace
}  // namespace tsrn::about
