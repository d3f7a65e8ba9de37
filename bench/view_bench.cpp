// The folder list with 1,000 folders. The light refresh runs once a second on
// the user-interface thread, so it must stay far below a frame; the full
// rebuild runs after every change of the list. The baseline is the same
// number of driver queries without any row work.
//   QT_QPA_PLATFORM=offscreen view_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "driver/DriverLink.h"
#include "folders/AppState.h"
#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"
#include "view/gui/CTsrnView.h"
#include "view/gui/FolderListWidget.h"

namespace {

using namespace tsrn;

constexpr int kFolders = 1000;

// Answers at once; every slot reports a count that changes on each query.
class CountingDriver : public driver::DriverLink {
  public:
    bool Open() override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }

  protected:
    bool Transact(const driver::Request& request, std::uint32_t& answer) override {
        answer = request.code == driver::RequestCode::QueryOpenFiles ? (++tick_ % 7) : 0;
        return true;
    }

  private:
    std::uint32_t tick_ = 0;
};

class Quiet : public Prompter {
  public:
    Answer Ask(const Message& message) override { return message.defaultButton; }
};

struct Fixture {
    Fixture() {
        state.unlocked = true;
        state.keyLoaded = true;
        view.List()->resize(900, 600);
        for (int i = 0; i < kFolders; ++i) {
            view.Logic().Folders().AddFolder("/home/user/folder " + std::to_string(i),
                                             "description " + std::to_string(i), 0x91,
                                             folders::FolderKind::User);
        }
        view.Logic().RefreshList(false);
    }
    QTemporaryDir dir;
    registry::RegistryDatabase database{dir.filePath("registry").toStdString()};
    registry::RegistryStore store{database};
    CountingDriver driver;
    Quiet prompter;
    folders::AppState state;
    app::ViewContext context{state, store, database, driver, prompter};
    view::CTsrnView view{context};
};

Fixture& Shared() {
    static Fixture* fixture = new Fixture;
    return *fixture;
}

void BM_DriverQueriesOnly(benchmark::State& s) {
    Fixture& f = Shared();
    for (auto _ : s) {
        for (std::uint32_t slot = 1; slot <= kFolders; ++slot)
            benchmark::DoNotOptimize(f.driver.QueryOpenFiles(slot));
    }
}
BENCHMARK(BM_DriverQueriesOnly)->Unit(benchmark::kMicrosecond);

void BM_LightRefresh(benchmark::State& s) {
    Fixture& f = Shared();
    for (auto _ : s)
        f.view.TimerTick();
}
BENCHMARK(BM_LightRefresh)->Unit(benchmark::kMicrosecond);

void BM_FullRefresh(benchmark::State& s) {
    Fixture& f = Shared();
    for (auto _ : s)
        f.view.Logic().RefreshList(false);
}
BENCHMARK(BM_FullRefresh)->Unit(benchmark::kMicrosecond);

void BM_PaintVisibleRows(benchmark::State& s) {
    Fixture& f = Shared();
    for (auto _ : s)
        benchmark::DoNotOptimize(f.view.List()->grab());
}
BENCHMARK(BM_PaintVisibleRows)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
