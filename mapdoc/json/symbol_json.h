#pragma once
// Symbols in documents: {"fill": "#RRGGBB", "outline": "#RRGGBBAA",
// "outline_width": 0.4, "marker_size": 6, "line_width": 1}; every member is
// optional and defaults to host::Symbol's value.
#include "host/renderer.h"
#include "mapdoc/json/json.h"
#include "mapdoc/json/json_reader.h"

namespace mapdoc {

// A symbol and the JSON it was read from, written back as read (symbols are
// never changed through the host interfaces).
struct SymbolSlot {
  host::Symbol symbol;
  Json source;  // null when the symbol was not read from a document
  bool absent = false;  // the document gave none: the default is drawn, nothing is written
  // A discarded value when absent, which composeMembers leaves out.
  Json toJson() const;
};

SymbolSlot readSymbol(const JsonReader& reader);
// The symbol member of an object, or an absent slot with the default symbol.
SymbolSlot readSymbolMember(const JsonReader& object, const char* key = "symbol");
Json symbolToJson(const host::Symbol& symbol);

std::string colorText(const host::Color& color);

}  // namespace mapdoc
