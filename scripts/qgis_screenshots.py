"""Run by QGIS itself (qgis --code) from scripts/screenshots: pictures of the
plugin in real QGIS on examples/parcels.qgs, into the folder named by
CARROWIND_SHOTS: the layer's context menu, the labeling dialog with a
verified expression, and the layers panel with the relabelled legend. QGIS
quits when they are taken (status in CARROWIND_SHOTS/status.txt). CARROWIND_PROJECT names the project."""
import os
import traceback

from qgis.core import QgsApplication, QgsProject
from qgis.PyQt.QtCore import QPoint, QTimer
from qgis.PyQt.QtGui import QGuiApplication
from qgis.PyQt.QtWidgets import QApplication, QDialog
from qgis.utils import iface

OUT = os.environ["CARROWIND_SHOTS"]
EXPRESSION = "[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)"
steps = []
state = {}


def step(function):
    steps.append(function)
    return function


def screen(name, widget):
    """The screen's pixels under the widget: popups and dialogs included."""
    top_left = widget.mapToGlobal(QPoint(0, 0))
    image = QGuiApplication.primaryScreen().grabWindow(0, top_left.x(), top_left.y(), widget.width(), widget.height())
    image.save(os.path.join(OUT, name))


@step
def load_project():
    # Read here rather than from the command line, which would let the
    # project's dialogs run before this script.
    # QGIS asks which datum transformation to use; its first choice will do.
    dismiss = QTimer()
    dismiss.timeout.connect(accept_questions)
    dismiss.start(200)
    try:
        if not QgsProject.instance().read(os.environ["CARROWIND_PROJECT"]):
            raise RuntimeError("cannot read " + os.environ["CARROWIND_PROJECT"])
    finally:
        dismiss.stop()


def accept_questions():
    for widget in QApplication.topLevelWidgets():
        if isinstance(widget, QDialog) and widget.isVisible() and widget.isModal():
            widget.accept()


@step
def context_menu():
    layer = QgsProject.instance().mapLayersByName("Parcels")[0]
    iface.setActiveLayer(layer)
    view = iface.layerTreeView()
    view.setCurrentLayer(layer)
    menu = view.menuProvider().createContextMenu()
    state["menu"] = menu
    rect = view.visualRect(view.currentIndex())
    menu.popup(view.viewport().mapToGlobal(rect.center()))


@step
def context_menu_shot():
    window = iface.mainWindow()
    screen("qgis-context-menu.png", window)
    state["menu"].close()


@step
def dialog():
    from carrowind_labels.dialog import LabelingDialog
    layer = iface.activeLayer()
    dialog = LabelingDialog(layer, iface, iface.mainWindow())
    state["dialog"] = dialog
    dialog.show()
    dialog.SSTab1.setCurrentIndex(1)
    dialog.TxtExpression.setPlainText(EXPRESSION)


@step
def dialog_shot():
    screen("qgis-dialog.png", state["dialog"])
    state["dialog"].close()


@step
def apply():
    import processing
    layer = iface.activeLayer()
    processing.run("carrowind:applylabels", {"INPUT": layer, "EXPRESSION": EXPRESSION})
    iface.layerTreeView().expandAll()
    # The layers panel wide enough for the labels, the browser out of the way.
    from qgis.PyQt.QtCore import Qt
    from qgis.PyQt.QtWidgets import QDockWidget
    window = iface.mainWindow()
    for dock in window.findChildren(QDockWidget):
        if dock.objectName() == "Browser":
            dock.hide()
        elif dock.objectName() == "Layers":
            window.resizeDocks([dock], [520], Qt.Horizontal)


@step
def legend_shot():
    screen("qgis-legend.png", iface.mainWindow())


def run_steps():
    try:
        if steps:
            with open(os.path.join(OUT, "progress.txt"), "a") as f:
                f.write(steps[0].__name__ + "\n")
            steps.pop(0)()
            QTimer.singleShot(1200, run_steps)
            return
        status = "ok"
    except Exception:
        status = traceback.format_exc()
    with open(os.path.join(OUT, "status.txt"), "w") as f:
        f.write(status)
    QgsProject.instance().setDirty(False)
    QgsApplication.exit(0)


iface.mainWindow().resize(1200, 800)
QTimer.singleShot(3000, run_steps)
