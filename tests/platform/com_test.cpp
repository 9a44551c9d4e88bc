#include <gtest/gtest.h>

#include "host/host.h"
#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/com/object.h"
#include "platform/com/variant.h"

namespace {

struct IAlpha : com::IUnknown {
  COM_INTERFACE("3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9A01")
  virtual int alpha() = 0;
};
struct IBeta : com::IUnknown {
  COM_INTERFACE("3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9A02")
  virtual int beta() = 0;
};
struct IBetaPlus : IBeta {
  using ComBase = IBeta;
  COM_INTERFACE("3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9A03")
  virtual int betaPlus() = 0;
};

int liveObjects = 0;

class Thing : public com::Object<IAlpha, IBetaPlus> {
 public:
  Thing() { ++liveObjects; }
  ~Thing() override { --liveObjects; }
  int alpha() override { return 1; }
  int beta() override { return 2; }
  int betaPlus() override { return 3; }
};

TEST(Guid, ParsesAndPrintsRegistryForm) {
  auto g = com::Guid::parse("{3f6b1d2e-0c55-4e0b-9a47-6c1e2b7d9a01}");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->toString(), "{3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9A01}");
  EXPECT_EQ(*g, IAlpha::iid());
  EXPECT_EQ(com::Guid::parse("3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9A01"), g);
  EXPECT_FALSE(com::Guid::parse("{3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9A0}"));
  EXPECT_FALSE(com::Guid::parse("{3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9AZ1}"));
}

TEST(Object, QueryInterfaceFollowsListedAndBaseInterfaces) {
  {
    auto t = com::make<Thing>();
    auto a = t.as<IAlpha>();
    auto b = com::query<IBeta>(a.get());
    auto bp = b.as<IBetaPlus>();
    ASSERT_TRUE(a && b && bp);
    EXPECT_EQ(b->beta(), 2);
    EXPECT_EQ(bp->betaPlus(), 3);
    EXPECT_EQ(com::identity(a.get()), com::identity(bp.get()));
    EXPECT_FALSE(t.as<host::ILayer>());
    EXPECT_EQ(liveObjects, 1);
  }
  EXPECT_EQ(liveObjects, 0);
}

TEST(ClassTable, CreatesRegisteredClassesAndRefusesOthers) {
  const auto clsid = com::Guid::fromString("3F6B1D2E-0C55-4E0B-9A47-6C1E2B7D9AF0");
  auto factory = com::make<com::ClassFactory<Thing>>();
  auto cookie = com::CoRegisterClassObject(clsid, factory.get());
  {
    auto b = com::create<IBeta>(clsid);
    EXPECT_EQ(b->beta(), 2);
  }
  com::CoRevokeClassObject(cookie);
  try {
    com::create<IBeta>(clsid);
    FAIL() << "created an unregistered class";
  } catch (const com::Error& e) {
    EXPECT_EQ(e.code(), com::REGDB_E_CLASSNOTREG);
    EXPECT_NE(e.description().find(u"not registered"), std::u16string::npos);
  }
  EXPECT_EQ(liveObjects, 0);
}

TEST(Variant, KeepsKindAndValue) {
  EXPECT_TRUE(com::Variant().isEmpty());
  EXPECT_TRUE(com::Variant::null().isNull());
  EXPECT_EQ(com::Variant(std::int16_t{7}).kind(), com::Variant::Kind::Int16);
  EXPECT_EQ(com::Variant(7).kind(), com::Variant::Kind::Int32);
  EXPECT_EQ(com::Variant(u"x").kind(), com::Variant::Kind::Text);
  EXPECT_EQ(com::Variant(true).toDouble(), -1.0);
  EXPECT_EQ(com::Variant::date(2.5).oleDate(), 2.5);
  EXPECT_NE(com::Variant::date(2.5), com::Variant(2.5));
  auto t = com::make<Thing>();
  com::Variant v(t);
  ASSERT_TRUE(v.isObject());
  EXPECT_TRUE(com::query<IAlpha>(v.object().get()));
}

}  // namespace
