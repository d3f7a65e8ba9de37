#include "SetupFixture.h"

#include <algorithm>

#include "setup/InstallFileTable.h"

namespace tsrn::setup::test {

void WriteFile(const fs::path& path, const std::string& bytes, mode_t mode) {
    ::tsrn::test::WriteText(path, bytes);
    chmod(path.c_str(), mode);
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::vector<std::string> FileNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

void Put(std::string& image, std::size_t at, std::uint64_t value, std::size_t size, bool big) {
    if (image.size() < at + size) {
        image.resize(at + size, '\0');
    }
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t shift = 8 * (big ? size - 1 - i : i);
        image[at + i] = static_cast<char>((value >> shift) & 0xFF);
    }
}

}  // namespace

std::string ElfWithVersion(std::optional<std::uint64_t> version, bool big, bool wide) {
    std::string image(wide ? 64 : 52, '\0');
    image[0] = 0x7F;
    image[1] = 'E';
    image[2] = 'L';
    image[3] = 'F';
    image[4] = wide ? 2 : 1;
    image[5] = big ? 2 : 1;
    image[6] = 1;
    // The note section's bytes.
    const std::size_t notesAt = image.size();
    std::string notes;
    auto put32 = [&](std::uint64_t v) {
        const std::size_t at = notes.size();
        Put(notes, at, v, 4, big);
    };
    // A foreign note first, so the reader has to walk past it.
    put32(4);
    put32(4);
    put32(3);
    notes += std::string("GNU\0", 4);
    notes += std::string("abcd", 4);
    if (version) {
        put32(9);
        put32(8);
        put32(1);
        notes += std::string("Tessaryn\0\0\0\0", 12);
        put32(*version >> 32);
        put32(*version & 0xFFFFFFFFu);
    }
    image += notes;
    const std::size_t tableAt = image.size();
    const std::size_t entrySize = wide ? 64 : 40;
    image.resize(tableAt + 2 * entrySize, '\0');  // entry 0 is the null section
    const std::size_t note = tableAt + entrySize;
    Put(image, note + 4, 7, 4, big);  // SHT_NOTE
    Put(image, note + (wide ? 0x18 : 0x10), notesAt, wide ? 8 : 4, big);
    Put(image, note + (wide ? 0x20 : 0x14), notes.size(), wide ? 8 : 4, big);
    Put(image, note + (wide ? 0x30 : 0x20), 4, wide ? 8 : 4, big);
    Put(image, wide ? 0x28 : 0x20, tableAt, wide ? 8 : 4, big);
    Put(image, wide ? 0x3A : 0x2E, entrySize, 2, big);
    Put(image, wide ? 0x3C : 0x30, 2, 2, big);
    return image;
}

SetupWorld::SetupWorld() : dir_("tsrn-setup"), root_(dir_.Path()) {
    paths_.homeFolder = root_ / "home";
    paths_.systemFolder = root_ / "system";
    paths_.applicationsFolder = root_ / "home" / ".local" / "share" / "applications";
    paths_.registryFolder = root_ / "registry";
    fs::create_directories(paths_.homeFolder);
    fs::create_directories(paths_.registryFolder);
    registry_ = std::make_unique<registry::RegistryDatabase>(paths_.registryFolder);
}

void SetupWorld::LayOutMedium(std::uint64_t libraryVersion) {
    for (const auto& file : kProgramFiles) {
        WriteFile(Medium() / std::string(file.mediumName),
                  "\x7F"
                  "ELF program " +
                      std::string(file.targetName) + std::string(40, 'x'),
                  0755);
    }
    chmod((Medium() / "tsrn.hl_").c_str(), 0644);
    WriteFile(Medium() / "TSRNVX.Vx_",
              "\x7F"
              "ELF driver",
              0755);
    for (const auto& file : kLibraryFiles) {
        WriteFile(Medium() / std::string(file.mediumName), ElfWithVersion(libraryVersion), 0644);
    }
    WriteFile(Medium() / "readme.txt", "read me\n");
    WriteFile(Medium() / "tessaryn.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
}

void SetupWorld::UseProgramAsMainProgram(const fs::path& program) {
    fs::copy_file(program, Medium() / "tsrn.ex_", fs::copy_options::overwrite_existing);
}

InstallState SetupWorld::FreshState() const {
    InstallState state;
    state.installFolder = InstallFolder();
    state.sourceFolder = Medium().string();
    return state;
}

}  // namespace tsrn::setup::test
