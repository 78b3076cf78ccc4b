#!/bin/sh
# Checks the translation catalogues of the application (texts marked with _ and N_) and of the
# toolkit (texts looked up with guiText) against the texts the sources mark for translation.
# Usage: catalogue_check.sh SOURCE_DIR
#
# Fails when a marked text is missing from a catalogue or left untranslated there (empty or
# fuzzy), when a translation changes the blanks or the final punctuation its message starts or ends
# with (the program joins values to such texts), when the template lists other messages than a
# catalogue, or when a catalogue does not compile.  Messages no source uses are only reported.
# The gettext tools are taken from XGETTEXT, MSGFMT, MSGATTRIB and MSGCAT when set.
set -u
source_dir=${1:?usage: catalogue_check.sh SOURCE_DIR}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
quoted() { printf '%s\n' "$1" | sed 's/^/    "/; s/\t/" -> "/; s/$/"/'; }
# report MESSAGE LIST: fails with MESSAGE and the quoted lines of LIST when LIST is not empty.
report() { [ -z "$2" ] || { fail "$1" && quoted "$2"; }; }

# One line per message of a PO file: the msgid as written (escapes kept, long messages joined),
# a tab, and the msgstr likewise.  Plural messages show their first form; the header is left out.
list_messages() {
    "${MSGCAT:-msgcat}" --no-wrap --no-location "$1" | awk '
        function unquote(s) { sub(/^[^"]*"/, "", s); sub(/"[ \t]*$/, "", s); return s }
        function flush() { if (id != "") print id "\t" str; id = ""; str = ""; field = "" }
        /^msgid / { flush(); field = "id"; id = unquote($0); next }
        /^msgid_plural / { field = ""; next }
        /^msgstr(\[0\])? / { field = "str"; str = unquote($0); next }
        /^msgstr\[/ { field = ""; next }
        /^"/ { if (field == "id") id = id unquote($0); else if (field == "str") str = str unquote($0) }
        END { flush() }'
}
ids() { list_messages "$1" | cut -f1 | LC_ALL=C sort -u; }

# check_domain DOMAIN KEYWORDS SOURCES: the catalogues in data/locale/po/DOMAIN against the texts
# that xgettext finds with KEYWORDS in SOURCES (file patterns relative to SOURCE_DIR).
check_domain() {
    domain=$1 keywords=$2
    po_dir=$source_dir/data/locale/po/$domain
    sources=$(cd "$source_dir" && eval ls "$3" 2>/dev/null)
    # shellcheck disable=SC2086 # one word per file name; the names have no blanks
    (cd "$source_dir" && "${XGETTEXT:-xgettext}" --language=C++ $keywords \
        --from-code=UTF-8 -o "$work/$domain.used.pot" $sources) || fail "xgettext could not read the sources"
    ids "$work/$domain.used.pot" >"$work/$domain.used" 2>/dev/null || : >"$work/$domain.used"
    ids "$po_dir/$domain.pot" >"$work/$domain.template" || fail "$domain.pot is missing or does not parse"

    catalogues=0
    for po in "$po_dir"/*.po; do
        [ -f "$po" ] || continue
        catalogues=$((catalogues + 1))
        lang=$(basename "$po" .po)
        if ! "${MSGFMT:-msgfmt}" --check -o /dev/null "$po"; then
            fail "$domain/$lang.po does not compile"
            continue
        fi
        ids "$po" >"$work/$domain.$lang.ids"
        "${MSGATTRIB:-msgattrib}" --translated --no-fuzzy --no-obsolete -o "$work/$domain.$lang.done.po" "$po"
        ids "$work/$domain.$lang.done.po" >"$work/$domain.$lang.done"

        report "$domain/$lang.po lacks these messages of the sources:" \
            "$(LC_ALL=C comm -23 "$work/$domain.used" "$work/$domain.$lang.ids")"
        report "$domain/$lang.po leaves these messages untranslated (empty or fuzzy):" \
            "$(LC_ALL=C comm -23 "$work/$domain.used" "$work/$domain.$lang.done" | LC_ALL=C comm -12 - "$work/$domain.$lang.ids")"
        # Blanks and escaped line ends at either end, and a final punctuation mark, must stay.
        report "$domain/$lang.po changes the blanks or the final punctuation of these messages:" "$(
            list_messages "$po" | awk -F '\t' '
                function lead(s) { match(s, /^( |\\[nt])*/); return substr(s, 1, RLENGTH) }
                function tail(s) { match(s, /( |\\[nt])*$/); return substr(s, RSTART) }
                function mark(s,   c) { c = substr(s, length(s) - length(tail(s)), 1); return c ~ /[.:;!?]/ ? c : "" }
                $2 != "" && (lead($1) != lead($2) || tail($1) != tail($2) || mark($1) != mark($2))')"
        report "$domain.pot and $domain/$lang.po differ in these messages (only in $domain.pot -> only in $domain/$lang.po):" \
            "$(LC_ALL=C comm -3 "$work/$domain.template" "$work/$domain.$lang.ids")"
        unused=$(LC_ALL=C comm -13 "$work/$domain.used" "$work/$domain.$lang.ids")
        [ -z "$unused" ] || echo "WARNING: $domain/$lang.po has messages no source uses:"
        [ -z "$unused" ] || quoted "$unused"
    done
    [ "$catalogues" -gt 0 ] || fail "no catalogue in $po_dir"
}

check_domain trakmoor "--keyword=_ --keyword=N_" "src/app/*.cpp src/app/*.h src/map/*.cpp src/track/*.cpp"
check_domain olvenkit "--keyword --keyword=guiText" "src/gui/*.cpp src/gui/*.h"
[ "$failed" -eq 0 ] && echo "catalogues complete"
exit "$failed"
