#!/usr/bin/python3
"""The QGIS plugin on layers as QGIS users have them: ranges with gaps, in
falling order and overlapping; a CSV table joined in QGIS (a repeated key
too), the class field alone joined; virtual fields (over a joined field
too) in the expression and as the category field; categories on an
expression; merged categories; nested rules with else rules; a memory layer
with nulls and non-ASCII text; a delimited-text layer; unsaved edits; a
filter in full SQL; with the PostgreSQL test server, a PostgreSQL layer with
a QGIS join. Every class's label is checked against the records QGIS itself
draws in it. The same labels come out whether the program reads a layer
itself or QGIS hands its records over.

Usage: plugin_layers_test.py CARROWIND. Exits 77 (skipped) when PyQGIS is not
installed."""
import os
import shutil
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
sys.path.insert(0, "/usr/share/qgis/python/plugins")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "qgis"))
try:
    from osgeo import ogr, osr
    from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsDataSourceUri, QgsFeature, QgsField,
                           QgsGeometry, QgsGraduatedSymbolRenderer, QgsPointXY, QgsProject, QgsRendererCategory,
                           QgsRendererRange, QgsRuleBasedRenderer, QgsSymbol, QgsVectorLayer, QgsVectorLayerJoinInfo)
    from qgis.PyQt.QtCore import QVariant
    from qgis.PyQt.QtGui import QColor
except ImportError:
    print("PyQGIS is not installed; skipped")
    sys.exit(77)

from harness import check, run  # noqa: E402
from qgis_reference import expected_fingerprints, fingerprint_expression  # noqa: E402

CARROWIND = os.path.abspath(sys.argv[1])
PG_DIR = os.environ.get("CARROWIND_PG_DIR", "")
SERVER = bool(PG_DIR) and os.path.exists(os.path.join(PG_DIR, ".s.PGSQL.54329"))

NAMES = ["Åland", "Öst", "Crèche", "O'Brien", None, "Zürich", "Ölm", "Ärö"]


def write_data(folder):
    """tracts.gpkg: 40 tracts (N unique, GEOID text, POP, DENSITY, NAME);
    income.csv: an income per GEOID, one repeated with another value."""
    path = os.path.join(folder, "tracts.gpkg")
    ds = ogr.GetDriverByName("GPKG").CreateDataSource(path)
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(4326)
    layer = ds.CreateLayer("tracts", srs, ogr.wkbPoint)
    for name, kind in (("N", ogr.OFTInteger), ("GEOID", ogr.OFTString), ("POP", ogr.OFTInteger),
                       ("DENSITY", ogr.OFTReal), ("NAME", ogr.OFTString)):
        layer.CreateField(ogr.FieldDefn(name, kind))
    for n in range(1, 41):
        f = ogr.Feature(layer.GetLayerDefn())
        f.SetField("N", n)
        f.SetField("GEOID", f"{n:03d}")
        f.SetField("POP", (n * 7919) % 5000)
        if n % 9:
            f.SetField("DENSITY", (n * 37) % 60 + 0.5 * (n % 2))
        name = NAMES[n % len(NAMES)]
        if name is not None:
            f.SetField("NAME", name)
        g = ogr.Geometry(ogr.wkbPoint)
        g.AddPoint_2D(float(n), float(n % 7))
        f.SetGeometry(g)
        layer.CreateFeature(f)
    ds = None
    with open(os.path.join(folder, "income.csv"), "w", encoding="utf-8") as f:
        f.write("GEOID,INCOME\n")
        for n in range(1, 38):
            f.write(f"{n:03d},{(n * 131) % 400 + 0.25}\n")
        f.write("005,999.5\n")  # a repeated key
    with open(os.path.join(folder, "income.csvt"), "w") as f:
        f.write("String,Real\n")
    with open(os.path.join(folder, "points.csv"), "w", encoding="utf-8") as f:
        f.write("N,KIND,POP,x,y\n")
        for n in range(1, 31):
            f.write(f"{n},{'abc'[n % 3]},{n * 100},{n}.5,1\n")
    return path


def colours(n):
    return [QColor.fromHsv((i * 47) % 360, 200, 200) for i in range(n)]


def symbol(layer, colour):
    s = QgsSymbol.defaultSymbol(layer.geometryType())
    s.setColor(colour)
    return s


def categorized(layer, attribute, values, other=True):
    cs = colours(len(values) + 1)
    cats = [QgsRendererCategory(v, symbol(layer, cs[i]), f"orig{i}") for i, v in enumerate(values)]
    if other:
        cats.append(QgsRendererCategory(None, symbol(layer, cs[-1]), "orig-other"))
    layer.setRenderer(QgsCategorizedSymbolRenderer(attribute, cats))


def graduated(layer, attribute, bounds):
    cs = colours(len(bounds))
    layer.setRenderer(QgsGraduatedSymbolRenderer(
        attribute, [QgsRendererRange(lo, hi, symbol(layer, cs[i]), f"orig{i}") for i, (lo, hi) in enumerate(bounds)]))


def rules(layer, tree):
    def make(parent, nodes):
        for flt, label, children in nodes:
            parent.appendChild(QgsRuleBasedRenderer.Rule(symbol(layer, QColor("#336699")) if not children else None,
                                                         0, 0, flt, label))
            make(parent.children()[-1], children)
    root = QgsRuleBasedRenderer.Rule(None)
    make(root, tree)
    layer.setRenderer(QgsRuleBasedRenderer(root))


def join(layer, other, field, join_field, prefix=None):
    info = QgsVectorLayerJoinInfo()
    info.setJoinLayer(other)
    info.setJoinFieldName(join_field)
    info.setTargetFieldName(field)
    info.setUsingMemoryCache(True)
    if prefix is not None:
        info.setPrefix(prefix)
    check(layer.addJoin(info), f"{layer.name()}: QGIS joins {other.name()}")


def labels_in_qgis_order(layer):
    r = layer.renderer()
    if isinstance(r, QgsCategorizedSymbolRenderer):
        return [c.label() for c in r.categories()]
    if isinstance(r, QgsGraduatedSymbolRenderer):
        return [g.label() for g in r.ranges()]
    return [x.label() for x in r.rootRule().descendants()]


def compare(name, layer, field="N", records=0):
    import processing
    expected = expected_fingerprints(layer, field, order=list(range(len(labels_in_qgis_order(layer)))))
    try:
        processing.run("carrowind:applylabels", {"INPUT": layer, "EXPRESSION": fingerprint_expression(field),
                                                 "RECORDS": records})
    except Exception as e:  # noqa: BLE001 - the test reports any failure
        check(False, f"{name}: not labelled: {e}")
        return None
    got = [None if label.startswith("orig") or label == "" else label for label in labels_in_qgis_order(layer)]
    check(len(got) == len(expected), f"{name}: {len(got)} classes, QGIS has {len(expected)}")
    for i, (g, e) in enumerate(zip(got, expected)):
        check(g == e, f"{name}: class {i}: {g!r}, QGIS draws {e!r}")
    return got


def main():
    app = QgsApplication([], False)
    app.initQgis()
    from processing.core.Processing import Processing
    Processing.initialize()
    from carrowind_labels import records
    from carrowind_labels.provider import CarrowindProvider
    provider = CarrowindProvider()  # the registry keeps only the C++ side
    QgsApplication.processingRegistry().addProvider(provider)
    os.environ["CARROWIND_PROGRAM"] = CARROWIND
    folder = tempfile.mkdtemp(prefix="cw_layers_")
    os.environ["CARROWIND_REGISTRY"] = os.path.join(folder, "registry.db")
    project = QgsProject.instance()
    try:
        data = write_data(folder)

        def tracts(name, subset=""):
            layer = QgsVectorLayer(data + "|layername=tracts" + (f"|subset={subset}" if subset else ""), name, "ogr")
            check(layer.isValid(), f"{name}: QGIS reads it")
            project.addMapLayer(layer)
            return layer

        income = QgsVectorLayer(os.path.join(folder, "income.csv"), "income", "ogr")
        check(income.isValid(), "QGIS reads income.csv")
        project.addMapLayer(income)

        # Ranges: a gap, falling order, overlaps.
        compare("gapped ranges", graduated_layer(tracts("gapped"), "DENSITY", [(5, 15), (20, 30), (30, 50)]))
        compare("falling ranges", graduated_layer(tracts("falling"), "DENSITY", [(30, 60), (20, 30), (0, 20)]))
        compare("overlapping ranges", graduated_layer(tracts("overlapping"), "POP", [(0, 3000), (1000, 2000), (2500, 5000)]))

        # A CSV joined in QGIS: the classic choropleth, and the class field alone joined.
        choropleth = tracts("choropleth")
        join(choropleth, income, "GEOID", "GEOID")
        graduated(choropleth, "income_INCOME", [(0, 100), (100, 200), (200, 400), (400, 1000)])
        compare("joined class field", choropleth)
        got = compare("joined field in the expression", choropleth, "income_INCOME")
        check(got is not None and any(g and "999.5" in g for g in got),
              f"the repeated key's last row is QGIS's join: {got}")

        # Virtual fields, one over a joined field.
        virtual = tracts("virtual")
        join(virtual, income, "GEOID", "GEOID", prefix="j_")
        virtual.addExpressionField('"POP" / 100', QgsField("HUNDREDS", QVariant.Double))
        virtual.addExpressionField('"j_INCOME" * 2', QgsField("DOUBLE_INCOME", QVariant.Double))
        virtual.addExpressionField('"N" * 10', QgsField("TENS", QVariant.Int))
        graduated(virtual, "DOUBLE_INCOME", [(0, 200), (200, 500), (500, 2000)])
        compare("virtual field over a joined field as the class field", virtual)
        compare("virtual field in the expression", virtual, "TENS")
        categorized(virtual, "TENS", [10, 20, 30, 400])
        compare("virtual field as the category field", virtual)

        # Categories on an expression, a quoted field, merged categories.
        expression = tracts("expression")
        categorized(expression, 'left("NAME", 1)', ["Å", "Ö", "C", "Z"])
        compare("categories on an expression", expression)
        categorized(expression, '"NAME"', ["Åland", "Öst", "Zürich"])
        compare("categories on a quoted field", expression)
        categorized(expression, "NAME", [["Åland", "Öst"], ["Öst", "Zürich"], "Crèche"])
        compare("merged categories", expression)

        # Nested rules with else rules.
        ruled = tracts("rules")
        rules(ruled, [('"POP" > 2500', "many", [('"DENSITY" > 30', "many and dense", []), ("ELSE", "many, sparse", [])]),
                      ('"NAME" IS NULL', "", []),
                      ("ELSE", "the rest", [])])
        compare("nested rules", ruled)

        # A memory layer with nulls and non-ASCII text.
        memory = QgsVectorLayer("Point?crs=epsg:4326&field=N:integer&field=NAME:string&field=V:double", "memory", "memory")
        feats = []
        for n in range(1, 21):
            f = QgsFeature(memory.fields())
            f.setAttributes([n, NAMES[n % len(NAMES)], None if n % 4 == 0 else n * 1.5])
            f.setGeometry(QgsGeometry.fromPointXY(QgsPointXY(n, 0)))
            feats.append(f)
        memory.dataProvider().addFeatures(feats)
        project.addMapLayer(memory)
        categorized(memory, "NAME", ["Åland", "Öst", "Crèche", "O'Brien"])
        compare("memory layer categories", memory)
        graduated(memory, "V", [(0, 10), (10, 20), (25, 31)])
        compare("memory layer ranges", memory)

        # A CSV of points added as delimited text.
        points = QgsVectorLayer("file://" + os.path.join(folder, "points.csv") +
                                "?type=csv&xField=x&yField=y&crs=EPSG:4326&detectTypes=yes", "points", "delimitedtext")
        check(points.isValid(), "QGIS reads the delimited text")
        project.addMapLayer(points)
        categorized(points, "KIND", ["a", "b"])
        compare("delimited text", points)

        # Unsaved edits count as the attribute table shows them.
        edited = tracts("edited")
        categorized(edited, "NAME", ["Åland", "Öst", "Crèche"])
        edited.startEditing()
        first = next(edited.getFeatures())
        edited.changeAttributeValue(first.id(), edited.fields().lookupField("N"), 100000)
        added = QgsFeature(edited.fields())
        added.setAttributes([None, 1000001, "999", 1, 1.0, "Öst"])
        added.setGeometry(QgsGeometry.fromPointXY(QgsPointXY(0, 0)))
        edited.addFeature(added)
        compare("unsaved edits", edited)
        edited.rollBack()

        # A filter in full SQL.
        sql = tracts("full SQL", 'SELECT * FROM "tracts" WHERE "POP" > 1000')
        categorized(sql, "NAME", ["Åland", "Öst", "Crèche"])
        compare("full SQL filter", sql)

        if SERVER:
            uri = QgsDataSourceUri()
            uri.setConnection(PG_DIR, "54329", "carrowind_test", "postgres", "")
            uri.setDataSource("public", "landuse", "geom", "", "gid")
            server = QgsVectorLayer(uri.uri(False), "server", "postgres")
            check(server.isValid(), "QGIS reads the server's table")
            examples = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "data")
            for name in ("owners.csv", "owners.csvt"):
                shutil.copy(os.path.join(examples, name), folder)
            owners = QgsVectorLayer(os.path.join(folder, "owners.csv"), "owners", "ogr")
            project.addMapLayers([server, owners])
            join(server, owners, "OWNER_ID", "OWNER_ID")
            categorized(server, "owners_OTYPE", ["Public", "Private"])
            compare("PostgreSQL layer with a QGIS join", server, "gid")

        # A class that a refresh empties shows its label from before the first apply again.
        from carrowind_labels import engine
        emptied = tracts("emptied")
        categorized(emptied, "NAME", ["Åland", "Öst", "Crèche"])
        engine.apply_labels(emptied, "[N].Count")
        engine.apply_labels(emptied, "[N].Count records")
        check(labels_in_qgis_order(emptied)[1] == "5 records", f"labelled: {labels_in_qgis_order(emptied)}")
        emptied.startEditing()
        emptied.deleteFeatures([f.id() for f in emptied.getFeatures() if f["NAME"] == "Öst"])
        labels = engine.refresh_labels(emptied)
        check(labels[1] == "orig1", f"the emptied class shows its label from before: {labels}")
        emptied.rollBack()

        # Messages name the layer by its name.
        named = tracts("Named layer")
        named.setRenderer(QgsCategorizedSymbolRenderer("NAME", [
            QgsRendererCategory("Öst", symbol(named, QColor("#111111")), "a"),
            QgsRendererCategory("Öst", symbol(named, QColor("#222222")), "b")]))
        try:
            engine.apply_labels(named, "[N].Count")
            check(False, "two categories of one value are refused")
        except engine.CarrowindError as e:
            check('"Named layer"' in str(e) and "two categories" in str(e), f"the refusal names the layer: {e}")

        # The fast path and QGIS's hand-over give the same labels.
        for name, layer, field in (("gapped", project.mapLayersByName("gapped")[0], "N"),
                                   ("categories", expression, "N")):
            if name == "categories":
                categorized(layer, "NAME", ["Åland", "Öst", "Crèche", "O'Brien", "Zürich"])
            check(records.plan(layer, fingerprint_expression(field)).direct, f"{name}: the program reads it itself")
            direct = compare(f"{name} read directly", layer, field)
            original = records.plan

            def through_qgis(layer, expression, original=original):
                p = original(layer, expression)
                p.export = p.classes = True
                return p

            records.plan = through_qgis
            try:
                handed = compare(f"{name} handed over by QGIS", layer, field)
            finally:
                records.plan = original
            check(direct == handed, f"{name}: the two paths give the same labels: {direct} {handed}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def graduated_layer(layer, attribute, bounds):
    graduated(layer, attribute, bounds)
    return layer


run(main)
