#include "export/data_sink.h"

#include "export/text_exception.h"
#include "tests/export/decoders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

const uint8_t kBytes[5] = {1, 2, 3, 4, 5};

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(FileSink, OverflowCopiesNothingAndSaysSo)
{
    ScratchFolder folder;
    FileSink sink;
    ASSERT_EQ(sink.Open(folder.File("a.bin"), 4), 0);
    EXPECT_EQ(sink.WriteData(3, kBytes), 3);
    try {
        sink.WriteData(2, kBytes);
        FAIL() << "no overflow";
    } catch (const TextException& error) {
        EXPECT_EQ(error.GetCode(), 11);
        EXPECT_EQ(error.GetText(), "Buffer overflow while encoding.\n");
    }
    EXPECT_EQ(sink.GetDataSize(), 3);
    EXPECT_EQ(sink.WriteData(1, kBytes + 4), 1);
    ASSERT_EQ(sink.Close(), 0);
    EXPECT_EQ(ReadWholeFile(folder.File("a.bin")), (std::vector<uint8_t>{1, 2, 3, 5}));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.bin"});
}

TEST(FileSink, TargetOnlyChangesOnClose)
{
    ScratchFolder folder;
    const std::string target = folder.File("picture.jpg");
    writeText(target, "old");
    chmod(target.c_str(), 0640);
    {
        FileSink sink;
        ASSERT_EQ(sink.Open(target, 16), 0);
        sink.WriteData(5, kBytes);
        EXPECT_EQ(ReadWholeFile(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
        ASSERT_EQ(sink.Close(), 0);
    }
    EXPECT_EQ(ReadWholeFile(target), std::vector<uint8_t>(kBytes, kBytes + 5));
    struct stat status {};
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"picture.jpg"});
}

TEST(FileSink, SinkDroppedWithoutCloseLeavesNoTrace)
{
    ScratchFolder folder;
    const std::string target = folder.File("kept.gif");
    writeText(target, "good");
    {
        FileSink sink;
        ASSERT_EQ(sink.Open(target, 16), 0);
        sink.WriteData(5, kBytes);
    }
    EXPECT_EQ(ReadWholeFile(target), (std::vector<uint8_t>{'g', 'o', 'o', 'd'}));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"kept.gif"});

    FileSink sink;
    ASSERT_EQ(sink.Open(folder.File("new.gif"), 16), 0);
    sink.Discard();
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"kept.gif"});
    EXPECT_EQ(sink.Close(), -1);
}

TEST(FileSink, OpenFailsForTargetsThatCannotBeCreated)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path() / "folder");
    writeText(folder.File("plain"), "x");
    FileSink sink;
    EXPECT_EQ(sink.Open(folder.File("missing/picture.jpg"), 16), -1);
    EXPECT_EQ(sink.Open(folder.File("plain/picture.jpg"), 16), -1);
    EXPECT_EQ(sink.Open(folder.File("folder"), 16), -1);
    EXPECT_EQ(sink.Open("", 16), -1);
    EXPECT_EQ(sink.Open(folder.File("negative.jpg"), -5), -1);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"folder", "plain"}));
}

TEST(FileSink, TargetNameAtTheLengthLimit)
{
    // A hidden temporary name built from a 250-character name would pass the limit of 255.
    ScratchFolder folder;
    const std::string name(250, 'n');
    FileSink sink;
    ASSERT_EQ(sink.Open(folder.File(name), 8), 0);
    sink.WriteData(1, kBytes);
    ASSERT_EQ(sink.Close(), 0);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{name});
}

TEST(FileSink, SymbolicLinksAreWrittenThrough)
{
    ScratchFolder folder;
    writeText(folder.File("real.jpg"), "old");
    std::filesystem::create_symlink("real.jpg", folder.Path() / "link.jpg");
    FileSink sink;
    ASSERT_EQ(sink.Open(folder.File("link.jpg"), 8), 0);
    sink.WriteData(3, kBytes);
    ASSERT_EQ(sink.Close(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path() / "link.jpg"));
    EXPECT_EQ(ReadWholeFile(folder.File("real.jpg")), (std::vector<uint8_t>{1, 2, 3}));

    std::filesystem::create_symlink("nowhere/x.jpg", folder.Path() / "dangling.jpg");
    EXPECT_EQ(sink.Open(folder.File("dangling.jpg"), 8), -1);
}

TEST(FileSink, RelativeNamesLandInTheCurrentFolder)
{
    ScratchFolder folder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    FileSink sink;
    const bool opened = sink.Open("here.bin", 8) == 0;
    if (opened) {
        sink.WriteData(2, kBytes);
    }
    const bool closed = opened && sink.Close() == 0;
    std::filesystem::current_path(previous);
    ASSERT_TRUE(closed);
    EXPECT_EQ(ReadWholeFile(folder.File("here.bin")), (std::vector<uint8_t>{1, 2}));
}

} // namespace
