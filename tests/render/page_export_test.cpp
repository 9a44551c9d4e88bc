// The page written as PNG, PDF and SVG from the land-use sample map.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <set>

#include "apps/carrowind-map/render/page_drawing.h"
#include "apps/carrowind-map/render/page_export.h"
#include "mapdoc/atomic_file.h"
#include "mapdoc/document.h"
#include "pdf_text.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace carrowind::render;

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Every string the SVG writes in its <text> elements.
std::set<QString> svgTexts(const QByteArray& svg) {
  std::set<QString> out;
  QXmlStreamReader xml(svg);
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
      out.insert(xml.readElementText(QXmlStreamReader::IncludeChildElements));
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return out;
}

class PageExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_render_");
    document = mapdoc::MapDocument::open(fs::path(CW_SOURCE_DIR) / "examples/landuse.cwmap");
  }
  void TearDown() override {
    mapdoc::failNextWriteAfter(-1);
    fs::remove_all(dir);
  }
  fs::path dir;
  host::Ref<mapdoc::MapDocument> document;
};

TEST_F(PageExportTest, FormatFollowsTheExtensionInAnyCase) {
  EXPECT_EQ(pageFormatFor("a/page.png"), PageFormat::Png);
  EXPECT_EQ(pageFormatFor("page.PDF"), PageFormat::Pdf);
  EXPECT_EQ(pageFormatFor("page.Svg"), PageFormat::Svg);
  EXPECT_FALSE(pageFormatFor("page.jpg"));
  EXPECT_FALSE(pageFormatFor("page"));
  EXPECT_FALSE(pageFormatFor("png"));
}

TEST_F(PageExportTest, PngHasThePageSizeAtTheResolutionAndShowsTheClassColours) {
  const fs::path out = dir / "page.png";
  const double dpi = 100;
  const auto problems = exportPage(*document, out, PageFormat::Png, dpi);
  EXPECT_TRUE(problems.empty()) << problems.front();
  const std::string bytes = readAll(out);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(out.string()), "PNG"));
  const QSizeF inches = pageSizeInches(*document);
  EXPECT_EQ(image.width(), static_cast<int>(std::ceil(inches.width() * dpi)));
  EXPECT_EQ(image.height(), static_cast<int>(std::ceil(inches.height() * dpi)));
  EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, dpi, 0.5);

  // The land-use fills are drawn in the map frame, not only in the legend.
  const QRectF frame = mapFrameRect(*document);
  const double px = dpi / 72.0;
  std::map<QRgb, int> inMap;
  for (int y = static_cast<int>(frame.top() * px); y < static_cast<int>(frame.bottom() * px); y += 2)
    for (int x = static_cast<int>(frame.left() * px); x < static_cast<int>(frame.right() * px); x += 2)
      ++inMap[image.pixel(x, y) & 0xFFFFFF];
  for (QRgb fill : {0xE6C36Bu, 0xE35D5Du, 0x6BBF59u, 0xF2E394u}) {
    EXPECT_GT(inMap[fill], 20) << std::hex << fill;
  }
}

TEST_F(PageExportTest, PdfKeepsTheLabelsAsText) {
  const fs::path out = dir / "page.pdf";
  exportPage(*document, out, PageFormat::Pdf);
  const std::string bytes = readAll(out);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  const std::string text = pdfText(bytes);
  for (const char* label : {"Agricultural", "Women's Center", "1.2 - 2.5", "Legend", "Land use"}) {
    EXPECT_NE(text.find(label), std::string::npos) << label << " not in: " << text.substr(0, 400);
  }
}

TEST_F(PageExportTest, SvgWritesEveryLegendLabelAsTextElements) {
  const fs::path out = dir / "page.svg";
  exportPage(*document, out, PageFormat::Svg, 300);
  const std::string bytes = readAll(out);
  ASSERT_NE(bytes.find("<svg"), std::string::npos);
  const auto texts = svgTexts(QByteArray::fromStdString(bytes));
  for (const char* label : {"Agricultural", "Crèche", "Women's Center", "<all other values>", "6 - 8.5",
                            "Seven seas (open ocean)", "Parcel size", "Countries"}) {
    EXPECT_TRUE(texts.count(QString::fromUtf8(label))) << label;
  }
}

TEST_F(PageExportTest, AFailedExportLeavesTheOldFileWhole) {
  for (auto format : {PageFormat::Png, PageFormat::Pdf, PageFormat::Svg}) {
    const fs::path out = dir / "page.out";
    std::ofstream(out, std::ios::binary) << "the old export";
    mapdoc::failNextWriteAfter(64);
    EXPECT_THROW(exportPage(*document, out, format), std::runtime_error);
    EXPECT_EQ(readAll(out), "the old export");
    // Nothing left behind beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  }
  EXPECT_THROW(exportPage(*document, dir / "no such folder" / "page.png", PageFormat::Png), std::runtime_error);
  EXPECT_FALSE(fs::exists(dir / "no such folder"));
}

TEST_F(PageExportTest, ResolutionOutsideTheRangeIsRefusedBeforeDrawing) {
  const fs::path out = dir / "page.png";
  for (double dpi : {0.0, -5.0, kMinDpi - 1, kMaxDpi + 1, std::nan("")}) {
    EXPECT_THROW(exportPage(*document, out, PageFormat::Png, dpi), PageExportError) << dpi;
  }
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
