#pragma once
// Page layout, its graphic elements and legends, and the views that draw them.
#include "host/layer.h"

namespace host {

struct IEnvelope : IUnknown {
  COM_INTERFACE("EF3AE4A4-B0C4-4238-9BF3-75875A0FDBC6")
  virtual double XMin() = 0;
  virtual double YMin() = 0;
  virtual double XMax() = 0;
  virtual double YMax() = 0;
  virtual double Width() = 0;
  virtual double Height() = 0;
  virtual bool IsEmpty() = 0;
  virtual void PutCoords(double xmin, double ymin, double xmax, double ymax) = 0;
};

// Measures text as the screen draws it (for legend bounds).
struct IScreenDisplay : IUnknown {
  COM_INTERFACE("107C3227-0F26-4A7E-BE27-3075E6D01B83")
  virtual double DotsPerInch() = 0;
};

struct IActiveView : IUnknown {
  COM_INTERFACE("46A6F62F-B1B3-4781-A24A-AF5186AD1573")
  enum Phase : int { PhaseGeography = 2, PhaseGeoSelection = 4, PhaseGraphics = 8, PhaseSelection = 16 };
  virtual void Refresh() = 0;
  // Redraws one phase, for one object (data may be null) within env (may be null).
  virtual void PartialRefresh(int phase, IUnknown* data, IEnvelope* env) = 0;
  virtual Ref<IScreenDisplay> ScreenDisplay() = 0;
};

struct IElement : IUnknown {
  COM_INTERFACE("CB67B782-7DDC-4022-BA15-7EB258FEBF2D")
  virtual Ref<IEnvelope> Geometry() = 0;  // page units (inches), a copy
  virtual void Geometry(IEnvelope* envelope) = 0;
};

struct IMapSurround : IUnknown {
  COM_INTERFACE("A267D3C1-E1EB-4991-AD96-3A62F8F3FA16")
  virtual Text Name() = 0;
  virtual void Refresh() = 0;
  // The bounds the surround needs when drawn into oldBounds' place.
  virtual void QueryBounds(IScreenDisplay* display, IEnvelope* oldBounds, IEnvelope* newBounds) = 0;
};

struct ILegend : IMapSurround {
  using ComBase = IMapSurround;
  COM_INTERFACE("57F65C0F-44BA-4B4D-9E7E-C4108836C3D2")
  virtual int ItemCount() = 0;
  virtual Ref<ILayer> ItemLayer(int index) = 0;
  virtual Text Title() = 0;
};

struct IMapSurroundFrame : IUnknown {
  COM_INTERFACE("D29646C3-C8CF-4F2A-B25A-FCD563C9CDC2")
  virtual Ref<IMapSurround> MapSurround() = 0;
};

struct IGraphicsContainer : IUnknown {
  COM_INTERFACE("3C6E878E-CED3-41CE-9030-94AE18812493")
  virtual void Reset() = 0;
  virtual Ref<IElement> Next() = 0;  // null after the last element
};

// Answers for IGraphicsContainer and IActiveView as well.
struct IPageLayout : IUnknown {
  COM_INTERFACE("E8D8B453-1FF1-4449-AA5F-26276E291F2B")
  virtual double PageWidth() = 0;   // inches
  virtual double PageHeight() = 0;  // inches
};

}  // namespace host
