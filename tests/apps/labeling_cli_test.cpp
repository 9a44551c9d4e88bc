// verify, apply and reset as a user runs them on a copy of the sample maps:
// labels against counts GDAL computes itself, the document written or left
// alone, reset across runs, exit codes and JSON.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_api.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_run.h"
#include "tests/common/file_bytes.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kMainExpression = "'[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)'";

using test_support::readFile;

// Record counts per USE value as GDAL's own SQL sees them; "" for nulls.
std::map<std::string, int> countsByUse(const fs::path& data, const std::string& where = "") {
  GDALAllRegister();
  GDALDatasetH ds = GDALOpenEx(data.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  EXPECT_NE(ds, nullptr);
  std::map<std::string, int> out;
  if (!ds) return out;
  const std::string sql = "SELECT USE, COUNT(*) AS N FROM landuse" + (where.empty() ? "" : " WHERE " + where) +
                          " GROUP BY USE";
  OGRLayerH result = GDALDatasetExecuteSQL(ds, sql.c_str(), nullptr, "SQLite");
  EXPECT_NE(result, nullptr);
  if (result) {
    OGR_L_ResetReading(result);
    while (OGRFeatureH f = OGR_L_GetNextFeature(result)) {
      const std::string use = OGR_F_IsFieldSetAndNotNull(f, 0) ? OGR_F_GetFieldAsString(f, 0) : "";
      out[use] = OGR_F_GetFieldAsInteger(f, 1);
      OGR_F_Destroy(f);
    }
    GDALDatasetReleaseResultSet(ds, result);
  }
  GDALClose(ds);
  return out;
}

class LabelingCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_labeling_cli_");
    for (const auto& entry : fs::directory_iterator(fs::path(CW_SOURCE_DIR) / "examples")) {
      if (entry.path().extension() == ".cwmap") fs::copy(entry.path(), dir);
    }
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
    ::setenv("CARROWIND_REGISTRY", (dir / "registry.db").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("CARROWIND_REGISTRY");
    fs::remove_all(dir);
  }
  std::string doc(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
  json legend(const std::string& name, const std::string& layer) const {
    const Result r = carrowind("legend " + doc(name) + " --layer '" + layer + "' --json");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return json::parse(r.out);
  }
  fs::path dir;
};

TEST_F(LabelingCli, ApplyLabelsEveryClassWithTheCountsOfItsRecords) {
  const Result r = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr '[USE].First=[ACRES].Count' --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json out = json::parse(r.out);
  EXPECT_TRUE(out["ok"]);
  EXPECT_FALSE(out["skipped"]);
  EXPECT_EQ(out["layer"], "Land use");
  EXPECT_FALSE(out.contains("message"));

  const auto counts = countsByUse(dir / "data" / "landuse.shp");
  const json shown = legend("landuse.cwmap", "Land use");
  ASSERT_EQ(shown["labels"], out["labels"]);  // written into the document
  ASSERT_EQ(shown["values"].size(), 10u);
  int labelled = 0;
  for (std::size_t i = 0; i + 1 < shown["values"].size(); ++i) {
    const std::string value = shown["values"][i];
    SCOPED_TRACE(value);
    ASSERT_TRUE(counts.count(value));
    EXPECT_EQ(shown["labels"][i], value + "=" + std::to_string(counts.at(value)));
    labelled += counts.at(value);
  }
  // The default class holds what no value class does: here the nulls.
  int total = 0;
  for (const auto& [use, n] : counts) total += n;
  EXPECT_EQ(shown["labels"].back(), "=" + std::to_string(total - labelled));
  EXPECT_NE(r.err.find("IMPORTANT: The resulting labels do not \"Auto Refresh\""), std::string::npos);
  EXPECT_EQ(r.err.find("were skipped"), std::string::npos);
}

TEST_F(LabelingCli, RecordsFollowTheDefinitionQueryUnlessAskedOtherwise) {
  const std::string base = "apply " + doc("definition_query.cwmap") + " --layer 'North land use' --expr '[ACRES].Count' --json";
  const auto north = countsByUse(dir / "data" / "landuse.shp", "DISTRICT = 'North'");
  const auto all = countsByUse(dir / "data" / "landuse.shp");

  const Result byDefault = carrowind(base + " --dry-run");
  ASSERT_EQ(byDefault.exitCode, 0) << byDefault.err;
  const Result everything = carrowind(base + " --dry-run --records all");
  ASSERT_EQ(everything.exitCode, 0) << everything.err;
  EXPECT_EQ(json::parse(byDefault.out)["labels"][0], std::to_string(north.at("Agricultural")));
  EXPECT_EQ(json::parse(everything.out)["labels"][0], std::to_string(all.at("Agricultural")));
  EXPECT_NE(north.at("Agricultural"), all.at("Agricultural"));

  // Choices the dialog would not offer for the layer are input errors.
  EXPECT_EQ(carrowind("apply " + doc("unique_values.cwmap") + " --layer 'Land use' --expr '[ACRES].Count' --records definition-query").exitCode, 2);
  EXPECT_EQ(carrowind("apply " + doc("definition_query.cwmap") + " --layer 'North land use' --expr x --records selection").exitCode, 2);
}

TEST_F(LabelingCli, SelectionSummarisesOnlyTheSelectedRecords) {
  const Result r = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr '[ACRES].Count' --records selection --dry-run --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json labels = json::parse(r.out)["labels"];
  int selected = 0;
  for (const auto& label : labels) {
    const std::string text = label;
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) selected += std::stoi(text);
  }
  // Classes without a selected record are skipped and keep their label.
  EXPECT_EQ(selected, 10) << labels.dump();
  EXPECT_TRUE(json::parse(r.out)["skipped"]);
  EXPECT_NE(r.err.find("Some legend symbols had no corresponding values in Layer's table and were skipped!"),
            std::string::npos);
}

TEST_F(LabelingCli, SelectionOnAJoinedLayerPicksItsRecordsOutOfTheJoinedRows) {
  json document = json::parse(readFile(dir / "join.cwmap"));
  const std::vector<int> selected{1, 2, 3, 5, 8, 13, 21, 34, 55, 89};
  document["layers"][0]["selection"] = selected;
  std::ofstream(dir / "join.cwmap") << document.dump(2);
  std::string ids;
  for (int id : selected) ids += (ids.empty() ? "" : ",") + std::to_string(id);
  const auto counts = countsByUse(dir / "data" / "landuse.shp", "ROWID IN (" + ids + ")");

  const Result r = carrowind("apply " + doc("join.cwmap") +
                             " --layer 'Parcels with owners' --expr '[landuse.ACRES].Count' --records selection --dry-run --json");
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const json shown = json::parse(r.out);
  const json values = document["layers"][0]["renderer"]["classes"];
  ASSERT_EQ(shown["labels"].size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string value = values[i]["values"][0];
    SCOPED_TRACE(value);
    // A class without a selected record is skipped and keeps its label.
    EXPECT_EQ(shown["labels"][i], counts.count(value) ? std::to_string(counts.at(value)) : values[i]["label"].get<std::string>());
  }
  EXPECT_TRUE(shown["skipped"]);
}

TEST_F(LabelingCli, ResetRestoresTheLabelsFromBeforeTheFirstApplyAcrossRuns) {
  const json before = legend("landuse.cwmap", "Land use");
  ASSERT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr " + kMainExpression).exitCode, 0);
  const json first = legend("landuse.cwmap", "Land use");
  EXPECT_NE(first["labels"], before["labels"]);
  EXPECT_EQ(first["labels"][5], "PARK - Children's playground (32 ac.)");
  ASSERT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr '[ACRES].Maximum'").exitCode, 0);
  EXPECT_NE(readFile(dir / "landuse.cwmap").find("\"original_labels\""), std::string::npos);

  const Result reset = carrowind("reset " + doc("landuse.cwmap") + " --layer 'Land use' --json");
  ASSERT_EQ(reset.exitCode, 0) << reset.err;
  EXPECT_EQ(json::parse(reset.out)["labels"], before["labels"]);
  EXPECT_EQ(legend("landuse.cwmap", "Land use")["labels"], before["labels"]);
  EXPECT_EQ(readFile(dir / "landuse.cwmap").find("\"original_labels\""), std::string::npos);

  const Result again = carrowind("reset " + doc("landuse.cwmap") + " --layer 'Land use'");
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("no labels to reset"), std::string::npos);
}

TEST_F(LabelingCli, ResetRefusesALegendWhoseClassesChanged) {
  ASSERT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr '[ACRES].Count'").exitCode, 0);
  json document = json::parse(readFile(dir / "landuse.cwmap"));
  document["layers"][0]["renderer"]["classes"].erase(0);
  std::ofstream(dir / "landuse.cwmap") << document.dump(2);
  const std::string changed = readFile(dir / "landuse.cwmap");
  const Result r = carrowind("reset " + doc("landuse.cwmap") + " --layer 'Land use'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("has changed"), std::string::npos);
  EXPECT_EQ(readFile(dir / "landuse.cwmap"), changed);
}

TEST_F(LabelingCli, DryRunAndOutputLeaveTheDocumentAlone) {
  const std::string original = readFile(dir / "landuse.cwmap");
  const Result dry = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr " + kMainExpression + " --dry-run");
  ASSERT_EQ(dry.exitCode, 0) << dry.err;
  EXPECT_NE(dry.out.find("RESIDENTIAL - Duplexes (159 ac.)"), std::string::npos) << dry.out;
  EXPECT_EQ(readFile(dir / "landuse.cwmap"), original);

  const Result copy = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr " + kMainExpression + " -o " + doc("labelled.cwmap"));
  ASSERT_EQ(copy.exitCode, 0) << copy.err;
  EXPECT_EQ(readFile(dir / "landuse.cwmap"), original);
  EXPECT_EQ(legend("labelled.cwmap", "Land use")["labels"][6], "RESIDENTIAL - Duplexes (159 ac.)");
  // The copy reads its data from the same files and can be reset.
  EXPECT_EQ(carrowind("reset " + doc("labelled.cwmap") + " --layer 'Land use'").exitCode, 0);
  EXPECT_EQ(legend("labelled.cwmap", "Land use")["labels"], legend("landuse.cwmap", "Land use")["labels"]);

  EXPECT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr x --dry-run -o " + doc("x.cwmap")).exitCode, 2);
}

TEST_F(LabelingCli, AFailedRunReportsTheEngineAndWritesNothing) {
  const std::string original = readFile(dir / "unsupported.cwmap");
  const Result r = carrowind("apply " + doc("unsupported.cwmap") + " --layer 'Acreage dots' --expr '[ACRES].Sum' --json");
  EXPECT_EQ(r.exitCode, 1);
  const json out = json::parse(r.out);
  EXPECT_FALSE(out["ok"]);
  EXPECT_FALSE(out.value("message", "").empty());
  EXPECT_FALSE(out.contains("labels"));
  EXPECT_NE(r.err.find("Error Generating Labels!"), std::string::npos);
  EXPECT_EQ(readFile(dir / "unsupported.cwmap"), original);

  const Result badField = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr '[NOSUCH].First'");
  EXPECT_EQ(badField.exitCode, 1);
  EXPECT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr ''").exitCode, 2);
  EXPECT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use'").exitCode, 2);
}

TEST_F(LabelingCli, VerifyPrintsTheSampleLabelOrWhyNot) {
  const Result text = carrowind("verify " + doc("landuse.cwmap") + " --layer 'Land use' --expr " + kMainExpression);
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out.rfind("SAMPLE LABEL: ", 0), 0u) << text.out;
  EXPECT_EQ(text.out.find("Labeling Instructions"), std::string::npos);
  const Result detail = carrowind("verify " + doc("landuse.cwmap") + " --layer 'Land use' --detail --expr " + kMainExpression);
  EXPECT_NE(detail.out.find("Labeling Instructions:\n\tPUT\tFIELD:USE,First\n\t\t\tFORMAT:UCase,,\n"), std::string::npos)
      << detail.out;

  const Result valid = carrowind("verify " + doc("landuse.cwmap") + " --layer 'Land use' --json --expr '[USE].First'");
  ASSERT_EQ(valid.exitCode, 0);
  const json ok = json::parse(valid.out);
  EXPECT_TRUE(ok["ok"]);
  EXPECT_EQ(ok["report"].get<std::string>().rfind("SAMPLE LABEL: " + ok["sample_label"].get<std::string>(), 0), 0u);
  EXPECT_FALSE(ok["sample_label"].get<std::string>().empty());
  // A label with an empty line in it comes whole, its line breaks as apply's
  // labels have them.
  const std::string lines = "'A$$NEWLINE$$NEWLINEB [USE].First'";
  const json sample = json::parse(
      carrowind("verify " + doc("landuse.cwmap") + " --layer 'Land use' --json --expr " + lines).out);
  const json applied = json::parse(
      carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --dry-run --json --expr " + lines).out);
  EXPECT_EQ(sample["sample_label"].get<std::string>().rfind("A\r\n\r\nB ", 0), 0u) << sample.dump();
  EXPECT_EQ(applied["labels"][0].get<std::string>().rfind("A\r\n\r\nB ", 0), 0u) << applied.dump();

  const Result invalid = carrowind("verify " + doc("landuse.cwmap") + " --layer 'Land use' --json --expr '[NOSUCH].First'");
  EXPECT_EQ(invalid.exitCode, 1);
  const json bad = json::parse(invalid.out);
  EXPECT_FALSE(bad["ok"]);
  EXPECT_NE(bad["message"].get<std::string>().find("NOSUCH"), std::string::npos) << bad.dump();
  EXPECT_FALSE(bad.contains("report"));
  EXPECT_FALSE(bad.contains("sample_label"));
}

TEST_F(LabelingCli, WrappingAndTheAllOtherValuesClass) {
  const Result wrapped = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr " + kMainExpression + " --wrap 12.6 --dry-run --json");
  ASSERT_EQ(wrapped.exitCode, 0) << wrapped.err;
  const json labels = json::parse(wrapped.out)["labels"];
  for (const auto& label : labels) {
    std::istringstream lines(label.get<std::string>());
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      EXPECT_LE(line.size(), 16u) << label;  // 13 characters; a word longer than that stays whole
    }
  }
  const Result kept = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr '[ACRES].Count' --no-all-other-values --dry-run --json");
  EXPECT_EQ(json::parse(kept.out)["labels"].back(), "<all other values>");
  const Result none = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr " + kMainExpression + " --wrap 0 --dry-run --json");
  EXPECT_EQ(json::parse(none.out)["labels"][6], "RESIDENTIAL - Duplexes (159 ac.)");
}

TEST_F(LabelingCli, ExpressionsFromFilesAndQuickPicks) {
  std::ofstream(dir / "count.exp") << "[USE].First: [ACRES].Count\n";
  const Result fromFile = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr-file " + doc("count.exp") + " --dry-run --json");
  ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
  const json expected = json::parse(fromFile.out)["labels"];
  EXPECT_EQ(expected[0].get<std::string>().rfind("Agricultural: ", 0), 0u) << expected.dump();

  EXPECT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --quick-pick counts").exitCode, 1);
  ASSERT_EQ(carrowind("install").exitCode, 0);
  ASSERT_EQ(carrowind("quickpicks save Counts --expr '[USE].First: [ACRES].Count'").exitCode, 0);
  const Result picked = carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --quick-pick counts --dry-run --json");
  ASSERT_EQ(picked.exitCode, 0) << picked.err;
  EXPECT_EQ(json::parse(picked.out)["labels"], expected);
  EXPECT_EQ(carrowind("verify " + doc("landuse.cwmap") + " --layer 'Land use' --quick-pick nosuch").exitCode, 2);
  EXPECT_EQ(carrowind("apply " + doc("landuse.cwmap") + " --layer 'Land use' --quick-pick counts --expr x").exitCode, 2);
}

TEST_F(LabelingCli, ProgressShowsOnATerminalOnly) {
  const std::string apply = "apply " + doc("landuse.cwmap") + " --layer 'Land use' --expr '[ACRES].Count' --dry-run";
  EXPECT_EQ(carrowind(apply).err.find("Labelling:"), std::string::npos);
  // script(1) gives the program a terminal for its stdout and stderr.
  const std::string program = std::string(CW_BINARY_DIR) + "/bin/carrowind " + apply;
  std::string escaped;
  for (char c : program) escaped += c == '\'' ? std::string("'\\''") : std::string(1, c);
  FILE* pipe = ::popen(("script -qec '" + escaped + "' /dev/null").c_str(), "r");
  ASSERT_TRUE(pipe);
  std::string shown;
  std::array<char, 4096> buffer{};
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) shown.append(buffer.data(), n);
  ASSERT_EQ(::pclose(pipe), 0) << shown;
  EXPECT_NE(shown.find("Labelling: 1 %"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Labelling: 100 %"), std::string::npos) << shown;
  EXPECT_NE(shown.find("<all other values>"), std::string::npos);
}

}  // namespace
