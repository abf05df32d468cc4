#!/usr/bin/env bash
# The worked examples of docs/configuration.md, as an administrator would use them: every ```reg block of the
# page, joined into one file, passes UlnaraHeaders check without a finding, and standin-host previews them
# in a host of each family (the key paths moved to that family's folder) as preview_expected.txt shows; so
# does a configuration with mistakes the preview must show.
# Usage: check_examples.sh WINE-RUN BIN-FOLDER SOURCE-FOLDER
set -u
run=$1 bin=$2 source=$3
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# The blocks, each a whole .reg file: the header line is kept only once.
awk '/^```reg$/ { inside = 1; next } /^```$/ { inside = 0 } inside {
       if ($0 == "Windows Registry Editor Version 5.00" && seen++) next; print }' \
  "$source/docs/configuration.md" >examples.reg
sed 's/\\Velmora\\19.0\\Extensions/\\Korvane\\19.0\\Extensions/' examples.reg >korvane.reg
sed 's/\\Velmora\\19.0\\Extensions/\\Ravelle\\19.0\\Extensions/' examples.reg >ravelle.reg

# A handler id that names no class, and keys of a hive the add-in never reads.
cat >mistakes.reg <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\1 Menu]
@="Menu"

[HKEY_CURRENT_USER\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\1 Menu\1 Typo]
@="Misspelt handler"
"HandlerID"="Ulnara19.Itme"
"ShowPage"="https://search.example/"

[HKEY_USERS\.DEFAULT\Software\Quennardix]
REG

failures=0
fail() { printf 'FAILED: %s\n' "$*"; failures=$((failures + 1)); }

"$run" "$bin/UlnaraHeaders.exe" check examples.reg >check.txt 2>&1 || fail "UlnaraHeaders check of the examples:
$(tr -d '\r' <check.txt)"

preview() { # preview HOST FILE [LINES]: one section of the expected output, its first LINES lines
  printf '=== standin-host --host "%s" --reg %s\n' "$1" "$2"
  "$run" "$bin/standin-host.exe" --host "$1" --reg "$2" >section.txt 2>&1
  printf 'exit %s\n' "$?"
  tr -d '\r' <section.txt | head -n "${3:-1000}"
}
{
  preview "Velmora 19.0" examples.reg
  preview "Tessivo 19" examples.reg 7
  preview "Korvane 19" korvane.reg
  preview "Ravelle" ravelle.reg
  preview "Notepad" examples.reg
  preview "Velmora 19.0" mistakes.reg
  printf '=== standin-host --reg\n'
  "$run" "$bin/standin-host.exe" --reg >section.txt 2>&1
  printf 'exit %s\n' "$?"
  tr -d '\r' <section.txt | head -n 1
} >preview.txt
diff -u "$source/tests/docs/preview_expected.txt" preview.txt || fail "the previews differ from preview_expected.txt"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the worked examples pass the check and preview as expected"
