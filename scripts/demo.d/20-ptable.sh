# Measured numbers and the periodic table through mxelement: built-in element data with isotopes and
# valences, a table text read over it, and the error a malformed table text gets; natively and under Wine.
native_targets+=(mxelement)
windows_targets+=(mxelement)
demo_parts+=(demo_ptable)

demo_ptable() {
  local folder good bad
  folder=$(mktemp -d)
  good=$folder/extra-elements.txt
  bad=$folder/broken.txt
  # An element line (symbol, number, mass, valences, name, ionization potential, electronegativity,
  # melting and boiling point, density, radius, period, group, discoverer) with its isotope lines.
  printf '# A heavier hydrogen for a tracer study\nH 1 1.008 v1 Hydrogen 1312 2.2 -259.14 -252.87 0.07 25 1 1 Henry Cavendish\n 1.0078250321 99.9885\n 2.014101778 0.0115 D\n 3.0160492675 0 T\n 4.02783 0 Q\n' >"$good"
  printf 'C 6 12.011 v4 Carbon\n 12 98.93\n 13.0033548 1.07\n -14 0\n' >"$bad"

  heading "Periodic table, natively (build/native/bin/mxelement)"
  native mxelement Cl
  native mxelement D 118
  native mxelement --table "$good" Q
  native mxelement --table "$bad" C
  native mxelement Xx

  heading "Periodic table as Ulnara19.dll exports it, under Wine (build/windows/bin/mxelement.exe)"
  windows mxelement Ge 7
  windows mxelement --table "$(winepath -w "$bad" 2>/dev/null || echo "$bad")" C
  rm -rf "$folder"
}
