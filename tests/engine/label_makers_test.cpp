// The label makers' shared pieces and their failure convention, on fakes.
#include <gtest/gtest.h>

#include "engine/class_summaries.h"
#include "engine/expression_verification.h"
#include "engine/failure_text.h"
#include "engine/label_makers.h"
#include "fake_renderers.h"

namespace {

using engine::LabelerFields;

TEST(LabelMakers, BivariateNeedsAUniqueValueOrClassBreaksMain) {
  for (bool dots : {false, true}) {
    auto bivariate = com::make<fake::BivariateRenderer>();
    if (dots) {
      bivariate->main = com::make<fake::DotDensityRenderer>();
    } else {
      bivariate->main = com::make<fake::SimpleRenderer>();
    }
    auto layer = fake::layerWith(bivariate);
    LabelerFields f;
    f.labels().Add(u"kept");
    EXPECT_FALSE(engine::MakeBivariateRendererLabels(f, layer.get()));
    EXPECT_EQ(f.Message, u"Unsupported primary symbol renderer type on Multi-Attribute Renderer!");
    EXPECT_FALSE(f.LabelsValid);
    EXPECT_EQ(f.labels().Count(), 1);
  }
}

TEST(LabelMakers, FailuresNameTheirMakerWhenTheErrorHasNoText) {
  LabelerFields f;
  try {
    throw com::Error(com::E_FAIL, u"");
  } catch (...) {
    EXPECT_FALSE(engine::makerFailed(f, u"MakeClassBreaksRendererLabels"));
  }
  EXPECT_EQ(f.Message, u"Unknown Error in MakeClassBreaksRendererLabels!");
  EXPECT_FALSE(f.LabelsValid);
  EXPECT_EQ(engine::describeFailure(std::make_exception_ptr(std::runtime_error("x")), u"MakeLabels"),
            u"Unknown Error in MakeLabels!");
  EXPECT_EQ(engine::describeFailure(std::make_exception_ptr(com::Error(com::E_FAIL, u"disk gone")), u"MakeLabels"),
            u"disk gone");
}

TEST(LabelMakers, AMakerOnALayerWithoutFeaturesFailsWithTheHostText) {
  auto layer = fake::layerWith(com::make<fake::SimpleRenderer>());
  LabelerFields f;
  EXPECT_FALSE(engine::MakeSimpleRendererLabel(f, layer.get(), -1, false));
  EXPECT_EQ(f.Message, u"Type mismatch");
  EXPECT_FALSE(engine::MakeUniqueRendererLabels(f, nullptr));
  EXPECT_EQ(f.Message, u"Object variable or With block variable not set");
}

TEST(ClassSummaries, KeysAndFieldsIgnoreCaseAndUnknownKeysThrow) {
  engine::SummarySet set;
  engine::FieldSummary sum;
  sum.Sum = 12.5;
  set.fields.emplace_back(u"Acres", sum);
  EXPECT_EQ(set.get(u"ACRES").get(u"sUm"), com::Variant(12.5));
  EXPECT_EQ(set.get(u"acres").get(u"Count"), com::Variant(std::int16_t{0}));
  EXPECT_THROW(set.get(u"acres").get(u"Median"), com::Error);
  EXPECT_THROW(set.get(u"Skipped"), com::Error);
}

TEST(ClassSummaries, ExpressionFieldsOnceUnderTheirFirstCase) {
  engine::ExpressionPieceList pieces{{u"Field", u"Acres", {{u"Sum"}}},
                                     {u"Text", u" ", {}},
                                     {u"field", u"ACRES", {{u"Count"}}},
                                     {u"Field", u"Use", {{u"First"}}}};
  EXPECT_EQ(engine::expressionFields(pieces), (std::vector<std::u16string>{u"Acres", u"Use"}));
}

TEST(Verification, DelimitersByCategory) {
  struct Case {
    const char16_t* category;
    const char16_t* prefix;
    const char16_t* suffix;
    const char16_t* joined;
  };
  for (const Case& c : {Case{u"Personal Geodatabase Feature Class", u"[", u"]", u"\""},
                        Case{u"SHAPEFILE Feature Class", u"\"", u"\"", u"\""},
                        Case{u"ArcSDE Feature Class", u"", u"", u""},
                        Case{u"ArcIMS Feature Class", u"", u"", u""},
                        Case{u"GeoPackage Feature Class", u"", u"", u""},
                        Case{u"PostgreSQL Feature Class", u"\"", u"\"", u"\""}}) {
    LabelerFields f;
    engine::setDelimiters(f, c.category);
    EXPECT_EQ(f.FieldPrefix, c.prefix);
    EXPECT_EQ(f.FieldSuffix, c.suffix);
    EXPECT_EQ(f.JoinedFieldPrefix, c.joined);
    EXPECT_EQ(f.JoinedFieldSuffix, c.joined);
  }
}

TEST(Verification, ReportOfTheSpecimenExpression) {
  LabelerFields f;
  f.SampleLabel = std::u16string(u"Total 1200");
  f.ExpressionPieces = {{u"Text", u"Total ", {}},
                        {u"Field", u"POP", {{u"Sum"}, {u"FormatNumber", std::int32_t{0}, std::u16string()}}}};
  EXPECT_EQ(engine::verificationReport(f, true),
            u"SAMPLE LABEL: Total 1200\r\n\r\nLabeling Instructions:\r\n\tPUT\tTEXT:\"Total \"\r\n"
            u"\tAND\tFIELD:POP,Sum\r\n\t\t\tFORMAT:FormatNumber,0,\r\n");
}

}  // namespace
