#!/usr/bin/env bash
# installed_tree_test.sh BUILD_DIR
# `cmake --install` into a scratch root puts exactly the expected files in the GNU layout
# under /usr; the installed desktop entry and metainfo pass their validators together with
# the icons beside them, and the compressed files carry no time stamp.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

expected=(
    usr/bin/tavro-sim
    usr/bin/tavro-writer
    usr/bin/tavro-writer-cli
    usr/share/applications/tavro-writer.desktop
    usr/share/bash-completion/completions/tavro-writer-cli
    usr/share/doc/tavro-writer/changelog.gz
    usr/share/doc/tavro-writer/copyright
    usr/share/fish/vendor_completions.d/tavro-writer-cli.fish
    usr/share/man/man1/tavro-sim.1.gz
    usr/share/man/man1/tavro-writer-cli.1.gz
    usr/share/man/man1/tavro-writer.1.gz
    usr/share/metainfo/org.tavro.Writer.metainfo.xml
    usr/share/zsh/vendor-completions/_tavro-writer-cli
    usr/share/icons/hicolor/scalable/apps/tavro-writer.svg
)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tavro-writer.png")
done

status=0
installed=$(cd "$root" && find . -type f -printf '%P\n' | sort)
if ! diff -u <(printf '%s\n' "${expected[@]}" | sort) <(printf '%s\n' "$installed"); then
    echo "installed_tree: the installed files are not the expected ones (- expected, + installed)" >&2
    status=1
fi
if [[ -n $(cd "$root" && find . -mindepth 1 \( -perm /022 -o ! -perm -444 \)) ]]; then
    echo "installed_tree: files or directories writable by others or unreadable:" >&2
    (cd "$root" && find . -mindepth 1 \( -perm /022 -o ! -perm -444 \)) >&2
    status=1
fi

for size in 16 24 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/tavro-writer.png
    [[ -f $icon ]] || continue
    file -b "$icon" | grep -q "PNG image data, $size x $size," ||
        { echo "installed_tree: $icon: $(file -b "$icon"), not $size x $size" >&2; status=1; }
done

for gz in "$root"/usr/share/man/man1/*.gz "$root"/usr/share/doc/tavro-writer/changelog.gz; do
    # Bytes 4..7 of a gzip header are its time stamp; gzip -n leaves them 0.
    [[ $(od -An -tx1 -j4 -N4 "$gz" | tr -d ' \n') == 00000000 ]] ||
        { echo "installed_tree: $gz carries a time stamp" >&2; status=1; }
    gzip -t "$gz" || status=1
done

for program in tavro-writer tavro-writer-cli tavro-sim; do
    # The page names the version the program reports.
    version=$("$root/usr/bin/$program" --version | awk '{print $2}')
    title_line="^\.TH .*\"tavro\\\\-writer $version\""
    zcat "$root/usr/share/man/man1/$program.1.gz" | grep -q "$title_line" ||
        { echo "installed_tree: $program.1 does not name version $version" >&2; status=1; }
done

desktop-file-validate "$root/usr/share/applications/tavro-writer.desktop" || status=1
appstreamcli validate-tree --no-net "$root/usr" || status=1
exit "$status"
