#pragma once
// QGIS files as text and as a tree at once: pugixml reads the tree, and the
// places of attribute values are found in the text, so that a value can be
// replaced while every other byte stays as QGIS wrote it.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace mapdoc::qgis {

// Elements nested within each other deeper than this are refused. QGIS's
// projects nest a few dozen deep at most.
inline constexpr int kMaxXmlDepth = 256;

// Parses text (UTF-8) into doc. Throws DocumentError naming file, the line
// and column and what is wrong.
void parseXml(const std::string& text, pugi::xml_document& doc, const std::filesystem::path& file);

// Where an attribute's value stands in the text the element was parsed
// from: the bytes between its quotes.
struct ValueSpan {
  std::size_t begin = 0, end = 0;
  char quote = '"';
};

// The span of element's attribute name in text. Throws std::runtime_error
// when the element has no such attribute.
ValueSpan attributeSpan(const std::string& text, const pugi::xml_node& element, std::string_view name);

// The offset in text just after element's name in its start tag, where an
// attribute may be written.
std::size_t afterElementName(const std::string& text, const pugi::xml_node& element);

// value as an attribute's text between the given quotes, the way QGIS (Qt)
// writes it: & < and the quote as entities (> as itself), line breaks and
// tabs as character references. Throws std::runtime_error for a character XML 1.0
// cannot hold.
std::string escapeAttribute(std::string_view value, char quote);

// One replacement of a span of the text.
struct Splice {
  ValueSpan span;
  std::string text;
};

// text with every splice made (spans must not overlap).
std::string applySplices(const std::string& text, std::vector<Splice> splices);

// Where the bytes of the old text stand once the splices are made (a byte
// inside a replaced span: the start of its replacement). A look-up is a
// binary search, so placing every label of a project again takes time in
// proportion to the labels, not to their square.
class ShiftedOffsets {
 public:
  explicit ShiftedOffsets(const std::vector<Splice>& splices);
  std::size_t operator()(std::size_t offset) const;

 private:
  struct Step {
    std::size_t begin, end;
    std::ptrdiff_t shift;  // of the splices before this one
  };
  std::vector<Step> steps_;  // in text order
  std::ptrdiff_t total_ = 0;
};

}  // namespace mapdoc::qgis
