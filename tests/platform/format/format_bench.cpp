// Throughput of the formatting calls a label run makes per class: the numeric
// test, number text, FormatNumber, FormatCurrency and Format with number,
// date and text instructions. Usage: format_bench [locale] [iterations]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"

using namespace platform;

template <typename F>
void measure(const char* name, int iterations, F&& f) {
  std::size_t sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < iterations; ++i) sink += f(i);
  const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%-28s %9.2f us/call  (%zu)\n", name, elapsed.count() / iterations, sink % 10);
}

int main(int argc, char** argv) {
  locale::setOverride(argc > 1 ? argv[1] : "en_US");
  const int n = argc > 2 ? std::atoi(argv[2]) : 20000;
  const com::Variant when = com::Variant::date(46363.5);
  measure("isNumeric", n, [](int i) { return locale::isNumeric(i % 2 ? u" 1,234.5 " : u"abc") ? 1u : 0u; });
  measure("numberText", n, [](int i) { return format::numberText(i * 1.000123).size(); });
  measure("formatNumber(2)", n, [](int i) { return format::formatNumber(i * 1.5, 2)->size(); });
  measure("formatCurrency", n, [](int i) { return format::formatCurrency(i * -1.5).size(); });
  measure("format #,##0.00", n, [](int i) { return format::format(com::Variant(i * 1.5), u"#,##0.00")->size(); });
  measure("format 0.00E+00", n, [](int i) { return format::format(com::Variant(i * 1.5), u"0.00E+00")->size(); });
  measure("format dddd d mmmm yyyy", n, [&](int) { return format::format(when, u"dddd d mmmm yyyy")->size(); });
  measure("format Short Date", n, [&](int) { return format::format(when, u"Short Date")->size(); });
  measure("format @@@-@@@@", n, [](int) { return format::format(com::Variant(u"5551234"), u"@@@-@@@@")->size(); });
  measure("toText(date)", n, [&](int) { return format::toText(when).size(); });
  return 0;
}
