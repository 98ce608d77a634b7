#!/bin/sh
# Rebuilds the PE fixtures beside this script from src/ with mingw-w64 (package mingw-w64).
# The binaries are committed, so the tests need no cross compiler.
set -eu
cd "$(dirname "$0")"
flags="-Os -s -nostdlib -nostartfiles -Wl,--no-insert-timestamp"
i686-w64-mingw32-windres src/ver32.rc -O coff -o ver32.res.o
i686-w64-mingw32-gcc $flags -shared -e _DllMainCRTStartup@12 -o ver32.dll src/ver32.c ver32.res.o
x86_64-w64-mingw32-windres src/ver64.rc -O coff -o ver64.res.o
x86_64-w64-mingw32-gcc $flags -e mainCRTStartup -o ver64.exe src/ver64.c ver64.res.o
i686-w64-mingw32-windres src/nover32.rc -O coff -o nover32.res.o
i686-w64-mingw32-gcc $flags -e _mainCRTStartup -o nover32.exe src/nover32.c nover32.res.o
rm -f ver32.res.o ver64.res.o nover32.res.o
