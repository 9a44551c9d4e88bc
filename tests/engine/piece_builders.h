#pragma once
// Short spellings of parsed pieces for expected values, and printers so a
// failing comparison shows the pieces readably.
#include <ostream>
#include <string>

#include "engine/expression_pieces.h"
#include "platform/text/utf.h"

namespace com {

inline void PrintTo(const Variant& v, std::ostream* os) {
  switch (v.kind()) {
    case Variant::Kind::Int16: *os << v.int16() << "i16"; break;
    case Variant::Kind::Int32: *os << v.int32(); break;
    case Variant::Kind::Double: *os << v.real() << "d"; break;
    case Variant::Kind::Bool: *os << (v.boolean() ? "True" : "False"); break;
    case Variant::Kind::Text: *os << '\'' << text::toUtf8(v.text()) << '\''; break;
    case Variant::Kind::Null: *os << "Null"; break;
    case Variant::Kind::Empty: *os << "Empty"; break;
    case Variant::Kind::Date: *os << "#" << v.oleDate() << "#"; break;
    case Variant::Kind::Object: *os << "<object>"; break;
  }
}

}  // namespace com

namespace engine {

inline void PrintTo(const FormattingStatement& s, std::ostream* os) {
  *os << text::toUtf8(s.name) << '(';
  com::PrintTo(s.arg1, os);
  *os << ',';
  com::PrintTo(s.arg2, os);
  *os << ')';
}

inline void PrintTo(const ExpressionPiece& p, std::ostream* os) {
  *os << text::toUtf8(p.kind) << "\"" << text::toUtf8(p.content) << "\"";
  if (!p.statements.empty()) {
    *os << '[';
    for (std::size_t i = 0; i < p.statements.size(); ++i) {
      if (i) *os << ' ';
      PrintTo(p.statements[i], os);
    }
    *os << ']';
  }
}

}  // namespace engine

namespace pieces {

using engine::ExpressionPiece;
using engine::FormattingStatement;

inline FormattingStatement S(std::u16string name) { return {std::move(name), std::u16string(), std::u16string()}; }
inline FormattingStatement S(std::u16string name, std::int32_t a) { return {std::move(name), a, std::u16string()}; }
inline FormattingStatement S(std::u16string name, std::int32_t a, std::int32_t b) { return {std::move(name), a, b}; }
inline FormattingStatement S(std::u16string name, std::u16string a) {
  return {std::move(name), std::move(a), std::u16string()};
}
inline FormattingStatement S(std::u16string name, std::u16string a, std::u16string b) {
  return {std::move(name), std::move(a), std::move(b)};
}

inline ExpressionPiece T(std::u16string text) { return {u"Text", std::move(text), {}}; }
inline ExpressionPiece L(std::u16string word) { return {u"LEGEND", std::move(word), {}}; }
inline ExpressionPiece F(std::u16string name, std::vector<FormattingStatement> statements) {
  return {u"Field", std::move(name), std::move(statements)};
}

}  // namespace pieces
