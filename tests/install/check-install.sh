#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree as a user gets
# it: both programs answer --version with the package version and run from
# outside the source tree (the workbench grabs a file whose name has blanks and a
# non-ASCII letter), the desktop entry, MIME types, metainfo, icon, manual pages
# and bash completion are there and agree with the programs.
# usage: check-install.sh CMAKE BUILD_DIR VERSION WITH_GUI(0|1)
set -euo pipefail
cmake=$1 build=$2 version=$3 gui=$4

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
"$cmake" --install "$build" --prefix "$root" >"$tmp/install.log" || fail "install: $(cat "$tmp/install.log")"
cd "$tmp"

id=org.facetra.Facetra
share=$root/share
need=(bin/facetra-cli share/man/man1/facetra-cli.1.gz share/bash-completion/completions/facetra-cli)
if [ "$gui" = 1 ]; then
    need+=(bin/facetra share/applications/$id.desktop share/metainfo/$id.metainfo.xml
        share/mime/packages/$id.xml share/icons/hicolor/scalable/apps/$id.svg
        share/icons/hicolor/256x256/apps/$id.png share/man/man1/facetra.1.gz)
fi
for f in "${need[@]}"; do
    [ -s "$root/$f" ] || fail "not installed: $f"
done

cli=$root/bin/facetra-cli
[ "$("$cli" --version)" = "facetra-cli $version" ] || fail "facetra-cli --version: $("$cli" --version)"

# The completion offers every command of --help and exactly its options; the
# manual page describes them all.
completions() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _facetra_cli
        printf "%s\n" "${COMPREPLY[@]}"' _ "$share/bash-completion/completions/facetra-cli" "$@" | sort
}
verbs=$("$cli" --help | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p' | sort)
[ -n "$verbs" ] || fail "no commands in facetra-cli --help"
offered=$(completions facetra-cli '')
for verb in $verbs; do
    grep -qx -- "$verb" <<<"$offered" || fail "completion does not offer $verb"
done
man_cli=$(gzip -dc "$share/man/man1/facetra-cli.1.gz" | tr -d '\\')
for verb in $verbs; do
    options=$("$cli" "$verb" --help | head -1 | grep -o -- '--[a-z-]*' | sort -u || true)
    offered=$(completions facetra-cli "$verb" -- | grep -vx -- --help || true)
    [ "$offered" = "$options" ] || fail "completion of '$verb' options: [$offered], usage: [$options]"
    grep -q -- "$verb" <<<"$man_cli" || fail "facetra-cli.1 does not describe $verb"
    for option in $options; do
        grep -q -- "$option" <<<"$man_cli" || fail "facetra-cli.1 does not describe $verb $option"
    done
done

[ "$gui" = 1 ] || exit 0

[ "$("$root/bin/facetra" --version)" = "facetra $version" ] || fail "facetra --version"
grep -q "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml" || fail "metainfo version"
desktop=$share/applications/$id.desktop
grep -Eq '^Exec=facetra %[fF]$' "$desktop" || fail "desktop entry's Exec"
for type in model/obj model/stl model/x-ply model/x-off model/x-gts model/x-obj-compressed \
    model/x-ply-compressed model/x-stl-compressed model/x-off-compressed model/x-gts-compressed; do
    grep -q "^MimeType=.*$type;" "$desktop" || fail "desktop entry lacks $type"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
fi
# The MIME package compiles, and a compressed mesh is its own type, not any .gz.
if command -v update-mime-database >/dev/null; then
    update-mime-database "$share/mime" >"$tmp/mime.log" 2>&1 || fail "update-mime-database: $(cat "$tmp/mime.log")"
    grep -q ':model/x-ply-compressed:\*\.ply\.gz$' "$share/mime/globs2" || fail "MIME glob *.ply.gz"
fi

# Started from outside the source tree, on a name with blanks and a non-ASCII letter.
mesh="$tmp/FILE WITH SPACES é.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n' >"$mesh"
shot="$tmp/grab é.png"
"$root/bin/facetra" --grab "$shot" --size 320x240 "$mesh" >"$tmp/grab.log" 2>&1 ||
    fail "facetra --grab: $(cat "$tmp/grab.log")"
file "$shot" | grep -q 'PNG image data, 320 x 240' || fail "grab wrote no 320x240 PNG"
echo "installed tree complete"
