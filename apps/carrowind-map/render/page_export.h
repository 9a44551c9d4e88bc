#pragma once
// The page written to a file: PNG at a resolution, PDF and SVG with their
// text kept as text. Files are replaced atomically, so a failed export
// leaves an existing file whole.
#include <QByteArray>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "mapdoc/document.h"

namespace carrowind::render {

enum class PageFormat { Png, Pdf, Svg };

// By the file's extension, in any letter case; empty for others.
std::optional<PageFormat> pageFormatFor(const std::filesystem::path& file);

constexpr double kDefaultDpi = 150;
constexpr double kMinDpi = 10;
constexpr double kMaxDpi = 1200;

// Bad input (a resolution out of range, a page too large to hold).
class PageExportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RenderedPage {
  QByteArray bytes;
  std::vector<std::string> problems;  // layers left out, one line each
};

// dpi sets a PNG's pixels; PDF and SVG are drawn at their own resolution
// and scale without loss. Throws PageExportError for a dpi outside
// [kMinDpi, kMaxDpi] and std::runtime_error when drawing fails.
RenderedPage renderPage(mapdoc::MapDocument& document, PageFormat format, double dpi = kDefaultDpi);

// Renders and writes to file atomically. Throws as renderPage, and
// std::runtime_error naming the file when it cannot be written.
std::vector<std::string> exportPage(mapdoc::MapDocument& document, const std::filesystem::path& file, PageFormat format,
                                    double dpi = kDefaultDpi);

}  // namespace carrowind::render
