// The settings operations: what each kind of value is stored as, what odd
// stored values read as, and that failures stay silent.
#include "support/basRegistry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/locale/user_locale.h"
#include "platform/registry/store.h"
#include "tests/common/scratch_dir.h"

namespace support::basRegistry {
namespace {

using namespace registry;
namespace fs = std::filesystem;

const std::u16string kProduct = u"Software\\Quorvex\\Carrowind";
const char* const kProductA = "Software\\Quorvex\\Carrowind";

struct Raw {
  DWORD type = REG_NONE;
  std::string data;
  friend bool operator==(const Raw&, const Raw&) = default;
};

class BasRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::locale::setOverride("en_US");
    dir_ = test_support::scratchDir("cw_basreg_");
    setStorePath(dir_ / "registry.db");
  }
  void TearDown() override {
    setStorePath({});
    platform::locale::setOverride("");
    fs::remove_all(dir_);
  }
  static void putRaw(const char* name, DWORD type, std::string_view bytes) {
    HKEY key{};
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kProductA, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static Raw raw(const char* name) {
    HKEY key{};
    Raw r;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kProductA, &key) != ERROR_SUCCESS) return r;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &r.type, nullptr, &size) == ERROR_SUCCESS) {
      r.data.resize(size);
      RegQueryValueExA(key, name, nullptr, &r.type, reinterpret_cast<BYTE*>(r.data.data()), &size);
    }
    RegCloseKey(key);
    return r;
  }
  fs::path dir_;
};

std::string dword(std::uint32_t n) {
  return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
}
std::string sz(std::string_view text) { return std::string(text) + '\0'; }

TEST_F(BasRegistry, WhatEachValueIsStoredAsAndReadBackAs) {
  struct Case {
    com::Variant given;
    Raw stored;
    std::u16string readAs;  // through SettingText
  };
  const Case cases[] = {
      {u"50", {REG_DWORD, dword(50)}, u"50"},
      {u"12.5", {REG_DWORD, dword(12)}, u"12"},  // halves to the even neighbour
      {u"13.5", {REG_DWORD, dword(14)}, u"14"},
      {u"12.6", {REG_DWORD, dword(13)}, u"13"},
      {u"-0.5", {REG_DWORD, dword(0)}, u"0"},
      {u" -7 ", {REG_DWORD, dword(0xfffffff9u)}, u"-7"},
      {u"1e3", {REG_DWORD, dword(1000)}, u"1000"},
      {u"007", {REG_DWORD, dword(7)}, u"7"},
      {u"2147483647", {REG_DWORD, dword(0x7fffffffu)}, u"2147483647"},
      {u"-2147483648", {REG_DWORD, dword(0x80000000u)}, u"-2147483648"},
      // Too large for 32 bits: the text is kept rather than wrapped or clipped.
      {u" 2147483648 ", {REG_SZ, sz("2147483648")}, u"2147483648"},
      {u"-2147483649", {REG_SZ, sz("-2147483649")}, u"-2147483649"},
      {u"1e300", {REG_SZ, sz("1e300")}, u"1e300"},
      {std::int32_t{64}, {REG_DWORD, dword(64)}, u"64"},
      {2.5, {REG_DWORD, dword(2)}, u"2"},
      {1e20, {REG_SZ, sz("1E+20")}, u"1E+20"},
      {u"  TRUE  ", {REG_SZ, sz("TRUE")}, u"TRUE"},
      {u" ", {REG_SZ, sz("")}, u""},
      {u"\ta b\t", {REG_SZ, sz("\ta b\t")}, u"\ta b\t"},  // only blanks are trimmed
      {u"[ACRES].Sum.Round(0) ac.", {REG_SZ, sz("[ACRES].Sum.Round(0) ac.")}, u"[ACRES].Sum.Round(0) ac."},
      // Stored whole: the length counts bytes, not characters.
      {u"Größe – €", {REG_SZ, sz("Größe – €")}, u"Größe – €"},
      {true, {REG_SZ, sz("TRUE")}, u"TRUE"},
      {false, {REG_SZ, sz("FALSE")}, u"FALSE"},
      {com::Variant(), {REG_SZ, sz("")}, u""},
      {com::Variant::null(), {REG_SZ, sz("")}, u""},
  };
  for (const auto& c : cases) {
    const auto given = c.given.isText() ? c.given.text() : u"(not text)";
    SCOPED_TRACE(std::string(given.begin(), given.end()));
    WriteSetting(HKEY_CURRENT_USER, kProduct, u"Wrap Length", c.given);
    EXPECT_EQ(LastResult(), ERROR_SUCCESS);
    EXPECT_EQ(raw("Wrap Length"), c.stored);
    const auto back = ReadSetting(HKEY_CURRENT_USER, kProduct, u"wrap length");
    EXPECT_EQ(back.kind(), c.stored.type == REG_DWORD ? com::Variant::Kind::Int32 : com::Variant::Kind::Text);
    EXPECT_EQ(SettingText(back), c.readAs);
  }
}

TEST_F(BasRegistry, TheNumericTestFollowsTheLocale) {
  platform::locale::setOverride("de_DE");
  WriteSetting(HKEY_CURRENT_USER, kProduct, u"v", u"12,5");
  EXPECT_EQ(raw("v"), (Raw{REG_DWORD, dword(12)}));
  WriteSetting(HKEY_CURRENT_USER, kProduct, u"v", u"12,51");
  EXPECT_EQ(raw("v"), (Raw{REG_DWORD, dword(13)}));
  // A point is read as the dialog reads it (a decimal point), so the stored
  // wrap length is the one the labels were wrapped at; grouping, currency
  // and parentheses make text.
  WriteSetting(HKEY_CURRENT_USER, kProduct, u"v", u"12.6");
  EXPECT_EQ(raw("v"), (Raw{REG_DWORD, dword(13)}));
  for (std::u16string_view text : {u"1.000,5", u"12 €", u"(5)"}) {
    WriteSetting(HKEY_CURRENT_USER, kProduct, u"v", com::Variant(std::u16string(text)));
    EXPECT_EQ(raw("v").type, REG_SZ);
  }
}

TEST_F(BasRegistry, OddStoredValuesReadAsText) {
  putRaw("Nul", REG_SZ, std::string_view("abc\0def\0", 8));
  putRaw("NoNul", REG_SZ, "xyz");
  putRaw("Empty", REG_SZ, "");
  putRaw("Bin", REG_BINARY, "\x01\x02");
  putRaw("Exp", REG_EXPAND_SZ, std::string_view("%HOME%\0", 7));
  putRaw("Multi", REG_MULTI_SZ, std::string_view("a\0b\0\0", 5));
  putRaw("LongDword", REG_DWORD, std::string_view("\1\0\0\0\0\0\0\0", 8));
  const std::pair<const char*, std::u16string> cases[] = {
      {"Nul", u"abc"}, {"NoNul", u"xyz"}, {"Empty", u""}, {"Bin", u""}, {"Exp", u""},
      {"Multi", u""},  {"LongDword", u""}, {"Missing", u""}};
  for (const auto& [name, expected] : cases) {
    const std::string n(name);
    const auto v = ReadSetting(HKEY_CURRENT_USER, kProduct, std::u16string(n.begin(), n.end()));
    ASSERT_TRUE(v.isText()) << name;
    EXPECT_EQ(v.text(), expected) << name;
  }
  EXPECT_EQ(ReadSetting(HKEY_CURRENT_USER, u"No\\Such\\Key", u"x"), com::Variant(u""));
  EXPECT_EQ(LastResult(), ERROR_FILE_NOT_FOUND);
}

TEST_F(BasRegistry, KeysAndDeletes) {
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProduct));
  // Deleting in a key that does not exist does nothing and creates nothing.
  DeleteSettingValue(HKEY_CURRENT_USER, kProduct, u"x");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvex"));

  CreateKey(HKEY_CURRENT_USER, kProduct + u"\\QuickPicks");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"SOFTWARE\\quorvex\\CarroWind"));
  WriteSetting(HKEY_CURRENT_USER, kProduct, u"Wrap Labels", u"TRUE");
  WriteSetting(HKEY_CURRENT_USER, kProduct, u"Keep", u"1");
  DeleteSettingValue(HKEY_CURRENT_USER, kProduct, u"WRAP LABELS");
  EXPECT_EQ(LastResult(), ERROR_SUCCESS);
  EXPECT_EQ(raw("Wrap Labels").type, REG_NONE);
  EXPECT_EQ(raw("Keep"), (Raw{REG_DWORD, dword(1)}));
  // Deleting again is no failure anyone sees: the last call, the close, succeeded.
  DeleteSettingValue(HKEY_CURRENT_USER, kProduct, u"Wrap Labels");
  EXPECT_EQ(LastResult(), ERROR_SUCCESS);
}

TEST_F(BasRegistry, AnObjectValueWritesNothing) {
  WriteSetting(HKEY_CURRENT_USER, kProduct, u"v", u"1");
  WriteSetting(HKEY_CURRENT_USER, kProduct, u"v", com::Variant(com::ComPtr<com::IUnknown>()));
  EXPECT_EQ(raw("v"), (Raw{REG_DWORD, dword(1)}));
}

TEST_F(BasRegistry, AnUnusableStoreFailsSilently) {
  const auto bad = dir_ / "bad.db";
  std::ofstream(bad) << "this is not a settings store";
  setStorePath(bad);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kProduct));
  EXPECT_EQ(LastResult(), ERROR_BADDB);
  EXPECT_NO_THROW(WriteSetting(HKEY_CURRENT_USER, kProduct, u"v", u"1"));
  EXPECT_NO_THROW(CreateKey(HKEY_CURRENT_USER, kProduct));
  EXPECT_NO_THROW(DeleteSettingValue(HKEY_CURRENT_USER, kProduct, u"v"));
  EXPECT_EQ(ReadSetting(HKEY_CURRENT_USER, kProduct, u"v"), com::Variant(u""));
  EXPECT_EQ(LastResult(), ERROR_BADDB);
}

}  // namespace
}  // namespace support::basRegistry
