#pragma once
// DocumentFile: the .qnf document file as bytes: encoding the current format (version 300)
// and parsing versions 0 to 300. Works on memory only; it neither opens files nor loads
// textures nor converts name encodings (DocumentModel does). Safe for untrusted bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/RenderSettings.h"

inline constexpr std::uint16_t kDocumentVersion = 300;
// The longest stored name a reader takes from one line.
inline constexpr std::size_t kMaxStoredNameLength = 1023;

// What a document file holds. Names are the stored bytes as they are (code page 932 or
// UTF-8), possibly empty; settings that the file's version lacks are at their defaults.
struct DocumentFileData {
  std::uint16_t version = kDocumentVersion;
  std::string surfaceName;
  std::string bumpName;
  RenderSettings settings;
};

enum class DocumentParseStatus {
  Parsed,        // data holds the file's contents
  NotDocument,   // the file does not start with "QN"
  NewerVersion,  // the version is above 300
  Truncated,     // the file ends before the last field its version calls for
};

struct DocumentParseResult {
  DocumentParseStatus status = DocumentParseStatus::Truncated;
  DocumentFileData data;  // meaningful only when status is Parsed
};

// The file of a document with these stored names and settings, in the current format:
// 236 bytes for a new document. nullopt when a name cannot be stored as one line (it holds
// a CR, LF or zero byte, or is kMaxStoredNameLength bytes or longer, which fills the line
// and leaves its CR LF to be read as the next name) and so would not read back.
std::optional<std::vector<std::uint8_t>> encodeDocument(std::string_view surfaceName,
                                                        std::string_view bumpName,
                                                        const RenderSettings& settings);

// Parses a whole file. Bytes after the last field of the file's version are ignored.
// Only the first kDocumentReadLimit bytes can matter, so a reader may stop there.
DocumentParseResult parseDocument(std::span<const std::uint8_t> bytes);
inline constexpr std::size_t kDocumentReadLimit = 4096;
