#include "dialogs/wrap_length.h"

#include <cmath>

#include "platform/locale/user_locale.h"

namespace dialogs {

std::int16_t wrapLengthFor(bool wrapLabels, std::u16string_view text) {
  double v = 0;
  if (!wrapLabels || !platform::locale::isDecimalText(text, &v)) return 0;
  const double n = std::nearbyint(v);  // the default rounding mode: halves to even
  if (n < 1 || n > 32767) return 0;
  return static_cast<std::int16_t>(n);
}

}  // namespace dialogs
