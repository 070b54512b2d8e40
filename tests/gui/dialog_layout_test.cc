// Dialog units, dialog texts and icon ids as the GTK backend uses them.
#include <gtest/gtest.h>

#include "platform/gtk/dialog_text.h"
#include "platform/gtk/dialog_units.h"
#include "resources/dialog_templates.h"
#include "resources/program_icon.h"

namespace radlyn::platform {
namespace {

TEST(DialogUnitsTest, AverageWidthIsHalfOfTheTwentySixthRoundedUp) {
  const struct {
    int sample_width;
    int char_width;
  } cases[] = {{286, 6}, {311, 6}, {337, 6}, {338, 7}, {364, 7}, {0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(BaseUnitsFromSample(c.sample_width, 13).char_width, c.char_width) << c.sample_width;
  }
}

TEST(DialogUnitsTest, PixelsRoundToNearestWithHalvesAwayFromZero) {
  // MS Sans Serif 8 at 96 dots per inch: 6 by 13 pixels per character.
  const DialogBaseUnits classic{6, 13};
  const struct {
    int units;
    int horizontal;
    int vertical;
  } cases[] = {
      {312, 468, 507},                // the information dialog's width
      {101, 152, 164},                // its height: 164.125
      {14, 21, 23},                   // a button's height: 22.75
      {15, 23, 24},                   // 22.5 horizontally, half rounded up
      {3, 5, 5},                      // the separator: 4.5 and 4.875
      {1, 2, 2},                      // 1.5 and 1.625
      {0, 0, 0},       {-3, -5, -5},  // negative positions mirror positive ones
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HorizontalPixels(c.units, classic), c.horizontal) << c.units;
    EXPECT_EQ(VerticalPixels(c.units, classic), c.vertical) << c.units;
  }
}

TEST(DialogTextTest, AmpersandMarksBecomeGtkMnemonics) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"OK", "OK"},
      {"&OK", "_OK"},
      {"Save && close", "Save & close"},
      {"file_name", "file__name"},
      {"trailing &", "trailing "},
      {"&&&x", "&_x"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToMnemonicText(c.text), c.shown) << c.text;
}

TEST(ProgramIconTest, DrawingDataCarriesTheIdTheDialogsName) {
  EXPECT_EQ(resources::kProgramIconId, kProgramIconId);
}

}  // namespace
}  // namespace radlyn::platform
