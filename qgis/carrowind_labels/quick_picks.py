"""Quick picks: expressions kept by name in the product's settings store,
shared with `carrowind quickpicks` and the map application."""
from qgis.PyQt.QtWidgets import QFileDialog, QInputDialog, QMessageBox

from . import engine
from .expression_files import write_atomically
from .widgets import ask, message

EXPORT_FILTER = "Text Document (*.txt);;All Files(*.*)"


def clean_quick_pick_name(typed):
    # As the store keeps names: no comma (it separates the list), no blanks around.
    return typed.strip().replace(",", " ").strip()


class QuickPicks:
    """The labeling dialog's quick picks (a part of LabelingDialog)."""

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
            write_atomically(path, text + self.expression_text())
        except (engine.CarrowindError, OSError) as e:
            # The user must not believe a failed export was written.
            message(self, str(e), "Error Attempting To Export Quick Picks", QMessageBox.Critical)
