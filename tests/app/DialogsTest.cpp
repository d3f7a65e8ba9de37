#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "RecordingView.h"
#include "TempDir.h"
#include "app/gui/MissingPasswordDialog.h"
#include "app/gui/SettingsDialog.h"
#include "app/gui/UnlockDialog.h"
#include "resources/ResourceIds.h"

namespace tsrn::app {
namespace {

TEST(UnlockDialogTest, ModeFlagHidesOrShowsTheTemporaryNote) {
    test::EnsureApplication();
    for (const int mode : {0, 1}) {
        UnlockDialog dialog(mode);
        EXPECT_EQ(dialog.objectName(), test::IdName(res::dlg::kUnlock));
        EXPECT_EQ(dialog.windowTitle(), "Tessaryn: Unlock");
        EXPECT_EQ(
            dialog.findChild<QLabel*>(test::IdName(res::ctl::kTemporaryPasswordNote))->isHidden(),
            mode == 1);
        auto* edit = dialog.findChild<QLineEdit*>(test::IdName(res::ctl::kPassword));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
}

TEST(UnlockDialogTest, OkReturnsWhatWasTyped) {
    test::EnsureApplication();
    UnlockDialog dialog(1);
    dialog.show();
    QTest::keyClicks(dialog.findChild<QLineEdit*>(test::IdName(res::ctl::kPassword)), "s3cret");
    QTest::keyClick(dialog.findChild<QLineEdit*>(test::IdName(res::ctl::kPassword)),
                    Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Password(), "s3cret");
}

TEST(MissingPasswordDialogTest, EnterInTheInstallationPasswordMovesOn) {
    test::EnsureApplication();
    MissingPasswordDialog dialog(nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto* installation = dialog.findChild<QLineEdit*>(test::IdName(res::ctl::kInstallPassword));
    auto* fresh = dialog.findChild<QLineEdit*>(test::IdName(res::ctl::kPassword));
    installation->setFocus();
    QTest::keyClicks(installation, "inst");
    QTest::keyClick(installation, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(fresh->hasFocus());
    QTest::keyClicks(fresh, "new");
    QTest::keyClick(fresh, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.InstallationPassword(), "inst");
    EXPECT_EQ(dialog.NewPassword(), "new");
    EXPECT_EQ(installation->maxLength(), 256);
    EXPECT_NE(dialog.findChild<QPushButton*>(test::IdName(res::ctl::kHelp)), nullptr);
}

class SettingsDialogTest : public ::testing::Test {
  protected:
    SettingsDialogTest() { test::EnsureApplication(); }
    test::TempDir dir_;
    registry::RegistryDatabase database_{dir_ / "registry"};
    registry::RegistryStore program_{database_};
    registry::RegistryStore windows_{database_, registry::Hive::LocalMachine,
                                     std::string(registry::kWindowsRunRoot)};
    AutostartEntry entry_{dir_ / "autostart" / "tessaryn.desktop"};
    test::RecordingView view_{0x80};
    SettingsLogic logic_{view_, {program_, windows_, entry_}, false};
};

TEST_F(SettingsDialogTest, OkAppliesTheBoxes) {
    SettingsDialog dialog(logic_, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Tessaryn: Settings");
    EXPECT_TRUE(
        dialog.findChild<QCheckBox*>(test::IdName(res::ctl::kForbidDeleteBox))->isChecked());
    dialog.findChild<QCheckBox*>(test::IdName(res::ctl::kForbidOpenBox))->setChecked(true);
    dialog.findChild<QCheckBox*>(test::IdName(res::ctl::kAutostart))->setChecked(true);
    dialog.findChild<QCheckBox*>(test::IdName(res::ctl::kEnterTogglesCiphering))->setChecked(true);
    QTest::mouseClick(dialog.findChild<QPushButton*>(test::IdName(res::ctl::kOk)), Qt::LeftButton);
    EXPECT_EQ(view_.word, 0x90u);
    EXPECT_EQ(view_.sent.size(), 1u);
    EXPECT_EQ(view_.enter, 1);
    EXPECT_TRUE(std::filesystem::exists(entry_.File()));
}

TEST_F(SettingsDialogTest, GlobalBoxesSayTheWordIsNotEnforcedOnLinux) {
    SettingsDialog dialog(logic_, nullptr);
    auto* line = dialog.findChild<QLabel*>("globalNotEnforced");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().contains("not enforced"));
    auto* group = dialog.findChild<QGroupBox*>();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "Global protection:");
    EXPECT_EQ(line->parentWidget(), group);
    for (const int id : {res::ctl::kForbidDeleteBox, res::ctl::kForbidWriteBox,
                         res::ctl::kForbidSearchBox, res::ctl::kForbidOpenBox}) {
        auto* box = dialog.findChild<QCheckBox*>(test::IdName(id));
        EXPECT_EQ(box->toolTip(), line->text()) << id;
        EXPECT_EQ(box->parentWidget(), group) << id;
    }
    // The dialog's own texts stay.
    EXPECT_EQ(dialog.findChild<QCheckBox*>(test::IdName(res::ctl::kForbidDeleteBox))->text(),
              "Forbid to delete the files in folders not from list");
    bool noteKept = false;
    for (QLabel* label : group->findChildren<QLabel*>())
        noteKept = noteKept || label->text().startsWith("These parameters possible also");
    EXPECT_TRUE(noteKept);
}

TEST_F(SettingsDialogTest, CancelChangesNothing) {
    SettingsDialog dialog(logic_, nullptr);
    dialog.findChild<QCheckBox*>(test::IdName(res::ctl::kForbidDeleteBox))->setChecked(false);
    dialog.findChild<QCheckBox*>(test::IdName(res::ctl::kAutostart))->setChecked(true);
    QTest::mouseClick(dialog.findChild<QPushButton*>(test::IdName(res::ctl::kCancel)),
                      Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(view_.word, 0x80u);
    EXPECT_TRUE(view_.sent.empty());
    EXPECT_FALSE(std::filesystem::exists(entry_.File()));
    EXPECT_EQ(windows_.GetString(registry::kRunServicesKey, "Tessaryn", "-"), "-");
}

}  // namespace
}  // namespace tsrn::app
