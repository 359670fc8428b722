// File name and folder parts of '/' paths, and where a document's textures are looked for.

#include "base/PathParts.h"

#include <gtest/gtest.h>

TEST(PathParts, SplitsAtTheLastSlashAndPlacesNamesBesideTheDocument) {
  const std::string longFolder = "/" + std::string(600, 'd');  // no 255-character limit
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"/home/user/maps/hill.bmp", "hill.bmp", "/home/user/maps"},
      {"maps/hill.bmp", "hill.bmp", "maps"},
      {"hill.bmp", "hill.bmp", ""},
      {"/hill.bmp", "hill.bmp", ""},
      {"maps/", "", "maps"},
      {"", "", ""},
      {"a\\b.bmp", "a\\b.bmp", ""},  // a backslash is a name character here
      {longFolder + "/x.bmp", "x.bmp", longFolder}};
  for (const auto& [path, fileName, directory] : cases) {
    EXPECT_EQ(GetFileNamePart(path), fileName) << path;
    EXPECT_EQ(GetDirectoryPart(path), directory) << path;
  }
  EXPECT_EQ(PathBeside("/work/a.qnf", "hill.bmp"), "/work/hill.bmp");
  EXPECT_EQ(PathBeside("rel/dir/a.qnf", "hill.bmp"), "rel/dir/hill.bmp");
  EXPECT_EQ(PathBeside("/a.qnf", "hill.bmp"), "/hill.bmp");
  EXPECT_EQ(PathBeside("a.qnf", "hill.bmp"), "hill.bmp");  // the current folder, not the root
}
