#include "resource/archive.h"

#include <gtest/gtest.h>

#include "resource/archive_writer.h"
#include "temp_dir.h"

namespace velmira {
namespace {

using test::bytesOf;
using test::TempDir;

// Shift-JIS texts of the diagnostics.
const std::string kOpenFailed = "\x83\x41\x81\x5b\x83\x4a\x83\x43\x83\x75\x82\xf0\x8a\x4a\x82\xaf"
                                "\x82\xc8\x82\xa2"; // アーカイブを開けない
const std::string kReadFailed = "\x93\xc7\x82\xdd\x82\xb1\x82\xdd\x8e\xb8\x94\x73"; // 読みこみ失敗

std::string report(const std::string& message, const std::string& name, int size, int key) {
    // ファイル:\n\t　　エラー内容:%s\n\t　　ファイル名:%s\n\tファイルサイズ:%d\n\t　暗号化コード:%04X\n
    return formatString("\x83\x74\x83\x40\x83\x43\x83\x8b:\n"
                        "\t\x81\x40\x81\x40\x83\x47\x83\x89\x81\x5b\x93\xe0\x97\x65:%s\n"
                        "\t\x81\x40\x81\x40\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc:%s\n"
                        "\t\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x54\x83\x43\x83\x59:%d\n"
                        "\t\x81\x40\x88\xc3\x8d\x86\x89\xbb\x83\x52\x81\x5b\x83\x68:%04X\n",
                        message.c_str(), name.c_str(), size, key);
}

class ArchiveTest : public ::testing::Test {
  protected:
    ArchiveTest() {
        trace_.setSink([this](std::string_view text) { traced_.emplace_back(text); });
    }
    void pack(const std::string& file, uint32_t revision, const std::vector<ArchiveMember>& m) {
        ASSERT_TRUE(writeArchiveFile(dir_.path() + file, revision, m));
    }
    std::string readMember(std::string_view folder, std::string_view name) {
        ArchiveReader reader(index_);
        std::vector<uint8_t> data;
        if (!reader.open(folder, name) || !reader.readAll(data)) return "<failed>";
        return std::string(data.begin(), data.end());
    }

    TempDir dir_;
    Trace trace_;
    std::vector<std::string> traced_;
    ArchiveIndex index_{dir_.path(), trace_};
};

TEST_F(ArchiveTest, HigherRevisionWinsAndEqualRevisionGoesToTheLaterName) {
    struct Case {
        const char* firstFile;
        uint32_t firstRevision;
        const char* secondFile;
        uint32_t secondRevision;
        const char* winner;
    };
    // Files are mounted sorted by name without regard to case.
    const Case cases[] = {
        {"a.dat", 2, "b.dat", 1, "a.dat"},
        {"a.dat", 1, "b.dat", 2, "b.dat"},
        {"a.dat", 1, "b.dat", 1, "b.dat"},
        {"A.DAT", 7, "b.dat", 7, "b.dat"},
        {"a.dat", 7, "B.Dat", 7, "B.Dat"},
        {"a.dat", 0xFFFFFFFF, "b.dat", 1, "a.dat"}, // compared unsigned
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.firstFile) + " / " + c.secondFile);
        TempDir dir;
        ArchiveIndex index(dir.path(), trace_);
        ASSERT_TRUE(writeArchiveFile(dir.path() + c.firstFile, c.firstRevision,
                                     {{"start.txt", bytesOf(c.firstFile), 1}}));
        ASSERT_TRUE(writeArchiveFile(dir.path() + c.secondFile, c.secondRevision,
                                     {{"start.txt", bytesOf(c.secondFile), 2}}));
        dir.write("notes.txt", "not an archive");
        ASSERT_TRUE(index.mountAll());
        ASSERT_EQ(index.entries().size(), 1u);
        EXPECT_EQ(index.find("start.txt")->archiveName, c.winner);
        ArchiveReader reader(index);
        std::vector<uint8_t> data;
        ASSERT_TRUE(reader.open("", "start.txt") && reader.readAll(data));
        EXPECT_EQ(std::string(data.begin(), data.end()), c.winner);
    }
}

TEST_F(ArchiveTest, MountAllWithoutArchivesFailsAndOpensFallBackToLooseFiles) {
    dir_.write("script/start.txt", "loose");
    EXPECT_FALSE(index_.mountAll());
    EXPECT_EQ(readMember("script", "start.txt"), "loose");
}

TEST_F(ArchiveTest, WrongVersionOrMagicContributesNothing) {
    pack("good.dat", 1, {{"good.txt", bytesOf("g"), 1}});
    for (uint32_t version : {202u, 204u}) {
        std::vector<uint8_t> bytes = buildArchive(9, {{"bad.txt", bytesOf("b"), 1}});
        bytes[8] = static_cast<uint8_t>(version);
        dir_.write("v" + std::to_string(version) + ".dat", bytes);
    }
    std::vector<uint8_t> badMagic = buildArchive(9, {{"bad.txt", bytesOf("b"), 1}});
    badMagic[0] = 'X';
    dir_.write("magic.dat", badMagic);
    dir_.write("short.dat", std::string("VELMPACK\xCB\x00", 10));

    EXPECT_FALSE(index_.mount(dir_.path() + "v202.dat", "v202.dat"));
    EXPECT_TRUE(index_.mountAll());
    EXPECT_EQ(index_.entries().size(), 1u);
    EXPECT_NE(index_.find("good.txt"), nullptr);
}

TEST_F(ArchiveTest, ZeroLengthNameStopsTheMountKeepingEarlierEntries) {
    std::vector<uint8_t> bytes = buildArchive(
        1,
        {{"one.txt", bytesOf("1"), 1}, {"two.txt", bytesOf("2"), 1}, {"six.txt", bytesOf("6"), 1}});
    const size_t secondEntry = 20 + 10 + 7;
    ASSERT_EQ(bytes[secondEntry + 1], 7); // name length of the second entry
    bytes[secondEntry + 1] = 0;
    dir_.write("a.dat", bytes);
    pack("b.dat", 1, {{"other.txt", bytesOf("o"), 1}});

    EXPECT_FALSE(index_.mount(dir_.path() + "a.dat", "a.dat"));
    EXPECT_TRUE(index_.mountAll());
    EXPECT_EQ(readMember("", "one.txt"), "1");
    EXPECT_EQ(index_.find("two.txt"), nullptr);
    EXPECT_EQ(index_.find("six.txt"), nullptr);
    EXPECT_EQ(readMember("", "other.txt"), "o");
}

TEST_F(ArchiveTest, KeyZeroIsStoredPlainOtherKeysUseTheirOwnStream) {
    const std::vector<uint8_t> data = bytesOf(std::string(700, 'q') + "tail");
    const std::vector<uint8_t> bytes =
        buildArchive(1, {{"plain.bin", data, 0}, {"five.bin", data, 5}});
    dir_.write("a.dat", bytes);
    ASSERT_TRUE(index_.mountAll());

    const ArchiveEntry* plain = index_.find("plain.bin");
    const ArchiveEntry* five = index_.find("five.bin");
    ASSERT_TRUE(plain && five);
    EXPECT_EQ(plain->key, 0);
    EXPECT_EQ(five->key, 5);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + plain->offset));
    Keystream stream(0x4C1D + 5);
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(bytes[five->offset + i], data[i] ^ stream.next()) << i;

    // Reading in pieces continues the stream.
    ArchiveReader reader(index_);
    ASSERT_TRUE(reader.open("", "five.bin"));
    std::vector<uint8_t> got(data.size());
    ASSERT_TRUE(reader.read(got.data(), 1));
    ASSERT_TRUE(reader.read(got.data() + 1, 650));
    ASSERT_TRUE(reader.read(got.data() + 651, static_cast<uint32_t>(data.size() - 651)));
    EXPECT_EQ(got, data);
    EXPECT_EQ(readMember("", "plain.bin"), std::string(data.begin(), data.end()));
}

TEST_F(ArchiveTest, NamesAreLowerCasedButDoubleByteCharactersAreKept) {
    // "ア" is 83 41: its second byte must not become 'a'.
    pack("a.dat", 1,
         {{"Script\\Start.TXT", bytesOf("s"), 1}, {"img\\\x83\x41.PNG", bytesOf("p"), 1}});
    ASSERT_TRUE(index_.mountAll());
    EXPECT_EQ(readMember("script", "start.txt"), "s");
    EXPECT_EQ(readMember("img", "\x83\x41.png"), "p");
}

TEST_F(ArchiveTest, LookupIsCaseSensitiveAndFallsBackToLooseFiles) {
    pack("a.dat", 1,
         {{"start.txt", bytesOf("archived"), 1}, {"config\\config.txt", bytesOf("c"), 1}});
    dir_.write("Start.txt", "loose capital");
    dir_.write("script/start.txt", "loose in folder");
    dir_.write("\xe3\x82\xa2.txt", "utf-8 on disk"); // "ア.txt"
    ASSERT_TRUE(index_.mountAll());

    EXPECT_EQ(readMember("", "start.txt"), "archived");
    EXPECT_EQ(readMember("", "Start.txt"), "loose capital");
    EXPECT_EQ(readMember("script", "start.txt"), "loose in folder");
    EXPECT_EQ(readMember("", "script\\start.txt"), "loose in folder");
    EXPECT_EQ(readMember("config", "config.txt"), "c");
    EXPECT_EQ(readMember("", "\x83\x41.txt"), "utf-8 on disk");

    ArchiveReader reader(index_);
    ASSERT_TRUE(reader.open("", "Start.txt"));
    EXPECT_EQ(reader.key(), 0);
    EXPECT_EQ(reader.size(), 13u);
    EXPECT_EQ(reader.name(), "Start.txt");
}

TEST_F(ArchiveTest, FullPathsBypassTheIndex) {
    TempDir elsewhere;
    elsewhere.write("start.txt", "outside");
    pack("a.dat", 1, {{"start.txt", bytesOf("archived"), 1}});
    ASSERT_TRUE(index_.mountAll());
    EXPECT_EQ(readMember("script", elsewhere.path() + "start.txt"), "outside");
    EXPECT_EQ(readMember("", "c:\\no\\such\\start.txt"), "<failed>");
}

TEST_F(ArchiveTest, FailuresAreReportedWithTheReadersState) {
    pack("a.dat", 1, {{"k.bin", bytesOf("12345"), 0x1F}});
    ASSERT_TRUE(index_.mountAll());
    ArchiveReader reader(index_);

    EXPECT_FALSE(reader.open("", ""));
    EXPECT_TRUE(traced_.empty());

    EXPECT_FALSE(reader.open("img", "missing.png"));
    ASSERT_EQ(traced_.size(), 1u);
    EXPECT_EQ(traced_[0], report(kOpenFailed, "img\\missing.png", 0, 0));

    ASSERT_TRUE(reader.open("", "k.bin"));
    char buffer[8];
    EXPECT_FALSE(reader.read(buffer, 0));
    EXPECT_FALSE(reader.read(nullptr, 1));
    EXPECT_EQ(traced_.size(), 1u);
    EXPECT_FALSE(reader.read(buffer, 6)); // past the member's end
    ASSERT_EQ(traced_.size(), 2u);
    EXPECT_EQ(traced_[1], report(kReadFailed, "k.bin", 5, 0x1F));
    EXPECT_TRUE(reader.read(buffer, 5));
    EXPECT_EQ(std::string(buffer, 5), "12345");
    EXPECT_FALSE(reader.read(buffer, 1));

    // The index still names an archive that has gone away.
    std::filesystem::remove(dir_.path() + "a.dat");
    EXPECT_FALSE(reader.open("", "k.bin"));
    EXPECT_EQ(traced_.back(), report(kOpenFailed, "k.bin", 0, 0));
}

TEST_F(ArchiveTest, MembersOutsideTheArchiveFileAreFailedReads) {
    std::vector<uint8_t> bytes = buildArchive(
        1, {{"past.bin", bytesOf("abcd"), 1}, {"far.bin", bytesOf("x"), 1}, {"huge.bin", {}, 1}});
    auto setU32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    const size_t first = 20, second = first + 10 + 8, third = second + 10 + 7;
    setU32(first + 2 + 8 + 4, 4 + 100);    // size runs past the file's end
    setU32(second + 2 + 7, 1000);          // offset past the file's end
    setU32(third + 2 + 8 + 4, 0xFFFFFFF0); // absurd size: nothing is allocated
    dir_.write("a.dat", bytes);
    ASSERT_TRUE(index_.mountAll());

    for (const char* name : {"past.bin", "far.bin", "huge.bin"}) {
        SCOPED_TRACE(name);
        ArchiveReader reader(index_);
        ASSERT_TRUE(reader.open("", name));
        std::vector<uint8_t> data;
        EXPECT_FALSE(reader.readAll(data));
        EXPECT_TRUE(data.empty());
        EXPECT_NE(traced_.back().find(kReadFailed), std::string::npos);
    }
    // The bytes that are there can still be read.
    ArchiveReader reader(index_);
    ASSERT_TRUE(reader.open("", "past.bin"));
    EXPECT_EQ(reader.size(), 104u);
    char head[104];
    ASSERT_TRUE(reader.read(head, 4));
    EXPECT_EQ(std::string(head, 4), "abcd");
    EXPECT_FALSE(reader.read(head, 100));
}

TEST_F(ArchiveTest, MountSystemReadsOnlySystemDat) {
    pack("system.dat", 1, {{"config\\config.txt", bytesOf("s"), 1}});
    pack("data.dat", 1, {{"script\\start.txt", bytesOf("d"), 1}});
    EXPECT_TRUE(index_.mountSystem());
    EXPECT_EQ(index_.entries().size(), 1u);
    EXPECT_EQ(index_.find("config\\config.txt")->archiveName, "system.dat");
    ASSERT_TRUE(index_.mountAll());
    EXPECT_EQ(index_.entries().size(), 2u);

    TempDir empty;
    index_.setDataFolder(empty.path());
    EXPECT_TRUE(index_.mountSystem());
    EXPECT_TRUE(index_.entries().empty());
}

} // namespace
} // namespace velmira
