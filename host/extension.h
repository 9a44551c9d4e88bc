#pragma once
// Extension points the host calls: extensions, commands and toolbars.
#include <cstdint>

#include "host/application.h"

namespace host {

struct IExtension : IUnknown {
  COM_INTERFACE("43E4E70E-1D0E-4C97-8608-E86BCA395E86")
  virtual Text Name() = 0;
  // initializationData holds the application as an object variant.
  virtual void Startup(host::Value& initializationData) = 0;
  virtual void Shutdown() = 0;
};

struct ICommand : IUnknown {
  COM_INTERFACE("7B3F7660-F5E8-4879-9543-6BF1F44BF503")
  virtual bool Enabled() = 0;
  virtual bool Checked() = 0;
  virtual Text Name() = 0;
  virtual Text Caption() = 0;
  virtual Text Tooltip() = 0;
  virtual Text Message() = 0;
  virtual Text HelpFile() = 0;
  virtual std::int32_t HelpContextID() = 0;
  virtual std::intptr_t Bitmap() = 0;  // a handle the host can draw; 0 for none
  virtual Text Category() = 0;
  virtual void OnCreate(IUnknown* hook) = 0;  // hook is the application
  virtual void OnClick() = 0;
};

struct IItemDef : IUnknown {
  COM_INTERFACE("D094141B-7AF7-4850-A050-ADA13D085B2D")
  virtual Text ID() = 0;
  virtual void ID(const Text& id) = 0;
  virtual bool Group() = 0;
  virtual void Group(bool group) = 0;
  virtual int SubType() = 0;
  virtual void SubType(int subType) = 0;
};

struct IToolBarDef : IUnknown {
  COM_INTERFACE("4BAE14D7-B58C-470F-A0C5-8A2EDF9D246F")
  virtual int ItemCount() = 0;
  virtual void GetItemInfo(int pos, IItemDef* itemDef) = 0;
  virtual Text Name() = 0;
  virtual Text Caption() = 0;
};

}  // namespace host
