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

# skip_without COMMAND [PACKAGE]: end the test as skipped (77) without COMMAND.
skip_without() {
    command -v "$1" >/dev/null 2>&1 && return
    echo "$1 is not installed${2:+ (Debian package $2)}: skipped"
    echo "0 passed, 0 failed, 1 skipped"
    exit 77
}

# scratch NAME: a fresh directory in $tmp, removed at exit.
scratch() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX") || exit 1
    trap 'rm -rf -- "$tmp"' EXIT
}

# absolute PATH: PATH, made absolute when relative (the tests run elsewhere).
absolute() { [[ $1 == */* && $1 != /* ]] && printf '%s/%s' "$PWD" "$1" || printf '%s' "$1"; }
