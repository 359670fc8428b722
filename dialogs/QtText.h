#pragma once
// QtText: the core's texts and file paths as the windows' strings and back, in one place:
// UTF-8 texts (messages, stage lines), paths in the file system's own encoding, and the
// program's version. Conversions only.

#include <QString>
#include <string>
#include <string_view>

QString fromUtf8(std::string_view text);

// A QString path as the core's byte-string paths (the local file name encoding) and back.
std::string toLocalPath(const QString& path);
QString fromLocalPath(const std::string& path);

// "3.3" and "QN Version 3.3", from the build's project version.
QString qnVersion();
QString qnVersionTitle();
