// TypedValue: the value read from an XML node or attribute, tagged with its kind. A fresh value
// is empty; "null" is the parser's answer for an absent attribute. The other kinds carry text,
// a boolean, a signed 32-bit integer or a date and time to the second.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace radlyn {

struct XmlDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const XmlDateTime&, const XmlDateTime&) = default;
};

class TypedValue {
 public:
  enum class Kind { kEmpty, kNull, kText, kBoolean, kInteger, kDateTime };

  TypedValue() = default;
  static TypedValue Null();
  static TypedValue Text(std::string text);
  static TypedValue Boolean(bool value);
  static TypedValue Integer(std::int32_t value);
  static TypedValue DateTime(const XmlDateTime& value);

  Kind kind() const;
  // The content of the kind the value has; only valid for that kind.
  const std::string& text() const { return std::get<std::string>(value_); }
  bool boolean() const { return std::get<bool>(value_); }
  std::int32_t integer() const { return std::get<std::int32_t>(value_); }
  const XmlDateTime& date_time() const { return std::get<XmlDateTime>(value_); }

  // The value as text: text unchanged, empty and null as "", integers in decimal, booleans as
  // "1" or "0", date-times as "YYYY-MM-DDTHH:MM:SS".
  std::string TextForm() const;

  friend bool operator==(const TypedValue&, const TypedValue&) = default;

 private:
  struct NullTag {
    friend bool operator==(const NullTag&, const NullTag&) = default;
  };
  using Storage =
      std::variant<std::monostate, NullTag, std::string, bool, std::int32_t, XmlDateTime>;

  explicit TypedValue(Storage value) : value_(std::move(value)) {}

  Storage value_;
};

}  // namespace radlyn
