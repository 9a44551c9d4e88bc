#!/usr/bin/python3
"""The QGIS plugin's label making on a generated layer of a million points,
timed side by side with QGIS's own count of the features in each legend
class (QgsVectorLayerFeatureCounter), which is the least QGIS itself does
to know its classes, and with the GROUP BY a user would type into ogrinfo.

Three layers over the same GeoPackage, one for each way the plugin works:
- direct: categorized on a field of the file; the program reads the file
  itself and QGIS hands over nothing;
- joined: categorized on a field of a CSV joined in QGIS; QGIS's writer
  hands the needed fields over in a temporary GeoPackage first;
- rules: a rule-based renderer; QGIS's feature counter hands over which
  rule each feature is in, as feature IDs in a JSON file.

Every measurement is repeated and the fastest kept (others' work on this
shared machine only ever adds time); the repeats go round all the layers in
turn so that a busy spell slows every column alike. The labels are checked
against QGIS's count and an SQL total of each class, so the timings are of
correct work. A benchmark, not a test: ctest never runs it.

Prints a Markdown report on standard output, progress on standard error.
Usage: bench/qgis_bench.py --program build-bench/bin/carrowind [--quick]
[--features N] [--repeats N] [--dir DIR] [--keep] [--note TEXT]
(scripts/bench --qgis builds the program and runs this with it)."""
import argparse
import datetime
import json
import os
import platform
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional

CATEGORIES = 200  # distinct values of "cat", and of the joined "grp"
KEYS = 1000  # join keys
BANDS = 10  # rules, each a band of 100 on "val" (0 to 999.99)
TABLE = "pts"
DATA_VERSION = 1  # bump when the generated data changes
LABEL = re.compile(r"^(.*) \((\d+) features, (-?[\d,.]+) total\)$")


def progress(*words):
    print(*words, file=sys.stderr, flush=True)


# --- the data ---------------------------------------------------------------

def category(i: int) -> str:
    return f"Class {i:03d}"


def group(i: int) -> str:
    return f"Group {i:03d}"


def key_group(key: int) -> str:
    return group((key * 7) % CATEGORIES)  # five keys to a group


def key_weight(key: int) -> float:
    return key * 0.5 + 1


def generate(folder: str, features: int) -> float:
    """points.gpkg: `features` points with cat (200 values, scattered over the
    file), key (0..999), val (0 to 999.99), n (unique); its table "keys" and
    keys.csv (with keys.csvt, so QGIS reads typed fields): key, grp (200
    groups), weight. Returns the seconds it took."""
    from osgeo import ogr, osr
    ogr.UseExceptions()
    start = time.perf_counter()
    path = os.path.join(folder, "points.gpkg")
    for name in ("points.gpkg", "keys.csv", "keys.csvt", "data.json"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    ds = ogr.GetDriverByName("GPKG").CreateDataSource(path)
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(4326)
    layer = ds.CreateLayer(TABLE, srs, ogr.wkbPoint)
    for name, kind in (("cat", ogr.OFTString), ("key", ogr.OFTInteger), ("val", ogr.OFTReal), ("n", ogr.OFTInteger)):
        layer.CreateField(ogr.FieldDefn(name, kind))
    defn = layer.GetLayerDefn()
    layer.StartTransaction()
    for i in range(features):
        f = ogr.Feature(defn)
        f.SetField(0, category((i * 7919) % CATEGORIES))
        f.SetField(1, (i * 31) % KEYS)
        f.SetField(2, ((i * 2654435761) % 100000) / 100.0)
        f.SetField(3, i)
        g = ogr.Geometry(ogr.wkbPoint)
        g.AddPoint_2D((i % 1000) * 0.01, (i // 1000) * 0.001)
        f.SetGeometry(g)
        layer.CreateFeature(f)
        if i % 100000 == 99999:
            layer.CommitTransaction()
            layer.StartTransaction()
            progress(f"  {i + 1} features written")
    layer.CommitTransaction()
    keys = ds.CreateLayer("keys", None, ogr.wkbNone)
    for name, kind in (("key", ogr.OFTInteger), ("grp", ogr.OFTString), ("weight", ogr.OFTReal)):
        keys.CreateField(ogr.FieldDefn(name, kind))
    keys.StartTransaction()
    for k in range(KEYS):
        f = ogr.Feature(keys.GetLayerDefn())
        f.SetField(0, k)
        f.SetField(1, key_group(k))
        f.SetField(2, key_weight(k))
        keys.CreateFeature(f)
    keys.CommitTransaction()
    ds = None
    with open(os.path.join(folder, "keys.csv"), "w", encoding="utf-8") as f:
        f.write("key,grp,weight\n")
        f.writelines(f"{k},{key_group(k)},{key_weight(k)}\n" for k in range(KEYS))
    with open(os.path.join(folder, "keys.csvt"), "w", encoding="utf-8") as f:
        f.write("Integer,String,Real\n")
    seconds = time.perf_counter() - start
    with open(os.path.join(folder, "data.json"), "w", encoding="utf-8") as f:
        json.dump({"version": DATA_VERSION, "features": features, "seconds": seconds}, f)
    return seconds


def reusable(folder: str, features: int) -> Optional[float]:
    """The seconds the folder's data took to make, when it is the data asked for."""
    try:
        with open(os.path.join(folder, "data.json"), encoding="utf-8") as f:
            made = json.load(f)
    except (OSError, ValueError):
        return None
    if made.get("version") == DATA_VERSION and made.get("features") == features:
        return float(made.get("seconds", 0))
    return None


# --- timing -----------------------------------------------------------------

@dataclass
class Time:
    wall: float
    cpu: float  # this process, all its threads
    children: float  # processes started and waited for meanwhile

    @property
    def total_cpu(self) -> float:
        return self.cpu + self.children


def _children_cpu() -> float:
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def timed(fn: Callable):
    """fn()'s result and its Time."""
    wall, cpu, children = time.perf_counter(), time.process_time(), _children_cpu()
    result = fn()
    return result, Time(time.perf_counter() - wall, time.process_time() - cpu, _children_cpu() - children)


@dataclass
class Runs:
    times: List[Time] = field(default_factory=list)

    def add(self, t: Time):
        self.times.append(t)

    @property
    def wall(self) -> float:
        return min(t.wall for t in self.times)

    @property
    def cpu(self) -> float:
        return min(t.total_cpu for t in self.times)

    def walls(self) -> str:
        return ", ".join(f"{t.wall:.2f}" for t in self.times)


# --- the layers -------------------------------------------------------------

@dataclass
class Variant:
    name: str
    what: str  # what QGIS is meant to hand over; the report says what the plan was
    layer: object
    expression: str
    target: float  # the most carrowind / QGIS's count may be
    sql: str  # the user's GROUP BY: class key, count, total
    expected_keys: List[object]  # the SQL's class key of each legend item
    first: List[Optional[str]]  # what each label's First must be, None: not checked
    apply: Runs = field(default_factory=Runs)
    count: Runs = field(default_factory=Runs)
    ogrinfo: Runs = field(default_factory=Runs)
    steps: Dict[str, Runs] = field(default_factory=dict)
    handed_over: Dict[str, int] = field(default_factory=dict)  # file name: bytes
    check: str = ""
    counts_total: int = 0


def make_layers(folder: str):
    from qgis.core import (QgsCategorizedSymbolRenderer, QgsProject, QgsRendererCategory, QgsRuleBasedRenderer,
                           QgsSymbol, QgsVectorLayer, QgsVectorLayerJoinInfo)
    from qgis.PyQt.QtGui import QColor
    project = QgsProject.instance()
    source = os.path.join(folder, "points.gpkg") + "|layername=" + TABLE

    def layer(name):
        out = QgsVectorLayer(source, name, "ogr")
        if not out.isValid():
            raise SystemExit(f"QGIS cannot read {source}")
        project.addMapLayer(out)
        return out

    def symbol(lay, i):
        s = QgsSymbol.defaultSymbol(lay.geometryType())
        s.setColor(QColor.fromHsv((i * 47) % 360, 200, 200))
        return s

    def categorized(lay, attribute, values):
        lay.setRenderer(QgsCategorizedSymbolRenderer(
            attribute, [QgsRendererCategory(v, symbol(lay, i), v) for i, v in enumerate(values)]))

    plain = "[cat].First ([val].Count features, [val].Sum.Round(0) total)"
    cats = [category(i) for i in range(CATEGORIES)]
    direct = layer("direct")
    categorized(direct, "cat", cats)

    keys = QgsVectorLayer(os.path.join(folder, "keys.csv"), "keys", "ogr")
    if not keys.isValid():
        raise SystemExit("QGIS cannot read keys.csv")
    project.addMapLayer(keys)
    joined = layer("joined")
    info = QgsVectorLayerJoinInfo()
    info.setJoinLayer(keys)
    info.setJoinFieldName("key")
    info.setTargetFieldName("key")
    info.setUsingMemoryCache(True)
    if not joined.addJoin(info):
        raise SystemExit("QGIS cannot join keys.csv")
    groups = [group(i) for i in range(CATEGORIES)]
    categorized(joined, "keys_grp", groups)

    rules = layer("rules")
    root = QgsRuleBasedRenderer.Rule(None)
    for i in range(BANDS):
        low, high = i * 100, (i + 1) * 100
        text = f'"val" >= {low} AND "val" < {high}' if i < BANDS - 1 else f'"val" >= {low}'
        root.appendChild(QgsRuleBasedRenderer.Rule(symbol(rules, i), 0, 0, text, f"{low} to {high}"))
    rules.setRenderer(QgsRuleBasedRenderer(root))

    return [
        Variant("direct", "nothing", direct, plain, 0.35,
                f"SELECT cat, COUNT(*), SUM(val) FROM {TABLE} GROUP BY cat", cats, cats),
        Variant("joined", "the fields (QGIS's writer)", joined,
                "[keys_grp].First ([val].Count features, [keys_weight].Sum.Round(0) total)", 1.5,
                f"SELECT k.grp, COUNT(*), SUM(k.weight) FROM {TABLE} p LEFT JOIN keys k ON p.key = k.key "
                "GROUP BY k.grp",
                groups, groups),
        Variant("rules", "the classes (QGIS's counter)", rules, plain, 1.5,
                f"SELECT MIN(CAST(val / 100 AS INTEGER), {BANDS - 1}), COUNT(*), SUM(val) FROM {TABLE} GROUP BY 1",
                list(range(BANDS)), [None] * BANDS),
    ]


# --- the measurements -------------------------------------------------------

def qgis_count(layer, with_ids=False):
    """QGIS's own count of every legend item's features."""
    from qgis.core import QgsExpressionContext, QgsExpressionContextUtils, QgsVectorLayerFeatureCounter
    counter = QgsVectorLayerFeatureCounter(
        layer, QgsExpressionContext(QgsExpressionContextUtils.globalProjectLayerScopes(layer)), with_ids)
    if not counter.run():
        raise RuntimeError(f"QGIS could not count {layer.name()}")
    return counter


def apply_in_steps(variant: Variant):
    """engine.apply_labels cut into its steps, each timed: prepare (main
    thread: the style, the plan), QGIS's snapshot, the program, and reading
    its answer and writing the labels into the renderer."""
    from carrowind_labels import engine
    options = engine.Options()
    job, t = timed(lambda: engine.prepare(variant.layer, variant.expression, options))
    variant.steps.setdefault("prepare", Runs()).add(t)
    handed = [what for what, on in (("the fields (QGIS's writer)", job.plan.export),
                                    ("the classes (QGIS's counter)", job.plan.classes)) if on]
    planned = " and ".join(handed) or "nothing"
    if planned != variant.what:
        progress(f"  {variant.name}: QGIS hands over {planned}, not {variant.what} as this layer is meant to test")
        variant.what = planned
    try:
        shot = job.snapshot
        if shot is not None:
            _, t = timed(shot.run)
            variant.steps.setdefault("snapshot", Runs()).add(t)
            for name in ("records.gpkg", "classes.json"):
                path = os.path.join(job.folder, name)
                if os.path.exists(path):
                    variant.handed_over[name] = os.path.getsize(path)
            job.snapshot = None  # taken: the program's run alone is timed next
        out, t = timed(lambda: engine.run(job))
        variant.steps.setdefault("program", Runs()).add(t)
        _, t = timed(lambda: engine.finish_apply(variant.layer, job, engine.result_of(job, out),
                                                 variant.expression, options))
        variant.steps.setdefault("finish", Runs()).add(t)
    finally:
        job.close()


def ogrinfo(folder: str, sql: str):
    """-q: without it ogrinfo counts the result's features first, which runs the statement twice."""
    subprocess.run(["ogrinfo", "-ro", "-q", "-dialect", "SQLite", "-sql", sql, os.path.join(folder, "points.gpkg")],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def sql_totals(folder: str, sql: str):
    """{class key: (count, total)} from the variant's own GROUP BY."""
    from osgeo import ogr
    ds = ogr.Open(os.path.join(folder, "points.gpkg"))
    result = ds.ExecuteSQL(sql)
    out = {}
    for f in result:
        out[f.GetField(0)] = (f.GetField(1), f.GetField(2))
    ds.ReleaseResultSet(result)
    return out


def check_labels(variant: Variant, labels: List[str], counter, totals) -> None:
    """Each label's count equals QGIS's count of its legend item and the SQL
    count of its class, its total the SQL total (to the rounding), its First
    the class's value; the counts add up to the layer's features."""
    items = variant.layer.renderer().legendSymbolItems()
    right, total = 0, 0
    for item, label, key, first in zip(items, labels, variant.expected_keys, variant.first):
        m = LABEL.match(label)
        if not m:
            continue
        count, made = int(m.group(2)), float(m.group(3).replace(",", ""))
        total += count
        sql_count, sql_sum = totals.get(key, (None, None))
        if (count == counter.featureCount(item.ruleKey()) == sql_count and sql_sum is not None
                and abs(made - sql_sum) <= 0.5 + 1e-6 * abs(sql_sum) and (first is None or m.group(1) == first)):
            right += 1
    variant.check = f"{right} of {len(items)}" + ("" if len(labels) == len(items) else f" ({len(labels)} labels)")
    variant.counts_total = total


# --- the report -------------------------------------------------------------

def machine_facts(program: str) -> List[str]:
    from osgeo import gdal
    from qgis.core import Qgis
    cpu = "unknown"
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            cpu = next((line.split(":", 1)[1].strip() for line in f if line.startswith("model name")), cpu)
    except OSError:
        pass
    ram = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2 ** 30
    distro = platform.platform()
    try:
        with open("/etc/os-release", encoding="utf-8") as f:
            distro = next((line.split("=", 1)[1].strip().strip('"') for line in f if line.startswith("PRETTY_NAME")),
                          distro)
    except OSError:
        pass
    build = "unknown build"
    cache = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(program))), "CMakeCache.txt")
    try:
        with open(cache, encoding="utf-8") as f:
            kind = next((line.split("=", 1)[1].strip() for line in f if line.startswith("CMAKE_BUILD_TYPE:")), "")
        build = f"{kind or 'default'} build"
    except OSError:
        pass
    return [f"- CPU: {cpu}, {os.cpu_count()} logical cores",
            f"- RAM: {ram:.1f} GiB",
            f"- OS: {distro}, kernel {platform.release()}",
            f"- QGIS: {Qgis.QGIS_VERSION} (PyQGIS, headless), Python {platform.python_version()}",
            f"- GDAL: {gdal.__version__}",
            f"- program: {os.path.relpath(program)} ({build})"]


def spaced(n: int) -> str:
    return f"{n:,}".replace(",", " ")


def number(x: float) -> str:
    return f"{x:.2f}" if x >= 0.995 else f"{x:.3f}"


def report(variants: List[Variant], args, facts: List[str], started: datetime.datetime, generate_s: float,
           reused: bool, load_before: str, whole: float) -> str:
    made = "was skipped: reused, it had taken" if reused else "took"
    lines = [f"The QGIS plugin on {spaced(args.features)} points. Run started {started:%H:%M} UTC, {started.day} "
             f"{started:%B %Y}; the whole run took {whole:.0f} s of wall time (making the data {made} "
             f"{generate_s:.0f} s).", "", "## Machine", "", *facts,
             f"- load average (1, 5, 15 min) before: {load_before}, after: {load()}"]
    if args.note:
        lines.append(f"- {args.note}")
    lines += ["", "## Wall time", "",
              f"Seconds of wall time, the fastest of {args.repeats} runs. \"carrowind\" is "
              "`engine.apply_labels(layer, expression)`, the whole of an Apply; \"QGIS's count\" is "
              "`QgsVectorLayerFeatureCounter(layer, context, False).run()` on the same layer; the ratio is "
              "carrowind / QGIS's count; \"ogrinfo\" is the GROUP BY a user would type instead (its process "
              "start included). \"labels right\": labels whose count equals QGIS's count of the legend item and "
              "the SQL count, whose total equals the SQL total and whose First is the class's value; \"counted\" "
              "is the sum of the labels' counts.", "",
              "| layer | renderer | QGIS hands over | carrowind s | QGIS's count s | ratio | target | holds "
              "| ogrinfo GROUP BY s | labels right | counted |",
              "|---|---|---|---:|---:|---:|---:|---|---:|---:|---:|"]
    renderer = {"direct": f"categorized, {CATEGORIES} on `cat`",
                "joined": f"categorized, {CATEGORIES} on joined `keys_grp`",
                "rules": f"rule-based, {BANDS} rules on `val`"}
    for v in variants:
        ratio = v.apply.wall / v.count.wall
        lines.append(f"| {v.name} | {renderer[v.name]} | {v.what} | {number(v.apply.wall)} | {number(v.count.wall)} "
                     f"| {ratio:.2f} | ≤ {v.target:g} | {'yes' if ratio <= v.target else '**no**'} "
                     f"| {number(v.ogrinfo.wall)} | {v.check} | {spaced(v.counts_total)} |")
    lines += ["", "The targets are set for a million features: on small layers the fixed costs (the style saved, "
              "the program started, the labels written back: about 0.2 s with 200 classes) outweigh QGIS's count.",
              "", "Expressions:", ""]
    for v in variants:
        lines.append(f"- {v.name}: `{v.expression}`")
    lines += ["", "## Processor time", "",
              "Seconds of processor time, the least of the runs: for carrowind the plugin's process (QGIS's "
              "threads included) plus the program it started; for ogrinfo its process.", "",
              "| layer | carrowind cpu s | of which the program s | QGIS's count cpu s | ratio | ogrinfo cpu s |",
              "|---|---:|---:|---:|---:|---:|"]
    for v in variants:
        program = v.steps["program"].times
        lines.append(f"| {v.name} | {number(v.apply.cpu)} | {number(min(t.children for t in program))} "
                     f"| {number(v.count.cpu)} | {v.apply.cpu / v.count.cpu:.2f} | {number(v.ogrinfo.cpu)} |")
    lines += ["", "## Where the time goes", "",
              "The same Apply in its steps, each the fastest of the runs (wall s): `prepare` (main thread: the "
              "style saved, the plan, the snapshot set up), `snapshot` (QGIS's writer or its feature counter with "
              "feature IDs and the classes file), `program` (the `carrowind` process), `finish` (its JSON read "
              "and the labels written into the renderer). \"handed over\" is the size of what QGIS wrote for the "
              "program.", "",
              "| layer | prepare s | snapshot s | program s | finish s | sum s | handed over |",
              "|---|---:|---:|---:|---:|---:|---|"]
    for v in variants:
        cells = [v.steps[s].wall if s in v.steps else None for s in ("prepare", "snapshot", "program", "finish")]
        files = ", ".join(f"{name} {size / 2 ** 20:.1f} MB" for name, size in v.handed_over.items()) or "–"
        lines.append(f"| {v.name} | " + " | ".join("–" if c is None else number(c) for c in cells)
                     + f" | {number(sum(c for c in cells if c is not None))} | {files} |")
    lines += ["", "## Every run", "", "Wall seconds of each run, in the order run.", "",
              "| layer | carrowind | QGIS's count | ogrinfo | snapshot | program |", "|---|---|---|---|---|---|"]
    for v in variants:
        snapshot = v.steps["snapshot"].walls() if "snapshot" in v.steps else "–"
        lines.append(f"| {v.name} | {v.apply.walls()} | {v.count.walls()} | {v.ogrinfo.walls()} | {snapshot} "
                     f"| {v.steps['program'].walls()} |")
    return "\n".join(lines) + "\n"


def load() -> str:
    try:
        with open("/proc/loadavg", encoding="utf-8") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "unknown"


# --- the run ----------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", default=os.environ.get("CARROWIND_PROGRAM", ""),
                        help="the carrowind program (default: $CARROWIND_PROGRAM)")
    parser.add_argument("--features", type=int, default=1_000_000)
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--quick", action="store_true", help="a smoke run: 20 000 features, 1 repeat")
    parser.add_argument("--dir", default="", help="make the data here, or reuse it when it is already there")
    parser.add_argument("--keep", action="store_true", help="keep the data folder (it is named on standard error)")
    parser.add_argument("--note", default="", help="a line for the report's machine facts (the source's commit)")
    args = parser.parse_args()
    if args.quick:
        args.features, args.repeats = 20_000, 1
    if not args.program or not os.access(args.program, os.X_OK):
        parser.error("--program must name the carrowind program")
    args.program = os.path.abspath(args.program)
    started, whole = datetime.datetime.now(datetime.timezone.utc), time.perf_counter()
    load_before = load()

    folder = os.path.abspath(args.dir) if args.dir else tempfile.mkdtemp(prefix="cw_qgis_bench_")
    os.makedirs(folder, exist_ok=True)
    scratch = tempfile.mkdtemp(prefix="cw_qgis_bench_home_")
    try:
        generate_s = reusable(folder, args.features)
        reused = generate_s is not None
        if not reused:
            progress(f"making {args.features} points in {folder}")
            generate_s = generate(folder, args.features)
        else:
            progress(f"reusing the points in {folder}")

        os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
        os.environ["CARROWIND_PROGRAM"] = args.program
        # The program's own settings store, so that no registered labeler of another build is loaded.
        os.environ["CARROWIND_REGISTRY"] = os.path.join(scratch, "registry.db")
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "qgis"))
        from qgis.core import QgsApplication
        app = QgsApplication([], False)
        app.initQgis()
        from carrowind_labels import engine

        variants = make_layers(folder)
        facts = machine_facts(args.program)
        totals = {v.name: sql_totals(folder, v.sql) for v in variants}
        for rep in range(args.repeats):
            for v in variants:
                progress(f"run {rep + 1} of {args.repeats}: {v.name}")
                counter, t = timed(lambda: qgis_count(v.layer))
                v.count.add(t)
                labels, t = timed(lambda: engine.apply_labels(v.layer, v.expression))
                v.apply.add(t)
                if rep == 0:
                    check_labels(v, list(labels), counter, totals[v.name])
                    progress(f"  labels right: {v.check}; counted {v.counts_total}")
                _, t = timed(lambda: ogrinfo(folder, v.sql))
                v.ogrinfo.add(t)
                apply_in_steps(v)
                progress(f"  carrowind {v.apply.times[-1].wall:.2f} s, QGIS's count {v.count.times[-1].wall:.2f} s, "
                         f"ogrinfo {v.ogrinfo.times[-1].wall:.2f} s")
        sys.stdout.write(report(variants, args, facts, started, generate_s, reused, load_before,
                                time.perf_counter() - whole))
        sys.stdout.flush()
        failed = any(v.check != f"{len(v.expected_keys)} of {len(v.expected_keys)}"
                     or v.counts_total != args.features for v in variants)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
        if args.dir or args.keep:
            progress(f"the data stays in {folder}")
        else:
            shutil.rmtree(folder, ignore_errors=True)
    sys.stderr.flush()
    # Headless QGIS may crash tearing itself down; the report is out by then.
    os._exit(1 if failed else 0)


if __name__ == "__main__":
    main()
