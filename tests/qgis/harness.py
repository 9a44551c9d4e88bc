"""What the headless QGIS test scripts share: checks that collect failures
instead of stopping at the first, and the way a script ends."""
import os
import sys
import traceback

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def record_uncaught(kind, value, trace):
    """An exception raised in a Qt slot never reaches the code that emitted
    the signal; PyQt hands it here (and would abort without it)."""
    check(False, "uncaught: " + "".join(traceback.format_exception(kind, value, trace)).strip())


def run(main):
    """Runs main() and ends the process with 0 when every check held, 1 when
    one failed. Headless QGIS may crash tearing itself down while Python
    frees the projects it still holds; the outcome is known by then, so the
    process ends without tearing down."""
    sys.excepthook = record_uncaught
    main()
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed", flush=True)
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(1 if failures else 0)
