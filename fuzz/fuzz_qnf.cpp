// Fuzz target of the .qnf reader: any bytes parse or are refused without reading outside
// them; a parsed document holds names that can be stored again, and written in the current
// format it reads back with the same names and the same settings bit for bit.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "document/DocumentFile.h"
#include "fuzz/FuzzCheck.h"

namespace {

// What a read name may hold: no line break, no zero byte, at most a full line.
bool readableName(std::string_view name) {
  return name.size() <= kMaxStoredNameLength &&
         name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool sameResult(const DocumentParseResult& a, const DocumentParseResult& b) {
  if (a.status != b.status) return false;
  if (a.status != DocumentParseStatus::Parsed) return true;
  return a.data.version == b.data.version && a.data.surfaceName == b.data.surfaceName &&
         a.data.bumpName == b.data.bumpName && sameBits(a.data.settings, b.data.settings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const DocumentParseResult result = parseDocument(bytes);
  // Only the first kDocumentReadLimit bytes may matter.
  if (size > kDocumentReadLimit)
    FUZZ_CHECK(sameResult(result, parseDocument(bytes.first(kDocumentReadLimit))));
  if (result.status != DocumentParseStatus::Parsed) return 0;

  const DocumentFileData& read = result.data;
  FUZZ_CHECK(read.version <= kDocumentVersion);
  FUZZ_CHECK(readableName(read.surfaceName) && readableName(read.bumpName));

  const auto written = encodeDocument(read.surfaceName, read.bumpName, read.settings);
  // A name cut at a full line cannot be written: its line end would be read as the next name.
  if (read.surfaceName.size() == kMaxStoredNameLength ||
      read.bumpName.size() == kMaxStoredNameLength) {
    FUZZ_CHECK(!written.has_value());
    return 0;
  }
  FUZZ_CHECK(written.has_value());
  FUZZ_CHECK(written->size() == 236 + read.surfaceName.size() + read.bumpName.size());
  const DocumentParseResult again = parseDocument(*written);
  FUZZ_CHECK(again.status == DocumentParseStatus::Parsed);
  FUZZ_CHECK(again.data.version == kDocumentVersion);
  FUZZ_CHECK(again.data.surfaceName == read.surfaceName && again.data.bumpName == read.bumpName);
  FUZZ_CHECK(sameBits(again.data.settings, read.settings));
  // The current format is a fixed point: writing what was read back gives the same bytes.
  const auto rewritten =
      encodeDocument(again.data.surfaceName, again.data.bumpName, again.data.settings);
  FUZZ_CHECK(rewritten.has_value() && *rewritten == *written);
  return 0;
}
