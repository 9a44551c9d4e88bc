#include "mapdoc/qgis/xml_text.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "mapdoc/document_error.h"

namespace mapdoc::qgis {
namespace {

bool xmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

void parseXml(const std::string& text, pugi::xml_document& doc, const std::filesystem::path& file) {
  const auto result = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!result)
    throw DocumentError(file, "", "is not well-formed XML: " + std::string(result.description()) + " at " +
                                      lineAndColumn(text, static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0))));
  // pugixml parses any depth without recursion, but what reads the tree
  // recurses (group in group): refuse a depth no QGIS file has.
  pugi::xml_node node = doc.first_child();
  int depth = 1;
  while (node) {
    if (depth > kMaxXmlDepth) {
      std::vector<std::string> names;
      for (auto n = node; n && n.type() != pugi::node_document; n = n.parent()) names.emplace_back(n.name());
      std::string path;
      for (auto name = names.rbegin(); name != names.rend(); ++name) path += (path.empty() ? "" : "/") + *name;
      throw DocumentError(file, excerpt(path, 120),
                          "elements nest deeper than " + std::to_string(kMaxXmlDepth) + " levels here (" +
                              lineAndColumn(text, static_cast<std::size_t>(std::max<std::ptrdiff_t>(node.offset_debug(), 0))) +
                              "); no QGIS file nests so deep");
    }
    if (node.first_child()) {
      node = node.first_child();
      ++depth;
      continue;
    }
    while (node && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    if (node) node = node.next_sibling();
  }
}

std::size_t afterElementName(const std::string& text, const pugi::xml_node& element) {
  const std::ptrdiff_t start = element.offset_debug();
  if (start < 0 || static_cast<std::size_t>(start) >= text.size())
    throw std::runtime_error("the element <" + std::string(element.name()) + "> has no place in the text");
  std::size_t i = static_cast<std::size_t>(start);
  while (i < text.size() && !xmlSpace(text[i]) && text[i] != '>' && text[i] != '/') ++i;
  return i;
}

ValueSpan attributeSpan(const std::string& text, const pugi::xml_node& element, std::string_view name) {
  const std::ptrdiff_t start = element.offset_debug();
  if (start < 0 || static_cast<std::size_t>(start) >= text.size())
    throw std::runtime_error("the element <" + std::string(element.name()) + "> has no place in the text");
  // The tag was well-formed when parsed: a name, then name="value" pairs.
  std::size_t i = static_cast<std::size_t>(start);
  while (i < text.size() && !xmlSpace(text[i]) && text[i] != '>' && text[i] != '/') ++i;
  while (i < text.size()) {
    while (i < text.size() && xmlSpace(text[i])) ++i;
    if (i >= text.size() || text[i] == '>' || text[i] == '/') break;
    const std::size_t nameBegin = i;
    while (i < text.size() && !xmlSpace(text[i]) && text[i] != '=') ++i;
    const std::string_view attribute(text.data() + nameBegin, i - nameBegin);
    while (i < text.size() && (xmlSpace(text[i]) || text[i] == '=')) ++i;
    if (i >= text.size()) break;
    const char quote = text[i];
    const std::size_t close = text.find(quote, i + 1);
    if (close == std::string::npos) break;
    if (attribute == name) return {i + 1, close, quote};
    i = close + 1;
  }
  throw std::runtime_error("the element <" + std::string(element.name()) + "> has no attribute \"" +
                           std::string(name) + "\"");
}

std::string escapeAttribute(std::string_view value, char quote) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '\n': out += "&#xa;"; break;
      case '\r': out += "&#xd;"; break;
      case '\t': out += "&#x9;"; break;
      case '"': out += quote == '"' ? "&quot;" : "\""; break;
      case '\'': out += quote == '\'' ? "&apos;" : "'"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20)
          throw std::runtime_error("the label holds a control character (code " +
                                   std::to_string(static_cast<int>(c)) + ") that an XML file cannot hold");
        out += c;
    }
  }
  return out;
}

std::string applySplices(const std::string& text, std::vector<Splice> splices) {
  std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.span.begin < b.span.begin; });
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  for (const auto& s : splices) {
    if (s.span.begin < at || s.span.end > text.size() || s.span.end < s.span.begin)
      throw std::logic_error("overlapping replacements in the text");
    out.append(text, at, s.span.begin - at);
    out += s.text;
    at = s.span.end;
  }
  out.append(text, at, std::string::npos);
  return out;
}

ShiftedOffsets::ShiftedOffsets(const std::vector<Splice>& splices) {
  std::vector<std::size_t> order(splices.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return splices[a].span.begin != splices[b].span.begin ? splices[a].span.begin < splices[b].span.begin
                                                          : splices[a].span.end < splices[b].span.end;
  });
  steps_.reserve(order.size());
  for (const std::size_t i : order) {
    const auto& s = splices[i];
    steps_.push_back({s.span.begin, s.span.end, total_});
    total_ += static_cast<std::ptrdiff_t>(s.text.size()) - static_cast<std::ptrdiff_t>(s.span.end - s.span.begin);
  }
}

std::size_t ShiftedOffsets::operator()(std::size_t offset) const {
  // The spans are apart: every one starting before offset but the last
  // ends before it. One starting right at offset puts it at the start of
  // the replacement.
  const auto after = std::partition_point(steps_.begin(), steps_.end(), [&](const Step& s) { return s.begin < offset; });
  if (after == steps_.begin()) return offset;
  const Step& last = *(after - 1);
  if (last.end > offset) return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(last.begin) + last.shift);
  const std::ptrdiff_t shift = after == steps_.end() ? total_ : after->shift;
  return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(offset) + shift);
}

}  // namespace mapdoc::qgis
