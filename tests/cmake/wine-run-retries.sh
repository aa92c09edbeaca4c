#!/usr/bin/env bash
# cmake/wine-run.sh against a stand-in Wine: a program that ends at once,
# printing nothing, is started again (up to three times in all), while one
# that prints its failure is never run twice and keeps its exit status.
set -euo pipefail
runner="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/build"

# Wine's own set-up steps succeed; a test program's behaviour is its first
# argument: "flaky" fails silently once, "fails" prints a failure, "silent"
# always fails silently. Every start of a test program is counted.
cat >"$work/bin/wine64" <<'WINE'
#!/usr/bin/env bash
case "$1" in wineboot.exe | reg.exe | cmd.exe) exit 0 ;; esac
echo x >>"$COUNT"
starts=$(wc -l <"$COUNT")
case "$2" in
flaky) ((starts > 1)) || exit 1; echo "[  PASSED  ] 1 test." ;;
fails) echo "[  FAILED  ] 1 test."; exit 1 ;;
silent) exit 1 ;;
esac
WINE
printf '#!/usr/bin/env bash\n[[ $1 == -p600 ]] && exit 2\nexit 0\n' >"$work/bin/wineserver64"
chmod +x "$work/bin/"*

failures=0
check() {  # check BEHAVIOUR EXPECTED_STATUS EXPECTED_STARTS EXPECTED_OUTPUT
    export COUNT="$work/count-$1"
    : >"$COUNT"
    local output status=0
    output=$(PATH="$work/bin:$PATH" "$runner" "$work/build" test.exe "$1" 2>/dev/null) || status=$?
    local starts
    starts=$(wc -l <"$COUNT")
    if [[ $status != "$2" || $starts != "$3" || $output != "$4" ]]; then
        echo "FAILED $1: status $status (wanted $2), starts $starts (wanted $3), output '$output'"
        failures=$((failures + 1))
    else
        echo "ok $1"
    fi
}
check flaky 0 2 "[  PASSED  ] 1 test."
check fails 1 1 "[  FAILED  ] 1 test."
check silent 1 3 ""
exit $((failures > 0))
