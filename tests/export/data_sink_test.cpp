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
    ASSERT_EQ(sink.open(folder.file("a.bin"), 4), 0);
    EXPECT_EQ(sink.writeData(3, kBytes), 3);
    try {
        sink.writeData(2, kBytes);
        FAIL() << "no overflow";
    } catch (const TextException& error) {
        EXPECT_EQ(error.getCode(), 11);
        EXPECT_EQ(error.getText(), "Buffer overflow while encoding.\n");
    }
    EXPECT_EQ(sink.getDataSize(), 3);
    EXPECT_EQ(sink.writeData(1, kBytes + 4), 1);
    ASSERT_EQ(sink.close(), 0);
    EXPECT_EQ(readWholeFile(folder.file("a.bin")), (std::vector<uint8_t>{1, 2, 3, 5}));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"a.bin"});
}

TEST(FileSink, TargetOnlyChangesOnClose)
{
    ScratchFolder folder;
    const std::string target = folder.file("picture.jpg");
    writeText(target, "old");
    chmod(target.c_str(), 0640);
    {
        FileSink sink;
        ASSERT_EQ(sink.open(target, 16), 0);
        sink.writeData(5, kBytes);
        EXPECT_EQ(readWholeFile(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
        ASSERT_EQ(sink.close(), 0);
    }
    EXPECT_EQ(readWholeFile(target), std::vector<uint8_t>(kBytes, kBytes + 5));
    struct stat status {};
    ASSERT_EQ(stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"picture.jpg"});
}

TEST(FileSink, SinkDroppedWithoutCloseLeavesNoTrace)
{
    ScratchFolder folder;
    const std::string target = folder.file("kept.gif");
    writeText(target, "good");
    {
        FileSink sink;
        ASSERT_EQ(sink.open(target, 16), 0);
        sink.writeData(5, kBytes);
    }
    EXPECT_EQ(readWholeFile(target), (std::vector<uint8_t>{'g', 'o', 'o', 'd'}));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"kept.gif"});

    FileSink sink;
    ASSERT_EQ(sink.open(folder.file("new.gif"), 16), 0);
    sink.discard();
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"kept.gif"});
    EXPECT_EQ(sink.close(), -1);
}

TEST(FileSink, OpenFailsForTargetsThatCannotBeCreated)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path() / "folder");
    writeText(folder.file("plain"), "x");
    FileSink sink;
    EXPECT_EQ(sink.open(folder.file("missing/picture.jpg"), 16), -1);
    EXPECT_EQ(sink.open(folder.file("plain/picture.jpg"), 16), -1);
    EXPECT_EQ(sink.open(folder.file("folder"), 16), -1);
    EXPECT_EQ(sink.open("", 16), -1);
    EXPECT_EQ(sink.open(folder.file("negative.jpg"), -5), -1);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"folder", "plain"}));
}

TEST(FileSink, TargetNameAtTheLengthLimit)
{
    // A hidden temporary name built from a 250-character name would pass the limit of 255.
    ScratchFolder folder;
    const std::string name(250, 'n');
    FileSink sink;
    ASSERT_EQ(sink.open(folder.file(name), 8), 0);
    sink.writeData(1, kBytes);
    ASSERT_EQ(sink.close(), 0);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{name});
}

TEST(FileSink, SymbolicLinksAreWrittenThrough)
{
    ScratchFolder folder;
    writeText(folder.file("real.jpg"), "old");
    std::filesystem::create_symlink("real.jpg", folder.path() / "link.jpg");
    FileSink sink;
    ASSERT_EQ(sink.open(folder.file("link.jpg"), 8), 0);
    sink.writeData(3, kBytes);
    ASSERT_EQ(sink.close(), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "link.jpg"));
    EXPECT_EQ(readWholeFile(folder.file("real.jpg")), (std::vector<uint8_t>{1, 2, 3}));

    std::filesystem::create_symlink("nowhere/x.jpg", folder.path() / "dangling.jpg");
    EXPECT_EQ(sink.open(folder.file("dangling.jpg"), 8), -1);
}

TEST(FileSink, RelativeNamesLandInTheCurrentFolder)
{
    ScratchFolder folder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    FileSink sink;
    const bool opened = sink.open("here.bin", 8) == 0;
    if (opened) {
        sink.writeData(2, kBytes);
    }
    const bool closed = opened && sink.close() == 0;
    std::filesystem::current_path(previous);
    ASSERT_TRUE(closed);
    EXPECT_EQ(readWholeFile(folder.file("here.bin")), (std::vector<uint8_t>{1, 2}));
}

} // namespace
