// AtomicFileWriter: the target receives the complete new contents or stays as it was, and no
// temporary file is ever left behind.

#include "base/AtomicFile.h"
#include "base/FileBytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "support/FileContents.h"
#include "support/TempFolder.h"

namespace {

std::vector<std::uint8_t> pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t(i * 131 + (i >> 12));
  return bytes;
}

bool write(const std::string& path, const std::vector<std::uint8_t>& data) {
  return writeFileAtomically(path, data.data(), data.size());
}

mode_t modeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 0777;
}

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd', '\n'};

TEST(FileBytes, ReadsFilesUpToTheLimitAndRefusesLargerOnesAndFolders) {
  TempFolder folder;
  const std::string f = folder.file("f");
  ASSERT_TRUE(writeText(f, "12345"));
  std::vector<std::uint8_t> bytes{9};
  EXPECT_TRUE(readFileBytes(f, 5, bytes));
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'1', '2', '3', '4', '5'}));
  EXPECT_FALSE(readFileBytes(f, 4, bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(readFileBytes(folder.file("missing"), 5, bytes));
}

TEST(AtomicFile, WritesNewAndReplacesOldFilesKeepingModesAndLinks) {
  TempFolder folder;
  const std::string f = folder.file("f");
  ASSERT_TRUE(write(f, pattern(1000)));
  EXPECT_EQ(readBytes(f), pattern(1000));
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(modeOf(f), 0666 & ~mask) << "the umask's mode, not the temporary file's";
  ASSERT_EQ(::chmod(f.c_str(), 0640), 0);
  ASSERT_TRUE(write(f, pattern(10)));
  EXPECT_EQ(readBytes(f), pattern(10));
  EXPECT_EQ(modeOf(f), 0640u);
  ASSERT_TRUE(writeFileAtomically(f, nullptr, 0));
  EXPECT_TRUE(readBytes(f).empty());
  std::filesystem::create_symlink("f", folder.file("link"));  // the link stays, f is replaced
  ASSERT_TRUE(write(folder.file("link"), pattern(5)));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link")));
  EXPECT_EQ(readBytes(f), pattern(5));
  const std::string longName = folder.file(std::string(250, 'n'));  // still has a temporary
  ASSERT_TRUE(write(longName, {7}));
  EXPECT_EQ(readBytes(longName), std::vector<std::uint8_t>{7});
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"f", "link", std::string(250, 'n')}));
}

TEST(AtomicFile, SmallAndLargePiecesStreamInOrderAndShowOnlyOnCommit) {
  // Pieces smaller than, straddling and larger than the 1 MiB buffer.
  TempFolder folder;
  const auto data = pattern((std::size_t{5} << 20) + 12345);
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.open(folder.file("big")));
  const std::size_t pieces[] = {7, 1, 4093, (1u << 20) - 3, 2, (2u << 20) + 9, 13};
  for (std::size_t i = 0, offset = 0; offset < data.size(); offset += pieces[i++ % 7])
    ASSERT_TRUE(writer.write(data.data() + offset, std::min(pieces[i % 7], data.size() - offset)));
  EXPECT_FALSE(std::filesystem::exists(folder.file("big")));
  ASSERT_TRUE(writer.commit());
  EXPECT_EQ(readBytes(folder.file("big")), data);
  EXPECT_EQ(folder.entries().size(), 1u);
}

TEST(AtomicFile, RefusesTargetsItCannotReplaceAndKeepsWhatIsThere) {
  TempFolder folder;
  ASSERT_TRUE(writeBytes(folder.file("plain"), kOld));
  AtomicFileWriter writer;
  EXPECT_FALSE(writer.open(folder.file("plain/f")));
  EXPECT_EQ(writer.lastError(), ENOTDIR);
  // Folders and devices are never replaced by a regular file, even where we may write.
  for (const std::string& path :
       {folder.file("missing/f"), folder.file("plain/f"), folder.path(), folder.file(""),
        std::string("/dev/full"), std::string("/dev/null")})
    EXPECT_FALSE(write(path, {1})) << path;
  EXPECT_EQ(readBytes(folder.file("plain")), kOld);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"plain"});
  struct stat info {};
  ASSERT_EQ(::stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(AtomicFile, DiskFullAbandonAndDestructorKeepTheOldFileAndNoTemporary) {
  TempFolder folder;
  const std::string f = folder.file("f");
  ASSERT_TRUE(writeBytes(f, kOld));
  const auto data = pattern(3 << 20);
  for (std::uint64_t limit : {0u, 100u, (1u << 20) + 1}) {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.open(f));
    writer.simulateDiskFullAfter(limit);
    for (std::size_t offset = 0; offset < data.size() && writer.write(data.data() + offset, 4096);)
      offset += 4096;
    EXPECT_FALSE(writer.commit()) << limit;
    EXPECT_EQ(writer.lastError(), ENOSPC);
    EXPECT_FALSE(writer.write(data.data(), 1)) << "a failed writer stays failed";
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"f"});
  }
  {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.open(f));
    EXPECT_TRUE(std::filesystem::exists(writer.temporaryPath()));
    EXPECT_EQ(std::filesystem::path(writer.temporaryPath()).parent_path(), folder.path());
    ASSERT_TRUE(writer.write("new", 3));
    writer.abandon();
    writer.abandon();
    EXPECT_FALSE(writer.commit());
    ASSERT_TRUE(writer.open(f));  // the destructor abandons this one
    ASSERT_TRUE(writer.write("new", 3));
  }
  EXPECT_EQ(readBytes(f), kOld);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"f"});
}

}  // namespace
