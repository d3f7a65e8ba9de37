// Renders the folder list with folders in every state, its context menu,
// each folder dialog and the ciphering dialog in the middle of a run, from
// the real widgets, into the folder named on the command line.
//   tsrn-view-screenshots OUTPUT_DIR

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "crypto/KeyDerivation.h"
#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"
#include "view/ProtectionEdit.h"
#include "view/gui/AddFolderDialog.h"
#include "view/gui/CTsrnView.h"
#include "view/gui/ChangePasswordDialog.h"
#include "view/gui/CipheringDialog.h"
#include "view/gui/FolderListWidget.h"
#include "view/gui/FolderProtectionDialog.h"

namespace {

using namespace tsrn;

// A driver that takes every folder and reports a few open files in slot 3.
class ShowcaseDriver : public driver::DriverLink {
  public:
    bool Open() override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }

  protected:
    bool Transact(const driver::Request& request, std::uint32_t& answer) override {
        answer = 0;
        if (request.code == driver::RequestCode::QueryOpenFiles && request.inSize == 3)
            answer = 4;
        if (request.code == driver::RequestCode::SetFolderPath && request.text &&
            request.text->find("broken") != std::string::npos) {
            answer = 1;
        }
        return true;
    }
};

class SilentPrompter : public Prompter {
  public:
    Answer Ask(const Message& message) override { return message.defaultButton; }
};

bool Save(QWidget& widget, const QString& folder, const char* name, bool fitContent = true) {
    if (fitContent)
        widget.adjustSize();
    widget.show();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(QString::fromUtf8(name));
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    widget.hide();
    return saved;
}

std::string MakeFolder(const QTemporaryDir& dir, const char* name) {
    const QString path = dir.filePath(QString::fromUtf8(name));
    QDir().mkpath(path);
    return path.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tsrn-view-screenshots OUTPUT_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    registry::RegistryDatabase database(dir.filePath("registry").toStdString());
    registry::RegistryStore store(database);
    ShowcaseDriver driver;
    SilentPrompter prompter;
    folders::AppState state;
    state.unlocked = true;
    state.keyLoaded = true;
    app::ViewContext context{state, store, database, driver, prompter};
    view::CTsrnView view(context);
    view::FolderListWidget* list = view.List();
    list->resize(900, 200);
    view.Start();

    folders::ProtectedFolders& folders = view.Logic().Folders();
    // Shown paths need not exist; the driver here takes them all but "broken".
    folders.AddFolder("/home/anna/Documents", "Letters and contracts", 0x91,
                      folders::FolderKind::User);
    folders.AddFolder("/home/anna/Photos", "", 0x02, folders::FolderKind::User);
    folders.AddFolder("/home/anna/broken", "The driver refused this one", 0x01,
                      folders::FolderKind::User);
    folders.AddFolder("/home/anna/Projects/a folder with a name too long for its column",
                      "Working copy", 0xF1, folders::FolderKind::User);
    view.Logic().RefreshList(false);
    view.Logic().UpdateSelection(2);
    view.Logic().RefreshList(false);
    view.Logic().RefreshList(true);
    list->setFocus();
    bool ok = true;
    ok &= Save(*list, out, "folder-list.png", false);

    list->show();
    const std::unique_ptr<QMenu> menu = list->MakeContextMenu();
    ok &= Save(*menu, out, "folder-list-context-menu.png");
    view.Logic().UpdateSelection(std::nullopt);
    const std::unique_ptr<QMenu> bare = list->MakeContextMenu();
    ok &= Save(*bare, out, "folder-list-context-menu-no-selection.png");
    list->hide();

    view::AddFolderDialog add(QStringLiteral("/home/anna/New folder"));
    ok &= Save(add, out, "add-folder-dialog.png");

    view.Logic().UpdateSelection(2);
    view::ProtectionEdit edit(folders, 2);
    view::FolderProtectionDialog protection(edit);
    ok &= Save(protection, out, "folder-protection-dialog.png");

    view::ChangePasswordDialog password(prompter);
    ok &= Save(password, out, "change-password-dialog.png");

    ok &= crypto::KeySlots::Instance().DeriveKey("showcase", crypto::KeySlot::Current);
    const std::string tree = MakeFolder(dir, "Documents/tree");
    for (int i = 0; i < 12; ++i) {
        std::ofstream(tree + "/file" + std::to_string(i) + ".txt") << std::string(20000, 'x');
    }
    view::CipheringDialog ciphering(tree, bulk::CipherMode::Encipher, prompter);
    for (int i = 0; i < 5; ++i)
        ciphering.Run().Tick();
    ok &= Save(ciphering, out, "ciphering-dialog-mid-run.png");
    crypto::KeySlots::Instance().Clear();
    return ok ? 0 : 1;
}
