#!/usr/bin/env bash
# Takes the two pictures of the README from the program itself, offscreen: the demo workbook
# and the demo database, each with a table open. The example tests save them when
# VORLAN_SCREENSHOT_DIR names a folder; ./dev test gives them their MariaDB server.
# Any VORLAN_BUILD_DIR passes on to ./dev.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
VORLAN_SCREENSHOT_DIR="$PWD/docs" VORLAN_SANITIZE=0 \
    ./dev test -R '^Examples\.(TheWorkbookOpens|TheServerScriptHolds)'
ls -l docs/workbook.png docs/mariadb.png
