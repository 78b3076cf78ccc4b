#!/bin/sh
# Runs the catalogue check on small source trees around copies of the real catalogues and makes
# sure it catches what it is there to catch.  Usage: catalogue_check_test.sh SOURCE_DIR
set -u

source_dir=${1:?usage: catalogue_check_test.sh SOURCE_DIR}
scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
de=$scratch/tree/data/locale/po/trakmoor/de.po
failures=0

# tree SOURCE_TEXT: a tree with the real catalogues and one source file holding the text.
tree() {
    rm -rf "$scratch/tree"
    mkdir -p "$scratch/tree/src/app" "$scratch/tree/data/locale/po"
    cp -R "$source_dir/data/locale/po/trakmoor" "$scratch/tree/data/locale/po/"
    printf '%s\n' "$1" >"$scratch/tree/src/app/Engine.cpp"
}

# expect NAME TEXT...: the check must fail and say every TEXT (fixed text).
expect() {
    name=$1
    shift
    ok=yes
    ! sh "$source_dir/tests/app/catalogue_check.sh" "$scratch/tree" >"$scratch/out" 2>&1 || ok=no
    for text in "$@"; do
        grep -qF -- "$text" "$scratch/out" || ok=no
    done
    if [ "$ok" = no ]; then
        echo "NOT OK: $name"
        sed 's/^/    | /' "$scratch/out"
        failures=$((failures + 1))
    else
        echo "ok: $name"
    fi
}

tree 'void f() { _("Open GPX"); _("Export track"); }'
expect "a new message is missing" "lacks these messages" '"Export track"'

tree 'void f() { _("Zoom out"); }'
sed -i '/^msgid "Zoom out"$/{n;s/.*/msgstr ""/}' "$de"
expect "an empty translation counts as untranslated" untranslated '"Zoom out"'

tree 'void f() { _("File not found: "); _("Could not open OSM map: "); _(" of "); }'
sed -i -e 's/^msgstr "Datei nicht gefunden: "$/msgstr "Datei nicht gefunden:"/' \
    -e 's/^msgstr "\(OSM-Karte .*\): "$/msgstr "\1 "/' -e 's/^msgstr " von "$/msgstr "von "/' "$de"
expect "translations that lose a blank or the final punctuation" \
    '"File not found: " -> "Datei nicht gefunden:"' '" of " -> "von "' \
    '"Could not open OSM map: " -> "OSM-Karte konnte nicht geöffnet werden "'

tree 'void f() { _("Open GPX"); }'
printf '\nmsgid "Broken\nmsgstr "Kaputt"\n' >>"$de"
expect "a catalogue that does not compile" "de.po does not compile"

exit "$failures"
