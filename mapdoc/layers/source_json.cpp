#include "mapdoc/layers/source_json.h"

namespace mapdoc {
namespace fs = std::filesystem;

SourceSpec readSource(const JsonReader& json, Members& members) {
  members = json.members({"path", "connection", "layer"});
  SourceSpec s;
  if (auto p = json.optional("path")) s.path = p->text();
  if (auto c = json.optional("connection")) s.connection = c->text();
  if (auto l = json.optional("layer")) s.layer = l->text();
  if (s.path.empty() == s.connection.empty()) json.fail("a source has either a \"path\" or a \"connection\"");
  return s;
}

std::string relocatePath(const std::string& path, const fs::path& fromDir, const fs::path& toDir) {
  // Open options and a layer number after the file stay as they are.
  const auto [file, parts] = splitSourcePath(path);
  const fs::path p(file);
  if (p.is_absolute() || fromDir == toDir) return path;
  const fs::path full = (fromDir / p).lexically_normal();
  const fs::path relative = full.lexically_relative(toDir.lexically_normal());
  return (relative.empty() ? full : relative).generic_string() + parts;
}

Json sourceToJson(const SourceSpec& source, const Members& members, const fs::path& baseDir, const SaveContext& context) {
  Json known = Json::object();
  if (!source.connection.empty()) {
    known["connection"] = source.connection;
  } else {
    known["path"] = context.targetDir.empty() ? source.path : relocatePath(source.path, baseDir, context.targetDir);
  }
  if (!source.layer.empty()) known["layer"] = source.layer;
  return composeMembers(members, known);
}

}  // namespace mapdoc
