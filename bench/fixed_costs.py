#!/usr/bin/env python3
"""What carrowind costs before it reads a record, side by side with what a
user would run instead: the program's start against ogrinfo's, and apply on
a PostGIS table against the GROUP BY typed into psql.

Usage: bench/fixed_costs.py --program build/bin/carrowind [--program OTHER ...]
                            [--rows 2000000] [--classes 500] [--tables 300] [--runs 7]

Each --program is measured in the same run (an older build, say), so that a
busy neighbour on a shared machine slows every column alike. Needs the test
server (scripts/pg-test-server start) and ogrinfo and psql on PATH. Makes the
table `fixed_costs` (and --tables small tables beside it, as a working
database has) once and keeps them. Prints a Markdown report.
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def server():
    out = subprocess.run([os.path.join(ROOT, "scripts", "pg-test-server"), "connection"],
                         capture_output=True, text=True, check=True).stdout.strip()
    fields = dict(part.split("=", 1) for part in out[3:].split())
    return out, fields


def psql(fields, sql, quiet=True):
    cmd = ["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", fields["host"], "-p", fields["port"],
           "-U", fields["user"], "-d", fields["dbname"], "-c", sql]
    return subprocess.run(cmd, stdout=subprocess.DEVNULL if quiet else subprocess.PIPE, text=True, check=True)


def make_data(fields, rows, classes, tables):
    have = subprocess.run(["psql", "-X", "-tA", "-h", fields["host"], "-p", fields["port"], "-U", fields["user"],
                           "-d", fields["dbname"], "-c",
                           "SELECT count(*) FROM fixed_costs"], capture_output=True, text=True)
    if have.returncode != 0 or int(have.stdout.strip() or 0) != rows:
        psql(fields, f"""DROP TABLE IF EXISTS fixed_costs;
            CREATE TABLE fixed_costs AS SELECT n AS gid, 'c' || lpad((n % {classes})::text, 4, '0') AS cls,
                   (n % 1000)::float8 AS val, ST_SetSRID(ST_MakePoint(n % 1000, n / 1000), 4326) AS geom
            FROM generate_series(1, {rows}) AS n;
            ALTER TABLE fixed_costs ADD PRIMARY KEY (gid); ANALYZE fixed_costs;""")
    statements = "".join(f"CREATE TABLE IF NOT EXISTS side_{i:04d} (id serial primary key, name text, "
                         f"geom geometry(Point, 4326));" for i in range(tables))
    psql(fields, statements)


def timed(cmd, env=None):
    """Wall seconds and processor seconds (the children's, this one's only child)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, env=env)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--program", action="append", required=True)
    ap.add_argument("--rows", type=int, default=2_000_000)
    ap.add_argument("--classes", type=int, default=500)
    ap.add_argument("--tables", type=int, default=300)
    ap.add_argument("--runs", type=int, default=7)
    args = ap.parse_args()

    connection, fields = server()
    make_data(fields, args.rows, args.classes, args.tables)
    work = tempfile.mkdtemp(prefix="carrowind-fixed-")
    env = dict(os.environ, CARROWIND_REGISTRY=os.path.join(work, "registry.db"))
    sample = os.path.join(ROOT, "examples", "data", "landuse.shp")
    expression = "[cls].First ([val].Count, [val].Sum.Round(0))"
    documents = {}
    for i, program in enumerate(args.program):
        doc = os.path.join(work, f"pg{i}.cwmap")
        subprocess.run([program, "new-map", doc, "--data", connection, "--layer", "fixed_costs",
                        "--unique-values", "cls"], check=True, stdout=subprocess.DEVNULL, env=env)
        documents[program] = doc

    group_by = f"SELECT cls, count(val), sum(val) FROM fixed_costs GROUP BY cls"
    columns = {"ogrinfo --version": ["ogrinfo", "--version"],
               "ogrinfo on the sample": ["ogrinfo", "-ro", "-so", sample, "landuse"],
               "psql GROUP BY": ["psql", "-X", "-q", "-h", fields["host"], "-p", fields["port"], "-U", fields["user"],
                                 "-d", fields["dbname"], "-o", "/dev/null", "-c", group_by]}
    for program in args.program:
        columns[f"{program} --version"] = [program, "--version"]
        columns[f"{program} legend (sample)"] = [program, "legend", os.path.join(ROOT, "examples", "landuse.cwmap")]
        columns[f"{program} apply (PostGIS)"] = [program, "apply", documents[program], "--layer", "fixed_costs",
                                                 "--expr", expression, "--dry-run"]
    best = {name: (float("inf"), float("inf")) for name in columns}
    for _ in range(args.runs):  # round the columns in turn
        for name, cmd in columns.items():
            wall, cpu = timed(cmd, env)
            best[name] = (min(best[name][0], wall), min(best[name][1], cpu))

    load = os.getloadavg()
    print(f"Fixed costs: {args.rows:,} rows in {args.classes} classes, {args.tables} other tables on the server; "
          f"fastest of {args.runs}; load average {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}.\n")
    print("| command | wall s | processor s |\n|---|---:|---:|")
    for name, (wall, cpu) in best.items():
        print(f"| `{name}` | {wall:.3f} | {cpu:.3f} |")


if __name__ == "__main__":
    sys.exit(main())
