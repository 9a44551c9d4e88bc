#include <gtest/gtest.h>

#include <fstream>

#include "mapdoc/atomic_file.h"
#include "mapdoc/document.h"
#include "platform/text/utf.h"
#include "tests/common/scratch_dir.h"

namespace mapdoc {
namespace {

namespace fs = std::filesystem;
using test_support::kExamples;

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_doc_");
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name) << text;
    return dir / name;
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path dir;
};

TEST(Examples, EveryExampleLoadsWithValidDataAndRenderers) {
  int documents = 0;
  for (const auto& entry : fs::directory_iterator(kExamples)) {
    if (entry.path().extension() != ".cwmap") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++documents;
    auto doc = MapDocument::open(entry.path());
    ASSERT_FALSE(doc->layers().empty());
    for (const auto& layer : doc->layers()) {
      EXPECT_TRUE(layer->Valid()) << text::toUtf8(layer->Name());
      if (auto geo = com::query<host::IGeoFeatureLayer>(layer.get())) {
        ASSERT_TRUE(geo->Renderer());
        EXPECT_TRUE(com::query<host::IDisplayTable>(layer.get())->DisplayTable());
      }
    }
    EXPECT_TRUE(doc->CurrentContentsView()->SelectedItem().isObject());
  }
  EXPECT_GE(documents, 13);
}

// What is read is what is written: every member of every example survives a
// load and a save unchanged, and reading the written form gives it back.
TEST(Examples, ReadAndWrittenFormsAgree) {
  for (const auto& entry : fs::directory_iterator(kExamples)) {
    if (entry.path().extension() != ".cwmap") continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path());
    const auto original = Json::parse(in);
    const auto written = MapDocument::open(entry.path())->toJson();
    EXPECT_EQ(written, original) << Json::diff(original, written).dump();
    EXPECT_EQ(MapDocument::fromJson(written, entry.path())->toJson(), written);
  }
}

TEST_F(TempDir, LoadErrorsNameTheFileTheMemberAndTheProblem) {
  const std::string layer = R"({"name": "L", "type": "feature", "source": {"path": "x.shp"}, "renderer": )";
  const std::vector<std::tuple<std::string, std::string, std::string>> cases{
      {"{\"format\": ", "", "not valid JSON"},
      {"[]", "", "expected an object"},
      {R"({"format": "other", "version": 1, "layers": []})", "format", "carrowind-map"},
      {R"({"format": "carrowind-map", "version": 2, "layers": []})", "version", "version 2"},
      {R"({"format": "carrowind-map", "version": 1})", "", "\"layers\" is missing"},
      {R"({"format": "carrowind-map", "version": 1, "layers": [)" + layer + R"({"type": "pie"}}]})",
       "layers[0].renderer.type", "unknown renderer type"},
      {R"({"format": "carrowind-map", "version": 1, "layers": [)" + layer +
           R"({"type": "unique_values", "fields": ["A"], "classes": [{"values": ["a"], "label": 7}]}}]})",
       "layers[0].renderer.classes[0].label", "expected text"},
      {R"({"format": "carrowind-map", "version": 1, "layers": [)" + layer +
           R"({"type": "unique_values", "fields": ["A"], "classes": [{"values": ["a"]}, {"values": ["a"]}]}}]})",
       "layers[0].renderer.classes[1].values", "two classes"},
      {R"({"format": "carrowind-map", "version": 1, "layers": [)" + layer +
           R"({"type": "class_breaks", "field": "A", "breaks": [{"upper": 5}, {"upper": 2}]}}]})",
       "layers[0].renderer.breaks[1].upper", "rise"},
      {R"({"format": "carrowind-map", "version": 1, "selected_layer": "M", "layers": [)" + layer +
           R"({"type": "simple"}}]})",
       "selected_layer", "no layer is named \"M\""},
      {R"({"format": "carrowind-map", "version": 1, "layers": [)" + layer +
           R"({"type": "simple"}, "definition_selection": [1, 2.5]}]})",
       "layers[0].definition_selection[1]", "whole number"},
  };
  for (const auto& [json, member, problem] : cases) {
    SCOPED_TRACE(json);
    const auto file = write("bad.cwmap", json);
    try {
      MapDocument::open(file);
      ADD_FAILURE() << "loaded";
    } catch (const DocumentError& e) {
      EXPECT_EQ(e.file(), file);
      EXPECT_EQ(e.member(), member);
      EXPECT_NE(e.problem().find(problem), std::string::npos) << e.problem();
      EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos);
    }
  }
  EXPECT_THROW(MapDocument::open(dir / "missing.cwmap"), DocumentError);
}

TEST_F(TempDir, AMissingDataFileMakesOnlyItsLayerInvalid) {
  const auto file = write("m.cwmap", R"({"format": "carrowind-map", "version": 1, "layers": [
    {"name": "gone", "source": {"path": "nowhere.shp"}, "renderer": {"type": "simple", "label": "x"}}]})");
  auto doc = MapDocument::open(file);
  auto layer = doc->layer(u"gone");
  EXPECT_FALSE(layer->Valid());
  try {
    com::query<host::IFeatureLayer>(layer.get())->FeatureClass();
    FAIL();
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("nowhere.shp"), std::string::npos) << e.what();
  }
}

TEST_F(TempDir, SavingKeepsUnknownMembersAndWritesChangedLabels) {
  auto text = read(kExamples / "unique_values_default.cwmap");
  text.insert(text.find('{') + 1, "\n  \"author\": {\"name\": \"Ann\"},");
  text.insert(text.find("\"label\": \"Park\"") , "\"note\": \"keep me\", ");
  const auto file = write("doc.cwmap", text);
  fs::create_directories(dir / "data");
  for (const auto& e : fs::directory_iterator(kExamples / "data"))
    if (e.path().stem() == "landuse") fs::copy(e.path(), dir / "data" / e.path().filename());

  auto doc = MapDocument::open(file);
  auto renderer = com::query<host::IUniqueValueRenderer>(
      com::query<host::IGeoFeatureLayer>(doc->layer(u"Land use").get())->Renderer().get());
  renderer->Label(u"Park", u"Parks and gardens");
  renderer->DefaultLabel(u"Everything else");
  doc->save();

  auto again = MapDocument::open(file);
  EXPECT_EQ(again->extra()["author"]["name"], "Ann");
  const auto saved = again->toJson();
  EXPECT_EQ(saved["layers"][0]["renderer"]["classes"][5]["note"], "keep me");
  EXPECT_EQ(saved["layers"][0]["renderer"]["classes"][5]["label"], "Parks and gardens");
  EXPECT_EQ(saved["layers"][0]["renderer"]["default"]["label"], "Everything else");
  EXPECT_EQ(read(file).find("\"author\""), text.find("\"author\""));  // members keep their place
}

TEST_F(TempDir, AFailedSaveLeavesTheOldFileWhole) {
  const auto file = write("doc.cwmap", read(kExamples / "simple.cwmap"));
  const std::string before = read(file);
  auto doc = MapDocument::open(file);
  com::query<host::ISimpleRenderer>(com::query<host::IGeoFeatureLayer>(doc->layers()[0].get())->Renderer().get())
      ->Label(u"changed");
  failNextWriteAfter(40);
  EXPECT_THROW(doc->save(), DocumentError);
  EXPECT_EQ(read(file), before);
  for (const auto& e : fs::directory_iterator(dir)) EXPECT_EQ(e.path(), file) << "a temporary file was left behind";
  doc->save();
  EXPECT_NE(read(file).find("changed"), std::string::npos);
}

TEST_F(TempDir, SaveAsElsewhereKeepsRelativePathsPointingAtTheSameData) {
  auto doc = MapDocument::open(kExamples / "join.cwmap");
  fs::create_directories(dir / "maps" / "deep");
  const auto target = dir / "maps" / "deep" / "copy.cwmap";
  auto held = com::query<host::IUniqueValueRenderer>(
      com::query<host::IGeoFeatureLayer>(doc->layers().front().get())->Renderer().get());
  doc->saveAs(target);
  // what callers held before still belongs to the document, and a second
  // save from the new folder keeps the paths right
  held->Label(held->Value(0), u"Relabelled");
  doc->save();
  auto copy = MapDocument::open(target);
  EXPECT_EQ(com::query<host::IRendererClasses>(
                com::query<host::IGeoFeatureLayer>(copy->layers().front().get())->Renderer().get())
                ->Class(0),
            u"Relabelled");
  auto layer = copy->layers().front();
  EXPECT_TRUE(layer->Valid());
  EXPECT_EQ(com::query<host::IDisplayTable>(layer.get())->DisplayTable()->RowCount(nullptr), 168);
  const auto path = copy->toJson()["layers"][0]["source"]["path"].get<std::string>();
  EXPECT_TRUE(fs::path(path).is_relative()) << path;
  EXPECT_TRUE(fs::exists(target.parent_path() / path)) << path;
  const auto joined = copy->toJson()["layers"][0]["join"]["table"]["path"].get<std::string>();
  EXPECT_TRUE(fs::exists(target.parent_path() / joined)) << joined;
}

}  // namespace
}  // namespace mapdoc
