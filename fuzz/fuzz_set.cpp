// Fuzz target of qn-render's --set FIELD=VALUE parser: each input line is one assignment.
// A refused assignment leaves the settings untouched and says why; an accepted one changes
// only its own field, and the value shown for that field reads back to a value shown the
// same way (integers exactly; doubles are shown with 15 digits, so only their text is
// stable). Finally every "name=value" line of --print-settings reads back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "settings/SettingsFields.h"

namespace {

// Settings equal except for the named field.
bool sameExcept(const RenderSettings& a, const RenderSettings& b, std::string_view field) {
  for (const SettingsFieldInfo& info : settingsFields()) {
    if (info.name != field && formatField(a, info.name) != formatField(b, info.name)) return false;
  }
  return true;
}

void checkReadsBack(const RenderSettings& settings, const SettingsFieldInfo& field) {
  const std::string shown = formatField(settings, field.name);
  RenderSettings again = settings;
  const auto error = parseField(again, field.name, shown);
  if (error) std::fprintf(stderr, "refused: %s=%s\n", error->field.c_str(), error->text.c_str());
  FUZZ_CHECK(!error.has_value());
  FUZZ_CHECK(formatField(again, field.name) == shown);
  if (field.type == SettingsFieldType::Unsigned || field.type == SettingsFieldType::Integer)
    FUZZ_CHECK(sameBits(again, settings));
}

void checkAssignment(RenderSettings& settings, std::string_view line) {
  const RenderSettings before = settings;
  const auto error = parseAssignment(settings, line);
  if (error) {
    // A refusal names what it refused: the field given, or the whole text without '='.
    if (error->kind == FieldProblem::Kind::NotAnAssignment)
      FUZZ_CHECK(error->text == line);
    else
      FUZZ_CHECK(error->field == line.substr(0, line.find('=')));
    FUZZ_CHECK(sameBits(settings, before));
    return;
  }
  const std::size_t equals = line.find('=');
  FUZZ_CHECK(equals != std::string_view::npos);
  const std::string_view name = line.substr(0, equals);
  const SettingsFieldInfo* field = findSettingsField(name);
  FUZZ_CHECK(field != nullptr);
  FUZZ_CHECK(sameExcept(settings, before, name));
  checkReadsBack(settings, *field);
  // The same text through parseField sets the same value.
  RenderSettings direct = before;
  FUZZ_CHECK(!parseField(direct, name, line.substr(equals + 1)).has_value());
  FUZZ_CHECK(sameBits(direct, settings));
}

void checkPrintedSettingsReadBack(const RenderSettings& settings) {
  const std::string printed = formatAllFields(settings);
  RenderSettings again;
  std::string_view rest = printed;
  int lines = 0;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    FUZZ_CHECK(end != std::string_view::npos);
    FUZZ_CHECK(!parseAssignment(again, rest.substr(0, end)).has_value());
    rest.remove_prefix(end + 1);
    ++lines;
  }
  FUZZ_CHECK(lines == static_cast<int>(settingsFields().size()));
  FUZZ_CHECK(formatAllFields(again) == printed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  RenderSettings settings;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    checkAssignment(settings, text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  checkPrintedSettingsReadBack(settings);
  return 0;
}
