#pragma once
// The variant value of the object model: field values, summaries, statement
// results and dispatch arguments. Dates are OLE automation dates (days since
// 30 December 1899, the fraction being the time of day).
#include <cstdint>
#include <string>
#include <variant>

#include "platform/com/unknown.h"

namespace com {

class Variant {
 public:
  enum class Kind { Empty, Null, Int16, Int32, Double, Date, Bool, Text, Object };

  Variant() = default;
  Variant(std::int16_t v) : v_(v) {}
  Variant(std::int32_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(bool v) : v_(v) {}
  Variant(std::u16string v) : v_(std::move(v)) {}
  Variant(const char16_t* v) : v_(std::u16string(v)) {}
  Variant(ComPtr<IUnknown> v) : v_(std::move(v)) {}
  template <class T>
    requires(!std::is_same_v<T, IUnknown>)
  Variant(const ComPtr<T>& v) : v_(query<IUnknown>(v.get())) {}

  static Variant null() {
    Variant r;
    r.v_ = NullTag{};
    return r;
  }
  static Variant date(double oleDate) {
    Variant r;
    r.v_ = DateTag{oleDate};
    return r;
  }

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool isEmpty() const { return kind() == Kind::Empty; }
  bool isNull() const { return kind() == Kind::Null; }
  bool isText() const { return kind() == Kind::Text; }
  bool isDate() const { return kind() == Kind::Date; }
  bool isBool() const { return kind() == Kind::Bool; }
  bool isObject() const { return kind() == Kind::Object; }
  // Int16, Int32 or Double.
  bool isNumber() const { return kind() == Kind::Int16 || kind() == Kind::Int32 || kind() == Kind::Double; }

  // Accessors for the stored kind; std::bad_variant_access otherwise.
  std::int16_t int16() const { return std::get<std::int16_t>(v_); }
  std::int32_t int32() const { return std::get<std::int32_t>(v_); }
  double real() const { return std::get<double>(v_); }
  double oleDate() const { return std::get<DateTag>(v_).value; }
  bool boolean() const { return std::get<bool>(v_); }
  const std::u16string& text() const { return std::get<std::u16string>(v_); }
  const ComPtr<IUnknown>& object() const { return std::get<ComPtr<IUnknown>>(v_); }

  // A number kind, a boolean (true is -1, as in automation) or a date as a double.
  double toDouble() const;

  friend bool operator==(const Variant& a, const Variant& b) { return a.v_ == b.v_; }

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) { return true; }
  };
  struct DateTag {
    double value;
    friend bool operator==(DateTag a, DateTag b) { return a.value == b.value; }
  };
  std::variant<std::monostate, NullTag, std::int16_t, std::int32_t, double, DateTag, bool, std::u16string,
               ComPtr<IUnknown>>
      v_;
};

inline double Variant::toDouble() const {
  switch (kind()) {
    case Kind::Int16: return int16();
    case Kind::Int32: return int32();
    case Kind::Double: return real();
    case Kind::Date: return oleDate();
    case Kind::Bool: return boolean() ? -1.0 : 0.0;
    case Kind::Empty: return 0.0;
    default: throw std::bad_variant_access();
  }
}

}  // namespace com
