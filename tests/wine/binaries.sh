#!/bin/sh
# The Windows binaries as a host's loader sees them: each exports exactly its
# format's entry points and imports Windows system DLLs only (the runtime and
# FreeType are linked in).
#   binaries.sh OBJDUMP BUILD_DIR
set -u
objdump=$1 build=$2
system='ADVAPI32.dll COMDLG32.dll GDI32.dll KERNEL32.dll msvcrt.dll OPENGL32.dll SHELL32.dll USER32.dll ole32.dll'
status=0
check() {
    file=$1 want=$2
    [ -f "$build/$file" ] || { echo "FAIL: $file is missing"; status=1; return; }
    dump=$("$objdump" -p "$build/$file") || { echo "FAIL: $file cannot be read"; status=1; return; }
    exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([A-Za-z_][A-Za-z0-9_]*\)$/\1/p' | sort | tr '\n' ' ')
    [ "$exports" = "$want " ] || { echo "FAIL: $file exports '$exports', not '$want'"; status=1; }
    for dll in $(printf '%s\n' "$dump" | sed -n 's/^.*DLL Name: //p'); do
        case " $system " in
            *" $dll "*) ;;
            *) echo "FAIL: $file imports $dll, not a Windows system DLL"; status=1 ;;
        esac
    done
}
check Vesk2.dll "DllMain MAIN VSTPluginMain main"
check Vesk2.clap "DllMain clap_entry"
check Vesk2.vst3/Contents/x86_64-win/Vesk2.vst3 "DllMain ExitDll GetPluginFactory InitDll"
[ $status -eq 0 ] && echo "the Windows binaries export their entries and import system DLLs only"
exit $status
