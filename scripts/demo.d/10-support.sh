# The mx support library through mxtool: tokenizing a header list, Base64 in the add-in's line layout,
# comparing versions; natively, then the same library as the add-in DLL exports it, under Wine.
native_targets+=(mxtool)
windows_targets+=(mxtool)
demo_parts+=(demo_support)

demo_support() {
  local headers="Content-Type: 'text/plain; charset=windows-1252' ; X-Request: \"say \"\"hi\"\"\"|Accept: */*"
  heading "Support library, natively (build/native/bin/mxtool)"
  native mxtool tokenize --delimiters ';:|' "$headers"
  native mxtool tokenize --delimiters ';' "broken; 'unterminated"
  native mxtool base64 "Base64 in lines of 72 characters, each ending in CR LF, as the add-in sends structures."
  native mxtool unbase64 "SGVsbG8sIFZlbG1vcmE="
  echo
  native mxtool version "1.9" "1.10"
  native mxtool version "19 . 0" "19.0"
  native mxtool version "1.2.3" "1.2"

  heading "Support library as Ulnara19.dll exports it, under Wine (build/windows/bin/mxtool.exe)"
  windows mxtool tokenize --delimiters ';:|' "$headers"
  windows mxtool base64 --line-length 16 "Ulnara19.dll encodes too."
  windows mxtool version "2.0" "10.0"
}
