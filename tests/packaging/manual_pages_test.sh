#!/usr/bin/env bash
# manual_pages_test.sh PAGE...: each page renders without a warning from man and groff, as
# lintian reads them, and shows its NAME, SYNOPSIS and DESCRIPTION.
set -euo pipefail
status=0
for page in "$@"; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) || status=1
    if [[ -n $warnings ]]; then
        printf '%s: %s\n' "$page" "$warnings" >&2
        status=1
    fi
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | col -b)
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" "SEE ALSO"; do
        grep -qx "$section" <<<"$text" || { echo "$page: no section $section" >&2; status=1; }
    done
done
exit "$status"
