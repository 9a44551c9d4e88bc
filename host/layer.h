#pragma once
// Layers of a map and the facets a feature layer offers.
#include "host/renderer.h"
#include "host/table.h"

namespace host {

struct ILayer : IUnknown {
  COM_INTERFACE("6034349F-4CF0-4251-91DD-F9A96636EE5A")
  virtual Text Name() = 0;
  virtual void Name(const Text& name) = 0;
  virtual bool Visible() = 0;
  virtual void Visible(bool visible) = 0;
  virtual bool Valid() = 0;  // the data source could be opened
};

struct IFeatureLayer : IUnknown {
  COM_INTERFACE("B4D33165-3EAB-44A9-B647-5FC0072792AB")
  virtual Ref<IFeatureClass> FeatureClass() = 0;  // the layer's own table, without joins
};

struct IGeoFeatureLayer : IUnknown {
  COM_INTERFACE("189A5AF5-45ED-4458-B12B-EFE8B6F3847D")
  virtual Ref<IFeatureRenderer> Renderer() = 0;
  virtual void Renderer(IFeatureRenderer* renderer) = 0;
};

struct IFeatureLayerDefinition : IUnknown {
  COM_INTERFACE("D477B48B-4888-4788-95F3-F84752D097B9")
  virtual Text DefinitionExpression() = 0;  // the definition query; "" for none
  virtual void DefinitionExpression(const Text& expression) = 0;
  // The set of records that defines a selection layer; null for none.
  virtual Ref<ISelectionSet> DefinitionSelectionSet() = 0;
};

// The table the layer shows: its own, or its own joined with another.
struct IDisplayTable : IUnknown {
  COM_INTERFACE("BC0D4AB5-312B-45E7-9DA0-AB955BFEEA3B")
  virtual Ref<ITable> DisplayTable() = 0;
};

// A name object that can describe a dataset without opening it.
struct IName : IUnknown {
  COM_INTERFACE("11005FA6-9338-4F46-ADA0-ECA3AD3270F2")
  virtual Text NameString() = 0;
};

struct IDatasetName : IUnknown {
  COM_INTERFACE("72BA31AB-322C-4D87-8E51-9DAD168848DB")
  virtual Text Name() = 0;
  virtual Text Category() = 0;  // e.g. "Shapefile Feature Class"
};

struct IDataLayer : IUnknown {
  COM_INTERFACE("E61F91E0-D3DC-4313-959B-92B73C59AB21")
  virtual Ref<IName> DataSourceName() = 0;  // also answers for IDatasetName
};

// The features the user has selected on the map.
struct IFeatureSelection : IUnknown {
  COM_INTERFACE("0184BC90-CB4A-41AF-8EBA-73CB5FDB4054")
  virtual Ref<ISelectionSet> SelectionSet() = 0;  // never null; may be empty
  virtual void SelectionSet(ISelectionSet* set) = 0;
  virtual void Clear() = 0;
};

struct IRasterLayer : IUnknown {
  COM_INTERFACE("87DC7F68-A6F6-475A-B163-52A692E0A722")
  virtual Text FilePath() = 0;
};

struct ICompositeLayer : IUnknown {
  COM_INTERFACE("7E66BD60-36CD-4F68-9A70-00FDC843D08E")
  virtual int Count() = 0;
  virtual Ref<ILayer> Layer(int index) = 0;
};

struct IMap : IUnknown {
  COM_INTERFACE("7BF60910-57A0-42BC-830B-353DD1AD166A")
  virtual Text Name() = 0;
  virtual int LayerCount() = 0;
  virtual Ref<ILayer> Layer(int index) = 0;
};

}  // namespace host
