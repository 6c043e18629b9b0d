#!/usr/bin/env bash
# The releases as a user gets them: the Debian package (its files, lintian's
# judgement, unpacked, its page in Chromium), the Windows zip (its files,
# unzipped, run under Wine), each run on the shipped triangulation in a
# scratch folder, plainly and refined three times, and the page's zip (its
# files).
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
version=$(sed -n 's/^project(heat2d VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
deb=build/package/heat2d_${version}_amd64.deb
zip=build/windows/heat2d-${version}-win64.zip

# The shipped case's files and console (its 18 lines) in folder $1, line ends aside.
same_run() {
    for name in mesh.txt mesh.geo f.txt K.txt write_.txt; do
        cmp <(tr -d '\r' <"$1/$name") tests/data/$name
    done
    cmp <(tr -d '\r' <"$1/console" | head -18) <(head -18 tests/data/console.txt)
}

# heat2d --refine 3 (its command $2) in folder $1: level 3's line of the table,
# and as many temperatures in refined_write_.txt as that line counts nodes.
refined_run() {
    (cd "$1" && $2 --refine 3 </dev/null >refined 2>/dev/null)
    nodes=$(tr -d '\r' <"$1/refined" | awk '$1 == 3 && $2 == 1280 { print $3 }')
    [ -n "$nodes" ] && [ "$(tr -d '\r' <"$1/refined_write_.txt" | wc -l)" -eq "$nodes" ]
}

# The page's files, from their one list.
page=$(grep -v '^#' web/files.txt)
diff <(dpkg-deb -c "$deb" | awk '{print $6}' | sort) \
    <({ cat tests/data/deb_files.txt; printf './usr/share/heat2d/web/%s\n' $page; } | sort)
lintian --fail-on error "$deb"
dpkg-deb -x "$deb" "$scratch/root"
mkdir "$scratch/deb" "$scratch/numbered"
cp "$scratch/root/usr/share/doc/heat2d/examples/elements.txt" "$scratch/deb"
(cd "$scratch/deb" && ../root/usr/bin/heat2d </dev/null >console)
same_run "$scratch/deb"
refined_run "$scratch/deb" ../root/usr/bin/heat2d
(cd "$scratch/numbered" && ../root/usr/bin/heat2d-elements ../deb/elements.txt)
cmp "$scratch/numbered/elements.txt" examples/elements.txt
/usr/bin/python3 tests/web_test.py "$scratch/root/usr/share/heat2d/web" build/default || [ $? -eq 77 ]
# Run as root, the tools leave nothing beside their scripts, and the package
# installed, used and removed leaves nothing behind.
[ -z "$(find "$scratch/root" -name __pycache__)" ]
if [ "$(id -u)" = 0 ] && ! dpkg -s heat2d >/dev/null 2>&1; then
    dpkg -i "$deb" >/dev/null
    (cd "$scratch/numbered" && heat2d-elements ../deb/elements.txt && heat2d </dev/null >/dev/null &&
        heat2d-export >/dev/null && { ! /usr/bin/python3 -c 'import matplotlib' 2>/dev/null || heat2d-plot >/dev/null; })
    dpkg -r heat2d >/dev/null
    for place in /usr/share/heat2d /usr/lib/heat2d /usr/share/doc/heat2d /usr/bin/heat2d; do
        [ ! -e "$place" ] || { echo "left after removal: $place" >&2; exit 1; }
    done
fi

diff <(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | sort) <({ cat tests/data/zip_files.txt; printf '%s\n' $page; } | sort)
unzip -q "$zip" -d "$scratch/zip"
folder=$scratch/zip/heat2d-${version}-win64
(cd "$folder" && wine heat2d.exe </dev/null >console 2>/dev/null)
same_run "$folder"
refined_run "$folder" "wine heat2d.exe"
diff <(unzip -Z1 "build/web/heat2d-${version}-web.zip" | sed 's|^[^/]*/||' | sort) \
    <(printf '%s\n' LICENSE $page | sort)
echo "packages: 3 passed, 0 failed"
