// Registry editor files: what export writes, that import gives every value
// back byte for byte, and that a bad file changes nothing.
#include "platform/registry/reg_file.h"

#include "store_fixture.h"

namespace registry::testing {
namespace {

const std::string kProduct = "Software\\Quorvex\\Carrowind";

FullKeyPath productKey() { return *parseFullKeyPath("HKEY_CURRENT_USER\\" + kProduct); }

using RegFile = StoreTest;

TEST_F(RegFile, ExportWritesTheEditorsFormat) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, kProduct, "Show Auto Refresh Message", "TRUE"), ERROR_SUCCESS);
  ASSERT_EQ(setValue(HKEY_CURRENT_USER, kProduct, "Wrap Length", REG_DWORD, std::string("\x32\0\0\0", 4)), ERROR_SUCCESS);
  ASSERT_EQ(setText(HKEY_CURRENT_USER, kProduct + "\\QuickPicks", "QuickPickList", "Acres,Path \"q\""), ERROR_SUCCESS);
  ASSERT_EQ(setText(HKEY_CURRENT_USER, kProduct + "\\QuickPicks", "Path \"q\"", "C:\\maps"), ERROR_SUCCESS);
  ASSERT_EQ(setValue(HKEY_CURRENT_USER, kProduct + "\\QuickPicks", "", REG_BINARY, "\x01\xab"), ERROR_SUCCESS);
  ASSERT_EQ(setValue(HKEY_CURRENT_USER, kProduct + "\\QuickPicks", "e", REG_EXPAND_SZ, std::string("%A%\0", 4)), ERROR_SUCCESS);

  EXPECT_EQ(exportRegFile(productKey()),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind]\r\n"
            "\"Show Auto Refresh Message\"=\"TRUE\"\r\n"
            "\"Wrap Length\"=dword:00000032\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind\\QuickPicks]\r\n"
            "\"QuickPickList\"=\"Acres,Path \\\"q\\\"\"\r\n"
            "\"Path \\\"q\\\"\"=\"C:\\\\maps\"\r\n"
            "@=hex:01,ab\r\n"
            "\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n"
            "\r\n");
}

TEST_F(RegFile, LongHexDataIsWrappedAsTheEditorWrapsIt) {
  ASSERT_EQ(setValue(HKEY_CURRENT_USER, "K", "b", REG_BINARY, std::string(60, '\x7f')), ERROR_SUCCESS);
  const std::string out = exportRegFile(*parseFullKeyPath("HKCU\\K"));
  std::size_t start = out.find("\"b\"=hex:");
  ASSERT_NE(start, std::string::npos);
  int lines = 0;
  for (std::size_t end; (end = out.find("\r\n", start)) != std::string::npos && end > start; start = end + 2) {
    const std::string line = out.substr(start, end - start);
    EXPECT_LE(line.size(), 80u) << line;
    if (lines > 0) {
      EXPECT_EQ(line.substr(0, 2), "  ");
    }
    ++lines;
  }
  EXPECT_GE(lines, 3);
}

TEST_F(RegFile, ImportGivesBackEveryValueExactly) {
  const std::vector<std::pair<std::string, StoredValue>> values = {
      {"plain", {REG_SZ, std::string("TRUE\0", 5)}},
      {"quotes and backslashes", {REG_SZ, std::string("a\\\"b\\\\\0", 7)}},
      {"unicode", {REG_SZ, std::string("Grüße €\0", 12)}},
      {"empty text", {REG_SZ, std::string("\0", 1)}},
      {"no data", {REG_SZ, ""}},
      {"embedded NUL", {REG_SZ, std::string("ab\0cd\0", 6)}},
      {"no terminator", {REG_SZ, "abc"}},
      {"line breaks", {REG_SZ, std::string("line1\r\nline2\0", 13)}},
      {"", {REG_SZ, std::string("default\0", 8)}},
      {"negative", {REG_DWORD, std::string("\xfb\xff\xff\xff", 4)}},
      {"short dword", {REG_DWORD, std::string("\x01\x02", 2)}},
      {"binary", {REG_BINARY, std::string("\0\x01\x7f\x80\xff", 5)}},
      {"long binary", {REG_BINARY, std::string(300, '\x5a')}},
      {"expand", {REG_EXPAND_SZ, std::string("%HOME%\\x\0", 9)}},
      {"multi", {REG_MULTI_SZ, std::string("one\0two\0\0", 9)}},
      {"qword", {11, std::string("\1\2\3\4\5\6\7\x08", 8)}},
      {"none", {REG_NONE, ""}},
  };
  for (const auto& [name, v] : values) ASSERT_EQ(setValue(HKEY_CURRENT_USER, "Software\\Q\\Vals", name, v.type, v.data), ERROR_SUCCESS);
  HKEY empty{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Q\\Empty\\Deeper", &empty), ERROR_SUCCESS);
  RegCloseKey(empty);

  const auto key = *parseFullKeyPath("HKEY_CURRENT_USER\\Software\\Q");
  const std::string first = exportRegFile(key);
  ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Q"), ERROR_SUCCESS);
  const auto summary = importRegFile(first);
  EXPECT_EQ(summary.keys, 4);
  EXPECT_EQ(summary.values, static_cast<int>(values.size()));
  for (const auto& [name, v] : values) EXPECT_EQ(getValue(HKEY_CURRENT_USER, "Software\\Q\\Vals", name), v) << name;
  EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\Q\\Empty\\Deeper"));
  EXPECT_EQ(exportRegFile(key), first);
}

TEST_F(RegFile, ImportReadsTheEditorsUtf16FilesAndItsDeletions) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "Software\\Old", "x", "1"), ERROR_SUCCESS);
  ASSERT_EQ(setText(HKEY_CURRENT_USER, kProduct, "Stale", "1"), ERROR_SUCCESS);
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"; a comment\r\n"
      u"[-HKEY_CURRENT_USER\\Software\\Old]\r\n\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind]\r\n"
      u"\"Stale\"=-\r\n"
      u"\"Wrap Labels\"=\"Größe\"\r\n"
      u"\"Wrap Length\"=DWORD:0000003C\r\n"
      u"\"bytes\"=hex:01,02,\\\r\n"
      u"  03\r\n"
      u"\r\n"
      u"[HKEY_CLASSES_ROOT\\CLSID\\{1}]\r\n"
      u"@=\"x\"\r\n";
  std::string bytes = "\xff\xfe";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xff);
    bytes += static_cast<char>(c >> 8);
  }
  importRegFile(bytes);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Old"));
  EXPECT_FALSE(getValue(HKEY_CURRENT_USER, kProduct, "Stale"));
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, kProduct, "Wrap Labels"), (StoredValue{REG_SZ, std::string("Größe\0", 8)}));
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, kProduct, "Wrap Length"), (StoredValue{REG_DWORD, std::string("\x3c\0\0\0", 4)}));
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, kProduct, "bytes"), (StoredValue{REG_BINARY, "\x01\x02\x03"}));
  EXPECT_TRUE(getValue(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{1}", ""));
}

TEST_F(RegFile, ABadFileChangesNothingAndNamesItsLine) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, kProduct, "Wrap Labels", "TRUE"), ERROR_SUCCESS);
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + kProduct + "]\r\n"
                             "\"Wrap Labels\"=\"FALSE\"\r\n";
  const std::pair<std::string, int> bad[] = {
      {"REGEDIT4\r\n", 1},
      {"", 1},
      {header + "\"x\"=dword:123456789\r\n", 5},
      {header + "\"x\"=hex:1g\r\n", 5},
      {header + "\"x\"=hex:01,\r\n", 5},
      {header + "\"x\"=\"open\r\n", 5},
      {header + "\"x\"=\"a\" trailing\r\n", 5},
      {header + "\"x\"=hex(2):41\r\n", 5},
      {header + "\"x\"=what\r\n", 5},
      {header + "\"x\" \"y\"\r\n", 5},
      {header + "[HKEY_USERS\\x]\r\n", 5},
      {header + "[HKEY_CURRENT_USER\\a\\\\b]\r\n", 5},
      {"Windows Registry Editor Version 5.00\r\n\"x\"=\"1\"\r\n", 2},
      {header + "[-HKEY_CURRENT_USER]\r\n", 5},
      // not UTF-8: it would come back from a backup as something else
      {header + "\"x\"=\"a\xC9" "b\"\r\n", 5},
      {header + "\"\xFF\"=\"b\"\r\n", 5},
  };
  for (const auto& [text, line] : bad) {
    SCOPED_TRACE(text);
    try {
      importRegFile(text);
      ADD_FAILURE() << "imported";
    } catch (const RegFileError& e) {
      EXPECT_EQ(e.line(), line) << e.what();
      EXPECT_NE(std::string(e.what()).find("line " + std::to_string(line)), std::string::npos) << e.what();
    }
    EXPECT_EQ(getValue(HKEY_CURRENT_USER, kProduct, "Wrap Labels"), (StoredValue{REG_SZ, std::string("TRUE\0", 5)}));
  }
}

TEST_F(RegFile, KeyPathsAndMissingKeys) {
  struct Case {
    const char* text;
    std::optional<HKEY> hive;
    const char* sub;
  };
  const Case cases[] = {
      {"HKEY_CURRENT_USER\\Software\\Quorvex", HKEY_CURRENT_USER, "Software\\Quorvex"},
      {"hkcu\\Software\\", HKEY_CURRENT_USER, "Software"},
      {"HKLM", HKEY_LOCAL_MACHINE, ""},
      {"HKEY_CLASSES_ROOT\\CLSID", HKEY_CLASSES_ROOT, "CLSID"},
      {"HKEY_USERS\\x", std::nullopt, ""},
      {"Software\\Quorvex", std::nullopt, ""},
      {"HKCU\\\\x", std::nullopt, ""},
  };
  for (const auto& c : cases) {
    auto parsed = parseFullKeyPath(c.text);
    ASSERT_EQ(parsed.has_value(), c.hive.has_value()) << c.text;
    if (!parsed) continue;
    EXPECT_EQ(parsed->hive, *c.hive) << c.text;
    EXPECT_EQ(parsed->subKey, c.sub) << c.text;
  }
  try {
    exportRegFile(productKey());
    ADD_FAILURE() << "exported a missing key";
  } catch (const RegFileError& e) {
    EXPECT_EQ(e.code(), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(std::string(e.what()).find("HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind"), std::string::npos);
  }
}

}  // namespace
}  // namespace registry::testing
