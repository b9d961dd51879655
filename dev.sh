#!/usr/bin/env bash
# The project's one entry point.
#   ./dev.sh console   set up (packages, build, prefix) and open the console on the default instance (the
#                      window when there is a display; --headless for the prompt)
#   ./dev.sh test      set up in a fresh temporary prefix and run the whole test suite
#   ./dev.sh build     install what is missing and build
#   ./dev.sh agent-unit  install the job agent as a systemd user service, always on
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libsqlite3-dev libloki-dev libgtest-dev libgmock-dev libssl-dev libbenchmark-dev
          libwbclient-dev libnss-wrapper qt6-base-dev fonts-dejavu-core)
BUILD_DIR=build

say() { printf '==> %s\n' "$*"; }

install_packages() {
    local missing=() package
    for package in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    say "installing ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    say "building into $BUILD_DIR/"
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$BUILD_DIR"
}

# Initialises the prefix named by TAVROSK_PREFIX when it has no registry yet.
init_prefix() {
    if [ ! -f "$TAVROSK_PREFIX/registry.db" ]; then
        say "initialising the prefix $TAVROSK_PREFIX"
        "$BUILD_DIR/bin/tavrosk-init"
    fi
}

# The user's language as the C library takes it: the first of LC_ALL, LC_MESSAGES and LANG that is set.
user_language() {
    local value
    for value in "${LC_ALL:-}" "${LC_MESSAGES:-}" "${LANG:-}"; do
        [ -n "$value" ] && { printf '%s' "$value"; return; }
    done
}

# The snap-in loads its German resources when they sit beside it: put them there for a German-speaking
# user, and take them away for anyone else.
place_language_resources() {
    if [[ "$(user_language)" == de* ]]; then
        cp -f "$BUILD_DIR/lib/de/libtavroskres.so" "$BUILD_DIR/lib/libtavroskres.so"
    else
        rm -f "$BUILD_DIR/lib/libtavroskres.so"
    fi
}

case "${1:-}" in
console)
    install_packages
    build
    place_language_resources
    export TAVROSK_PREFIX="${TAVROSK_PREFIX:-$HOME/.local/share/tavrosk}"
    init_prefix
    # Scheduled jobs and "Run" need the agent; a second start only says that one runs already.
    "$BUILD_DIR/bin/tavrosk-agentd" || say "the job agent did not start (see $TAVROSK_PREFIX/agent.log)"
    export PATH="$PWD/$BUILD_DIR/vendor:$PATH" # the snap-in loads morvane.dll by its bare name
    # The desktop window when there is a display, the headless prompt otherwise.
    exec "$BUILD_DIR/bin/tavrosk-console" "${@:2}"
    ;;
test)
    install_packages
    build
    rm -f "$BUILD_DIR/lib/libtavroskres.so" # the suite expects the snap-in's own resources
    TAVROSK_PREFIX="$(mktemp -d /tmp/tavrosk-prefix-XXXXXX)"
    export TAVROSK_PREFIX
    trap 'rm -rf "$TAVROSK_PREFIX"' EXIT
    init_prefix
    say "running the test suite"
    ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 900 -j "$(nproc)"
    ;;
build)
    install_packages
    build
    ;;
agent-unit)
    install_packages
    build
    export TAVROSK_PREFIX="${TAVROSK_PREFIX:-$HOME/.local/share/tavrosk}"
    init_prefix
    unit_dir="${XDG_CONFIG_HOME:-$HOME/.config}/systemd/user"
    mkdir -p "$unit_dir"
    # A running agent started by hand gives way to the service's.
    "$BUILD_DIR/bin/tavrosk-agentd" --stop
    sed -e "s|@BUILD@|$PWD/$BUILD_DIR|g" -e "s|@PREFIX@|$TAVROSK_PREFIX|g" agent/tavrosk-agent.service \
        >"$unit_dir/tavrosk-agent.service"
    systemctl --user daemon-reload
    systemctl --user enable --now tavrosk-agent.service
    say "the agent runs as the user service tavrosk-agent (prefix $TAVROSK_PREFIX)"
    ;;
*)
    echo "usage: ./dev.sh console | test | build | agent-unit" >&2
    exit 2
    ;;
esac
