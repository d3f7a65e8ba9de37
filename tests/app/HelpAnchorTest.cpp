#include "app/gui/HelpOpener.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "ScriptedPrompter.h"
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

// Help opens the manual at its topic, or says why it cannot.
TEST(HelpAnchorTest, ManualThatCannotBeShownIsReported) {
    test::EnsureApplication();
    struct Case {
        const char* name;
        QString index;
        bool opens;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {"opened", QStringLiteral("/usr/share/tessaryn/manual/index.html"), true, {}},
        {"no browser",
         QStringLiteral("/usr/share/tessaryn/manual/index.html"),
         false,
         {res::str::kHelpNotOpened}},
        {"no manual", QString(), true, {res::str::kHelpMissing}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tsrn::test::ScriptedPrompter prompter;
        std::vector<QUrl> opened;
        ShowManual(
            c.index, 0x20080,
            [&](const QUrl& url) {
                opened.push_back(url);
                return c.opens;
            },
            prompter);
        EXPECT_EQ(prompter.AskedIds(), c.messages);
        if (!c.index.isEmpty()) {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0].toLocalFile(), c.index);
            EXPECT_EQ(opened[0].fragment(), QStringLiteral("0x20080"));
        }
        if (!c.opens) {
            EXPECT_NE(prompter.Asked()[0].text.find(c.index.toStdString()), std::string::npos);
        }
    }
}

// The installed program finds the manual its installation put beside it.
TEST(HelpAnchorTest, InstalledProgramFindsItsOwnManual) {
    test::EnsureApplication();
    if (!qEnvironmentVariable("TSRN_MANUAL_DIR").isEmpty())
        GTEST_SKIP() << "TSRN_MANUAL_DIR is set and takes precedence";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    QDir().mkpath(root + QStringLiteral("/usr/bin"));
    QDir().mkpath(root + QStringLiteral("/usr/share/tessaryn/manual"));
    QDir().mkpath(root + QStringLiteral("/opt/tessaryn"));
    for (const QString& file : {root + QStringLiteral("/usr/share/tessaryn/manual/index.html"),
                                root + QStringLiteral("/opt/tessaryn/tsrn.html")}) {
        QFile page(file);
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(ManualIndexPath(root + QStringLiteral("/usr/bin")),
              QFileInfo(root + QStringLiteral("/usr/share/tessaryn/manual/index.html"))
                  .absoluteFilePath())
        << "the package's layout";
    EXPECT_EQ(ManualIndexPath(root + QStringLiteral("/opt/tessaryn")),
              root + QStringLiteral("/opt/tessaryn/tsrn.html"))
        << "a setup installation's single page";
}

}  // namespace
}  // namespace tsrn::app
