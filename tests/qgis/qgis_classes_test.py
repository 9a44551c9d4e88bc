#!/usr/bin/python3
"""Classes as QGIS draws them: `carrowind apply` on saved QGIS projects whose
layers QGIS classifies in every way it can (categories compared as QGIS
compares number, text, date and boolean values; merged categories; ranges
with gaps, overlaps and in falling order, over numbers and text; categories
on an expression; nested rules with else rules; virtual fields; a
delimited-text layer), each class's labels checked against the records
QGIS's own feature counter puts in it, in the project as QGIS reads it back.
Also: the refusal, naming the layer and what needs QGIS, where QGIS's Python
module is missing.

Usage: qgis_classes_test.py CARROWIND. Exits 77 (skipped) when PyQGIS is not
installed."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
try:
    from osgeo import ogr, osr
    from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsField, QgsGraduatedSymbolRenderer,
                           QgsProject, QgsRendererCategory, QgsRendererRange, QgsRuleBasedRenderer, QgsSymbol,
                           QgsVectorLayer)
    from qgis.PyQt.QtCore import QVariant
    from qgis.PyQt.QtGui import QColor
except ImportError:
    print("PyQGIS is not installed; skipped")
    sys.exit(77)

from harness import check, run  # noqa: E402
from qgis_reference import expected_fingerprints, fingerprint_expression  # noqa: E402

CARROWIND = os.path.abspath(sys.argv[1])

# N, I, L, R, T, D, DT, B, S: every row a case some class below must place as QGIS does.
ROWS = [
    (1, 3, 1, 1.0, "1", "2020-01-02", "2020-01-02 03:04:05", 1, "1"),
    (2, 1, 3, 1.5, "01", "2020-01-03", "2020-01-02 03:04:06", 0, " 7"),
    (3, -2, -2, 0.1, "a", None, None, None, "8 "),
    (4, None, None, None, "A", "2021-12-31", "2021-12-31 23:59:59", 1, "1e1"),
    (5, 0, 0, -0.0, "", "2020-01-02", "2020-01-02 00:00:00", 0, "abc"),
    (6, 5, 9007199254740993, 1e20, None, "2020-01-02", "2020-01-02 03:04:05", 1, ""),
    (7, 7, 7, 15.0, " a", "2020-01-02", "2020-01-02 03:04:05", 1, None),
    (8, 1, 1, 17.5, "b", "2020-01-02", "2020-01-02 03:04:05", 1, "12,5"),
    (9, 2, 2, 20.0, "c", "2020-01-02", "2020-01-02 03:04:05", 1, "-0"),
    (10, 30, 30, 30.0, "Crèche", "2020-01-02", "2020-01-02 03:04:05", 1, "30"),
    (11, 40, 40, 40.0, "x'y", "2020-01-02", "2020-01-02 03:04:05", 1, "40.0"),
    (12, 50, 50, 50.0, "Women's", "2020-01-02", "2020-01-02 03:04:05", 1, " 50 "),
    (13, 55, 55, 55.0, "z", "2020-01-02", "2020-01-02 03:04:05", 1, "inf"),
    (14, 4, 4, 5.0, "1.0", "2020-01-02", "2020-01-02 03:04:05", 0, "nan"),
]


def write_data(folder):
    path = os.path.join(folder, "values.gpkg")
    ds = ogr.GetDriverByName("GPKG").CreateDataSource(path)
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(4326)
    layer = ds.CreateLayer("v", srs, ogr.wkbPoint)
    types = [("N", ogr.OFTInteger, None), ("I", ogr.OFTInteger, None), ("L", ogr.OFTInteger64, None),
             ("R", ogr.OFTReal, None), ("T", ogr.OFTString, None), ("D", ogr.OFTDate, None),
             ("DT", ogr.OFTDateTime, None), ("B", ogr.OFTInteger, ogr.OFSTBoolean), ("S", ogr.OFTString, None)]
    for name, kind, sub in types:
        defn = ogr.FieldDefn(name, kind)
        if sub is not None:
            defn.SetSubType(sub)
        layer.CreateField(defn)
    for row in ROWS:
        f = ogr.Feature(layer.GetLayerDefn())
        for i, value in enumerate(row):
            if value is not None:
                f.SetField(i, value)
        g = ogr.Geometry(ogr.wkbPoint)
        g.AddPoint_2D(float(row[0]), 0.0)
        f.SetGeometry(g)
        layer.CreateFeature(f)
    ds = None
    with open(os.path.join(folder, "points.csv"), "w", encoding="utf-8") as f:
        f.write("N,KIND,POP,x,y\n")
        for n in range(1, 13):
            f.write(f"{n},{'ab'[n % 2]},{n * 1000},{n}.5,0\n")
    return path


def symbol(layer, color="#808080"):
    s = QgsSymbol.defaultSymbol(layer.geometryType())
    s.setColor(QColor(color))
    return s


def categories(layer, attribute, values, other=True):
    cats = [QgsRendererCategory(v, symbol(layer, f"#{(i * 40) % 256:02x}40a0"), f"orig{i}") for i, v in enumerate(values)]
    if other:
        cats.append(QgsRendererCategory(None, symbol(layer, "#ff0000"), "orig-other"))
    layer.setRenderer(QgsCategorizedSymbolRenderer(attribute, cats))


def ranges(layer, attribute, bounds):
    layer.setRenderer(QgsGraduatedSymbolRenderer(
        attribute, [QgsRendererRange(lo, hi, symbol(layer), f"orig{i}") for i, (lo, hi) in enumerate(bounds)]))


def rules(layer, tree):
    """tree: [(filter, label, [children])]; filter "ELSE" for an else rule."""
    def make(parent, nodes):
        for flt, label, children in nodes:
            r = QgsRuleBasedRenderer.Rule(symbol(layer) if not children else None, 0, 0, flt, label)
            parent.appendChild(r)
            make(r, children)
    root = QgsRuleBasedRenderer.Rule(None)
    make(root, tree)
    layer.setRenderer(QgsRuleBasedRenderer(root))


CASES = {}  # layer name: how it is classified


def case(name, build, source="values"):
    CASES[name] = (build, source)


case("int categories", lambda l: categories(l, "I", ["03", "+1", "1.0", " 2 ", ["5", "7"], "x", "1e0"]))
case("int64 categories", lambda l: categories(l, "L", ["01", "9007199254740993", " -2", "3.0"], other=False))
case("real categories", lambda l: categories(l, "R", ["1", "1.50", " 0.1 ", "-0", "1e+20", "1,5", "15.0"]))
case("text categories", lambda l: categories(l, "T", [1, "a", "A", "Crèche", "x'y", "Women's", " a", "1.0"]))
case("merged categories", lambda l: categories(l, "T", [["a", "b"], ["b", "c"], "z"]))
case("date categories", lambda l: categories(l, "D", ["2020-01-02", "2020-01-03T00:00:00", "2021/12/31"], other=False))
case("datetime categories", lambda l: categories(
    l, "DT", ["2020-01-02T03:04:05", "2020-01-02 03:04:06.000", "2021-12-31T23:59:59Z", "2020-01-02"], other=False))
case("boolean categories", lambda l: categories(l, "B", ["true", "0"], other=True))
case("quoted field categories", lambda l: categories(l, '"T"', ["a", "b"]))
case("gapped ranges", lambda l: ranges(l, "R", [(5, 15), (20, 30), (30, 50)]))
case("falling ranges", lambda l: ranges(l, "R", [(30, 50), (20, 30), (5, 15), (0, 5)]))
case("overlapping ranges", lambda l: ranges(l, "I", [(0, 30), (10, 20), (25, 60), (-5, 0)]))
case("ranges over text", lambda l: ranges(l, "S", [(0, 0), (1, 9), (10, 10), (30, 50), (1e308, float("inf"))]))
case("categories on an expression", lambda l: categories(l, 'left("T", 1)', ["a", "A", "C", "W"]))
case("ranges on an expression", lambda l: ranges(l, '"R" * 2', [(0, 10), (10, 40), (40, 100)]))
case("nested rules", lambda l: rules(l, [
    ('"R" > 10', "big", [('"I" > 35', "big and many", []), ("ELSE", "big and few", [])]),
    ('"T" IS NULL OR "T" = \'\'', "", []),
    ("ELSE", "the rest", []),
]))
case("virtual field categories", lambda l: categories(l, "R2", [2, 3, 30, 40]))
case("delimited text", lambda l: categories(l, "KIND", ["a", "b"]), source="csv")


def make_project(folder, data):
    project = QgsProject()
    for name, (build, source) in CASES.items():
        if source == "csv":
            uri = "file://" + os.path.join(folder, "points.csv") + "?type=csv&xField=x&yField=y&crs=EPSG:4326&detectTypes=yes"
            layer = QgsVectorLayer(uri, name, "delimitedtext")
        else:
            layer = QgsVectorLayer(data + "|layername=v", name, "ogr")
        check(layer.isValid(), f"{name}: QGIS reads the layer")
        if name.startswith("virtual"):
            layer.addExpressionField('"R" * 2', QgsField("R2", QVariant.Double))
        build(layer)
        project.addMapLayer(layer)
    path = os.path.join(folder, "classes.qgs")
    check(project.write(path), "the project is written")
    return path


def carrowind(*args, env=None):
    return subprocess.run([CARROWIND, *args], capture_output=True, text=True, env=env)


UNLABELLED = "no record in any class"


def labels_of(result, name):
    try:
        out = json.loads(result.stdout)
    except ValueError:
        check(False, f"{name}: carrowind printed no JSON: {result.stdout!r} {result.stderr!r}")
        return None
    # Every class keeps its label: a failure, exit 1.
    if result.returncode == 1 and "no record was found for any legend class" in out.get("message", ""):
        return UNLABELLED
    if not out.get("ok"):
        check(False, f"{name}: not labelled: {out.get('message')}")
        return None
    return out["labels"]


def main():
    app = QgsApplication([], False)
    app.initQgis()
    folder = tempfile.mkdtemp(prefix="carrowind_classes_")
    try:
        path = make_project(folder, write_data(folder))
        reread = QgsProject()
        check(reread.read(path), "QGIS reads the project back")
        for layer in reread.mapLayers().values():
            name = layer.name()
            field = "N"
            expected = expected_fingerprints(layer, field)
            before = open(path, "rb").read()
            got = labels_of(carrowind("apply", path, "--layer", name, "--expr", fingerprint_expression(field),
                                      "--json", "--dry-run"), name)
            check(open(path, "rb").read() == before, f"{name}: a dry run writes nothing")
            if got is None:
                continue
            if got == UNLABELLED:
                check(all(e is None for e in expected), f"{name}: no class labelled, yet QGIS draws features in some")
                continue
            got = [None if label.startswith("orig") or label == "" else label for label in got]
            check(len(got) == len(expected), f"{name}: {len(got)} classes, QGIS has {len(expected)}")
            for i, (g, e) in enumerate(zip(got, expected)):
                check(g == e, f"{name}: class {i}: {g!r}, QGIS draws {e!r}")

        # Without QGIS's Python module: a clear refusal, nothing written.
        env = dict(os.environ, CARROWIND_QGIS_PYTHON=shutil.which("true") or "/bin/true")
        no_qgis = os.path.join(folder, "noqgis")
        os.makedirs(no_qgis)
        python = os.path.join(no_qgis, "python3")
        with open(python, "w") as f:
            f.write("#!/bin/sh\necho \"ModuleNotFoundError: No module named 'qgis'\" >&2\nexit 1\n")
        os.chmod(python, 0o755)
        env["CARROWIND_QGIS_PYTHON"] = python
        before = open(path, "rb").read()
        refused = carrowind("apply", path, "--layer", "nested rules", "--expr", "[N].Count", env=env)
        check(refused.returncode == 1, f"refused without QGIS: exit {refused.returncode}")
        check('layer "nested rules"' in refused.stderr and "rule-based" in refused.stderr and
              "python3-qgis" in refused.stderr, f"the refusal names the layer, the rules and QGIS: {refused.stderr!r}")
        check(open(path, "rb").read() == before, "a refusal writes nothing")
        plain = carrowind("apply", path, "--layer", "gapped ranges", "--expr", "[N].Count", "--dry-run", env=env)
        check(plain.returncode == 0, f"a layer we read ourselves needs no QGIS: {plain.stderr!r}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


run(main)
