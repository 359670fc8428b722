#pragma once
// PathParts: the file name and folder parts of a path on this platform, whose separator
// is '/'. Plain string functions without length limits; they never touch the file system.

#include <string>
#include <string_view>

// The characters after the last '/', or the whole path when it has none.
std::string GetFileNamePart(std::string_view path);

// The characters before the last '/', or an empty string when it has none.
std::string GetDirectoryPart(std::string_view path);

// The path of a file called name in the folder of documentPath: "dir/a.qnf" and "b.bmp"
// give "dir/b.bmp", "/a.qnf" gives "/b.bmp", and a documentPath without any '/' (a file in
// the current folder) gives "b.bmp" itself rather than a path in the root folder.
std::string PathBeside(std::string_view documentPath, std::string_view name);
