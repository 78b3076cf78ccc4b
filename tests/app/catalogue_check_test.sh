#!/bin/sh
# Runs the catalogue check on small source trees built around copies of the real catalogues and
# makes sure it catches what it is there to catch.  Usage: catalogue_check_test.sh SOURCE_DIR
set -u

source_dir=${1:?usage: catalogue_check_test.sh SOURCE_DIR}
check=$source_dir/tests/app/catalogue_check.sh
po_dir=$source_dir/data/locale/po/trakmoor
scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
failures=0

# A tree with the real catalogues and one source file holding the given text.
make_tree() {
    rm -rf "$scratch/tree"
    mkdir -p "$scratch/tree/src/app" "$scratch/tree/data/locale/po"
    cp -R "$po_dir" "$scratch/tree/data/locale/po/trakmoor"
    printf '%s\n' "$1" >"$scratch/tree/src/app/Engine.cpp"
}

# expect NAME pass|fail PATTERN...: runs the check on the tree; every pattern (fixed text) must
# appear in its output, and a pattern starting with ! must not.
expect() {
    name=$1 outcome=$2
    shift 2
    sh "$check" "$scratch/tree" "$scratch/work" >"$scratch/out" 2>&1
    status=$?
    ok=1
    case $outcome in
        pass) [ "$status" -eq 0 ] || ok=0 ;;
        fail) [ "$status" -ne 0 ] || ok=0 ;;
    esac
    for pattern in "$@"; do
        case $pattern in
            !*) ! grep -qF -- "${pattern#!}" "$scratch/out" || ok=0 ;;
            *) grep -qF -- "$pattern" "$scratch/out" || ok=0 ;;
        esac
    done
    if [ "$ok" -eq 1 ]; then
        echo "ok: $name"
    else
        echo "NOT OK: $name (exit status $status)"
        sed 's/^/    | /' "$scratch/out"
        failures=$((failures + 1))
    fi
}

# Every message of the German catalogue, marked in a source: the catalogue is complete and
# nothing is left over, including the messages that span several lines.
every_message=$("${MSGCAT:-msgcat}" --no-wrap --no-location "$po_dir/de.po" | awk '
    /^msgid / { if (id != "") print "    _(" id ");"; id = substr($0, 7); inid = 1; next }
    /^"/ && inid { id = id " " $0; next }
    { inid = 0 }
    END { if (id != "") print "    _(" id ");" }' | grep -v '^    _("");$')
make_tree "void all() {
$every_message
}"
expect "every catalogue message used" pass "catalogues complete" "!WARNING"

make_tree 'void f() { _("Open GPX"); gettext("Zoom: "); N_("Water"); }'
expect "messages in use are not reported as unused" pass "3 texts marked" "!\"Open GPX\"" "WARNING"

make_tree 'void f() { _("Open GPX"); _("Export track"); }'
expect "a new message is missing" fail "lacks these messages" "\"Export track\"" "!\"Open GPX\"\""

make_tree 'void f() { _("Open GPX"); _("Zoom in"); }'
"${MSGATTRIB:-msgattrib}" --set-fuzzy --only-file=/dev/stdin -o "$scratch/fuzzy.po" "$po_dir/de.po" <<'EOF'
msgid "Zoom in"
msgstr ""
EOF
cp "$scratch/fuzzy.po" "$scratch/tree/data/locale/po/trakmoor/de.po"
expect "a fuzzy translation counts as untranslated" fail "untranslated" "\"Zoom in\""

make_tree 'void f() { _("Zoom out"); }'
sed -i '/^msgid "Zoom out"$/{n;s/.*/msgstr ""/}' "$scratch/tree/data/locale/po/trakmoor/de.po"
expect "an empty translation counts as untranslated" fail "untranslated" "\"Zoom out\""

make_tree 'void f() { _("File not found: "); }'
sed -i 's/^msgstr "Datei nicht gefunden: "$/msgstr "Datei nicht gefunden:"/' \
    "$scratch/tree/data/locale/po/trakmoor/de.po"
expect "a translation that drops the trailing blank" fail "blanks or the final punctuation" \
    "\"File not found: \" -> \"Datei nicht gefunden:\""

make_tree 'void f() { _(" of "); }'
sed -i 's/^msgstr " von "$/msgstr "von "/' "$scratch/tree/data/locale/po/trakmoor/de.po"
expect "a translation that drops the leading blank" fail "\" of \" -> \"von \""

make_tree 'void f() { _("Open GPX"); }'
printf '\nmsgid "Export track"\nmsgstr "Track exportieren"\n' \
    >>"$scratch/tree/data/locale/po/trakmoor/de.po"
expect "a message missing from the template" fail "only in de.po: \"Export track\""

make_tree 'void f() { _("%d map ways"); }'
printf '\nmsgid "%%d map ways"\nmsgstr "Kartenwege"\n' >>"$scratch/tree/data/locale/po/trakmoor/de.po"
printf '\nmsgid "%%d map ways"\nmsgstr ""\n' >>"$scratch/tree/data/locale/po/trakmoor/trakmoor.pot"
expect "a translation without the number the code formats" fail "other format directives" "\"%d map ways\""

make_tree 'void f() { _("Open GPX"); }'
printf '\nmsgid "Broken\nmsgstr "Kaputt"\n' >>"$scratch/tree/data/locale/po/trakmoor/de.po"
expect "a catalogue that does not compile" fail "de.po does not compile"

[ "$failures" -eq 0 ] && echo "all cases passed"
exit "$failures"
