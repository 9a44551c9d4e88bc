#!/usr/bin/python3
"""--version of both programs, without a display: the product's version on
the first line, and on the second the GDAL, PROJ, Qt, ICU and SQLite they
run with; GDAL and SQLite as this machine's own tools report them. The QGIS
plugin's metadata and the top of CHANGELOG.md carry the same version.

Usage: version_test.py VERSION SOURCE_DIR CARROWIND [CARROWIND_MAP]
(no Qt is named without carrowind-map: the command line is built without
Qt only where there are no windows)."""
import os
import re
import sqlite3
import subprocess
import sys

VERSION, SOURCE, PROGRAMS = sys.argv[1], sys.argv[2], sys.argv[3:]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def gdal_release():
    """GDAL's own report: "GDAL 3.6.2, released 2023/01/02"."""
    try:
        said = subprocess.run(["gdalinfo", "--version"], capture_output=True, text=True).stdout
    except OSError:
        return None
    found = re.match(r"GDAL (\S+),", said)
    return found.group(1) if found else None


def check_program(path, with_qt):
    name = os.path.basename(path)
    # No display of any kind: --version must not need one.
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    run = subprocess.run([path, "--version"], capture_output=True, text=True, env=env, timeout=60)
    check(run.returncode == 0, f"{name} --version exits {run.returncode}: {run.stderr}")
    check(run.stderr == "", f"{name} --version says nothing on stderr: {run.stderr!r}")
    lines = run.stdout.splitlines()
    check(len(lines) == 2, f"{name} --version prints two lines: {run.stdout!r}")
    if len(lines) != 2:
        return
    check(lines[0] == f"{name} {VERSION}", f"{name}'s first line names the product version: {lines[0]!r}")
    libraries = ["GDAL", "PROJ"] + (["Qt"] if with_qt else []) + ["ICU", "SQLite"]
    items = lines[1].split(", ")
    check([item.split(" ")[0] for item in items] == libraries, f"{name} names {libraries}: {lines[1]!r}")
    versions = dict(item.split(" ", 1) for item in items if " " in item)
    for library in libraries:
        check(re.fullmatch(r"\d+(\.\d+)+", versions.get(library, "")) is not None,
              f"{name}: {library}'s version is a version: {versions.get(library)!r}")
    gdal = gdal_release()
    if gdal:
        check(versions.get("GDAL") == gdal, f"{name}: GDAL {versions.get('GDAL')}, gdalinfo says {gdal}")
    # Debian's Python reads the system's SQLite, as the programs do.
    if sys.executable.startswith("/usr/bin/"):
        check(versions.get("SQLite") == sqlite3.sqlite_version,
              f"{name}: SQLite {versions.get('SQLite')}, the library says {sqlite3.sqlite_version}")


def first_match(path, pattern):
    with open(path, encoding="utf-8") as f:
        for line in f:
            found = re.match(pattern, line)
            if found:
                return found.group(1)
    return None


def main():
    for program in PROGRAMS:
        check_program(program, with_qt=len(PROGRAMS) > 1)
    plugin = first_match(os.path.join(SOURCE, "qgis", "carrowind_labels", "metadata.txt"), r"version=(\S+)\s*$")
    check(plugin == VERSION, f"the QGIS plugin's metadata.txt says version={plugin}, the project {VERSION}")
    changelog = first_match(os.path.join(SOURCE, "CHANGELOG.md"), r"## (\S+)")
    check(changelog == VERSION, f"CHANGELOG.md starts with {changelog}, the project is at {VERSION}")
    print(f"{len(failures)} failed" if failures else "passed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
