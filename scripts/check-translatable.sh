#!/usr/bin/env bash
# Fails when a .cpp, .h or .qml file under src/ holds Korean text outside the translation system, which
# an English reader would then see untranslated. Comments may hold Korean. Run from anywhere; the build
# runs it every time.
set -euo pipefail
cd "$(dirname "$0")/../src"

status=0
while IFS= read -r -d '' file; do
    grep -qP '[\x{AC00}-\x{D7A3}\x{3131}-\x{318E}]' "$file" || continue
    # Comments and the literals handed to tr(), qsTr(), QT_TR_NOOP(), QT_TRANSLATE_NOOP() and the like
    # become blanks that keep the line breaks, so that what Korean is left is reported on its own line.
    hits=$(perl -CSD -0777 -ne '
        my $keep = sub { my $t = shift; $t =~ s/[^\n]//g; $t };
        my $str = qr/"(?:[^"\\\n]|\\.)*"/;
        s{($str)|(//[^\n]*|/\*.*?\*/)}{ defined $1 ? $1 : $keep->($2) }gse;
        s{(\b(?:qsTr|tr|qsTranslate|translate|QT_TR_NOOP|QT_TR_N_NOOP|QT_TRANSLATE_NOOP|QT_TRANSLATE_N_NOOP)\s*\(\s*(?:$str\s*,\s*)?$str)}{ $keep->($1) }gse;
        my $n = 0;
        for my $line (split /\n/, $_, -1) {
            $n++;
            print "$n:$line\n" if $line =~ /[\x{AC00}-\x{D7A3}\x{3131}-\x{318E}]/;
        }' "$file")
    while IFS= read -r hit; do
        [[ -n $hit ]] || continue
        echo "check-translatable: src/$file:${hit%%:*}: Korean text outside the translation system:" >&2
        echo "    ${hit#*:}" >&2
        status=1
    done <<< "$hits"
done < <(find . -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.qml' \) -printf '%P\0')

if [[ $status -ne 0 ]]; then
    cat >&2 <<'HELP'
check-translatable: every text the user reads goes through Qt's translation system, with the Korean
text as the source. Wrap the literal where it is worded:
    C++ in a QObject class:   tr("새 텍스트")   (numbers: tr("%n개", nullptr, count))
    C++ elsewhere:            QCoreApplication::translate("Context", "새 텍스트"), or a class with
                              Q_DECLARE_TR_FUNCTIONS(Name) and tr()
    a table of texts:         QT_TRANSLATE_NOOP("Context", "새 텍스트"), translated where it is shown
    QML:                      qsTr("새 텍스트")
Then run scripts/update-translations.sh and give the new messages in src/translations/pacemark_en.ts
their English text (the build fails while one is unfinished). A text that is not for the user (a key,
a test of Korean input) belongs in a test or a data file, not under src/.
HELP
fi
exit $status
