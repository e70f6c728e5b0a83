# Fails when a control id appears twice within one dialog template of an .rc
# file (CONTROL, PUSHBUTTON, DEFPUSHBUTTON... statements; -1 is no id). Ids
# are compared by number, as the header given first defines them:
#   awk -f check-ids.awk resource.h tidewisp.rc
FNR == NR { if ($1 == "#define") number[$2] = $3; next }
/^[A-Za-z_0-9]+ DIALOGEX/ { dialog = $1; delete seen; next }
/^END/ { dialog = "" }
dialog != "" && /^ +[A-Z]+ / {
  line = $0
  sub(/^ +[A-Z]+ +/, "", line)
  if (line ~ /^"/) { sub(/^"([^"]|"")*" *, */, "", line) } else { sub(/^[^,]+, */, "", line) }
  split(line, fields, ",")
  id = fields[1]; gsub(/ /, "", id)
  if (id in number) id = number[id]
  if (id != "-1" && id != "") {
    if (id in seen) { printf "%s: control id %s used twice in %s\n", FILENAME, id, dialog; bad = 1 }
    seen[id] = 1
  }
}
END { exit bad }
