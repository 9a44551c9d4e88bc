// The labeler's fields, its label collections and the rules by which
// SetLabels and ResetLabels write renderers, on small stand-in renderers.
#include "engine/labeler_object.h"

#include <gtest/gtest.h>

#include "fake_renderers.h"
#include "message_box_capture.h"
#include "platform/text/utf.h"

namespace {

using engine::QVXCarrowind;
using host::Text;

std::vector<Text> items(const com::ComPtr<engine::IStringCollection>& c) {
  std::vector<Text> r;
  for (int i = 1; i <= c->Count(); ++i) r.push_back(c->Item(i));
  return r;
}

void setLabels(QVXCarrowind& l, std::vector<Text> labels) {
  auto& c = l.fields().labels();
  while (c.Count() > 0) c.Remove(1);
  for (auto& s : labels) c.Add(s);
}

host::Ref<fake::UniqueValueRenderer> uniqueRenderer(bool useDefault) {
  auto r = com::make<fake::UniqueValueRenderer>();
  r->values = {u"A", u"B", u"C"};
  r->labels = {{u"A", u"Alpha"}, {u"B", u"Beta"}, {u"C", u"Gamma"}};
  r->useDefault = useDefault;
  return r;
}

host::Ref<fake::ClassBreaksRenderer> breaksRenderer() {
  auto r = com::make<fake::ClassBreaksRenderer>();
  r->labels = {u"0 - 10", u"10 - 20", u"20 - 30"};
  return r;
}

std::vector<Text> uniqueLabels(fake::UniqueValueRenderer& r) {
  std::vector<Text> out;
  for (auto& v : r.values) out.push_back(r.labels.at(v));
  out.push_back(r.defaultLabel);
  return out;
}

TEST(Labeler, StartsWithItsInitialValues) {
  auto l = com::make<QVXCarrowind>();
  EXPECT_FALSE(l->ShowMessages());
  EXPECT_TRUE(l->ApplyDefinitionQuery());
  EXPECT_FALSE(l->ApplySelectionSet());
  EXPECT_TRUE(l->UpdateAllOtherValues());
  EXPECT_EQ(l->WrapTextIfLongerThan(), 0);
  EXPECT_FALSE(l->SkippedLegendItems());
  EXPECT_EQ(l->Message(), u"");
  EXPECT_EQ(l->Labels()->Count(), 0);
  EXPECT_EQ(l->OriginalLabels()->Count(), 0);
  const auto& f = l->fields();
  EXPECT_TRUE(f.LabelsValid);
  EXPECT_FALSE(f.TableIsJoined);
  EXPECT_EQ(f.FieldPrefix, u"\"");
  EXPECT_EQ(f.FieldSuffix, u"\"");
  EXPECT_EQ(f.JoinedFieldPrefix, u"");
  EXPECT_EQ(f.JoinedFieldSuffix, u"");
  EXPECT_EQ(f.DatasetName, u"");
  EXPECT_EQ(f.DatasetCategory, u"");
  EXPECT_EQ(f.SampleLabel, com::Variant(std::u16string()));
}

TEST(Labeler, StoresItsOptions) {
  auto l = com::make<QVXCarrowind>();
  l->ApplySelectionSet(true);
  l->ShowMessages(true);
  l->ApplyDefinitionQuery(false);
  l->UpdateAllOtherValues(false);
  l->WrapTextIfLongerThan(-7);
  EXPECT_TRUE(l->ApplySelectionSet());
  EXPECT_TRUE(l->ShowMessages());
  EXPECT_FALSE(l->ApplyDefinitionQuery());
  EXPECT_FALSE(l->UpdateAllOtherValues());
  EXPECT_EQ(l->WrapTextIfLongerThan(), -7);
}

TEST(Labeler, GettersHandOutTheOwnCollectionOnlyWhileLabelsAreValid) {
  auto l = com::make<QVXCarrowind>();
  auto labels = l->Labels();
  labels->Add(u"one");  // a caller's change is the object's
  EXPECT_EQ(l->fields().labels().Count(), 1);
  EXPECT_EQ(l->Labels().get(), labels.get());

  l->fields().LabelsValid = false;
  auto other = l->Labels();
  EXPECT_NE(other.get(), labels.get());
  EXPECT_EQ(other->Count(), 0);
  other->Add(u"not kept");
  EXPECT_EQ(l->OriginalLabels()->Count(), 0);
  EXPECT_EQ(l->fields().labels().Count(), 1);

  l->fields().LabelsValid = true;
  EXPECT_EQ(items(l->Labels()), std::vector<Text>{u"one"});
}

TEST(StringCollection, AddressesFromOne) {
  auto c = com::make<engine::StringCollection>();
  c->Add(u"a");
  c->Add(u"b");
  EXPECT_EQ(c->Item(1), u"a");
  EXPECT_EQ(c->Item(2), u"b");
  for (int bad : {0, 3, -1}) {
    try {
      c->Item(bad);
      ADD_FAILURE() << "position " << bad;
    } catch (const com::Error& e) {
      EXPECT_EQ(e.description(), u"Subscript out of range");
    }
  }
  c->Remove(1);
  EXPECT_EQ(c->Item(1), u"b");
}

TEST(SetLabels, SimpleRendererTakesTheEntryAsItStands) {
  auto l = com::make<QVXCarrowind>();
  auto r = com::make<fake::SimpleRenderer>();
  auto layer = fake::layerWith(r);
  setLabels(*l, {u"$$skipped"});
  EXPECT_TRUE(l->SetLabels(layer.get()));
  EXPECT_EQ(r->label, u"$$skipped");
  EXPECT_EQ(items(l->OriginalLabels()), std::vector<Text>{u"All features"});
  EXPECT_EQ(items(l->Labels()), std::vector<Text>{u"$$skipped"});  // SetLabels doesn't change Labels
  EXPECT_TRUE(l->ResetLabels(layer.get()));
  EXPECT_EQ(r->label, u"All features");
}

TEST(SetLabels, SkippedEntriesLeaveTheirClassInAnyCase) {
  auto l = com::make<QVXCarrowind>();
  auto u = uniqueRenderer(false);
  setLabels(*l, {u"$$SKIPPED", u"b!", u"$$Skipped"});
  EXPECT_TRUE(l->SetLabels(fake::layerWith(u).get()));
  EXPECT_EQ(uniqueLabels(*u), (std::vector<Text>{u"Alpha", u"b!", u"Gamma", u"<all other values>"}));

  auto l2 = com::make<QVXCarrowind>();
  auto b = breaksRenderer();
  setLabels(*l2, {u"low", u"$$skipped", u"high"});
  EXPECT_TRUE(l2->SetLabels(fake::layerWith(b).get()));
  EXPECT_EQ(b->labels, (std::vector<Text>{u"low", u"10 - 20", u"high"}));
}

TEST(SetLabels, DefaultClassFollowsUpdateAllOtherValues) {
  for (bool update : {true, false}) {
    auto l = com::make<QVXCarrowind>();
    l->UpdateAllOtherValues(update);
    auto u = uniqueRenderer(true);
    auto layer = fake::layerWith(u);
    setLabels(*l, {u"a", u"b", u"c", u"others"});
    EXPECT_TRUE(l->SetLabels(layer.get()));
    EXPECT_EQ(uniqueLabels(*u), (std::vector<Text>{u"a", u"b", u"c", update ? u"others" : u"<all other values>"}));
    EXPECT_EQ(items(l->OriginalLabels()), (std::vector<Text>{u"Alpha", u"Beta", u"Gamma", u"<all other values>"}));

    // Reset writes the default label back whatever the option says.
    u->defaultLabel = u"changed elsewhere";
    EXPECT_TRUE(l->ResetLabels(layer.get()));
    EXPECT_EQ(uniqueLabels(*u), (std::vector<Text>{u"Alpha", u"Beta", u"Gamma", u"<all other values>"}));
  }
}

TEST(SetLabels, SkippedDefaultClassKeepsItsLabel) {
  auto l = com::make<QVXCarrowind>();
  auto u = uniqueRenderer(true);
  setLabels(*l, {u"a", u"b", u"c", u"$$SKIPPED"});
  EXPECT_TRUE(l->SetLabels(fake::layerWith(u).get()));
  EXPECT_EQ(u->defaultLabel, u"<all other values>");
}

TEST(SetLabels, OriginalLabelsAreCapturedOnce) {
  auto l = com::make<QVXCarrowind>();
  auto b = breaksRenderer();
  auto layer = fake::layerWith(b);
  setLabels(*l, {u"1", u"2", u"3"});
  EXPECT_TRUE(l->SetLabels(layer.get()));
  setLabels(*l, {u"x", u"y", u"z"});
  EXPECT_TRUE(l->SetLabels(layer.get()));
  EXPECT_EQ(b->labels, (std::vector<Text>{u"x", u"y", u"z"}));
  // Another layer later: still the first layer's labels.
  auto other = breaksRenderer();
  other->labels = {u"p", u"q", u"r"};
  EXPECT_TRUE(l->SetLabels(fake::layerWith(other).get()));
  EXPECT_EQ(items(l->OriginalLabels()), (std::vector<Text>{u"0 - 10", u"10 - 20", u"20 - 30"}));
  EXPECT_TRUE(l->ResetLabels(layer.get()));
  EXPECT_EQ(b->labels, (std::vector<Text>{u"0 - 10", u"10 - 20", u"20 - 30"}));
}

TEST(SetLabels, BivariateWritesItsMainRendererAndRebuildsTheLegend) {
  auto l = com::make<QVXCarrowind>();
  auto bi = com::make<fake::BivariateRenderer>();
  auto u = uniqueRenderer(false);
  bi->main = u;
  auto layer = fake::layerWith(bi);
  setLabels(*l, {u"$$skipped", u"two", u"three"});
  EXPECT_TRUE(l->SetLabels(layer.get()));
  EXPECT_EQ(uniqueLabels(*u), (std::vector<Text>{u"Alpha", u"two", u"three", u"<all other values>"}));
  EXPECT_EQ(bi->legendBuilds, 1);
  EXPECT_TRUE(l->ResetLabels(layer.get()));
  EXPECT_EQ(uniqueLabels(*u), (std::vector<Text>{u"Alpha", u"Beta", u"Gamma", u"<all other values>"}));
  EXPECT_EQ(bi->legendBuilds, 2);
}

TEST(SetLabels, BivariateOverAnotherKindChangesNoLabel) {
  auto l = com::make<QVXCarrowind>();
  auto bi = com::make<fake::BivariateRenderer>();
  bi->main = com::make<fake::DotDensityRenderer>();
  auto layer = fake::layerWith(bi);
  EXPECT_TRUE(l->SetLabels(layer.get()));
  EXPECT_TRUE(l->ResetLabels(layer.get()));
  EXPECT_EQ(bi->legendBuilds, 2);
  EXPECT_EQ(l->OriginalLabels()->Count(), 0);
}

TEST(SetLabels, UnsupportedRendererIsLeftAlone) {
  auto l = com::make<QVXCarrowind>();
  auto layer = fake::layerWith(com::make<fake::DotDensityRenderer>());
  EXPECT_TRUE(l->SetLabels(layer.get()));
  EXPECT_TRUE(l->ResetLabels(layer.get()));
  EXPECT_EQ(l->Message(), u"");
}

// Message is the description, a space and a step number.
void expectFailure(QVXCarrowind& l, const std::string& description) {
  const std::string message = text::toUtf8(l.Message());
  const std::string prefix = description + " ";
  const bool codeFollows = message.size() > prefix.size() && message.compare(0, prefix.size(), prefix) == 0 &&
                           message.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
  EXPECT_TRUE(codeFollows) << message;
  EXPECT_FALSE(l.fields().LabelsValid);
  EXPECT_EQ(l.Labels()->Count(), 0);  // the gate is closed
}

TEST(SetLabels, MissingPositionFailsAfterEarlierClassesWereWritten) {
  auto l = com::make<QVXCarrowind>();
  auto u = uniqueRenderer(true);
  setLabels(*l, {u"a", u"b"});
  EXPECT_FALSE(l->SetLabels(fake::layerWith(u).get()));
  expectFailure(*l, "Subscript out of range");
  EXPECT_EQ(uniqueLabels(*u), (std::vector<Text>{u"a", u"b", u"Gamma", u"<all other values>"}));
  l->fields().LabelsValid = true;
  EXPECT_EQ(l->OriginalLabels()->Count(), 4);
  EXPECT_EQ(l->Labels()->Count(), 2);  // Labels kept after a failed SetLabels
}

TEST(SetLabels, BeforeAnyLabelsFailsAtTheFirstClassButCaptures) {
  auto l = com::make<QVXCarrowind>();
  auto b = breaksRenderer();
  EXPECT_FALSE(l->SetLabels(fake::layerWith(b).get()));
  expectFailure(*l, "Subscript out of range");
  l->fields().LabelsValid = true;
  EXPECT_EQ(items(l->OriginalLabels()), (std::vector<Text>{u"0 - 10", u"10 - 20", u"20 - 30"}));
}

TEST(SetLabels, LocationCodesTellTheStepsApart) {
  auto code = [](QVXCarrowind& l) {
    auto m = l.Message();
    return m.substr(m.rfind(u' ') + 1);
  };
  auto l1 = com::make<QVXCarrowind>();
  EXPECT_FALSE(l1->SetLabels(fake::layerWith(com::make<fake::SimpleRenderer>()).get()));
  auto l2 = com::make<QVXCarrowind>();
  EXPECT_FALSE(l2->SetLabels(fake::layerWith(breaksRenderer()).get()));
  auto l3 = com::make<QVXCarrowind>();
  EXPECT_FALSE(l3->SetLabels(fake::layerWith(uniqueRenderer(false)).get()));
  EXPECT_NE(code(*l1), code(*l2));
  EXPECT_NE(code(*l2), code(*l3));
  EXPECT_NE(code(*l1), code(*l3));
}

TEST(SetLabels, HostFailureReportsItsDescription) {
  auto l = com::make<QVXCarrowind>();
  auto b = breaksRenderer();
  b->failure.failOnWrite = 2;
  setLabels(*l, {u"x", u"y", u"z"});
  EXPECT_FALSE(l->SetLabels(fake::layerWith(b).get()));
  expectFailure(*l, "The renderer is read-only");
  EXPECT_EQ(b->labels, (std::vector<Text>{u"x", u"10 - 20", u"20 - 30"}));
}

TEST(SetLabels, NonRendererLayersFail) {
  auto l = com::make<QVXCarrowind>();
  EXPECT_FALSE(l->SetLabels(com::make<fake::PlainLayer>().get()));
  expectFailure(*l, "Type mismatch");
  EXPECT_FALSE(l->SetLabels(nullptr));
  expectFailure(*l, "Object variable or With block variable not set");
  EXPECT_FALSE(l->ResetLabels(com::make<fake::PlainLayer>().get()));
  EXPECT_EQ(l->Message(), u"Type mismatch");
}

TEST(ResetLabels, BeforeAnySetLabelsFails) {
  auto l = com::make<QVXCarrowind>();
  auto r = com::make<fake::SimpleRenderer>();
  EXPECT_FALSE(l->ResetLabels(fake::layerWith(r).get()));
  EXPECT_EQ(l->Message(), u"Subscript out of range");
  EXPECT_FALSE(l->fields().LabelsValid);
  EXPECT_EQ(r->label, u"All features");
}

TEST(ResetLabels, HostFailureReportsItsDescription) {
  auto l = com::make<QVXCarrowind>();
  auto r = com::make<fake::SimpleRenderer>();
  auto layer = fake::layerWith(r);
  setLabels(*l, {u"new"});
  ASSERT_TRUE(l->SetLabels(layer.get()));
  r->failure.failOnWrite = r->failure.writes + 1;
  EXPECT_FALSE(l->ResetLabels(layer.get()));
  EXPECT_EQ(l->Message(), u"The renderer is read-only");
}

TEST(SetLabels, SuccessLeavesLabelsValidAsItWas) {
  auto l = com::make<QVXCarrowind>();
  setLabels(*l, {u"x"});
  l->fields().LabelsValid = false;
  EXPECT_TRUE(l->SetLabels(fake::layerWith(com::make<fake::SimpleRenderer>()).get()));
  EXPECT_FALSE(l->fields().LabelsValid);
}

TEST(Labeler, FailuresShowABoxOnlyWhenAsked) {
  MessageBoxCapture boxes;
  auto l = com::make<QVXCarrowind>();
  auto layer = fake::layerWith(com::make<fake::SimpleRenderer>());
  EXPECT_FALSE(l->ResetLabels(layer.get()));
  EXPECT_TRUE(boxes.shown.empty());
  l->ShowMessages(true);
  EXPECT_FALSE(l->SetLabels(com::make<fake::PlainLayer>().get()));
  EXPECT_FALSE(l->ResetLabels(layer.get()));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].title, u"Invalid Expression!");
  EXPECT_EQ(boxes.shown[0].icon, platform::messagebox::Icon::Critical);
  EXPECT_EQ(boxes.shown[0].buttons, platform::messagebox::Buttons::Ok);
  EXPECT_EQ(boxes.shown[0].text.rfind(u"Type mismatch ", 0), 0u);
  EXPECT_EQ(boxes.shown[1].text, u"Subscript out of range");
}

TEST(Labeler, LabelMakingRefusesALayerWithoutAFeatureClass) {
  MessageBoxCapture boxes;
  auto l = com::make<QVXCarrowind>();
  l->ShowMessages(true);
  auto layer = fake::layerWith(com::make<fake::SimpleRenderer>());
  EXPECT_FALSE(l->VerifyExpression(layer.get(), u"[A].Sum"));
  EXPECT_EQ(l->Message(), u"Type mismatch");
  EXPECT_FALSE(l->fields().LabelsValid);
  EXPECT_FALSE(l->MakeLabels(layer.get(), u"[A].Sum"));
  EXPECT_EQ(l->Message(), u"Type mismatch");
  // MakeLabels adds no box of its own to the one verification showed.
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].title, u"Invalid Expression!");
}

}  // namespace
