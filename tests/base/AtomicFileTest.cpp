// AtomicFileWriter: the new contents whole or the old file, and never a temporary left behind.

#include "base/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "base/FileBytes.h"
#include "support/FileContents.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

TEST(AtomicFile, ReplacesWholeFilesKeepingModesAndLinksAndNothingAfterAFault) {
  TempFolder folder;
  const std::string f = folder.file("f"), link = folder.file("link"), longName(250, 'n');
  std::vector<std::uint8_t> bytes, five = {'1', '2', '3', '4', '5'};
  ASSERT_TRUE(writeFileAtomically(f, five.data(), 5));
  EXPECT_TRUE(readFileBytes(f, 5, bytes) && bytes == five);
  EXPECT_FALSE(readFileBytes(f, 4, bytes) || !bytes.empty());  // beyond the reader's limit
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(fs::status(f).permissions(), fs::perms(0666 & ~mask)) << "not the temporary's mode";
  fs::permissions(f, fs::perms(0640));
  ASSERT_TRUE(writeFileAtomically(f, nullptr, 0));
  EXPECT_EQ(fs::status(f).permissions(), fs::perms(0640));
  EXPECT_TRUE(writeFileAtomically(folder.file(longName), five.data(), 1)) << "room for a temp";
  fs::create_symlink("f", link);  // the link stays, f is replaced
  std::vector<std::uint8_t> data((std::size_t{5} << 20) + 12345);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 131 + (i >> 12));
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.open(link));
  // Pieces smaller than, straddling and larger than the 1 MiB buffer.
  const std::size_t pieces[] = {7, 1, 4093, (1u << 20) - 3, 2, (2u << 20) + 9, 13};
  for (std::size_t i = 0, offset = 0; offset < data.size(); offset += pieces[i++ % 7])
    ASSERT_TRUE(writer.write(data.data() + offset, std::min(pieces[i % 7], data.size() - offset)));
  EXPECT_EQ(readText(f), "") << "the empty file stays until the commit";
  ASSERT_TRUE(writer.commit() && fs::is_symlink(link));
  EXPECT_EQ(readBytes(f), data);
  for (std::uint64_t limit : {0u, 100u, (1u << 20) + 1}) {  // a full disk
    ASSERT_TRUE(writer.open(f));
    writer.simulateDiskFullAfter(limit);
    for (std::size_t offset = 0; offset < data.size() && writer.write(data.data() + offset, 4096);)
      offset += 4096;
    EXPECT_FALSE(writer.commit() || writer.write(data.data(), 1)) << "stays failed, " << limit;
    EXPECT_EQ(writer.lastError(), ENOSPC);
  }
  ASSERT_TRUE(writer.open(f) && writer.write("new", 3));
  writer.abandon();
  EXPECT_FALSE(writer.commit());
  auto dropped = std::make_unique<AtomicFileWriter>();  // its destructor abandons it
  ASSERT_TRUE(dropped->open(f) && dropped->write("new", 3));
  dropped.reset();
  EXPECT_EQ(readBytes(f), data);
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"f", "link", longName}));
}
