// Verify, Apply and Reset from the labeling dialog on copies of the sample
// maps: what the engine is told, what the legend shows afterwards, what the
// host is asked to redraw, and the messages the user sees.
#include "FrmCarrowind_fixture.h"
#include "mapdoc/legend.h"
#include "platform/locale/user_locale.h"
#include "platform/messagebox/message_box.h"
#include "platform/text/utf.h"

namespace dialogs::testing {
namespace {

namespace mb = platform::messagebox;

class Apply : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    createProductKey();
  }

  // The class values of the unique-value legend, in class order.
  std::vector<Text> values() const {
    auto unique = com::query<host::IUniqueValueRenderer>(
        com::query<host::IGeoFeatureLayer>(layer_.get())->Renderer().get());
    std::vector<Text> out;
    for (int i = 0; i < unique->ValueCount(); ++i) out.push_back(unique->Value(i));
    return out;
  }

  std::vector<mb::Request> titled(const std::u16string& title) const {
    std::vector<mb::Request> out;
    for (const auto& m : messages())
      if (m.request.title == title) out.push_back(m.request);
    return out;
  }

  void applying(const QString& expression) {
    setExpression(expression);
    click("CmdApply");
  }
};

TEST_F(Apply, LabelsTheSelectedLayerAndTellsTheHost) {
  open("landuse.cwmap");
  const auto classValues = values();
  auto& layout = *doc_->pageLayout();
  const auto before = layout.frames()[0]->Geometry();
  const double widthBefore = before->Width();
  const int fullRefreshes = doc_->contentsView()->fullRefreshes();
  const int refreshes = doc_->contentsView()->refreshes();
  ASSERT_FALSE(doc_->IsDirty());

  applying("[USE].First.UCase - a label well beyond the width of the old ones");
  const auto labels = legend();
  // The values' classes, then the default class, labelled too.
  ASSERT_EQ(labels.size(), classValues.size() + 1);
  for (std::size_t i = 0; i < classValues.size(); ++i)
    EXPECT_EQ(labels[i], platform::locale::toUpper(classValues[i]) +
                             u" - a label well beyond the width of the old ones")
        << i;
  EXPECT_TRUE(labels.back().ends_with(u" - a label well beyond the width of the old ones"));
  EXPECT_TRUE(messages().empty()) << "both notices are off by default";

  // The layer's own redraw, then everything.
  EXPECT_EQ(doc_->contentsView()->refreshes(), refreshes + 2);
  EXPECT_EQ(doc_->contentsView()->fullRefreshes(), fullRefreshes + 1);
  EXPECT_TRUE(doc_->IsDirty());
  // Each legend frame: redrawn, re-fitted, redrawn.
  ASSERT_EQ(layout.partialRefreshes().size(), 2 * layout.frames().size());
  for (const auto& r : layout.partialRefreshes()) {
    EXPECT_EQ(r.phase, host::IActiveView::PhaseGraphics);
    EXPECT_TRUE(r.withData);
    EXPECT_FALSE(r.withEnvelope);
  }
  for (const auto& frame : layout.frames())
    EXPECT_EQ(com::query<mapdoc::Legend>(frame->MapSurround().get())->refreshes(), 2);
  const auto after = layout.frames()[0]->Geometry();
  EXPECT_GT(after->Width(), widthBefore);
  EXPECT_DOUBLE_EQ(after->XMin(), before->XMin());
  EXPECT_DOUBLE_EQ(after->YMax(), before->YMax());

  EXPECT_TRUE(control("CmdReset")->isEnabled());
  EXPECT_FALSE(doc_->statusBar()->progress()->Playing());
  EXPECT_FALSE(doc_->statusBar()->progress()->Visible());
  EXPECT_EQ(doc_->statusBar()->Message(0), u"");
}

TEST_F(Apply, ProgressShowsWhileTheLabelsAreMade) {
  open("landuse.cwmap");
  control<QCheckBox>("ChkAutoRefreshWarning")->setChecked(true);
  struct Seen {
    bool visible, playing;
    Text message;
  };
  std::vector<Seen> seen;
  auto status = doc_->statusBar();
  auto previous = mb::setHandler([&](const mb::Request&) {
    seen.push_back({status->progress()->Visible(), status->progress()->Playing(), status->Message(0)});
    return mb::Result::Ok;
  });
  applying("[USE].Count");
  mb::setHandler(previous);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].visible);
  EXPECT_TRUE(seen[0].playing);
  EXPECT_EQ(seen[0].message, u"Creating Symbol Labels...");
  EXPECT_FALSE(status->progress()->Visible());
  EXPECT_FALSE(status->progress()->Playing());
  EXPECT_EQ(status->Message(0), u"");
}

TEST_F(Apply, TheTwoNoticesFollowTheirOptions) {
  // A class whose value no record holds is skipped.
  edit("landuse.cwmap", "\"Commercial\"", "\"Nowhere\"");
  struct Case {
    bool autoRefresh, skipped;
    std::vector<std::u16string> titles;
  };
  const Case cases[] = {
      {false, false, {}},
      {true, false, {u"Labels Do Not Auto Refresh!"}},
      {false, true, {u"Skipped Symbols!"}},
      {true, true, {u"Labels Do Not Auto Refresh!", u"Skipped Symbols!"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.autoRefresh) + std::to_string(c.skipped));
    if (form_) form_->Unload();
    open("landuse.cwmap");
    control<QCheckBox>("ChkAutoRefreshWarning")->setChecked(c.autoRefresh);
    control<QCheckBox>("ChkDisplaySkippedWarning")->setChecked(c.skipped);
    ui_->clearRecords();
    const auto before = legend();
    applying("[USE].Count parcels");
    std::vector<std::u16string> titles;
    for (const auto& m : messages()) titles.push_back(m.request.title);
    EXPECT_EQ(titles, c.titles);
    // The skipped class keeps its label.
    const auto after = legend();
    for (std::size_t i = 0; i < after.size(); ++i) {
      if (before[i] == u"Nowhere") {
        EXPECT_EQ(after[i], u"Nowhere");
      }
    }
  }
  const auto refresh = titled(u"Labels Do Not Auto Refresh!");
  ASSERT_EQ(refresh.size(), 1u);
  EXPECT_EQ(refresh[0].text,
            u"IMPORTANT: The resulting labels do not \"Auto Refresh\" when the Layer changes!  You must re-apply the "
            u"labeling expression whenever changes affecting labels are made to the Layer's legend or data "
            u"source.\r\n\r\n(see the Options tab to disable this message)");
  EXPECT_EQ(refresh[0].icon, mb::Icon::Information);
  const auto skipped = titled(u"Skipped Symbols!");
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_EQ(skipped[0].text,
            u"Some legend symbols had no corresponding values in Layer's table and were skipped!\r\n\r\n(see the "
            u"Options tab to disable this message)");
  EXPECT_EQ(skipped[0].icon, mb::Icon::Exclamation);
  EXPECT_EQ(skipped[0].buttons, mb::Buttons::Ok);
}

TEST_F(Apply, NoSkippedNoticeWhenEveryClassHasRecords) {
  open("landuse.cwmap");
  control<QCheckBox>("ChkDisplaySkippedWarning")->setChecked(true);
  applying("[USE].Count");
  EXPECT_TRUE(titled(u"Skipped Symbols!").empty());
  EXPECT_FALSE(form_->Labeler()->SkippedLegendItems());
}

TEST_F(Apply, AFailedMakeLabelsLeavesTheLegendAndReset) {
  open("landuse.cwmap");
  const auto before = legend();
  applying("[NO_SUCH_FIELD].First");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.title, u"Error Generating Labels!");
  EXPECT_EQ(messages()[0].request.text, form_->Labeler()->Message());
  EXPECT_FALSE(messages()[0].request.text.empty());
  EXPECT_EQ(messages()[0].request.icon, mb::Icon::Critical);
  EXPECT_EQ(legend(), before);
  EXPECT_FALSE(control("CmdReset")->isEnabled());
  EXPECT_FALSE(doc_->IsDirty());
  EXPECT_TRUE(doc_->pageLayout()->partialRefreshes().empty());
  EXPECT_FALSE(doc_->statusBar()->progress()->Playing());
  EXPECT_EQ(doc_->statusBar()->Message(0), u"");
}

TEST_F(Apply, NothingSelectedFailsInTheEngineAndStopsTheProgress) {
  open("landuse.cwmap");
  doc_->contentsView()->SelectedItem(host::Value());
  applying("[USE].First");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.title, u"Error Generating Labels!");
  EXPECT_FALSE(doc_->statusBar()->progress()->Visible());
}

TEST_F(Apply, ResetAfterTwoAppliesRestoresTheFirstLabels) {
  open("landuse.cwmap");
  const auto original = legend();
  applying("first [USE].First");
  const auto first = legend();
  ASSERT_NE(first, original);
  applying("second [USE].First");
  ASSERT_NE(legend(), first);
  const auto partials = doc_->pageLayout()->partialRefreshes().size();
  const int full = doc_->contentsView()->fullRefreshes();
  click("CmdReset");
  EXPECT_EQ(legend(), original);
  EXPECT_TRUE(messages().empty());
  EXPECT_TRUE(control("CmdReset")->isEnabled());
  EXPECT_EQ(doc_->contentsView()->fullRefreshes(), full + 1);
  EXPECT_EQ(doc_->pageLayout()->partialRefreshes().size(), partials + 2 * doc_->pageLayout()->frames().size());
}

TEST_F(Apply, TheWrapLengthRule) {
  open("landuse.cwmap");
  auto* wrap = control<QCheckBox>("chkWrapLabels");
  auto* length = control<QLineEdit>("txtWrapLength");
  const std::pair<const char*, int> cases[] = {{"0", 0},   {"-5", 0},    {"abc", 0},   {"", 0},  {"12.6", 13},
                                               {"12.5", 12}, {" 30 ", 30}, {"99999", 0}, {"1", 1}, {"2e1", 20}};
  setExpression("[USE].First");
  wrap->setChecked(true);
  for (auto [text, expected] : cases) {
    length->setText(text);
    form_->Labeler()->WrapTextIfLongerThan(std::int16_t{77});
    click("CmdApply");
    EXPECT_EQ(form_->Labeler()->WrapTextIfLongerThan(), expected) << text;
  }
  wrap->setChecked(false);
  length->setText("20");
  click("CmdApply");
  EXPECT_EQ(form_->Labeler()->WrapTextIfLongerThan(), 0);
  EXPECT_TRUE(titled(u"Error Generating Labels!").empty());
}

TEST_F(Apply, OptionsGoToTheLabeler) {
  open("landuse.cwmap");
  setExpression("[USE].First");
  form_->OptApplySelection()->click();
  control<QCheckBox>("ChkAllOtherValues")->setChecked(false);
  click("CmdApply");
  auto labeler = form_->Labeler();
  EXPECT_TRUE(labeler->ApplySelectionSet());
  EXPECT_FALSE(labeler->ApplyDefinitionQuery());
  EXPECT_FALSE(labeler->UpdateAllOtherValues());
  EXPECT_FALSE(labeler->ShowMessages());
  // Only the selected parcels count: some classes have none of them.
  EXPECT_TRUE(labeler->SkippedLegendItems());
}

TEST_F(Apply, DefinitionQueryOption) {
  open("definition_query.cwmap");
  EXPECT_TRUE(form_->OptApplyDefinitionQuery()->isChecked());
  applying("[USE].Count");
  EXPECT_TRUE(form_->Labeler()->ApplyDefinitionQuery());
  EXPECT_FALSE(form_->Labeler()->ApplySelectionSet());
}

TEST_F(Apply, EachOperationTakesTheLayerSelectedAtTheClick) {
  open("landuse.cwmap");
  const auto landUse = legend();
  layer_ = doc_->layer(u"Parcel size");
  doc_->contentsView()->SelectedItem(host::Value(layer_));
  applying("[ACRES].Count parcels");
  for (const auto& label : legend()) EXPECT_TRUE(label.ends_with(u" parcels")) << text::toUtf8(label);
  layer_ = doc_->layer(u"Land use");
  EXPECT_EQ(legend(), landUse);
}

class Verify : public DialogTest {};

TEST_F(Verify, ShowsTheSampleLabelAndWithDetailTheInstructions) {
  open("landuse.cwmap");
  setExpression("[USE].First.UCase ([ACRES].Sum.Round(0) ac.)");
  form_->Labeler()->WrapTextIfLongerThan(std::int16_t{9});
  form_->Labeler()->UpdateAllOtherValues(false);
  click("CmdVerifyExpression");
  ASSERT_EQ(messages().size(), 1u);
  const auto plain = messages()[0].request;
  EXPECT_EQ(plain.title, u"Valid Expression");
  EXPECT_EQ(plain.icon, mb::Icon::Information);
  EXPECT_TRUE(plain.text.starts_with(u"SAMPLE LABEL: ")) << text::toUtf8(plain.text);
  EXPECT_EQ(plain.text.find(u"Labeling Instructions:"), std::u16string::npos);

  control<QCheckBox>("ChkDetailedVerify")->setChecked(true);
  click("CmdVerifyExpression");
  ASSERT_EQ(messages().size(), 2u);
  const auto detailed = messages()[1].request;
  EXPECT_EQ(detailed.title, u"Valid Expression");
  EXPECT_TRUE(detailed.text.starts_with(plain.text.substr(0, plain.text.find(u"\r\n")))) << text::toUtf8(detailed.text);
  const auto instructions = detailed.text.find(u"Labeling Instructions:");
  ASSERT_NE(instructions, std::u16string::npos);
  EXPECT_NE(detailed.text.find(u"USE", instructions), std::u16string::npos);
  EXPECT_NE(detailed.text.find(u"ACRES", instructions), std::u16string::npos);

  // Verify changes nothing in the legend, and leaves wrapping and the
  // all-other-values option to Apply.
  EXPECT_EQ(form_->Labeler()->WrapTextIfLongerThan(), 9);
  EXPECT_FALSE(form_->Labeler()->UpdateAllOtherValues());
  EXPECT_TRUE(form_->Labeler()->ShowMessages());
  EXPECT_FALSE(doc_->IsDirty());
  EXPECT_FALSE(control("CmdReset")->isEnabled());
}

TEST_F(Verify, AnInvalidExpressionIsReportedByTheEngine) {
  open("landuse.cwmap");
  setExpression("[USE].Nonsense");
  click("CmdVerifyExpression");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.title, u"Invalid Expression!");
  EXPECT_EQ(messages()[0].request.icon, mb::Icon::Critical);
  EXPECT_EQ(messages()[0].request.text, form_->Labeler()->Message());
}

TEST_F(Verify, LineBreaksReachTheEngineAsCarriageReturnLineFeed) {
  open("landuse.cwmap");
  setExpression("[USE].First\nsecond line");
  EXPECT_EQ(form_->ExpressionText(), u"[USE].First\r\nsecond line");
  click("CmdVerifyExpression");
  ASSERT_EQ(messages().size(), 1u);
  // The engine reads line breaks typed in the expression as nothing.
  EXPECT_EQ(messages()[0].request.title, u"Valid Expression");
  EXPECT_NE(messages()[0].request.text.find(u"second line"), std::u16string::npos);
}

TEST_F(Verify, RecordOptionsGoToTheLabeler) {
  open("landuse.cwmap");
  setExpression("[USE].First");
  form_->OptApplySelection()->click();
  click("CmdVerifyExpression");
  EXPECT_TRUE(form_->Labeler()->ApplySelectionSet());
  EXPECT_FALSE(form_->Labeler()->ApplyDefinitionQuery());
  form_->OptApplyAll()->click();
  click("CmdVerifyExpression");
  EXPECT_FALSE(form_->Labeler()->ApplySelectionSet());
  EXPECT_FALSE(form_->Labeler()->ApplyDefinitionQuery());
}

}  // namespace
}  // namespace dialogs::testing
