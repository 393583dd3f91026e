#!/bin/sh
# The exe must run with nothing beside it but the encoder: it may import system DLLs only. WinHTTP is
# not among them: it is loaded when the first alert is posted, so a program without a webhook never loads it.
# Fails when the import table cannot be read at all, so that a broken objdump never passes.
#   check-imports.sh OBJDUMP EXE
set -u
objdump=$1
exe=$2
headers=$("$objdump" -p "$exe") || { echo "$objdump could not read $exe" >&2; exit 1; }
dlls=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p')
if [ -z "$dlls" ]; then
  echo "no imported DLL found in $exe" >&2
  exit 1
fi
others=$(printf '%s\n' "$dlls" |
  grep -viE '^(kernel32|user32|gdi32|comctl32|shell32|advapi32|msvcrt|ole32|oleaut32)\.dll$|^api-ms-win-' || true)
if [ -n "$others" ]; then
  echo "imports beyond the system DLLs:" >&2
  printf '%s\n' "$others" >&2
  exit 1
fi
printf 'imports: %s\n' "$(printf '%s\n' "$dlls" | tr '\n' ' ')"
