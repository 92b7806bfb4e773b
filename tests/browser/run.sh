#!/bin/sh
# Runs report_test.py in headless Chromium. Without Chromium, its driver or
# Selenium the test is skipped (status 77) on a developer's machine, but fails
# under CI, which installs them (scripts/install-deps.sh browser).
#   tests/browser/run.sh SOURCE-DIR BUILD-DIR [SCREENSHOT-DIR]
set -u
missing=""
command -v chromium >/dev/null 2>&1 || missing="$missing chromium"
command -v chromedriver >/dev/null 2>&1 || missing="$missing chromium-driver"
/usr/bin/python3 -c "import selenium" >/dev/null 2>&1 || missing="$missing python3-selenium"
if [ -n "$missing" ]; then
    echo "report browser test: missing$missing (scripts/install-deps.sh browser installs them)"
    [ -n "${CI:-}" ] && exit 1
    exit 77
fi
exec /usr/bin/python3 "$1/tests/browser/report_test.py" "$@"
