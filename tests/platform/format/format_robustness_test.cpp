// Instructions come straight from a user's expression: any mix of codes must
// give an answer or nothing, never a crash, a hang or runaway text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace platform::format {
namespace {

const char16_t kLoneSurrogate[] = {0xD83D, 0};
const char16_t* const kPieces[] = {u"0", u"#", u".", u",", u"%", u"E+", u"e-", u"E", u";", u"\"", u"\\", u"@", u"&", u"<", u">",
                                   u"!", u"d", u"dddd", u"m", u"mmmm", u"y", u"yyyy", u"h", u"n", u"s", u"w", u"ww", u"q", u"c",
                                   u"ttttt", u"AM/PM", u"A/P", u"AMPM", u"/", u":", u" ", u"x", u"-", u"(", u")", u"\u00E9", u"\U0001F600", kLoneSurrogate};

com::Variant valueFor(std::mt19937& random) {
  const double numbers[] = {0, -0.0, 1, -1, 0.5, 2.675, 1e15, -1e-300, 1e308, -1e308, 46363.5, -657434, 2958465.99999,
                            std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  switch (random() % 6) {
    case 0: return com::Variant(numbers[random() % std::size(numbers)]);
    case 1: return com::Variant::date(numbers[random() % std::size(numbers)]);
    case 2: return com::Variant(u"abc");
    case 3: return com::Variant(u"-1.234,5e2");
    case 4: return com::Variant::null();
    default: return com::Variant(static_cast<std::int32_t>(random()));
  }
}

TEST(FormatRobustness, RandomInstructionsGiveBoundedTextOrNothing) {
  std::mt19937 random(20261207);
  for (const char* loc : {"en_US", "de_DE", "ar_EG", "ja_JP"}) {
    locale::setOverride(loc);
    for (int round = 0; round < 3000; ++round) {
      std::u16string instructions;
      const int length = static_cast<int>(random() % 12);
      for (int k = 0; k < length; ++k) instructions += kPieces[random() % std::size(kPieces)];
      const com::Variant value = valueFor(random);
      std::optional<std::u16string> got;
      ASSERT_NO_THROW(got = format(value, instructions)) << text::toUtf8(instructions);
      if (got) {
        EXPECT_LE(got->size(), 400 + 40 * instructions.size()) << text::toUtf8(instructions);
      }
    }
  }
  locale::setOverride("");
}

TEST(FormatRobustness, PathologicalInstructionsStaySmall) {
  locale::setOverride("en_US");
  const std::u16string commas = u"0" + std::u16string(100000, u',');
  EXPECT_EQ(format(com::Variant(1e300), commas), u"0");
  EXPECT_EQ(format(com::Variant(5.0), u"0." + std::u16string(5000, u'#')), u"5.");
  EXPECT_EQ(format(com::Variant(5.0), std::u16string(2000, u'0')).value_or(u"").size(), 2000u);
  EXPECT_EQ(format(com::Variant(std::numeric_limits<double>::max()), u"0").value_or(u"").size(), 309u);
  EXPECT_FALSE(format(com::Variant(std::numeric_limits<double>::infinity()), u"0.00"));
  locale::setOverride("");
}

std::u16string repeated(std::u16string_view piece, std::size_t times) {
  std::u16string out;
  out.reserve(piece.size() * times);
  for (std::size_t k = 0; k < times; ++k) out += piece;
  return out;
}

// A long run of one letter reads as codes of at most six letters each and
// every code shows the same text. Reading such a run once per code took time
// in its square: a million codes ran past the suite's time limit.
TEST(FormatRobustness, LongRunsOfOneCodeShowEveryCode) {
  locale::setOverride("en_US");
  const com::Variant when = com::Variant::date(46363.5);  // Monday, 7 December 2026, noon
  struct Run {
    std::u16string_view code;
    std::size_t times;
  };
  for (const Run run : {Run{u"q", 1'000'000}, Run{u"c", 400'000}, Run{u"dddddd", 400'000}, Run{u"dddd\\d", 400'000}}) {
    const auto one = format(when, run.code);
    ASSERT_TRUE(one) << text::toUtf8(run.code);
    const auto got = format(when, repeated(run.code, run.times));
    ASSERT_TRUE(got) << text::toUtf8(run.code);
    const std::u16string expected = repeated(*one, run.times);
    EXPECT_EQ(got->size(), expected.size()) << text::toUtf8(run.code);
    EXPECT_TRUE(*got == expected) << text::toUtf8(run.code);  // not printed: megabytes
  }
  EXPECT_EQ(format(when, u"ddddddddd"), u"Monday, December 7, 2026Mon");
  locale::setOverride("");
}

}  // namespace
}  // namespace platform::format
