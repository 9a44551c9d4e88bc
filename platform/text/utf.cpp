#include "platform/text/utf.h"

#include <unicode/ustring.h>

namespace text {

std::string toUtf8(std::u16string_view s) {
  if (s.empty()) return {};
  std::string out(s.size() * 3, '\0');
  int32_t len = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &len, s.data(), static_cast<int32_t>(s.size()),
                     0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(len));
  return out;
}

std::u16string fromUtf8(std::string_view s) {
  if (s.empty()) return {};
  std::u16string out(s.size(), u'\0');
  int32_t len = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &len, s.data(), static_cast<int32_t>(s.size()),
                       0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(len));
  return out;
}

}  // namespace text
