# Shared by the tool tests: count checks and report the failing ones.
passed=0 failed=0 skipped=0
check() { # name, then a command that must succeed
    if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}

skip_without() { # COMMAND [PACKAGE]: end the test as skipped (77) without COMMAND
    command -v "$1" >/dev/null 2>&1 || { printf '%s is not installed%s: skipped\n0 passed, 0 failed, 1 skipped\n' "$1" "${2:+ (Debian package $2)}"; exit 77; }
}

# scratch NAME: a fresh directory in $tmp, removed at exit.
scratch() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX") || exit 1
    trap 'rm -rf -- "$tmp"' EXIT
}

# absolute PATH: PATH, made absolute when relative (the tests run elsewhere).
absolute() { [[ $1 == */* && $1 != /* ]] && printf '%s/%s' "$PWD" "$1" || printf '%s' "$1"; }
data=$(absolute "$(dirname "${BASH_SOURCE[0]}")/../data")  # the files the tests compare whole outputs with
