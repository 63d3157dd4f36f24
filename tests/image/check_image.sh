#!/bin/sh
# check_image.sh OBJDUMP IMAGE ALLOWED_IMPORTS [--list]
# Checks that a product image loads on Windows XP: a PE32 i386 image (a GUI
# program, or a DLL when named .dll), not large-address-aware, statically
# linked, with a subsystem version XP accepts (at most 5.1), importing only
# the functions named in ALLOWED_IMPORTS ("dll function" lines, reviewed
# against Windows XP SP3's system DLLs). --list prints the imports instead.
set -eu
objdump=$1 image=$2 allowed=$3
dump=$("$objdump" -p "$image")

imports() {
    printf '%s\n' "$dump" | awk '
        /^The / { dll = "" }
        /DLL Name:/ { dll = tolower($3); next }
        dll != "" && /^\t[0-9a-f]+\t/ { print dll, ($3 == "<none>" ? "@" $2 : $3) }' | sort -u
}
if [ "${4:-}" = --list ]; then imports; exit 0; fi

failed=0
problem() { echo "$image: $*"; failed=1; }
field() { printf '%s\n' "$dump" | awk -v key="$1" '$1 == key { print $2; exit }'; }

printf '%s\n' "$dump" | grep -q 'file format pei-i386$' || problem "not an i386 image"
[ "$(field Magic)" = 010b ] || problem "not a PE32 image (magic $(field Magic))"
flags=$(field Characteristics)
[ $((flags & 0x20)) -eq 0 ] || problem "large-address-aware"
case $image in
    *.dll|*.DLL) [ $((flags & 0x2000)) -ne 0 ] || problem "not a DLL" ;;
    *) [ $((flags & 0x2000)) -eq 0 ] || problem "a DLL, not a program"
       [ "$(field Subsystem)" = 00000002 ] || problem "not a GUI program (subsystem $(field Subsystem))" ;;
esac
major=$(field MajorSubsystemVersion) minor=$(field MinorSubsystemVersion)
[ "$major" -lt 5 ] || { [ "$major" -eq 5 ] && [ "$minor" -le 1 ]; } ||
    problem "subsystem version $major.$minor (Windows XP loads at most 5.1)"

list=$(imports)
for dll in $(printf '%s\n' "$list" | cut -d' ' -f1 | sort -u); do
    case $dll in libstdc++*|libgcc*|libwinpthread*) problem "links $dll dynamically" ;; esac
done
unknown=$(printf '%s\n' "$list" | awk -v allowed="$allowed" '
    BEGIN { while ((getline line < allowed) > 0) { sub(/#.*/, "", line); if (split(line, f) == 2) ok[tolower(f[1]) " " f[2]] = 1 } }
    NF && !($0 in ok)')
[ -z "$unknown" ] || problem "imports not in the reviewed list of Windows XP SP3 functions ($allowed):
$unknown"
[ -n "$list" ] || problem "no imports found"
exit $failed
