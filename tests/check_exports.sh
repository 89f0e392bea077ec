#!/usr/bin/env bash
# Checks a built plug-in's symbol table: it must export exactly the nine entry
# points, and a Windows DLL must need nothing but Windows' own DLLs.
#   check_exports.sh elf libagsRollwick2.so
#   check_exports.sh pe  agsRollwick2.dll      (32-bit)
#   check_exports.sh pe64 agsRollwick2.dll     (64-bit)
# A DLL must also carry its version resource, which Windows shows in the
# file's properties.
set -euo pipefail
kind=$1
file=$2
expected="AGS_EditorLoadGame AGS_EditorProperties AGS_EditorSaveGame AGS_EditorShutdown AGS_EditorStartup AGS_EngineOnEvent AGS_EngineStartup AGS_GetPluginName AGS_PluginV2"
status=0

case $kind in
  elf)
    exported=$(nm -D --defined-only "$file" | awk '{print $3}' | sort | xargs)
    ;;
  pe | pe64)
    tools=i686-w64-mingw32
    [ "$kind" = pe64 ] && tools=x86_64-w64-mingw32
    dump=$($tools-objdump -p "$file")
    if ! $tools-windres -i "$file" -O rc 2>/dev/null | grep -q '"ProductName", "agsRollwick 2.0'; then
      echo "FAIL: $file has no version resource naming the product"
      status=1
    fi
    exported=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n 's/^\s*\[\s*[0-9]*\] //p' | sort | xargs)
    imports=$(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | sort | xargs)
    for dll in $imports; do
      case ${dll,,} in
        kernel32.dll | user32.dll | msvcrt.dll) ;;
        *)
          echo "FAIL: $file needs $dll beside it"
          status=1
          ;;
      esac
    done
    echo "imports: $imports"
    ;;
  *)
    echo "usage: $0 elf|pe|pe64 FILE" >&2
    exit 2
    ;;
esac

echo "exports: $exported"
if [ "$exported" != "$expected" ]; then
  echo "FAIL: expected exactly: $expected"
  status=1
fi
exit $status
