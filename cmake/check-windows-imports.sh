#!/usr/bin/env bash
# Fails when a Windows program of the cross build needs a DLL that Windows
# does not ship: the compiler's runtime (libstdc++, libgcc, winpthread) or a
# library that should have been linked in statically.
#
#   check-windows-imports.sh PROGRAM.exe...
set -uo pipefail

objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null || {
    echo "check-windows-imports.sh: $objdump not found (install binutils-mingw-w64-x86-64)" >&2
    exit 2
}

# Windows' own DLLs the programs may use; anything else is an error.
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|uxtheme|dwmapi|msvcrt|ws2_32|crypt32|bcrypt|secur32|normaliz|wldap32|winmm|iphlpapi|userenv|version|shcore|api-ms-win-.*)\.dll$'

failed=0
for program in "$@"; do
    if [[ ! -f $program ]]; then
        echo "$program: not built" >&2
        failed=1
        continue
    fi
    while read -r dll; do
        if [[ ! ${dll,,} =~ $allowed ]]; then
            echo "$program: needs $dll, which is not part of Windows" >&2
            failed=1
        fi
    done < <("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
exit $failed
