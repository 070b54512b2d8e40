// Per-take-type settings, as hostsim's UTL_GetPrivateProfileIntTakeType and
// UTL_GetPrivateProfileStringTakeType read them. For a key K and a take type T (region of two
// characters, then the image type of two), the first of these keys present in the section wins:
//   1. K_<T without blanks>   e.g. FilterClass_12XI; for "  XI" this is FilterClass_XI
//   2. K_<image type>         e.g. FilterClass_XI (the last two characters of T, when T has
//                             at least four)
//   3. K                      e.g. FilterClass
// and the caller's default when none is. A key present with an empty value counts as present
// (a text then reads "", an integer the caller's default, as the profile service reads an empty
// number). Key names match without regard to case, as in every INI file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

// The candidate keys in the order above (duplicates removed).
std::vector<std::string> TakeTypeKeys(std::string_view key, std::string_view take_type);

std::int32_t ReadIntTakeType(std::string_view section, std::string_view key,
                             std::string_view take_type, std::int32_t fallback,
                             std::string_view file);

// At most `limit` characters.
std::string ReadStringTakeType(std::string_view section, std::string_view key,
                               std::string_view take_type, std::string_view fallback,
                               std::size_t limit, std::string_view file);

}  // namespace hostsim
