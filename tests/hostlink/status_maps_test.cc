// The status maps: a module status, by its low 16 bits, to an error number.
#include "hostlink/status_maps.h"

#include <gtest/gtest.h>

namespace radlyn {
namespace {

struct Row {
  MorlundStatus status;
  std::uint32_t error_number;
};

void ExpectMap(std::uint32_t (*map)(MorlundStatus), std::initializer_list<Row> rows,
               const char* name) {
  for (const Row& row : rows) {
    EXPECT_EQ(map(row.status), row.error_number) << name << " " << row.status;
  }
}

TEST(StatusMapsTest, TakeImageStatus) {
  ExpectMap(
      MapTakeImageStatus,
      {{0, 0},     {1001, 1},  {1002, 2},    {1005, 19},     {1102, 11}, {1103, 20}, {1104, 20},
       {1201, 21}, {1202, 26}, {1203, 22},   {1204, 20},     {1205, 23}, {1206, 24}, {1210, 25},
       {1211, 26}, {1213, 26}, {1214, 27},   {1215, 28},     {1216, 10}, {1217, 29}, {1218, 30},
       {1219, 14}, {1220, 31}, {1221, 32},   {1222, 24},     {1223, 24}, {1224, 33}, {1225, 34},
       {1226, 26}, {1, 26},    {0x10000, 0}, {0xABCD03E9, 1}},
      "MapTakeImageStatus");
}

TEST(StatusMapsTest, FdbOpenStatus) {
  ExpectMap(MapFdbOpenStatus,
            {{0, 0},   {1, 2},   {2, 1},   {3, 3},   {4, 4},   {5, 5},   {6, 6},
             {7, 25},  {12, 25}, {13, 10}, {14, 11}, {15, 12}, {16, 13}, {17, 25},
             {28, 14}, {29, 15}, {30, 16}, {31, 17}, {35, 18}, {36, 25}, {0x1000D, 10}},
            "MapFdbOpenStatus");
}

TEST(StatusMapsTest, FileStatus) {
  ExpectMap(MapFileStatus,
            {{0, 0},
             {11, 0},
             {1, 5},
             {7, 5},
             {8, 5},
             {2, 6},
             {3, 7},
             {4, 3},
             {5, 9},
             {6, 11},
             {9, 2},
             {10, 2},
             {12, 2},
             {13, 2},
             {14, 31},
             {0xFFFF, 31},
             {0x2000B, 0}},
            "MapFileStatus");
}

TEST(StatusMapsTest, FilterStatus) {
  ExpectMap(MapFilterStatus,
            {{0, 0}, {1, 1}, {2, 2}, {5, 2}, {3, 11}, {4, 10}, {6, 26}, {0x30000, 0}},
            "MapFilterStatus");
}

}  // namespace
}  // namespace radlyn
