// The error sink as a registered outside component: self-registration,
// creation by class identifier and ProgID through the store, the log it
// appends to, unregistration, and the report handed to it end to end.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/com/error.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/store.h"
#include "support/ErrorHandling.h"
#include "support/error_sink/error_sink.h"
#include "tests/common/scratch_dir.h"

namespace support {
namespace {

namespace fs = std::filesystem;

const fs::path kLibrary = fs::path(CW_BINARY_DIR) / "lib" / "libQVXErrorSink.so";

using EntryPoint = com::HRESULT (*)();

EntryPoint entryPoint(const char* name) {
  static void* handle = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  return reinterpret_cast<EntryPoint>(::dlsym(handle, name));
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ErrorSink : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_sink_");
    registry::setStorePath(dir / "registry.db");
    ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    registry::useRegisteredServers();
  }
  void TearDown() override {
    registry::setStorePath({});
    fs::remove_all(dir);
  }
  fs::path log() const { return dir / "state" / "quorvex" / "errors.log"; }
  fs::path dir;
};

TEST_F(ErrorSink, AnUnregisteredSinkFailsTheHandOffWithTheCreationError) {
  try {
    ErrorHandling::ReportError(true, u"ICommand_HelpFile QVXCRWUI.DLL Line : 1", 5, u"", u"x", 4);
    FAIL() << "handed off";
  } catch (const com::Error& e) {
    EXPECT_EQ(e.code(), com::REGDB_E_CLASSNOTREG);
    EXPECT_NE(e.description().find(u"Class not registered"), std::u16string::npos);
  }
  try {
    registry::createByProgId<IErrorSink>(kErrorSinkProgId);
    FAIL() << "created";
  } catch (const com::Error& e) {
    EXPECT_EQ(e.code(), com::CO_E_CLASSSTRING);
  }
  EXPECT_FALSE(fs::exists(log()));
}

TEST_F(ErrorSink, RegistersCreatesLogsAndUnregisters) {
  auto registerServer = entryPoint("DllRegisterServer");
  auto unregisterServer = entryPoint("DllUnregisterServer");
  auto canUnloadNow = entryPoint("DllCanUnloadNow");
  ASSERT_TRUE(registerServer && unregisterServer && canUnloadNow) << ::dlerror();
  ASSERT_EQ(registerServer(), com::S_OK);
  EXPECT_EQ(registry::registeredServer(CLSID_ErrorSink()), fs::canonical(kLibrary));
  EXPECT_EQ(registry::classFromProgId("qvxerrorsink.CLSERRORSINK"), CLSID_ErrorSink());

  {
    auto byProgId = registry::createByProgId<IErrorSink>(kErrorSinkProgId);
    auto byClass = com::create<IErrorSink>(CLSID_ErrorSink());
    EXPECT_EQ(canUnloadNow(), com::S_FALSE);
    ASSERT_EQ(byProgId->Record(u"first\r\nreport"), com::S_OK);
    ASSERT_EQ(byProgId->Send(true), com::S_OK);
    ASSERT_EQ(byClass->Record(u"dropped"), com::S_OK);
    ASSERT_EQ(byClass->Send(false), com::S_OK);
    ASSERT_EQ(byClass->Record(u"second – ü"), com::S_OK);
    ASSERT_EQ(byClass->Send(true), com::S_OK);
    ASSERT_EQ(byClass->Send(true), com::S_OK);  // nothing recorded: nothing written
  }
  EXPECT_EQ(canUnloadNow(), com::S_OK);

  const std::string written = readFile(log());
  const std::regex entry(
      "=== \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d{4} pid \\d+ ===\r\n"
      "first\r\nreport\r\n\r\n"
      "=== \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d{4} pid \\d+ ===\r\n"
      "second – ü\r\n\r\n");
  EXPECT_TRUE(std::regex_match(written, entry)) << written;
  EXPECT_EQ(fs::status(log()).permissions() & fs::perms::others_read, fs::perms::none);

  ASSERT_EQ(unregisterServer(), com::S_OK);
  EXPECT_FALSE(registry::registeredServer(CLSID_ErrorSink()));
  EXPECT_FALSE(registry::classFromProgId(kErrorSinkProgId));
  try {
    com::create<IErrorSink>(CLSID_ErrorSink());
    FAIL() << "created after unregistration";
  } catch (const com::Error& e) {
    EXPECT_EQ(e.code(), com::REGDB_E_CLASSNOTREG);
  }
}

TEST_F(ErrorSink, AReportHandedOffEndsUpInTheLog) {
  ASSERT_EQ(registry::registerServer(kLibrary, {{CLSID_ErrorSink(), kErrorSinkProgId, "sink"}}), registry::ERROR_SUCCESS);
  ErrorHandling::ReportError(true, u"ICommand_HelpContextID QVXCRWUI.DLL Line : 2", 424, u"", u"Object required", 4);
  const std::string written = readFile(log());
  EXPECT_NE(written.find("Record Call Stack Sequence - Bottom line is error line.\r\n\r\n"
                         "\tICommand_HelpContextID QVXCRWUI.DLL Line : 2\r\n"
                         "\r\nError Number \r\n\t424\r\nDescription\r\n\tObject required\r\n\r\n"),
            std::string::npos)
      << written;
}

TEST_F(ErrorSink, AnUnwritableLogIsAFailureNotASilentLoss) {
  ASSERT_EQ(registry::registerServer(kLibrary, {{CLSID_ErrorSink(), kErrorSinkProgId, "sink"}}), registry::ERROR_SUCCESS);
  std::ofstream(dir / "state") << "a file where the folder should be";
  auto sink = com::create<IErrorSink>(CLSID_ErrorSink());
  ASSERT_EQ(sink->Record(u"report"), com::S_OK);
  EXPECT_TRUE(com::failed(sink->Send(true)));
}

}  // namespace
}  // namespace support
