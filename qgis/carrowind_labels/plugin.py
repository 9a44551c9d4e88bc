"""The plugin: "Carrowind Labels..." and "Refresh Carrowind labels" in the
Vector menu and on vector layers' context menu, the Processing provider, and
the labels that follow the data."""
from qgis.core import QgsApplication, QgsMapLayerType, QgsProject, QgsVectorLayer, Qgis
from qgis.PyQt import sip
from qgis.PyQt.QtWidgets import QAction

from . import engine
from .provider import CarrowindProvider
from .refresh import LabelRefresher

MENU = "Carrowind Labels"


class CarrowindPlugin:
    def __init__(self, iface):
        self.iface = iface
        self.provider = None
        self.actions = []
        self.refresher = None
        self.current = None  # the current layer, while connected to it

    def initProcessing(self):
        self.provider = CarrowindProvider()
        QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):
        self.initProcessing()
        window = self.iface.mainWindow()
        self.label_action = QAction("Carrowind Labels...", window)
        self.label_action.setToolTip("Label the legend's classes from the layer's data")
        self.label_action.triggered.connect(self.open_dialog)
        self.refresh_action = QAction("Refresh Carrowind labels", window)
        self.refresh_action.triggered.connect(self.refresh_current)
        for action in (self.label_action, self.refresh_action):
            self.iface.addPluginToVectorMenu(MENU, action)
            self.iface.addCustomActionForLayerType(action, "", QgsMapLayerType.VectorLayer, True)
            self.actions.append(action)
        self.iface.currentLayerChanged.connect(self.current_layer_changed)
        self.current_layer_changed(self.iface.activeLayer())
        self.refresher = LabelRefresher(QgsProject.instance(), self.report_refresh_failure)

    def unload(self):
        try:
            self.iface.currentLayerChanged.disconnect(self.current_layer_changed)
        except TypeError:
            pass
        self._follow(None)
        for action in self.actions:
            self.iface.removePluginVectorMenu(MENU, action)
            self.iface.removeCustomActionForLayerType(action)
        self.actions = []
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
        if self.refresher is not None:
            self.refresher.close()
            self.refresher = None

    def current_layer_changed(self, layer):
        self._follow(layer)
        self.update_actions(layer)

    # What the actions offer depends on the current layer's renderer, so the
    # plugin listens to that one layer, and to no other.
    FOLLOWED = ("rendererChanged", "styleChanged")

    def _follow(self, layer):
        if self.current is not None and not sip.isdeleted(self.current):
            for name in self.FOLLOWED:
                try:
                    getattr(self.current, name).disconnect(self._current_style_changed)
                except TypeError:
                    pass
            try:
                self.current.willBeDeleted.disconnect(self._current_deleted)
            except TypeError:
                pass
        self.current = layer if isinstance(layer, QgsVectorLayer) else None
        if self.current is not None:
            for name in self.FOLLOWED:
                getattr(self.current, name).connect(self._current_style_changed)
            self.current.willBeDeleted.connect(self._current_deleted)

    def _current_style_changed(self):
        if self.current is not None and not sip.isdeleted(self.current):
            self.update_actions(self.current)

    def _current_deleted(self):
        # Its Python object is already gone: its connections go with it.
        self.current = None
        self.update_actions(None)

    def update_actions(self, layer):
        """Enabled as the command's rule is: a valid vector layer that the
        program can read, drawn by a single symbol or classified on a field."""
        labelable = layer is not None and engine.layer_problem(layer) is None
        self.label_action.setEnabled(labelable)
        self.refresh_action.setEnabled(labelable and engine.stored_expression(layer) is not None)

    def open_dialog(self):
        layer = self.iface.activeLayer()
        problem = engine.layer_problem(layer) if layer is not None else "Select a vector layer first."
        if problem:
            self.iface.messageBar().pushMessage(MENU, problem, Qgis.Warning)
            return
        from .dialog import LabelingDialog
        dialog = LabelingDialog(layer, self.iface, self.iface.mainWindow())
        dialog.exec_()
        self.update_actions(layer)

    def refresh_current(self):
        layer = self.iface.activeLayer()
        try:
            labels = engine.run_with_progress(self.iface.mainWindow(), "Refreshing Carrowind labels...",
                                              lambda feedback: engine.refresh_labels(layer, feedback))
            self.iface.messageBar().pushMessage(MENU, f"{len(labels)} labels of \"{layer.name()}\" refreshed.",
                                                Qgis.Success)
        except engine.CarrowindError as e:
            self.iface.messageBar().pushMessage(MENU, str(e), Qgis.Critical)

    def report_refresh_failure(self, layer, message):
        self.iface.messageBar().pushMessage(MENU, f"The labels of \"{layer.name()}\" could not be refreshed: {message}",
                                            Qgis.Warning)
