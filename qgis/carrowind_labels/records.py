"""A layer's records as QGIS itself sees them, for what the carrowind
program cannot read or classify on its own.

The program reads a layer's file or table itself wherever that gives the
records QGIS draws (the fast path). Where it does not, QGIS hands them over:
- the data: QGIS's own writer puts the fields the labels need, as QGIS
  gives them (joined and virtual fields, unsaved edits, any provider), into
  a temporary GeoPackage table "records";
- the classes: QGIS's own feature counter says which legend items each
  feature is in (rules, categories and ranges on an expression), written
  as the feature IDs of every legend item (the format mapdoc/qgis's
  FeatureClasses reads).
Both are snapshots taken on the main thread (prepare_*), so the long work
(run()) may run on any thread. Nothing here changes the layer for longer
than taking a snapshot.

Also a program: `python3 records.py --project P --layer-id ID ...` does the
same for a layer of a saved project, for `carrowind` on the command line."""
import json
import os
import re
from dataclasses import dataclass, field
from typing import List, Optional

from qgis.core import (QgsCategorizedSymbolRenderer, QgsCoordinateTransformContext, QgsExpressionContext,
                       QgsExpressionContextUtils, QgsField, QgsFields, QgsGraduatedSymbolRenderer,
                       QgsRuleBasedRenderer, QgsSingleSymbolRenderer, QgsVectorFileWriter, QgsVectorFileWriterTask,
                       QgsVectorLayer, QgsVectorLayerFeatureCounter, QgsWkbTypes)
from qgis.PyQt.QtCore import QVariant

# The providers whose data the program reads itself.
READABLE_PROVIDERS = ("ogr", "postgres")
RECORDS_LAYER = "records"
ID_FIELD = "carrowind_fid"
CLASSES_FORMAT = "carrowind-qgis-classes"

_FIELD_NAME = re.compile(r"\[([^\[\]]*)\]")


def expression_fields(expression: str) -> List[str]:
    """The field names a label expression names (brackets hold field names
    only; "$$" tokens stand outside them)."""
    names = []
    for name in _FIELD_NAME.findall(expression or ""):
        if name.strip() and name.lower() not in (n.lower() for n in names):
            names.append(name)
    return names


def _lookup(fields: QgsFields, name: str) -> int:
    """A field's index as the program finds it: letter case ignored."""
    index = fields.lookupField(name)
    if index >= 0:
        return index
    for i, f in enumerate(fields):
        if f.name().lower() == name.lower():
            return i
    return -1


def renderer_field(layer) -> Optional[str]:
    """The field the layer's classes are on; None for an expression, rules
    or a single symbol."""
    renderer = layer.renderer()
    if isinstance(renderer, (QgsCategorizedSymbolRenderer, QgsGraduatedSymbolRenderer)):
        attribute = renderer.classAttribute()
        if _lookup(layer.fields(), attribute) >= 0:
            return layer.fields().at(_lookup(layer.fields(), attribute)).name()
        unquoted = attribute[1:-1].replace('""', '"') if len(attribute) > 1 and attribute[0] == attribute[-1] == '"' else ""
        if unquoted and _lookup(layer.fields(), unquoted) >= 0:
            return layer.fields().at(_lookup(layer.fields(), unquoted)).name()
    return None


def classes_need_qgis(layer) -> Optional[str]:
    """Why only QGIS can say which class a feature is in, or None."""
    renderer = layer.renderer()
    if isinstance(renderer, QgsRuleBasedRenderer):
        return "its rules are QGIS's to evaluate"
    if isinstance(renderer, (QgsCategorizedSymbolRenderer, QgsGraduatedSymbolRenderer)) and renderer_field(layer) is None:
        return f"its classes are on the expression {renderer.classAttribute()}"
    return None


def full_sql_subset(subset: str) -> bool:
    return subset.lstrip().lower().startswith("select")


def data_needs_qgis(layer, names: List[str]) -> Optional[str]:
    """Why the program cannot read the records (of these fields) itself, or None."""
    if layer.providerType() not in READABLE_PROVIDERS:
        return f"its data comes through QGIS's \"{layer.providerType()}\" provider"
    if layer.providerType() == "postgres" and "authcfg=" in layer.source():
        return "its password is in QGIS's authentication database"
    if layer.isEditable() and layer.isModified():
        return "it has unsaved edits"
    fields = layer.fields()
    for name in names:
        index = _lookup(fields, name)
        if index < 0:
            continue
        origin = fields.fieldOrigin(index)
        if origin == QgsFields.OriginJoin:
            return f"the field \"{fields.at(index).name()}\" is joined in QGIS"
        if origin == QgsFields.OriginExpression:
            return f"the field \"{fields.at(index).name()}\" is a virtual field"
        if origin == QgsFields.OriginEdit:
            return f"the field \"{fields.at(index).name()}\" is not saved yet"
    return None


@dataclass
class Plan:
    """What QGIS hands the program for one run: nothing (the fast path), the
    data, the classes, or both; and why."""
    fields: List[str] = field(default_factory=list)  # as QGIS names them
    export: bool = False
    classes: bool = False
    reasons: List[str] = field(default_factory=list)

    @property
    def direct(self) -> bool:
        return not self.export and not self.classes


def plan(layer, expression: str) -> Plan:
    names = expression_fields(expression)
    on = renderer_field(layer)
    if on and on.lower() not in (n.lower() for n in names):
        names.append(on)
    out = Plan()
    for name in names:
        index = _lookup(layer.fields(), name)
        if index >= 0:
            out.fields.append(layer.fields().at(index).name())
    why_data = data_needs_qgis(layer, names)
    why_classes = classes_need_qgis(layer)
    if why_data:
        out.export = True
        out.reasons.append(why_data)
    if why_classes:
        out.classes = True
        out.reasons.append(why_classes)
    return out


def records_source(folder: str) -> str:
    return os.path.join(folder, "records.gpkg") + "|layername=" + RECORDS_LAYER


class Snapshot:
    """The work QGIS does for one run, taken from the layer on the main
    thread; run() does it on any thread."""

    def __init__(self, folder: str):
        self.folder = folder
        self.writer = None
        self.counter = None
        self.legend_keys = []
        self.id_field = ""
        self.error = ""

    @property
    def table(self) -> Optional[str]:
        return os.path.join(self.folder, "records.gpkg") if self.writer is not None else None

    @property
    def classes_file(self) -> Optional[str]:
        return os.path.join(self.folder, "classes.json") if self.counter is not None else None

    def run(self, feedback=None):
        if self.writer is not None:
            if not self.writer.run():
                raise RuntimeError(f"QGIS could not write the layer's records: {self.writer_error()}")
        if feedback is not None and feedback.isCanceled():
            return
        if self.counter is not None:
            if feedback is not None:
                feedback.canceled.connect(self.counter.cancel)
            if not self.counter.run():
                raise RuntimeError("QGIS could not count the layer's classes")
            self._write_classes()

    def writer_error(self) -> str:
        return self.error or "the writer failed"

    def _write_classes(self):
        with open(self.classes_file, "w", encoding="utf-8") as f:
            f.write('{"format": "%s", "version": 1, "id_field": %s, "items": [' %
                    (CLASSES_FORMAT, json.dumps(self.id_field)))
            for i, key in enumerate(self.legend_keys):
                ids = self.counter.featureIds(key) if key else set()
                f.write((", " if i else "") + "[" + ",".join(map(str, ids)) + "]")  # the program sorts them
            f.write("]}\n")


def _context(layer) -> QgsExpressionContext:
    return QgsExpressionContext(QgsExpressionContextUtils.globalProjectLayerScopes(layer))


def snapshot(layer, the_plan: Plan, folder: str, selected_only: bool = False, every_record: bool = False) -> Snapshot:
    """On the main thread: what run() will write into folder. every_record:
    the layer's filter is left out (a copy of the layer without it, which has
    no unsaved edits)."""
    shot = Snapshot(folder)
    source = layer
    if every_record and layer.subsetString():
        source = layer.clone()
        source.setSubsetString("")
    if the_plan.classes:
        shot.counter = QgsVectorLayerFeatureCounter(source, _context(source), True)
        shot.legend_keys = [item.ruleKey() for item in source.renderer().legendSymbolItems()]
    if the_plan.export:
        shot.id_field = ID_FIELD if the_plan.classes else ""
        shot.writer = _writer_task(source, the_plan.fields, shot, selected_only)
    if source is not layer:
        shot.keep = source  # the copy lives as long as its snapshots
    return shot


def _writer_task(layer, names: List[str], shot: Snapshot, selected_only: bool):
    """QGIS's writer over the layer's fields as QGIS gives them, with QGIS's
    feature ID beside them when classes go by it. The ID is a virtual field
    that lives only while the writer takes its snapshot."""
    options = QgsVectorFileWriter.SaveVectorOptions()
    options.driverName = "GPKG"
    options.layerName = RECORDS_LAYER
    options.fileEncoding = "UTF-8"
    options.overrideGeometryType = QgsWkbTypes.NoGeometry
    options.onlySelectedFeatures = selected_only
    added = -1
    blocked = layer.blockSignals(True)
    try:
        if shot.id_field:
            added = layer.addExpressionField("$id", QgsField(ID_FIELD, QVariant.LongLong))
        fields = layer.fields()
        indexes = [_lookup(fields, n) for n in names]
        if shot.id_field:
            indexes.append(fields.indexOf(ID_FIELD))
        options.attributes = [i for i in indexes if i >= 0]
        return QgsVectorFileWriterTask(layer, os.path.join(shot.folder, "records.gpkg"), options)
    finally:
        if added >= 0:
            layer.removeExpressionField(layer.fields().indexOf(ID_FIELD))
        layer.blockSignals(blocked)


def main(argv=None):
    """For carrowind on a saved project: writes what the program asks for
    into --out and prints {"table", "classes", "id_field"}; exit 2 with the
    reason on standard error when the project or layer cannot be had."""
    import argparse
    import sys
    parser = argparse.ArgumentParser(description=main.__doc__)
    parser.add_argument("--project", required=True)
    parser.add_argument("--layer-id", required=True)
    parser.add_argument("--fields", default="", help="field names, one per line")
    parser.add_argument("--export", action="store_true", help="write the fields' records")
    parser.add_argument("--classes", action="store_true", help="write QGIS's classes")
    parser.add_argument("--every-record", action="store_true", help="leave the layer's filter out")
    parser.add_argument("--out", required=True)
    args = parser.parse_args(argv)
    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    from qgis.core import QgsApplication, QgsProject
    app = QgsApplication([], False)
    app.initQgis()
    project = QgsProject.instance()
    if not project.read(args.project):
        print(f"QGIS cannot read the project {args.project}: {project.error()}", file=sys.stderr)
        os._exit(2)
    layer = project.mapLayer(args.layer_id)
    if not isinstance(layer, QgsVectorLayer) or not layer.isValid():
        print(f"QGIS cannot read the layer {args.layer_id} of {args.project}", file=sys.stderr)
        os._exit(2)
    the_plan = Plan(fields=[n for n in args.fields.split("\n") if n], export=args.export, classes=args.classes)
    shot = snapshot(layer, the_plan, args.out, every_record=args.every_record)
    try:
        shot.run()
    except RuntimeError as e:
        print(str(e), file=sys.stderr)
        os._exit(1)
    print(json.dumps({"table": shot.table, "classes": shot.classes_file, "id_field": shot.id_field}), flush=True)
    # Headless QGIS may crash tearing itself down; the work is done.
    os._exit(0)


if __name__ == "__main__":
    main()
