# The add-in's items at work, end to end, in the drawing host with a window (tools/drawing-host) driven by
# scripts of a chemist's actions: a search by the selected structure (the choice and proxy dialogs answered), a
# search by a typed name, a run by a program through Item.ExecuteDirect, a fetch through the download dialog,
# and a page. The part starts the stand-in structure service and download server on free ports (stopped when
# it ends, whatever happens), points the sample menus at them in the demo's prefix, and after each scenario
# prints what the service received. Wine's browser setting names scripts/demo.d/browser, which records the
# page the add-in opens instead of showing it. A scenario that fails makes scripts/demo fail. With --pictures
# the host runs once more on an Xvfb display and the windows are saved into docs/pictures/.
native_targets+=(structure_service download_server)
windows_targets+=(Ulnara19 drawing-host)
demo_parts+=(demo_items)

items_item_key='SOFTWARE\Quennardix\Velmora\19.0\Extensions\Ulnara19.Extension'

items_structure_search=(
  "open tests/fixtures/esterification.rxn"
  "click atom 16"
  "choose Search > Structure search..."
  "dialog Search SciFinder"
  "press 1006"
  "dialog Proxy Settings"
  "type 1007 http://proxy.example.edu/login?url="
  "press 1"
  "dialog Search SciFinder"
  "press 1002"
  "press 1"
  "expect atoms 20"
)
items_name_search=(
  "open tests/fixtures/ethanol.mol"
  "choose Search > Search by name or CAS number..."
  "dialog Search by name or CAS number"
  "type 1000 eth"
  "press 1"
  "dialog Search by name or CAS number"
  "read 1000"
  "press 1"
)
items_direct_run=(
  "open tests/fixtures/ethanol.mol"
  "execute-direct \"$items_item_key\\1 Search\\4 Name to structure\" (+)-camphor"
  "expect atoms 14"
)
items_fetch_file=(
  "open tests/fixtures/ethanol.mol"
  "choose Fetch > Structure file by name..."
  "dialog Structure file by name"
  "wait 2012 Ready"
  "type 1 glycine"
  "press 2006"
  "expect atoms 8"
)
items_page=(
  "choose Fetch > About the structure services"
)

# The pictures: the host with a drawn reaction and with the add-in's menu open, the choice and proxy dialogs of a
# structure search, the structure it placed, and the download dialog during a fetch (the download server's
# entry 9STL sends the first 8,000 of 20,000 bytes and then waits) and after the chemist cancelled it.
items_picture_steps=(
  "open tests/fixtures/esterification.rxn" "click atom 2"
  "screenshot docs/pictures/drawing-host.png"
  "open-menu Search" "screenshot docs/pictures/drawing-host-menu.png" "close-menu"
  "click atom 16"
  "choose Search > Structure search..."
  "dialog Search SciFinder" "press 1002" "screenshot dialog docs/pictures/choice-dialog.png"
  "press 1006"
  "dialog Proxy Settings" "type 1007 http://proxy.example.edu/login?url="
  "screenshot dialog docs/pictures/proxy-dialog.png" "press 1"
  "dialog Search SciFinder" "press 1"
  "expect atoms 20"
  "screenshot docs/pictures/search-placed.png"
  "choose Fetch > Protein Data Bank entry..."
  "dialog Protein Data Bank entry" "type 1 9STL" "press 2006"
  "wait 2012 Save to" "screenshot dialog docs/pictures/download-during.png"
  "press 2007" "wait 2012 User canceled" "screenshot dialog docs/pictures/download-after.png"
  "press 2007"
)

demo_items() {
  items_scenarios || demo_failed+=("the add-in's items")
}

# Starts both services on free ports in the folder $items_work; sets structure_port, download_port, items_pids.
items_start_services() {
  local name
  items_pids=()
  rm -f "$items_work"/*.port
  "$root/build/native/bin/structure_service" --catalogue "$root/servers/structures" \
    --port-file "$items_work/structure_service.port" --lifetime 600 &
  items_pids+=($!)
  "$root/build/native/bin/download_server" --catalogue "$root/tests/fixtures/netfile" \
    --port-file "$items_work/download_server.port" --lifetime 600 &
  items_pids+=($!)
  for name in structure_service download_server; do
    for _ in $(seq 100); do [ -s "$items_work/$name.port" ] && break; sleep 0.1; done
    [ -s "$items_work/$name.port" ] || { echo "demo: the $name did not start"; return 1; }
  done
  structure_port=$(cat "$items_work/structure_service.port")
  download_port=$(cat "$items_work/download_server.port")
}

items_stop_services() {
  kill "${items_pids[@]}" 2>/dev/null
  wait "${items_pids[@]}" 2>/dev/null
}

# The sample menus with the services' real addresses; for the user, no preferences of an earlier run (proxy
# address, download history) but a download folder in build/demo/items/downloads, and the browser stand-in; in
# the prefix WINEPREFIX names.
items_configure() {
  local wine=$root/build/windows/wine-run configuration=$items_work/configuration.reg downloads
  rm -rf "$items_work/downloads"
  mkdir -p "$items_work/downloads"
  downloads=$(winepath -w "$items_work/downloads" 2>/dev/null)
  {
    sed "s/127\.0\.0\.1:8421/127.0.0.1:$structure_port/g; s/127\.0\.0\.1:8422/127.0.0.1:$download_port/g" \
      "$root/config/sample.reg"
    printf '\n[HKEY_CURRENT_USER\\Software\\Quennardix\\Velmora\\19.0\\General\\MOL]\n"SaveAs Path"="%s"\n' \
      "${downloads//\\/\\\\}"
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]\n"Browsers"="%s"\n' "$root/scripts/demo.d/browser"
  } >"$configuration"
  "$wine" reg delete 'HKCU\Software\Quennardix' /f >/dev/null 2>&1
  "$wine" reg import "$(winepath -w "$configuration" 2>/dev/null)" >/dev/null 2>&1
}

# Runs the drawing host with the steps (written to a script file named after the first argument); the status
# is the host's.
items_host() {
  local script=$items_work/$1.txt
  shift
  printf '%s\n' "$@" >"$script"
  shown "wine drawing-host.exe --script" "${script#"$root"/}"
  "$root/build/windows/wine-run" "$root/build/windows/bin/drawing-host.exe" --timeout 60 --script "$script" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

items_received() {
  echo "What the $1 received:"
  shift
  python3 "$root/scripts/demo.d/received.py" "$@"
}

items_scenarios() (
  local -x WINEPREFIX=$root/build/demo/wineprefix ULNARA_DEMO_PAGES
  items_work=$root/build/demo/items
  local failures=0 page expected file
  items_pids=()
  mkdir -p "$items_work"
  ULNARA_DEMO_PAGES=$items_work/pages.txt
  rm -f "$ULNARA_DEMO_PAGES"
  trap items_stop_services EXIT
  items_start_services || exit 1

  heading "The add-in's items at work, against stand-in services this demo started"
  echo "structure service: build/native/bin/structure_service --catalogue servers/structures, on 127.0.0.1:$structure_port"
  echo "download server:   build/native/bin/download_server --catalogue tests/fixtures/netfile, on 127.0.0.1:$download_port"
  echo "The sample menus are imported again with these addresses in place of 127.0.0.1:8421 and 127.0.0.1:8422;"
  echo "the chemist's download folder is build/demo/items/downloads, and Wine's browser setting names"
  echo "scripts/demo.d/browser, which records a page instead of opening it."
  items_configure || { echo "demo: cannot configure the prefix $WINEPREFIX"; exit 1; }

  heading "Search by structure: ethyl acetate selected, a proxy address given, an exact search confirmed"
  items_host search-by-structure "${items_structure_search[@]}" || failures=$((failures + 1))
  items_received "structure service" "$structure_port" --expect 2 \
    --verify X-Signature "X-Request-Id|Request_Body" s3cret || failures=$((failures + 1))

  heading "Search by a typed name: the names found are shown"
  items_host search-by-name "${items_name_search[@]}" || failures=$((failures + 1))
  items_received "structure service" "$structure_port" || failures=$((failures + 1))

  heading "A program runs the hidden name search through Item.ExecuteDirect; the structure goes into its document"
  items_host direct-run "${items_direct_run[@]}" || failures=$((failures + 1))
  items_received "structure service" "$structure_port" --expect 2 || failures=$((failures + 1))

  heading "Fetch: a molfile by name through the download dialog, placed into the drawing"
  items_host fetch "${items_fetch_file[@]}" || failures=$((failures + 1))
  items_received "download server" "$download_port" --expect 3 || failures=$((failures + 1))
  for file in "$items_work"/downloads/*; do
    [ -f "$file" ] && echo "The fetched file: ${file#"$root"/}"
  done

  heading "A page: the add-in opens the configured address with the shell"
  items_host page "${items_page[@]}" || failures=$((failures + 1))
  expected="http://127.0.0.1:$structure_port/about"
  for _ in $(seq 100); do [ -s "$ULNARA_DEMO_PAGES" ] && break; sleep 0.1; done
  page=$(cat "$ULNARA_DEMO_PAGES" 2>/dev/null)
  echo "The browser was asked to open: ${page:-(nothing)}"
  [ "$page" = "$expected" ] || { echo "(expected $expected)"; failures=$((failures + 1)); }

  if ((demo_pictures)); then
    items_pictures || failures=$((failures + 1))
  fi
  ((failures == 0)) || echo "demo: $failures step(s) of the add-in's items failed"
  exit "$failures"
)

# Windows as a person sees them need a display: Xvfb, and a prefix of their own with Wine's X11 driver drawing
# the window frames itself (no window manager runs). The services of the scenarios are still running.
items_pictures() (
  local -x WINEPREFIX=$root/build/demo/pictures-prefix
  local wine=$root/build/windows/wine-run display_file xvfb
  heading "Pictures of the drawing host and the add-in's dialogs (Xvfb; docs/pictures/)"
  scripts/wine-prefix "$WINEPREFIX" --x11
  "$wine" regsvr32 /s "$(winepath -w "$root/build/windows/bin/Ulnara19.dll" 2>/dev/null)"
  items_configure || return 1
  # A wineserver keeps the display it started with: it starts anew under Xvfb and is stopped afterwards.
  wineserver -k 2>/dev/null || true
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb=$!
  trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null; rm -f "$display_file"' EXIT
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
  local -x DISPLAY=:$(head -n1 "$display_file")
  mkdir -p "$root/docs/pictures"
  items_host pictures "${items_picture_steps[@]}"
)
