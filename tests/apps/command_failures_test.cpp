// How the commands fail, as a hostile but realistic user finds them: an
// expression file with a byte-order mark, a layer without records, --json
// on every failure, a file of kept labels that is no text, and a
// PostgreSQL server that goes while the connection is set up.
#include <arpa/inet.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>

#include "cli_run.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr char kBom[] = "\xEF\xBB\xBF";

using test_support::readFile;
using test_support::replaced;
using test_support::writeFile;

class CommandFailures : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::examplesCopy("cw_fail_");
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_REGISTRY");
    fs::remove_all(dir);
  }
  std::string path(const fs::path& name) const { return "'" + (dir / name).string() + "'"; }
  fs::path dir;
};

TEST_F(CommandFailures, AnExpressionFileWithAByteOrderMarkReadsWithoutIt) {
  writeFile(dir / "use.exp", std::string(kBom) + "[USE].First: [ACRES].Count\r\n");
  const std::string layer = path("landuse.cwmap") + " --layer 'Land use' --expr-file " + path("use.exp");
  const Result applied = carrowind("apply " + layer + " --dry-run --json");
  ASSERT_EQ(applied.exitCode, 0) << applied.err;
  const json labels = json::parse(applied.out)["labels"];
  for (const auto& label : labels) EXPECT_EQ(label.get<std::string>().find(kBom), std::string::npos) << label;
  EXPECT_EQ(labels[0].get<std::string>().rfind("Agricultural: ", 0), 0u);
  const Result verified = carrowind("verify " + layer + " --json");
  ASSERT_EQ(verified.exitCode, 0) << verified.err;
  EXPECT_EQ(json::parse(verified.out)["sample_label"].get<std::string>().find(kBom), std::string::npos);

  ASSERT_EQ(carrowind("install").exitCode, 0);
  ASSERT_EQ(carrowind("quickpicks save counts --expr-file " + path("use.exp")).exitCode, 0);
  EXPECT_EQ(carrowind("quickpicks show counts").out, "[USE].First: [ACRES].Count\n");
}

// No label is made when no class has a record to make it from: exit 1, and
// the document as it was. A class with records is enough for success.
TEST_F(CommandFailures, ALayerWithoutRecordsInItsClassesGetsNoLabels) {
  GDALAllRegister();
  GDALDatasetH gpkg = GDALOpenEx((dir / "data" / "landuse.gpkg").c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(gpkg, nullptr);
  GDALDatasetReleaseResultSet(gpkg, GDALDatasetExecuteSQL(gpkg, "DELETE FROM landuse", nullptr, nullptr));
  GDALClose(gpkg);
  const auto emptied = [&](const std::string& name) {
    const std::string text = replaced(readFile(dir / name), "\"path\": \"data/landuse.shp\"",
                                      "\"path\": \"data/landuse.gpkg\", \"layer\": \"landuse\"");
    writeFile(dir / ("empty_" + name), text);
    return text;
  };
  for (const auto& [name, layer] : {std::pair{"class_breaks.cwmap", "Parcel size"}, {"unique_values_default.cwmap", "Land use"}}) {
    const std::string before = emptied(name);
    const Result r = carrowind("apply " + path("empty_" + std::string(name)) + " --layer '" + layer +
                               "' --expr '[ACRES].Sum' --json");
    EXPECT_EQ(r.exitCode, 1) << name;
    const json out = json::parse(r.out);
    EXPECT_FALSE(out["ok"]);
    EXPECT_NE(out["message"].get<std::string>().find("no record was found for any legend class"), std::string::npos);
    EXPECT_EQ(out["layer"], layer);
    EXPECT_NE(r.err.find("Error Generating Labels!"), std::string::npos);
    EXPECT_EQ(readFile(dir / ("empty_" + std::string(name))), before);
  }
  // One label for the whole layer is made from no records too.
  emptied("simple.cwmap");
  EXPECT_EQ(carrowind("apply " + path("empty_simple.cwmap") + " --layer Parcels --expr '[ACRES].Count'").exitCode, 0);

  // Records only in "<all other values>": that class's label is made,
  // unless the command is to leave it.
  std::string nulls = replaced(readFile(dir / "unique_values_default.cwmap"), "\"name\": \"Land use\",",
                               "\"name\": \"Land use\", \"definition_query\": \"USE IS NULL\",");
  writeFile(dir / "nulls.cwmap", nulls);
  const std::string apply = "apply " + path("nulls.cwmap") + " --layer 'Land use' --expr '[ACRES].Count' --dry-run --json";
  const Result some = carrowind(apply);
  EXPECT_EQ(some.exitCode, 0) << some.err;
  EXPECT_TRUE(json::parse(some.out)["skipped"]);
  EXPECT_NE(some.err.find("were skipped"), std::string::npos);
  EXPECT_EQ(carrowind(apply + " --no-all-other-values").exitCode, 1);
}

// Whatever fails, a command given --json prints its JSON object, with the
// exit code the failure has without it.
TEST_F(CommandFailures, EveryFailureOfACommandGivenJsonPrintsJson) {
  const std::string doc = path("landuse.cwmap");
  const std::pair<std::string, int> cases[] = {
      {"apply " + doc + " --layer nosuch --expr x", 2},
      {"verify " + doc + " --layer nosuch --expr x", 2},
      {"legend " + doc + " --layer nosuch", 2},
      {"fields " + doc + " --layer nosuch", 2},
      {"values " + doc + " --layer nosuch --field USE", 2},
      {"reset " + doc + " --layer nosuch", 2},
      {"legend " + path("missing.cwmap"), 2},
      {"fields " + path("broken.cwmap") + " --layer x", 2},
      {"values " + doc + " --layer 'Land use' --field NOSUCH", 2},
      {"fields " + doc, 2},                              // --layer is required
      {"apply " + doc + " --layer 'Land use' --expr x --wrap many", 2},
      {"reset " + doc + " --layer 'Land use'", 1},       // nothing to reset
      {"values " + doc + " --layer 'Land use' --field USE --where 'NOSUCH ='", 1},
  };
  writeFile(dir / "broken.cwmap", "not json");
  for (const auto& [command, exitCode] : cases) {
    SCOPED_TRACE(command);
    const Result r = carrowind(command + " --json");
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    json out;
    ASSERT_NO_THROW(out = json::parse(r.out)) << r.out;
    EXPECT_EQ(out["ok"], false);
    EXPECT_FALSE(out.value("message", "").empty());
    EXPECT_NE(r.err.find(out.value("message", "?")), std::string::npos) << r.err;
    // without --json, the line alone
    EXPECT_TRUE(carrowind(command).out.empty());
  }
  const json unknown = json::parse(carrowind("apply " + doc + " --layer nosuch --expr x --json").out);
  EXPECT_EQ(unknown["layer"], "nosuch");
  EXPECT_NE(unknown["message"].get<std::string>().find("no layer named \"nosuch\""), std::string::npos);
}

// A file that begins or ends with NUL bytes (a disk that lost its blocks):
// what is wrong and where, not "unexpected end of input".
TEST_F(CommandFailures, NulBytesAreNamedWithTheirPlace) {
  const std::string kept = R"({"format": "carrowind-kept-labels", "version": 1, "layers": {}})";
  writeFile(dir / "parcels.qgs.carrowind.json", std::string(16, '\0') + kept);
  Result r = carrowind("legend " + path("parcels.qgs"));
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("parcels.qgs.carrowind.json: is not valid JSON: a NUL byte at line 1, column 1"),
            std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("end of input"), std::string::npos) << r.err;

  const std::string doc = readFile(dir / "simple.cwmap");
  writeFile(dir / "padded.cwmap", doc + std::string(4, '\0') + "junk");
  r = carrowind("legend " + path("padded.cwmap"));
  EXPECT_EQ(r.exitCode, 2);
  const auto lines = std::count(doc.begin(), doc.end(), '\n');
  EXPECT_NE(r.err.find("a NUL byte at line " + std::to_string(lines + 1) + ", column 1"), std::string::npos) << r.err;
}

// A PostgreSQL server that lets a client in and is gone at its first
// statement, as one stopped while the client sets up its connection.
class VanishingServer {
 public:
  VanishingServer(const fs::path& dir, int port) : socketPath_(dir / (".s.PGSQL." + std::to_string(port))) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath_.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    EXPECT_EQ(::listen(listener_, 8), 0);
    thread_ = std::thread([this] { serve(); });
  }
  ~VanishingServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
    fs::remove(socketPath_);
  }

 private:
  static bool readAll(int fd, char* out, std::size_t n) {
    for (std::size_t got = 0; got < n;) {
      const auto r = ::recv(fd, out + got, n - got, 0);
      if (r <= 0) return false;
      got += static_cast<std::size_t>(r);
    }
    return true;
  }
  static void send(int fd, char type, const std::string& body) {
    std::string message(1, type);
    const std::uint32_t length = htonl(static_cast<std::uint32_t>(body.size() + 4));
    message.append(reinterpret_cast<const char*>(&length), 4);
    message += body;
    (void)::send(fd, message.data(), message.size(), MSG_NOSIGNAL);
  }
  static void admitThenVanish(int client) {
    timeval timeout{5, 0};
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    while (true) {  // the start-up message, after any request for encryption
      std::uint32_t length = 0, code = 0;
      if (!readAll(client, reinterpret_cast<char*>(&length), 4) || ntohl(length) < 8) return;
      std::string body(ntohl(length) - 4, '\0');
      if (!readAll(client, body.data(), body.size())) return;
      std::memcpy(&code, body.data(), 4);
      if (ntohl(code) != 80877103 && ntohl(code) != 80877104) break;  // SSL, GSS
      (void)::send(client, "N", 1, MSG_NOSIGNAL);
    }
    send(client, 'R', std::string(4, '\0'));  // authenticated
    send(client, 'S', std::string("server_version\0" "16.0\0", 20));
    send(client, 'Z', "I");  // ready for a statement: the last word
    char statement;
    (void)::recv(client, &statement, 1, 0);
  }
  void serve() {
    while (!stop_) {
      pollfd ready{listener_, POLLIN, 0};
      if (::poll(&ready, 1, 50) <= 0) continue;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      admitThenVanish(client);
      ::close(client);
    }
  }

  fs::path socketPath_;
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(CommandFailures, AServerLostWhileConnectingIsReportedInItsWords) {
  VanishingServer server(dir, 5439);
  const std::string connection = "PG:host=" + dir.string() + " port=5439 dbname=gis user=ann";
  const std::string words = "server closed the connection unexpectedly";
  Result r = carrowind("new-map " + path("big.cwmap") + " --data '" + connection + "' --layer big");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(connection), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("has no layer"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_FALSE(fs::exists(dir / "big.cwmap"));

  // The same from a document's layer on that server.
  json doc = json::parse(readFile(dir / "simple.cwmap"));
  doc["layers"][0]["source"] = {{"connection", connection}, {"layer", "big"}};
  writeFile(dir / "server.cwmap", doc.dump(2));
  r = carrowind("fields " + path("server.cwmap") + " --layer Parcels");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

// A registration naming a labeler that cannot load (another build's, a
// damaged file) gives way to the program's own components.
TEST_F(CommandFailures, ARegisteredLabelerThatCannotLoadGivesWayToTheProgramsOwn) {
  ASSERT_EQ(carrowind("install").exitCode, 0);
  const Result exported = carrowind("registry export 'HKEY_CURRENT_USER\\Software\\Classes'");
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  const std::string own = std::string(CW_BINARY_DIR) + "/lib/libQVXCRW.so";
  ASSERT_NE(exported.out.find(own), std::string::npos) << exported.out;
  writeFile(dir / "damaged.so", "not a library");
  writeFile(dir / "moved.reg", replaced(exported.out, own, (dir / "damaged.so").string()));
  ASSERT_EQ(carrowind("registry import " + path("moved.reg")).exitCode, 0);

  const Result applied = carrowind("apply " + path("landuse.cwmap") + " --layer 'Land use' --expr '[ACRES].Count' --dry-run");
  EXPECT_EQ(applied.exitCode, 0) << applied.err;
  EXPECT_NE(carrowind("registry export 'HKEY_CURRENT_USER\\Software\\Classes'").out.find(own), std::string::npos);
}

}  // namespace
