"""Labels that stay current: a layer whose "Refresh when the data changes"
option is on gets its kept expression applied again after edits are
committed, and when its filter or its classes change."""
from qgis.core import QgsCategorizedSymbolRenderer, QgsGraduatedSymbolRenderer, QgsVectorLayer
from qgis.PyQt.QtCore import QObject, QTimer

from . import engine


def refreshes(layer) -> bool:
    return str(layer.customProperty(engine.PROPERTY_REFRESH, "false")).lower() == "true" and \
        engine.stored_expression(layer) is not None


def set_refreshes(layer, on: bool) -> None:
    layer.setCustomProperty(engine.PROPERTY_REFRESH, "true" if on else "false")


def classes_of(layer):
    """What the classes are, labels left out: a change of labels alone is no
    reason to label again (and is what labelling does)."""
    r = layer.renderer()
    if isinstance(r, QgsCategorizedSymbolRenderer):
        return ("categories", r.classAttribute(), tuple(str(c.value()) for c in r.categories()))
    if isinstance(r, QgsGraduatedSymbolRenderer):
        return ("ranges", r.classAttribute(), tuple((g.lowerValue(), g.upperValue()) for g in r.ranges()))
    return (r.type() if r else None,)


class LabelRefresher(QObject):
    def __init__(self, project, report):
        """report(layer, message) is told of every refresh that failed."""
        super().__init__()
        self.project, self.report = project, report
        self.classes = {}
        self.pending = set()
        self.busy = False
        project.layersAdded.connect(self._watch_layers)
        self._watch_layers(project.mapLayers().values())

    def _watch_layers(self, layers):
        for layer in layers:
            if isinstance(layer, QgsVectorLayer) and layer.id() not in self.classes:
                self.watch(layer)

    def watch(self, layer):
        self.classes[layer.id()] = classes_of(layer)
        layer.afterCommitChanges.connect(lambda: self._changed(layer))
        layer.subsetStringChanged.connect(lambda: self._changed(layer))
        layer.rendererChanged.connect(lambda: self._renderer_changed(layer))
        layer.willBeDeleted.connect(lambda: self.classes.pop(layer.id(), None))

    def _renderer_changed(self, layer):
        now = classes_of(layer)
        if self.classes.get(layer.id()) == now:
            return
        self.classes[layer.id()] = now
        self._changed(layer)

    def _changed(self, layer):
        if self.busy or not refreshes(layer):
            return
        # Several signals of one change make one refresh, once QGIS is done.
        if layer.id() not in self.pending:
            self.pending.add(layer.id())
            QTimer.singleShot(0, lambda: self._refresh(layer))

    def _refresh(self, layer):
        self.pending.discard(layer.id())
        self.busy = True
        try:
            engine.refresh_labels(layer)
        except engine.CarrowindError as e:
            self.report(layer, str(e))
        finally:
            self.classes[layer.id()] = classes_of(layer)
            self.busy = False
