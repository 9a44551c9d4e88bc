"""The Show Values window: what a field holds, page by page, or the legend's
class values and labels."""
from qgis.core import (QgsCategorizedSymbolRenderer, QgsFeatureRequest, QgsGraduatedSymbolRenderer,
                       QgsSingleSymbolRenderer)
from qgis.PyQt.QtCore import QDate, QDateTime, Qt, QVariant
from qgis.PyQt.QtWidgets import QDialog, QHBoxLayout, QListWidget, QMessageBox, QVBoxLayout

from . import engine
from .fields_tab import OBJECT_ID, TOKENS
from .options_tab import RECORDS_ALL, RECORDS_SELECTION
from .widgets import button, message


def _is_null(value):
    return value is None or (isinstance(value, QVariant) and value.isNull())


def value_text(value):
    if _is_null(value):
        return "<Null>"
    if isinstance(value, (QDate, QDateTime)):
        return value.toString(Qt.ISODate)
    if isinstance(value, float):
        return format(value, ".15g")
    return str(value)


def _records(layer, records):
    """The features a summary over `records` would read, in the data source's order."""
    request = QgsFeatureRequest().setFlags(QgsFeatureRequest.NoGeometry)
    if records == RECORDS_SELECTION:
        yield from layer.getSelectedFeatures(request)
    elif records == RECORDS_ALL and layer.subsetString():
        whole = layer.clone()
        whole.setSubsetString("")
        yield from whole.getFeatures(request)
    else:
        yield from layer.getFeatures(request)


class FieldValuesWindow(QDialog):
    """What the chosen field holds, 50 records at a time, over the records
    the labeling dialog's options name; for $$VALUE and $$LABEL the legend's
    class values or labels. Never writes to the layer."""

    PAGE = 50

    def __init__(self, labeling_dialog):
        super().__init__(labeling_dialog,
                         Qt.Tool | Qt.CustomizeWindowHint | Qt.WindowTitleHint | Qt.WindowCloseButtonHint)
        self.setObjectName("FrmFieldValues")
        self.setWindowTitle("Field Values")
        self.setModal(True)
        self._dialog = labeling_dialog
        self.current_record = 0
        self.lstFieldValues = QListWidget()
        self.lstFieldValues.setObjectName("lstFieldValues")
        self.CmdShowNext50 = button("Show Next 50", "CmdShowNext50")
        self.CmdShowAll = button("Show All", "CmdShowAll")
        self.CmdCancel = button("Cancel", "CmdCancel")
        layout = QVBoxLayout(self)
        layout.addWidget(self.lstFieldValues)
        buttons = QHBoxLayout()
        buttons.addWidget(self.CmdShowNext50)
        buttons.addWidget(self.CmdShowAll)
        buttons.addStretch(1)
        buttons.addWidget(self.CmdCancel)
        layout.addLayout(buttons)
        self.CmdShowNext50.clicked.connect(self.show_next_50)
        self.CmdShowAll.clicked.connect(self.show_all)
        self.CmdCancel.clicked.connect(self.reject)
        self.show_next_50()

    def _field(self):
        """The chosen entry and how to read it from a feature."""
        name = self._dialog.chosen_field()
        index = self._dialog.layer.fields().lookupField(name)
        if index >= 0:
            return name, lambda feature: feature.attribute(index)
        # The object ID the engine lists is the feature's own ID in QGIS.
        if self._dialog.field_type(name) == OBJECT_ID:
            return name, lambda feature: feature.id()
        raise engine.CarrowindError('Field "{}" does not exist in attribute table!'.format(name))

    def _set_more(self, more):
        self.CmdShowNext50.setEnabled(more)
        self.CmdShowAll.setEnabled(more)

    def show_next_50(self):
        if self._dialog.chosen_field().upper() in TOKENS:
            self._show_legend()
            return
        try:
            _, read = self._field()
            start, end = self.current_record, self.current_record + self.PAGE
            n, exhausted = 0, True
            # Each page reads from the first record again; nothing is held between clicks.
            for feature in _records(self._dialog.layer, self._dialog.records_option()):
                n += 1
                if n > start:
                    self.lstFieldValues.addItem(value_text(read(feature)))
                if n == end:
                    exhausted = False
                    break
            self.current_record = n
            self._set_more(not exhausted)
        except engine.CarrowindError as e:
            message(self, str(e), "Invalid Expression!", QMessageBox.Critical)

    def show_all(self):
        if self._dialog.chosen_field().upper() in TOKENS:
            return
        try:
            _, read = self._field()
            self.lstFieldValues.clear()
            for feature in _records(self._dialog.layer, self._dialog.records_option()):
                self.lstFieldValues.addItem(value_text(read(feature)))
            self._set_more(False)
        except engine.CarrowindError as e:
            message(self, str(e), "Invalid Expression!", QMessageBox.Critical)

    def _show_legend(self):
        labels = self._dialog.chosen_field().upper() == "$$LABEL"
        renderer = self._dialog.layer.renderer()
        self.lstFieldValues.clear()
        if isinstance(renderer, QgsCategorizedSymbolRenderer):
            for c in renderer.categories():
                # The "all other values" class has no value of its own.
                other = _is_null(c.value()) or c.value() == ""
                self.lstFieldValues.addItem(c.label() if labels else "" if other else value_text(c.value()))
        elif isinstance(renderer, QgsGraduatedSymbolRenderer):
            for r in renderer.ranges():
                self.lstFieldValues.addItem(r.label() if labels else value_text(r.upperValue()))
        elif isinstance(renderer, QgsSingleSymbolRenderer):
            items = renderer.legendSymbolItems()
            self.lstFieldValues.addItem(items[0].label() if items else "")
        else:
            return
        self._set_more(False)
