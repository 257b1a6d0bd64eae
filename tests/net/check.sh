# check.sh: the assertions of the bash net tests (source it).
#   check NAME EXPECTED ACTUAL   prints PASS or FAIL with a diff; counts failures
#   check_summary                prints how many checks failed; fails when any did

CHECK_PASSED=0
CHECK_FAILED=0

check() {
    if [ "$2" == "$3" ]; then
        echo "PASS: $1"
        CHECK_PASSED=$((CHECK_PASSED + 1))
    else
        echo "FAIL: $1"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/    /' || true
        CHECK_FAILED=$((CHECK_FAILED + 1))
    fi
}

check_summary() {
    echo "$CHECK_FAILED of $((CHECK_PASSED + CHECK_FAILED)) checks failed"
    [ "$CHECK_FAILED" -eq 0 ]
}
