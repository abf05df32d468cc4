# The add-in in a drawing host with a window (tools/drawing-host), driven by a script as a person would use it:
# a reaction file is opened and drawn, the add-in's Search menu is opened with nothing selected and again after
# a click on the acetic acid, and the selection the add-in would search with is printed. The pictures of the
# host (--pictures) are taken with those of the items at work (08-items.sh).
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
}
