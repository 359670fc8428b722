#pragma once
// SettingsFields: every RenderSettings field by name, for qn-render's --set FIELD=VALUE and
// --print-settings and for tests. A table drives both reading and writing, so a field
// added to RenderSettings is added here once. It applies no dialog rules (see
// SettingsValidation.h): any value a document file can hold can be set and printed.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/RenderSettings.h"

enum class SettingsFieldType {
  Unsigned,  // 32-bit unsigned, decimal
  Integer,   // 32-bit signed, decimal
  Double,    // "%.*g" with precision 15
  Vector,    // three doubles separated by commas: "0,0,256"
};

struct SettingsFieldInfo {
  std::string_view name;  // the RenderSettings member's name: "screenWidth", "viewpoint", ...
  SettingsFieldType type;
};

// All fifteen fields in the order of RenderSettings.
std::span<const SettingsFieldInfo> settingsFields();

// The field of that exact name, or null.
const SettingsFieldInfo* findSettingsField(std::string_view name);

// The field's value as text ("320", "0.25", "0,0,256"); parseField reads it back to the
// same value. An empty string for an unknown name.
std::string formatField(const RenderSettings& settings, std::string_view name);

// Why a field could not be set. Only the facts: the texts that tell the user live with
// the program that shows them.
struct FieldProblem {
  enum class Kind {
    UnknownField,     // no field of that name
    BadValue,         // the text is not a value of the field's type
    NotAnAssignment,  // an assignment without '='
  };
  Kind kind;
  std::string field;  // the name given (empty for NotAnAssignment)
  std::string text;   // the value text (the whole assignment for NotAnAssignment)
  SettingsFieldType type = SettingsFieldType::Unsigned;  // BadValue: what was expected
};

// Sets the field from text. Numbers follow NumberText's reading rules (blanks around a
// number allowed, a zero only when written with the digit 0, no "nan" or "inf"); an
// Integer field takes an optional '-'. Returns nullopt when the field was set, otherwise
// what was wrong; on error settings is unchanged.
std::optional<FieldProblem> parseField(RenderSettings& settings, std::string_view name,
                                       std::string_view text);

// "FIELD=VALUE" as given to --set: the same as parseField with the text split at the first '='.
std::optional<FieldProblem> parseAssignment(RenderSettings& settings, std::string_view assignment);

// Every field as a "name=value" line, in table order, for --print-settings.
std::string formatAllFields(const RenderSettings& settings);
