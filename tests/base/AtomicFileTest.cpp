#include "base/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <numeric>

#include "support/FileContents.h"
#include "support/TempFolder.h"

namespace {

std::vector<std::uint8_t> pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 12));
  return bytes;
}

const std::vector<std::uint8_t> kOldContents = {'o', 'l', 'd', '\n'};

}  // namespace

TEST(AtomicFile, WritesNewFileAndLeavesOnlyIt) {
  TempFolder folder;
  const auto data = pattern(1000);
  ASSERT_TRUE(writeFileAtomically(folder.file("new.bin"), data.data(), data.size()));
  EXPECT_EQ(readBytes(folder.file("new.bin")), data);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"new.bin"});
}

TEST(AtomicFile, NewFileGetsUmaskModeNotTemporaryMode) {
  TempFolder folder;
  const std::uint8_t byte = 1;
  ASSERT_TRUE(writeFileAtomically(folder.file("f"), &byte, 1));
  const mode_t mask = ::umask(022);
  ::umask(mask);
  struct stat info {};
  ASSERT_EQ(::stat(folder.file("f").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(AtomicFile, ReplacesExistingFileAndKeepsItsMode) {
  TempFolder folder;
  ASSERT_TRUE(writeBytes(folder.file("f"), kOldContents));
  ASSERT_EQ(::chmod(folder.file("f").c_str(), 0640), 0);
  const auto data = pattern(10);
  ASSERT_TRUE(writeFileAtomically(folder.file("f"), data.data(), data.size()));
  EXPECT_EQ(readBytes(folder.file("f")), data);
  struct stat info {};
  ASSERT_EQ(::stat(folder.file("f").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(folder.entries().size(), 1u);
}

TEST(AtomicFile, EmptyFileIsWritten) {
  TempFolder folder;
  ASSERT_TRUE(writeBytes(folder.file("f"), kOldContents));
  ASSERT_TRUE(writeFileAtomically(folder.file("f"), nullptr, 0));
  EXPECT_TRUE(readBytes(folder.file("f")).empty());
}

TEST(AtomicFile, SmallAndLargePiecesStreamInOrder) {
  // Pieces smaller than, straddling and larger than the internal buffer.
  TempFolder folder;
  const auto data = pattern((std::size_t{5} << 20) + 12345);
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.open(folder.file("big")));
  const std::size_t pieces[] = {
      7, 1, 4093, (std::size_t{1} << 20) - 3, 2, (std::size_t{2} << 20) + 9, 13};
  std::size_t offset = 0;
  for (std::size_t i = 0; offset < data.size(); ++i) {
    const std::size_t size = std::min(pieces[i % std::size(pieces)], data.size() - offset);
    ASSERT_TRUE(writer.write(data.data() + offset, size));
    offset += size;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.file("big"))) << "nothing is visible before commit";
  ASSERT_TRUE(writer.commit());
  EXPECT_EQ(readBytes(folder.file("big")), data);
  EXPECT_EQ(folder.entries().size(), 1u);
}

TEST(AtomicFile, FailsWhenFolderIsMissing) {
  TempFolder folder;
  const std::uint8_t byte = 1;
  EXPECT_FALSE(writeFileAtomically(folder.file("missing/f"), &byte, 1));
  EXPECT_TRUE(folder.entries().empty());
}

TEST(AtomicFile, FailsWhenParentIsRegularFile) {
  TempFolder folder;
  ASSERT_TRUE(writeBytes(folder.file("plain"), kOldContents));
  const std::uint8_t byte = 1;
  AtomicFileWriter writer;
  EXPECT_FALSE(writer.open(folder.file("plain/f")));
  EXPECT_EQ(writer.lastError(), ENOTDIR);
  EXPECT_FALSE(writeFileAtomically(folder.file("plain/f"), &byte, 1));
  EXPECT_EQ(readBytes(folder.file("plain")), kOldContents);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"plain"});
}

TEST(AtomicFile, RefusesFolderAndDeviceTargets) {
  TempFolder folder;
  const std::uint8_t byte = 1;
  EXPECT_FALSE(writeFileAtomically(folder.path(), &byte, 1));
  EXPECT_FALSE(writeFileAtomically(folder.file(""), &byte, 1));
  EXPECT_TRUE(folder.entries().empty());
  // A device is never replaced by a regular file, even when we may write in /dev.
  EXPECT_FALSE(writeFileAtomically("/dev/full", &byte, 1));
  EXPECT_FALSE(writeFileAtomically("/dev/null", &byte, 1));
  struct stat info {};
  ASSERT_EQ(::stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(AtomicFile, SymbolicLinkKeepsLinkAndReplacesItsFile) {
  TempFolder folder;
  ASSERT_TRUE(writeBytes(folder.file("real"), kOldContents));
  std::filesystem::create_symlink("real", folder.file("link"));
  const auto data = pattern(5);
  ASSERT_TRUE(writeFileAtomically(folder.file("link"), data.data(), data.size()));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link")));
  EXPECT_EQ(readBytes(folder.file("real")), data);
}

TEST(AtomicFile, DiskFullKeepsExistingFileAndLeavesNoTemporary) {
  TempFolder folder;
  ASSERT_TRUE(writeBytes(folder.file("f"), kOldContents));
  const auto data = pattern(3 << 20);
  for (std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{100}, std::uint64_t{(1 << 20) + 1}}) {
    SCOPED_TRACE(limit);
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.open(folder.file("f")));
    writer.simulateDiskFullAfter(limit);
    bool ok = true;
    for (std::size_t offset = 0; ok && offset < data.size(); offset += 4096)
      ok = writer.write(data.data() + offset, 4096);
    EXPECT_FALSE(writer.commit());
    EXPECT_EQ(writer.lastError(), ENOSPC);
    EXPECT_FALSE(writer.write(data.data(), 1)) << "a failed writer stays failed";
    EXPECT_EQ(readBytes(folder.file("f")), kOldContents);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"f"});
  }
}

TEST(AtomicFile, DiskFullOnSmallFileSystemKeepsExistingFile) {
  // A real ENOSPC from a 64 KiB tmpfs; skipped where mounting is not allowed.
  TempFolder folder;
  const std::string mountPoint = folder.file("mnt");
  std::filesystem::create_directory(mountPoint);
  if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount(path.c_str()); }
  } unmount{mountPoint};
  const std::string target = mountPoint + "/f";
  EXPECT_TRUE(writeBytes(target, kOldContents));
  const auto data = pattern(1 << 20);
  EXPECT_FALSE(writeFileAtomically(target, data.data(), data.size()));
  EXPECT_EQ(readBytes(target), kOldContents);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mountPoint), {}), 1);
}

TEST(AtomicFile, AbandonAndDestructorRemoveTemporaryFile) {
  TempFolder folder;
  ASSERT_TRUE(writeBytes(folder.file("f"), kOldContents));
  {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.open(folder.file("f")));
    EXPECT_TRUE(std::filesystem::exists(writer.temporaryPath()));
    EXPECT_EQ(std::filesystem::path(writer.temporaryPath()).parent_path(), folder.path());
    ASSERT_TRUE(writer.write("new", 3));
    writer.abandon();
    writer.abandon();
    EXPECT_FALSE(writer.commit());
  }
  {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.open(folder.file("f")));
    ASSERT_TRUE(writer.write("new", 3));
  }
  EXPECT_EQ(readBytes(folder.file("f")), kOldContents);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"f"});
}

TEST(AtomicFile, VeryLongTargetNameStillGetsTemporaryFile) {
  TempFolder folder;
  const std::string name(250, 'n');
  const std::uint8_t byte = 7;
  ASSERT_TRUE(writeFileAtomically(folder.file(name), &byte, 1));
  EXPECT_EQ(readBytes(folder.file(name)), std::vector<std::uint8_t>{7});
}
