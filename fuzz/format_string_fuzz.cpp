// Renders a value through arbitrary format instructions, as .Format does in
// a label. The instructions come straight from a user's expression, so any
// of them must give text or nothing: never a crash, text out of proportion
// to the instructions, or a different answer the second time. One input in
// sixteen repeats its instructions to some 64 000 characters, where a cost
// that grows faster than the instructions runs into libFuzzer's -timeout (not
// more: a long one takes some 100 ms under the sanitizers).
//
// Input: a byte choosing the value's kind, the locale and the repetition;
// 8 bytes of a double for numbers and dates, 4 of an integer, for text the
// value up to a NUL; then the instructions in UTF-8. The input's length
// chooses the week rules, and the repetition with the top bits of the first
// byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace {

using namespace platform;

constexpr const char* kLocales[] = {"en_US", "de_DE", "fr_FR", "pl_PL", "ar_EG", "ja_JP", "tr_TR", "hi_IN"};
constexpr std::size_t kRepeatedLength = 64000;

void require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

  com::Variant value;
  auto nextDouble = [&] {
    double d = 0;
    std::memcpy(&d, rest.data(), std::min(rest.size(), sizeof d));
    rest.remove_prefix(std::min(rest.size(), sizeof d));
    return d;
  };
  switch (mode & 7) {
    case 0: value = com::Variant(nextDouble()); break;
    case 1: value = com::Variant::date(nextDouble()); break;
    case 2: {
      std::int32_t n = 0;
      std::memcpy(&n, rest.data(), std::min(rest.size(), sizeof n));
      rest.remove_prefix(std::min(rest.size(), sizeof n));
      value = com::Variant(n);
      break;
    }
    case 3: value = com::Variant(nextDouble() != 0); break;
    case 4: value = com::Variant::null(); break;
    case 5: value = com::Variant(); break;
    default: {
      const auto end = std::min(rest.find('\0'), rest.size());
      value = com::Variant(text::fromUtf8(rest.substr(0, end)));
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
  }
  std::u16string instructions = text::fromUtf8(rest);
  if ((mode & 0xC0) == 0xC0 && size % 4 == 3 && !instructions.empty()) {
    const std::u16string once = instructions;
    while (instructions.size() < kRepeatedLength) instructions += once;
  }
  locale::setOverride(kLocales[(mode >> 3) & 7]);
  const auto firstDay = size % 2 ? format::FirstDayOfWeek::Monday : format::FirstDayOfWeek::Sunday;
  const auto firstWeek = static_cast<format::FirstWeekOfYear>(1 + size / 2 % 3);

  const auto got = format::format(value, instructions, firstDay, firstWeek);
  if (got) require(got->size() <= 400 + 40 * (instructions.size() + format::toText(value).size()));
  require(format::format(value, instructions, firstDay, firstWeek) == got);
  return 0;
}
