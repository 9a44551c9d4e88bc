#!/usr/bin/python3
"""scripts/install-qgis-plugin into a scratch QGIS profile, then the
installed plugin started as QGIS starts it (classFactory, initGui) with a
stand-in interface: its menu and layer actions, enabled by the layer's
renderer; its Processing provider; the program found through the path the
installer left beside it; unload removes what initGui added.

Usage: plugin_install_test.py SOURCE_DIR PREFIX (PREFIX/bin/carrowind is the
installed program). Exits 77 (skipped) when PyQGIS is not installed."""
import configparser
import os
import shutil
import subprocess
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
try:
    from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsProject, QgsRendererCategory,
                           QgsSymbol, QgsVectorLayer)
    from qgis.PyQt.QtCore import QObject, pyqtSignal
    from qgis.PyQt.QtWidgets import QMainWindow
except ImportError:
    print("PyQGIS is not installed; skipped")
    sys.exit(77)

from harness import check, run  # noqa: E402

SOURCE, PREFIX = sys.argv[1], os.path.abspath(sys.argv[2])


class Interface(QObject):
    """What the plugin asks of QGIS's interface."""
    currentLayerChanged = pyqtSignal(object)

    def __init__(self):
        super().__init__()
        self.window = QMainWindow()
        self.menus, self.layer_actions, self.active = [], [], None

    def mainWindow(self):
        return self.window

    def activeLayer(self):
        return self.active

    def addPluginToVectorMenu(self, menu, action):
        self.menus.append((menu, action.text()))

    def removePluginVectorMenu(self, menu, action):
        self.menus.remove((menu, action.text()))

    def addCustomActionForLayerType(self, action, menu, kind, all_layers):
        self.layer_actions.append(action)

    def removeCustomActionForLayerType(self, action):
        self.layer_actions.remove(action)
        return True


def main():
    app = QgsApplication([], False)
    app.initQgis()
    profiles = tempfile.mkdtemp(prefix="cw_profiles_")
    try:
        env = dict(os.environ, QGIS_PROFILES_DIR=profiles)
        env.pop("CARROWIND_PROGRAM", None)
        run = subprocess.run([os.path.join(SOURCE, "scripts", "install-qgis-plugin"), "--plugin-only", "--prefix",
                              PREFIX, "--profile", "mapping"], env=env, capture_output=True, text=True)
        check(run.returncode == 0, f"the installer exited {run.returncode}: {run.stderr}")
        said = run.stdout.splitlines()
        check(1 <= len(said) <= 3 and "HKEY" not in run.stdout and "\\" not in run.stdout,
              f"the installer says what it did in a few plain lines: {run.stdout!r}")
        plugins = os.path.join(profiles, "mapping", "python", "plugins")
        check(os.path.exists(os.path.join(plugins, "carrowind_labels", "metadata.txt")), "the plugin is in the profile")
        umask = os.umask(0)
        os.umask(umask)
        for made, usual in ((os.path.join(plugins, "carrowind_labels"), 0o777 & ~umask),
                            (os.path.join(profiles, "mapping", "QGIS", "QGIS3.ini"), 0o666 & ~umask)):
            mode = os.stat(made).st_mode & 0o777
            check(mode == usual, f"{made} has the user's usual mode {usual:o}, not {mode:o}")
        check(os.path.exists(os.path.join(plugins, "carrowind_labels", "help", "index.html")), "its help pages too")
        settings = configparser.ConfigParser()
        settings.read(os.path.join(profiles, "mapping", "QGIS", "QGIS3.ini"))
        check(settings.get("PythonPlugins", "carrowind_labels", fallback="") == "true", "the plugin is enabled")
        # Installing again replaces it, keeping one entry in the settings.
        run = subprocess.run([os.path.join(SOURCE, "scripts", "install-qgis-plugin"), "--plugin-only", "--prefix",
                              PREFIX, "--profile", "mapping"], env=env, capture_output=True, text=True)
        check(run.returncode == 0, f"a second install exited {run.returncode}: {run.stderr}")
        with open(os.path.join(profiles, "mapping", "QGIS", "QGIS3.ini")) as f:
            check(f.read().count("carrowind_labels=") == 1, "one settings entry")

        os.environ.pop("CARROWIND_PROGRAM", None)
        sys.path.insert(0, plugins)
        sys.path.insert(0, "/usr/share/qgis/python/plugins")
        import carrowind_labels
        from carrowind_labels import engine
        check(engine.find_program() == os.path.join(PREFIX, "bin", "carrowind"), "the installed program is found")

        iface = Interface()
        plugin = carrowind_labels.classFactory(iface)
        plugin.initGui()
        check(("Carrowind Labels", "Carrowind Labels...") in iface.menus, f"the Vector menu: {iface.menus}")
        check([a.text() for a in iface.layer_actions] == ["Carrowind Labels...", "Refresh Carrowind labels"],
              "the layers' context menu")
        registry = QgsApplication.processingRegistry()
        check(registry.algorithmById("carrowind:applylabels") is not None, "carrowind:applylabels is offered")
        check(registry.algorithmById("carrowind:resetlabels") is not None, "carrowind:resetlabels is offered")

        layer = QgsVectorLayer(os.path.join(SOURCE, "examples", "data", "landuse.shp"), "Parcels", "ogr")
        QgsProject.instance().addMapLayer(layer)
        iface.currentLayerChanged.emit(layer)
        check(plugin.label_action.isEnabled(), "enabled on a single-symbol layer")
        check(not plugin.refresh_action.isEnabled(), "nothing to refresh before an apply")
        layer.setRenderer(QgsCategorizedSymbolRenderer("length(\"USE\")", [
            QgsRendererCategory(4, QgsSymbol.defaultSymbol(layer.geometryType()), "four")]))
        iface.currentLayerChanged.emit(layer)
        check(plugin.label_action.isEnabled(), "enabled on classes made by an expression")
        memory = QgsVectorLayer("Point", "scratch", "memory")
        iface.currentLayerChanged.emit(memory)
        check(plugin.label_action.isEnabled(), "enabled on a memory layer")
        from qgis.core import QgsHeatmapRenderer
        memory.setRenderer(QgsHeatmapRenderer())
        iface.currentLayerChanged.emit(memory)
        check(not plugin.label_action.isEnabled(), "disabled on a heatmap, which has no classes")

        plugin.unload()
        check(iface.menus == [] and iface.layer_actions == [], "unload takes the actions away")
        check(registry.providerById("carrowind") is None, "unload takes the provider away")
    finally:
        shutil.rmtree(profiles, ignore_errors=True)


if __name__ == "__main__":
    run(main)
