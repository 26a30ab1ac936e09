#!/bin/sh
# Checks the built binaries from outside: the engine exports every function of its
# export table under its ordinal and name, the game binds the engine by ordinal
# only, no binary needs a DLL beyond the system's own, and the shipped ones are stripped.
# Usage: check_binaries.sh OBJDUMP BIN_DIR ENGINE_DEF
set -eu
objdump=$1 bin=$2 def=$3
status=0
fail() { echo "FAIL: $*"; status=1; }

# Ordinal and name pairs the engine must export ("1 TavrikEngineInit").
expected=$(sed -n 's/^[ \t]*\([A-Za-z_][A-Za-z0-9_]*\)\(@[0-9]*\)\{0,1\}[ \t]*@\([0-9]*\).*/\3 \1/p' "$def" | sort)
base=$("$objdump" -p "$bin/TavrikEngine2D.dll" | sed -n 's/^Ordinal Base[ \t]*//p')
actual=$("$objdump" -p "$bin/TavrikEngine2D.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[ \t]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' |
  while read -r index name; do echo "$((index + base)) $name"; done | sort)
[ -n "$expected" ] || fail "no exports found in $def"
[ "$expected" = "$actual" ] || fail "engine exports differ from $def:
$(printf '%s\n' "$expected" > /tmp/expected.$$; printf '%s\n' "$actual" | diff /tmp/expected.$$ -; rm -f /tmp/expected.$$)"

# The game imports from the engine by ordinal only, and every export it uses exists.
engine_imports=$("$objdump" -p "$bin/game.exe" |
  awk '/DLL Name: TavrikEngine2D.dll/ {on = 1; next} on && /^[ \t]*$/ {exit} on && !/vma:/ {print}')
[ -n "$engine_imports" ] || fail "game.exe imports nothing from TavrikEngine2D.dll"
by_name=$(printf '%s\n' "$engine_imports" | grep -v '<none>' || true)
[ -z "$by_name" ] || fail "game.exe imports engine functions by name:
$by_name"

# Only system DLLs (and, for the game, the engine).
system='^(KERNEL32|USER32|GDI32|msvcrt|ADVAPI32|ole32|OLEAUT32|SHELL32|VERSION|WINMM)\.dll$'
for file in "$bin"/*.exe "$bin"/*.dll; do
  [ -e "$file" ] || continue
  for dll in $("$objdump" -p "$file" | sed -n 's/^[ \t]*DLL Name: //p'); do
    if ! printf '%s\n' "$dll" | grep -qiE "$system" && [ "$dll" != TavrikEngine2D.dll ]; then
      fail "$(basename "$file") needs $dll"
    fi
  done
done
# What a player gets carries no debug sections.
for file in "$bin/game.exe" "$bin/TavrikEngine2D.dll" "$bin/tavriksoundlite.dll"; do
  [ -e "$file" ] || continue
  if "$objdump" -h "$file" | grep -q '\.debug_'; then fail "$(basename "$file") carries debug sections"; fi
done
[ $status -eq 0 ] && echo "binaries in $bin: exports, ordinal imports and dependencies as expected"
exit $status
