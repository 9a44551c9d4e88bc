"""Labels that stay current: a layer whose "Refresh when the data changes"
option is on gets its kept expression applied again after edits are
committed, and when its filter or its classes change."""
from qgis.core import QgsCategorizedSymbolRenderer, QgsGraduatedSymbolRenderer, QgsVectorLayer
from qgis.PyQt import sip
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
    """Watches the project's vector layers. Everything is keyed by the layer's
    id, taken when it is watched: a layer may be deleted (removed, a new
    project) with a refresh still pending or a signal on its way, and then
    its Python object must not be touched."""

    SIGNALS = ("afterCommitChanges", "subsetStringChanged", "rendererChanged", "willBeDeleted")

    def __init__(self, project, report):
        """report(layer, message) is told of every refresh that failed."""
        super().__init__()
        self.project, self.report = project, report
        self.classes = {}   # by layer id: its classes as last seen
        self.slots = {}     # by layer id: the slot connected to each of SIGNALS
        self.pending = set()
        self.busy = False
        project.layersAdded.connect(self._watch_layers)
        project.layersWillBeRemoved["QStringList"].connect(self._unwatch_layers)
        self._watch_layers(project.mapLayers().values())

    def _watch_layers(self, layers):
        for layer in layers:
            if isinstance(layer, QgsVectorLayer) and layer.id() not in self.slots:
                self.watch(layer)

    def _unwatch_layers(self, layer_ids):
        for layer_id in layer_ids:
            self.unwatch(layer_id)

    def watch(self, layer):
        layer_id = layer.id()
        self.classes[layer_id] = classes_of(layer)
        slots = (lambda: self._changed(layer_id), lambda: self._changed(layer_id),
                 lambda: self._renderer_changed(layer_id), lambda: self.forget(layer_id))
        for name, slot in zip(self.SIGNALS, slots):
            getattr(layer, name).connect(slot)
        self.slots[layer_id] = slots

    def unwatch(self, layer_id):
        """Disconnects from a layer still alive (one leaving the project) and forgets it."""
        layer = self._layer(layer_id)
        slots = self.slots.get(layer_id, ())
        if layer is not None:
            for name, slot in zip(self.SIGNALS, slots):
                try:
                    getattr(layer, name).disconnect(slot)
                except TypeError:
                    pass
        self.forget(layer_id)

    def forget(self, layer_id):
        """For a layer being deleted: its connections go with it."""
        self.classes.pop(layer_id, None)
        self.slots.pop(layer_id, None)
        self.pending.discard(layer_id)

    def close(self):
        """Stops watching: the project and every layer let go."""
        for signal, slot in ((self.project.layersAdded, self._watch_layers),
                             (self.project.layersWillBeRemoved["QStringList"], self._unwatch_layers)):
            try:
                signal.disconnect(slot)
            except TypeError:
                pass
        for layer_id in list(self.slots):
            self.unwatch(layer_id)

    def _layer(self, layer_id):
        """The watched layer while it is alive and in the project, else None."""
        if layer_id not in self.slots:
            return None
        layer = self.project.mapLayer(layer_id)
        return layer if layer is not None and not sip.isdeleted(layer) else None

    def _renderer_changed(self, layer_id):
        layer = self._layer(layer_id)
        if layer is None:
            return
        now = classes_of(layer)
        if self.classes.get(layer_id) == now:
            return
        self.classes[layer_id] = now
        self._changed(layer_id)

    def _changed(self, layer_id):
        layer = self._layer(layer_id)
        if layer is None or self.busy or not refreshes(layer):
            return
        # Several signals of one change make one refresh, once QGIS is done.
        if layer_id not in self.pending:
            self.pending.add(layer_id)
            QTimer.singleShot(0, lambda: self._refresh(layer_id))

    def _refresh(self, layer_id):
        if layer_id not in self.pending:  # forgotten since: removed or deleted
            return
        self.pending.discard(layer_id)
        layer = self._layer(layer_id)
        if layer is None:
            return
        self.busy = True
        try:
            engine.refresh_labels(layer)
        except engine.CarrowindError as e:
            if not sip.isdeleted(layer):
                self.report(layer, str(e))
        except RuntimeError:
            # QGIS goes on handling events while the program runs: the layer
            # may be gone by the time its labels are written.
            if not sip.isdeleted(layer):
                raise
        finally:
            alive = self._layer(layer_id)
            if alive is not None:
                self.classes[layer_id] = classes_of(alive)
            self.busy = False
