#!/usr/bin/env bash
# Brings src/translations/pacemark_en.ts up to date with the texts in src/: new texts are added as
# unfinished messages, texts no longer in the code are dropped, and the file is kept without line
# numbers so that a change of code alone leaves it as it is. Give each new message its English text
# afterwards; the build fails while one is unfinished.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
"$lupdate" -silent -locations none -no-obsolete -source-language ko_KR -target-language en_US \
    -extensions cpp,h,qml src -ts src/translations/pacemark_en.ts 2>&1 |
    grep -v 'Ignoring definition of undeclared qualified class' >&2 || true
echo "Unfinished messages: $(grep -c 'type="unfinished"' src/translations/pacemark_en.ts || true)"
