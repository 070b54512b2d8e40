#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostlink/auto_post.h"
#include "hostlink/status_maps.h"

namespace radlyn {
namespace {

TEST(AutoPostPartsTest, WweTextGivesBlockValuesWithDefaultsForMissingAndOutOfRangeValues) {
  struct Case {
    const char* text;
    WweValues expected;
  };
  const Case kCases[] = {
      {"5", {24, 1, 7000, 0, 1000, 40}},
      {"", {24, 1, 7000, 0, 1000, 40}},
      {"1,0,50000,-3,2000", {24, 1, 7000, 0, 1000, 40}},
      {"1,8000,100,2000,60", {24, 1, 8000, 100, 2000, 60}},
      {"1,30000,30000,30000,1000", {24, 1, 30000, 30000, 30000, 1000}},
      {"1,30001,30001,30001,1001", {24, 1, 7000, 0, 1000, 40}},
      {"9,,,,", {24, 1, 7000, 0, 0, 0}},
      {"x, 12abc ,7,8,9,10,11", {24, 1, 12, 7, 8, 9}},
      {"1,99999999999,-99999999999", {24, 1, 7000, 0, 1000, 40}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(WweValuesFromText(c.text), c.expected);
  }
}

// Counts the blocks the WWE code allocates and frees; can refuse allocations.
class CountingMemory : public platform::GlobalMemory {
 public:
  GmHandle Alloc(std::uint32_t bytes) override {
    if (refuse) return 0;
    ++allocated;
    return GmAlloc(bytes);
  }
  GmHandle Free(GmHandle handle) override {
    ++freed;
    return GmFree(handle);
  }
  bool refuse = false;
  int allocated = 0;
  int freed = 0;

 private:
  platform::ScopedService<platform::GlobalMemory> installed_{*this};
};

TEST(AutoPostPartsTest, WweBlockHoldsTheValuesLittleEndianAndIsFreedWithItsOwner) {
  CountingMemory memory;
  {
    WweBlock block = ParseWweValues("1,8000,100,2000,60");
    ASSERT_NE(block.address(), nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(block.address());
    const std::uint8_t expected_start[] = {24, 0, 0, 0, 1, 0, 0, 0, 0x40, 0x1F, 0, 0};
    EXPECT_EQ(std::memcmp(bytes, expected_start, sizeof expected_start), 0);
    EXPECT_EQ(records::ReadU32(bytes, wwe::ValueField(5)), 60u);
    WweBlock moved = std::move(block);
    EXPECT_EQ(block.address(), nullptr);
  }
  EXPECT_EQ(memory.allocated, 1);
  EXPECT_EQ(memory.freed, 1);

  memory.refuse = true;
  EXPECT_EQ(ParseWweValues("1,2").address(), nullptr);
}

TEST(AutoPostPartsTest, ExtensionTextIsTheSecondTextOfTheBlockAndNeverReadsBeyondIt) {
  struct Case {
    const char* name;
    std::string block;  // empty: no block at all
    std::string expected;
  };
  using namespace std::string_literals;
  const Case kCases[] = {
      {"no block", "", ""},
      {"second text", "first\0<EXTENSION/>\0"s, "<EXTENSION/>"},
      {"empty first text", "\0second\0"s, "second"},
      {"block ends with the first text", "first\0"s, ""},
      {"one byte more", "first\0x"s, ""},
      {"second text without terminator", "first\0xy"s, "xy"},
      {"first text fills the block", "firstfirst"s, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::uint8_t take_record[records::take::kSize] = {};
    GmHandle block = 0;
    if (!c.block.empty()) {
      block = GmAlloc(static_cast<std::uint32_t>(c.block.size()));
      std::memcpy(GmLock(block), c.block.data(), c.block.size());
      GmUnlock(block);
      records::WriteU32(take_record, records::take::kExtensionHandle, block);
    }
    EXPECT_EQ(GetTakeExtensionText(take_record), c.expected);
    if (block != 0) GmFree(block);
  }
}

TEST(AutoPostPartsTest, DocumentTextsStayByteForByteUnlessTheyWouldBeMarkup) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case kCases[] = {
      {"TXRay,120,kV,60,mA,7", "TXRay,120,kV,60,mA,7"},
      {"a > b", "a > b"},
      {"A&amp;B &lt;&gt;&quot;&apos;", "A&amp;B &lt;&gt;&quot;&apos;"},
      {"&#60;&#x3C;&#x3c;", "&#60;&#x3C;&#x3c;"},
      {"", ""},
      {"a<b", "a&lt;b"},
      {"a & b > c", "a &amp; b &gt; c"},
      {"x]]>y", "x]]&gt;y"},
      {"&amp;<", "&amp;amp;&lt;"},
      {"&#;", "&amp;#;"},
      {"&#x;", "&amp;#x;"},
      {"&#12", "&amp;#12"},
      {"&nbsp;", "&amp;nbsp;"},
      {"</HW><INI>", "&lt;/HW&gt;&lt;INI&gt;"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AsDocumentText(c.text), c.expected);
  }
}

TEST(AutoPostPartsTest, FilterClassesAndFilterStatusesMapByTable) {
  EXPECT_EQ(FilterForClass(1).code, 7u);
  EXPECT_EQ(FilterForClass(2).code, 9u);
  EXPECT_TRUE(FilterForClass(2).needs_wwe);
  EXPECT_EQ(FilterForClass(3).code, 4u);
  for (std::int32_t other : {0, 4, -1, 100}) {
    EXPECT_EQ(FilterForClass(other).code, 0u);
    EXPECT_FALSE(FilterForClass(other).needs_wwe);
  }
  const std::pair<MorlundStatus, std::uint32_t> kStatuses[] = {
      {0, 0},  {1, 1},  {2, 2},       {5, 2},       {3, 11},
      {4, 10}, {6, 26}, {0xFFFF, 26}, {0x10000, 0}, {0xABCD0004, 10}};
  for (const auto& [status, number] : kStatuses) {
    EXPECT_EQ(MapFilterStatus(status), number) << status;
  }
}

}  // namespace
}  // namespace radlyn
