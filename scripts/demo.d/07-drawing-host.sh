# The add-in in a drawing host with a window (tools/drawing-host), driven by a script as a person would use it:
# a reaction file is opened and drawn, the add-in's Search menu is opened with nothing selected and again after
# a click on the acetic acid, and the selection the add-in would search with is printed. With --pictures the
# same runs on an Xvfb display and the window is saved with the drawn structure and with the menu open.
windows_targets+=(Ulnara19 drawing-host)
demo_parts+=(demo_drawing_host)

drawing_host_steps=(
  "open tests/fixtures/esterification.rxn"
  "open-menu Search" "close-menu"
  "click atom 2"
  "open-menu Search" "close-menu"
  "print selection"
)

demo_drawing_host() {
  # The prefix of the add-in part, where the sample menus are installed and the DLL is registered.
  local -x WINEPREFIX=$root/build/demo/wineprefix
  heading "A drawing host with a window loads the add-in and is driven by a script (build/windows/bin/drawing-host.exe)"
  windows drawing-host "${drawing_host_steps[@]}"
  if ((demo_pictures)); then
    drawing_host_pictures
  fi
}

# Windows as a person sees them need a display: Xvfb, and a prefix of their own with Wine's X11 driver drawing
# the window frames itself (no window manager runs).
drawing_host_pictures() (
  local -x WINEPREFIX=$root/build/demo/pictures-prefix
  local wine=$root/build/windows/wine-run pictures=$root/docs/pictures display_file xvfb
  heading "Pictures of the drawing host (Xvfb; docs/pictures/)"
  scripts/wine-prefix "$WINEPREFIX"
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  "$wine" reg import "$(winepath -w "$root/config/sample.reg" 2>/dev/null)" >/dev/null 2>&1
  "$wine" regsvr32 /s "$(winepath -w "$root/build/windows/bin/Ulnara19.dll" 2>/dev/null)"
  # A wineserver keeps the display it started with: it starts anew under Xvfb and is stopped afterwards.
  wineserver -k 2>/dev/null || true
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb=$!
  trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null; rm -f "$display_file"' EXIT
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
  local -x DISPLAY=:$(head -n1 "$display_file")
  mkdir -p "$pictures"
  windows drawing-host "open tests/fixtures/esterification.rxn" "click atom 2" \
    "screenshot docs/pictures/drawing-host.png" \
    "open-menu Search" "screenshot docs/pictures/drawing-host-menu.png" "close-menu"
)
