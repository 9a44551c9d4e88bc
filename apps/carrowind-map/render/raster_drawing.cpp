#include "apps/carrowind-map/render/raster_drawing.h"

#include <gdal_priv.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace carrowind::render {

std::optional<RasterImage> readRaster(const std::string& path, int maxSide) {
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  if (!dataset || dataset->GetRasterCount() < 1) return std::nullopt;
  std::array<double, 6> gt{};
  if (dataset->GetGeoTransform(gt.data()) != CE_None || gt[2] != 0 || gt[4] != 0) return std::nullopt;
  const int cols = dataset->GetRasterXSize(), rows = dataset->GetRasterYSize();
  if (cols <= 0 || rows <= 0) return std::nullopt;
  const double reduce = std::max({1.0, static_cast<double>(cols) / maxSide, static_cast<double>(rows) / maxSide});
  const int w = std::max(1, static_cast<int>(cols / reduce)), h = std::max(1, static_cast<int>(rows / reduce));

  const bool rgb = dataset->GetRasterCount() >= 3;
  const int bands = rgb ? 3 : 1;
  std::vector<std::vector<double>> cells(bands, std::vector<double>(static_cast<std::size_t>(w) * h));
  std::vector<bool> noData(static_cast<std::size_t>(w) * h, false);
  std::array<double, 2> range{0, 255};
  for (int b = 0; b < bands; ++b) {
    GDALRasterBand* band = dataset->GetRasterBand(b + 1);
    if (band->RasterIO(GF_Read, 0, 0, cols, rows, cells[b].data(), w, h, GDT_Float64, 0, 0) != CE_None)
      return std::nullopt;
    int hasNoData = 0;
    const double nd = band->GetNoDataValue(&hasNoData);
    if (hasNoData)
      for (std::size_t i = 0; i < noData.size(); ++i)
        if (cells[b][i] == nd || std::isnan(cells[b][i])) noData[i] = true;
  }
  if (!rgb) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (std::size_t i = 0; i < noData.size(); ++i) {
      if (noData[i] || !std::isfinite(cells[0][i])) continue;
      lo = std::min(lo, cells[0][i]), hi = std::max(hi, cells[0][i]);
    }
    if (lo <= hi) range = {lo, hi};
  }
  const double span = range[1] > range[0] ? range[1] - range[0] : 1;
  auto level = [&](double v) {
    if (rgb) return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
    return std::clamp(static_cast<int>(std::lround((v - range[0]) / span * 255)), 0, 255);
  };

  RasterImage out;
  out.image = QImage(w, h, QImage::Format_ARGB32);
  if (out.image.isNull()) return std::nullopt;
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      if (noData[i]) {
        line[x] = qRgba(0, 0, 0, 0);
      } else if (rgb) {
        line[x] = qRgb(level(cells[0][i]), level(cells[1][i]), level(cells[2][i]));
      } else {
        const int g = level(cells[0][i]);
        line[x] = qRgb(g, g, g);
      }
    }
  }
  const double x0 = gt[0], x1 = gt[0] + gt[1] * cols;
  const double y0 = gt[3], y1 = gt[3] + gt[5] * rows;
  out.extent.add(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
  // A raster stored bottom-up is turned the right way.
  if (gt[5] > 0) out.image = out.image.mirrored(false, true);
  if (gt[1] < 0) out.image = out.image.mirrored(true, false);
  return out;
}

void drawRaster(QPainter& painter, const QTransform& mapToPage, const RasterImage& raster) {
  const QRectF area = mapToPage.mapRect(
      QRectF(QPointF(raster.extent.xmin, raster.extent.ymin), QPointF(raster.extent.xmax, raster.extent.ymax)));
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(area, raster.image);
  painter.restore();
}

}  // namespace carrowind::render
