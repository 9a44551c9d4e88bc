// The dispatch table and the argument conversions behind late-bound calls.
#include "platform/com/dispatch_table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/com/error.h"
#include "platform/com/variant_coerce.h"

namespace {

using com::Variant;
using K = Variant::Kind;

struct Conversion {
  const char* what;
  Variant value;
  K target;
  std::optional<Variant> expected;  // nullopt: refused
  com::HRESULT refusal = com::S_OK;
};

void PrintTo(const Conversion& c, std::ostream* os) { *os << c.what; }

class ConversionCase : public testing::TestWithParam<Conversion> {};

TEST_P(ConversionCase, ConvertsOrRefuses) {
  const auto& c = GetParam();
  try {
    Variant got = com::coerce(c.value, c.target);
    ASSERT_TRUE(c.expected) << "converted a value it should refuse";
    EXPECT_EQ(got, *c.expected);
  } catch (const com::Error& e) {
    ASSERT_FALSE(c.expected) << "refused: " << e.what();
    EXPECT_EQ(e.code(), c.refusal);
  }
}

const Variant kI16max{std::int16_t{32767}};

INSTANTIATE_TEST_SUITE_P(
    Arguments, ConversionCase,
    testing::Values(
        Conversion{"double to short, half to even", Variant(2.5), K::Int16, Variant(std::int16_t{2})},
        Conversion{"double to short, odd half", Variant(-3.5), K::Int16, Variant(std::int16_t{-4})},
        Conversion{"short range end", Variant(32767.4), K::Int16, kI16max},
        Conversion{"past the short range", Variant(32767.5), K::Int16, std::nullopt, com::DISP_E_OVERFLOW},
        Conversion{"long to short overflow", Variant(std::int32_t{-40000}), K::Int16, std::nullopt,
                   com::DISP_E_OVERFLOW},
        Conversion{"not a number", Variant(std::nan("")), K::Int32, std::nullopt, com::DISP_E_OVERFLOW},
        Conversion{"plain number text", Variant(u" 12 "), K::Int16, Variant(std::int16_t{12})},
        Conversion{"word text to number", Variant(u"twelve"), K::Int16, std::nullopt, com::DISP_E_TYPEMISMATCH},
        Conversion{"null to number", Variant::null(), K::Int32, std::nullopt, com::DISP_E_TYPEMISMATCH},
        Conversion{"empty to number", Variant(), K::Int32, Variant(std::int32_t{0})},
        Conversion{"boolean to number", Variant(true), K::Int16, Variant(std::int16_t{-1})},
        Conversion{"number to boolean", Variant(std::int32_t{7}), K::Bool, Variant(true)},
        Conversion{"text to boolean", Variant(u"false"), K::Bool, Variant(false)},
        Conversion{"numeric text to boolean", Variant(u"0"), K::Bool, Variant(false)},
        Conversion{"other text to boolean", Variant(u"yes"), K::Bool, std::nullopt, com::DISP_E_TYPEMISMATCH},
        Conversion{"number to text", Variant(std::int16_t{-5}), K::Text, Variant(u"-5")},
        Conversion{"double to text", Variant(0.1), K::Text, Variant(u"0.1")},
        Conversion{"boolean to text", Variant(true), K::Text, Variant(u"True")},
        Conversion{"empty to text", Variant(), K::Text, Variant(u"")},
        Conversion{"null to text", Variant::null(), K::Text, std::nullopt, com::DISP_E_TYPEMISMATCH},
        Conversion{"empty to object", Variant(), K::Object, Variant(com::ComPtr<com::IUnknown>())},
        Conversion{"number to object", Variant(1.0), K::Object, std::nullopt, com::DISP_E_TYPEMISMATCH},
        Conversion{"anything to a variant", Variant::null(), K::Empty, Variant::null()}));

class Table : public testing::Test {
 protected:
  void SetUp() override {
    getId = table.addGet(u"Width", [this](const auto&) { return Variant(width); });
    putId = table.addPut(u"width", {u"Value", K::Int16, {}}, [this](const auto& a) {
      width = a[0].int16();
      return Variant();
    });
    callId = table.addMethod(u"Scale", {{u"By", K::Int16, {}}, {u"Round", K::Bool, Variant(true)}},
                             [this](const auto& a) {
                               if (a[0].int16() == 0) throw com::Error(com::E_INVALIDARG, u"Scale by zero", u"Sizes");
                               lastRound = a[1].boolean();
                               return Variant(static_cast<std::int32_t>(width * a[0].int16()));
                             });
  }
  com::HRESULT invoke(com::DISPID id, std::uint16_t flags, std::vector<Variant> args, Variant* result = nullptr,
                      com::ExceptionInfo* info = nullptr, std::uint32_t* argErr = nullptr) {
    return table.Invoke(id, flags, args, result, info, argErr);
  }

  com::DispatchTable table;
  com::DISPID getId = 0, putId = 0, callId = 0;
  std::int16_t width = 3;
  bool lastRound = false;
};

TEST_F(Table, GetAndPutShareOneIdentifier) {
  EXPECT_EQ(getId, 1);
  EXPECT_EQ(putId, 1);
  EXPECT_EQ(callId, 2);
  EXPECT_EQ(table.names(), (std::vector<std::u16string>{u"Width", u"Scale"}));
  com::DISPID id = 0;
  EXPECT_EQ(table.GetIDsOfNames(u"SCALE", &id), com::S_OK);
  EXPECT_EQ(id, callId);
  EXPECT_EQ(table.GetIDsOfNames(u"Scal", &id), com::DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, com::DISPID_UNKNOWN);
}

TEST_F(Table, FlagsChooseTheMember) {
  Variant r;
  EXPECT_EQ(invoke(getId, com::DISPATCH_PROPERTYPUT, {Variant(std::int16_t{9})}), com::S_OK);
  EXPECT_EQ(invoke(getId, com::DISPATCH_PROPERTYGET, {}, &r), com::S_OK);
  EXPECT_EQ(r, Variant(std::int16_t{9}));
  EXPECT_EQ(invoke(callId, com::DISPATCH_PROPERTYPUT, {Variant(std::int16_t{1})}), com::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(invoke(99, com::DISPATCH_METHOD, {}), com::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(invoke(getId, com::DISPATCH_PROPERTYGET, {Variant(1.0)}), com::DISP_E_BADPARAMCOUNT);
}

TEST_F(Table, FillsDefaultsAndReportsTheFailingArgument) {
  Variant r;
  EXPECT_EQ(invoke(callId, com::DISPATCH_METHOD, {Variant(2.0)}, &r), com::S_OK);
  EXPECT_EQ(r, Variant(std::int32_t{6}));
  EXPECT_TRUE(lastRound);
  EXPECT_EQ(invoke(callId, com::DISPATCH_METHOD, {Variant(2.0), Variant(false)}, &r), com::S_OK);
  EXPECT_FALSE(lastRound);
  EXPECT_EQ(invoke(callId, com::DISPATCH_METHOD, {}), com::DISP_E_PARAMNOTOPTIONAL);
  std::uint32_t argErr = 99;
  EXPECT_EQ(invoke(callId, com::DISPATCH_METHOD, {Variant(2.0), Variant(u"perhaps")}, &r, nullptr, &argErr),
            com::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);
}

TEST_F(Table, MemberFailuresBecomeExceptionInfo) {
  com::ExceptionInfo info;
  EXPECT_EQ(invoke(callId, com::DISPATCH_METHOD, {Variant(std::int16_t{0})}, nullptr, &info), com::DISP_E_EXCEPTION);
  EXPECT_EQ(info.code, com::E_INVALIDARG);
  EXPECT_EQ(info.description, u"Scale by zero");
  EXPECT_EQ(info.source, u"Sizes");
}

}  // namespace
