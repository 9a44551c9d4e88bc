"""The Options tab: which records the labels summarise, wrapping, and the
display options kept in QGIS's settings."""
import re

from qgis.core import QgsSettings
from qgis.PyQt.QtCore import QLocale
from qgis.PyQt.QtWidgets import QButtonGroup, QCheckBox, QGroupBox, QLineEdit, QRadioButton, QVBoxLayout

from . import engine
from .widgets import button, label, named, row

# Display options, under the names the Windows product kept them by.
SHOW_AUTO_REFRESH = "Show Auto Refresh Message"
SHOW_SKIPPED = "Show Skipped Items Message"
WRAP_LABELS = "Wrap Labels"
WRAP_LENGTH = "Wrap Length"
SHOW_INTRODUCTION = "Show Introduction Tab"

# Options.records
RECORDS_LAYER_FILTER, RECORDS_ALL, RECORDS_SELECTION = 0, 1, 2

_DECIMAL = re.compile(r"^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$")


def decimal_value(text):
    """The number a typed text reads as (a point or the user's decimal
    separator, optional sign and exponent, blanks around ignored), or None."""
    text = text.strip()
    separator = QLocale().decimalPoint()
    if separator != ".":
        text = text.replace(separator, ".")
    if not _DECIMAL.match(text):
        return None
    return float(text)


def wrap_length_for(wrap_labels, text):
    """The wrap width Apply passes: the typed length rounded (halves to even),
    0 (no wrapping) when wrapping is off or the length is not a usable width."""
    value = decimal_value(text) if wrap_labels else None
    if value is None:
        return 0
    n = round(value)
    return n if 1 <= n <= 32767 else 0


class DisplaySettings:
    """The dialog's display options in QGIS's settings, group "carrowind/".
    Values are kept as the Windows product kept them: "TRUE"/"FALSE", and
    the wrap length as a whole number."""

    GROUP = "carrowind"
    # What installing the product wrote; seeded on the first open.
    DEFAULTS = {SHOW_AUTO_REFRESH: "FALSE", SHOW_SKIPPED: "FALSE", WRAP_LABELS: "TRUE", SHOW_INTRODUCTION: "TRUE"}

    def __init__(self):
        self._settings = QgsSettings()

    def _key(self, name):
        return "{}/{}".format(self.GROUP, name)

    def ensure_defaults(self):
        if self.GROUP in self._settings.childGroups():
            return
        for name, value in self.DEFAULTS.items():
            self._settings.setValue(self._key(name), value)

    def read(self, name):
        value = self._settings.value(self._key(name), "")
        return "" if value is None else str(value)

    def write(self, name, value):
        number = decimal_value(value)
        if number is not None and -2 ** 31 <= round(number) < 2 ** 31:
            value = round(number)
        else:
            value = value.strip()
        self._settings.setValue(self._key(name), value)


class OptionsTab:
    """The labeling dialog's Options tab (a part of LabelingDialog)."""

    def _build_options(self, page):
        self.OptApplyAll = named(QRadioButton(), "OptApplyAll",
                                  "Consider all records in Layer's Data Source when summarizing table.")
        self.OptApplyDefinitionQuery = named(
            QRadioButton(), "OptApplyDefinitionQuery",
            "Only consider features satisfying Layer's Definition Query when summarizing table.")
        self.OptApplySelection = named(QRadioButton(), "OptApplySelection",
                                        "Only consider Layer's Selected Features when summarizing table.")
        self.OptRecordsGroup = QButtonGroup(page)
        for b in (self.OptApplyAll, self.OptApplyDefinitionQuery, self.OptApplySelection):
            self.OptRecordsGroup.addButton(b)
        self.OptApplyAll.setChecked(True)
        self.ChkAllOtherValues = named(
            QCheckBox(), "ChkAllOtherValues",
            "On Unique Value legends, also modify the label for \"<all other values>\" (if present).")
        self.ChkAllOtherValues.setChecked(True)
        # Not in the desktop tool, which could not do it: kept with the layer.
        self.ChkRefreshOnChange = named(
            QCheckBox(), "ChkRefreshOnChange",
            "Refresh when the data changes (after edits are saved, and when the layer's filter or classes change).")
        self.chkWrapLabels = named(QCheckBox(), "chkWrapLabels", "Wrap label text if longer than:")
        self.chkWrapLabels.setChecked(True)
        self.txtWrapLength = named(QLineEdit(), "txtWrapLength")
        self.txtWrapLength.setMaximumWidth(60)
        self.Label7 = label("characters.", "Label7")
        self.Label7.setWordWrap(False)
        self.Label8 = label("(labels will appear on multiple lines in Legends and a single line in Table of "
                             "Contents)", "Label8")
        self.FrameToolOptions = named(QGroupBox("Tool Options"), "FrameToolOptions")
        self.chkShowIntroduction = named(QCheckBox(), "chkShowIntroduction", "Show Introduction tab.")
        self.chkShowIntroduction.setChecked(True)
        self.ChkDisplaySkippedWarning = named(QCheckBox(), "ChkDisplaySkippedWarning",
                                               "Display message when some legend items are skipped.")
        self.ChkAutoRefreshWarning = named(QCheckBox(), "ChkAutoRefreshWarning",
                                            "Display reminder about labels not being auto-refreshed.")
        tool = QVBoxLayout(self.FrameToolOptions)
        for b in (self.chkShowIntroduction, self.ChkDisplaySkippedWarning, self.ChkAutoRefreshWarning):
            tool.addWidget(b)
        self.cmdExportQuickPicks = button("Export Quick Picks...", "cmdExportQuickPicks",
                                           "Save all Quick Picks in a text file")
        layout = QVBoxLayout(page)
        for w in (self.OptApplyAll, self.OptApplyDefinitionQuery, self.OptApplySelection, self.ChkAllOtherValues,
                  self.ChkRefreshOnChange):
            layout.addWidget(w)
        layout.addLayout(row(self.chkWrapLabels, self.txtWrapLength, self.Label7))
        layout.addWidget(self.Label8)
        layout.addWidget(self.FrameToolOptions)
        layout.addLayout(row(self.cmdExportQuickPicks))
        layout.addStretch(1)

    def _set_record_options(self):
        has_filter = bool(self.layer.subsetString())
        self.OptApplyDefinitionQuery.setEnabled(has_filter)
        (self.OptApplyDefinitionQuery if has_filter else self.OptApplyAll).setChecked(True)
        self.OptApplySelection.setEnabled(self.layer.selectedFeatureCount() > 0)

    def load_settings(self):
        self.settings.ensure_defaults()
        read = self.settings.read
        self.ChkAutoRefreshWarning.setChecked(read(SHOW_AUTO_REFRESH).upper() == "TRUE")
        self.ChkDisplaySkippedWarning.setChecked(read(SHOW_SKIPPED).upper() == "TRUE")
        self.chkWrapLabels.setChecked(read(WRAP_LABELS).upper() == "TRUE")
        length = read(WRAP_LENGTH)
        self.txtWrapLength.setText(length if decimal_value(length) is not None else "50")
        show = read(SHOW_INTRODUCTION).upper() == "TRUE"
        self.chkShowIntroduction.setChecked(show)
        self.SSTab1.setTabVisible(self.TAB_INTRODUCTION, show)

    def _store_option(self, name, value):
        self.settings.write(name, value)

    def wrap_length_changed(self, text):
        if decimal_value(text) is not None:
            self._store_option(WRAP_LENGTH, text)

    def records_option(self):
        if self.OptApplySelection.isChecked():
            return RECORDS_SELECTION
        if self.OptApplyDefinitionQuery.isChecked():
            return RECORDS_LAYER_FILTER
        return RECORDS_ALL

    def options(self):
        return engine.Options(records=self.records_option(),
                              wrap=wrap_length_for(self.chkWrapLabels.isChecked(), self.txtWrapLength.text()),
                              all_other_values=self.ChkAllOtherValues.isChecked())
