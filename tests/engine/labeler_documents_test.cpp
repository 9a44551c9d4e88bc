// SetLabels and ResetLabels on the sample map documents: the labels the
// legend shows afterwards, read back through the host interfaces.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/labeler_object.h"
#include "mapdoc/document.h"
#include "sample_documents.h"
#include "platform/progress/progress.h"

namespace {

namespace fs = std::filesystem;
using engine::QVXCarrowind;
using host::Text;

using engine_test::kExamples;
using engine_test::open;
using engine_test::Sample;

// The legend's class labels in class order, as a contents view shows them.
std::vector<Text> legend(const host::Ref<host::IFeatureRenderer>& renderer) {
  std::vector<Text> out;
  if (auto s = renderer.as<host::ISimpleRenderer>()) return {s->Label()};
  if (auto c = renderer.as<host::IRendererClasses>()) {
    for (int i = 0; i < c->ClassCount(); ++i) out.push_back(c->Class(i));
  }
  return out;
}

void give(QVXCarrowind& l, const std::vector<Text>& labels) {
  auto c = l.Labels();
  while (c->Count() > 0) c->Remove(1);
  for (auto& s : labels) c->Add(s);
}

std::vector<Text> numbered(std::size_t n, const Text& stem) {
  std::vector<Text> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(stem + static_cast<char16_t>(u'A' + i));
  return out;
}

TEST(SampleDocuments, SimpleRendererRoundTrip) {
  auto s = open("simple.cwmap");
  auto before = legend(s.renderer);
  auto l = com::make<QVXCarrowind>();
  give(*l, {u"All parcels"});
  ASSERT_TRUE(l->SetLabels(s.layer.get())) << testing::PrintToString(l->Message());
  EXPECT_EQ(legend(s.renderer), std::vector<Text>{u"All parcels"});
  ASSERT_TRUE(l->ResetLabels(s.layer.get()));
  EXPECT_EQ(legend(s.renderer), before);
}

TEST(SampleDocuments, UniqueValuesWithoutDefaultSymbol) {
  auto s = open("unique_values.cwmap");
  auto before = legend(s.renderer);
  ASSERT_FALSE(s.renderer.as<host::IUniqueValueRenderer>()->UseDefaultSymbol());
  auto l = com::make<QVXCarrowind>();
  auto labels = numbered(before.size(), u"use ");
  labels[1] = u"$$SkIpPeD";
  give(*l, labels);
  ASSERT_TRUE(l->SetLabels(s.layer.get())) << testing::PrintToString(l->Message());
  auto expected = labels;
  expected[1] = before[1];
  EXPECT_EQ(legend(s.renderer), expected);
  ASSERT_TRUE(l->ResetLabels(s.layer.get()));
  EXPECT_EQ(legend(s.renderer), before);
}

TEST(SampleDocuments, UniqueValuesDefaultClassAndUpdateAllOtherValues) {
  for (bool update : {true, false}) {
    auto s = open("unique_values_default.cwmap");
    auto unique = s.renderer.as<host::IUniqueValueRenderer>();
    ASSERT_TRUE(unique->UseDefaultSymbol());
    auto before = legend(s.renderer);
    auto l = com::make<QVXCarrowind>();
    l->UpdateAllOtherValues(update);
    auto labels = numbered(before.size(), u"class ");
    give(*l, labels);
    ASSERT_TRUE(l->SetLabels(s.layer.get())) << testing::PrintToString(l->Message());
    auto expected = labels;
    if (!update) expected.back() = before.back();
    EXPECT_EQ(legend(s.renderer), expected);
    EXPECT_EQ(unique->DefaultLabel(), expected.back());
    ASSERT_TRUE(l->ResetLabels(s.layer.get()));
    EXPECT_EQ(legend(s.renderer), before);
  }
}

TEST(SampleDocuments, ClassBreaks) {
  auto s = open("class_breaks.cwmap");
  auto before = legend(s.renderer);
  ASSERT_GE(before.size(), 3u);
  auto l = com::make<QVXCarrowind>();
  auto labels = numbered(before.size(), u"size ");
  labels[0] = u"$$skipped";
  give(*l, labels);
  ASSERT_TRUE(l->SetLabels(s.layer.get())) << testing::PrintToString(l->Message());
  auto expected = labels;
  expected[0] = before[0];
  EXPECT_EQ(legend(s.renderer), expected);
  ASSERT_TRUE(l->ResetLabels(s.layer.get()));
  EXPECT_EQ(legend(s.renderer), before);
}

TEST(SampleDocuments, BivariateLegendIsRebuiltFromItsMainRenderer) {
  for (const char* file : {"bivariate_unique.cwmap", "bivariate_breaks.cwmap"}) {
    auto s = open(file);
    ASSERT_TRUE(s.renderer.as<host::IBivariateRenderer>()) << file;
    auto before = legend(s.renderer);
    auto l = com::make<QVXCarrowind>();
    auto labels = numbered(before.size(), u"both ");
    labels.back() = u"$$SKIPPED";
    give(*l, labels);
    ASSERT_TRUE(l->SetLabels(s.layer.get())) << file << " " << testing::PrintToString(l->Message());
    auto expected = labels;
    expected.back() = before.back();
    // The bivariate legend shows the new labels only once it was rebuilt.
    EXPECT_EQ(legend(s.renderer), expected) << file;
    ASSERT_TRUE(l->ResetLabels(s.layer.get()));
    EXPECT_EQ(legend(s.renderer), before) << file;
  }
}

TEST(SampleDocuments, UnsupportedRendererChangesNothing) {
  auto s = open("unsupported.cwmap");
  auto l = com::make<QVXCarrowind>();
  give(*l, {u"x"});
  EXPECT_TRUE(l->SetLabels(s.layer.get()));
  EXPECT_TRUE(l->ResetLabels(s.layer.get()));
  EXPECT_EQ(l->OriginalLabels()->Count(), 0);
}

TEST(SampleDocuments, RasterLayerIsRefused) {
  auto s = open("raster.cwmap", u"Elevation");
  ASSERT_TRUE(s.layer);
  auto l = com::make<QVXCarrowind>();
  give(*l, {u"x"});
  EXPECT_FALSE(l->SetLabels(s.layer.get()));
  EXPECT_EQ(l->Message().rfind(u"Type mismatch ", 0), 0u) << testing::PrintToString(l->Message());
  EXPECT_EQ(l->Labels()->Count(), 0);
}

}  // namespace

namespace {

// Records every progress report while it lives.
struct ProgressLog {
  ProgressLog()
      : previous(platform::progress::setHandler([this](int done, int total) { reports.emplace_back(done, total); })) {}
  ~ProgressLog() { platform::progress::setHandler(std::move(previous)); }
  std::vector<std::pair<int, int>> reports;
  platform::progress::Handler previous;
};

}  // namespace

TEST(SampleDocuments, MakingLabelsReportsRecordsReadUpToTheWhole) {
  for (const char* file : {"unique_values_default.cwmap", "class_breaks.cwmap", "bivariate_breaks.cwmap",
                           "definition_query.cwmap"}) {
    SCOPED_TRACE(file);
    auto s = open(file);
    auto l = com::make<QVXCarrowind>();
    ProgressLog log;
    ASSERT_TRUE(l->MakeLabels(s.layer.get(), u"[ACRES].Count")) << testing::PrintToString(l->Message());
    ASSERT_FALSE(log.reports.empty());
    // Never backwards, the same whole throughout, and the whole at the end.
    for (std::size_t i = 1; i < log.reports.size(); ++i) {
      EXPECT_GE(log.reports[i].first, log.reports[i - 1].first);
      EXPECT_LE(log.reports[i].first * 100LL / log.reports[i].second,
                log.reports.back().first * 100LL / log.reports.back().second);
    }
    for (std::size_t i = 0; i + 1 < log.reports.size(); ++i) EXPECT_EQ(log.reports[i].second, log.reports[0].second);
    EXPECT_EQ(log.reports.back().first, log.reports.back().second);
    EXPECT_GT(log.reports.size(), 10u);  // about every percent of the layer
  }
}
