#!/bin/sh
# Runs the API's pytest suite with the interpreter the module was built for;
# exits 77 (skipped) when pytest or the module is not there.
# Usage: run_pytest.sh PYTHON TEST-DIR
python=${1:-python3}
[ -n "$1" ] && command -v "$python" >/dev/null 2>&1 || { echo "skipped: no Python interpreter"; exit 77; }
"$python" -c "import pytest" 2>/dev/null || { echo "skipped: pytest is not installed"; exit 77; }
LD_PRELOAD="${TORVA_TEST_PRELOAD:-}" "$python" -c "import torva" 2>/dev/null || { echo "skipped: the torva module was not built"; exit 77; }
# A sanitized module needs its runtime loaded before the interpreter's own.
if [ -n "${TORVA_TEST_PRELOAD:-}" ]; then
    export LD_PRELOAD="$TORVA_TEST_PRELOAD"
fi
exec "$python" -m pytest -q -p no:cacheprovider "$2"
