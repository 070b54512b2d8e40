#include "xml/typed_value.h"

#include <cstdio>

namespace radlyn {

TypedValue TypedValue::Null() { return TypedValue(Storage(NullTag{})); }
TypedValue TypedValue::Text(std::string text) { return TypedValue(Storage(std::move(text))); }
TypedValue TypedValue::Boolean(bool value) { return TypedValue(Storage(value)); }
TypedValue TypedValue::Integer(std::int32_t value) { return TypedValue(Storage(value)); }
TypedValue TypedValue::DateTime(const XmlDateTime& value) { return TypedValue(Storage(value)); }

TypedValue::Kind TypedValue::kind() const {
  // The alternatives of Storage, in order.
  constexpr Kind kKinds[] = {Kind::kEmpty,   Kind::kNull,    Kind::kText,
                             Kind::kBoolean, Kind::kInteger, Kind::kDateTime};
  return kKinds[value_.index()];
}

std::string TypedValue::TextForm() const {
  switch (kind()) {
    case Kind::kEmpty:
    case Kind::kNull:
      return {};
    case Kind::kText:
      return text();
    case Kind::kBoolean:
      return boolean() ? "1" : "0";
    case Kind::kInteger:
      return std::to_string(integer());
    case Kind::kDateTime: {
      const XmlDateTime& t = date_time();
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                    t.hour, t.minute, t.second);
      return buffer;
    }
  }
  return {};
}

}  // namespace radlyn
