#!/usr/bin/env bash
# Runs the README's examples of UlnaraHeaders under Wine and checks their output and exit codes.
# Usage: check.sh WINE-RUN TOOL.exe
set -u
run=$1 tool=$2
failures=0
captured=$(mktemp) || exit 1
trap 'rm -f "$captured"' EXIT

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

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all UlnaraHeaders checks passed"
