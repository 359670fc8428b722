// File name and folder parts of '/' paths, and where a document's textures are looked for.

#include <gtest/gtest.h>

#include <string>

#include "base/PathParts.h"

TEST(PathParts, SplitsAtTheLastSlash) {
  struct Case {
    const char* name;
    std::string path;
    const char* fileName;
    const char* directory;
  };
  const std::string longFolder = "/" + std::string(600, 'd');  // no 255-character limit
  const Case cases[] = {
      {"absolute", "/home/user/maps/hill.bmp", "hill.bmp", "/home/user/maps"},
      {"relative", "maps/hill.bmp", "hill.bmp", "maps"},
      {"no separator", "hill.bmp", "hill.bmp", ""},
      {"in the root", "/hill.bmp", "hill.bmp", ""},
      {"trailing slash", "maps/", "", "maps"},
      {"empty", "", "", ""},
      {"backslash is a name character here", "a\\b.bmp", "a\\b.bmp", ""},
      {"long folder", longFolder + "/x.bmp", "x.bmp", longFolder.c_str()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetFileNamePart(c.path), c.fileName);
    EXPECT_EQ(GetDirectoryPart(c.path), c.directory);
  }
}

TEST(PathParts, PlacesANameInTheDocumentsFolder) {
  EXPECT_EQ(PathBeside("/work/a.qnf", "hill.bmp"), "/work/hill.bmp");
  EXPECT_EQ(PathBeside("rel/dir/a.qnf", "hill.bmp"), "rel/dir/hill.bmp");
  EXPECT_EQ(PathBeside("/a.qnf", "hill.bmp"), "/hill.bmp");
  // A document in the current folder finds its textures there, not in the root folder.
  EXPECT_EQ(PathBeside("a.qnf", "hill.bmp"), "hill.bmp");
}
