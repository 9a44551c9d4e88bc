// Reads arbitrary bytes as a map document (.cwmap) from a file, as
// `carrowind legend` does, prints its legends as the command does and
// writes it back: a document that was read must save as text that reads
// again to the same document with the same legends. DocumentError is the
// one way to refuse.
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "fuzz/legend_text.h"
#include "fuzz/scratch_file.h"
#include "mapdoc/document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::clearScratchDir();
  const auto file = fuzzing::writeScratchFile("input.cwmap", data, size);
  const auto doc = fuzzing::openedOrNone(file);
  if (!doc) return 0;
  const std::string legend = fuzzing::legendText(*doc);
  const std::string saved = doc->toText();

  host::Ref<mapdoc::MapDocument> reread;
  try {
    reread = mapdoc::MapDocument::open(fuzzing::writeScratchFile("saved.cwmap", saved));
  } catch (const mapdoc::DocumentError& e) {
    fuzzing::fail("a saved document does not read again", e.what(), saved);
  }
  if (const std::string again = reread->toText(); again != saved)
    fuzzing::fail("a saved document reads as another", saved, again);
  if (const std::string again = fuzzing::legendText(*reread); again != legend)
    fuzzing::fail("a saved document shows other legends", legend, again);
  return 0;
}
