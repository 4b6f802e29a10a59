#include "devices/switcher/switcher_tbar.h"

#include <gtest/gtest.h>

namespace {
TEST(SwitcherTbar, PositionsBecomeProgressValuesFromEitherEnd) {
  EXPECT_EQ(classify_tbar(1, 129).kind, TbarCase::AtStart);
  EXPECT_EQ(classify_tbar(1, 129).value, 1);
  EXPECT_EQ(classify_tbar(1, 128).value, 1);
  EXPECT_EQ(classify_tbar(1, 1).value, 128);
  EXPECT_EQ(classify_tbar(1, 1).kind, TbarCase::PartWay);
  EXPECT_EQ(classify_tbar(1, 0).kind, TbarCase::Complete);
  EXPECT_EQ(classify_tbar(1, 0).value, 128);
  EXPECT_EQ(classify_tbar(0, 0).kind, TbarCase::AtStart);
  EXPECT_EQ(classify_tbar(0, 57).value, 57);
  EXPECT_EQ(classify_tbar(0, 129).kind, TbarCase::Complete);
  // The bar's press re-sends where it stands, never 0.
  EXPECT_EQ(tbar_press_value(129, 1), 1);
  EXPECT_EQ(tbar_press_value(0, 1), 128);
  EXPECT_EQ(tbar_press_value(0, 0), 1);
  EXPECT_EQ(tbar_press_value(129, 0), 128);
}

TEST(SwitcherTbar, ReportsPlaceTheBarAndAreTakenAsAlreadySent) {
  const TbarPlacement a = place_tbar_report(0, 128);
  EXPECT_EQ(a.position, 129);
  EXPECT_EQ(a.pre, 129);
  EXPECT_EQ(a.direction, 0);
  const TbarPlacement b = place_tbar_report(1, 20);
  EXPECT_EQ(b.position, 108);
  EXPECT_EQ(b.pre, 108);
  EXPECT_EQ(b.direction, 1);
  // Values outside the travel are clamped, and so is what counts as sent.
  const TbarPlacement c = place_tbar_report(1, 200);
  EXPECT_EQ(c.position, 0);
  EXPECT_EQ(c.pre, 0);
  EXPECT_EQ(place_tbar_report(7, 250).position, 129);
  // A direction byte other than 1 is stored as 0.
  for (uint8_t d : {uint8_t{0}, uint8_t{2}, uint8_t{7}, uint8_t{0xFF}}) {
    EXPECT_EQ(place_tbar_report(d, 20).direction, 0) << int(d);
    EXPECT_EQ(place_tbar_report(d, 20).position, 20) << int(d);
  }
}

TEST(SwitcherTbar, DurationBoxGivesTheAutoStepAndEnterFormatsIt) {
  EXPECT_EQ(auto_step_interval_ms(QStringLiteral("02:00")), 15);
  EXPECT_EQ(auto_step_interval_ms(QStringLiteral("00:00")), 1);
  EXPECT_EQ(auto_step_interval_ms(QStringLiteral("1:50")), 8);
  EXPECT_EQ(auto_step_interval_ms(QStringLiteral("")), 1);
  EXPECT_EQ(auto_step_interval_ms(QStringLiteral("3")), 23);
  EXPECT_EQ(duration_text_after_enter(QStringLiteral("02:00")), QStringLiteral("01:00"));
  EXPECT_EQ(duration_text_after_enter(QStringLiteral("3507")), QStringLiteral("35:07"));
  EXPECT_EQ(duration_text_after_enter(QStringLiteral("x")), QStringLiteral("01:00"));
  EXPECT_EQ(auto_step_interval_ms(duration_text_after_enter(QStringLiteral("3507"))), 35007 / 128);
}
}  // namespace

namespace {
TEST(SwitcherTbar, DurationEditsAreWhatTypingAllows) {
  // Removing a stretch, whatever the box holds.
  EXPECT_TRUE(duration_edit_allowed(QStringLiteral("02:00"), QStringLiteral("02:0")));
  EXPECT_TRUE(duration_edit_allowed(QStringLiteral("02:00"), QString()));
  EXPECT_TRUE(duration_edit_allowed(QStringLiteral("02:00"), QStringLiteral("0200")));
  // Digits in place of a stretch, at most four characters in the end.
  EXPECT_TRUE(duration_edit_allowed(QString(), QStringLiteral("1234")));
  EXPECT_TRUE(duration_edit_allowed(QStringLiteral("02:"), QStringLiteral("02:5")));
  EXPECT_TRUE(duration_edit_allowed(QStringLiteral("02:00"), QStringLiteral("7")));
  EXPECT_FALSE(duration_edit_allowed(QStringLiteral("02:00"), QStringLiteral("02:07")));
  EXPECT_FALSE(duration_edit_allowed(QString(), QStringLiteral("12345")));
  EXPECT_FALSE(duration_edit_allowed(QStringLiteral("12"), QStringLiteral("1a2")));
  EXPECT_FALSE(duration_edit_allowed(QStringLiteral("12"), QStringLiteral("1:2")));
  EXPECT_FALSE(duration_edit_allowed(QString(), QStringLiteral("\u0661")));  // not an ASCII digit
}
}  // namespace
