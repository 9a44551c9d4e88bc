#pragma once
// Feature renderers: how a layer is drawn and the classes of its legend.
// Classes are indexed from 0 in legend order.
#include <cstdint>
#include <vector>

#include "host/grouped_statistics.h"
#include "host/table.h"

namespace host {

struct Color {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Color&, const Color&) = default;
};

// What a legend swatch and the map need to draw one class.
struct Symbol {
  Color fill{200, 200, 200, 255};
  Color outline{80, 80, 80, 255};
  double outlineWidth = 0.4;  // points
  double markerSize = 6.0;    // points, for point layers
  double lineWidth = 1.0;     // points, for line layers
  friend bool operator==(const Symbol&, const Symbol&) = default;
};

// Every renderer answers for this; the other interfaces tell its kind.
struct IFeatureRenderer : IUnknown {
  COM_INTERFACE("312C9302-4FFD-44D8-875F-C40D17284FA7")
  // "simple", "unique_values", "class_breaks", "bivariate", "dot_density",
  // "proportional_symbol" or "chart".
  virtual Text RendererType() = 0;
};

struct ISimpleRenderer : IUnknown {
  COM_INTERFACE("39822627-1F01-4B03-ADF8-D5F22B1AA789")
  virtual Text Label() = 0;
  virtual void Label(const Text& label) = 0;
  virtual host::Symbol Symbol() = 0;
};

struct IUniqueValueRenderer : IUnknown {
  COM_INTERFACE("8A21636E-9FD4-40F8-B1C3-811B0FCF73E7")
  virtual int FieldCount() = 0;
  virtual Text Field(int index) = 0;
  virtual Text FieldDelimiter() = 0;  // joins the fields of a combined value
  virtual int ValueCount() = 0;
  virtual Text Value(int index) = 0;  // the value's text; fields joined by the delimiter
  virtual Text Label(const Text& value) = 0;
  virtual void Label(const Text& value, const Text& label) = 0;
  virtual host::Symbol Symbol(const Text& value) = 0;
  virtual bool UseDefaultSymbol() = 0;
  virtual Text DefaultLabel() = 0;
  virtual void DefaultLabel(const Text& label) = 0;
  virtual host::Symbol DefaultSymbol() = 0;
};

struct IClassBreaksRenderer : IUnknown {
  COM_INTERFACE("884AB4BE-52F6-41EF-AFBF-68A70FB881FA")
  virtual Text Field() = 0;
  virtual Text NormField() = 0;  // "" when not normalised
  virtual double MinimumBreak() = 0;
  virtual int BreakCount() = 0;
  virtual double Break(int index) = 0;  // upper bound of class index
  virtual Text Label(int index) = 0;
  virtual void Label(int index, const Text& label) = 0;
  virtual host::Symbol Symbol(int index) = 0;
};

// A main renderer that defines the classes, and a second one that varies
// the symbols' size or colour.
struct IBivariateRenderer : IUnknown {
  COM_INTERFACE("77F9C095-0F39-41F4-9A59-2DE34011F0F9")
  virtual Ref<IFeatureRenderer> MainRenderer() = 0;
  virtual Ref<IFeatureRenderer> VariationRenderer() = 0;
  virtual void CreateLegend() = 0;  // rebuilds the legend from the main renderer
};

// Kinds that are drawn but whose legends are not labelled by class.
struct IDotDensityRenderer : IUnknown {
  COM_INTERFACE("70516A66-4BB0-41E3-A140-96E27A123929")
  virtual double DotValue() = 0;
};
struct IProportionalSymbolRenderer : IUnknown {
  COM_INTERFACE("1155BD12-B162-48B9-833E-8FE9A4A90E82")
  virtual Text Field() = 0;
};
struct IChartRenderer : IUnknown {
  COM_INTERFACE("EB752B6F-CCA1-4BC3-A947-916E295421C8")
  virtual int FieldCount() = 0;
};

// The legend classes of a unique-value or class-breaks renderer.
struct IRendererClasses : IUnknown {
  COM_INTERFACE("22719F22-C012-46A7-AB5F-C9CDABDFCAB8")
  virtual int ClassCount() = 0;
  virtual Text Class(int index) = 0;  // the class's label
  // A clause, in the table's dialect, that selects exactly the records the
  // renderer draws in class index.
  virtual Text WhereClause(int index, ITable* table) = 0;
};

// Which legend class a record of one table is drawn in, from the record's
// own values: exactly the records the class's where clause selects, each in
// the first class that selects it. One walk over a table then serves every
// class.
struct IRecordClassifier : IUnknown {
  COM_INTERFACE("20C5F58B-4D7B-4053-8F6C-AB2751940AB6")
  // A row of the table the classifier was made for (values by the table's
  // field positions): its class index, or -1 when no class draws it.
  virtual int ClassOf(IRowBuffer* row) = 0;
};

// Offered by classifiers whose classes may overlap (QGIS's rules: a record
// that several rules draw is in each of their classes).
struct IRecordClassesOf : IUnknown {
  COM_INTERFACE("77D15FC9-E422-4E62-9253-9034CFC078C9")
  // Appends every class index that draws row; none when no class does.
  virtual void ClassesOf(IRowBuffer* row, std::vector<int>& classes) = 0;
};

// Offered by renderers that can classify records themselves.
struct IRendererClassifier : IUnknown {
  COM_INTERFACE("0B8D08D8-0D5B-4642-A084-89924EBFD029")
  // The fields a classifier reads, so that a walk can read just those.
  virtual std::vector<Text> ClassifierFields() = 0;
  // Throws HostError when the table lacks one of those fields.
  virtual Ref<IRecordClassifier> Classifier(ITable* table) = 0;
};

// Offered by renderers that say how a data source may group records into
// their classes itself (see IGroupedStatistics), where grouping by the
// values of their classifier's fields would not do: QGIS's ranges group by
// their bounds; classes known by feature ID do not group at all.
struct IRendererGrouping : IUnknown {
  COM_INTERFACE("3E58136F-FBB2-4B1C-B5C9-B53E04B4E734")
  // nullopt: the records are read and classified one by one.
  virtual std::optional<RecordGrouping> Grouping(ITable* table) = 0;
};

// Offered by renderers whose classes follow rules only they know (QGIS's
// categories, ranges and rules): the labeler takes every class's records
// from their where clauses and classifier, on a joined table too, instead of
// composing clauses from the class values or breaks, so that a class counts
// exactly the records the map draws in it.
struct IRendererOwnClasses : IUnknown {
  COM_INTERFACE("CE250EF6-302E-4016-8804-36F73E81143D")
};

}  // namespace host
