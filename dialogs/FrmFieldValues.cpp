#include "dialogs/FrmFieldValues.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <optional>
#include <set>

#include "dialogs/qt_text.h"
#include "dialogs/twips.h"
#include "host/classes.h"
#include "platform/com/class_factory.h"
#include "platform/format/value_text.h"
#include "platform/messagebox/message_box.h"

namespace dialogs {
namespace {

namespace mb = platform::messagebox;

[[noreturn]] void objectNotSet() {
  throw com::Error(com::E_POINTER, u"Object variable or With block variable not set");
}

template <class T, class U>
host::Ref<T> require(const host::Ref<U>& from) {
  auto r = from.template as<T>();
  if (!r) objectNotSet();
  return r;
}

// A null is listed, not refused: the window is for seeing what the data
// holds, and nulls are part of it.
QString valueText(const host::Value& value) {
  if (value.isNull()) return QStringLiteral("<Null>");
  return q(platform::format::toText(value));
}

// The rows one fill reads, from their first, through a recycling cursor.
class RowWalk {
 public:
  host::Ref<host::IRow> next() {
    while (auto row = cursor_->NextRow()) {
      if (!onlyIds_ || onlyIds_->count(row->OID())) return row;
    }
    return nullptr;
  }

  // The records the labeling dialog's option names, read from table (the
  // layer's display table).
  static RowWalk open(const host::Ref<host::ILayer>& layer, const host::Ref<host::ITable>& table,
                      bool applySelection, bool applyDefinitionQuery) {
    RowWalk walk;
    if (applySelection) {
      auto set = require<host::IFeatureSelection>(layer)->SelectionSet();
      if (!set) objectNotSet();
      auto own = require<host::IFeatureLayer>(layer)->FeatureClass();
      if (com::identity(own.get()) == com::identity(table.get())) {
        set->Search(nullptr, true, walk.cursor_);
      } else {
        // A joined display table: the selection's records are the layer's
        // own, so its IDs pick them from the joined rows, which keep them.
        const auto ids = set->IDs();
        walk.onlyIds_.emplace(ids.begin(), ids.end());
        walk.cursor_ = table->Search(nullptr, true);
      }
    } else {
      auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
      if (!filter) objectNotSet();
      filter->WhereClause(applyDefinitionQuery
                              ? require<host::IFeatureLayerDefinition>(layer)->DefinitionExpression()
                              : host::Text());
      walk.cursor_ = table->Search(filter.get(), true);
    }
    if (!walk.cursor_) objectNotSet();
    return walk;
  }

 private:
  host::Ref<host::ICursor> cursor_;
  std::optional<std::set<std::int32_t>> onlyIds_;
};

int fieldIndex(const host::Ref<host::ITable>& table, const QString& name) {
  const int index = require<host::IClass>(table)->FindField(name.toStdU16String());
  if (index < 0)
    throw com::Error(com::E_INVALIDARG, u"Field \"" + name.toStdU16String() + u"\" does not exist in attribute table!");
  return index;
}

QWidget* childNamed(const QWidget* dialog, const char* name) {
  return dialog ? dialog->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
}

bool isChecked(const QWidget* dialog, const char* name) {
  auto* button = qobject_cast<QAbstractButton*>(childNamed(dialog, name));
  return button && button->isChecked();
}

}  // namespace

LabelingChoices LabelingChoices::fromDialog(const QWidget* dialog) {
  QPointer<const QWidget> d(dialog);
  LabelingChoices c;
  c.field = [d] {
    auto* list = qobject_cast<QListWidget*>(childNamed(d, "LstLabelFields"));
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    return item ? item->text() : QString();
  };
  c.applySelection = [d] { return isChecked(d, "OptApplySelection"); };
  c.applyDefinitionQuery = [d] { return isChecked(d, "OptApplyDefinitionQuery"); };
  return c;
}

struct FrmFieldValues::Fill {
  host::Ref<host::ILayer> layer;
  host::Ref<host::ITable> table;
  QString name;
};

FrmFieldValues::FrmFieldValues(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("FrmFieldValues");
  setWindowTitle(QStringLiteral("Field Values"));
  setModal(true);
  const double scale = screenScale(this);
  setFixedSize(toPixels(6120, 4680, scale));

  lstFieldValues_ = new QListWidget(this);
  lstFieldValues_->setObjectName("lstFieldValues");
  placeAt(lstFieldValues_, {120, 120, 5880, 3840}, scale);

  cmdShowNext50_ = new QPushButton(QStringLiteral("Show Next 50"), this);
  cmdShowNext50_->setObjectName("CmdShowNext50");
  placeAt(cmdShowNext50_, {120, 4110, 1455, 435}, scale);

  cmdShowAll_ = new QPushButton(QStringLiteral("Show All"), this);
  cmdShowAll_->setObjectName("CmdShowAll");
  placeAt(cmdShowAll_, {1695, 4110, 1455, 435}, scale);

  cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel_->setObjectName("CmdCancel");
  placeAt(cmdCancel_, {4545, 4110, 1455, 435}, scale);

  txtCurrentRecord_ = new QLineEdit(QStringLiteral("0"), this);
  txtCurrentRecord_->setObjectName("TxtCurrentRecord");
  txtCurrentRecord_->setVisible(false);

  connect(cmdShowNext50_, &QPushButton::clicked, this, &FrmFieldValues::CmdShowNext50_Click);
  connect(cmdShowAll_, &QPushButton::clicked, this, &FrmFieldValues::CmdShowAll_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &FrmFieldValues::CmdCancel_Click);
}

FrmFieldValues::~FrmFieldValues() = default;

void FrmFieldValues::setApplication(host::IApplication* application) {
  application_ = host::Ref<host::IApplication>(application);
}

void FrmFieldValues::setLabelingChoices(LabelingChoices choices) {
  choices_ = std::move(choices);
  ownChoices_ = true;
}

void FrmFieldValues::centreOn(const QWidget* owner) {
  if (owner) dialogs::centreOn(this, owner);
}

void FrmFieldValues::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!loaded_) Form_Load();
}

void FrmFieldValues::Form_Load() {
  loaded_ = true;
  if (!ownChoices_) choices_ = LabelingChoices::fromDialog(parentWidget());
  document_ = nullptr;
  if (application_) {
    if (auto doc = application_->Document()) document_ = doc.as<host::IMxDocument>();
  }
  txtCurrentRecord_->setText(QStringLiteral("0"));
  CmdShowNext50_Click();
}

void FrmFieldValues::Form_Unload() {
  document_ = nullptr;
  loaded_ = false;
}

FrmFieldValues::Fill FrmFieldValues::takeLayer() const {
  if (!document_) objectNotSet();
  auto view = document_->CurrentContentsView();
  if (!view) objectNotSet();
  const host::Value item = view->SelectedItem();
  if (!item.isObject() || !item.object()) objectNotSet();
  Fill fill;
  fill.layer = require<host::ILayer>(item.object());
  fill.table = require<host::IDisplayTable>(fill.layer)->DisplayTable();
  if (!fill.table) objectNotSet();
  fill.name = choices_.field ? choices_.field() : QString();
  return fill;
}

void FrmFieldValues::showFailure(const QString& description, int step) {
  mb::show((description + QLatin1Char(' ') + QString::number(step)).toStdU16String(), u"Invalid Expression!",
           mb::Icon::Critical);
}

void FrmFieldValues::setPagingEnabled(bool enabled) {
  cmdShowNext50_->setEnabled(enabled);
  cmdShowAll_->setEnabled(enabled);
}

// The legend's class values or labels; false for a renderer whose classes
// are not listed.
bool FrmFieldValues::listLegend(const Fill& fill, bool values) {
  lstFieldValues_->clear();
  auto renderer = require<host::IGeoFeatureLayer>(fill.layer)->Renderer();
  if (auto simple = renderer.as<host::ISimpleRenderer>()) {
    lstFieldValues_->addItem(q(simple->Label()));
    return true;
  }
  if (auto unique = renderer.as<host::IUniqueValueRenderer>()) {
    const int count = unique->ValueCount();
    for (int i = 0; i < count; ++i) {
      const host::Text value = unique->Value(i);
      lstFieldValues_->addItem(q(values ? value : unique->Label(value)));
    }
    return true;
  }
  if (auto breaks = renderer.as<host::IClassBreaksRenderer>()) {
    const int count = breaks->BreakCount();
    for (int i = 0; i < count; ++i)
      lstFieldValues_->addItem(q(values ? platform::format::numberText(breaks->Break(i)) : breaks->Label(i)));
    return true;
  }
  return false;
}

void FrmFieldValues::CmdShowNext50_Click() {
  int step = 1;
  try {
    const Fill fill = takeLayer();
    if (!isClassToken(fill.name)) {
      step = 2;
      const int index = fieldIndex(fill.table, fill.name);
      const int start = txtCurrentRecord_->text().trimmed().toInt();
      const int end = start + kPageSize;
      RowWalk walk = RowWalk::open(fill.layer, fill.table, choices_.applySelection && choices_.applySelection(),
                                   choices_.applyDefinitionQuery && choices_.applyDefinitionQuery());
      int count = 0;
      bool exhausted = false;
      while (count < end) {
        auto row = walk.next();
        if (!row) {
          exhausted = true;
          break;
        }
        ++count;
        if (count > start) lstFieldValues_->addItem(valueText(row->Value(index)));
      }
      txtCurrentRecord_->setText(QString::number(count));
      setPagingEnabled(!exhausted);
    } else {
      step = 3;
      if (listLegend(fill, fill.name.compare(QStringLiteral("$$VALUE"), Qt::CaseInsensitive) == 0))
        setPagingEnabled(false);
    }
  } catch (const com::Error& e) {
    showFailure(q(e.description()), step);
  } catch (const std::exception& e) {
    showFailure(QString::fromUtf8(e.what()), step);
  }
}

void FrmFieldValues::CmdShowAll_Click() {
  int step = 1;
  try {
    const Fill fill = takeLayer();
    if (isClassToken(fill.name)) return;
    step = 3;
    const int index = fieldIndex(fill.table, fill.name);
    RowWalk walk = RowWalk::open(fill.layer, fill.table, choices_.applySelection && choices_.applySelection(),
                                 choices_.applyDefinitionQuery && choices_.applyDefinitionQuery());
    lstFieldValues_->clear();
    while (auto row = walk.next()) lstFieldValues_->addItem(valueText(row->Value(index)));
    setPagingEnabled(false);
  } catch (const com::Error& e) {
    showFailure(q(e.description()), step);
  } catch (const std::exception& e) {
    showFailure(QString::fromUtf8(e.what()), step);
  }
}

void FrmFieldValues::CmdCancel_Click() {
  txtCurrentRecord_->setText(QStringLiteral("0"));
  lstFieldValues_->clear();
  QDialog::reject();
  Form_Unload();
}

void FrmFieldValues::reject() { CmdCancel_Click(); }

}  // namespace dialogs
