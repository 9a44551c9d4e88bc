"""The plugin's side of label making: the layer's style and data handed to
the carrowind program, its labels written into the layer's renderer.

Work that touches the layer (reading its style, writing labels) runs on the
main thread: prepare() and finish(). Running the program (run()) may run on
any thread; on the main thread it keeps QGIS responsive while it waits.
apply_labels() and reset_labels() do all three in turn."""
import json
import os
import shutil
import subprocess
import tempfile
from dataclasses import asdict, dataclass
from typing import List, Optional, Tuple

from qgis.PyQt import sip

from qgis.core import (QgsCategorizedSymbolRenderer, QgsFeedback, QgsGraduatedSymbolRenderer, QgsMapLayer,
                       QgsMapLayerLegendUtils, QgsMapLayerStyle, QgsProject, QgsRuleBasedRenderer,
                       QgsSingleSymbolRenderer, QgsVectorLayer)
from qgis.PyQt.QtCore import QCoreApplication, QEventLoop, QProcess, QThread
from qgis.PyQt.QtWidgets import QUndoCommand

from . import records

# Layer custom properties: what survives saving and reopening the project.
PROPERTY_EXPRESSION = "carrowind/expression"
PROPERTY_OPTIONS = "carrowind/options"
PROPERTY_ORIGINAL = "carrowind/original_labels"
PROPERTY_REFRESH = "carrowind/refresh_on_change"

RENDERERS = ("singleSymbol", "categorizedSymbol", "graduatedSymbol", "RuleRenderer")
INSTALL_HINT = ("Install the carrowind package, or install it from the Carrowind sources with "
                "scripts/install-qgis-plugin (which also installs this plugin next to it), or set the environment "
                "variable CARROWIND_PROGRAM to the program's path.")


class CarrowindError(Exception):
    """A failure to show the user as it is."""


class ProgramMissing(CarrowindError):
    pass


class Labels(list):
    """The labels made, and whether classes without records kept theirs."""
    skipped = False


@dataclass
class Options:
    """records: 0 the layer's filter when it has one, else all; 1 all; 2 the selection.
    wrap: wrap labels longer than this many characters; 0 none."""
    records: int = 0
    wrap: int = 0
    all_other_values: bool = True


def find_program() -> str:
    """CARROWIND_PROGRAM, else the program the installer put beside the
    plugin (program.txt), else carrowind on PATH (the package's
    /usr/bin/carrowind beside the plugin in QGIS's own plugin folder)."""
    named = os.environ.get("CARROWIND_PROGRAM", "")
    if named:
        if os.path.isfile(named) and os.access(named, os.X_OK):
            return named
        raise ProgramMissing(f"CARROWIND_PROGRAM names {named}, which is not a program. {INSTALL_HINT}")
    try:
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "program.txt"), encoding="utf-8") as f:
            installed = f.read().strip()
        if installed and os.access(installed, os.X_OK):
            return installed
    except OSError:
        pass
    found = shutil.which("carrowind")
    if found:
        return found
    raise ProgramMissing(f"The carrowind program is not installed (it is not on PATH). {INSTALL_HINT}")


def layer_problem(layer) -> Optional[str]:
    """Why the layer cannot be labelled, or None. Whatever QGIS draws a
    layer from (any provider, joins, virtual fields, unsaved edits), its
    classes can be labelled; only renderers without classes cannot."""
    if not isinstance(layer, QgsVectorLayer) or not layer.isValid():
        return "Carrowind labels the legends of valid vector layers."
    renderer = layer.renderer()
    kind = renderer.type() if renderer else "none"
    if kind not in RENDERERS:
        return (f"The layer \"{layer.name()}\" is drawn by QGIS's \"{kind}\" renderer; Carrowind labels single "
                f"symbol, categorized, graduated and rule-based renderers.")
    return None


# The type codes `carrowind fields` prints for QGIS's field types.
def _type_code(field) -> int:
    from qgis.PyQt.QtCore import QVariant
    t = field.type()
    if t in (QVariant.Int, QVariant.UInt):
        return 0 if field.length() and field.length() <= 4 else 1
    if t in (QVariant.LongLong, QVariant.ULongLong, QVariant.Double):
        return 2 if field.typeName().lower() in ("float4", "real") else 3
    if t in (QVariant.Date, QVariant.DateTime, QVariant.Time):
        return 5
    if t == QVariant.Bool:
        return 0
    if t == QVariant.ByteArray:
        return 8
    return 4


def field_list(layer) -> List[Tuple[str, int]]:
    """The layer's fields with their type codes: as the program reads the
    layer's own data (its object ID and geometry included), then the fields
    only QGIS has (joined, virtual, not saved yet) with QGIS's types."""
    fields = []
    try:
        job = prepare(layer, "", Options(), command="fields")
        try:
            out = run(job)
        finally:
            job.close()
        for line in out.splitlines():
            parts = line.split("\t")
            if len(parts) >= 2 and parts[1].lstrip("-").isdigit():
                fields.append((parts[0], int(parts[1])))
    except CarrowindError:
        pass
    known = {name.lower() for name, _ in fields}
    return fields + [(f.name(), _type_code(f)) for f in layer.fields() if f.name().lower() not in known]


class Job:
    """One run of the program over a layer's style and data, in a folder of
    its own, with what QGIS hands over first (records.Snapshot)."""

    def __init__(self, command, layer_kind):
        self.folder = tempfile.mkdtemp(prefix="carrowind_")
        self.command = command
        self.layer_kind = layer_kind
        self.document = ""
        self.args = []
        self.snapshot = None
        self.plan = records.Plan()
        self.exit_code, self.stderr = None, ""  # set by run()

    def close(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def _style_file(folder, layer) -> str:
    """The style is named after the layer, which the program's messages name
    it by."""
    name = "".join("_" if c in "/\\\0" else c for c in layer.name()).strip() or "layer"
    return os.path.join(folder, name + ".qml")


def prepare(layer, expression: str, options: Options, command: str = "apply") -> Job:
    """On the main thread: the layer's style, the snapshot of what QGIS must
    hand over (the records of joined or virtual fields, unsaved edits, other
    providers; the classes of rules and expressions), and the program's
    arguments. Where the program reads the layer itself (the fast path),
    QGIS hands over nothing."""
    problem = layer_problem(layer)
    if problem:
        raise CarrowindError(problem)
    kind = layer.renderer().type()
    job = Job(command, kind)
    try:
        job.document = _style_file(job.folder, layer)
        message, ok = layer.saveNamedStyle(job.document, QgsMapLayer.Symbology)
        if not ok:
            raise CarrowindError(f"Cannot save the style of \"{layer.name()}\": {message}")
        if command != "fields":
            job.plan = records.plan(layer, expression)
            if layer.providerType() == "postgres" and job.plan.classes:
                # QGIS's feature IDs of a table are the program's only for an integer key
                job.plan.export = True
        args = [command, job.document, "--layer", os.path.splitext(os.path.basename(job.document))[0]]
        selection = options.records == 2 and layer.selectedFeatureCount() > 0
        if not job.plan.direct:
            job.snapshot = records.snapshot(layer, job.plan, job.folder, selected_only=selection,
                                            every_record=options.records == 1)
        if job.plan.export:
            # QGIS's copy holds just the records asked for: no filter, no selection left to apply
            args += ["--data", records.records_source(job.folder)]
        else:
            args += ["--data", layer.source()]
            if layer.providerType() == "postgres":
                args += ["--provider", "postgres"]
            if selection:
                ids = os.path.join(job.folder, "selection.txt")
                with open(ids, "w") as f:
                    f.write("\n".join(str(int(i)) for i in layer.selectedFeatureIds()))
                args += ["--selection-file", ids]
        if job.snapshot is not None and job.snapshot.classes_file:
            args += ["--qgis-classes", job.snapshot.classes_file]
        if command in ("apply", "verify"):
            args += ["--expr", expression, "--json"]
            if job.plan.export or options.records == 1:
                args += ["--records", "all"]
            elif options.records == 2:
                args += ["--records", "selection"]
        if command == "apply":
            args.append("--dry-run")
            if options.wrap > 0:
                args += ["--wrap", str(options.wrap)]
            if not options.all_other_values:
                args.append("--no-all-other-values")
        if command == "verify":
            args.append("--detail")
        job.args = args
        return job
    except Exception:
        job.close()
        raise


def run(job: Job, feedback: Optional[QgsFeedback] = None) -> str:
    """Runs the program; its standard output. Raises CarrowindError when it
    cannot run or was canceled; an exit code of its own is for the caller."""
    program = find_program()
    if job.snapshot is not None:
        try:
            job.snapshot.run(feedback)
        except RuntimeError as e:
            raise CarrowindError(str(e))
        if feedback is not None and feedback.isCanceled():
            raise CarrowindError("Canceled.")
    app = QCoreApplication.instance()
    if app is not None and QThread.currentThread() == app.thread():
        code, out, err = _run_responsive(program, job.args, feedback)
    else:
        code, out, err = _run_blocking(program, job.args, feedback)
    if feedback is not None and feedback.isCanceled():
        raise CarrowindError("Canceled.")
    job.exit_code, job.stderr = code, err
    if code not in (0, 1) and not out.strip().startswith("{"):
        raise CarrowindError(err.strip() or f"carrowind {job.command} ended with exit code {code}")
    return out


def _run_blocking(program, args, feedback):
    """Off the main thread (Processing's): waits, and Cancel stops it."""
    try:
        process = subprocess.Popen([program, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as e:
        raise CarrowindError(f"Cannot start {program}: {e.strerror}")
    while True:
        try:
            out, err = process.communicate(timeout=0.1)
            break
        except subprocess.TimeoutExpired:
            if feedback is not None and feedback.isCanceled():
                process.kill()
    return process.returncode, out.decode("utf-8", "replace"), err.decode("utf-8", "replace")


def _run_responsive(program, args, feedback):
    """On the main thread: the program runs while QGIS goes on handling its
    events; Cancel (the feedback's) stops it."""
    process = QProcess()
    loop = QEventLoop()
    process.finished.connect(loop.quit)
    process.errorOccurred.connect(lambda _error: loop.quit())
    if feedback is not None:
        feedback.canceled.connect(process.kill)
    process.start(program, args)
    if not process.waitForStarted(10000):
        raise CarrowindError(f"Cannot start {program}: {process.errorString()}")
    if process.state() != QProcess.NotRunning:
        loop.exec_()
    process.waitForFinished(-1)
    out = bytes(process.readAllStandardOutput()).decode("utf-8", "replace")
    err = bytes(process.readAllStandardError()).decode("utf-8", "replace")
    return process.exitCode(), out, err


def result_of(job, out) -> dict:
    """The program's JSON answer; raises CarrowindError with its message when
    no labels could be made."""
    try:
        result = json.loads(out)
    except ValueError:
        raise CarrowindError(job.stderr.strip() or out.strip() or "carrowind printed nothing")
    if not result.get("ok", False):
        raise CarrowindError(result.get("message") or job.stderr.strip() or "No labels could be made.")
    return result


def _rules(renderer):
    """Every rule below the root, depth first: QGIS's legend order."""
    return renderer.rootRule().descendants()


def _qgis_order(layer) -> List[int]:
    """For each class in the program's order, its place in QGIS's: the
    all-other-values category comes last there."""
    renderer = layer.renderer()
    if isinstance(renderer, QgsCategorizedSymbolRenderer):
        cats = renderer.categories()
        other = [i for i, c in enumerate(cats)
                 if not isinstance(c.value(), list) and (c.value() is None or c.value() == "")]
        order = [i for i in range(len(cats)) if not other or i != other[0]]
        return order + other[:1]
    return list(range(len(current_labels(layer))))


def current_labels(layer) -> List[str]:
    renderer = layer.renderer()
    if isinstance(renderer, QgsCategorizedSymbolRenderer):
        return [c.label() for c in renderer.categories()]
    if isinstance(renderer, QgsGraduatedSymbolRenderer):
        return [r.label() for r in renderer.ranges()]
    if isinstance(renderer, QgsRuleBasedRenderer):
        return [r.label() for r in _rules(renderer)]
    node = _tree_layer(layer)
    return [QgsMapLayerLegendUtils.legendNodeUserLabel(node, 0) if node else ""]


def _tree_layer(layer):
    project = layer.project() or QgsProject.instance()
    return project.layerTreeRoot().findLayer(layer.id())


# The undo stack holds the commands' C++ side only: their Python side (the
# overrides) lives as long as a reference here does.
_commands = {}


class _StyleChange(QUndoCommand):
    """Joins QGIS's undo of style changes: undo gives the style back."""

    def __init__(self, layer, before, after, text):
        super().__init__(text)
        self.layer, self.before, self.after, self.first = layer, before, after, True

    def redo(self):
        if self.first:  # already in effect when pushed
            self.first = False
            return
        self.after.writeToLayer(self.layer)
        self.layer.triggerRepaint()

    def undo(self):
        self.before.writeToLayer(self.layer)
        self.layer.triggerRepaint()


def _write_labels(layer, labels: List[str], undo_text: str):
    """Each class's label into the renderer in memory; the legend and the
    map are refreshed and the change joins the style undo stack."""
    before = QgsMapLayerStyle()
    before.readFromLayer(layer)
    renderer = layer.renderer()
    if isinstance(renderer, QgsCategorizedSymbolRenderer):
        for i, label in enumerate(labels[:len(renderer.categories())]):
            renderer.updateCategoryLabel(i, label)
    elif isinstance(renderer, QgsGraduatedSymbolRenderer):
        for i, label in enumerate(labels[:len(renderer.ranges())]):
            renderer.updateRangeLabel(i, label)
    elif isinstance(renderer, QgsRuleBasedRenderer):
        for rule, label in zip(_rules(renderer), labels):
            rule.setLabel(label)
    elif isinstance(renderer, QgsSingleSymbolRenderer):
        node = _tree_layer(layer)
        if node is not None:
            if labels and labels[0]:
                QgsMapLayerLegendUtils.setLegendNodeUserLabel(node, 0, labels[0])
            else:  # none of its own: QGIS shows its default again
                node.removeCustomProperty("legend/label-0")
    after = QgsMapLayerStyle()
    after.readFromLayer(layer)
    command = _StyleChange(layer, before, after, undo_text)
    if layer.id() not in _commands:
        layer.willBeDeleted.connect(lambda layer_id=layer.id(): _commands.pop(layer_id, None))
    kept = _commands.setdefault(layer.id(), [])
    kept.append(command)
    del kept[:-layer.undoStackStyles().undoLimit() or -100]
    layer.undoStackStyles().push(command)
    # The layers panel and layout legends make their items again from the renderer.
    layer.emitStyleChanged()
    layer.legendChanged.emit()
    layer.triggerRepaint()


def finish_apply(layer, job: Job, result: dict, expression: str, options: Options) -> List[str]:
    """On the main thread: the labels (result_of's answer) into the layer,
    the expression and the labels from before the first apply kept with it.
    A class no record was found for shows its label from before the first
    apply, not one an earlier apply made."""
    if sip.isdeleted(layer):
        raise CarrowindError("The layer was removed while its labels were made.")
    before = current_labels(layer)
    kept = layer.customProperty(PROPERTY_ORIGINAL)
    original = json.loads(kept) if kept is not None else list(before)
    if len(original) != len(before):
        original = list(before)
    made = list(result.get("labels", []))
    order = _qgis_order(layer)
    if len(made) != len(order):
        raise CarrowindError(f"The program made {len(made)} labels for the {len(order)} classes of "
                             f"\"{layer.name()}\"; its classes changed meanwhile. Apply again.")
    labels = list(before)
    for i, label in enumerate(made):
        labels[order[i]] = label
    for i in result.get("skipped_classes", []):
        if 0 <= i < len(order):
            labels[order[i]] = original[order[i]]
    if kept is None:
        layer.setCustomProperty(PROPERTY_ORIGINAL, json.dumps(before))
    layer.setCustomProperty(PROPERTY_EXPRESSION, expression)
    layer.setCustomProperty(PROPERTY_OPTIONS, json.dumps(asdict(options)))
    _write_labels(layer, labels, "Carrowind labels")
    out = Labels(labels)
    out.skipped = bool(result.get("skipped", False))
    return out


def apply_labels(layer, expression: str, options: Options = None, feedback: Optional[QgsFeedback] = None) -> List[str]:
    """Makes every class's label from expression and writes it into the layer."""
    options = options or Options()
    job = prepare(layer, expression, options)
    try:
        return finish_apply(layer, job, result_of(job, run(job, feedback)), expression, options)
    finally:
        job.close()


def verify(layer, expression: str, options: Options = None, feedback: Optional[QgsFeedback] = None) -> dict:
    """{"ok", "sample_label", "report", "message"} for the expression on the layer."""
    options = options or Options()
    job = prepare(layer, expression, options, command="verify")
    try:
        out = run(job, feedback)
        try:
            result = json.loads(out)
        except ValueError:
            raise CarrowindError(job.stderr.strip() or "carrowind verify printed nothing")
        return {"ok": bool(result.get("ok")), "sample_label": result.get("sample_label", ""),
                "report": result.get("report", ""), "message": result.get("message", "")}
    finally:
        job.close()


def stored_expression(layer) -> Optional[Tuple[str, Options]]:
    expression = layer.customProperty(PROPERTY_EXPRESSION)
    if not expression:
        return None
    try:
        options = Options(**json.loads(layer.customProperty(PROPERTY_OPTIONS) or "{}"))
    except (TypeError, ValueError):
        options = Options()
    return expression, options


def reset_labels(layer, feedback: Optional[QgsFeedback] = None) -> List[str]:
    """Gives the layer the labels it had before the first apply back."""
    kept = layer.customProperty(PROPERTY_ORIGINAL)
    if kept is None:
        raise CarrowindError(f"The labels of \"{layer.name()}\" have not been changed by Carrowind: nothing to reset.")
    labels = json.loads(kept)
    if len(labels) != len(current_labels(layer)):
        raise CarrowindError(f"The classes of \"{layer.name()}\" have changed since the labels were applied; "
                             f"they cannot be reset.")
    _write_labels(layer, labels, "Carrowind reset")
    for name in (PROPERTY_ORIGINAL, PROPERTY_EXPRESSION, PROPERTY_OPTIONS):
        layer.removeCustomProperty(name)
    return labels


def refresh_labels(layer, feedback: Optional[QgsFeedback] = None) -> List[str]:
    """Applies the stored expression again."""
    stored = stored_expression(layer)
    if stored is None:
        raise CarrowindError(f"No Carrowind expression is kept with \"{layer.name()}\": apply one first.")
    return apply_labels(layer, stored[0], stored[1], feedback)


# Quick picks live in the product's settings store, shared with the program.
def _quick_picks(*args) -> str:
    completed = subprocess.run([find_program(), "quickpicks", *args], capture_output=True, text=True)
    if completed.returncode != 0:
        raise CarrowindError(completed.stderr.strip() or f"carrowind quickpicks {args[0]} failed")
    return completed.stdout


def quick_pick_names() -> List[str]:
    return [line for line in _quick_picks("list").splitlines() if line]


def quick_pick(name: str) -> str:
    return _quick_picks("show", name).rstrip("\n")


def save_quick_pick(name: str, expression: str) -> None:
    """Saves or updates (the caller has asked the user before updating)."""
    _quick_picks("save", name, "--expr", expression, "--yes")


def delete_quick_pick(name: str) -> None:
    _quick_picks("delete", name)


def run_with_progress(parent, title, fn):
    """Runs fn(feedback) with a busy progress dialog whose Cancel cancels it."""
    from qgis.PyQt.QtWidgets import QProgressDialog
    from qgis.PyQt.QtCore import Qt
    feedback = QgsFeedback()
    dialog = QProgressDialog(title, "Cancel", 0, 0, parent)
    dialog.setWindowModality(Qt.WindowModal)
    dialog.setMinimumDuration(500)
    dialog.canceled.connect(feedback.cancel)
    try:
        return fn(feedback)
    finally:
        dialog.reset()
        dialog.deleteLater()
