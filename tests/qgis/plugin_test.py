#!/usr/bin/python3
"""The QGIS plugin headless: its Processing algorithms on categorized,
graduated and single-symbol layers over copies of the sample data, checked
against the counts and sums QGIS itself computes per class; reset after the
project is saved and read again; the refresh after committed edits; undo;
and the messages for a missing program and a layer it cannot read.

Usage: plugin_test.py CARROWIND EXAMPLES_DATA. Exits 77 (skipped) when
PyQGIS is not installed."""
import os
import shutil
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
sys.path.insert(0, "/usr/share/qgis/python/plugins")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "qgis"))
try:
    from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsFeatureRequest,
                           QgsGraduatedSymbolRenderer, QgsMapLayerLegendUtils, QgsProcessingException, QgsProject,
                           QgsRendererCategory, QgsRendererRange, QgsSingleSymbolRenderer, QgsSymbol,
                           QgsVectorLayer)
    from qgis.PyQt.QtCore import QCoreApplication
except ImportError:
    print("PyQGIS is not installed; skipped")
    sys.exit(77)

from harness import check, failures, run  # noqa: E402

CARROWIND, DATA = os.path.abspath(sys.argv[1]), sys.argv[2]


def categorized(layer, field, values, with_default):
    cats = [QgsRendererCategory(v, QgsSymbol.defaultSymbol(layer.geometryType()), f"[{v}]") for v in values]
    if with_default:
        cats.append(QgsRendererCategory(None, QgsSymbol.defaultSymbol(layer.geometryType()), "others"))
    layer.setRenderer(QgsCategorizedSymbolRenderer(field, cats))


def labels(layer):
    r = layer.renderer()
    if isinstance(r, QgsCategorizedSymbolRenderer):
        return [c.label() for c in r.categories()]
    if isinstance(r, QgsGraduatedSymbolRenderer):
        return [g.label() for g in r.ranges()]
    node = QgsProject.instance().layerTreeRoot().findLayer(layer.id())
    return [QgsMapLayerLegendUtils.legendNodeUserLabel(node, 0)]


def number(feature, field):
    v = feature[field]
    return None if v is None or (hasattr(v, "isNull") and v.isNull()) else v


def qgis_totals(layer, request=None):
    """Per class as QGIS classifies: [count, sum of ACRES]."""
    r = layer.renderer()
    features = list(layer.getFeatures(request or QgsFeatureRequest()))
    if isinstance(r, QgsSingleSymbolRenderer):
        return [[len(features), sum(number(f, "ACRES") or 0 for f in features)]]
    if isinstance(r, QgsCategorizedSymbolRenderer):
        values = [c.value() for c in r.categories()]
        out = [[0, 0.0] for _ in values]
        for f in features:
            v = f[r.classAttribute()]
            i = values.index(v) if v in values else (values.index(None) if None in values else -1)
            if i >= 0:
                out[i][0] += 1
                out[i][1] += number(f, "ACRES") or 0
        return out
    out = [[0, 0.0] for _ in r.ranges()]
    for f in features:
        v = number(f, r.classAttribute())
        for i, g in enumerate(r.ranges()):
            if v is not None and (i == 0 or g.lowerValue() < v) and v <= g.upperValue():
                out[i][0] += 1
                out[i][1] += v
                break
    return out


def expect_totals(name, layer, got, totals, skipped=()):
    for i, (label, (count, acres)) in enumerate(zip(got, totals)):
        if i in skipped:
            continue
        if count == 0:
            continue  # a class without records keeps its label
        parts = label.split("|")
        check(len(parts) == 2 and parts[0] == str(count) and abs(float(parts[1]) - round(acres, 2)) < 0.006,
              f"{name}: class {i}: {label!r}, QGIS counts {count} records of {acres:.2f} acres")


def process(algorithm, parameters):
    import processing
    return processing.run(algorithm, parameters)


def failure_of(algorithm, parameters):
    """What the algorithm reported when it failed ("" when it did not)."""
    import processing
    from qgis.core import QgsProcessingFeedback

    class Errors(QgsProcessingFeedback):
        messages = []

        def reportError(self, error, fatalError=False):
            self.messages.append(error)

    feedback = Errors()
    try:
        processing.run(algorithm, parameters, feedback=feedback)
    except QgsProcessingException as e:
        return " ".join(feedback.messages + [str(e)])
    return ""


def main():
    app = QgsApplication([], False)
    app.initQgis()
    from processing.core.Processing import Processing
    Processing.initialize()
    from carrowind_labels import engine
    from carrowind_labels.provider import CarrowindProvider
    from carrowind_labels.refresh import LabelRefresher, set_refreshes
    provider = CarrowindProvider()
    QgsApplication.processingRegistry().addProvider(provider)
    os.environ["CARROWIND_PROGRAM"] = CARROWIND

    folder = tempfile.mkdtemp(prefix="cw_plugin_")
    os.environ["CARROWIND_REGISTRY"] = os.path.join(folder, "registry.db")
    try:
        shutil.copytree(DATA, os.path.join(folder, "data"))
        project = QgsProject.instance()
        shp = os.path.join(folder, "data", "landuse.shp")
        uses = ["Agricultural", "Commercial", "Park", "Residential", "Nowhere"]
        parcels = QgsVectorLayer(shp, "Parcels", "ogr")
        north = QgsVectorLayer(os.path.join(folder, "data", "landuse.gpkg") + "|layername=landuse", "North", "ogr")
        acres = QgsVectorLayer(shp, "Acres", "ogr")
        single = QgsVectorLayer(shp, "Single", "ogr")
        for layer in (parcels, north, acres, single):
            check(layer.isValid(), f"{layer.name()} is valid")
        project.addMapLayers([parcels, north, acres, single])
        categorized(parcels, "USE", uses, True)
        categorized(north, "USE", uses, False)
        north.setSubsetString("\"DISTRICT\" = 'North'")
        acres.setRenderer(QgsGraduatedSymbolRenderer("ACRES", [
            QgsRendererRange(0, 2, QgsSymbol.defaultSymbol(acres.geometryType()), "small"),
            QgsRendererRange(2, 5, QgsSymbol.defaultSymbol(acres.geometryType()), "medium"),
            QgsRendererRange(5, 1000, QgsSymbol.defaultSymbol(acres.geometryType()), "large")]))
        single.setRenderer(QgsSingleSymbolRenderer(QgsSymbol.defaultSymbol(single.geometryType())))
        expression = "[ACRES].Count|[ACRES].Sum.Round(2)"

        # categorized, with the all-other-values class, and without it
        before = labels(parcels)
        result = process("carrowind:applylabels", {"INPUT": parcels, "EXPRESSION": expression})
        check(result["LABELS"] == labels(parcels), f"returned {result['LABELS']}, the layer has {labels(parcels)}")
        expect_totals("categorized", parcels, labels(parcels), qgis_totals(parcels))
        check(labels(parcels)[4] == "[Nowhere]", "a class without records keeps its label")
        parcels.undoStackStyles().undo()
        check(labels(parcels) == before, f"undo gives {labels(parcels)}")
        process("carrowind:applylabels", {"INPUT": parcels, "EXPRESSION": expression, "ALL_OTHER_VALUES": False})
        check(labels(parcels)[-1] == "others", f"the all-other-values class kept its label: {labels(parcels)[-1]!r}")
        expect_totals("categorized, no other values", parcels, labels(parcels), qgis_totals(parcels), skipped=(5,))

        # the layer's filter by default; all records; the selection
        process("carrowind:applylabels", {"INPUT": north, "EXPRESSION": expression})
        expect_totals("filtered", north, labels(north), qgis_totals(north))
        process("carrowind:applylabels", {"INPUT": north, "EXPRESSION": expression, "RECORDS": 1})
        unfiltered = QgsVectorLayer(north.source().split("|subset=")[0], "all", "ogr")
        unfiltered.setRenderer(north.renderer().clone())
        expect_totals("all records", north, labels(north), qgis_totals(unfiltered))
        chosen = [f.id() for f in north.getFeatures()][::3]
        north.selectByIds(chosen)
        process("carrowind:applylabels", {"INPUT": north, "EXPRESSION": expression, "RECORDS": 2})
        expect_totals("selection", north, labels(north), qgis_totals(north, QgsFeatureRequest().setFilterFids(chosen)))

        # graduated and single symbol
        process("carrowind:applylabels", {"INPUT": acres, "EXPRESSION": expression})
        expect_totals("graduated", acres, labels(acres), qgis_totals(acres))
        process("carrowind:applylabels", {"INPUT": single, "EXPRESSION": expression})
        expect_totals("single symbol", single, labels(single), qgis_totals(single))

        # wrapping
        process("carrowind:applylabels", {"INPUT": acres, "EXPRESSION": "[ACRES].Count records in this class", "WRAP": 8})
        check(all("\n" in label for label in labels(acres)), f"wrapped: {labels(acres)}")

        # kept with the project: reset after saving and reading it again
        path = os.path.join(folder, "project.qgs")
        check(project.write(path), "the project is written")
        project.clear()
        check(project.read(path), "the project is read again")
        again = project.mapLayersByName("Parcels")[0]
        check(engine.stored_expression(again) == (expression, engine.Options(all_other_values=False)),
              f"the expression is kept: {engine.stored_expression(again)}")
        result = process("carrowind:resetlabels", {"INPUT": again})
        check(labels(again) == before and result["LABELS"] == before, f"reset gives {labels(again)}")
        check("nothing to reset" in failure_of("carrowind:resetlabels", {"INPUT": again}), "a second reset says why")

        # the labels follow committed edits
        again = project.mapLayersByName("Acres")[0]
        refresher = LabelRefresher(project, lambda layer, message: failures.append(message))
        set_refreshes(again, True)
        process("carrowind:applylabels", {"INPUT": again, "EXPRESSION": expression})
        old = labels(again)
        feature = next(f for f in again.getFeatures() if number(f, "ACRES") is not None and 2 < f["ACRES"] <= 5)
        again.startEditing()
        again.changeAttributeValue(feature.id(), again.fields().lookupField("ACRES"), 700.0)
        check(again.commitChanges(), "the edit is committed")
        for _ in range(5):
            QCoreApplication.processEvents()
        check(labels(again) != old, f"refreshed after the commit: {labels(again)}")
        expect_totals("refreshed", again, labels(again), qgis_totals(again))
        del refresher

        # off the main thread, as Processing runs it; and canceled there
        import threading
        from qgis.core import QgsFeedback
        job = engine.prepare(project.mapLayersByName("Parcels")[0], expression, engine.Options())
        on_main = engine.result_of(job, engine.run(job))["labels"]
        outcome = {}
        worker = threading.Thread(target=lambda: outcome.update(out=engine.run(job)))
        worker.start()
        worker.join()
        check(engine.result_of(job, outcome["out"])["labels"] == on_main and len(on_main) == 6,
              "the program run off the main thread gives other labels")
        canceled = QgsFeedback()
        canceled.cancel()
        try:
            engine.run(job, canceled)
            check(False, "a canceled run ends as if it had not been")
        except engine.CarrowindError as e:
            check(str(e) == "Canceled.", f"a canceled run says {e}")
        job.close()

        # what cannot be done says why
        memory = QgsVectorLayer("Point?field=ACRES:double", "scratch", "memory")
        project.addMapLayer(memory)
        message = failure_of("carrowind:applylabels", {"INPUT": memory, "EXPRESSION": expression})
        check("memory" in message, f"a memory layer: {message!r}")
        os.environ["CARROWIND_PROGRAM"] = os.path.join(folder, "no-such-program")
        message = failure_of("carrowind:applylabels", {"INPUT": project.mapLayersByName("Parcels")[0],
                                                        "EXPRESSION": expression})
        check("scripts/install-qgis-plugin" in message, f"a missing program: {message!r}")
        os.environ["CARROWIND_PROGRAM"] = CARROWIND
        message = failure_of("carrowind:applylabels", {"INPUT": project.mapLayersByName("Parcels")[0],
                                                        "EXPRESSION": "[NOSUCH].Sum"})
        check("NOSUCH" in message, f"a bad expression: {message!r}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    run(main)
