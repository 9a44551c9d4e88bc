#include "support/basRegistry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/registry/store.h"

using namespace support::basRegistry;
using namespace registry;
namespace fs = std::filesystem;

namespace {

const std::string kProduct = "Software\\Quorvex\\Carrowind";

class BasRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    dir_ = fs::temp_directory_path() / ("cw-basreg-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setStorePath(dir_ / "registry.db");
  }
  void TearDown() override {
    setStorePath({});
    fs::remove_all(dir_);
  }
  void putRaw(const char* name, DWORD type, std::string_view bytes) {
    HKEY key{};
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kProduct.c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  DWORD typeOf(const char* name) {
    HKEY key{};
    DWORD type = REG_NONE, size = 0;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kProduct.c_str(), &key) == ERROR_SUCCESS) {
      RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
      RegCloseKey(key);
    }
    return type;
  }
  fs::path dir_;
};

struct Written {
  com::Variant given;
  DWORD type;
  com::Variant readBack;
};

TEST_F(BasRegistryTest, WrittenValuesComeBackAsStored) {
  const Written cases[] = {
      {u"50", REG_DWORD, std::int32_t{50}},
      {u"12.5", REG_DWORD, std::int32_t{12}},  // half to even
      {u"13.5", REG_DWORD, std::int32_t{14}},
      {u"12.6", REG_DWORD, std::int32_t{13}},
      {u" -7 ", REG_DWORD, std::int32_t{-7}},
      {u"1e3", REG_DWORD, std::int32_t{1000}},
      {u"  TRUE  ", REG_SZ, u"TRUE"},
      {u" ", REG_SZ, u""},
      {u"2147483647", REG_DWORD, std::int32_t{2147483647}},
      {u"2147483648", REG_SZ, u"2147483648"},  // too large for 32 bits: kept as text
      {u"-2147483649", REG_SZ, u"-2147483649"},
      {std::int32_t{64}, REG_DWORD, std::int32_t{64}},
  };
  for (const auto& c : cases) {
    WriteSetting(HKEY_CURRENT_USER, kProduct, "V", c.given);
    EXPECT_EQ(lastResult(), ERROR_SUCCESS);
    EXPECT_EQ(typeOf("V"), c.type);
    const auto back = ReadSetting(HKEY_CURRENT_USER, kProduct, "v");
    ASSERT_EQ(back.kind(), c.readBack.kind());
    if (back.isText()) EXPECT_EQ(back.text(), c.readBack.text());
    else EXPECT_EQ(back.int32(), c.readBack.int32());
  }
}

TEST_F(BasRegistryTest, OddStoredValuesReadAsText) {
  putRaw("Nul", REG_SZ, std::string_view("abc\0def\0", 8));
  putRaw("NoNul", REG_SZ, "xyz");
  putRaw("Bin", REG_BINARY, "\x01\x02");
  putRaw("Exp", REG_EXPAND_SZ, std::string_view("%HOME%\0", 7));
  putRaw("Multi", REG_MULTI_SZ, std::string_view("a\0b\0\0", 5));
  const std::pair<const char*, std::u16string> cases[] = {
      {"Nul", u"abc"}, {"NoNul", u"xyz"}, {"Bin", u""}, {"Exp", u""}, {"Multi", u""}, {"Missing", u""}};
  for (const auto& [name, expected] : cases) {
    const auto v = ReadSetting(HKEY_CURRENT_USER, kProduct, name);
    ASSERT_TRUE(v.isText()) << name;
    EXPECT_EQ(v.text(), expected) << name;
  }
  EXPECT_EQ(ReadSetting(HKEY_CURRENT_USER, "No\\Such\\Key", "x").text(), u"");
  EXPECT_EQ(lastResult(), ERROR_FILE_NOT_FOUND);
}

TEST_F(BasRegistryTest, KeysAndDeletes) {
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProduct));
  DeleteSettingValue(HKEY_CURRENT_USER, kProduct, "x");  // silently nothing
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProduct));
  CreateKey(HKEY_CURRENT_USER, kProduct + "\\QuickPicks");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "software\\quorvex\\carrowind"));
  WriteSetting(HKEY_CURRENT_USER, kProduct, "Wrap Labels", u"TRUE");
  DeleteSettingValue(HKEY_CURRENT_USER, kProduct, "WRAP LABELS");
  EXPECT_EQ(lastResult(), ERROR_SUCCESS);
  EXPECT_EQ(typeOf("Wrap Labels"), REG_NONE);
}

}  // namespace
