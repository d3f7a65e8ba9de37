// The folder list view and its dialogs as real widgets, offscreen.

#include <gmock/gmock.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <map>
#include <memory>

#include "FileHelpers.h"
#include "ViewFixture.h"
#include "app/gui/ViewContext.h"
#include "crypto/KeyDerivation.h"
#include "resources/ResourceIds.h"
#include "view/gui/AddFolderDialog.h"
#include "view/gui/CTsrnView.h"
#include "view/gui/ChangePasswordDialog.h"
#include "view/gui/CipheringDialog.h"
#include "view/gui/FolderListWidget.h"
#include "view/gui/FolderProtectionDialog.h"

namespace tsrn::test {
namespace {

using testing::ElementsAre;
namespace str = res::str;
namespace cmd = res::cmd;

QApplication& App() {
    static int argc = 1;
    static char name[] = "tsrn_view_widgets";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

template <typename T = QWidget>
T* Find(QWidget* parent, int id) {
    return parent->findChild<T*>(QString::number(id));
}

class PresetChooser : public view::FolderChooser {
  public:
    std::optional<std::string> ChooseFolder(const QString& title, QWidget*) override {
        titles.push_back(title.toStdString());
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> titles;
};

class NoHelp : public app::HelpOpener {
  public:
    void ShowHelp(int context) override { contexts.push_back(context); }
    std::vector<int> contexts;
};

// Runs `step` once the next modal dialog is showing (given up after 5 s).
void WhenModal(const std::function<void(QWidget*)>& step) {
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, step, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*tries < 1000)
            return;
        poll->stop();
        poll->deleteLater();
        if (modal)
            step(modal);
    });
    poll->start(5);
}

class ViewWidgets : public ::testing::Test {
  protected:
    ViewWidgets() {
        state.unlocked = true;
        state.keyLoaded = true;
        view.SetFolderChooser(&chooser);
        view.SetHelpOpener(&help);
        view.SetTick([this] { ++ticks; });
        list()->resize(1000, 300);
    }
    view::FolderListWidget* list() { return view.List(); }
    QAbstractItemModel* model() { return list()->model(); }
    view::ViewLogic& logic() { return view.Logic(); }
    std::string Cell(int row, int column) {
        return model()->index(row, column).data().toString().toStdString();
    }
    std::string Folder(const std::string& name) {
        std::filesystem::create_directories(dir / name);
        return (dir / name).string();
    }
    void Add(const std::string& path, std::uint32_t word,
             folders::FolderKind kind = folders::FolderKind::User) {
        logic().Folders().AddFolder(path, "", word, kind);
        logic().RefreshList(false);
    }
    void Select(int position) {
        logic().UpdateSelection(position == 0 ? std::nullopt
                                              : std::optional<std::size_t>(position - 1));
    }

    QApplication& application = App();
    TempDir dir;
    registry::RegistryDatabase database{dir / "registry"};
    registry::RegistryStore store{database};
    TestDriver driver;
    folders::AppState state;
    ScriptedPrompter prompter;
    app::ViewContext context{state, store, database, driver, prompter};
    view::CTsrnView view{context};
    PresetChooser chooser;
    NoHelp help;
    int ticks = 0;
};

TEST_F(ViewWidgets, StartShowsTheListWithHeadingsAlignmentAndWidths) {
    store.SetString(registry::kSettingsKey, "columns", "40 10 20 10 20 ");
    view.Start();
    EXPECT_TRUE(view.TimerActive());
    ASSERT_EQ(model()->columnCount(), 5);
    std::vector<std::string> headings;
    for (int i = 0; i < 5; ++i)
        headings.push_back(model()->headerData(i, Qt::Horizontal).toString().toStdString());
    EXPECT_THAT(headings,
                ElementsAre("Folder", "Ciphering", "Protection", "Open files", "Description"));
    EXPECT_EQ(list()->header()->sectionSize(0), 400);
    EXPECT_EQ(list()->header()->sectionSize(1), 100);
    const auto align = [this](int column) {
        return model()->index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(0), Qt::AlignLeft);
    EXPECT_EQ(align(1), Qt::AlignHCenter);
    EXPECT_EQ(align(3), Qt::AlignHCenter);
    EXPECT_EQ(align(4), Qt::AlignLeft);

    ASSERT_EQ(model()->rowCount(), 2);  // the two registry file entries
    EXPECT_EQ(Cell(0, 1), "Is not encoded");
    EXPECT_FALSE(model()->index(0, 0).data(Qt::DecorationRole).value<QImage>().isNull());
}

TEST_F(ViewWidgets, TheTimerTickRefreshesOpenFilesAndTicksTheWindow) {
    Add(Folder("a"), 0x01);
    driver.On(driver::RequestCode::QueryOpenFiles, 1, TestDriver::Accept(7));
    view.TimerTick();
    EXPECT_EQ(Cell(0, 3), "7");
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(view.AnyFilesOpen());
}

TEST_F(ViewWidgets, ClosingSavesPercentagesOfTheClientWidth) {
    view.Start();
    list()->show();
    const int client = list()->viewport()->width();
    const int widths[5] = {client / 2, client / 4, client / 8, client / 16, 0};
    for (int i = 0; i < 5; ++i)
        list()->header()->resizeSection(i, widths[i]);
    view.Close();
    std::string expected;
    for (int i = 0; i < 5; ++i)
        expected += std::to_string(list()->header()->sectionSize(i) * 100 / client) + " ";
    EXPECT_EQ(store.GetString(registry::kSettingsKey, "columns", ""), expected);
    EXPECT_EQ(expected.substr(0, 3), "50 ");
    EXPECT_FALSE(view.TimerActive());
}

TEST_F(ViewWidgets, ClickingSelectsTheWholeRowAndBelowTheRowsSelectsNothing) {
    Add(Folder("a"), 0x01);
    Add(Folder("b"), 0x02);
    list()->show();
    const QRect second = list()->visualRect(model()->index(1, 2));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(view.SelectedPosition(), 2);
    EXPECT_TRUE(view.CommandEnabled(cmd::kStartCiphering));
    EXPECT_FALSE(view.CommandEnabled(cmd::kStopCiphering));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                      QPoint(10, list()->viewport()->height() - 5));
    EXPECT_EQ(view.SelectedPosition(), 0);
}

TEST_F(ViewWidgets, ContextMenuLeavesOutControlWithoutASelection) {
    Add(Folder("a"), 0x01);
    auto names = [](QMenu& menu) {
        std::vector<std::string> out;
        for (QAction* action : menu.actions()) {
            if (!action->isSeparator())
                out.push_back(action->text().toStdString());
        }
        return out;
    };
    Select(0);
    auto bare = list()->MakeContextMenu();
    EXPECT_THAT(names(*bare), ElementsAre("&Add folder", "&Delete folder", "&Folder protection"));
    EXPECT_FALSE(bare->findChild<QAction*>(QString::number(cmd::kDeleteFolder))->isEnabled());
    EXPECT_FALSE(bare->findChild<QAction*>(QString::number(cmd::kFolderProtection))->isEnabled());

    Select(1);
    auto full = list()->MakeContextMenu();
    EXPECT_THAT(names(*full),
                ElementsAre("&Add folder", "&Delete folder", "&Folder protection", "&Control"));
    auto* stop = full->findChild<QAction*>(QString::number(cmd::kStopCiphering));
    ASSERT_NE(stop, nullptr);
    EXPECT_TRUE(stop->isEnabled());
    stop->trigger();
    EXPECT_EQ(logic().List().State(0), 0x02u);
}

TEST_F(ViewWidgets, KeysReachTheCommandsAndNothingActsWhileLocked) {
    Add(Folder("a"), 0x01);
    list()->show();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Insert);
    EXPECT_THAT(chooser.titles, ElementsAre("Choose folder for adding in list"));

    view.SetLocked(true);
    state.unlocked = false;
    list()->SetLocked(true);
    QTest::keyClick(list(), Qt::Key_Insert);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                      list()->visualRect(model()->index(0, 0)).center());
    EXPECT_EQ(view.SelectedPosition(), 0);
    EXPECT_EQ(chooser.titles.size(), 1u);
    EXPECT_FALSE(view.CommandEnabled(cmd::kDeleteFolder));
}

TEST_F(ViewWidgets, DroppedUrlsRunTheDropRules) {
    const std::string x = Folder("x");
    auto drop = [this](const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(list()->viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list()->viewport(), &event);
        ASSERT_TRUE(event.isAccepted());
    };
    drop({QUrl::fromLocalFile(QString::fromStdString(x)),
          QUrl::fromLocalFile(QString::fromStdString(Folder("y")))});
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kDropOneFolderOnly));

    WhenModal([](QWidget* modal) { Find<QAbstractButton>(modal, res::ctl::kCancel)->click(); });
    drop({QUrl::fromLocalFile(QString::fromStdString(x) + "/")});
    EXPECT_EQ(view.FolderCount(), 0);
}

TEST(AddFolderDialogWidgets, ControlsAndTheStateTheyGive) {
    App();
    view::AddFolderDialog dialog(QStringLiteral("/data"));
    auto* path = Find<QLineEdit>(&dialog, res::ctl::kFolderName);
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(path->isReadOnly());
    EXPECT_EQ(path->text(), "/data");
    EXPECT_EQ(dialog.windowTitle(), "Protection of added folder");
    EXPECT_EQ(dialog.Choice().state, 0x02u);
    EXPECT_FALSE(dialog.Choice().encipher);
    for (const int id :
         {res::ctl::kForbidDeleteBox, res::ctl::kForbidWriteBox, res::ctl::kForbidSearchBox,
          res::ctl::kForbidOpenBox, res::ctl::kStartCipheringNow, res::ctl::kProduceEnciphering}) {
        Find<QCheckBox>(&dialog, id)->setChecked(true);
    }
    Find<QLineEdit>(&dialog, res::ctl::kDescription)->setText("notes");
    const view::AddFolderChoice choice = dialog.Choice();
    EXPECT_EQ(choice.state, 0xF1u);
    EXPECT_TRUE(choice.encipher);
    EXPECT_EQ(choice.description, "notes");
    ASSERT_NE(Find<QAbstractButton>(&dialog, res::ctl::kHelp), nullptr);
}

TEST(AddFolderDialogWidgets, ProduceEncipheringTicksStartCipheringWhichMayBeUnticked) {
    App();
    view::AddFolderDialog dialog(QStringLiteral("/data"));
    dialog.show();
    auto* start = Find<QCheckBox>(&dialog, res::ctl::kStartCipheringNow);
    auto* encipher = Find<QCheckBox>(&dialog, res::ctl::kProduceEnciphering);
    QTest::mouseClick(encipher, Qt::LeftButton, {}, QPoint(4, encipher->height() / 2));
    EXPECT_TRUE(encipher->isChecked());
    EXPECT_TRUE(start->isChecked());
    EXPECT_EQ(dialog.Choice().state, 0x01u);
    EXPECT_TRUE(dialog.Choice().encipher);

    // Unticked by the user, it stays so: enciphered and stopped.
    QTest::mouseClick(start, Qt::LeftButton, {}, QPoint(4, start->height() / 2));
    EXPECT_FALSE(start->isChecked());
    EXPECT_EQ(dialog.Choice().state, 0x02u);
    EXPECT_TRUE(dialog.Choice().encipher);

    // Unticking "Produce enciphering" leaves "Start ciphering" as it is.
    start->setChecked(true);
    QTest::mouseClick(encipher, Qt::LeftButton, {}, QPoint(4, encipher->height() / 2));
    EXPECT_FALSE(encipher->isChecked());
    EXPECT_TRUE(start->isChecked());
}

class ProtectionDialogWidgets : public ViewWidgets {};

TEST_F(ProtectionDialogWidgets, DescriptionLimitAndEscapeDiscards) {
    Add(Folder("a"), 0x91);
    view::ProtectionEdit edit(logic().Folders(), 0);
    view::FolderProtectionDialog dialog(edit);
    auto* description = Find<QLineEdit>(&dialog, res::ctl::kDescription);
    EXPECT_TRUE(Find<QLineEdit>(&dialog, res::ctl::kLongPath)->isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>(&dialog, res::ctl::kShortPath)->isReadOnly());
    EXPECT_TRUE(Find<QCheckBox>(&dialog, res::ctl::kForbidDeleteBox)->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(&dialog, res::ctl::kForbidOpenBox)->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(&dialog, res::ctl::kForbidWriteBox)->isChecked());
    EXPECT_EQ(Find<QLabel>(&dialog, res::ctl::kCipheringState)->text(), "Working");
    EXPECT_EQ(Find<QPushButton>(&dialog, res::ctl::kCipheringToggle)->text(), "&Stop");
    EXPECT_EQ(Find<QAbstractButton>(&dialog, res::ctl::kCancel), nullptr);

    dialog.show();
    QTest::keyClicks(description, QString(300, QLatin1Char('d')));
    EXPECT_EQ(description->text().size(), 255);
    Find<QCheckBox>(&dialog, res::ctl::kForbidWriteBox)->setChecked(true);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(logic().List().State(0), 0x91u);
    EXPECT_EQ(logic().List().Description(0), "");
}

TEST_F(ProtectionDialogWidgets, TheButtonStartsAFolderInErrorAndClosesAsOk) {
    Add(Folder("a"), 0x00);
    Select(1);
    view::ProtectionEdit edit(logic().Folders(), 0);
    view::FolderProtectionDialog dialog(edit);
    EXPECT_EQ(Find<QLabel>(&dialog, res::ctl::kCipheringState)->text(), "Initialization error");
    auto* button = Find<QPushButton>(&dialog, res::ctl::kCipheringToggle);
    EXPECT_EQ(button->text(), "&Start");
    Find<QCheckBox>(&dialog, res::ctl::kForbidSearchBox)->setChecked(true);
    button->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(logic().List().State(0), 0x41u);
    EXPECT_EQ(Cell(0, 1), "Working");
}

TEST_F(ProtectionDialogWidgets, ARegistryFileHasNoCipheringButton) {
    Add(Folder("hive"), 0x83, folders::FolderKind::RegistryFile);
    view::ProtectionEdit edit(logic().Folders(), 0);
    view::FolderProtectionDialog dialog(edit);
    EXPECT_EQ(Find<QLabel>(&dialog, res::ctl::kCipheringState)->text(), "Is not encoded");
    EXPECT_TRUE(Find<QPushButton>(&dialog, res::ctl::kCipheringToggle)->isHidden());
}

TEST(ChangePasswordDialogWidgets, OkMovesTheFocusUntilBothEntriesAgree) {
    App();
    ScriptedPrompter prompter;
    view::ChangePasswordDialog dialog(prompter);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto* first = Find<QLineEdit>(&dialog, res::ctl::kNewPassword);
    auto* second = Find<QLineEdit>(&dialog, res::ctl::kRepeatPassword);
    auto* ok = Find<QPushButton>(&dialog, res::ctl::kOk);
    EXPECT_EQ(first->echoMode(), QLineEdit::Password);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(first->hasFocus());
    first->setText("secret");
    second->setText("Secret");
    QTest::keyClick(first, Qt::Key_Return);  // Enter in the first field moves on
    EXPECT_TRUE(second->hasFocus());
    EXPECT_TRUE(prompter.Asked().empty());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kPasswordWrong));
    EXPECT_TRUE(dialog.isVisible());
    second->setText("secret");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.NewPassword(), "secret");
}

class CipheringDialogWidgets : public ::testing::Test {
  protected:
    CipheringDialogWidgets() {
        App();
        EXPECT_TRUE(crypto::KeySlots::Instance().DeriveKey("password", crypto::KeySlot::Current));
        std::filesystem::create_directories(dir / "tree/sub");
        for (const char* name : {"a.txt", "b.txt", "sub/c.txt"})
            WriteText(dir / "tree" / name, std::string(5000, 'x') + name);
    }
    ~CipheringDialogWidgets() override { crypto::KeySlots::Instance().Clear(); }

    std::string Tree() const { return (dir / "tree").string(); }

    TempDir dir;
    ScriptedPrompter prompter;
};

TEST_F(CipheringDialogWidgets, ARunToTheEndShowsSuccessAndClosesWithOk) {
    const std::string before = ReadText(dir / "tree/a.txt");
    view::CipheringDialog dialog(Tree(), bulk::CipherMode::Encipher, prompter);
    EXPECT_EQ(dialog.windowTitle(), "Folder enciphering");
    EXPECT_EQ(Find<QLabel>(&dialog, res::ctl::kCipheringFolder)->text().toStdString(), Tree());
    WhenModal([&dialog](QWidget*) {
        auto* poll = new QTimer(&dialog);
        QObject::connect(poll, &QTimer::timeout, [&dialog, poll] {
            if (!dialog.Run().Finished())
                return;
            poll->stop();
            EXPECT_EQ(Find<QPushButton>(&dialog, res::ctl::kOk)->text(), "OK");
            EXPECT_EQ(Find<QLineEdit>(&dialog, res::ctl::kCurrentFile)->text(),
                      "Files successfully enciphered.");
            EXPECT_EQ(Find<QLabel>(&dialog, res::ctl::kFileCount)->text(), "3");
            EXPECT_EQ(Find<QProgressBar>(&dialog, res::ctl::kCipheringProgress)->value(), 100);
            QTest::keyClick(&dialog, Qt::Key_Escape);  // Esc after the end is OK
        });
        poll->start(5);
    });
    EXPECT_EQ(dialog.exec(), bulk::kIdOk);
    const std::string after = ReadText(dir / "tree/a.txt");
    EXPECT_TRUE(after != before);
    EXPECT_EQ(after.size(), before.size());
}

TEST_F(CipheringDialogWidgets, CancelWithUndoRestoresEveryFile) {
    for (int i = 0; i < 40; ++i)
        WriteText(dir / "tree/sub" / ("many" + std::to_string(i)), std::string(3000, 'm'));
    const TreeTable before = ReadTree(dir / "tree");
    view::CipheringDialog dialog(Tree(), bulk::CipherMode::Encipher, prompter);
    prompter.Then(Answer::Yes);
    WhenModal([&dialog](QWidget*) {
        auto* poll = new QTimer(&dialog);
        QObject::connect(poll, &QTimer::timeout, [&dialog, poll] {
            if (dialog.Run().Counter() < 3)
                return;
            poll->stop();
            Find<QPushButton>(&dialog, res::ctl::kOk)->click();
        });
        poll->start(0);
    });
    EXPECT_EQ(dialog.exec(), bulk::kIdCancel);
    EXPECT_THAT(prompter.AskedIds(), ElementsAre(str::kEncipherCancelQuestion));
    for (const auto& [name, content] : before)
        EXPECT_TRUE(ReadText(dir / "tree" / name) == content) << name << " was not restored";
}

// A large file is done within one step; the bar must still be repainted as
// its chunks go by, or the window looks hung for the whole file.
TEST_F(CipheringDialogWidgets, TheBarIsRepaintedWhileOneLargeFileIsProcessed) {
    std::filesystem::remove_all(dir / "tree");
    std::filesystem::create_directories(dir / "big");
    WriteText(dir / "big/large.bin", std::string(1 << 20, 'L'));
    auto run = std::make_unique<bulk::CipheringRun>(
        (dir / "big").string(), bulk::CipherMode::Encipher, prompter, bulk::KeysFromSlots(), 4096);
    view::CipheringDialog dialog(std::move(run));
    dialog.show();
    auto* bar = Find<QProgressBar>(&dialog, res::ctl::kCipheringProgress);
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } counter;
    bar->installEventFilter(&counter);
    while (!dialog.Run().Finished() && !dialog.Run().Ended())
        dialog.Run().Tick();
    EXPECT_GT(counter.paints, 10);
    EXPECT_EQ(bar->value(), 100);
}

TEST_F(CipheringDialogWidgets, HelpContextFollowsTheMode) {
    view::CipheringDialog decipher(Tree(), bulk::CipherMode::Decipher, prompter);
    EXPECT_EQ(decipher.HelpContext(), 0x1011A);
    EXPECT_EQ(decipher.windowTitle(), "Folder deciphering");
    view::CipheringDialog recipher(Tree(), bulk::CipherMode::Recipher, prompter);
    EXPECT_EQ(recipher.HelpContext(), 0x1011B);
}

}  // namespace
}  // namespace tsrn::test
