#include "engine/expression_verification.h"

#include <stdexcept>
#include <vector>

#include "engine/class_summaries.h"
#include "engine/expression_parser.h"
#include "engine/failure_text.h"
#include "engine/label_makers.h"
#include "engine/text_compare.h"
#include "host/renderer.h"
#include "platform/format/value_text.h"
#include "platform/messagebox/message_box.h"

namespace engine {
namespace {

namespace mb = platform::messagebox;

constexpr char16_t kGroupedValues[] =
    u"Grouped Values Not Allowed!\r\n"
    u"It appears that a number of legend values have been grouped to use the same symbol.\r\n"
    u"Due to an issue with ESRI's implementation of grouping, this tool does not work with grouped values.\r\n"
    u"\r\n"
    u"Please ungroup legend values and try again.";

// A check that failed: its text is the Message.
struct Rejection {
  std::u16string message;
};

bool isOneOf(int type, std::initializer_list<int> allowed) {
  for (int a : allowed) {
    if (a == type) return true;
  }
  return false;
}

void checkField(host::IClass* table, const ExpressionPiece& piece) {
  const std::u16string& n = piece.content;
  const int index = table->FindField(n);
  if (index == -1) throw Rejection{u"Field \"" + n + u"\" does not exist in attribute table!"};
  auto fieldList = table->Fields();
  if (!fieldList) objectNotSet();
  auto field = fieldList->Field(index);
  if (!field) objectNotSet();
  const int t = field->Type();
  if (t == host::FieldTypeGeometry || t == host::FieldTypeBlob) {
    throw Rejection{u"Field \"" + n + u"\": geometry and blob field types are not supported by this tool!"};
  }
  const std::u16string& m = piece.statements.at(0).name;
  bool allowed;
  if (equalsNoCase(m, u"First") || equalsNoCase(m, u"Last") || equalsNoCase(m, u"Count")) {
    allowed = isOneOf(t, {0, 1, 2, 3, 4, 5, 6});
  } else if (equalsNoCase(m, u"Average") || equalsNoCase(m, u"Maximum") || equalsNoCase(m, u"Minimum") ||
             equalsNoCase(m, u"StdDev") || equalsNoCase(m, u"Sum") || equalsNoCase(m, u"Variance")) {
    allowed = isOneOf(t, {0, 1, 2, 3, 6});
  } else {
    throw Rejection{u"Field \"" + n + u"\" does not have an appropriate summary method!"};
  }
  if (!allowed) throw Rejection{u"Field \"" + n + u"\" field type does not support selected summary method!"};
}

// The labels put records in classes by the renderer's fields, read from the
// table the labels read (a joined table names the layer's own fields
// "table.field"); the words are those the host's classifier fails with.
void checkRendererFields(host::IClass* table, const host::Ref<host::IFeatureRenderer>& renderer) {
  const auto classifying = classRenderer(renderer);
  std::vector<std::u16string> names;
  if (auto classifier = classifying.as<host::IRendererClassifier>()) {
    names = classifier->ClassifierFields();
  } else if (auto unique = classifying.as<host::IUniqueValueRenderer>()) {
    for (int i = 0; i < unique->FieldCount(); ++i) names.push_back(unique->Field(i));
  } else if (auto breaks = classifying.as<host::IClassBreaksRenderer>()) {
    names = {breaks->Field(), breaks->NormField()};
  }
  for (const auto& name : names) {
    // "" is none: no normalisation, or classes known by object ID
    if (!name.empty() && table->FindField(name) < 0)
      throw Rejection{u"the renderer's field \"" + name + u"\" is not in the table"};
  }
}

bool rejected(LabelerFields& fields, std::u16string message) {
  fields.Message = std::move(message);
  if (fields.ShowMessages) mb::show(fields.Message, u"Invalid Expression!", mb::Icon::Critical, mb::Buttons::Ok);
  fields.LabelsValid = false;
  return false;
}

}  // namespace

void setDelimiters(LabelerFields& fields, std::u16string_view category) {
  if (findNoCase(category, u"Personal Geodatabase") != std::u16string_view::npos) {
    fields.FieldPrefix = u"[";
    fields.FieldSuffix = u"]";
    fields.JoinedFieldPrefix = fields.JoinedFieldSuffix = u"\"";
  } else if (findNoCase(category, u"Shapefile") != std::u16string_view::npos ||
             findNoCase(category, u"PostgreSQL") != std::u16string_view::npos) {
    // PostgreSQL folds a bare name to lower case, so a column made in upper
    // or mixed case (as ogr2ogr loads a shapefile) is reached only quoted.
    fields.FieldPrefix = fields.FieldSuffix = fields.JoinedFieldPrefix = fields.JoinedFieldSuffix = u"\"";
  } else {
    // ArcSDE, ArcIMS and every other source take bare names.
    fields.FieldPrefix = fields.FieldSuffix = fields.JoinedFieldPrefix = fields.JoinedFieldSuffix = u"";
  }
}

std::u16string verificationReport(const LabelerFields& fields, bool pShowLabelingInstructions) {
  std::u16string out = u"SAMPLE LABEL: " + platform::format::toText(fields.SampleLabel) + u"\r\n\r\n";
  if (!pShowLabelingInstructions) return out;
  out += u"Labeling Instructions:\r\n";
  bool first = true;
  for (auto& piece : fields.ExpressionPieces) {
    out += first ? u"\tPUT\t" : u"\tAND\t";
    first = false;
    std::u16string kind = piece.kind;
    for (auto& c : kind) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    out += kind + u":";
    if (equalsNoCase(piece.kind, kPieceField)) {
      out += piece.content + u"," + piece.statements.at(0).name + u"\r\n";
      for (std::size_t i = 1; i < piece.statements.size(); ++i) {
        const auto& st = piece.statements[i];
        out += u"\t\t\tFORMAT:" + st.name + u"," + platform::format::toText(st.arg1) + u"," +
               platform::format::toText(st.arg2) + u"\r\n";
      }
    } else if (equalsNoCase(piece.kind, kPieceLegend)) {
      out += piece.content + u"\r\n";
    } else {
      out += u"\"" + piece.content + u"\"\r\n";
    }
  }
  return out;
}

bool verifyExpression(LabelerFields& fields, host::ILayer* pLayer, const std::u16string& pExpression,
                      bool pMakeSampleLabel, bool pShowLabelingInstructions) {
  bool makerFailure = false;
  try {
    try {
      host::Ref<host::ILayer> layer(pLayer);
      auto geo = layer.as<host::IGeoFeatureLayer>();
      if (!geo) throw Rejection{u"Layer must be a type of Geo-Feature Layer!"};
      auto renderer = geo->Renderer();
      if (!renderer || (!renderer.as<host::ISimpleRenderer>() && !renderer.as<host::IUniqueValueRenderer>() &&
                        !renderer.as<host::IClassBreaksRenderer>() && !renderer.as<host::IBivariateRenderer>())) {
        throw Rejection{u"Layer's legend must be a Simple, Unique Value, Graduated Color/Symbol, or Multi-Attribute type!"};
      }
      auto unique = renderer.as<host::IUniqueValueRenderer>();
      if (unique) {
        const int classCount = require<host::IRendererClasses>(renderer)->ClassCount();
        const int valueCount = unique->ValueCount();
        const bool grouped = unique->UseDefaultSymbol() ? classCount - 1 != valueCount : classCount != valueCount;
        if (grouped) throw Rejection{kGroupedValues};
      }

      auto featureClass = require<host::IFeatureLayer>(layer)->FeatureClass();
      auto display = require<host::IDisplayTable>(layer)->DisplayTable();
      host::Ref<host::IClass> table;
      if (display && display.as<host::IRelQueryTable>()) {
        table = require<host::IClass>(display);
        fields.TableIsJoined = true;
      } else {
        table = require<host::IClass>(featureClass);
        fields.TableIsJoined = false;
      }
      auto dataset = require<host::IDatasetName>(require<host::IDataLayer>(layer)->DataSourceName());
      fields.DatasetName = dataset->Name();
      fields.DatasetCategory = dataset->Category();
      setDelimiters(fields, fields.DatasetCategory);

      if (!EvaluateExpression(fields, pExpression)) throw Rejection{fields.Message};
      for (auto& piece : fields.ExpressionPieces) {
        if (equalsNoCase(piece.kind, kPieceField)) checkField(table.get(), piece);
      }
      checkRendererFields(table.get(), renderer);
      if (unique && fields.TableIsJoined && unique->FieldCount() >= 2) {
        throw Rejection{u"Joined tables are not supported with multi-field unique value legends!"};
      }
    } catch (Rejection& r) {
      return rejected(fields, std::move(r.message));
    }

    if (!pMakeSampleLabel) {
      fields.LabelsValid = true;
      return true;
    }
    if (!MakeSimpleRendererLabel(fields, pLayer, 10, true)) {
      makerFailure = true;
      throw std::runtime_error("sample label");
    }
    if (fields.ShowMessages) {
      mb::show(verificationReport(fields, pShowLabelingInstructions), u"Valid Expression", mb::Icon::Information,
               mb::Buttons::Ok);
    }
    fields.LabelsValid = true;
    return true;
  } catch (...) {
    try {
      std::u16string message =
          makerFailure ? fields.Message : describeFailure(std::current_exception(), u"VerifyExpression");
      if (message.empty()) message = u"Unknown Error in VerifyExpression!";
      return rejected(fields, std::move(message));
    } catch (...) {
      fields.LabelsValid = false;
      return false;
    }
  }
}

}  // namespace engine
