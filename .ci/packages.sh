#!/usr/bin/env bash
# The releases as a user gets them: the Debian package (its files, lintian's
# judgement, unpacked, its page in Chromium, installed by apt, used with its
# Python package, and removed whole), the Windows zip (its files, unzipped, run
# under Wine, its page), each run in a scratch folder, and the page's zip (its
# files, opened from the file system in every engine).
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

# The release's runs (command $2 in folder $1, after the plain run): --refine 3
# (level 3's line of the table, and as many temperatures written as it counts
# nodes); the adaptive steps to 1e-4 (each of the 18 nodes within 1e-4 of the
# converged field, bench/converged_field.txt, made by another program; the
# mesh and its temperatures a line a node); the heat flux doubled (every rise
# above the air's 22 doubled, to the digits written, and the value written);
# another plate, 10 wide with a notch 3 deep (its nodes where it puts them).
release_runs() {
    (cd "$1" && $2 --refine 3 </dev/null >refined 2>/dev/null)
    nodes=$(tr -d '\r' <"$1/refined" | awk '$1 == 3 && $2 == 1280 { print $3 }')
    [ -n "$nodes" ] && [ "$(tr -d '\r' <"$1/refined_write_.txt" | wc -l)" -eq "$nodes" ]
    (cd "$1" && $2 --adapt 1e-4 </dev/null >adapted 2>/dev/null)
    tr -d '\r' <"$1/adapted" | awk '/^node +temperature/ { on = 1; next } on && $1 ~ /^[0-9]+$/ { print $1, $2 }' >"$1/answer"
    [ "$(wc -l <"$1/answer")" -eq 18 ]
    awk 'NR == FNR { if ($1 ~ /^[0-9]+$/) t[$1] = $2; next }
         { d = $2 - t[$1]; if (d < -1e-4 || d > 1e-4) { print "node " $1 " is " $2 ", not " t[$1]; exit 1 } }' \
        bench/converged_field.txt "$1/answer"
    [ "$(tr -d '\r' <"$1/adapted_mesh.txt" | wc -l)" -eq "$(tr -d '\r' <"$1/adapted_write_.txt" | wc -l)" ]
    (cd "$1" && $2 --heat-flux 300 </dev/null >/dev/null 2>&1)
    paste -d ' ' <(tr -d '\r' <tests/data/write_.txt) <(tr -d '\r' <"$1/write_.txt") |
        awk '{ r = ($4 - 22) / ($2 - 22); if ($1 != $3 || r < 2 - 1e-5 || r > 2 + 1e-5) { print "node " $1 ": " $4; exit 1 } }'
    tr -d '\r' <"$1/values.txt" | grep -qx 'heat_flux 300'
    (cd "$1" && $2 --width 10 --notch-depth 3 </dev/null >/dev/null 2>&1)
    diff <(tr -d '\r' <"$1/mesh.txt") <(printf '%s\n' "0 0" "0 1.5" "0 3" {1.5,3.25,5}\ {0,1.5,3,4.5,6})
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
release_runs "$scratch/deb" ../root/usr/bin/heat2d
(cd "$scratch/numbered" && ../root/usr/bin/heat2d-elements ../deb/elements.txt)
cmp "$scratch/numbered/elements.txt" examples/elements.txt
/usr/bin/python3 tests/web_test.py "$scratch/root/usr/share/heat2d/web" build/default || [ $? -eq 77 ]
# Run as root, the tools leave nothing beside their scripts, and the package
# installed by apt, used (an adapted run plotted: its field and its corner)
# and removed leaves nothing behind.
[ -z "$(find "$scratch/root" -name __pycache__)" ]
if [ "$(id -u)" = 0 ] && ! dpkg -s heat2d >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y "./$deb" >/dev/null
    (cd "$scratch/numbered" && heat2d-elements ../deb/elements.txt && heat2d </dev/null >/dev/null &&
        heat2d --adapt 1e-3 </dev/null >/dev/null && heat2d-export >/dev/null && heat2d-plot >/dev/null &&
        for picture in temperature adapted_temperature adapted_corner; do
            file "$picture.png" | grep -q 'PNG image data'
        done)
    # The Python package in a fresh shell: the shipped case solved as the console solves it.
    env -i PATH=/usr/bin:/bin HOME="$scratch" /usr/bin/python3 -c "import heat2d, numpy
T = heat2d.Problem().solve(heat2d.shipped_elements()).T
assert numpy.allclose(T, numpy.loadtxt('tests/data/write_.txt')[:, 1], rtol=5e-6, atol=0), T"
    DEBIAN_FRONTEND=noninteractive apt-get purge -y heat2d >/dev/null
    ! dpkg -s heat2d >/dev/null 2>&1
    for place in /usr/share/heat2d /usr/lib/heat2d /usr/lib/python3/dist-packages/heat2d /usr/share/doc/heat2d \
        /usr/bin/heat2d; do
        [ ! -e "$place" ] || { echo "left after removal: $place" >&2; exit 1; }
    done
fi

diff <(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | sort) <({ cat tests/data/zip_files.txt; printf '%s\n' $page; } | sort)
unzip -q "$zip" -d "$scratch/zip"
folder=$scratch/zip/heat2d-${version}-win64
(cd "$folder" && wine heat2d.exe </dev/null >console 2>/dev/null)
same_run "$folder"
release_runs "$folder" "wine heat2d.exe"
# The pages beside the Windows program and in the web zip, opened from the file
# system: the zip's in Chromium, the web zip's in each engine (the cases and a few
# flipped triangulations each, another plate, a finer level, the zoom).
/usr/bin/python3 tests/engines_test.py chromium "$folder" build/default 5 || [ $? -eq 77 ]
diff <(unzip -Z1 "build/web/heat2d-${version}-web.zip" | sed 's|^[^/]*/||' | sort) \
    <(printf '%s\n' LICENSE $page | sort)
unzip -q "build/web/heat2d-${version}-web.zip" -d "$scratch/web"
for engine in chromium firefox webkit; do
    /usr/bin/python3 tests/engines_test.py "$engine" "$(echo "$scratch"/web/*)" build/default 5 || [ $? -eq 77 ]
done
echo "packages: 3 passed, 0 failed"
