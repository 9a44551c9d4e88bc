"""The labeling dialog inside QGIS: the user composes one label expression
for a layer, verifies it, and applies it to the layer's legend classes.

It does the same work as FrmCarrowind in dialogs/ and keeps its control
names, captions and messages. The labels themselves are made by the plugin's
engine module; this module only gathers the user's choices and shows
results."""
import os
import re
import tempfile

from qgis.core import (QgsApplication, QgsCategorizedSymbolRenderer, QgsFeatureRequest,
                       QgsGraduatedSymbolRenderer, QgsLayoutItemLegend, QgsProject, QgsSettings,
                       QgsSingleSymbolRenderer)
from qgis.PyQt.QtCore import QDate, QDateTime, QLocale, Qt, QUrl, QVariant
from qgis.PyQt.QtGui import QDesktopServices
from qgis.PyQt.QtWidgets import (QButtonGroup, QCheckBox, QComboBox, QDialog, QFileDialog, QGroupBox,
                                 QHBoxLayout, QInputDialog, QLabel, QLineEdit, QListWidget, QMessageBox,
                                 QPlainTextEdit, QPushButton, QRadioButton, QTabWidget, QVBoxLayout, QWidget)

from . import engine, refresh

CAPTION = "Carrowind Label Tool - Quorvex Corporation"
TOKENS = ("$$LABEL", "$$VALUE")

# The formatting statements as they are inserted, each with the help line
# shown while it is chosen. Lines with a quoted example keep the blank after
# its closing quote.
STATEMENTS = (
    (".Abs", ".Abs: Absolute value of a number.  Example: -3.Abs = 3"),
    (".FormatCurrency", ".FormatCurrency: Number formatted to system currency.  Example: 100.FormatCurrency = $100.00"),
    (".Format(Instructions)",
     ".Format(Instructions): Format strings, numbers and dates using instructions.  See Help for examples."),
    (".FormatNumber(0)", ".FormatNumber(0): Sets number of decimal places.  Example: 2.53.FormatNumber(4) = 2.5300"),
    (".LCase", '.LCase: Sets all characters to lower case.  Example: "Hello World".LCase = "hello world" '),
    (".Left(0)", '.Left(0): Returns left x number of characters.  Example: "Hello World".Left(2) = "He" '),
    (".LTrim", '.LTrim: Removes spaces to left of string.  Example: "   Hello World".LTrim = "Hello World" '),
    (".Mid(0,0)", '.Mid(0,0): Returns middle x number of characters.  Example: "Hello World".Mid(7,3) = "Wor" '),
    (".Replace(Search,Replace)",
     '.Replace(Search,Replace): Replace string.  Example: "Hello World".Replace(o,xx) = "Hellxx Wxxrld" '),
    (".Right(0)", '.Right(0): Returns right x number of characters.  Example: "Hello World".Right(2) = "ld" '),
    (".Round(0)", ".Round(0): Rounds number to decimal places.  Example: 2.67.Round(0) = 3"),
    (".RTrim", '.RTrim: Removes spaces to right of string.  Example: "Hello World     ".RTrim = "Hello World" '),
    (".Spaces(0)", '.Spaces(0): Inserts spaces between characters.  Example: "GIS".Spaces(3) = "G   I   S" '),
    (".TCase",
     '.TCase: Sets first character of each word to upper case.  Example: "hello world".TCase = "Hello World" '),
    (".Trim",
     '.Trim: Removes spaces from both sides of string.  Example: "   Hello World     ".Trim = "Hello World" '),
    (".UCase", '.UCase: Sets all characters to upper case.  Example: "Hello World".UCase = "HELLO WORLD" '),
)

NUMBER, STRING = "Number", "String"
SUMMARY_METHODS = {
    NUMBER: (".Average", ".Count", ".First", ".Last", ".Maximum", ".Minimum", ".StdDev", ".Sum", ".Variance"),
    STRING: (".Count", ".First", ".Last"),
}
PRESELECTED_METHOD = ".First"

# Field type codes as engine.field_list gives them.
_NUMBER_TYPES = {0, 1, 2, 3, 6}
_STRING_TYPES = {4, 5}
_OBJECT_ID = 6

# Display options, under the names the Windows product kept them by.
SHOW_AUTO_REFRESH = "Show Auto Refresh Message"
SHOW_SKIPPED = "Show Skipped Items Message"
WRAP_LABELS = "Wrap Labels"
WRAP_LENGTH = "Wrap Length"
SHOW_INTRODUCTION = "Show Introduction Tab"

EXPRESSION_FILTER = "Quorvex Symbol Label Expression (*.exp);;All Files(*.*)"
EXPORT_FILTER = "Text Document (*.txt);;All Files(*.*)"

AUTO_REFRESH_TEXT = ("IMPORTANT: The resulting labels do not \"Auto Refresh\" when the Layer changes!  "
                     "You must re-apply the labeling expression whenever changes affecting labels are made to the "
                     "Layer's legend or data source.\n\n(see the Options tab to disable this message)")
SKIPPED_TEXT = ("Some legend symbols had no corresponding values in Layer's table and were skipped!\n\n"
                "(see the Options tab to disable this message)")

# Options.records
RECORDS_LAYER_FILTER, RECORDS_ALL, RECORDS_SELECTION = 0, 1, 2

_DECIMAL = re.compile(r"^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$")


def field_category(type_code):
    """"Number", "String", or None for fields that cannot be summarised."""
    if type_code in _NUMBER_TYPES:
        return NUMBER
    if type_code in _STRING_TYPES:
        return STRING
    return None


def statement_help(entry):
    for name, help_line in STATEMENTS:
        if name.upper() == entry.upper():
            return help_line
    return ""


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


def clean_quick_pick_name(typed):
    # As the store keeps names: no comma (it separates the list), no blanks around.
    return typed.strip().replace(",", " ").strip()


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


def message(parent, text, title, icon=QMessageBox.Information, buttons=QMessageBox.Ok):
    box = QMessageBox(icon, title, text, buttons, parent)
    return box.exec_()


def ask(parent, text, title):
    return message(parent, text, title, QMessageBox.NoIcon, QMessageBox.Yes | QMessageBox.No) == QMessageBox.Yes


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


def _button(text, name, tip=""):
    b = QPushButton(text)
    b.setObjectName(name)
    if tip:
        b.setToolTip(tip)
    # No button answers Enter: a return typed in the wrap length must not apply.
    b.setAutoDefault(False)
    b.setDefault(False)
    return b


def _label(text, name, bold=False):
    l = QLabel(text)
    l.setObjectName(name)
    l.setWordWrap(True)
    l.setTextFormat(Qt.PlainText)
    if bold:
        font = l.font()
        font.setBold(True)
        l.setFont(font)
    return l


def _named(widget, name, text=None):
    widget.setObjectName(name)
    if text is not None:
        widget.setText(text)
    return widget


def _row(*widgets, stretch=True):
    box = QHBoxLayout()
    for w in widgets:
        box.addWidget(w)
    if stretch:
        box.addStretch(1)
    return box


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


class SummaryChooser(QDialog):
    """The list chooser: one entry of a short list, or nothing after Cancel."""

    def __init__(self, parent=None):
        super().__init__(parent, Qt.Tool | Qt.CustomizeWindowHint | Qt.WindowTitleHint | Qt.WindowCloseButtonHint)
        self.setObjectName("FrmList")
        self.setModal(True)
        self.current_value = ""
        self.lblPrompt = _label("", "lblPrompt")
        self.lstChoices = QListWidget()
        self.lstChoices.setObjectName("lstChoices")
        self.CmdOK = _button("OK", "CmdOK")
        self.CmdOK.setDefault(True)
        self.CmdCancel = _button("Cancel", "CmdCancel")
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
        self.CmdShowNext50 = _button("Show Next 50", "CmdShowNext50")
        self.CmdShowAll = _button("Show All", "CmdShowAll")
        self.CmdCancel = _button("Cancel", "CmdCancel")
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
        if self._dialog.field_type(name) == _OBJECT_ID:
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


class LabelingDialog(QDialog):
    """The labeling dialog for one layer: LabelingDialog(layer, iface)."""

    TAB_INTRODUCTION = 0

    def __init__(self, layer, iface, parent=None):
        if parent is None and iface is not None:
            parent = iface.mainWindow()
        super().__init__(parent)
        self.layer = layer
        self.iface = iface
        self.settings = DisplaySettings()
        self.chooser = None
        self._field_types = {}
        self.setObjectName("FrmCarrowind")
        self.setWindowTitle(CAPTION)
        self._build()
        self._connect()
        self._load()

    # ----- window

    def _build(self):
        self.SSTab1 = QTabWidget()
        self.SSTab1.setObjectName("SSTab1")
        for title, build in (("Introduction", self._build_introduction), ("Expression", self._build_expression),
                             ("Options", self._build_options), ("About", self._build_about)):
            page = QWidget()
            page.setObjectName("Tab" + title)
            build(page)
            self.SSTab1.addTab(page, title)
        self.CmdHelp = _button("Help", "CmdHelp")
        self.CmdReset = _button("Reset", "CmdReset", "Undo all Changes to Layer's Legend")
        self.CmdApply = _button("Apply", "CmdApply", "Apply Expression to Layer's Legend")
        self.CmdCancel = _button("Done", "CmdCancel", "Close, Exit, Terminate")
        layout = QVBoxLayout(self)
        layout.addWidget(self.SSTab1)
        buttons = QHBoxLayout()
        buttons.addWidget(self.CmdHelp)
        buttons.addStretch(1)
        for b in (self.CmdReset, self.CmdApply, self.CmdCancel):
            buttons.addWidget(b)
        layout.addLayout(buttons)

    def _build_introduction(self, page):
        layout = QVBoxLayout(page)
        layout.addWidget(_label(
            "The Carrowind Label tool is designed to make it much easier to create custom legend labels based on "
            "the data contained in the attribute table of a feature layer.  Instead of having to create a summary "
            "table and then manually type the results into a layer's legend, you can now automate the process by "
            "creating an expression for the labels.", "Label3"))
        layout.addWidget(_label("EXPRESSON: [USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)",
                                "Label2", bold=True))
        layout.addWidget(_label(
            "In the above example, the label is created by combining the value of three fields: the \"USE\" field "
            "changed to uppercase (\"[USE].First.UCase\"), the \"DESCRIPT\" field (\"[DESCRIPT].First\") and the sum "
            "of the acreages in the \"ACRES\" field rounded to 0 decimal points (\"[ACRES].Sum.Round(0)\").",
            "Label4"))
        layout.addStretch(1)

    def _build_expression(self, page):
        self.FraLabelFields = _named(QGroupBox("Database Fields:"), "FraLabelFields")
        self.LblLabelFields = _label("Add fields from this list to the expression. ($$VALUE, $$LABEL - A symbol's "
                                     "current value and label.)", "LblLabelFields")
        self.LstLabelFields = _named(QListWidget(), "LstLabelFields")
        self.CmdAddField = _button("Add", "CmdAddField", "Add Selected Field to Expression")
        self.CmdShowValues = _button("Show Values...", "CmdShowValues", "Show Field Values in Layer's Table")
        fields = QVBoxLayout(self.FraLabelFields)
        fields.addWidget(self.LblLabelFields)
        fields.addWidget(self.LstLabelFields)
        fields.addLayout(_row(self.CmdAddField, self.CmdShowValues))

        self.FraExpression = _named(QGroupBox("Expression:"), "FraExpression")
        self.LblExpression = _label("Compose an expression by using database fields, formatting statements and "
                                    "other text.", "LblExpression")
        self.TxtExpression = _named(QPlainTextEdit(), "TxtExpression")
        self.TxtExpression.setVerticalScrollBarPolicy(Qt.ScrollBarAlwaysOn)
        self.TxtExpression.setTabChangesFocus(True)
        self.CmdSaveExpression = _button("Save...", "CmdSaveExpression", "Save Expression to File")
        self.CmdLoadExpression = _button("Load...", "CmdLoadExpression", "Load Expression From File")
        self.CmdVerifyExpression = _button("Verify", "CmdVerifyExpression", "Verify that Expression is Correct")
        self.ChkDetailedVerify = _named(QCheckBox(), "ChkDetailedVerify", "Detail")
        self.ChkDetailedVerify.setToolTip("Show detailed verification information")
        self.Label6 = _label("Quick Picks:", "Label6")
        self.Label6.setWordWrap(False)
        self.CmbQuickPicks = _named(QComboBox(), "CmbQuickPicks")
        self.CmbQuickPicks.setEditable(False)
        self.CmbQuickPicks.setMinimumContentsLength(20)
        self.CmdSaveQuickPick = _button("", "CmdSaveQuickPick", "Save expression as a Quick Pick")
        self.CmdSaveQuickPick.setIcon(QgsApplication.getThemeIcon("/mActionFileSave.svg"))
        self.CmdDeleteQuickPick = _button("", "CmdDeleteQuickPick", "Delete current Quick Pick")
        self.CmdDeleteQuickPick.setIcon(QgsApplication.getThemeIcon("/mActionDeleteSelected.svg"))
        expression = QVBoxLayout(self.FraExpression)
        expression.addWidget(self.LblExpression)
        expression.addWidget(self.TxtExpression)
        expression.addLayout(_row(self.CmdSaveExpression, self.CmdLoadExpression, self.CmdVerifyExpression,
                                  self.ChkDetailedVerify))
        expression.addLayout(_row(self.Label6, self.CmbQuickPicks, self.CmdSaveQuickPick, self.CmdDeleteQuickPick))

        self.FraFormattingStatements = _named(QGroupBox("Formatting Statements:"), "FraFormattingStatements")
        self.LblFormattingStatements = _label("Formatting statements modify field values.",
                                              "LblFormattingStatements")
        self.CmbFormattingStatements = _named(QComboBox(), "CmbFormattingStatements")
        self.CmbFormattingStatements.setEditable(False)
        self.CmdAddFormattingStatement = _button("Add", "CmdAddFormattingStatement",
                                                 "Add Formatting Statement to Expression")
        self.lblFormatDescription = _label("", "lblFormatDescription")
        statements = QVBoxLayout(self.FraFormattingStatements)
        statements.addWidget(self.LblFormattingStatements)
        statements.addLayout(_row(self.CmbFormattingStatements, self.CmdAddFormattingStatement))
        statements.addWidget(self.lblFormatDescription)

        right = QVBoxLayout()
        right.addWidget(self.FraExpression, 3)
        right.addWidget(self.FraFormattingStatements, 1)
        layout = QHBoxLayout(page)
        layout.addWidget(self.FraLabelFields, 1)
        layout.addLayout(right, 2)

    def _build_options(self, page):
        self.OptApplyAll = _named(QRadioButton(), "OptApplyAll",
                                  "Consider all records in Layer's Data Source when summarizing table.")
        self.OptApplyDefinitionQuery = _named(
            QRadioButton(), "OptApplyDefinitionQuery",
            "Only consider features satisfying Layer's Definition Query when summarizing table.")
        self.OptApplySelection = _named(QRadioButton(), "OptApplySelection",
                                        "Only consider Layer's Selected Features when summarizing table.")
        self.OptRecordsGroup = QButtonGroup(page)
        for b in (self.OptApplyAll, self.OptApplyDefinitionQuery, self.OptApplySelection):
            self.OptRecordsGroup.addButton(b)
        self.OptApplyAll.setChecked(True)
        self.ChkAllOtherValues = _named(
            QCheckBox(), "ChkAllOtherValues",
            "On Unique Value legends, also modify the label for \"<all other values>\" (if present).")
        self.ChkAllOtherValues.setChecked(True)
        # Not in the desktop tool, which could not do it: kept with the layer.
        self.ChkRefreshOnChange = _named(
            QCheckBox(), "ChkRefreshOnChange",
            "Refresh when the data changes (after edits are saved, and when the layer's filter or classes change).")
        self.chkWrapLabels = _named(QCheckBox(), "chkWrapLabels", "Wrap label text if longer than:")
        self.chkWrapLabels.setChecked(True)
        self.txtWrapLength = _named(QLineEdit(), "txtWrapLength")
        self.txtWrapLength.setMaximumWidth(60)
        self.Label7 = _label("characters.", "Label7")
        self.Label7.setWordWrap(False)
        self.Label8 = _label("(labels will appear on multiple lines in Legends and a single line in Table of "
                             "Contents)", "Label8")
        self.FrameToolOptions = _named(QGroupBox("Tool Options"), "FrameToolOptions")
        self.chkShowIntroduction = _named(QCheckBox(), "chkShowIntroduction", "Show Introduction tab.")
        self.chkShowIntroduction.setChecked(True)
        self.ChkDisplaySkippedWarning = _named(QCheckBox(), "ChkDisplaySkippedWarning",
                                               "Display message when some legend items are skipped.")
        self.ChkAutoRefreshWarning = _named(QCheckBox(), "ChkAutoRefreshWarning",
                                            "Display reminder about labels not being auto-refreshed.")
        tool = QVBoxLayout(self.FrameToolOptions)
        for b in (self.chkShowIntroduction, self.ChkDisplaySkippedWarning, self.ChkAutoRefreshWarning):
            tool.addWidget(b)
        self.cmdExportQuickPicks = _button("Export Quick Picks...", "cmdExportQuickPicks",
                                           "Save all Quick Picks in a text file")
        layout = QVBoxLayout(page)
        for w in (self.OptApplyAll, self.OptApplyDefinitionQuery, self.OptApplySelection, self.ChkAllOtherValues,
                  self.ChkRefreshOnChange):
            layout.addWidget(w)
        layout.addLayout(_row(self.chkWrapLabels, self.txtWrapLength, self.Label7))
        layout.addWidget(self.Label8)
        layout.addWidget(self.FrameToolOptions)
        layout.addLayout(_row(self.cmdExportQuickPicks))
        layout.addStretch(1)

    def _build_about(self, page):
        title = _label("Carrowind Label Tool", "LblProductTitle", bold=True)
        font = title.font()
        font.setPointSizeF(font.pointSizeF() * 1.5)
        title.setFont(font)
        layout = QVBoxLayout(page)
        layout.addWidget(title)
        layout.addWidget(_label("Version 2.2 for ArcGIS 8.3", "LblVersion"))
        layout.addWidget(_label("Quorvex Corporation\n1 Carrow Wind Lane, Suite 22\nMillbrook Harbour", "LblAddress"))
        layout.addWidget(_label("Telephone: +1 555 0147    Fax: +1 555 0148", "LblTelephone"))
        for name, address, text in (("txtWebSite", "https://www.quorvex.example/carrowind",
                                     "www.quorvex.example/carrowind"),
                                    ("txtSupportEmail", "mailto:carrowind-support@quorvex.example",
                                     "carrowind-support@quorvex.example")):
            link = QLabel('<a href="{}">{}</a>'.format(address, text))
            link.setObjectName(name)
            link.setTextFormat(Qt.RichText)
            link.setOpenExternalLinks(True)
            link.setToolTip(address)
            layout.addWidget(link)
        layout.addWidget(_label("With thanks to the map makers whose legends shaped this tool.", "LblAcknowledgement"))
        layout.addWidget(_label(
            "Copyright \u00a9 2003-2026 Quorvex Corporation.  All rights reserved.  This program is provided \"as "
            "is\", without warranty of any kind; Quorvex Corporation is not liable for any damages arising from its "
            "use.", "LblLegalNotice"))
        layout.addStretch(1)

    def _connect(self):
        self.CmdCancel.clicked.connect(self.accept)
        self.CmdHelp.clicked.connect(self.show_help)
        self.CmdAddField.clicked.connect(self.add_field)
        self.LstLabelFields.itemDoubleClicked.connect(self.add_field)
        self.CmdAddFormattingStatement.clicked.connect(self.add_formatting_statement)
        self.CmbFormattingStatements.currentIndexChanged.connect(self.show_statement_help)
        self.TxtExpression.textChanged.connect(self.expression_changed)
        self.CmdShowValues.clicked.connect(self.show_values)
        # Toggled, not clicked: the values read at load are written back, which is harmless.
        for box, name in ((self.ChkAutoRefreshWarning, SHOW_AUTO_REFRESH),
                          (self.ChkDisplaySkippedWarning, SHOW_SKIPPED),
                          (self.chkWrapLabels, WRAP_LABELS), (self.chkShowIntroduction, SHOW_INTRODUCTION)):
            box.toggled.connect(lambda checked, name=name: self._store_option(name, "TRUE" if checked else "FALSE"))
        self.chkShowIntroduction.toggled.connect(
            lambda checked: self.SSTab1.setTabVisible(self.TAB_INTRODUCTION, checked))
        self.txtWrapLength.textChanged.connect(self.wrap_length_changed)
        self.CmdVerifyExpression.clicked.connect(self.verify)
        self.CmdApply.clicked.connect(self.apply)
        self.CmdReset.clicked.connect(self.reset)
        self.CmbQuickPicks.activated.connect(self.recall_quick_pick)
        self.CmdSaveQuickPick.clicked.connect(self.save_quick_pick)
        self.CmdDeleteQuickPick.clicked.connect(self.delete_quick_pick)
        self.cmdExportQuickPicks.clicked.connect(self.export_quick_picks)
        self.CmdSaveExpression.clicked.connect(self.save_expression)
        self.CmdLoadExpression.clicked.connect(self.load_expression)

    def _load(self):
        self.CmbFormattingStatements.addItems([entry for entry, _ in STATEMENTS])
        self.CmbFormattingStatements.setCurrentIndex(0)
        self.show_statement_help()
        for b in (self.CmdSaveExpression, self.CmdSaveQuickPick, self.CmdVerifyExpression, self.CmdReset,
                  self.CmdApply):
            b.setEnabled(False)
        self._fill_fields()
        self._set_record_options()
        self.load_settings()
        self.load_quick_picks()
        self._prefill_from_last_apply()
        problem = engine.layer_problem(self.layer)
        if problem and self.iface is not None:
            self.iface.messageBar().pushWarning("Carrowind Label Tool", problem)

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

    def _set_record_options(self):
        has_filter = bool(self.layer.subsetString())
        self.OptApplyDefinitionQuery.setEnabled(has_filter)
        (self.OptApplyDefinitionQuery if has_filter else self.OptApplyAll).setChecked(True)
        self.OptApplySelection.setEnabled(self.layer.selectedFeatureCount() > 0)

    def _prefill_from_last_apply(self):
        """Open with what the last Apply on this layer used."""
        self.ChkRefreshOnChange.setChecked(refresh.refreshes(self.layer))
        try:
            stored = engine.stored_expression(self.layer)
        except engine.CarrowindError:
            stored = None
        if not stored:
            return
        expression, options = stored
        self.TxtExpression.setPlainText(expression.replace("\r\n", "\n"))
        choice = {RECORDS_ALL: self.OptApplyAll, RECORDS_SELECTION: self.OptApplySelection,
                  RECORDS_LAYER_FILTER: self.OptApplyDefinitionQuery}.get(options.records)
        if choice is not None and choice.isEnabled():
            choice.setChecked(True)
        self.ChkAllOtherValues.setChecked(options.all_other_values)
        # The width of that Apply, shown but not stored as the user's option.
        for w in (self.chkWrapLabels, self.txtWrapLength):
            w.blockSignals(True)
        self.chkWrapLabels.setChecked(options.wrap > 0)
        if options.wrap > 0:
            self.txtWrapLength.setText(str(options.wrap))
        for w in (self.chkWrapLabels, self.txtWrapLength):
            w.blockSignals(False)
        # Labels were changed, so there is something to reset to.
        self.CmdReset.setEnabled(True)

    # ----- display options

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

    # ----- composing

    def chosen_field(self):
        item = self.LstLabelFields.currentItem()
        return item.text() if item is not None else ""

    def field_type(self, name):
        return self._field_types.get(name)

    def expression_text(self):
        # The product's line break is CR LF, in files and in expressions.
        return self.TxtExpression.toPlainText().replace("\n", "\r\n")

    def insert(self, text):
        self.TxtExpression.insertPlainText(text)

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

    def show_statement_help(self):
        self.lblFormatDescription.setText(statement_help(self.CmbFormattingStatements.currentText()))

    def add_formatting_statement(self):
        self.insert(self.CmbFormattingStatements.currentText())
        self.TxtExpression.setFocus()

    def expression_changed(self):
        has_text = bool(self.TxtExpression.toPlainText())
        for b in (self.CmdSaveExpression, self.CmdVerifyExpression, self.CmdApply, self.CmdSaveQuickPick):
            b.setEnabled(has_text)

    def show_values(self):
        window = FieldValuesWindow(self)
        window.adjustSize()
        window.move(self.frameGeometry().center() - window.rect().center())
        window.exec_()
        window.deleteLater()

    def show_help(self):
        index = os.path.join(os.path.dirname(__file__), "help", "index.html")
        if os.path.exists(index):
            QDesktopServices.openUrl(QUrl.fromLocalFile(index))
        else:
            message(self, "The help files are not installed with this plugin.", "Help", QMessageBox.Information)

    # ----- verify, apply, reset

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

    def verify(self):
        expression = self.expression_text()
        # Only the records matter to a verification.
        options = engine.Options(records=self.records_option())
        try:
            result = engine.run_with_progress(self, "Carrowind Label Tool",
                                              lambda feedback: engine.verify(self.layer, expression, options, feedback))
        except engine.CarrowindError as e:
            message(self, str(e), "Invalid Expression!", QMessageBox.Critical)
            return
        if not result.get("ok"):
            message(self, result.get("message", ""), "Invalid Expression!", QMessageBox.Critical)
        elif self.ChkDetailedVerify.isChecked():
            message(self, result.get("report", ""), "Valid Expression", QMessageBox.Information)
        else:
            message(self, "SAMPLE LABEL: {}\n\n".format(result.get("sample_label", "")), "Valid Expression",
                    QMessageBox.Information)

    def _status(self, text):
        try:
            if text:
                self.iface.statusBarIface().showMessage(text)
            else:
                self.iface.statusBarIface().clearMessage()
        except AttributeError:
            pass  # no QGIS window to show it in

    def apply(self):
        expression = self.expression_text()
        options = self.options()
        self._status("Creating Symbol Labels...")
        try:
            labels = engine.run_with_progress(
                self, "Creating Symbol Labels...",
                lambda feedback: engine.apply_labels(self.layer, expression, options, feedback))
        except engine.CarrowindError as e:
            message(self, str(e), "Error Generating Labels!", QMessageBox.Critical)
            return
        finally:
            self._status("")
        refresh.set_refreshes(self.layer, self.ChkRefreshOnChange.isChecked())
        self._labels_changed()
        self.CmdReset.setEnabled(True)
        # The reminder is true only of labels that do not follow the data.
        if self.ChkAutoRefreshWarning.isChecked() and not self.ChkRefreshOnChange.isChecked():
            message(self, AUTO_REFRESH_TEXT, "Labels Do Not Auto Refresh!", QMessageBox.Information)
        # The engine marks the labels it made when some classes had no record.
        if getattr(labels, "skipped", False) and self.ChkDisplaySkippedWarning.isChecked():
            message(self, SKIPPED_TEXT, "Skipped Symbols!", QMessageBox.Warning)

    def reset(self):
        try:
            engine.reset_labels(self.layer)
        except engine.CarrowindError as e:
            message(self, str(e), "Error Attempting To Reset Labels!", QMessageBox.Critical)
            return
        self._labels_changed()

    def _labels_changed(self):
        """The engine redraws the layer and its legend; the project is marked
        changed and the layouts' legends are fitted to their new labels."""
        project = QgsProject.instance()
        if self.layer.id() not in project.mapLayers():
            return
        project.setDirty(True)
        for layout in project.layoutManager().printLayouts():
            for item in layout.items():
                if isinstance(item, QgsLayoutItemLegend):
                    item.updateLegend()

    # ----- quick picks

    def load_quick_picks(self):
        try:
            names = engine.quick_pick_names()
        except engine.CarrowindError:
            names = []
        # An empty store leaves the drop-down and the delete button as they stand.
        if not names:
            return
        self.CmbQuickPicks.clear()
        self.CmbQuickPicks.addItems(names)
        # Delete must act only on a pick the user chose.
        self.CmbQuickPicks.setCurrentIndex(-1)
        self.CmdDeleteQuickPick.setEnabled(self.CmbQuickPicks.count() > 0)

    def recall_quick_pick(self, index):
        name = self.CmbQuickPicks.itemText(index)
        try:
            expression = engine.quick_pick(name)
        except engine.CarrowindError as e:
            message(self, str(e), "Error Attempting To Read Quick Pick", QMessageBox.Critical)
            return
        if not expression:
            return
        if not self.TxtExpression.toPlainText() or ask(self, "Overwrite existing expression?", "Overwrite Expression?"):
            self.TxtExpression.setPlainText(expression)

    def save_quick_pick(self):
        typed, ok = QInputDialog.getText(self, "Save Quick Pick", "Enter Quick Pick Name:")
        name = clean_quick_pick_name(typed) if ok else ""
        if not name:
            return
        exists = any(self.CmbQuickPicks.itemText(i).upper() == name.upper() for i in range(self.CmbQuickPicks.count()))
        if exists and not ask(self, "This quick pick name already exists!\n\nUpdate existing quick pick?",
                              "Overwrite Quick Pick?"):
            return
        try:
            # A pick is kept on one line.
            engine.save_quick_pick(name, self.TxtExpression.toPlainText().replace("\n", " ").strip())
        except engine.CarrowindError as e:
            message(self, str(e), "Error Attempting To Save Settings", QMessageBox.Critical)
            return
        self.load_quick_picks()

    def delete_quick_pick(self):
        name = self.CmbQuickPicks.currentText()
        if not name or not ask(self, "Delete Quick Pick: {}?".format(name), "Delete Quick Pick?"):
            return
        try:
            engine.delete_quick_pick(name)
        except engine.CarrowindError as e:
            message(self, str(e), "Error Attempting To Delete Settings", QMessageBox.Critical)
            return
        self.CmbQuickPicks.removeItem(self.CmbQuickPicks.currentIndex())
        self.load_quick_picks()

    def export_quick_picks(self):
        if self.CmbQuickPicks.count() == 0:
            message(self, "No quick picks to save!", "Nothing to Save!", QMessageBox.Warning)
            return
        path, _ = QFileDialog.getSaveFileName(self, "Export Quick Picks", "", EXPORT_FILTER)
        if not path:
            return
        try:
            text = "".join("{}:\r\n{}\r\n".format(name, engine.quick_pick(name))
                           for name in (self.CmbQuickPicks.itemText(i) for i in range(self.CmbQuickPicks.count())))
            _write_atomically(path, text + self.expression_text())
        except (engine.CarrowindError, OSError) as e:
            # The user must not believe a failed export was written.
            message(self, str(e), "Error Attempting To Export Quick Picks", QMessageBox.Critical)

    # ----- expression files

    def save_expression(self):
        path, chosen = QFileDialog.getSaveFileName(self, "Save Expression", "", EXPRESSION_FILTER)
        if not path:
            return
        if not os.path.splitext(path)[1] and chosen.endswith("(*.exp)"):
            path += ".exp"
        try:
            _write_atomically(path, self.expression_text())
        except OSError as e:
            message(self, str(e), "Error Attempting To Save Expression", QMessageBox.Critical)

    def load_expression(self):
        path, _ = QFileDialog.getOpenFileName(self, "Load Expression", "", EXPRESSION_FILTER)
        if not path:
            return
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            return  # an unreadable file leaves the expression as it was
        # A UTF-8 byte-order mark (Notepad writes one) is no part of the text.
        if data.startswith(b"\xef\xbb\xbf"):
            data = data[3:]
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError:
            # Written in a single-byte code page elsewhere.
            text = data.decode("latin-1")
        self.TxtExpression.setPlainText(text.replace("\r\n", "\n").replace("\r", "\n"))


def _write_atomically(path, text):
    """Replace the file whole or not at all; line breaks stay as given."""
    folder = os.path.dirname(os.path.abspath(path))
    try:
        mode = os.stat(path).st_mode & 0o7777
    except OSError:
        umask = os.umask(0)
        os.umask(umask)
        mode = 0o666 & ~umask
    fd, temp = tempfile.mkstemp(prefix=".carrowind-", dir=folder)
    try:
        # mkstemp makes the file private; it gets the mode the file had, or a new file's.
        os.fchmod(fd, mode)
        with os.fdopen(fd, "wb") as f:
            f.write(text.encode("utf-8"))
            f.flush()
            os.fsync(f.fileno())
        os.replace(temp, path)
    except BaseException:
        if os.path.exists(temp):
            os.unlink(temp)
        raise
