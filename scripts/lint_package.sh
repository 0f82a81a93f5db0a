#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built as Debian's own tools do: lintian
# must report no error and no warning, and the AppStream metadata must validate.
# Usage: lint_package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

scripts/deps.sh lintian appstream

debs=("$build"/virel-configurator_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "lint_package.sh: no package in $build; run scripts/package.sh" >&2; exit 1; }

failed=0
# Infos are shown but do not fail; errors and warnings do.
if lintian --fail-on error,warning --info "$deb"; then
    echo "lintian: no errors, no warnings in $deb"
else
    echo "FAIL: lintian found errors or warnings in $deb"
    failed=1
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for metainfo in "$root"/usr/share/metainfo/*.metainfo.xml; do
    if appstreamcli validate --no-net "$metainfo"; then
        echo "appstreamcli: ${metainfo#$root} is valid"
    else
        echo "FAIL: appstreamcli rejects ${metainfo#$root}"
        failed=1
    fi
done

exit "$failed"
