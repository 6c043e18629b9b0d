#!/usr/bin/env bash
# The releases as a user gets them: the Debian package (listed, judged by
# lintian, unpacked) and the Windows zip (unzipped, run under Wine), each run
# on the shipped triangulation in a scratch folder and compared with the
# expected outputs.
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
version=$(sed -n 's/^project(heat2d VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)

# The shipped case's console (first 18 lines) and files in folder $1, line ends aside.
same_run() {
    for name in mesh.txt mesh.geo f.txt K.txt write_.txt; do
        cmp <(tr -d '\r' <"$1/$name") tests/data/$name
    done
    cmp <(tr -d '\r' <"$1/console" | head -18) <(head -18 tests/data/console.txt)
}

deb=build/package/heat2d_${version}_amd64.deb
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in bin/heat2d bin/heat2d-plot bin/heat2d-elements bin/heat2d-export \
    share/man/man1/heat2d.1.gz share/man/man1/heat2d-plot.1.gz share/man/man1/heat2d-elements.1.gz \
    share/man/man1/heat2d-export.1.gz share/doc/heat2d/copyright share/doc/heat2d/changelog.gz \
    share/doc/heat2d/examples/elements.txt share/heat2d/heat2d_problem.py share/heat2d/region.geo; do
    grep -qx "./usr/$file" <<<"$listing" || { echo "$deb: no /usr/$file"; exit 1; }
done
lintian --fail-on error "$deb"
dpkg-deb -x "$deb" "$scratch/root"
mkdir "$scratch/deb" "$scratch/numbered"
cp "$scratch/root/usr/share/doc/heat2d/examples/elements.txt" "$scratch/deb"
(cd "$scratch/deb" && ../root/usr/bin/heat2d </dev/null >console)
same_run "$scratch/deb"
(cd "$scratch/numbered" && ../root/usr/bin/heat2d-elements ../deb/elements.txt)
cmp "$scratch/numbered/elements.txt" examples/elements.txt
echo "$deb: heat2d and heat2d-elements run from the package"

zip=build/windows/heat2d-${version}-win64.zip
unzip -q "$zip" -d "$scratch/zip"
folder=$scratch/zip/heat2d-${version}-win64
for file in heat2d.exe elements.txt README.md LICENSE tools/README.txt tools/plot_temperature.py \
    tools/number_elements.py tools/export_field.py tools/heat2d_problem.py tools/region.geo; do
    [ -f "$folder/$file" ] || { echo "$zip: no $file"; exit 1; }
done
(cd "$folder" && wine heat2d.exe </dev/null >console 2>/dev/null)
same_run "$folder"
echo "$zip: heat2d.exe runs where it is unzipped"
echo "packages: 2 passed, 0 failed"
