// tsrnctl folders [--use FILE]: the folder list as the program would load it,
// from the registry or from a list file, registered with a driver that
// accepts everything (so nothing on this machine changes).

#include <cstdio>
#include <string>

#include "AcceptingDriver.h"
#include "Commands.h"
#include "folders/ProtectedFolders.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryStore.h"

namespace tsrnctl {

namespace {

class SilentPrompter : public tsrn::Prompter {
  public:
    tsrn::Answer Ask(const tsrn::Message& message) override {
        std::fprintf(stderr, "%s\n", message.text.c_str());
        return message.defaultButton;
    }
};

}  // namespace

int RunFolders(Args args) {
    tsrn::folders::AppState state;
    if (args.size() == 2 && args[0] == "--use") {
        state.listFileMode = true;
        state.listFilePath = args[1];
    } else if (!args.empty()) {
        Complain("usage: tsrnctl folders [--use FILE]");
        return kExitUsage;
    }
    tsrn::registry::RegistryDatabase database(tsrn::registry::RegistryDatabase::DefaultDirectory());
    tsrn::registry::RegistryStore store(database);
    AcceptingDriver driver;
    SilentPrompter prompter;
    tsrn::folders::ProtectedFolders folders(driver, state, prompter);
    folders.LoadFolderList(store);
    const tsrn::folders::FolderList& list = folders.List();
    for (std::size_t p = 0; p < list.Size(); ++p) {
        std::printf("%zu\t%s\t%s\t0x%02X\t%u\t%s\n", p, list.LongPath(p).c_str(),
                    list.ShortPath(p).c_str(), list.State(p), static_cast<unsigned>(list.Kind(p)),
                    list.Description(p).c_str());
    }
    return kExitOk;
}

}  // namespace tsrnctl
