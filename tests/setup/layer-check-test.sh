#!/usr/bin/env bash
# Tests cmake/CheckLayers.cmake on copies of the source folders: the tree as it stands passes; an
# include upwards from each layer (the framework reaching for res/ or the document, the document
# for the view, the view for search or app, search for app) fails and names the file, also when it
# is spelt through "..", with backslashes or in other letter case, or made from a subfolder of a
# layer; an include downwards (spelt in any of those ways), of a system header or of a folder of
# another name passes.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

fresh_copy() {
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    for d in framework document view search app res; do
        [ -d "$repo/$d" ] && cp -r "$repo/$d" "$work/tree/"
    done
}
check() { cmake -DSOURCE_DIR="$work/tree" -P "$repo/cmake/CheckLayers.cmake" >"$work/out" 2>&1; }

fresh_copy
check || fail "the tree as it stands is refused: $(cat "$work/out")"

for bad in "framework/Probe.h:res/resource.h" "framework/Probe.cpp:document/TessarinDoc.h" \
    "document/Probe.h:view/TessarinView.h" "view/Probe.cpp:search/SearchEngine.h" \
    "view/Probe.h:app/MainFrm.h" "search/Probe.cpp:app/Tessarin.h" "document/Probe.c:search/TextMatch.h" \
    "view/Probe.cpp:../app/MainFrm.h" "view/Probe.cpp:view/../app/MainFrm.h" "view/Probe.h:Search/SearchEngine.h" \
    "document/Probe.cpp:..\\view\\TessarinView.h" "framework/Probe.h:./../RES/resource.h" \
    "view/sub/Probe.h:search/SearchEngine.h" "view/sub/Probe.cpp:../../app/MainFrm.h" \
    "search/a/b/Probe.h:<app/MainFrm.h>"; do
    file=${bad%%:*} include=${bad#*:}
    fresh_copy
    mkdir -p "$(dirname "$work/tree/$file")"
    case $include in
    "<"*) printf '#pragma once\n#include %s\n' "$include" >"$work/tree/$file" ;;
    *) printf '#pragma once\n  #  include "%s"\n' "$include" >"$work/tree/$file" ;;
    esac
    shown=${include#<}
    if check; then
        fail "$file including $include passed"
    elif ! grep -qF "$file includes ${shown%>}" "$work/out"; then
        fail "$file including $include: the message does not name them: $(cat "$work/out")"
    fi
done

fresh_copy
printf '#include "framework/Wnd.h"\n#include <windows.h>\n#include "third/x.h"\n' >"$work/tree/framework/Probe.h"
printf '#include "framework/Wnd.h"\n#include "document/Encoding.h"\n#include "res/resource.h"\n' >"$work/tree/view/Probe.h"
mkdir -p "$work/tree/view/sub"
printf '#include "../TessarinView.h"\n#include "../../Document/Encoding.h"\n#include "..\\..\\res\\resource.h"\n' \
    >"$work/tree/view/sub/Probe.h"
printf '#include "./SearchEngine.h"\n#include "view/../framework/Wnd.h"\n#include "../third/x.h"\n' \
    >"$work/tree/search/Probe.cpp"
check || fail "allowed includes were refused: $(cat "$work/out")"

[ "$failures" -eq 0 ] && echo "layer check: all cases passed"
exit $((failures > 0))
