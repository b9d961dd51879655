#!/usr/bin/env bash
# Runs one headless console scenario: a fresh prefix prepared by tavrosk-init, the script given to
# tavrosk-console --headless, and its output checked against the expectation file. The expectation's
# first line is "exit N", the exit status the run must end with; every other line must appear in the
# output, in this order (the output may hold more lines between them). A NAME.setup beside the script
# runs in the prepared prefix first, with the build folder as its argument, for data the console
# cannot make itself.
#
# A NAME.check beside the expectation runs last, in the prefix, with the build folder as its argument,
# for what the console's output cannot show (a file the run wrote). With --desktop the script acts on
# the desktop window instead (offscreen unless QT_QPA_PLATFORM says otherwise).
#
#   run_scenario.sh BUILD_DIR SCRIPT EXPECTATION [--desktop]
set -u
build=$1 script=$2 expectation=$3 front_end=${4:---headless}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

prefix=$(mktemp -d /tmp/tavrosk-scenario-XXXXXX)
export TAVROSK_PREFIX=$prefix
trap 'rm -rf "$prefix"' EXIT

if ! init_output=$("$build/bin/tavrosk-init" 2>&1); then
    echo "tavrosk-init failed:"
    echo "$init_output"
    exit 1
fi

setup="${script%.console}.setup"
if [ -f "$setup" ] && ! setup_output=$(bash "$setup" "$build" 2>&1); then
    echo "$(basename "$setup") failed:"
    echo "$setup_output"
    exit 1
fi

export PATH="$build/vendor:$PATH" # as dev.sh console: the snap-in loads morvane.dll by its bare name
output=$("$build/bin/tavrosk-console" "$front_end" --script "$script" 2>&1)
status=$?

expected_status=$(head -n 1 "$expectation" | sed -n 's/^exit \([0-9]*\)$/\1/p')
failed=0
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    failed=1
fi

# Each expected line must come after the one before it; the first one missing is reported.
missing=$(awk -v expectation="$expectation" '
    BEGIN {
        count = 0
        while ((getline line < expectation) > 0) if (count++ > 0) wanted[count - 1] = line
        count--
        next_wanted = 1
    }
    next_wanted <= count && $0 == wanted[next_wanted] { next_wanted++ }
    END { if (next_wanted <= count) print wanted[next_wanted] }' <<< "$output")
if [ -n "$missing" ]; then
    echo "not found in order in the output: $missing"
    failed=1
fi

check="${expectation%.expect}.check"
if [ -f "$check" ] && ! check_output=$(bash "$check" "$build" 2>&1); then
    echo "$(basename "$check") failed:"
    echo "$check_output"
    failed=1
fi

if [ $failed = 1 ]; then
    echo "--- output of $(basename "$script"):"
    echo "$output"
    exit 1
fi
exit 0
