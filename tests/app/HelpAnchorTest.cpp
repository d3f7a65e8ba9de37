#include "app/gui/HelpOpener.h"

#include <gtest/gtest.h>

#include <QFile>

#include "GuiTestSupport.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {
namespace {

// Every help request the program makes must land on a topic of the manual.
TEST(HelpAnchorTest, TheManualHasATopicForEveryHelpContext) {
    test::EnsureApplication();
    const QString index = ManualIndexPath();
    ASSERT_FALSE(index.isEmpty());
    QFile file(index);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    const int contexts[] = {
        res::help::kUnlockedWindow,
        res::help::kLockedWindow,
        res::help::kEnciphering,
        res::help::kDeciphering,
        res::help::kReciphering,
        res::help::ForResource(res::dlg::kMissingPassword),
        res::help::ForResource(res::dlg::kSettings),
        res::help::ForResource(res::dlg::kFolderProtection),
        res::help::ForResource(res::dlg::kAddFolder),
        res::help::ForResource(res::dlg::kChangePassword),
    };
    for (const int context : contexts) {
        EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(HelpAnchor(context))))
            << HelpAnchor(context).toStdString();
    }
    EXPECT_EQ(HelpAnchor(0x200A7), "0x200A7");
}

}  // namespace
}  // namespace tsrn::app
