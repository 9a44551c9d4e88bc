// The engine library as a client sees it: loaded at run time, the labeler
// created through its exported class factory, and called late-bound.
// This program does not link the engine; it only includes its interface.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/labeler.h"
#include "fake_renderers.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/library_loader.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/store.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using com::Variant;

const fs::path kEngine = fs::path(CW_BINARY_DIR) / "lib" / "libQVXCRW.so";

com::ComPtr<com::IClassFactory> factoryOf(const std::shared_ptr<com::ComponentLibrary>& lib) {
  com::ComPtr<com::IClassFactory> f;
  EXPECT_EQ(lib->getClassObject(engine::CLSID_QVXCarrowind, com::IClassFactory::iid(), f.put()), com::S_OK);
  return f;
}

TEST(EngineLibrary, HandsOutTheLabelerThroughItsClassFactory) {
  auto lib = com::ComponentLibrary::load(kEngine);
  auto factory = factoryOf(lib);
  ASSERT_TRUE(factory);
  com::ComPtr<engine::_QVXCarrowind> labeler;
  ASSERT_EQ(factory->CreateInstance(nullptr, engine::_QVXCarrowind::iid(), labeler.put()), com::S_OK);
  EXPECT_TRUE(labeler->ApplyDefinitionQuery());
  EXPECT_TRUE(labeler.as<com::IDispatch>());
  EXPECT_EQ(lib->canUnloadNow(), com::S_FALSE);

  com::ComPtr<com::IUnknown> other;
  EXPECT_EQ(factory->CreateInstance(labeler.get(), com::IUnknown::iid(), other.put()), com::CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, host::ILayer::iid(), other.put()), com::E_NOINTERFACE);

  labeler = nullptr;
  factory->LockServer(true);
  factory = nullptr;
  EXPECT_EQ(lib->canUnloadNow(), com::S_FALSE);  // still locked
  factoryOf(lib)->LockServer(false);
  EXPECT_EQ(lib->canUnloadNow(), com::S_OK);
}

TEST(EngineLibrary, KnowsOnlyItsOwnClass) {
  auto lib = com::ComponentLibrary::load(kEngine);
  com::ComPtr<com::IClassFactory> f;
  EXPECT_EQ(lib->getClassObject(com::Guid::fromString("{00000000-1111-2222-3333-444444444444}"),
                                com::IClassFactory::iid(), f.put()),
            com::CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(f);
}

TEST(EngineLibrary, IsCreatedByClassIdentifierOnceRegistered) {
  EXPECT_THROW(com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind), com::Error);
  com::registerInprocServer(engine::CLSID_QVXCarrowind, kEngine);
  {
    auto labeler = com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind);
    EXPECT_EQ(labeler->WrapTextIfLongerThan(), 0);
  }
  EXPECT_EQ(com::freeUnusedLibraries(), 1);
  // Loaded again on the next creation.
  auto again = com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind);
  EXPECT_EQ(com::freeUnusedLibraries(), 0);  // an object is alive
  again = nullptr;
  com::unregisterInprocServer(engine::CLSID_QVXCarrowind);
  EXPECT_THROW(com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind), com::Error);
}

TEST(EngineLibrary, LocatorDecidesWhereServersLive) {
  com::setServerLocator([](const com::CLSID&) { return std::optional<fs::path>(kEngine); });
  EXPECT_TRUE(com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind));
  com::setServerLocator([](const com::CLSID&) { return std::optional<fs::path>("/nonexistent/libQVXCRW.so"); });
  try {
    com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind);
    ADD_FAILURE() << "created from a missing library";
  } catch (const com::Error& e) {
    EXPECT_EQ(e.code(), com::CO_E_DLLNOTFOUND);
  }
  com::setServerLocator(nullptr);
}

TEST(EngineLibrary, MissingLibraryIsReported) {
  try {
    com::ComponentLibrary::load("/nonexistent/libnothing.so");
    ADD_FAILURE();
  } catch (const com::Error& e) {
    EXPECT_EQ(e.code(), com::CO_E_DLLNOTFOUND);
    EXPECT_NE(e.description().find(u"libnothing.so"), std::u16string::npos);
  }
}

class LateBound : public testing::Test {
 protected:
  void SetUp() override {
    lib_ = com::ComponentLibrary::load(kEngine);
    com::ComPtr<com::IUnknown> unknown;
    ASSERT_EQ(factoryOf(lib_)->CreateInstance(nullptr, com::IDispatch::iid(), unknown.put()), com::S_OK);
    disp_ = unknown.as<com::IDispatch>();
  }
  Variant call(std::u16string_view name, std::uint16_t flags, std::vector<Variant> args = {}) {
    return com::invokeByName(disp_.get(), name, flags, args);
  }
  com::HRESULT raw(std::u16string_view name, std::uint16_t flags, std::vector<Variant> args,
                   com::ExceptionInfo* info = nullptr) {
    com::DISPID id = com::DISPID_UNKNOWN;
    if (auto hr = disp_->GetIDsOfNames(name, &id); com::failed(hr)) return hr;
    Variant result;
    std::uint32_t argErr = 0;
    return disp_->Invoke(id, flags, args, &result, info, &argErr);
  }

  std::shared_ptr<com::ComponentLibrary> lib_;
  com::ComPtr<com::IDispatch> disp_;
};

TEST_F(LateBound, NamesIgnoreLetterCase) {
  com::DISPID a = 0, b = 0;
  EXPECT_EQ(disp_->GetIDsOfNames(u"WrapTextIfLongerThan", &a), com::S_OK);
  EXPECT_EQ(disp_->GetIDsOfNames(u"wraptextiflongerthan", &b), com::S_OK);
  EXPECT_EQ(a, b);
  EXPECT_EQ(disp_->GetIDsOfNames(u"NoSuchOperation", &a), com::DISP_E_UNKNOWNNAME);
}

TEST_F(LateBound, PropertiesConvertTheirArguments) {
  call(u"WrapTextIfLongerThan", com::DISPATCH_PROPERTYPUT, {Variant(std::int32_t{12})});
  EXPECT_EQ(call(u"WrapTextIfLongerThan", com::DISPATCH_PROPERTYGET), Variant(std::int16_t{12}));
  call(u"wrapTextIfLongerThan", com::DISPATCH_PROPERTYPUT, {Variant(20.5)});  // to even
  EXPECT_EQ(call(u"WrapTextIfLongerThan", com::DISPATCH_PROPERTYGET), Variant(std::int16_t{20}));
  EXPECT_EQ(raw(u"WrapTextIfLongerThan", com::DISPATCH_PROPERTYPUT, {Variant(std::int32_t{40000})}),
            com::DISP_E_OVERFLOW);
  EXPECT_EQ(call(u"WrapTextIfLongerThan", com::DISPATCH_PROPERTYGET), Variant(std::int16_t{20}));

  call(u"ShowMessages", com::DISPATCH_PROPERTYPUT, {Variant(u"True")});
  EXPECT_EQ(call(u"showmessages", com::DISPATCH_PROPERTYGET), Variant(true));
  call(u"ApplySelectionSet", com::DISPATCH_PROPERTYPUT, {Variant(std::int16_t{-1})});
  EXPECT_EQ(call(u"ApplySelectionSet", com::DISPATCH_PROPERTYGET), Variant(true));
  EXPECT_EQ(raw(u"UpdateAllOtherValues", com::DISPATCH_PROPERTYPUT, {Variant(u"maybe")}), com::DISP_E_TYPEMISMATCH);
  // A getter may be called as a method; a read-only property refuses a put.
  EXPECT_EQ(call(u"Message", com::DISPATCH_METHOD), Variant(u""));
  EXPECT_EQ(raw(u"Message", com::DISPATCH_PROPERTYPUT, {Variant(u"x")}), com::DISP_E_MEMBERNOTFOUND);
}

TEST_F(LateBound, OptionalArgumentsTakeTheirDefaults) {
  auto layer = fake::layerWith(com::make<fake::SimpleRenderer>());
  Variant layerArg{host::Ref<host::ILayer>(layer)};
  EXPECT_EQ(call(u"VerifyExpression", com::DISPATCH_METHOD, {layerArg, Variant(u"[A].Sum")}), Variant(false));
  EXPECT_EQ(call(u"VerifyExpression", com::DISPATCH_METHOD,
                 {layerArg, Variant(u"[A].Sum"), Variant(true), Variant(false)}),
            Variant(false));
  EXPECT_EQ(raw(u"VerifyExpression", com::DISPATCH_METHOD,
                {layerArg, Variant(u"x"), Variant(true), Variant(true), Variant(true)}),
            com::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(raw(u"MakeLabels", com::DISPATCH_METHOD, {layerArg}), com::DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(raw(u"SetLabels", com::DISPATCH_METHOD, {}), com::DISP_E_PARAMNOTOPTIONAL);
}

TEST_F(LateBound, WritesLabelsIntoALayer) {
  auto renderer = com::make<fake::SimpleRenderer>();
  auto layer = fake::layerWith(renderer);
  Variant labels = call(u"Labels", com::DISPATCH_PROPERTYGET);
  ASSERT_TRUE(labels.isObject());
  auto collection = labels.object().as<com::IDispatch>();
  ASSERT_TRUE(collection);
  com::invokeByName(collection.get(), u"add", com::DISPATCH_METHOD, {Variant(u"Everything")});
  EXPECT_EQ(com::invokeByName(collection.get(), u"Count", com::DISPATCH_PROPERTYGET), Variant(std::int32_t{1}));
  EXPECT_EQ(com::invokeByName(collection.get(), u"Item", com::DISPATCH_METHOD, {Variant(std::int16_t{1})}),
            Variant(u"Everything"));
  com::ExceptionInfo info;
  com::DISPID item = 0;
  collection->GetIDsOfNames(u"Item", &item);
  Variant r;
  EXPECT_EQ(collection->Invoke(item, com::DISPATCH_METHOD, {Variant(std::int32_t{5})}, &r, &info, nullptr),
            com::DISP_E_EXCEPTION);
  EXPECT_EQ(info.description, u"Subscript out of range");

  EXPECT_EQ(call(u"SetLabels", com::DISPATCH_METHOD, {Variant(host::Ref<host::ILayer>(layer))}), Variant(true));
  EXPECT_EQ(renderer->label, u"Everything");
  EXPECT_EQ(call(u"ResetLabels", com::DISPATCH_METHOD, {Variant(host::Ref<host::ILayer>(layer))}), Variant(true));
  EXPECT_EQ(renderer->label, u"All features");
}

TEST_F(LateBound, LayerArgumentsMustBeLayers) {
  struct NotALayer : com::Object<com::IUnknown> {};
  com::ExceptionInfo info;
  EXPECT_EQ(raw(u"SetLabels", com::DISPATCH_METHOD, {Variant(com::ComPtr<com::IUnknown>(com::make<NotALayer>()))},
                &info),
            com::DISP_E_EXCEPTION);
  EXPECT_EQ(info.description, u"Type mismatch");
  // Nothing is passed through and reported by the operation itself.
  EXPECT_EQ(call(u"SetLabels", com::DISPATCH_METHOD, {Variant()}), Variant(false));
  auto message = call(u"Message", com::DISPATCH_PROPERTYGET).text();
  EXPECT_EQ(message.rfind(u"Object variable or With block variable not set ", 0), 0u);
}

}  // namespace

TEST(EngineLibrary, RegistersItselfForTheUser) {
  const fs::path dir = fs::temp_directory_path() / ("cw_engine_register_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  registry::setStorePath(dir / "registry.db");
  auto lib = com::ComponentLibrary::load(kEngine);
  void* handle = ::dlopen(kEngine.c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_TRUE(handle);
  auto reg = reinterpret_cast<com::HRESULT (*)()>(::dlsym(handle, "DllRegisterServer"));
  auto unreg = reinterpret_cast<com::HRESULT (*)()>(::dlsym(handle, "DllUnregisterServer"));
  ASSERT_TRUE(reg && unreg);

  ASSERT_EQ(reg(), com::S_OK);
  EXPECT_EQ(registry::registeredServer(engine::CLSID_QVXCarrowind), fs::canonical(kEngine));
  EXPECT_EQ(registry::classFromProgId("qvxcrw.qvxcarrowind"), engine::CLSID_QVXCarrowind);
  registry::useRegisteredServers();
  EXPECT_TRUE(registry::createByProgId<engine::_QVXCarrowind>(engine::kProgID_QVXCarrowind));

  ASSERT_EQ(unreg(), com::S_OK);
  EXPECT_FALSE(registry::registeredServer(engine::CLSID_QVXCarrowind));
  EXPECT_FALSE(registry::classFromProgId(engine::kProgID_QVXCarrowind));
  ::dlclose(handle);
  com::setServerLocator({});
  registry::setStorePath({});
  fs::remove_all(dir);
}
