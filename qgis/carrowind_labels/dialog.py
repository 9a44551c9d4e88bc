"""The labeling dialog inside QGIS: the user composes one label expression
for a layer, verifies it, and applies it to the layer's legend classes.

It does the same work as FrmCarrowind in dialogs/ and keeps its control
names, captions and messages. The labels themselves are made by the plugin's
engine module; the dialog only gathers the user's choices and shows
results. Its tabs and concerns live in their own modules (fields_tab,
expression_tab, options_tab, quick_picks, expression_files, values_window);
this one holds the window, Verify, Apply and Reset."""
import os

from qgis.core import QgsLayoutItemLegend, QgsProject
from qgis.PyQt.QtCore import Qt, QUrl
from qgis.PyQt.QtGui import QDesktopServices
from qgis.PyQt.QtWidgets import QDialog, QHBoxLayout, QLabel, QMessageBox, QTabWidget, QVBoxLayout, QWidget

from . import engine, refresh
from .expression_files import ExpressionFiles
from .expression_tab import STATEMENTS, ExpressionTab
from .fields_tab import FieldsTab, SummaryChooser  # noqa: F401 (tests script the chooser through this module)
from .options_tab import (RECORDS_ALL, RECORDS_LAYER_FILTER, RECORDS_SELECTION, SHOW_AUTO_REFRESH,
                          SHOW_INTRODUCTION, SHOW_SKIPPED, WRAP_LABELS, DisplaySettings, OptionsTab)
from .quick_picks import QuickPicks
from .values_window import FieldValuesWindow  # noqa: F401 (tests script the window through this module)
from .widgets import button, label, message

CAPTION = "Carrowind Label Tool - Quorvex Corporation"

AUTO_REFRESH_TEXT = ("IMPORTANT: The resulting labels do not \"Auto Refresh\" when the Layer changes!  "
                     "You must re-apply the labeling expression whenever changes affecting labels are made to the "
                     "Layer's legend or data source.\n\n(see the Options tab to disable this message)")
SKIPPED_TEXT = ("Some legend symbols had no corresponding values in Layer's table and were skipped!\n\n"
                "(see the Options tab to disable this message)")


class LabelingDialog(FieldsTab, ExpressionTab, OptionsTab, QuickPicks, ExpressionFiles, QDialog):
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
        self.CmdHelp = button("Help", "CmdHelp")
        self.CmdReset = button("Reset", "CmdReset", "Undo all Changes to Layer's Legend")
        self.CmdApply = button("Apply", "CmdApply", "Apply Expression to Layer's Legend")
        self.CmdCancel = button("Done", "CmdCancel", "Close, Exit, Terminate")
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
        layout.addWidget(label(
            "The Carrowind Label tool is designed to make it much easier to create custom legend labels based on "
            "the data contained in the attribute table of a feature layer.  Instead of having to create a summary "
            "table and then manually type the results into a layer's legend, you can now automate the process by "
            "creating an expression for the labels.", "Label3"))
        layout.addWidget(label("EXPRESSON: [USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)",
                                "Label2", bold=True))
        layout.addWidget(label(
            "In the above example, the label is created by combining the value of three fields: the \"USE\" field "
            "changed to uppercase (\"[USE].First.UCase\"), the \"DESCRIPT\" field (\"[DESCRIPT].First\") and the sum "
            "of the acreages in the \"ACRES\" field rounded to 0 decimal points (\"[ACRES].Sum.Round(0)\").",
            "Label4"))
        layout.addStretch(1)

    def _build_about(self, page):
        title = label("Carrowind Label Tool", "LblProductTitle", bold=True)
        font = title.font()
        font.setPointSizeF(font.pointSizeF() * 1.5)
        title.setFont(font)
        layout = QVBoxLayout(page)
        layout.addWidget(title)
        layout.addWidget(label("Version 2.2 for ArcGIS 8.3", "LblVersion"))
        layout.addWidget(label("Quorvex Corporation\n1 Carrow Wind Lane, Suite 22\nMillbrook Harbour", "LblAddress"))
        layout.addWidget(label("Telephone: +1 555 0147    Fax: +1 555 0148", "LblTelephone"))
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
        layout.addWidget(label("With thanks to the map makers whose legends shaped this tool.", "LblAcknowledgement"))
        layout.addWidget(label(
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

    def show_help(self):
        index = os.path.join(os.path.dirname(__file__), "help", "index.html")
        if os.path.exists(index):
            QDesktopServices.openUrl(QUrl.fromLocalFile(index))
        else:
            message(self, "The help files are not installed with this plugin.", "Help", QMessageBox.Information)

    # ----- verify, apply, reset
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
