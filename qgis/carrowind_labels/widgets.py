"""The labeling dialog's building blocks: buttons, labels and rows named as
the desktop tool named its controls, and its message boxes."""
from qgis.PyQt.QtCore import Qt
from qgis.PyQt.QtWidgets import QHBoxLayout, QLabel, QMessageBox, QPushButton


def message(parent, text, title, icon=QMessageBox.Information, buttons=QMessageBox.Ok):
    box = QMessageBox(icon, title, text, buttons, parent)
    return box.exec_()


def ask(parent, text, title):
    return message(parent, text, title, QMessageBox.NoIcon, QMessageBox.Yes | QMessageBox.No) == QMessageBox.Yes


def button(text, name, tip=""):
    b = QPushButton(text)
    b.setObjectName(name)
    if tip:
        b.setToolTip(tip)
    # No button answers Enter: a return typed in the wrap length must not apply.
    b.setAutoDefault(False)
    b.setDefault(False)
    return b


def label(text, name, bold=False):
    l = QLabel(text)
    l.setObjectName(name)
    l.setWordWrap(True)
    l.setTextFormat(Qt.PlainText)
    if bold:
        font = l.font()
        font.setBold(True)
        l.setFont(font)
    return l


def named(widget, name, text=None):
    widget.setObjectName(name)
    if text is not None:
        widget.setText(text)
    return widget


def row(*widgets, stretch=True):
    box = QHBoxLayout()
    for w in widgets:
        box.addWidget(w)
    if stretch:
        box.addStretch(1)
    return box
