#include "mapdoc/qgis/zipped_project.h"

#include <zip.h>

#include <ctime>
#include <memory>
#include <stdexcept>

namespace mapdoc::qgis {
namespace {

// Far above any project QGIS writes; a larger claim is a broken or hostile
// archive, not one to hold in memory.
constexpr zip_uint64_t kLargestProject = 512u << 20;

[[noreturn]] void fail(const std::string& what, zip_error_t* error) {
  const std::string reason = error ? zip_error_strerror(error) : "unknown error";
  throw std::runtime_error(what + ": " + reason);
}

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

// The archive read from memory; the bytes must outlive it.
Archive openArchive(const std::string& bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (!source) fail("cannot read the archive", &error);
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!archive) {
    zip_source_free(source);
    fail("not a zip archive", &error);
  }
  return Archive(archive);
}

bool isProjectName(const std::string& name) {
  return name.size() > 4 && name.find('/') == std::string::npos &&
         (name.compare(name.size() - 4, 4, ".qgs") == 0 || name.compare(name.size() - 4, 4, ".QGS") == 0);
}

}  // namespace

ZippedProject unzipProject(const std::string& bytes) {
  auto archive = openArchive(bytes);
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (!name || !isProjectName(name)) continue;
    zip_stat_t st;
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0)
      fail("cannot read the archive", zip_get_error(archive.get()));
    if (st.size > kLargestProject) throw std::runtime_error(std::string(name) + " claims to be larger than 512 MiB");
    zip_file_t* file = zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0);
    if (!file) fail(std::string("cannot read ") + name, zip_get_error(archive.get()));
    std::string text(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t got = zip_fread(file, text.data(), text.size());
    zip_fclose(file);
    if (got < 0 || static_cast<std::size_t>(got) != text.size()) throw std::runtime_error(std::string("cannot read ") + name);
    return {name, std::move(text)};
  }
  throw std::runtime_error("the archive holds no QGIS project (.qgs)");
}

std::string rezipProject(const std::string& bytes, const std::string& member, const std::string& text) {
  auto original = openArchive(bytes);
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!target) fail("cannot build the archive", &error);
  zip_source_keep(target);
  std::unique_ptr<zip_source_t, decltype(&zip_source_free)> targetRef(target, &zip_source_free);
  zip_t* out = zip_open_from_source(target, ZIP_TRUNCATE, &error);
  if (!out) fail("cannot build the archive", &error);
  Archive written(out);

  const zip_int64_t count = zip_get_num_entries(original.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const char* name = zip_get_name(original.get(), index, ZIP_FL_ENC_GUESS);
    zip_stat_t st;
    if (!name || zip_stat_index(original.get(), index, 0, &st) != 0)
      fail("cannot read the archive", zip_get_error(original.get()));
    const std::string entry = name;
    zip_int64_t added;
    if (!entry.empty() && entry.back() == '/') {
      added = zip_dir_add(out, name, ZIP_FL_ENC_GUESS);
    } else {
      const bool replaced = entry == member;
      zip_source_t* source = replaced ? zip_source_buffer(out, text.data(), text.size(), 0)
                                      : zip_source_zip(out, original.get(), index, 0, 0, -1);
      if (!source) fail("cannot build the archive", zip_get_error(out));
      added = zip_file_add(out, name, source, ZIP_FL_ENC_GUESS);
      if (added < 0) zip_source_free(source);
      if (added >= 0 && !replaced && (st.valid & ZIP_STAT_COMP_METHOD))
        zip_set_file_compression(out, static_cast<zip_uint64_t>(added), st.comp_method, 0);
      if (added >= 0)
        zip_file_set_mtime(out, static_cast<zip_uint64_t>(added), replaced ? std::time(nullptr) : st.mtime, 0);
    }
    if (added < 0) fail("cannot build the archive", zip_get_error(out));
  }
  if (zip_close(written.get()) != 0) fail("cannot build the archive", zip_get_error(written.get()));
  written.release();

  if (zip_source_open(target) != 0) fail("cannot read the built archive", zip_source_error(target));
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(target, &st) != 0) {
    zip_source_close(target);
    fail("cannot read the built archive", zip_source_error(target));
  }
  std::string result(static_cast<std::size_t>(st.size), '\0');
  const zip_int64_t got = zip_source_read(target, result.data(), result.size());
  zip_source_close(target);
  if (got < 0 || static_cast<std::size_t>(got) != result.size()) throw std::runtime_error("cannot read the built archive");
  return result;
}

}  // namespace mapdoc::qgis
