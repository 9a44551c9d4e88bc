// Saving a QGIS document: the changed labels and nothing else, byte for
// byte; legend items' own labels stay the user's, and those an earlier
// version replaced come back on reset; zipped projects keep their members;
// every refusal leaves the files as they were.
#include <gtest/gtest.h>
#include <zip.h>

#include "mapdoc/atomic_file.h"
#include "mapdoc/document.h"
#include "mapdoc/qgis/qgis_file.h"
#include "qgis_files.h"

namespace mapdoc::qgis::testing {
namespace {

host::Ref<host::IUniqueValueRenderer> parcelsRenderer(MapDocument& doc) {
  return com::query<host::IUniqueValueRenderer>(
      com::query<host::IGeoFeatureLayer>(doc.layer(u"Parcels").get())->Renderer().get());
}

host::Ref<host::IClassBreaksRenderer> sizeRenderer(MapDocument& doc) {
  return com::query<host::IClassBreaksRenderer>(
      com::query<host::IGeoFeatureLayer>(doc.layer(u"Parcel size").get())->Renderer().get());
}

// The fixture's labels as they read after the changes the tests make; the
// layout legend's own label for the park class stays as it is.
std::string relabelled(const std::string& original) {
  std::string text = replaced(original, "label='Parks &amp; gardens'", "label='Green &amp; \"open\" &apos;spaces&apos; &lt;>'");
  text = replaced(text, R"(<category label="" value="")", R"(<category label="Other&#xa;values" value="")");
  return replaced(text, R"(label="Large")", R"(label="Large: 12 &lt; 40 &amp;&#x9;&quot;more&quot;")");
}

void relabel(MapDocument& doc) {
  auto unique = parcelsRenderer(doc);
  unique->Label(u"Park", u"Green & \"open\" 'spaces' <>");
  unique->DefaultLabel(u"Other\nvalues");
  sizeRenderer(doc)->Label(1, u"Large: 12 < 40 &\t\"more\"");
}

TEST_F(QgisFiles, OnlyTheChangedLabelsAreWrittenByteForByte) {
  const auto file = copy("mixed.qgs", "mixed.qgs");
  const std::string original = readFile(file);
  auto doc = MapDocument::open(file);
  doc->save();
  EXPECT_EQ(readFile(file), original) << "nothing changed, nothing written differently";

  relabel(*doc);
  doc->save();
  const std::string expected = relabelled(original);
  EXPECT_EQ(readFile(file), expected);
  EXPECT_FALSE(fs::exists(keptLabelsFile(file))) << "nothing to reset to was kept";

  // QGIS's reading of what was written gives the labels back
  auto again = MapDocument::open(file);
  EXPECT_EQ(parcelsRenderer(*again)->Label(u"Park"), u"Green & \"open\" 'spaces' <>");
  EXPECT_EQ(parcelsRenderer(*again)->DefaultLabel(), u"Other\nvalues");
  EXPECT_EQ(sizeRenderer(*again)->Label(1), u"Large: 12 < 40 &\t\"more\"");

  // the document goes on from what it wrote: a second change lands in place
  sizeRenderer(*doc)->Label(0, u"Tiny");
  doc->save();
  EXPECT_EQ(readFile(file), replaced(expected, R"(label="Small")", R"(label="Tiny")"));

  // written elsewhere in the same folder: the copy changes, the original stays
  parcelsRenderer(*doc)->Label(u"Residential", u"Houses");
  doc->saveAs(dir / "copy.qgs");
  EXPECT_EQ(readFile(dir / "copy.qgs"), replaced(replaced(expected, R"(label="Small")", R"(label="Tiny")"),
                                                 R"(label="Homes")", R"(label="Houses")"));
  EXPECT_EQ(doc->path(), dir / "copy.qgs");
}

// A label whose bytes are not UTF-8 reaches the legend with U+FFFD in their
// place; untouched, it is not "changed" to that, nor refused for a control
// character the file already held, when another layer is relabelled.
TEST_F(QgisFiles, AnUntouchedLabelIsLeftAsItsBytesAre) {
  const auto file = copy("mixed.qgs", "mixed.qgs");
  const std::string odd = replaced(readFile(file), R"(label="Small")", "label=\"Sm\x07all\xFF\"");
  writeFile(file, odd);
  auto doc = MapDocument::open(file);
  parcelsRenderer(*doc)->Label(u"Park", u"Green");
  doc->save();
  const std::string saved = readFile(file);
  EXPECT_NE(saved.find("label=\"Sm\x07all\xFF\""), std::string::npos);
  // only the relabelled class changed
  EXPECT_EQ(saved, replaced(odd, "label='Parks &amp; gardens'", "label='Green'"));
}

// The class holding Commercial (with Industrial), addressed by the value the
// renderer gives it.
host::Text businessValue(MapDocument& doc) {
  auto unique = parcelsRenderer(doc);
  for (int i = 0; i < unique->ValueCount(); ++i)
    if (unique->Value(i).starts_with(u"Commercial")) return unique->Value(i);
  ADD_FAILURE() << "no class holds Commercial";
  return {};
}

// What carrowind apply and reset do to the document: the labels before the
// apply are kept, the new ones written; a reset forgets them and writes
// them back.
void applyLabels(MapDocument& doc, const host::Text& park, const host::Text& business) {
  auto& extra = doc.layerExtra(u"Parcels");
  if (!extra.contains("original_labels"))
    extra["original_labels"] = {{"renderer", "unique_values"}, {"labels", {"Parks & gardens", "Business", "Homes", ""}}};
  parcelsRenderer(doc)->Label(u"Park", park);
  parcelsRenderer(doc)->Label(businessValue(doc), business);
  doc.save();
}

void resetLabels(MapDocument& doc) {
  EXPECT_EQ(doc.layerExtra(u"Parcels")["original_labels"]["labels"][1], "Business");
  doc.layerExtra(u"Parcels").erase("original_labels");
  parcelsRenderer(doc)->Label(u"Park", u"Parks & gardens");
  parcelsRenderer(doc)->Label(businessValue(doc), u"Business");
  doc.save();
}

TEST_F(QgisFiles, LegendItemsOwnLabelsStayTheUsers) {
  const auto file = copy("mixed.qgs", "mixed.qgs");
  const std::string original = readFile(file);
  // the layout legend's own label for Park, the layers panel's for Commercial
  applyLabels(*MapDocument::open(file), u"Parks: 12", u"Business: 30");
  const std::string expected = replaced(replaced(original, "label='Parks &amp; gardens'", "label='Parks: 12'"),
                                        R"(label="Business")", R"(label="Business: 30")");
  EXPECT_EQ(readFile(file), expected);
  const auto kept = Json::parse(readFile(keptLabelsFile(file)));
  EXPECT_EQ(kept["layers"]["parcels_1"]["name"], "Parcels");
  EXPECT_EQ(kept["layers"]["parcels_1"]["original_labels"]["labels"][0], "Parks & gardens");
  EXPECT_FALSE(kept["layers"]["parcels_1"].contains("legend_overrides")) << "nothing of the legend items' was replaced";

  resetLabels(*MapDocument::open(file));
  EXPECT_EQ(readFile(file), original);
  EXPECT_FALSE(fs::exists(keptLabelsFile(file)));
}

// Earlier versions replaced legend items' own labels with the new labels and
// kept the ones replaced; a later apply leaves them so, and reset gives the
// user's back.
TEST_F(QgisFiles, OwnLabelsAnEarlierVersionReplacedComeBackOnReset) {
  const auto file = copy("mixed.qgs", "mixed.qgs");
  const std::string original = readFile(file);
  std::string earlier = replaced(original, "label='Parks &amp; gardens'", "label='Parks: 12'");
  earlier = replaced(earlier, R"(label="Business")", R"(label="Business: 30")");
  earlier = replaced(earlier, R"(value="Parks, as the sheet says")", R"(value="Parks: 12")");
  earlier = replaced(earlier, R"(value="Business, as the panel says")", R"(value="Business: 30")");
  writeFile(file, earlier);
  const Json replacedLabels = Json::parse(R"([
    {"legend": "Sheet {legend-1}", "index": 1, "label": "Parks, as the sheet says"},
    {"legend": "layers panel", "index": 2, "label": "Business, as the panel says"},
    {"legend": "Sheet {a legend since removed}", "index": 1, "label": "Gone"}])");
  writeFile(keptLabelsFile(file), Json({{"format", "carrowind-kept-labels"}, {"version", 1}, {"layers", {{"parcels_1", {
      {"name", "Parcels"},
      {"original_labels", {{"renderer", "unique_values"}, {"labels", {"Parks & gardens", "Business", "Homes", ""}}}},
      {"legend_overrides", replacedLabels}}}}}}).dump());

  applyLabels(*MapDocument::open(file), u"Parks: 13", u"Business: 30");
  EXPECT_EQ(readFile(file), replaced(earlier, "label='Parks: 12'", "label='Parks: 13'"));
  EXPECT_EQ(Json::parse(readFile(keptLabelsFile(file)))["layers"]["parcels_1"]["legend_overrides"], replacedLabels);

  resetLabels(*MapDocument::open(file));
  EXPECT_EQ(readFile(file), original);
  EXPECT_FALSE(fs::exists(keptLabelsFile(file)));
}

TEST_F(QgisFiles, EveryRefusalLeavesTheFilesAsTheyWere) {
  const auto file = copy("mixed.qgs", "mixed.qgs");
  const std::string original = readFile(file);
  auto expectRefused = [&](MapDocument& doc, const fs::path& target, const std::string& problem) {
    try {
      doc.saveAs(target);
      ADD_FAILURE() << "saved";
    } catch (const DocumentError& e) {
      EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(file), original);
    EXPECT_FALSE(fs::exists(keptLabelsFile(file)));
    EXPECT_FALSE(fs::exists(keptLabelsFile(target)));
  };
  {
    auto doc = MapDocument::open(file);
    doc->layerExtra(u"Parcels")["original_labels"] = {{"renderer", "unique_values"}, {"labels", {"x"}}};
    parcelsRenderer(*doc)->Label(u"Park", u"Bell\x07");
    expectRefused(*doc, file, "control character");
    parcelsRenderer(*doc)->Label(u"Park", u"Park");
    expectRefused(*doc, dir / "mixed.cwmap", "(.qgs)");
    fs::create_directories(dir / "elsewhere");
    expectRefused(*doc, dir / "elsewhere" / "mixed.qgs", "relative to its folder");
    com::query<host::IGeoFeatureLayer>(doc->layer(u"Parcels").get())->Renderer(nullptr);
    expectRefused(*doc, file, "renderer was replaced");
  }
  {
    // QGIS saved the project after it was read
    auto doc = MapDocument::open(file);
    parcelsRenderer(*doc)->Label(u"Park", u"Park");
    writeFile(file, original + "\n");
    try {
      doc->save();
      ADD_FAILURE() << "saved";
    } catch (const DocumentError& e) {
      EXPECT_NE(std::string(e.what()).find("changed on disk"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(file), original + "\n");
    writeFile(file, original);
  }
  {
    // a single-symbol legend has no label in QGIS's XML to write into
    writeFile(dir / "single.qml", "<qgis>\n  <renderer-v2 type=\"singleSymbol\"/>\n</qgis>\n");
    auto doc = MapDocument::open(dir / "single.qml", {"data/landuse.shp"});
    com::query<host::ISimpleRenderer>(
        com::query<host::IGeoFeatureLayer>(doc->layer(u"single").get())->Renderer().get())->Label(u"All parcels");
    EXPECT_THROW(doc->save(), DocumentError);
    EXPECT_EQ(readFile(dir / "single.qml"), "<qgis>\n  <renderer-v2 type=\"singleSymbol\"/>\n</qgis>\n");
  }
  {
    // the write itself fails: the old file stays whole
    auto doc = MapDocument::open(file);
    parcelsRenderer(*doc)->Label(u"Park", u"Park");
    failNextWriteAfter(100);
    EXPECT_THROW(doc->save(), DocumentError);
    EXPECT_EQ(readFile(file), original);
  }
}

// A zip archive of (name, contents) members, in order.
std::string zipOf(const std::vector<std::pair<std::string, std::string>>& members) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(out);
  zip_t* archive = zip_open_from_source(out, ZIP_TRUNCATE, &error);
  for (const auto& [name, contents] : members)
    zip_file_add(archive, name.c_str(), zip_source_buffer(archive, contents.data(), contents.size(), 0), 0);
  zip_close(archive);
  zip_source_open(out);
  zip_stat_t st;
  zip_source_stat(out, &st);
  std::string bytes(st.size, '\0');
  zip_source_read(out, bytes.data(), bytes.size());
  zip_source_close(out);
  zip_source_free(out);
  return bytes;
}

std::vector<std::pair<std::string, std::string>> membersOf(const std::string& bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_t* archive = zip_open_from_source(zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error), ZIP_RDONLY, &error);
  std::vector<std::pair<std::string, std::string>> out;
  for (zip_int64_t i = 0; archive && i < zip_get_num_entries(archive, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
    std::string contents(st.size, '\0');
    zip_file_t* f = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
    zip_fread(f, contents.data(), contents.size());
    zip_fclose(f);
    out.emplace_back(st.name, contents);
  }
  if (archive) zip_discard(archive);
  return out;
}

TEST_F(QgisFiles, AZippedProjectIsWrittenWithTheSameMembers) {
  const std::string project = readFile(kHere / "mixed.qgs");
  const std::string auxiliary(3000, '\x01');
  writeFile(dir / "mixed.qgz", zipOf({{"mixed.qgs", project}, {"mixed.qgd", auxiliary}}));
  auto doc = MapDocument::open(dir / "mixed.qgz");
  relabel(*doc);
  doc->save();
  const auto members = membersOf(readFile(dir / "mixed.qgz"));
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].first, "mixed.qgs");
  EXPECT_EQ(members[0].second, relabelled(project));
  EXPECT_EQ(members[1], (std::pair<std::string, std::string>{"mixed.qgd", auxiliary}));
}

}  // namespace
}  // namespace mapdoc::qgis::testing
