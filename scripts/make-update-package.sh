#!/usr/bin/env bash
# Makes an update package of the program: a ZIP of the install tree with a top-level VERSION, its detached
# Ed25519 signature and the descriptor section that offers it.
#
#   scripts/make-update-package.sh TREE VERSION KEY.pem OUTDIR [BASE_URL]
#
# TREE     the install tree (the program directory as it should be after the update)
# VERSION  the offered version, four parts: 1.0.0.N
# KEY.pem  the Ed25519 private key the program's built-in public key belongs to; keep it out of the repository
# OUTDIR   receives Zorb_6x52_<VERSION>.zip, its .sig and descriptor-section.cfg
# BASE_URL where the package will be published (default: the maker's /files/autoupdates/)
#
# The private key is made once with: openssl genpkey -algorithm ed25519 -out KEY.pem
# and its public half (openssl pkey -in KEY.pem -pubout) is the key built into net/SelfUpdate.cpp.
set -euo pipefail

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
    sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi
tree=$1 version=$2 key=$3 out=$4
base=${5:-https://zorb6x52.example/files/autoupdates/}
case "$base" in */) ;; *) base="$base/" ;; esac

[ -d "$tree" ] || { echo "No install tree: $tree" >&2; exit 1; }
[ -f "$key" ] || { echo "No private key: $key" >&2; exit 1; }
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "The version needs four numbers: $version" >&2; exit 1; }
for tool in zip openssl python3; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done
# The program refuses links, devices and its user's data files in a package; refuse them here first.
if [ -n "$(find "$tree" ! -type f ! -type d -print -quit)" ]; then
    echo "The tree holds links or special files:" >&2
    find "$tree" ! -type f ! -type d >&2
    exit 1
fi
if [ -n "$(find "$tree" -maxdepth 1 \( -iname 'Zorb_6x52.ldr' -o -iname 'Zorb_6x52.lsk' -o -iname 'Zorb_6x52.ini' \
        -o -iname 'Zorb_6x52.frm' -o -iname 'Zorb_6x52.flt' -o -iname 'Zorb_6x52.lrt' -o -iname 'Zorb_6x52.ltb' \
        -o -iname 'Zorb_6x52.lss' -o -iname 'Prefetchs' -o -iname 'SelfUpdate*' \) -print -quit)" ]; then
    echo "The tree holds data files of a user; package the program files only." >&2
    exit 1
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
name="Zorb_6x52_${version}.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp -a "$tree/." "$stage/"
printf '%s\n' "$version" > "$stage/VERSION"
rm -f "$out/$name" "$out/$name.sig"
# -X leaves out extra attributes; Unix permission bits are kept in the entries' external attributes.
(cd "$stage" && zip -q -r -X "$out/$name" .)
openssl pkeyutl -sign -rawin -inkey "$key" -in "$out/$name" -out "$out/$name.sig"
[ "$(stat -c %s "$out/$name.sig")" -eq 64 ] || { echo "The signature is not 64 bytes" >&2; exit 1; }
crc=$(python3 -c 'import sys, zlib; print("%08X" % (zlib.crc32(open(sys.argv[1], "rb").read()) & 0xFFFFFFFF))' \
    "$out/$name")

cat > "$out/descriptor-section.cfg" <<CFG
[Zorb_6x52]
VerId=$version
Description=Zorb 6x52 $version
DownloadUrl=${base}${name}
SignatureUrl=${base}${name}.sig
ChecksumCRC32=$crc
CFG
echo "Package:    $out/$name"
echo "Signature:  $out/$name.sig"
echo "Descriptor: $out/descriptor-section.cfg (add it to Kesto_AU.cfg)"
