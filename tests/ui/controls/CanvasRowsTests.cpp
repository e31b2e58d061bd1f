// What the canvas's row bands show: a band answers for a look only at its own place and
// height, and anything that draws over, clears or moves the pixels keeps the record true.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ui/controls/CanvasRows.h"

TEST(CanvasRows, ABandAnswersOnlyWhileItsPixelsStay) {
  struct Probe {
    int top, height;
    std::uint64_t look;
    bool shown;
  };
  struct Case {
    const char* name;
    std::function<void(CanvasRows&)> change;
    std::vector<Probe> probes;
  } cases[] = {
      {"as drawn", [](CanvasRows&) {}, {{0, 20, 1, true}, {20, 20, 2, true}, {40, 20, 3, true}, {0, 20, 2, false}}},
      {"another height at the same top", [](CanvasRows&) {}, {{0, 21, 1, false}}},
      {"a row drawn over half of two",
       [](CanvasRows& c) { c.Drawn(10, 20, 9); },
       {{0, 20, 1, false}, {20, 20, 2, false}, {10, 20, 9, true}, {40, 20, 3, true}}},
      {"a line cleared across one", [](CanvasRows& c) { c.Cleared(45, 46); }, {{40, 20, 3, false}, {20, 20, 2, true}}},
      {"an empty clear at an edge", [](CanvasRows& c) { c.Cleared(20, 20); }, {{0, 20, 1, true}, {20, 20, 2, true}}},
      {"moved down by 20",
       [](CanvasRows& c) { c.Scrolled(20, 60); },
       {{20, 20, 1, true}, {40, 20, 2, true}, {60, 20, 3, false}, {0, 20, 1, false}}},
      {"moved up by 30: the first leaves",
       [](CanvasRows& c) { c.Scrolled(-30, 60); },
       {{-30, 20, 1, false}, {-10, 20, 2, true}, {10, 20, 3, true}}},
      {"reset", [](CanvasRows& c) { c.Reset(); }, {{0, 20, 1, false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CanvasRows rows;
    for (int i = 0; i < 3; ++i) rows.Drawn(20 * i, 20, static_cast<std::uint64_t>(i + 1));
    c.change(rows);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(rows.Shows(p.top, p.height, p.look), p.shown) << p.top << " " << p.height << " " << p.look;
    }
  }
  CanvasRows many;
  for (int i = 0; i < 5000; ++i) many.Drawn(i * 20, 20, 1);
  EXPECT_LE(many.Count(), 1024u) << "never more bands than a view could hold";
}

TEST(CanvasRows, LooksDifferWithAnyPartAndItsOrder) {
  const auto look = [](std::uint64_t a, const std::string& t, const std::string& u) {
    return RowLook().Add(a).Add(t).Add(u).Value();
  };
  EXPECT_EQ(look(1, "ab", "c"), look(1, "ab", "c"));
  EXPECT_NE(look(1, "ab", "c"), look(2, "ab", "c"));
  EXPECT_NE(look(1, "ab", "c"), look(1, "a", "bc")) << "texts are told apart where they end";
  EXPECT_NE(look(1, "ab", "c"), look(1, "c", "ab"));
  EXPECT_NE(look(1, "", ""), look(1, "", "x"));
}
