# Shared by the tool tests: count checks and report the failing ones.
passed=0 failed=0 skipped=0
check() { # name, then a command that must succeed
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $name"
    fi
}
