# The add-in in a host, the demo's main part: an administrator installs config/sample.reg (a Search and a
# Fetch menu for the drawing hosts) and registers Ulnara19.dll with regsvr32, in the demo's own Wine prefix;
# then a console stand-in drawing host creates "Ulnara19.Extension" through COM by its ProgID, lets it add
# its menus, prints the menu bar with each item's state for three documents, and removes the menus again.
windows_targets+=(Ulnara19 standin-host)
demo_parts+=(demo_addin)

demo_addin() {
  # Not the tests' prefix: the sample configuration and the registration stay out of it.
  local -x WINEPREFIX=$root/build/demo/wineprefix
  scripts/wine-prefix "$WINEPREFIX"
  local wine=$root/build/windows/wine-run
  # Wine's own start-up chatter is shown only when the command fails.
  quietly() { local output; output=$("$@" 2>&1) || { echo "$output"; return 1; }; }

  heading "An administrator installs the sample menus and registers the add-in (prefix build/demo/wineprefix)"
  shown "wine reg import" config/sample.reg
  quietly "$wine" reg import "$(winepath -w "$root/config/sample.reg" 2>/dev/null)"
  shown "wine regsvr32 /s" build/windows/bin/Ulnara19.dll
  quietly "$wine" regsvr32 /s "$(winepath -w "$root/build/windows/bin/Ulnara19.dll" 2>/dev/null)"
  "$wine" reg query 'HKCR\Ulnara19.Extension\CLSID' 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *\(.*\)/Ulnara19.Extension is class \1/p'

  heading "A drawing host loads the add-in through COM by its ProgID"
  windows standin-host
}
