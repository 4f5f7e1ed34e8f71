#!/usr/bin/env bash
# The bundled game in data/ and the desktop icons in packaging/icons are generated: running the
# generators into a scratch folder must give the committed files byte for byte, with no file missing
# and none extra.
set -euo pipefail
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 "$src/tools/make_content.py" "$work/data" > /dev/null
if ! diff -r -q "$src/data" "$work/data"; then
    echo "data/ differs from what tools/make_content.py writes; rerun: python3 tools/make_content.py data" >&2
    exit 1
fi
python3 "$src/tools/content_icon.py" "$work/icons"
if ! diff -r -q "$src/packaging/icons" "$work/icons"; then
    echo "packaging/icons differs from what tools/content_icon.py draws; rerun: python3 tools/content_icon.py" >&2
    exit 1
fi
echo "data/ reproduced: $(find "$work/data" -type f | wc -l) files"
