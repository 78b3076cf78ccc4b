#!/bin/sh
# Checks the application's translation catalogues against the texts the sources mark for
# translation.  Usage: catalogue_check.sh SOURCE_DIR [WORK_DIR]
#
# Fails when a marked text is missing from a catalogue or left untranslated there, when a
# translation drops the blanks or the final punctuation its message ends in (the program appends
# values to such texts), when the template lists other messages than the catalogues, or when a
# catalogue does not compile.  Messages that no source uses any more are only reported.
# The gettext tools are taken from XGETTEXT, MSGFMT, MSGMERGE, MSGATTRIB and MSGCAT when set.
set -u

source_dir=${1:?usage: catalogue_check.sh SOURCE_DIR [WORK_DIR]}
work_dir=${2:-}
xgettext=${XGETTEXT:-xgettext}
msgfmt=${MSGFMT:-msgfmt}
msgmerge=${MSGMERGE:-msgmerge}
msgattrib=${MSGATTRIB:-msgattrib}
msgcat=${MSGCAT:-msgcat}

po_dir=$source_dir/data/locale/po/trakmoor
template=$po_dir/trakmoor.pot

if [ -z "$work_dir" ]; then
    work_dir=$(mktemp -d) || exit 1
    trap 'rm -rf "$work_dir"' EXIT
else
    rm -rf "$work_dir" && mkdir -p "$work_dir" || exit 1
fi

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# Prints one line per message of a PO file: the msgid as written in the file (escapes kept, the
# quoted pieces of a long message joined), a tab, and the msgstr likewise.  Plural messages show
# their first form.  The header is left out.
list_messages() {
    "$msgcat" --no-wrap --no-location "$1" | awk '
        function unquote(s) { sub(/^[^"]*"/, "", s); sub(/"[ \t]*$/, "", s); return s }
        function flush() {
            if (have && id != "") print id "\t" str
            have = 0; id = ""; str = ""; field = ""
        }
        /^#~/ { next }
        /^msgid / { flush(); have = 1; field = "id"; id = unquote($0); next }
        /^msgid_plural / { field = ""; next }
        /^msgstr(\[0\])? / { field = "str"; str = unquote($0); next }
        /^msgstr\[/ { field = ""; next }
        /^"/ { if (field == "id") id = id unquote($0); else if (field == "str") str = str unquote($0); next }
        END { flush() }'
}

# Messages whose translation starts or ends in other blanks or escaped line ends than the message
# itself, or ends in another punctuation mark.
edges() {
    awk -F '\t' '
        function lead(s,   r) {
            r = ""
            while (1) {
                if (substr(s, 1, 1) == " ") { r = r " "; s = substr(s, 2) }
                else if (substr(s, 1, 2) == "\\n" || substr(s, 1, 2) == "\\t") { r = r substr(s, 1, 2); s = substr(s, 3) }
                else return r
            }
        }
        function tail(s,   r, n) {
            r = ""
            while ((n = length(s)) > 0) {
                if (substr(s, n) == " ") { r = " " r; s = substr(s, 1, n - 1) }
                else if (n >= 2 && (substr(s, n - 1) == "\\n" || substr(s, n - 1) == "\\t")) { r = substr(s, n - 1) r; s = substr(s, 1, n - 2) }
                else break
            }
            return r
        }
        function mark(s,   c) {
            s = substr(s, 1, length(s) - length(tail(s)))
            c = substr(s, length(s))
            return c ~ /[.:;!?]/ ? c : ""
        }
        $2 != "" && (lead($1) != lead($2) || tail($1) != tail($2) || mark($1) != mark($2)) { print }'
}

# What the sources mark for translation.  Without any marked text every catalogue entry counts
# as unused.
sources=$(cd "$source_dir" && ls src/app/*.cpp src/app/*.h src/map/*.cpp src/track/*.cpp 2>/dev/null)
: >"$work_dir/used.pot"
if [ -n "$sources" ]; then
    # shellcheck disable=SC2086 # one word per file name; the names have no blanks
    (cd "$source_dir" && "$xgettext" --language=C++ --keyword=_ --keyword=gettext --keyword=N_ \
        --keyword=dgettext:2 --from-code=UTF-8 -o - $sources) >"$work_dir/used.pot" ||
        fail "xgettext could not read the sources"
fi
if [ -s "$work_dir/used.pot" ]; then
    list_messages "$work_dir/used.pot" | cut -f1 | LC_ALL=C sort -u >"$work_dir/used"
else
    : >"$work_dir/used"
fi
echo "$(wc -l <"$work_dir/used") texts marked for translation in the sources"

if [ ! -f "$template" ]; then
    fail "template $template is missing"
elif ! "$msgcat" "$template" >/dev/null; then
    fail "template $template does not parse"
else
    list_messages "$template" | cut -f1 | LC_ALL=C sort -u >"$work_dir/template"
fi

catalogues=0
for po in "$po_dir"/*.po; do
    [ -f "$po" ] || continue
    catalogues=$((catalogues + 1))
    lang=$(basename "$po" .po)
    if ! "$msgfmt" --check -o /dev/null "$po"; then
        fail "$lang.po does not compile"
        continue
    fi
    # Merged with the sources' messages, a translation gets the format flags that xgettext
    # derives from the code, and msgmerge marks it fuzzy when its directives do not fit them.
    if [ -s "$work_dir/used.pot" ]; then
        "$msgmerge" --quiet --no-fuzzy-matching -o "$work_dir/$lang.merged.po" "$po" \
            "$work_dir/used.pot" || fail "msgmerge could not merge $lang.po"
        "$msgattrib" --only-fuzzy --no-obsolete "$po" | list_messages - | cut -f1 |
            LC_ALL=C sort -u >"$work_dir/$lang.fuzzy"
        misfits=$("$msgattrib" --only-fuzzy --no-obsolete "$work_dir/$lang.merged.po" |
            list_messages - | cut -f1 | LC_ALL=C sort -u | LC_ALL=C comm -23 - "$work_dir/$lang.fuzzy")
        if [ -n "$misfits" ]; then
            fail "$lang.po translates these messages with other format directives than the code:"
            printf '%s\n' "$misfits" | sed 's/^/    "/; s/$/"/'
        fi
    fi

    list_messages "$po" | LC_ALL=C sort -u >"$work_dir/$lang.all"
    cut -f1 "$work_dir/$lang.all" >"$work_dir/$lang.ids"
    "$msgattrib" --translated --no-fuzzy --no-obsolete -o "$work_dir/$lang.done.po" "$po" ||
        fail "msgattrib could not read $lang.po"
    list_messages "$work_dir/$lang.done.po" | cut -f1 | LC_ALL=C sort -u >"$work_dir/$lang.done"

    missing=$(LC_ALL=C comm -23 "$work_dir/used" "$work_dir/$lang.ids")
    untranslated=$(LC_ALL=C comm -23 "$work_dir/used" "$work_dir/$lang.done" |
        LC_ALL=C comm -12 - "$work_dir/$lang.ids")
    unused=$(LC_ALL=C comm -13 "$work_dir/used" "$work_dir/$lang.ids")
    damaged=$(edges <"$work_dir/$lang.all")
    if [ -n "$missing" ]; then
        fail "$lang.po lacks these messages of the sources:"
        printf '%s\n' "$missing" | sed 's/^/    "/; s/$/"/'
    fi
    if [ -n "$untranslated" ]; then
        fail "$lang.po leaves these messages untranslated (empty or fuzzy):"
        printf '%s\n' "$untranslated" | sed 's/^/    "/; s/$/"/'
    fi
    if [ -n "$damaged" ]; then
        fail "$lang.po changes the blanks or the final punctuation of these messages:"
        printf '%s\n' "$damaged" | sed 's/^/    "/; s/\t/" -> "/; s/$/"/'
    fi
    if [ -n "$unused" ]; then
        echo "WARNING: $lang.po has $(printf '%s\n' "$unused" | wc -l) messages no source uses:"
        printf '%s\n' "$unused" | sed 's/^/    "/; s/$/"/'
    fi
    if [ -f "$work_dir/template" ] && ! cmp -s "$work_dir/template" "$work_dir/$lang.ids"; then
        fail "trakmoor.pot and $lang.po list different messages:"
        LC_ALL=C comm -3 "$work_dir/template" "$work_dir/$lang.ids" | awk -F '\t' -v po="$lang.po" '
            $1 == "" { print "    only in " po ": \"" $2 "\""; next }
            { print "    only in trakmoor.pot: \"" $1 "\"" }'
    fi
    echo "$lang.po: $(wc -l <"$work_dir/$lang.ids") messages"
done
[ "$catalogues" -gt 0 ] || fail "no catalogue in $po_dir"

[ "$failed" -eq 0 ] && echo "catalogues complete"
exit "$failed"
