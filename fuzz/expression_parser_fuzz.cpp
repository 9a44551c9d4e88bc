// Feeds arbitrary text to the expression parser, the token splitter, the
// formatting statements of whatever parsed and the label wrapper. Any crash,
// sanitizer report, hang or broken invariant is a finding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/expression_parser.h"
#include "engine/formatting_statements.h"
#include "engine/label_wrap.h"
#include "platform/text/utf.h"

namespace {

void require(bool ok) {
  if (!ok) std::abort();
}

// No lone surrogates in a text that had none.
bool wellFormed(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // First byte: how to read the rest and the wrap width.
  const std::uint8_t mode = data[0];
  std::u16string text;
  if (mode & 1) {
    for (std::size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    text = text::fromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  }
  const int width = static_cast<int>(mode >> 1) - 8;

  engine::LabelerFields fields;
  const bool ok = engine::EvaluateExpression(fields, text);
  require(fields.LabelsValid == ok);
  require(!fields.Message.empty());
  std::size_t length = 0;
  for (const auto& piece : fields.ExpressionPieces) {
    if (piece.kind == u"Field") {
      require(!piece.statements.empty());
      length += piece.content.size() + 2;
    } else {
      require(piece.statements.empty());
      length += piece.content.size() + (piece.kind == u"LEGEND" ? 2 : 0);
    }
  }
  require(length <= text.size());

  // Every statement of every field, applied to the expression's own text.
  com::Variant value = text;
  for (const auto& piece : fields.ExpressionPieces) {
    for (const auto& s : piece.statements) value = engine::ApplyFormattingStatement(value, s.name, s.arg1, s.arg2);
  }

  const std::u16string wrapped = engine::WrapLabelText(text, width);
  if (width <= 0) require(wrapped == text);
  if (wellFormed(text)) require(wellFormed(wrapped));
  engine::SplitLegendTokens(text);
  return 0;
}
