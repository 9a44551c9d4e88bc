// What the program knows of QGIS without QGIS: numbers written and read as
// Qt writes and reads them (as QGIS was seen to), and rule-based renderers
// classified by the classes QGIS gives each feature, their labels written
// into the rules (an absent label attribute written in, and taken out again
// so that the file is QGIS's byte for byte).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mapdoc/data/qt_text.h"
#include "mapdoc/document.h"
#include "mapdoc/qgis/feature_classes.h"
#include "mapdoc/qgis/qgis_renderer.h"
#include "qgis_files.h"

namespace mapdoc::qgis::testing {
namespace {

TEST(QtNumbers, WrittenAsQgisWritesThemAndReadAsItReadsThem) {
  // Each seen in QGIS 3.22: a category of this text draws the value.
  const std::pair<double, const char*> written[] = {
      {100000.0, "100000"}, {1e6, "1e+06"}, {1500000.0, "1500000"}, {1e15, "1e+15"}, {1e20, "1e+20"},
      {123456789.0, "123456789"}, {1234567890123.0, "1234567890123"}, {9007199254740992.0, "9007199254740992"},
      {0.0001, "0.0001"}, {1e-5, "1e-05"}, {1.5e-7, "1.5e-07"}, {0.1, "0.1"}, {1.0 / 3, "0.3333333333333333"},
      {-0.0, "0"}, {1e21, "1e+21"}, {1e300, "1e+300"}, {5e-324, "5e-324"}, {123456.789, "123456.789"},
      {1234567.5, "1234567.5"}, {0.00012345, "0.00012345"}, {-2.5, "-2.5"}};
  for (const auto& [x, text] : written) EXPECT_EQ(data::qtNumberText(x), text) << x;

  // A graduated renderer's number of a text: blanks around it, an exponent.
  const std::pair<const char*, double> read[] = {{" 7", 7}, {"8 ", 8}, {"1e1", 10}, {"+1", 1}, {"1.", 1},
                                                 {".5", 0.5}, {"\xC2\xA0" "9", 9}, {"-0", 0}};
  for (const auto& [text, x] : read) EXPECT_EQ(data::qtNumber(text), std::optional<double>(x)) << text;
  for (const char* none : {"abc", "", "12,5", "0x10", "1e", "- 1", "1 2"}) EXPECT_FALSE(data::qtNumber(none)) << none;
  EXPECT_TRUE(std::isnan(*data::qtNumber("nan")));
  EXPECT_EQ(*data::qtNumber("inf"), std::numeric_limits<double>::infinity());
}

constexpr char kRules[] = R"(<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>
<qgis version="3.22.16-Białowieża" styleCategories="Symbology">
  <renderer-v2 type="RuleRenderer" symbollevels="0">
    <rules key="{root}">
      <rule key="{a}" filter="&quot;ACRES&quot; > 5" symbol="0"/>
      <rule key="{b}" filter="&quot;USE&quot; = 'Park'" label="parks">
        <rule key="{c}" filter="&quot;ACRES&quot; &lt; 2" symbol="1" label="small parks"/>
      </rule>
      <rule key="{d}" filter="ELSE" symbol="2" label="the rest"/>
    </rules>
  </renderer-v2>
</qgis>
)";

class QgisRules : public QgisFiles {
 protected:
  host::Ref<MapDocument> open(const std::string& classes) {
    writeFile(dir / "rules.qml", kRules);
    writeFile(dir / "classes.json", classes);
    OpenOptions options((dir / "data" / "landuse.shp").string());
    options.styleClasses = dir / "classes.json";
    return MapDocument::open(dir / "rules.qml", options);
  }
};

TEST_F(QgisRules, RulesAreClassifiedByWhatQgisSaysAndLabelledInTheRules) {
  // features 0 and 1 in two rules at once; 7 in the nested one
  auto doc = open(R"({"format": "carrowind-qgis-classes", "version": 1, "id_field": "",
                      "items": [[0, 1, 2], [1, 7], [7], []]})");
  auto layer = doc->layer(u"rules");
  auto renderer = com::query<host::IGeoFeatureLayer>(layer.get())->Renderer();
  auto classes = com::query<host::IRendererClasses>(renderer.get());
  ASSERT_TRUE(classes);
  ASSERT_EQ(classes->ClassCount(), 4);
  auto unique = com::query<host::IUniqueValueRenderer>(renderer.get());
  EXPECT_EQ(unique->Value(0), u"\"ACRES\" > 5");
  EXPECT_EQ(unique->Value(3), u"ELSE");

  auto table = com::query<host::IDisplayTable>(layer.get())->DisplayTable();
  auto classifier = com::query<host::IRendererClassifier>(renderer.get())->Classifier(table.get());
  auto several = com::query<host::IRecordClassesOf>(classifier.get());
  ASSERT_TRUE(several);
  std::vector<std::vector<int>> byFeature;
  auto cursor = table->Search(nullptr, true);
  for (auto row = cursor->NextRow(); row && byFeature.size() < 8; row = cursor->NextRow()) {
    std::vector<int> in;
    several->ClassesOf(row.get(), in);
    byFeature.push_back(in);
  }
  ASSERT_EQ(byFeature.size(), 8u);
  EXPECT_EQ(byFeature[0], (std::vector<int>{0}));
  EXPECT_EQ(byFeature[1], (std::vector<int>{0, 1}));
  EXPECT_EQ(byFeature[3], (std::vector<int>{}));
  EXPECT_EQ(byFeature[7], (std::vector<int>{1, 2}));

  // A label where QGIS wrote none is written in, and taken out again.
  const std::string original = readFile(dir / "rules.qml");
  unique->Label(unique->Value(0), u"big & \"bold\"");
  unique->Label(unique->Value(1), u"");
  doc->save();
  const std::string labelled = readFile(dir / "rules.qml");
  EXPECT_NE(labelled.find(R"(<rule label="big &amp; &quot;bold&quot;" key="{a}")"), std::string::npos) << labelled;
  EXPECT_NE(labelled.find(R"(<rule key="{b}" filter="&quot;USE&quot; = 'Park'">)"), std::string::npos) << labelled;
  unique->Label(unique->Value(0), u"");
  unique->Label(unique->Value(1), u"parks");
  doc->save();
  EXPECT_EQ(readFile(dir / "rules.qml"), original);
}

TEST_F(QgisRules, ClassesThatDoNotFitTheStyleAreRefused) {
  for (const auto& [classes, problem] : std::vector<std::pair<std::string, std::string>>{
           {R"({"format": "carrowind-qgis-classes", "version": 1, "items": [[0], [1]]})", "2 legend items"},
           {R"({"format": "something else", "items": []})", "carrowind-qgis-classes"},
           {R"({"format": "carrowind-qgis-classes", "version": 2, "items": []})", "version"},
           {R"({"format": "carrowind-qgis-classes", "version": 1, "items": [[0.5], [], [], []]})", "non-integer"},
           {"{not json", "carrowind-qgis-classes"}}) {
    SCOPED_TRACE(classes);
    try {
      open(classes);
      ADD_FAILURE() << "read";
    } catch (const DocumentError& e) {
      EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
    }
  }
}

TEST_F(QgisRules, WithoutQgisClassesARuleSaysQgisEvaluatesIt) {
  writeFile(dir / "rules.qml", kRules);
  auto doc = MapDocument::open(dir / "rules.qml", OpenOptions((dir / "data" / "landuse.shp").string()));
  auto renderer = com::query<host::IGeoFeatureLayer>(doc->layer(u"rules").get())->Renderer();
  auto qgis = com::query<IQgisClassified>(renderer.get());
  ASSERT_TRUE(qgis);
  EXPECT_NE(qgis->QgisOnly().find("rule-based"), std::string::npos) << qgis->QgisOnly();
  auto table = com::query<host::IDisplayTable>(doc->layer(u"rules").get())->DisplayTable();
  EXPECT_THROW(com::query<host::IRendererClassifier>(renderer.get())->Classifier(table.get()), host::HostError);
}

}  // namespace
}  // namespace mapdoc::qgis::testing
