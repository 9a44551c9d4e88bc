#include "apps/carrowind-map/render/page_export.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>

#include "apps/carrowind-map/render/page_drawing.h"
#include "mapdoc/atomic_file.h"

namespace carrowind::render {
namespace {

// Vector formats are drawn at this resolution; their coordinates are
// numbers, so it only sets the grain of positions.
constexpr int kPdfResolution = 600;
constexpr int kSvgResolution = 72;
// A PNG's pixels at most (about 1 GB of memory at 4 bytes a pixel).
constexpr double kMaxPixels = 256.0 * 1024 * 1024;

QByteArray renderPng(mapdoc::MapDocument& document, double dpi, std::vector<std::string>& problems) {
  const QSizeF inches = pageSizeInches(document);
  const double w = std::ceil(inches.width() * dpi), h = std::ceil(inches.height() * dpi);
  if (w < 1 || h < 1 || w * h > kMaxPixels)
    throw PageExportError("the page at " + std::to_string(static_cast<int>(dpi)) + " dpi is too large for an image");
  QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB32);
  if (image.isNull()) throw std::runtime_error("not enough memory for a page image this large");
  const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    problems = drawPage(painter, document, dpi);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) throw std::runtime_error("the image cannot be encoded: " + writer.errorString().toStdString());
  return bytes;
}

QByteArray renderPdf(mapdoc::MapDocument& document, std::vector<std::string>& problems) {
  const QSizeF inches = pageSizeInches(document);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setPageSize(QPageSize(inches, QPageSize::Inch, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator(QStringLiteral("carrowind"));
    writer.setTitle(QString::fromStdU16String(document.Title()));
    QPainter painter;
    if (!painter.begin(&writer)) throw std::runtime_error("the PDF cannot be started");
    problems = drawPage(painter, document, kPdfResolution);
    painter.end();
  }
  if (bytes.isEmpty()) throw std::runtime_error("the PDF came out empty");
  return bytes;
}

QByteArray renderSvg(mapdoc::MapDocument& document, std::vector<std::string>& problems) {
  const QSizeF inches = pageSizeInches(document);
  const QSize size(static_cast<int>(std::ceil(inches.width() * kSvgResolution)),
                   static_cast<int>(std::ceil(inches.height() * kSvgResolution)));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setResolution(kSvgResolution);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(QString::fromStdU16String(document.Title()));
    QPainter painter;
    if (!painter.begin(&generator)) throw std::runtime_error("the SVG cannot be started");
    problems = drawPage(painter, document, kSvgResolution);
    painter.end();
  }
  if (bytes.isEmpty()) throw std::runtime_error("the SVG came out empty");
  return bytes;
}

}  // namespace

std::optional<PageFormat> pageFormatFor(const std::filesystem::path& file) {
  const QString ext = QString::fromStdString(file.extension().string()).toLower();
  if (ext == QLatin1String(".png")) return PageFormat::Png;
  if (ext == QLatin1String(".pdf")) return PageFormat::Pdf;
  if (ext == QLatin1String(".svg")) return PageFormat::Svg;
  return std::nullopt;
}

RenderedPage renderPage(mapdoc::MapDocument& document, PageFormat format, double dpi) {
  if (!(dpi >= kMinDpi && dpi <= kMaxDpi))
    throw PageExportError("the resolution must be from " + std::to_string(static_cast<int>(kMinDpi)) + " to " +
                          std::to_string(static_cast<int>(kMaxDpi)) + " dpi");
  RenderedPage page;
  switch (format) {
    case PageFormat::Png:
      page.bytes = renderPng(document, dpi, page.problems);
      break;
    case PageFormat::Pdf:
      page.bytes = renderPdf(document, page.problems);
      break;
    case PageFormat::Svg:
      page.bytes = renderSvg(document, page.problems);
      break;
  }
  return page;
}

std::vector<std::string> exportPage(mapdoc::MapDocument& document, const std::filesystem::path& file, PageFormat format,
                                    double dpi) {
  RenderedPage page = renderPage(document, format, dpi);
  mapdoc::writeFileAtomically(file, std::string_view(page.bytes.constData(), static_cast<std::size_t>(page.bytes.size())));
  return std::move(page.problems);
}

}  // namespace carrowind::render
