"""The Expression tab's field list: the layer's fields with the legend's
$$VALUE and $$LABEL, and the summary method a field is added with."""
from qgis.PyQt.QtCore import Qt
from qgis.PyQt.QtWidgets import QDialog, QHBoxLayout, QListWidget, QMessageBox, QVBoxLayout

from . import engine
from .widgets import button, label, message

TOKENS = ("$$LABEL", "$$VALUE")

NUMBER, STRING = "Number", "String"
SUMMARY_METHODS = {
    NUMBER: (".Average", ".Count", ".First", ".Last", ".Maximum", ".Minimum", ".StdDev", ".Sum", ".Variance"),
    STRING: (".Count", ".First", ".Last"),
}
PRESELECTED_METHOD = ".First"

# Field type codes as engine.field_list gives them.
_NUMBER_TYPES = {0, 1, 2, 3, 6}
_STRING_TYPES = {4, 5}
OBJECT_ID = 6


def field_category(type_code):
    """"Number", "String", or None for fields that cannot be summarised."""
    if type_code in _NUMBER_TYPES:
        return NUMBER
    if type_code in _STRING_TYPES:
        return STRING
    return None


class SummaryChooser(QDialog):
    """The list chooser: one entry of a short list, or nothing after Cancel."""

    def __init__(self, parent=None):
        super().__init__(parent, Qt.Tool | Qt.CustomizeWindowHint | Qt.WindowTitleHint | Qt.WindowCloseButtonHint)
        self.setObjectName("FrmList")
        self.setModal(True)
        self.current_value = ""
        self.lblPrompt = label("", "lblPrompt")
        self.lstChoices = QListWidget()
        self.lstChoices.setObjectName("lstChoices")
        self.CmdOK = button("OK", "CmdOK")
        self.CmdOK.setDefault(True)
        self.CmdCancel = button("Cancel", "CmdCancel")
        layout = QVBoxLayout(self)
        layout.addWidget(self.lblPrompt)
        layout.addWidget(self.lstChoices)
        buttons = QHBoxLayout()
        buttons.addStretch(1)
        buttons.addWidget(self.CmdOK)
        buttons.addWidget(self.CmdCancel)
        layout.addLayout(buttons)
        self.CmdOK.clicked.connect(self.choose)
        self.lstChoices.itemDoubleClicked.connect(self.choose)
        self.CmdCancel.clicked.connect(self.reject)

    def fill(self, title, prompt, entries, preselected):
        self.setWindowTitle(title)
        self.lblPrompt.setText(prompt)
        self.current_value = ""
        self.lstChoices.clear()
        self.lstChoices.addItems(entries)
        if preselected in entries:
            self.lstChoices.setCurrentRow(entries.index(preselected))

    def choose(self):
        item = self.lstChoices.currentItem()
        self.current_value = item.text() if item is not None and item.isSelected() else ""
        self.accept()


class FieldsTab:
    """The labeling dialog's field list (a part of LabelingDialog)."""

    def _fill_fields(self):
        self.LstLabelFields.addItems(TOKENS)
        try:
            fields = engine.field_list(self.layer)
        except engine.CarrowindError as e:
            message(self, str(e), "Error Attempting To Read Fields", QMessageBox.Critical)
            fields = []
        self._field_types = {name: code for name, code in fields}
        # Every field, the geometry too: choosing it says why it cannot be summarised.
        self.LstLabelFields.addItems([name for name, _ in fields])
        self.LstLabelFields.setCurrentRow(0)

    def chosen_field(self):
        item = self.LstLabelFields.currentItem()
        return item.text() if item is not None else ""

    def field_type(self, name):
        return self._field_types.get(name)

    def add_field(self):
        name = self.chosen_field()
        if not name:
            return
        if name.upper() in TOKENS:
            self.insert(name)
            return
        if name not in self._field_types:
            message(self, 'Field "{}" does not exist in attribute table!'.format(name),
                    "Error Attempting To Add Field", QMessageBox.Critical)
            return
        category = field_category(self._field_types[name])
        if category is None:
            message(self, "Can't summerize Geometry or Blob Fields", "Invalid Field Type!", QMessageBox.Critical)
            return
        method = self.select_summary_type(category)
        if not method:
            return
        self.insert("[{}]{}".format(name, method))
        self.TxtExpression.setFocus()

    def select_summary_type(self, category):
        """The summary method the user picks for a field of `category`, "" after Cancel."""
        if self.chooser is None:
            self.chooser = SummaryChooser(self)
        self.chooser.fill("Select Field Summary Type", "Please select Field summary method:",
                          list(SUMMARY_METHODS[STRING if category == STRING else NUMBER]), PRESELECTED_METHOD)
        self.chooser.adjustSize()
        self.chooser.move(self.frameGeometry().center() - self.chooser.rect().center())
        self.chooser.exec_()
        return self.chooser.current_value
