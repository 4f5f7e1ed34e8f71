#!/usr/bin/env bash
# The bundled game in data/ is generated: running the generators into a scratch folder must give the
# committed files byte for byte, with no file missing and none extra.
set -euo pipefail
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 "$src/tools/make_content.py" "$work/data" > /dev/null
if ! diff -r -q "$src/data" "$work/data"; then
    echo "data/ differs from what tools/make_content.py writes; rerun: python3 tools/make_content.py data" >&2
    exit 1
fi
echo "data/ reproduced: $(find "$work/data" -type f | wc -l) files"
