#pragma once
// The text a PDF shows, read the way a text extractor does: the glyph
// strings of each text block (BT ... ET) of the content streams, turned
// back into characters through the fonts' ToUnicode maps. Enough for the
// PDFs Qt writes (two-byte glyph codes, Flate streams), not a general reader.
#include <zlib.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

inline std::string inflateStream(const std::string& data) {
  std::string out;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  char buffer[16384];
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  } while (rc == Z_OK);
  inflateEnd(&z);
  return out;
}

inline void appendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6)), out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12)), out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18)), out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16BE in hex to UTF-8.
inline std::string utf16Hex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 4 <= hex.size(); i += 4) {
    unsigned u = std::stoul(hex.substr(i, 4), nullptr, 16);
    if (u >= 0xD800 && u < 0xDC00 && i + 8 <= hex.size()) {
      const unsigned low = std::stoul(hex.substr(i + 4, 4), nullptr, 16);
      u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
      i += 4;
    }
    appendUtf8(out, u);
  }
  return out;
}

using ToUnicode = std::map<unsigned, std::string>;

inline ToUnicode parseCMap(const std::string& cmap) {
  ToUnicode map;
  static const std::regex block(R"((beginbfchar|beginbfrange)([\s\S]*?)end(bfchar|bfrange))");
  static const std::regex charPair(R"(<([0-9A-Fa-f]+)>\s*<([0-9A-Fa-f]+)>)");
  static const std::regex range(R"(<([0-9A-Fa-f]+)>\s*<([0-9A-Fa-f]+)>\s*(<[0-9A-Fa-f]+>|\[[^\]]*\]))");
  static const std::regex hexItem(R"(<([0-9A-Fa-f]+)>)");
  for (std::sregex_iterator b(cmap.begin(), cmap.end(), block), end; b != end; ++b) {
    const std::string body = (*b)[2];
    if ((*b)[1] == "beginbfchar") {
      for (std::sregex_iterator p(body.begin(), body.end(), charPair); p != end; ++p)
        map[std::stoul((*p)[1], nullptr, 16)] = utf16Hex((*p)[2]);
      continue;
    }
    for (std::sregex_iterator r(body.begin(), body.end(), range); r != end; ++r) {
      const unsigned lo = std::stoul((*r)[1], nullptr, 16), hi = std::stoul((*r)[2], nullptr, 16);
      const std::string target = (*r)[3];
      if (target[0] == '<') {
        const std::string hex = target.substr(1, target.size() - 2);
        const unsigned first = std::stoul(hex.substr(hex.size() - 4), nullptr, 16);
        const std::string prefix = hex.substr(0, hex.size() - 4);
        for (unsigned c = lo; c <= hi; ++c) {
          char last[5];
          std::snprintf(last, sizeof last, "%04X", first + (c - lo));
          map[c] = utf16Hex(prefix + last);
        }
      } else {
        unsigned c = lo;
        for (std::sregex_iterator h(target.begin(), target.end(), hexItem); h != end && c <= hi; ++h, ++c)
          map[c] = utf16Hex((*h)[1]);
      }
    }
  }
  return map;
}

inline std::string pdfText(const std::string& pdf) {
  std::vector<ToUnicode> maps;
  std::vector<std::string> contents;
  for (std::size_t at = pdf.find("stream"); at != std::string::npos; at = pdf.find("stream", at + 6)) {
    if (at >= 3 && pdf.compare(at - 3, 3, "end") == 0) continue;
    std::size_t start = at + 6;
    if (pdf.compare(start, 2, "\r\n") == 0) start += 2;
    else if (start < pdf.size() && pdf[start] == '\n') start += 1;
    else continue;
    const std::size_t stop = pdf.find("endstream", start);
    if (stop == std::string::npos) break;
    const std::size_t dict = pdf.rfind("obj", at);
    const bool flate = dict != std::string::npos && pdf.substr(dict, at - dict).find("/FlateDecode") != std::string::npos;
    std::string data = pdf.substr(start, stop - start);
    if (flate) data = inflateStream(data);
    if (data.find("begincmap") != std::string::npos) maps.push_back(parseCMap(data));
    else if (data.find("BT") != std::string::npos) contents.push_back(data);
    at = stop;
  }
  std::string text;
  static const std::regex textBlock(R"(\bBT\b([\s\S]*?)\bET\b)");
  static const std::regex glyphs(R"(<([0-9A-Fa-f]*)>\s*Tj)");
  for (const auto& content : contents) {
    for (std::sregex_iterator b(content.begin(), content.end(), textBlock), end; b != end; ++b) {
      const std::string body = (*b)[1];
      std::vector<unsigned> codes;
      for (std::sregex_iterator g(body.begin(), body.end(), glyphs); g != end; ++g) {
        const std::string hex = (*g)[1];
        for (std::size_t i = 0; i + 4 <= hex.size(); i += 4) codes.push_back(std::stoul(hex.substr(i, 4), nullptr, 16));
      }
      // The block's font is the one whose map knows every code.
      for (const auto& map : maps) {
        std::string line;
        bool all = !codes.empty();
        for (unsigned c : codes) {
          auto found = map.find(c);
          if (found == map.end()) {
            all = false;
            break;
          }
          // Qt maps the space glyph to a tab; extractors show it as a blank.
          line += found->second == "\t" ? std::string(" ") : found->second;
        }
        if (all) text += line + "\n";
      }
    }
  }
  return text;
}

}  // namespace
