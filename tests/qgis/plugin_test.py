#!/usr/bin/python3
"""The QGIS plugin headless: its Processing algorithms on categorized,
graduated and single-symbol layers over copies of the sample data, checked
against the counts and sums QGIS itself computes per class; reset after the
project is saved and read again; the refresh after committed edits; undo;
the messages for a missing program and a layer it cannot read; layers
deleted under the refresher; and the plugin's actions following the current
layer's renderer.

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
                           QgsGraduatedSymbolRenderer, QgsLayoutItemLegend, QgsMapLayerLegendUtils,
                           QgsPrintLayout, QgsProcessingException, QgsProject, QgsRendererCategory, QgsRendererRange,
                           QgsSingleSymbolRenderer, QgsSymbol, QgsVectorLayer)
    from qgis.PyQt.QtCore import QCoreApplication, QObject, Qt, QTimer, pyqtSignal
    from qgis.PyQt.QtWidgets import QMainWindow
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


class Interface(QObject):
    """What the plugin asks of QGIS's interface."""
    currentLayerChanged = pyqtSignal(object)

    class MessageBar:
        def __init__(self):
            self.messages = []

        def pushMessage(self, title, text, level):
            self.messages.append(text)

    def __init__(self):
        super().__init__()
        self.window, self.bar, self.active = QMainWindow(), self.MessageBar(), None

    def mainWindow(self):
        return self.window

    def messageBar(self):
        return self.bar

    def activeLayer(self):
        return self.active

    def make_current(self, layer):
        self.active = layer
        self.currentLayerChanged.emit(layer)

    def addPluginToVectorMenu(self, menu, action):
        pass

    removePluginVectorMenu = addPluginToVectorMenu

    def addCustomActionForLayerType(self, action, menu, kind, all_layers):
        pass

    def removeCustomActionForLayerType(self, action):
        return True


def pump():
    for _ in range(5):
        QCoreApplication.processEvents()


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
        # LABELS is declared a string: the labels one a line
        check(result["LABELS"] == "\n".join(labels(parcels)),
              f"returned {result['LABELS']!r}, the layer has {labels(parcels)}")
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
        check(labels(again) == before and result["LABELS"] == "\n".join(before),
              f"reset gives {labels(again)}, returns {result['LABELS']!r}")
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
        refresher.close()
        refreshed = labels(again)
        again.setSubsetString("\"ACRES\" > 1")
        pump()
        check(labels(again) == refreshed, f"a closed refresher still refreshes: {labels(again)}")
        again.setSubsetString("")

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
        from qgis.core import QgsHeatmapRenderer
        heat = QgsVectorLayer("Point?field=ACRES:double", "heat", "memory")
        heat.setRenderer(QgsHeatmapRenderer())
        project.addMapLayer(heat)
        message = failure_of("carrowind:applylabels", {"INPUT": heat, "EXPRESSION": expression})
        check("heatmapRenderer" in message and '"heat"' in message, f"a heatmap: {message!r}")
        os.environ["CARROWIND_PROGRAM"] = os.path.join(folder, "no-such-program")
        message = failure_of("carrowind:applylabels", {"INPUT": project.mapLayersByName("Parcels")[0],
                                                        "EXPRESSION": expression})
        check("scripts/install-qgis-plugin" in message, f"a missing program: {message!r}")
        os.environ["CARROWIND_PROGRAM"] = CARROWIND
        message = failure_of("carrowind:applylabels", {"INPUT": project.mapLayersByName("Parcels")[0],
                                                        "EXPRESSION": "[NOSUCH].Sum"})
        check("NOSUCH" in message, f"a bad expression: {message!r}")

        # a label the user gave a legend item in a layout stays theirs
        parcels = project.mapLayersByName("Parcels")[0]
        layout = QgsPrintLayout(project)
        layout.initializeDefaults()
        legend = QgsLayoutItemLegend(layout)
        layout.addLayoutItem(legend)
        legend.setAutoUpdateModel(False)
        node = legend.model().rootGroup().findLayer(parcels)
        QgsMapLayerLegendUtils.setLegendNodeUserLabel(node, 1, "Shops, as the sheet says")
        legend.model().refreshLayerLegend(node)
        process("carrowind:applylabels", {"INPUT": parcels, "EXPRESSION": "[USE].First: [ACRES].Count"})
        shown = [n.data(Qt.DisplayRole) for n in legend.model().layerLegendNodes(node)]
        check(shown[0] == labels(parcels)[0] and labels(parcels)[1].startswith("Commercial: ") and
              shown[1] == "Shops, as the sheet says", f"the layout legend shows {shown}, the layer has {labels(parcels)}")

        # layers deleted under the refresher: removed with a refresh pending,
        # removed while their refresh runs (QGIS handles events meanwhile),
        # gone with the project
        refresher = LabelRefresher(project, lambda layer, message: failures.append(message))

        def refreshing(name):
            layer = QgsVectorLayer(shp, name, "ogr")
            categorized(layer, "USE", uses, True)
            project.addMapLayer(layer)
            process("carrowind:applylabels", {"INPUT": layer, "EXPRESSION": expression})
            set_refreshes(layer, True)
            layer.setSubsetString("\"ACRES\" > 1")
            return layer.id()

        removed = refreshing("Removed")
        check(removed in refresher.pending, "a refresh is pending")
        project.removeMapLayer(removed)
        pump()
        dying = refreshing("Removed while refreshing")
        QTimer.singleShot(0, lambda: project.removeMapLayer(dying))
        pump()
        check(not {removed, dying} & (set(refresher.slots) | refresher.pending), "removed layers are let go of")
        refreshing("Left for the next project")
        project.clear()
        pump()
        check(not refresher.slots and not refresher.pending, f"a new project leaves layers watched: {refresher.slots}")
        check(project.read(path), "the project is read once more")
        check(set(refresher.slots) == set(project.mapLayers()), "the layers read are watched")
        refresher.close()

        # the plugin's actions follow the current layer's renderer, and only its
        from carrowind_labels.plugin import CarrowindPlugin
        QgsApplication.processingRegistry().removeProvider(provider)
        current = QgsVectorLayer(shp, "Current", "ogr")
        categorized(current, "USE", uses, True)
        other = QgsVectorLayer(shp, "Other", "ogr")
        project.addMapLayers([current, other])
        untouched = other.receivers(other.rendererChanged)
        iface = Interface()
        plugin = CarrowindPlugin(iface)
        plugin.initGui()
        unfollowed = current.receivers(current.rendererChanged)
        iface.make_current(current)
        check(plugin.label_action.isEnabled() and not plugin.refresh_action.isEnabled(), "a categorized layer")
        process("carrowind:applylabels", {"INPUT": current, "EXPRESSION": expression})
        check(plugin.refresh_action.isEnabled(), "refreshing is offered once an expression is kept")
        current.setRenderer(QgsCategorizedSymbolRenderer("length(\"USE\")", [
            QgsRendererCategory(4, QgsSymbol.defaultSymbol(current.geometryType()), "four")]))
        check(plugin.label_action.isEnabled() and plugin.refresh_action.isEnabled(),
              "classes made by an expression: labelling and the kept expression's refresh offered")
        current.setRenderer(QgsHeatmapRenderer())
        check(not plugin.label_action.isEnabled() and not plugin.refresh_action.isEnabled(),
              "a heatmap has no classes: nothing offered")
        current.setRenderer(QgsSingleSymbolRenderer(QgsSymbol.defaultSymbol(current.geometryType())))
        check(plugin.label_action.isEnabled(), "a single symbol again")
        iface.make_current(other)
        check(current.receivers(current.rendererChanged) == unfollowed, "the layer no longer current is let go of")
        iface.make_current(current)
        project.removeMapLayer(current.id())
        check(not plugin.label_action.isEnabled(), "the current layer deleted: nothing offered")
        plugin.unload()
        check(other.receivers(other.rendererChanged) == untouched, "unload lets every layer go")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    run(main)
