#!/usr/bin/env bash
# Makes an update package of the program: a ZIP of the install tree with a top-level VERSION, its detached
# Ed25519 signature (of the package's SHA-512 digest) and the descriptor section that offers it.
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
# Refuse here whatever the program would refuse of a package, before anything is made: names that are not UTF-8
# or hold control characters, links and special files, temporary or moved-aside files ("*.~*"), kept copies of
# damaged files, an empty tree, the output folder inside the tree, and anything but program files: the programs,
# VERSION, the language modules, Kessto_*.chm and the folders help/, sample/, lib/, plugins/ and translations/.
python3 - "$tree" "$out" <<'PY' || exit 1
import os, re, sys

tree, out = os.fsencode(sys.argv[1]), os.fsencode(sys.argv[2])
real_tree, real_out = os.path.realpath(tree), os.path.realpath(out)
if real_out == real_tree or real_out.startswith(real_tree + b"/"):
    sys.exit("The output folder lies inside the tree: " + os.fsdecode(out))
folders = ("help", "sample", "lib", "plugins", "translations")
top = re.compile(r"(Zorb_6x52|zorb-cli|zorb-server|VERSION|Zorb_6x52_[A-Za-z]{1,8}\.lng|Kessto_[A-Za-z]{1,8}\.chm)")
bad, files = [], 0


def refuse(raw, why):
    bad.append(os.fsdecode(raw) + ": " + why)


for root, dirs, names in os.walk(tree):
    for raw in sorted(dirs) + sorted(names):
        full = os.path.join(root, raw)
        rel = os.path.relpath(full, tree)
        try:
            text = rel.decode("utf-8")
        except UnicodeDecodeError:
            refuse(rel, "the name is not UTF-8")
            continue
        if any(ord(c) < 0x20 or ord(c) == 0x7F for c in text) or "\\" in text or ":" in text:
            refuse(rel, "control character, backslash or colon in the name")
            continue
        if os.path.islink(full) or not (os.path.isfile(full) or os.path.isdir(full)):
            refuse(rel, "a link or a special file")
            continue
        parts = text.split("/")
        if any(".~" in p or ".damaged-" in p for p in parts):
            refuse(rel, "a temporary, moved-aside or damaged-copy file")
            continue
        if parts[0] in folders:
            files += os.path.isfile(full)
            continue
        if len(parts) == 1 and os.path.isfile(full) and top.fullmatch(text):
            files += text != "VERSION"
            continue
        refuse(rel, "not a program file (data of a user never goes into a package)")
if not bad and files == 0:
    bad.append(os.fsdecode(tree) + ": no program file to package")
if bad:
    sys.exit("The tree cannot be packaged:\n  " + "\n  ".join(bad))
PY

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
# The signature is of the package's SHA-512 digest, so the program checks a package of any size as it streams.
openssl dgst -sha512 -binary "$out/$name" > "$stage/package.sha512"
openssl pkeyutl -sign -rawin -inkey "$key" -in "$stage/package.sha512" -out "$out/$name.sig"
[ "$(stat -c %s "$out/$name.sig")" -eq 64 ] || { echo "The signature is not 64 bytes" >&2; exit 1; }
crc=$(python3 - "$out/$name" <<'PY'
import sys, zlib
crc = 0
with open(sys.argv[1], "rb") as f:
    for block in iter(lambda: f.read(1 << 20), b""):
        crc = zlib.crc32(block, crc)
print("%08X" % (crc & 0xFFFFFFFF))
PY
)

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
