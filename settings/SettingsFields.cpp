// The name table of RenderSettings: one row per field with a pointer to its member, so
// formatting and parsing are written once per type, not once per field.

#include "settings/SettingsFields.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <system_error>
#include <variant>

#include "settings/NumberText.h"

namespace {

using Member = std::variant<std::uint32_t RenderSettings::*, std::int32_t RenderSettings::*,
                            double RenderSettings::*, Vec3 RenderSettings::*>;

struct FieldRow {
  SettingsFieldInfo info;
  Member member;
};

const std::array<FieldRow, 15> kFields{{
    {{"screenWidth", SettingsFieldType::Unsigned}, &RenderSettings::screenWidth},
    {{"screenHeight", SettingsFieldType::Unsigned}, &RenderSettings::screenHeight},
    {{"distance", SettingsFieldType::Double}, &RenderSettings::distance},
    {{"nearLimit", SettingsFieldType::Double}, &RenderSettings::nearLimit},
    {{"viewpoint", SettingsFieldType::Vector}, &RenderSettings::viewpoint},
    {{"lookAt", SettingsFieldType::Vector}, &RenderSettings::lookAt},
    {{"lightDirection", SettingsFieldType::Vector}, &RenderSettings::lightDirection},
    {{"lightColor", SettingsFieldType::Vector}, &RenderSettings::lightColor},
    {{"ambient", SettingsFieldType::Double}, &RenderSettings::ambient},
    {{"sliceEnabled", SettingsFieldType::Integer}, &RenderSettings::sliceEnabled},
    {{"sliceMin", SettingsFieldType::Unsigned}, &RenderSettings::sliceMin},
    {{"sliceMax", SettingsFieldType::Unsigned}, &RenderSettings::sliceMax},
    {{"subdivisionMode", SettingsFieldType::Integer}, &RenderSettings::subdivisionMode},
    {{"emphasisRate", SettingsFieldType::Double}, &RenderSettings::emphasisRate},
    {{"wireframe", SettingsFieldType::Integer}, &RenderSettings::wireframe},
}};

const std::array<SettingsFieldInfo, 15> kInfos = [] {
  std::array<SettingsFieldInfo, 15> infos{};
  for (std::size_t i = 0; i < kFields.size(); ++i) infos[i] = kFields[i].info;
  return infos;
}();

const FieldRow* findRow(std::string_view name) {
  for (const FieldRow& row : kFields) {
    if (row.info.name == name) return &row;
  }
  return nullptr;
}

std::optional<std::int32_t> parseInteger(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Vec3> parseVector(std::string_view text) {
  double parts[3] = {};
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = text.find(',');
    if ((i < 2) == (comma == std::string_view::npos)) return std::nullopt;  // exactly two commas
    const std::optional<double> value = parseDouble(text.substr(0, comma));
    if (!value) return std::nullopt;
    parts[i] = *value;
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return Vec3{parts[0], parts[1], parts[2]};
}

// The reading of each member type, chosen by overload on the member pointer.
std::optional<std::uint32_t> parseAs(std::uint32_t RenderSettings::*, std::string_view text) {
  return parseUnsigned(text);
}
std::optional<std::int32_t> parseAs(std::int32_t RenderSettings::*, std::string_view text) {
  return parseInteger(text);
}
std::optional<double> parseAs(double RenderSettings::*, std::string_view text) {
  return parseDouble(text);
}
std::optional<Vec3> parseAs(Vec3 RenderSettings::*, std::string_view text) {
  return parseVector(text);
}

}  // namespace

std::span<const SettingsFieldInfo> settingsFields() { return kInfos; }

const SettingsFieldInfo* findSettingsField(std::string_view name) {
  const FieldRow* row = findRow(name);
  return row ? &row->info : nullptr;
}

std::string formatField(const RenderSettings& settings, std::string_view name) {
  const FieldRow* row = findRow(name);
  if (!row) return {};
  struct Formatter {
    const RenderSettings& s;
    std::string operator()(std::uint32_t RenderSettings::*m) const { return formatUnsigned(s.*m); }
    std::string operator()(std::int32_t RenderSettings::*m) const { return std::to_string(s.*m); }
    std::string operator()(double RenderSettings::*m) const { return formatDouble(s.*m); }
    std::string operator()(Vec3 RenderSettings::*m) const {
      const Vec3& v = s.*m;
      return formatDouble(v.x) + "," + formatDouble(v.y) + "," + formatDouble(v.z);
    }
  };
  return std::visit(Formatter{settings}, row->member);
}

std::optional<FieldProblem> parseField(RenderSettings& settings, std::string_view name,
                                       std::string_view text) {
  const FieldRow* row = findRow(name);
  if (!row)
    return FieldProblem{FieldProblem::Kind::UnknownField, std::string(name), std::string(text)};
  const bool set = std::visit(
      [&](auto member) {
        const auto value = parseAs(member, text);
        if (value) settings.*member = *value;
        return value.has_value();
      },
      row->member);
  if (set) return std::nullopt;
  return FieldProblem{FieldProblem::Kind::BadValue, std::string(name), std::string(text),
                      row->info.type};
}

std::optional<FieldProblem> parseAssignment(RenderSettings& settings, std::string_view assignment) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos)
    return FieldProblem{FieldProblem::Kind::NotAnAssignment, {}, std::string(assignment)};
  return parseField(settings, assignment.substr(0, equals), assignment.substr(equals + 1));
}

std::string formatAllFields(const RenderSettings& settings) {
  std::string lines;
  for (const FieldRow& row : kFields) {
    lines += std::string(row.info.name) + "=" + formatField(settings, row.info.name) + "\n";
  }
  return lines;
}
