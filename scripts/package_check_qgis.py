"""Run by scripts/package-check with Debian's /usr/bin/python3: the
installed QGIS plugin loaded from QGIS's system plugin folder as
qgis_process loads plugins (its Processing part only), finding the
installed program on PATH, and its algorithm carrowind:applylabels run on a
copy of the sample land-use layer drawn in categories of USE. The labels it
returns must be the ones now in the layer's renderer, one per category.

Usage: package_check_qgis.py DATA_DIR SCRATCH_DIR VERSION EXPRESSION"""
import os
import shutil
import sys

PLUGINS = "/usr/share/qgis/python/plugins"
DATA, SCRATCH, VERSION, EXPRESSION = sys.argv[1:5]
os.environ["QT_QPA_PLATFORM"] = "offscreen"
os.environ.pop("CARROWIND_PROGRAM", None)
sys.path.insert(0, PLUGINS)

from qgis.core import (Qgis, QgsApplication, QgsCategorizedSymbolRenderer, QgsProject,  # noqa: E402
                       QgsRendererCategory, QgsSymbol, QgsVectorLayer)
import qgis.utils  # noqa: E402


def fail(why):
    print(f"package-check: QGIS: {why}", file=sys.stderr, flush=True)
    os._exit(1)


def main():
    app = QgsApplication([], False)
    app.initQgis()
    from processing.core.Processing import Processing
    Processing.initialize()

    qgis.utils.plugin_paths = [PLUGINS]
    qgis.utils.updateAvailablePlugins()
    if "carrowind_labels" not in qgis.utils.available_plugins:
        fail(f"the plugin is not in {PLUGINS}")
    version = qgis.utils.pluginMetadata("carrowind_labels", "version")
    if version != VERSION:
        fail(f"the installed plugin says version {version}, not {VERSION}")
    if not (qgis.utils.loadPlugin("carrowind_labels") and qgis.utils.startProcessingPlugin("carrowind_labels")):
        fail("the plugin did not start")
    from carrowind_labels import engine
    if not engine.__file__.startswith(os.path.join(PLUGINS, "carrowind_labels") + os.sep):
        fail(f"the plugin was loaded from {engine.__file__}")
    if engine.find_program() != "/usr/bin/carrowind":
        fail(f"the plugin runs {engine.find_program()}, not the installed /usr/bin/carrowind")

    shutil.copytree(DATA, os.path.join(SCRATCH, "data"))
    layer = QgsVectorLayer(os.path.join(SCRATCH, "data", "landuse.shp"), "Land use", "ogr")
    if not layer.isValid():
        fail("the sample layer does not open")
    QgsProject.instance().addMapLayer(layer)
    field = layer.fields().indexOf("USE")
    layer.setRenderer(QgsCategorizedSymbolRenderer("USE", [
        QgsRendererCategory(value, QgsSymbol.defaultSymbol(layer.geometryType()), str(value))
        for value in sorted(layer.uniqueValues(field))]))

    import processing
    result = processing.run("carrowind:applylabels", {"INPUT": layer, "EXPRESSION": EXPRESSION, "RECORDS": 0,
                                                      "WRAP": 0, "ALL_OTHER_VALUES": True})
    returned = result["LABELS"].splitlines()
    shown = [c.label() for c in layer.renderer().categories()]
    if returned != shown or len(shown) != len(layer.uniqueValues(field)):
        fail(f"carrowind:applylabels returned {returned}, the legend shows {shown}")
    if any(label == category for label, category in zip(shown, sorted(layer.uniqueValues(field)))):
        fail(f"classes kept their old labels: {shown}")
    print(f"QGIS {Qgis.QGIS_VERSION}: carrowind:applylabels labelled {len(shown)} classes, "
          f"such as \"{shown[0]}\"", flush=True)
    # Headless QGIS may crash tearing itself down; the outcome is known.
    os._exit(0)


if __name__ == "__main__":
    main()
