#!/usr/bin/env bash
# Checks the habits that keep the sources in shape:
#  - the subsystems below the application never include from it (only src/app wires the
#    parts together), and common/ and data/ include no feature subsystem;
#  - every C++ source is formatted with the project's .clang-format.
# Exits non-zero naming what is wrong.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
status=0

if grep -rn --include='*.cpp' --include='*.h' '#include "app/' src | grep -v '^src/app/'; then
    echo "check-sources: the lines above include from src/app outside it" >&2
    status=1
fi

if grep -rnE --include='*.cpp' --include='*.h' '#include "(textview|search|classification|recitation|about)/' \
    src/common src/data; then
    echo "check-sources: the lines above include a feature subsystem from common/ or data/" >&2
    status=1
fi

if ! command -v clang-format >/dev/null 2>&1; then
    echo "check-sources: clang-format is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi
mapfile -t sources < <(find src tests tools fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | sort)
if ! clang-format --dry-run -Werror "${sources[@]}" 2>/tmp/check-sources-format.$$; then
    grep -o '^[^:]*:[0-9]*' /tmp/check-sources-format.$$ | cut -d: -f1 | sort -u |
        sed 's/^/check-sources: not formatted: /' >&2
    echo "check-sources: run clang-format -i on the files above" >&2
    status=1
fi
rm -f /tmp/check-sources-format.$$
exit $status
