#!/usr/bin/env bash
# Runs the README's examples of UlnaraHeaders under Wine and the configuration check's cases, and checks
# their output and exit codes.
# Usage: check.sh WINE-RUN TOOL.exe FIXTURES-FOLDER
set -u
run=$1 tool=$2 fixtures=$3
failures=0
captured=$(mktemp) || exit 1
utf16=$(mktemp --suffix=.reg) || exit 1
trap 'rm -f "$captured" "$utf16"' EXIT

# Runs the tool; sets $output (stdout and stderr, line ends as LF) and $status.
call() {
  "$run" "$tool" "$@" >"$captured" 2>&1
  status=$?
  output=$(tr -d '\r' <"$captured")
}
expect() { # expect DESCRIPTION WANTED-STATUS WANTED-OUTPUT
  if [ "$status" != "$2" ] || [ "$output" != "$3" ]; then
    printf 'FAILED: %s\n  status %s (wanted %s)\n  output: %s\n  wanted: %s\n' "$1" "$status" "$2" "$output" "$3"
    failures=$((failures + 1))
  fi
}
expect_error() { # expect_error DESCRIPTION WANTED-STATUS TEXT-IN-OUTPUT
  if [ "$status" != "$2" ] || [[ "$output" != *"$3"* ]]; then
    printf 'FAILED: %s\n  status %s (wanted %s)\n  output: %s\n  wanted to contain: %s\n' "$1" "$status" "$2" "$output" "$3"
    failures=$((failures + 1))
  fi
}

list='Content-Type:application/x-www-form-urlencoded;X-Request-Id:[UUID];X-Signature:[sign(X-Request-Id|Request_Body)s3cret]'
value='lUJM7NnO3xaeFA5RvFDTtvDgFOeD44tHqJUYYrVMGXxiqxTwuA+B4BWOUuSNy2EcZrA2ELJZ/DEBaDl9fzIg2eoT6CjKjFDvGAmjng6E5u4Ypx+mY4MH/St6H6ncgm6rYzB0ERJs5dtnu61QHTXI03EgDjqYvzRap0XWmm++WbNdjfNLQ8CifjqbW01KyxzoNEJ8eE48XJWRJM1fZlCOSeGawQGy/fuDkHoomuPmVqyG83MPQivxFqRzNVFzZRgM25oksocF3TDz6whCgA1DW8Gt4LILM1uPWdY75g1YPhKLbVV7nM8PVKP/5G5eGY+Q'

call encipher "$list"
expect "encipher" 0 "$value"

call decipher "$value"
expect "decipher" 0 "$list"

call decipher "QUJD"
expect_error "decipher of a value that is not whole blocks" 1 "not a whole number of cipher blocks"

call sign "[sign(X-Request-Id|Request_Body)s3cret]" --header "X-Request-Id:6F9619FF-8B86-D011-B42D-00C04FC964FF" \
  --body "searchType=substructure&structure=CCO"
expect "sign" 0 "Kxql4y6EBsqneJJ5VmPPXQXVh9CH4M5QhtjBBNWmOKE="

call reg --method POST --menu "Web search" --item "Substructure" "$list"
expect "reg" 0 'Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\Web search\Substructure]
"POSTHeaders"="'"$value"'"'

call reg --method GET --app Korvane --user --menu M --item I "Accept:text/plain"
expect "reg for the user's hive" 0 'Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\SOFTWARE\Quennardix\Korvane\19.0\Extensions\Ulnara19.Extension\M\I]
"GETHeaders"="NsIP/XO2hC10sQKSUdCZQNVVMZiaB7f9WAd9Je1irdgyeSN1RnxlTqMe7k/WeWA3"'

call reg --method PUT --menu M --item I "Accept:text/plain"
expect_error "reg with another method" 2 "--method must be POST or GET"

call sign "sign(Request_Body)k" --header "no colon"
expect_error "sign with a malformed header" 2 "NAME:VALUE"

call frobnicate
expect_error "unknown command" 2 "Usage: UlnaraHeaders"

# The add-in reads string values of at most 1999 characters; a header list of 743 characters enciphers to
# 1984, one of 744 to 2008, which it would take as absent (no headers, no signature).
longest="X-Pad:$(printf 'a%.0s' $(seq 737))"
call encipher "$longest"
expect_error "encipher of the longest list" 0 ""
call encipher "${longest}b"
expect_error "encipher of a list one character too long" 1 "keep it to 743 characters or fewer"
call reg --method POST --menu M --item I "${longest}b"
expect_error "reg of a list one character too long" 1 "keep it to 743 characters or fewer"

# A value that begins like a computed one but is not one would go out as it is: a signing key in clear.
for mistyped in 'X-Sig:[sign(Request_Body)k3y' 'X-Id:[uuid]' 'X-P:[proxyURL ]' 'X-Sig:[Sign(Request_Body)k3y]'; do
  call encipher "A:1;$mistyped"
  expect_error "encipher of $mistyped" 1 "looks like a computed value"
done
call reg --method POST --menu M --item I 'X-Sig:[sign(Request_Body)k3y'
expect_error "reg of a mistyped signature" 1 "give --force"
call encipher --force 'X-Sig:[sign(Request_Body)k3y'
expect_error "encipher --force of a mistyped signature" 0 "warning: the value of \"X-Sig\""

# A quote without its closing quote ends the list where the add-in reads it.
call encipher 'A:1;B:"x;X-Sig:[sign(Request_Body)k3y]'
expect_error "encipher of a list with an unclosed quote" 1 "no closing quote"
call encipher --force "A:'x"
expect_error "encipher --force of a list with an unclosed quote" 1 "no closing quote"

# The configuration check: every kind of finding, by line, and the values it must not report. Run from the
# fixtures folder so that the report names the file as given.
cd "$fixtures" || exit 1
call check config_check.reg
expect "check of a configuration with every kind of finding" 1 '[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension]
  line 7: "Version": ignored: the extension key has no values of its own, only menu keys
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\1 Search]
  line 11: "Order": ignored: a menu key has only its caption (default value)
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\1 Search\1 Structure]
  line 19: "Hidden": ignored: REG_SZ where the add-in reads only a REG_DWORD (the item is not hidden); write it as "Hidden"=dword:...
  line 20: "Dialog0": ignored: REG_SZ where the add-in reads only a REG_DWORD; write it as "Dialog0"=dword:...
  line 21: "Dialog1": warning: 1003 is not a search choice dialog (1001 for a structure search, 1002 for a reaction search)
  line 22: "Dialog2": ignored: never read: only Dialog0 and Dialog1 are read
  line 24: "Target5": ignored: never read: only Target0 to Target4 are read
  line 26: "Error0404": ignored: never read: the add-in writes the number without leading zeros
  line 27: "PUTHeaders": ignored: not a value the add-in reads; only POSTHeaders and GETHeaders are
  line 28: "POSTHeaders": ignored: the stored header list cannot be deciphered: it is not a whole number of cipher blocks; the item'\''s search stops without a request
  line 29: "GETHeaders": ignored: the answer opens ShowPage, so there is no results text and no second request
  line 31: "ResultsDescription": ignored: the answer opens ShowPage, so there is no results text and no second request
  line 32: "InputMimeType": ignored: REG_EXPAND_SZ where the add-in reads only REG_SZ
  line 33: "ServerURL": ignored: not a file fetch (the item has no GetNetFile)
  line 34: "HandlerName": ignored: not a value the add-in reads
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\1 Search\2 Name]
  line 45: "Dialog0": ignored: the item searches with typed text (Prompt), not the selection, and shows no choice dialog
  line 47: "StructureHost": ignored: the second request needs both StructureHost and StructureTarget (not empty), so the answer is shown under ResultsDescription
  line 48: "StructureTarget": ignored: the second request needs both StructureHost and StructureTarget (not empty), so the answer is shown under ResultsDescription
  line 49: "Error500": ignored: 2004 characters, and the add-in reads at most 1999 here (a longer value counts as absent)
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\2 Fetch]
  line 51: left out: the menu has no caption (a string default value), so neither it nor its items are added
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\2 Fetch\1 PDB]
  line 51: warning: neither ServerURL nor URL: the fetch asks only the built-in default server, whose reserved name never resolves, and cannot fetch anything
  line 55: "URL": ignored: 264 characters, and the add-in reads at most 254 here (a longer value counts as absent)
  line 56: "Tokens": warning: holds characters that the system code page cannot represent; the add-in reads each of them as ?
  line 57: "CAPTION": warning: an expandable string, but the add-in does not expand the variables in it
  line 58: "Host": ignored: the item is a file fetch (GetNetFile), which uses no search value
  line 59: "PostData": warning: makes the file fetch need an open document to be chosen
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\2 Fetch\1 PDB\Options]
  line 61: ignored: keys below an item key are not read
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\3 Items\1 Separator]
  line 69: "HandlerID": ignored: a separator uses only its caption and Hidden
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\3 Items\2 No handler]
  line 71: left out: the item has no HandlerID (a string, Ulnara19.Item)
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\3 Items\3 No caption]
  line 74: left out: the item has no caption (a string default value)
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\3 Items\4 Nothing]
  line 77: warning: the item does nothing: it has no GetNetFile, no complete search (Host, Target and PostData) and no ShowPage
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Tessivo\19.0\Extensions\Ulnara19.Extension]
  line 86: ignored: Tessivo reads its configuration from the folder "Velmora", so nothing below this key is read
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\18.0\Extensions\Ulnara19.Extension]
  line 89: ignored: the add-in reads only the configuration of version 19.0
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Korvane\19.0\Extensions\Ulnara19.Extension]
  line 95: ignored: the same file gives this key under HKEY_CURRENT_USER (line 92); a user who has that key reads none of the machine'\''s menus and items
[HKEY_LOCAL_MACHINE\Software\Quennardix\Ulnara\19.0]
  line 98: ignored: the add-in reads its preferences only from HKEY_CURRENT_USER
[HKEY_CURRENT_USER\Software\Quennardix\Ulnara\19.0]
  line 102: "ProxyURL": ignored: REG_DWORD where the add-in reads only REG_SZ
  line 103: "Proxy": ignored: not a value the add-in reads here
[HKEY_CURRENT_USER\Software\Quennardix\Velmora\19.0\General\PDB\#1]
  line 110: "#10": ignored: never read: only #1 to #9 are read
[HKEY_LOCAL_MACHINE\SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension\1 Search\3 Signed]
  line 121: "POSTHeaders": warning: a quote of the list has no closing quote (Unmatched " at ""x;X-Sig"): the add-in drops every header from there on
  line 122: "GETHeaders": warning: the value of "X-Sig" looks like a computed value but is not one; the add-in sends "[Sign(X-Id)k3y]" as it is
config_check.reg: 40 finding(s); 5 menu key(s) and 9 item key(s) checked'

call check ../../config/sample.reg
expect "check of the sample configuration" 0 \
  "../../config/sample.reg: nothing the add-in would ignore; 2 menu key(s) and 7 item key(s) checked"

# regedit writes .reg files as UTF-16 with a byte-order mark.
{ printf '\xff\xfe'; printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\SOFTWARE\Quennardix\Ravelle\19.0\Extensions\Ulnara19.Extension\Menü]' '@="Menü"' \
    '"Hidden"="1"' | iconv -f UTF-8 -t UTF-16LE; } >"$utf16"
call check "$utf16"
# The report is in the system code page (1252): the key name's letter arrives as the byte FC.
expect_error "check of a UTF-16 file" 1 "$(printf 'Extension\\Men\374]\n  line 5: "Hidden": ignored: a menu key has only its caption (default value)')"

call check no-such-file.reg
expect_error "check of a missing file" 1 "cannot read no-such-file.reg"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all UlnaraHeaders checks passed"
