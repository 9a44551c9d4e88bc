#!/usr/bin/python3
"""The records QGIS reads for a layer, and the program's, are the same:
layers built with PyQGIS over small generated data and copies of the sample
data are saved in a project, labelled by `carrowind apply --dry-run`, and
every class's numbers are held against those QGIS computes over the features
its own feature counter puts in the class.

- open options in the source (a CSV read with AUTODETECT_TYPE and X/Y
  columns) and a layer named by position (|layerid=N);
- joins whose joined layer repeats keys or holds keys of another type, with
  and without QGIS's memory cache, through the joined layer's filter and
  with a subset of its fields: one feature per class, so that each class's
  label is the one joined value QGIS gives that feature;
- a layer filter that is a whole SELECT statement, on a Shapefile (OGR SQL)
  and a GeoPackage (SQLite): records, fields, and feature IDs (a selection
  handed over by QGIS's IDs gives QGIS's sums).

Usage: qgis_sources_test.py CARROWIND EXAMPLES_DATA. Exits 77 (skipped) when
PyQGIS is not installed."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
try:
    from osgeo import ogr
    from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsExpressionContext, QgsMapLayer,
                           QgsProject, QgsRendererCategory, QgsSymbol, QgsVectorLayer, QgsVectorLayerFeatureCounter,
                           QgsVectorLayerJoinInfo)
except ImportError:
    print("PyQGIS is not installed; skipped")
    sys.exit(77)

from harness import check, run  # noqa: E402

CARROWIND, DATA = os.path.abspath(sys.argv[1]), sys.argv[2]


def carrowind(*args):
    done = subprocess.run([CARROWIND, *args], capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


def labels_from(name, *args):
    """The labels `carrowind apply --dry-run --json` makes, or None."""
    code, out, err = carrowind("apply", *args, "--dry-run", "--json")
    check(code == 0, f"{name}: carrowind exited {code}: {err.strip()} {out.strip()}")
    return json.loads(out)["labels"] if code == 0 else None


def categorized(layer, field, values):
    cats = [QgsRendererCategory(v, QgsSymbol.defaultSymbol(layer.geometryType()), str(v)) for v in values]
    layer.setRenderer(QgsCategorizedSymbolRenderer(field, cats))


def qgis_classes(layer):
    """Per legend item, the features QGIS's own counter puts in it."""
    counter = QgsVectorLayerFeatureCounter(layer, QgsExpressionContext(), True)
    counter.run()
    features = {f.id(): f for f in layer.getFeatures()}
    return [[features[i] for i in sorted(counter.featureIds(item.ruleKey()))]
            for item in layer.renderer().legendSymbolItems()]


def value(feature, field):
    v = feature[field]
    return None if v is None or (hasattr(v, "isNull") and v.isNull()) else v


def expect_sums(name, labels, classes, field, selected=None):
    """Labels made by "[x].Count|[field].Sum" against QGIS's classes (only
    the selected features when a selection is given)."""
    if labels is None:
        return
    check(len(labels) == len(classes), f"{name}: {len(labels)} labels for {len(classes)} classes")
    for i, (label, features) in enumerate(zip(labels, classes)):
        if selected is not None:
            features = [f for f in features if f.id() in selected]
        if not features:
            continue  # a class without records keeps its label
        total = sum(value(f, field) or 0 for f in features)
        parts = label.split("|")
        check(len(parts) == 2 and parts[0] == str(len(features)) and abs(float(parts[1]) - total) < 0.006,
              f"{name}: class {i}: {label!r}, QGIS has {len(features)} records summing {total:.2f}")


def write_layer(path, name, fields, rows, geometry=ogr.wkbPoint):
    """A layer of generated records: fields [(name, OGR type)], rows of values."""
    driver = "GPKG" if path.endswith(".gpkg") else "ESRI Shapefile"
    ds = ogr.Open(path, 1) if os.path.exists(path) else ogr.GetDriverByName(driver).CreateDataSource(path)
    layer = ds.CreateLayer(name, None, geometry)
    for field, kind in fields:
        layer.CreateField(ogr.FieldDefn(field, kind))
    for i, row in enumerate(rows):
        f = ogr.Feature(layer.GetLayerDefn())
        for (field, _), v in zip(fields, row):
            if v is not None:
                f.SetField(field, v)
        if geometry != ogr.wkbNone:
            point = ogr.Geometry(ogr.wkbPoint)
            point.AddPoint_2D(i, i)
            f.SetGeometry(point)
        layer.CreateFeature(f)
    ds = None


def save(project, folder, name):
    path = os.path.join(folder, name)
    assert project.write(path), path
    return path


def open_options_and_layer_numbers(folder):
    with open(os.path.join(folder, "towns.csv"), "w") as f:
        f.write("id,x,y,KIND,POP\n1,1,1,a,10\n2,2,2,b,20\n3,3,3,a,012\n4,4,4,b,5\n5,5,5,c,7\n")
    path = os.path.join(folder, "two.gpkg")
    for name, rows in (("first", [("u", 1), ("v", 2)]), ("second", [("u", 10), ("u", 20), ("w", 40)])):
        write_layer(path, name, [("N", ogr.OFTString), ("V", ogr.OFTInteger)], rows)

    project = QgsProject()
    towns = QgsVectorLayer(os.path.join(folder, "towns.csv") + "|option:AUTODETECT_TYPE=YES"
                           "|option:X_POSSIBLE_NAMES=x|option:Y_POSSIBLE_NAMES=y", "towns", "ogr")
    second = QgsVectorLayer(path + "|layerid=1", "second", "ogr")
    for layer in (towns, second):
        assert layer.isValid(), layer.name()
    check(towns.fields().field("POP").typeName() == "Integer", "QGIS reads POP as an integer with AUTODETECT_TYPE")
    categorized(towns, "KIND", ["a", "b", "c"])
    categorized(second, "N", ["u", "w"])
    project.addMapLayers([towns, second])
    qgs = save(project, folder, "options.qgs")
    expect_sums("open options", labels_from("open options", qgs, "--layer", "towns", "--expr", "[KIND].Count|[POP].Sum"),
                qgis_classes(towns), "POP")
    expect_sums("layerid=1", labels_from("layerid=1", qgs, "--layer", "second", "--expr", "[N].Count|[V].Sum"),
                qgis_classes(second), "V")

    # a layer style's --data takes the same source text
    style = os.path.join(folder, "towns.qml")
    towns.saveNamedStyle(style, QgsMapLayer.Symbology)
    expect_sums("open options in --data",
                labels_from("open options in --data", style, "--data", towns.source(), "--layer", "towns",
                            "--expr", "[KIND].Count|[POP].Sum"),
                qgis_classes(towns), "POP")


# Keys QGIS was seen to match differently by mode: repeated keys, "012" and
# " 12" against 12, 7.0 against "7.0", reals written in exponent form, case,
# a null, an empty text.
JOIN_KEYS = ["1", "1", "12", "012", " 12", "02", "7.0", "1e+06", "1000000", "abc", "ABC", "", None, "0", "1",
             "2020-01-02", "0.5", "1.2e+07", "12000000"]
SITES = [  # NAME, KEY (Integer), TKEY (String), RKEY (Real), D (Date)
    ("s1", 1, "1", 1.0, "2020-01-02"), ("s2", 2, "02", 2.0, None), ("s12", 12, "012", 12.0, None),
    ("s7", 7, "7.0", 7.0, None), ("s0", 0, "", 0.5, None), ("snull", None, None, None, None),
    ("smillion", 1000000, "abc", 1000000.0, None), ("sbig", 12000000, "ABC", 12000000.0, None),
]


def joins(folder):
    write_layer(os.path.join(folder, "sites.shp"), "sites",
                [("NAME", ogr.OFTString), ("KEY", ogr.OFTInteger), ("TKEY", ogr.OFTString), ("RKEY", ogr.OFTReal),
                 ("D", ogr.OFTDate)], SITES)
    with open(os.path.join(folder, "keys.csv"), "w") as f:  # no .csvt: every column is text
        f.write("K,V,W\n" + "".join(f'{"" if k is None else chr(34) + k + chr(34)},v{i},{i}\n'
                                    for i, k in enumerate(JOIN_KEYS)))
    write_layer(os.path.join(folder, "keys.gpkg"), "keys", [("K", ogr.OFTString), ("V", ogr.OFTString)],
                [(k, f"v{i}") for i, k in enumerate(JOIN_KEYS)], ogr.wkbNone)

    project = QgsProject()
    tables = {"csv": QgsVectorLayer(os.path.join(folder, "keys.csv"), "kc", "ogr"),
              "gpkg": QgsVectorLayer(os.path.join(folder, "keys.gpkg") + "|layername=keys", "kg", "ogr"),
              "filtered": QgsVectorLayer(os.path.join(folder, "keys.csv"), "kf", "ogr")}
    tables["filtered"].setSubsetString("\"W\" <> '14'")  # the joined layer's filter drops a repeated key's row
    project.addMapLayers(list(tables.values()))
    layers = []
    for table, target, cached, subset in [(t, k, c, False) for t in ("csv", "gpkg") for k in ("KEY", "TKEY", "RKEY", "D")
                                          for c in (True, False)] + [("filtered", "KEY", True, True),
                                                                     ("filtered", "KEY", False, True)]:
        layer = QgsVectorLayer(os.path.join(folder, "sites.shp"), f"{table} {target} {cached} {subset}", "ogr")
        join = QgsVectorLayerJoinInfo()
        join.setJoinLayer(tables[table])
        join.setJoinFieldName("K")
        join.setTargetFieldName(target)
        join.setUsingMemoryCache(cached)
        join.setPrefix("j_")
        if subset:
            join.setJoinFieldNamesSubset(["V"])
        project.addMapLayer(layer)
        assert layer.addJoin(join), layer.name()
        categorized(layer, "NAME", [s[0] for s in SITES])  # one feature a class
        layers.append(layer)
    qgs = save(project, folder, "joins.qgs")
    for layer in layers:
        labels = labels_from(layer.name(), qgs, "--layer", layer.name(), "--expr", "[j_V].First")
        if labels is None:
            continue
        for label, features in zip(labels, qgis_classes(layer)):
            want = value(features[0], "j_V") or ""
            check(label == want, f"join {layer.name()}: {features[0]['NAME']} ({features[0][layer.name().split()[1]]!r})"
                                 f" is joined to {label!r}, QGIS joins {want!r}")

    # summed over many records: the sample parcels joined to owners whose ids repeat
    shutil.copy(os.path.join(DATA, "owners.csv"), os.path.join(folder, "owners2.csv"))
    with open(os.path.join(folder, "owners2.csv")) as f:
        rows = f.read().splitlines()
    with open(os.path.join(folder, "owners2.csv"), "w") as f:
        f.write(rows[0] + ",SHARE\n" + "".join(f"{r},{i}\n" for i, r in enumerate(rows[1:] + rows[1:10], 1)))
    with open(os.path.join(folder, "owners2.csvt"), "w") as f:
        f.write("String,String,String,Integer\n")
    project = QgsProject()
    owners = QgsVectorLayer(os.path.join(folder, "owners2.csv"), "owners", "ogr")
    project.addMapLayer(owners)
    parcels = []
    for cached in (True, False):
        layer = QgsVectorLayer(os.path.join(folder, "landuse.shp"), f"parcels {cached}", "ogr")
        join = QgsVectorLayerJoinInfo()
        join.setJoinLayer(owners)
        join.setJoinFieldName("OWNER_ID")
        join.setTargetFieldName("OWNER_ID")
        join.setUsingMemoryCache(cached)
        project.addMapLayer(layer)
        layer.addJoin(join)
        categorized(layer, "USE", sorted({f["USE"] for f in layer.getFeatures() if value(f, "USE")}))
        parcels.append(layer)
    qgs = save(project, folder, "owners.qgs")
    for layer in parcels:
        expect_sums(layer.name(), labels_from(layer.name(), qgs, "--layer", layer.name(), "--expr",
                                              "[USE].Count|[owners_SHARE].Sum"),
                    qgis_classes(layer), "owners_SHARE")


def statements(folder):
    project = QgsProject()
    cases = [
        ("shp", "landuse.shp", 'SELECT * FROM "landuse" WHERE "ACRES" > 5', "ACRES"),
        ("shp reordered", "landuse.shp", "select USE, ACRES * 2 AS A2 FROM landuse WHERE ACRES > 3 ORDER BY ACRES DESC",
         "A2"),
        ("gpkg", "landuse.gpkg|layername=landuse", "SELECT * FROM landuse WHERE abs(ACRES) > 5", "ACRES"),
        ("gpkg without fid", "landuse.gpkg|layername=landuse",
         "SELECT geom, USE, ACRES * 2 AS A2 FROM landuse WHERE ACRES > 3 ORDER BY ACRES DESC", "A2"),
    ]
    layers = []
    for name, source, statement, field in cases:
        layer = QgsVectorLayer(os.path.join(folder, source), name, "ogr")
        assert layer.setSubsetString(statement), name
        categorized(layer, "USE", sorted({f["USE"] for f in layer.getFeatures() if value(f, "USE")}))
        project.addMapLayer(layer)
        layers.append((layer, field))
    qgs = save(project, folder, "statements.qgs")
    for layer, field in layers:
        name = layer.name()
        classes = qgis_classes(layer)
        expect_sums(name, labels_from(name, qgs, "--layer", name, "--expr", f"[USE].Count|[{field}].Sum"),
                    classes, field)
        code, out, err = carrowind("fields", qgs, "--layer", name, "--json")
        check(code == 0, f"{name}: fields: {err}")
        if code == 0:
            shown = [f["name"] for f in json.loads(out) if f["type"] not in (6, 7)]
            want = [f.name() for f in layer.fields() if f.name() != "fid"]
            check(shown == want, f"{name}: fields {shown}, QGIS shows {want}")
        # the statement is the layer's data, not a definition query to leave out
        check(labels_from(name + " (all records)", qgs, "--layer", name, "--records", "all", "--expr",
                          f"[USE].Count|[{field}].Sum") == labels_from(name, qgs, "--layer", name, "--expr",
                                                                         f"[USE].Count|[{field}].Sum"),
              f"{name}: --records all reads other records than the statement's")

        # QGIS's feature IDs name the same records here
        picked = sorted(f.id() for f in layer.getFeatures())[1::3]
        layer.selectByIds(picked)
        style = os.path.join(folder, "statement.qml")
        layer.saveNamedStyle(style, QgsMapLayer.Symbology)
        ids = os.path.join(folder, "selection.txt")
        with open(ids, "w") as f:
            f.write("\n".join(map(str, picked)))
        expect_sums(name + " (selection)",
                    labels_from(name + " (selection)", style, "--data", layer.source(), "--layer", "statement",
                                "--selection-file", ids, "--records", "selection", "--expr",
                                f"[USE].Count|[{field}].Sum"),
                    classes, field, set(picked))


def main():
    QgsApplication.setPrefixPath("/usr", True)
    app = QgsApplication([], False)
    app.initQgis()
    folder = tempfile.mkdtemp(prefix="cw_sources_")
    try:
        for name in os.listdir(DATA):
            if name.startswith("landuse."):
                shutil.copy(os.path.join(DATA, name), folder)
        open_options_and_layer_numbers(folder)
        joins(folder)
        statements(folder)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


run(main)
