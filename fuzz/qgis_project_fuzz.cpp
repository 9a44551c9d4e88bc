// Reads arbitrary bytes as a QGIS project from a file, .qgs (XML) or, for
// bytes that open like a zip archive, .qgz, and prints its legends as
// `carrowind legend` does. A project that was read must save (as `carrowind
// apply` saves labels back into it) as a file that reads again with the
// same legends, and with no label changed a .qgs saves as the very bytes it
// was read from. DocumentError is the one way to refuse.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/check.h"
#include "fuzz/legend_text.h"
#include "fuzz/scratch_file.h"
#include "mapdoc/document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::clearScratchDir();
  const bool zipped = size >= 2 && std::memcmp(data, "PK", 2) == 0;
  const std::string extension = zipped ? ".qgz" : ".qgs";
  const auto file = fuzzing::writeScratchFile("input" + extension, data, size);
  const auto doc = fuzzing::openedOrNone(file);
  if (!doc) return 0;
  const std::string legend = fuzzing::legendText(*doc);

  const auto saved = fuzzing::scratchDir() / ("saved" + extension);
  try {
    doc->saveAs(saved);
  } catch (const mapdoc::DocumentError& e) {
    fuzzing::fail("a project that was read does not save", e.what());
  }
  host::Ref<mapdoc::MapDocument> reread;
  try {
    reread = mapdoc::MapDocument::open(saved);
  } catch (const mapdoc::DocumentError& e) {
    fuzzing::fail("a saved project does not read again", e.what());
  }
  if (const std::string again = fuzzing::legendText(*reread); again != legend)
    fuzzing::fail("a saved project shows other legends", legend, again);
  if (!zipped) {
    const std::string_view read(reinterpret_cast<const char*>(data), size);
    if (const std::string written = fuzzing::readScratchFile(saved); written != read)
      fuzzing::fail("saving a project with no label changed changes the file", read, written);
  }
  return 0;
}
