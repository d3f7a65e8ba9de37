// Every password edit takes at most 252 bytes of UTF-8 text and every
// description edit at most the 259 bytes the registry reads back, counted in
// bytes as they are typed: multi-byte characters reach the limit sooner.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <functional>
#include <memory>

#include "ViewFixture.h"
#include "app/gui/MissingPasswordDialog.h"
#include "app/gui/UnlockDialog.h"
#include "resources/ResourceIds.h"
#include "view/ProtectionEdit.h"
#include "view/gui/AddFolderDialog.h"
#include "view/gui/ChangePasswordDialog.h"
#include "view/gui/FolderProtectionDialog.h"

namespace tsrn::test {
namespace {

QApplication& App() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "tsrn_edit_limits";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Types each character as a key press carrying it, as a keyboard layout
// with that letter would (QTest's key clicks take ASCII only).
void Type(QLineEdit* edit, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &release);
    }
}

std::size_t Bytes(const QLineEdit* edit) {
    return static_cast<std::size_t>(edit->text().toUtf8().size());
}

class EditLimits : public ViewFixture {
  protected:
    void SetUp() override { App(); }

    // Types more than fits of one character after another; with `maxChars`
    // the edit's character limit applies as well.
    static void ExpectLimit(QLineEdit* edit, std::size_t limit, std::size_t maxChars = 32767) {
        ASSERT_NE(edit, nullptr);
        struct Input {
            const char* what;
            QString character;
            std::size_t bytes;
        };
        const Input inputs[] = {{"two-byte letters", QString::fromUtf8("é"), 2},
                                {"three-byte signs", QString::fromUtf8("€"), 3},
                                {"ASCII", QStringLiteral("a"), 1}};
        for (const Input& input : inputs) {
            SCOPED_TRACE(input.what);
            edit->clear();
            Type(edit, input.character.repeated(static_cast<int>(limit)));
            const std::size_t fitting = std::min(limit / input.bytes, maxChars);
            EXPECT_EQ(Bytes(edit), fitting * input.bytes);
            EXPECT_EQ(edit->text(), input.character.repeated(static_cast<int>(fitting)));
        }
        if (maxChars < limit)
            return;
        // One byte short of the limit: a two-byte letter no longer fits, a
        // one-byte one does.
        edit->clear();
        Type(edit, QString(static_cast<int>(limit - 1), QChar('x')));
        Type(edit, QString::fromUtf8("é"));
        EXPECT_EQ(Bytes(edit), limit - 1);
        Type(edit, QStringLiteral("y"));
        EXPECT_EQ(Bytes(edit), limit);
        EXPECT_TRUE(edit->text().endsWith('y'));
    }
};

TEST_F(EditLimits, PasswordEditsTakeAtMost252Bytes) {
    struct Case {
        const char* dialog;
        std::function<std::unique_ptr<QWidget>()> make;
        std::vector<int> edits;
    };
    const std::vector<Case> cases = {
        {"unlock", [] { return std::make_unique<app::UnlockDialog>(1); }, {1025}},
        {"password not found",
         [] { return std::make_unique<app::MissingPasswordDialog>(nullptr); },
         {1031, 1025}},
        {"change password",
         [this] { return std::make_unique<view::ChangePasswordDialog>(prompter); },
         {res::ctl::kNewPassword, res::ctl::kRepeatPassword}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialog);
        const auto dialog = c.make();
        dialog->show();
        for (const int id : c.edits) {
            SCOPED_TRACE(id);
            ExpectLimit(dialog->findChild<QLineEdit*>(QString::number(id)), 252);
        }
    }
}

TEST_F(EditLimits, DescriptionEditsTakeWhatTheRegistryReadsBack) {
    const std::string folder = Folder("described");
    Add(folder, 0x02);
    view::AddFolderDialog add(QString::fromStdString(folder));
    add.show();
    ExpectLimit(add.findChild<QLineEdit*>(QString::number(res::ctl::kDescription)), 259);

    view::ProtectionEdit edit(logic.Folders(), 0);
    view::FolderProtectionDialog protection(edit);
    protection.show();
    ExpectLimit(protection.findChild<QLineEdit*>(QString::number(res::ctl::kDescription)), 259,
                255);
}

}  // namespace
}  // namespace tsrn::test
