#pragma once
// Opening the document and the layer a command names, with the one-line
// errors the commands report.
#include <filesystem>
#include <string>
#include <vector>

#include "apps/carrowind/document_options.h"
#include "host/host.h"
#include "mapdoc/document.h"
#include "mapdoc/document_lock.h"

namespace carrowind::cli {

// Throws an input error for a missing file or a document that cannot be read.
host::Ref<mapdoc::MapDocument> openDocument(const DocumentArg& document);

// For a command that writes the document (or output, when given): the
// locks it holds from reading to writing, so that two commands at once
// never lose either's work (see mapdoc/document_lock.h). Throws a failure
// (exit 1) when another command keeps the file too long.
std::vector<mapdoc::DocumentLock> lockForWriting(const DocumentArg& document, const std::string& output = {});
// The same for files a command writes without reading them first.
std::vector<mapdoc::DocumentLock> lockFiles(std::vector<std::filesystem::path> files);

// The layer named exactly so; throws an input error listing the layers
// there are when there is none, and when two have the name (a QGIS project
// may have that).
host::Ref<host::ILayer> findLayer(mapdoc::MapDocument& document, const std::string& name);

// The layer as a feature layer; throws an input error for raster and group
// layers and for layers whose data cannot be opened.
host::Ref<host::IFeatureLayer> featureLayer(host::ILayer* layer);

// The table the layer shows (joined fields included).
host::Ref<host::ITable> displayTable(host::ILayer* layer);

// The position of a field in a table's fields; throws an input error that
// lists the table's fields when there is none of that name.
int findField(host::ITable* table, const std::string& field);

std::string layerName(host::ILayer* layer);

// Why the layer's legend cannot be labelled, when its renderer tells ("" if
// it does not).
std::string unlabelledReason(host::ILayer* layer);

// For labels from expression on a QGIS layer that only QGIS can fully read
// (classes on an expression or by rules, virtual fields, a provider we do
// not read): QGIS hands its records and classes over, which the layer reads
// from then on. everyRecord: without the layer's filter. "" when done or
// not needed; else why it could not be (QGIS not installed, say).
std::string readThroughQgis(mapdoc::MapDocument& document, host::ILayer* layer, const std::u16string& expression,
                            bool everyRecord);

// After labels changed: the contents view refreshed, the document marked
// changed and the page layout's legends re-fitted.
void labelsChanged(mapdoc::MapDocument& document);

// Saves atomically over the document's file, or to output when given,
// writing through symbolic links. Throws a CommandError that names the
// file: an input error (exit 2), with nothing written, for a dangling link
// and, unless force, for a file whose permissions forbid writing; exit 1
// when writing fails.
void saveDocument(mapdoc::MapDocument& document, const std::string& output, bool force = false);
// The checks saveDocument makes before writing, for commands to fail early.
// Refuses what refuseForeignName and refuseOwnData refuse too.
void checkWritable(const mapdoc::MapDocument& document, const std::string& output, bool force);

// Throws an input error, before anything is written, when file is one of
// the document's own data: a layer's data file or joined table, a file its
// driver reads beside it (a shapefile's .dbf, .shx, ...; a GeoPackage's
// -wal), or a file in a data folder; compared as the files reached,
// through symbolic links.
void refuseOwnData(const mapdoc::MapDocument& document, const std::filesystem::path& file);

// Throws an input error when file's name does not fit the document: a map
// document of our own under a QGIS file name (.qgs, .qgz, .qml), or a QGIS
// file under a name of another kind.
void refuseForeignName(const mapdoc::MapDocument& document, const std::filesystem::path& file);

}  // namespace carrowind::cli
