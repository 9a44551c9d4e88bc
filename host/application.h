#pragma once
// The application, its documents, the table of contents, command bars and
// the status bar.
#include "host/layout.h"

namespace host {

struct IAnimationProgressor : IUnknown {
  COM_INTERFACE("4890777B-B111-42F0-ADA9-0C0CED02760B")
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void Play() = 0;  // start the animation
  virtual void Stop() = 0;
  virtual bool Visible() = 0;
  virtual bool Playing() = 0;
};

struct IStatusBar : IUnknown {
  COM_INTERFACE("5E667AB0-86E4-40DC-BC4A-6EB5E5C84BC6")
  virtual Text Message(int pane) = 0;
  virtual void Message(int pane, const Text& message) = 0;
  virtual Ref<IAnimationProgressor> ProgressAnimation() = 0;
};

// The table of contents.
struct IContentsView : IUnknown {
  COM_INTERFACE("2A27B6CF-F1C3-4DB1-9D01-99F871D505EF")
  virtual Text Name() = 0;
  // An object variant holding the selected layer, or empty.
  virtual host::Value SelectedItem() = 0;
  virtual void SelectedItem(const host::Value& item) = 0;
  // Redraws the item held by the variant; an empty or null variant redraws all.
  virtual void Refresh(const host::Value& item) = 0;
};

struct IUID : IUnknown {
  COM_INTERFACE("0B3C7CF3-8FA7-4CBA-81AA-88084CDF039E")
  virtual Text Value() = 0;  // a ProgID or a "{CLSID}" text
  virtual void Value(const Text& value) = 0;
  virtual int SubType() = 0;
  virtual void SubType(int subType) = 0;
};

struct ICommandItem : IUnknown {
  COM_INTERFACE("A5BBF843-2599-49E2-ACF3-5D7E8293DE35")
  virtual Text Name() = 0;
  virtual Text Caption() = 0;
  virtual Text ID() = 0;  // the UID value it was made from
  virtual bool Enabled() = 0;
  virtual void Execute() = 0;
};

// A menu or toolbar; it is also an ICommandItem.
struct ICommandBar : IUnknown {
  COM_INTERFACE("4B01F283-F77B-4CCE-AFAC-55FE7E49BC44")
  virtual int Count() = 0;
  virtual Ref<ICommandItem> Item(int index) = 0;
  // Appends when index is empty, else inserts at that position.
  virtual Ref<ICommandItem> Add(IUID* id, const host::Value& index) = 0;
  virtual Ref<ICommandItem> Find(IUID* id, bool noRecurse) = 0;
};

struct ICommandBars : IUnknown {
  COM_INTERFACE("7290DE88-34B7-48AC-98D9-EE2EEB203050")
  virtual int Count() = 0;
  virtual Ref<ICommandItem> Find(IUID* id, bool noRecurse, bool noCreate) = 0;
};

// Events a document sends to its listeners.
struct IDocumentEvents : IUnknown {
  COM_INTERFACE("9D4886D3-ECC3-4176-AB79-FD73F89A0BAD")
  virtual void NewDocument() = 0;
  virtual void OpenDocument() = 0;
  virtual void CloseDocument() = 0;
};

// Where listeners connect to a document's events.
struct IDocumentEventSource : IUnknown {
  COM_INTERFACE("9CF04444-D517-4D80-939F-309977D89D7B")
  virtual std::uint32_t Advise(IDocumentEvents* sink) = 0;
  virtual void Unadvise(std::uint32_t cookie) = 0;
};

struct IDocument : IUnknown {
  COM_INTERFACE("CB9FBEB2-9442-4153-A2D5-96E2146720BF")
  virtual Text Title() = 0;
  virtual Ref<ICommandBars> CommandBars() = 0;
};

// The document's change notification.
struct IDocumentDirty : IUnknown {
  COM_INTERFACE("67D0A6AE-E1FE-45F4-96A1-0D92EF5D1901")
  virtual void SetDirty() = 0;
  virtual bool IsDirty() = 0;
  virtual void SetClean() = 0;
};

struct IMxDocument : IUnknown {
  COM_INTERFACE("1A1407E4-3A39-41D8-903D-18D1016043EC")
  virtual Ref<IMap> FocusMap() = 0;
  virtual Ref<IActiveView> ActiveView() = 0;
  virtual Ref<IContentsView> CurrentContentsView() = 0;
  virtual Ref<IPageLayout> PageLayout() = 0;
  virtual void UpdateContents() = 0;
};

struct IApplication : IUnknown {
  COM_INTERFACE("05ECFFF2-9145-45FB-B5E6-E54B0D84B6E7")
  virtual Text Name() = 0;
  virtual Ref<IDocument> Document() = 0;
  virtual Ref<IStatusBar> StatusBar() = 0;
};

}  // namespace host
