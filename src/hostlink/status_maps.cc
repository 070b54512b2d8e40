#include "hostlink/status_maps.h"

#include <algorithm>
#include <iterator>

namespace radlyn {
namespace {

struct StatusRow {
  std::uint16_t status;
  std::uint32_t error_number;
};

template <std::size_t N>
std::uint32_t Lookup(const StatusRow (&table)[N], MorlundStatus status, std::uint32_t fallback) {
  const std::uint16_t word = StatusWord(status);
  const auto* row = std::find_if(std::begin(table), std::end(table),
                                 [word](const StatusRow& r) { return r.status == word; });
  return row != std::end(table) ? row->error_number : fallback;
}

constexpr StatusRow kTakeImageStatus[] = {
    {0, 0},     {1001, 1},  {1002, 2},  {1005, 19}, {1102, 11}, {1103, 20}, {1104, 20},
    {1201, 21}, {1203, 22}, {1204, 20}, {1205, 23}, {1206, 24}, {1210, 25}, {1214, 27},
    {1215, 28}, {1216, 10}, {1217, 29}, {1218, 30}, {1219, 14}, {1220, 31}, {1221, 32},
    {1222, 24}, {1223, 24}, {1224, 33}, {1225, 34},
};

constexpr StatusRow kFdbOpenStatus[] = {
    {0, 0},   {1, 2},   {2, 1},   {3, 3},   {4, 4},   {5, 5},   {6, 6},   {13, 10},
    {14, 11}, {15, 12}, {16, 13}, {28, 14}, {29, 15}, {30, 16}, {31, 17}, {35, 18},
};

constexpr StatusRow kFileStatus[] = {
    {0, 0}, {11, 0}, {1, 5},  {7, 5}, {8, 5},  {2, 6},  {3, 7},
    {4, 3}, {5, 9},  {6, 11}, {9, 2}, {10, 2}, {12, 2}, {13, 2},
};

constexpr StatusRow kFilterStatus[] = {
    {0, 0}, {1, 1}, {2, 2}, {5, 2}, {3, 11}, {4, 10},
};

}  // namespace

std::uint32_t MapTakeImageStatus(MorlundStatus status) {
  return Lookup(kTakeImageStatus, status, 26);
}

std::uint32_t MapFdbOpenStatus(MorlundStatus status) { return Lookup(kFdbOpenStatus, status, 25); }

std::uint32_t MapFileStatus(MorlundStatus status) { return Lookup(kFileStatus, status, 31); }

std::uint32_t MapFilterStatus(MorlundStatus status) { return Lookup(kFilterStatus, status, 26); }

}  // namespace radlyn
