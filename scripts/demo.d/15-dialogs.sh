# The dialogs of the structure search as a chemist sees them: a scripted user opens each one (the search choice
# with a note, the reaction search, the proxy settings with a non-ASCII address, the text prompt, the result
# display) under a virtual display, and a picture of each is saved.
windows_targets+=(dialog_tests)
demo_parts+=(demo_dialogs)

demo_dialogs() {
  heading "The structure search's dialogs, opened by a scripted user under Xvfb"
  shown scripts/dialog-pictures
  scripts/dialog-pictures "$root/build/windows" | grep '\.png$' | sed "s|^$root/||"
}
