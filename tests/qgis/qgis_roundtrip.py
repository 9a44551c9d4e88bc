#!/usr/bin/python3
"""Round trip through QGIS itself: projects made with PyQGIS on the sample
data are labelled by `carrowind apply`, then opened in QGIS again, which must
show every new label (in the layers' renderers and the layout's legend, where
the label the user gave a legend item stays theirs), still read and draw every
layer with the same renderer, symbols and features, and hold a file that
differs from the one it wrote only in the classes' label attributes.

With the PostgreSQL test server running (CARROWIND_PG_DIR names its folder),
the projects also hold the sample layer read through QGIS's postgres
provider.

Usage: qgis_roundtrip.py CARROWIND EXAMPLES_DATA. Exits 77 (skipped) when
PyQGIS is not installed."""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
try:
    from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsDataSourceUri,
                           QgsGraduatedSymbolRenderer,
                           QgsLayoutItemLegend, QgsMapLayerLegendUtils, QgsMapRendererSequentialJob, QgsMapSettings,
                           QgsPrintLayout, QgsProject, QgsRendererCategory, QgsRendererRange, QgsSymbol,
                           QgsVectorLayer, QgsVectorLayerJoinInfo)
    from qgis.PyQt.QtCore import QSize, Qt
    from qgis.PyQt.QtGui import QColor
except ImportError:
    print("PyQGIS is not installed; skipped")
    sys.exit(77)

from harness import check, run  # noqa: E402

CARROWIND, DATA = sys.argv[1], sys.argv[2]
PG_DIR = os.environ.get("CARROWIND_PG_DIR", "")
SERVER = bool(PG_DIR) and os.path.exists(os.path.join(PG_DIR, ".s.PGSQL.54329"))
EXPRESSION = "[USE].First: [DISTRICT].Count parcels"
OWN_LABEL = "A label of the legend's own"


def symbol(layer, color):
    s = QgsSymbol.defaultSymbol(layer.geometryType())
    s.setColor(QColor(color))
    return s


def categorized(layer, field, with_default):
    values = sorted(v for v in layer.uniqueValues(layer.fields().lookupField(field)) if v is not None and str(v) not in ("NULL", ""))
    palette = ["#e6c36b", "#e35d5d", "#6bbf59", "#5d8ae3", "#b05de3", "#5de3d0", "#e3a25d", "#8a8a8a", "#c0e35d",
               "#e35dae", "#5d5de3", "#a0522d"]
    cats = [QgsRendererCategory(v, symbol(layer, palette[i % len(palette)]), str(v)) for i, v in enumerate(values)]
    # a class no record falls in keeps its label
    cats.append(QgsRendererCategory("Nowhere", symbol(layer, "#000000"), "Nowhere"))
    if with_default:
        cats.append(QgsRendererCategory(None, symbol(layer, "#dddddd"), ""))
    layer.setRenderer(QgsCategorizedSymbolRenderer(field, cats))


def make_project(folder):
    project = QgsProject()
    ogr = lambda path, name: QgsVectorLayer(os.path.join(folder, path), name, "ogr")
    parcels = ogr("data/landuse.shp", "Parcels")
    north = ogr("data/landuse.gpkg|layername=landuse|subset=\"DISTRICT\" = 'North'", "North parcels")
    acres = ogr("data/landuse.shp", "Acres")
    owned = ogr("data/landuse.shp", "Owned parcels")
    owners = ogr("data/owners.csv", "owners")
    for layer in (parcels, north, acres, owned, owners):
        assert layer.isValid(), layer.name()
    project.addMapLayers([parcels, north, acres, owned, owners])
    if SERVER:
        uri = QgsDataSourceUri()
        uri.setConnection(PG_DIR, "54329", "carrowind_test", "postgres", "")
        uri.setDataSource("public", "landuse", "geom", "\"DISTRICT\" <> 'North'", "gid")
        server = QgsVectorLayer(uri.uri(False), "Server parcels", "postgres")
        assert server.isValid(), "the server's layer"
        project.addMapLayer(server)
        categorized(server, "USE", True)
    categorized(parcels, "USE", True)
    categorized(north, "USE", False)
    ranges = [(0, 2, "Small"), (2, 5, "Medium"), (5, 1000, "Large & <very> \"large\"")]
    acres.setRenderer(QgsGraduatedSymbolRenderer(
        "ACRES", [QgsRendererRange(lo, hi, symbol(acres, c), label)
                  for (lo, hi, label), c in zip(ranges, ["#ffffcc", "#a1dab4", "#225ea8"])]))
    join = QgsVectorLayerJoinInfo()
    join.setJoinLayer(owners)
    join.setJoinFieldName("OWNER_ID")
    join.setTargetFieldName("OWNER_ID")
    join.setUsingMemoryCache(True)
    owned.addJoin(join)
    categorized(owned, "owners_OTYPE", True)

    layout = QgsPrintLayout(project)
    layout.initializeDefaults()
    layout.setName("Sheet")
    legend = QgsLayoutItemLegend(layout)
    layout.addLayoutItem(legend)
    legend.setAutoUpdateModel(False)
    node = legend.model().rootGroup().findLayer(parcels)
    QgsMapLayerLegendUtils.setLegendNodeUserLabel(node, 1, OWN_LABEL)
    project.layoutManager().addLayout(layout)
    return project


def snapshot(project):
    """What must survive: per layer, its feature count, renderer type, and
    each class's value or range and symbol colour."""
    out = {}
    for layer in project.mapLayers().values():
        r = layer.renderer()
        classes = []
        if isinstance(r, QgsCategorizedSymbolRenderer):
            classes = [(str(c.value()), c.symbol().color().name()) for c in r.categories()]
        elif isinstance(r, QgsGraduatedSymbolRenderer):
            classes = [(r_.lowerValue(), r_.upperValue(), r_.symbol().color().name()) for r_ in r.ranges()]
        out[layer.name()] = (layer.featureCount(), r.type() if r else None, classes)
    return out


def labels_of(layer):
    r = layer.renderer()
    items = r.categories() if isinstance(r, QgsCategorizedSymbolRenderer) else r.ranges()
    return [i.label() for i in items]


def expected_counts(layer):
    """Records per class as QGIS itself counts them."""
    r = layer.renderer()
    if isinstance(r, QgsCategorizedSymbolRenderer):
        field = r.classAttribute()
        values = {str(c.value()) for c in r.categories() if c.value() not in (None, "")}
        counts = {}
        for f in layer.getFeatures():
            v = f[field]
            key = str(v) if v is not None and str(v) in values and str(v) != "NULL" else ""
            counts[key] = counts.get(key, 0) + 1
        return [counts.get(str(c.value()) if c.value() is not None else "", 0) for c in r.categories()]
    counts = [0] * len(r.ranges())
    for f in layer.getFeatures():
        v = f[r.classAttribute()]
        if v is None or str(v) == "NULL":
            continue
        for i, rng in enumerate(r.ranges()):
            if rng.lowerValue() <= v <= rng.upperValue():
                counts[i] += 1
                break
    return counts


def carrowind(*args):
    run = subprocess.run([CARROWIND, *args], capture_output=True, text=True)
    return run.returncode, run.stdout, run.stderr


def without_labels(text):
    """text with every class label blanked out."""
    return re.sub(r'(<(?:category|range)\b[^>]*?\slabel=)"[^"]*"', r'\1""', text)


def read_text(path):
    if path.endswith(".qgz"):
        import zipfile
        with zipfile.ZipFile(path) as z:
            return {n: z.read(n).decode("utf-8") for n in z.namelist()}
    with open(path, encoding="utf-8") as f:
        return {"": f.read()}


def roundtrip(folder, name):
    path = os.path.join(folder, name)
    before = QgsProject()
    assert before.read(path), path
    shape = snapshot(before)
    old_labels = {l.name(): labels_of(l) for l in before.mapLayers().values() if l.renderer()}
    counts = {l.name(): expected_counts(l) for l in before.mapLayers().values() if l.renderer()}
    original_text = read_text(path)

    applied = {}
    for layer in ("Parcels", "North parcels", "Acres", "Owned parcels") + (("Server parcels",) if SERVER else ()):
        expr = "[ACRES].Count parcels" if layer == "Acres" else EXPRESSION
        expr = expr.replace("[USE]", "[owners_OTYPE]") if layer == "Owned parcels" else expr
        code, out, err = carrowind("apply", path, "--layer", layer, "--expr", expr, "--json")
        check(code == 0, f"{name}: apply on {layer} exited {code}: {err}")
        if code == 0:
            applied[layer] = json.loads(out)["labels"]

    after = QgsProject()
    check(after.read(path), f"{name}: QGIS cannot read the written project")
    check(snapshot(after) == shape, f"{name}: layers, renderers or symbols changed:\n{snapshot(after)}\n{shape}")
    for layer in after.mapLayers().values():
        check(layer.isValid(), f"{name}: {layer.name()} is not valid after the write")
        if not layer.renderer() or layer.name() not in applied:
            continue
        got = labels_of(layer)
        r = layer.renderer()
        items = r.categories() if isinstance(r, QgsCategorizedSymbolRenderer) else r.ranges()
        for i, item in enumerate(items):
            n = counts[layer.name()][i]
            old = old_labels[layer.name()][i]
            if n == 0:
                want = old  # skipped: no record
            elif isinstance(r, QgsGraduatedSymbolRenderer):
                want = f"{n} parcels"
            else:
                value = item.value()
                want = f"{value if value not in (None, '') else ''}: {n} parcels"
            if isinstance(r, QgsCategorizedSymbolRenderer) and item.value() in (None, ""):
                # the "all other values" class: First of a mix of values
                check(got[i].endswith(f": {n} parcels") or n == 0, f"{name}: {layer.name()} other values: {got[i]!r}")
                continue
            check(got[i] == want, f"{name}: {layer.name()} class {i}: {got[i]!r}, expected {want!r}")
        # what carrowind printed is what QGIS reads, in QGIS's class order less the default class moved last
        check(sorted(got) == sorted(applied[layer.name()]), f"{name}: {layer.name()}: printed {applied[layer.name()]}, QGIS has {got}")
        # QGIS still draws the layer
        settings = QgsMapSettings()
        settings.setLayers([layer])
        settings.setExtent(layer.extent())
        settings.setOutputSize(QSize(64, 64))
        settings.setBackgroundColor(QColor(255, 255, 255))
        job = QgsMapRendererSequentialJob(settings)
        job.start()
        job.waitForFinished()
        image = job.renderedImage()
        drawn = sum(1 for x in range(0, 64, 4) for y in range(0, 64, 4) if image.pixelColor(x, y) != QColor(255, 255, 255))
        check(drawn > 0, f"{name}: QGIS draws nothing of {layer.name()}")

    # the layout's legend shows the new labels, and its own label where it has one
    layout = after.layoutManager().layoutByName("Sheet")
    legend = [i for i in layout.items() if isinstance(i, QgsLayoutItemLegend)][0]
    parcels = after.mapLayersByName("Parcels")[0]
    node = legend.model().rootGroup().findLayer(parcels)
    shown = [n.data(Qt.DisplayRole) for n in legend.model().layerLegendNodes(node)]
    check(shown[0] == labels_of(parcels)[0] and shown[2:] == labels_of(parcels)[2:],
          f"{name}: the layout legend shows {shown}, the layer has {labels_of(parcels)}")
    check(shown[1] == OWN_LABEL and labels_of(parcels)[1] != old_labels["Parcels"][1],
          f"{name}: the layout legend shows {shown[1]!r} for a class labelled {labels_of(parcels)[1]!r}")

    # only the classes' label attributes changed
    written = read_text(path)
    check(written.keys() == original_text.keys(), f"{name}: members {list(written)} != {list(original_text)}")
    for member in original_text:
        check(without_labels(written[member]) == without_labels(original_text[member]),
              f"{name}: {member or 'the file'} changed outside label attributes")
        check(written[member] != original_text[member], f"{name}: nothing was written")

    # reset brings back the file as QGIS wrote it
    for layer in applied:
        code, _, err = carrowind("reset", path, "--layer", layer)
        check(code == 0, f"{name}: reset {layer} exited {code}: {err}")
    reset_text = read_text(path)
    check(reset_text == original_text, f"{name}: reset does not give back the original")
    if reset_text != original_text:
        import difflib
        for member in original_text:
            print("".join(list(difflib.unified_diff(original_text[member].splitlines(True), reset_text[member].splitlines(True)))[:20]))
    check(not os.path.exists(path + ".carrowind.json"), f"{name}: kept labels left behind after reset")


def main():
    app = QgsApplication([], False)
    app.initQgis()
    folder = tempfile.mkdtemp(prefix="cw_qgis_")
    if not SERVER:
        print("no PostgreSQL test server: the postgres layer is left out")
    os.environ["CARROWIND_REGISTRY"] = os.path.join(folder, "registry.db")
    try:
        shutil.copytree(DATA, os.path.join(folder, "data"))
        project = make_project(folder)
        for name in ("parcels.qgs", "parcels.qgz"):
            assert project.write(os.path.join(folder, name)), name
        for name in ("parcels.qgs", "parcels.qgz"):
            roundtrip(folder, name)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    run(main)
