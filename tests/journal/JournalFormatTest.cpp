// The journal's records read back exactly, and a record that was cut short
// or damaged ends the journal without harming what came before it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "TempDir.h"
#include "journal/JournalFile.h"
#include "journal/JournalFormat.h"
#include "journal/PageHash.h"

namespace tsrn::journal {
namespace {

TEST(PageHashTest, MatchesPublishedXxh64Values) {
    EXPECT_EQ(Hash64("", 0), 0xEF46DB3751D8E999ull);
    EXPECT_EQ(Hash64("a", 1), 0xD24EC4F1A98C6E5Bull);
    EXPECT_EQ(Hash64("abc", 3), 0x44BC2CF5AD770999ull);
}

TEST(PageHashTest, PagesAreXxh3ExceptInJournalsOfTheFirstVersion) {
    EXPECT_EQ(Xxh3Hash64("", 0), 0x2D06800538D394C2ull);
    EXPECT_EQ(Xxh3Hash64("abc", 3), 0x78AF5F94892F3950ull);
    const std::string page(kPageSize, 'p');
    EXPECT_EQ(PageHash(page.data(), page.size(), kFormatVersion),
              Xxh3Hash64(page.data(), page.size()));
    EXPECT_EQ(PageHash(page.data(), page.size(), kFirstFormatVersion),
              Hash64(page.data(), page.size()));
}

std::vector<std::uint8_t> WithMagic(const RecordEncoder& encoder) {
    std::vector<std::uint8_t> bytes(sizeof kMagic + encoder.Bytes().size());
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    std::copy(encoder.Bytes().begin(), encoder.Bytes().end(), bytes.begin() + sizeof kMagic);
    return bytes;
}

RecordEncoder SampleJournal(std::size_t& lastRecordStart) {
    RecordEncoder encoder;
    JournalHeader header;
    header.mode = bulk::CipherMode::Recipher;
    header.salt = 0x01020304;
    header.currentKeyId = 11;
    header.nextKeyId = 22;
    header.folder = "/data/folder";
    encoder.Header(header);
    encoder.File(0, 3 * kPageSize + 5, "/data/folder/a", 0444);
    const std::uint64_t hashes[] = {7, 8};
    encoder.Pages(0, FileState::Old, 1, hashes, 2);
    encoder.Marker(RecordType::Undoing);
    lastRecordStart = sizeof kMagic + encoder.Bytes().size();
    encoder.Done(0, FileState::Old);
    return encoder;
}

TEST(JournalFormatTest, RecordsReadBack) {
    std::size_t last = 0;
    std::string error;
    auto contents = ParseJournal(WithMagic(SampleJournal(last)), error);
    ASSERT_TRUE(contents) << error;
    EXPECT_EQ(contents->header.mode, bulk::CipherMode::Recipher);
    EXPECT_EQ(contents->header.salt, 0x01020304u);
    EXPECT_EQ(contents->header.nextKeyId, 22u);
    EXPECT_EQ(contents->header.folder, "/data/folder");
    ASSERT_EQ(contents->files.size(), 1u);
    const JournalFileEntry& file = contents->files[0];
    EXPECT_EQ(file.path, "/data/folder/a");
    EXPECT_EQ(file.permissions, 0444u);
    ASSERT_EQ(file.pages.size(), 4u);
    EXPECT_FALSE(file.pages[0].known);
    EXPECT_TRUE(file.pages[1].known && file.pages[2].known);
    EXPECT_EQ(file.pages[2].hash, 8u);
    EXPECT_FALSE(file.pages[3].known);
    EXPECT_TRUE(contents->undoing);
    EXPECT_EQ(file.done, FileState::Old);
}

TEST(JournalFormatTest, CutOrDamagedLastRecordEndsTheJournal) {
    std::size_t last = 0;
    const std::vector<std::uint8_t> whole = WithMagic(SampleJournal(last));
    std::vector<std::vector<std::uint8_t>> damaged;
    for (std::size_t cut = last; cut < whole.size(); ++cut) {
        damaged.emplace_back(whole.begin(), whole.begin() + static_cast<long>(cut));
    }
    for (std::size_t at = last; at < whole.size(); ++at) {
        damaged.push_back(whole);
        damaged.back()[at] ^= 0x40;
    }
    for (const auto& bytes : damaged) {
        std::string error;
        auto contents = ParseJournal(bytes, error);
        ASSERT_TRUE(contents) << error;
        EXPECT_EQ(contents->validBytes, last);
        EXPECT_FALSE(contents->files[0].done.has_value());
        EXPECT_TRUE(contents->undoing);
    }
}

// A journal file keeps zeros after its records, to write the next ones over
// without changing its length: readers stop at them, records use room made
// ahead, and a journal continued after a crash goes on right after its last
// record, wherever the zeros end.
TEST(JournalFormatTest, ZerosAfterTheRecordsAreRoomNotRecords) {
    test::TempDir dir("tsrn-journal-file");
    std::size_t last = 0;
    const std::vector<std::uint8_t> sample = WithMagic(SampleJournal(last));
    std::string error;
    std::filesystem::path path;
    {
        JournalFile file;  // locked while open
        ASSERT_TRUE(file.Create(
            dir.Path(), std::vector<std::uint8_t>(sample.begin(), sample.begin() + 8 + 40), error))
            << error;
        path = file.Path();
        ASSERT_TRUE(file.MakeRoom(2u << 20, error)) << error;
        const auto made = std::filesystem::file_size(path);
        EXPECT_GE(made, 8 + 40 + (2u << 20));
        ASSERT_TRUE(file.Commit(std::vector<std::uint8_t>(sample.begin() + 8 + 40, sample.end()),
                                error, 1u << 20))
            << error;
        EXPECT_EQ(std::filesystem::file_size(path), made);
    }
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadJournalBytes(path, bytes, error)) << error;
    auto contents = ParseJournal(bytes, error);
    ASSERT_TRUE(contents) << error;
    EXPECT_EQ(contents->validBytes, sample.size());

    // Continued after the last whole record: a new record follows it directly.
    RecordEncoder encoder;
    encoder.Marker(RecordType::Failed);
    {
        JournalFile again;
        ASSERT_TRUE(again.Reopen(path, last, error)) << error;
        ASSERT_TRUE(again.Commit(encoder.Bytes(), error)) << error;
    }
    ASSERT_TRUE(ReadJournalBytes(path, bytes, error)) << error;
    contents = ParseJournal(bytes, error);
    ASSERT_TRUE(contents) << error;
    EXPECT_EQ(contents->validBytes, last + encoder.Bytes().size());
    EXPECT_FALSE(contents->files[0].done.has_value());
    EXPECT_TRUE(contents->failed);
}

TEST(JournalFormatTest, RecordsThatContradictTheJournalEndIt) {
    RecordEncoder encoder;
    encoder.Header(JournalHeader{});
    const std::size_t good = sizeof kMagic + encoder.Bytes().size();
    const std::uint64_t hash = 1;
    encoder.Pages(0, FileState::New, 0, &hash, 1);  // no such file
    encoder.File(0, 10, "/x", 0644);
    std::string error;
    auto contents = ParseJournal(WithMagic(encoder), error);
    ASSERT_TRUE(contents) << error;
    EXPECT_EQ(contents->validBytes, good);
    EXPECT_TRUE(contents->files.empty());
}

TEST(JournalFormatTest, NotAJournal) {
    std::string error;
    EXPECT_FALSE(ParseJournal({'x', 'y'}, error));
    std::vector<std::uint8_t> onlyMagic(std::begin(kMagic), std::end(kMagic));
    EXPECT_FALSE(ParseJournal(onlyMagic, error));
}

TEST(JournalFormatTest, KeyIdentityDependsOnKeyAndSalt) {
    crypto::CipherKey a;
    crypto::CipherKey b;
    b.bytes[7] = 1;
    EXPECT_NE(KeyIdentity(a, 1), KeyIdentity(b, 1));
    EXPECT_NE(KeyIdentity(a, 1), KeyIdentity(a, 2));
    EXPECT_EQ(KeyIdentity(b, 5), KeyIdentity(b, 5));
}

}  // namespace
}  // namespace tsrn::journal
