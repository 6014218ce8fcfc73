#!/usr/bin/env bash
# Makes both Debian packages in a build directory and checks them the way Debian does:
#   scripts/check-packages.sh [--fresh] [BUILD_DIR]      (BUILD_DIR: build, configured by scripts/build.sh)
# lintian on each package, desktop-file-validate, appstreamcli validate and the MIME database on the installed
# files. --fresh also installs both packages on a pristine Debian 12 root (made by the tool in FRESH_DEBIAN) and
# checks there that zorb-cli --help and man zorb-cli work and that systemd-analyze verify accepts the unit.
set -euo pipefail
cd "$(dirname "$0")/.."

fresh=0
if [ "${1:-}" = "--fresh" ]; then
    fresh=1
    shift
fi
build=$(realpath "${1:-build}")
[ -f "$build/CPackConfig.cmake" ] || { echo "check-packages: $build is not a configured build directory" >&2; exit 2; }

tools=(lintian desktop-file-utils appstream shared-mime-info)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

targets=(zorb-cli zorb-server packaging_files help_pages zorb_language_modules)
grep -q '^ZORB_BUILD_UI:BOOL=ON' "$build/CMakeCache.txt" && targets+=(Zorb_6x52)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
rm -f "$build"/zorb-6x52_*.deb "$build"/zorb-server_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/zorb-6x52_*.deb "$build"/zorb-server_*.deb)

status=0
for deb in "${debs[@]}"; do
    echo "== lintian $(basename "$deb")"
    # Exit status 2 means the package has errors; warnings are counted below.
    report=$(lintian --fail-on none "$deb")
    [ -n "$report" ] && echo "$report"
    if grep -qE '^(E|W):' <<<"$report"; then status=1; fi
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$stage"; done
echo "== desktop-file-validate"
desktop-file-validate "$stage"/usr/share/applications/*.desktop || status=1
echo "== appstreamcli validate"
appstreamcli validate --no-net "$stage"/usr/share/metainfo/*.metainfo.xml || status=1
echo "== shared MIME database"
mime=$(XDG_DATA_DIRS="$stage/usr/share" update-mime-database "$stage/usr/share/mime" 2>&1)
[ -z "$mime" ] || { echo "$mime"; status=1; }
for glob in 'x-zorb-scenario:*.lsc' 'x-zorb-combinations:*.lcv' 'x-zorb-draws:*.ldr'; do
    grep -qF ":application/$glob" "$stage/usr/share/mime/globs2" || { echo "not registered: $glob"; status=1; }
done

if [ $fresh -eq 1 ]; then
    # The pristine root sees the host's /dev, so the packages travel through /dev/shm.
    tool=${FRESH_DEBIAN:-../shared/tools/fresh-debian.sh}
    [ -x "$tool" ] || { echo "check-packages: no pristine-system tool at $tool" >&2; exit 2; }
    hand=/dev/shm/zorb-packages.$$
    mkdir -p "$hand" && cp "${debs[@]}" "$hand"/
    cmd="set -e; export DEBIAN_FRONTEND=noninteractive; apt-get update -q >/dev/null;"
    cmd+=" apt-get install -y -q man-db systemd $hand/*.deb;"
    cmd+=" zorb-cli --help; man -P cat zorb-cli | head -n 40; man -w Zorb_6x52 zorb-server;"
    cmd+=" Zorb_6x52 --help; systemd-analyze verify /lib/systemd/system/zorb-server.service;"
    cmd+=" test -L /etc/systemd/system/multi-user.target.wants/zorb-server.service;"
    cmd+=" grep -x /etc/zorb-server/zorb-server.conf /var/lib/dpkg/info/zorb-server.conffiles;"
    cmd+=" apt-get purge -y -q zorb-server zorb-6x52; echo FRESH-INSTALL-OK"
    echo "== pristine Debian 12"
    CACHE=${CACHE:-/tmp/fresh-debian-packages} "$tool" "$cmd" || status=1
    rm -rf "$hand"
fi

[ $status -eq 0 ] && echo "check-packages: all checks passed" || echo "check-packages: some checks failed" >&2
exit $status
