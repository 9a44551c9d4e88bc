#include "mapdoc/qgis/layer_source.h"

#include <filesystem>
#include <vector>

namespace mapdoc::qgis {
namespace {

LayerSource ogrSource(const std::string& datasource) {
  LayerSource out;
  std::string rest = datasource;
  // The subset is last and may hold "|" itself.
  if (const auto at = rest.find("|subset="); at != std::string::npos) {
    out.subset = rest.substr(at + 8);
    rest.erase(at);
  }
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const auto bar = rest.find('|', start);
    parts.push_back(rest.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  // How the file opens (open options, a layer by number) stays with the
  // path, which is what a document's source keeps (see SourceSpec).
  out.source.path = parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const auto& part = parts[i];
    if (part.rfind("layername=", 0) == 0) out.source.layer = part.substr(10);
    else if (part.rfind("option:", 0) == 0 || (part.rfind("layerid=", 0) == 0 && part != "layerid=0"))
      out.source.path += "|" + part;
    // geometrytype= and uniqueGeometryType= pick what QGIS draws, not the records
  }
  if (parts.front().empty()) out.problem = "the layer's data source is empty";
  const std::filesystem::path path(parts.front());
  out.relativePath = !parts.front().empty() && path.is_relative() && parts.front().rfind("/vsi", 0) != 0;
  return out;
}

// QgsDataSourceUri's connection text: key=value pairs, values bare or in
// single quotes with backslash escapes.
LayerSource postgresSource(const std::string& datasource) {
  LayerSource out;
  std::string connection = "PG:";
  std::string schema, table;
  std::size_t i = 0;
  auto skipSpaces = [&] {
    while (i < datasource.size() && datasource[i] == ' ') ++i;
  };
  auto quoted = [&](char quote) {
    std::string value;
    for (++i; i < datasource.size() && datasource[i] != quote; ++i) {
      if (datasource[i] == '\\' && i + 1 < datasource.size()) ++i;
      value += datasource[i];
    }
    ++i;
    return value;
  };
  auto word = [&] {
    if (i < datasource.size() && (datasource[i] == '\'' || datasource[i] == '"')) return quoted(datasource[i]);
    const auto start = i;
    while (i < datasource.size() && datasource[i] != ' ') ++i;
    return datasource.substr(start, i - start);
  };
  while (true) {
    skipSpaces();
    if (i >= datasource.size()) break;
    const auto eq = datasource.find('=', i);
    if (eq == std::string::npos) break;
    const std::string key = datasource.substr(i, eq - i);
    i = eq + 1;
    if (key == "sql") {
      out.subset = datasource.substr(i);
      break;
    }
    if (key == "table") {
      // "schema"."table" or "table", then an optional (geometry column)
      std::string first = word();
      if (i < datasource.size() && datasource[i] == '.') {
        ++i;
        schema = first;
        table = word();
      } else {
        table = first;
      }
      skipSpaces();
      if (i < datasource.size() && datasource[i] == '(') {
        const auto close = datasource.find(')', i);
        i = close == std::string::npos ? datasource.size() : close + 1;
      }
      continue;
    }
    const std::string value = word();
    if (key == "dbname" || key == "host" || key == "port" || key == "user" || key == "password" ||
        key == "sslmode" || key == "service" || key == "connect_timeout") {
      std::string escaped;
      for (char c : value) {
        if (c == '\'' || c == '\\') escaped += '\\';
        escaped += c;
      }
      connection += (connection.size() > 3 ? " " : "") + key + "='" + escaped + "'";
    }
  }
  out.source.connection = connection;
  out.source.layer = schema.empty() ? table : schema + "." + table;
  if (table.empty()) out.problem = "the PostgreSQL source names no table";
  return out;
}

}  // namespace

LayerSource layerSource(const std::string& provider, const std::string& datasource) {
  if (provider == "ogr") return ogrSource(datasource);
  if (provider == "postgres") return postgresSource(datasource);
  LayerSource out;
  out.source.path = datasource;
  out.problem = "the layer's data comes through QGIS's \"" + provider +
                "\" provider; Carrowind reads OGR (files) and PostgreSQL layers";
  return out;
}

}  // namespace mapdoc::qgis
