# SPDX-License-Identifier: GPL-3.0-or-later
# A JACK server of a test run's own, with the dummy driver (no sound card needed). Sourced by
# scripts/test.sh, scripts/ci-extra.sh and the benches.
#
#   start_jack_server NAME LOG [realtime]
#                                starts the server NAME (output in LOG), exports
#                                JACK_DEFAULT_SERVER and JACK_PID; 1 when it did not come up.
#                                "realtime" runs its cycles with realtime scheduling, as a
#                                real setup does (needs the right to use it)
#   stop_jack_server             stops it again

# JACK keeps a registry of at most 8 servers in /dev/shm and gives a dead server's place back
# only to a server of the same name. Servers that were killed without their own cleanup (a
# session that ended hard) keep their places, and once 8 are taken no server starts at all.
# When no JACK server runs on the machine, what such servers left behind is removed first.
clear_dead_jack_servers() {
    if pgrep -x jackd >/dev/null 2>&1 || pgrep -x jackdbus >/dev/null 2>&1; then
        return 0
    fi
    find /dev/shm -maxdepth 1 -user "$(id -u)" \( -name 'jack-*' -o -name 'jack_*' \) \
        -exec rm -f {} + 2>/dev/null || true
}

start_jack_server() {
    local name="$1" log="$2" mode=--no-realtime
    [ "${3:-}" = realtime ] && mode="--realtime"
    clear_dead_jack_servers
    export JACK_NO_AUDIO_RESERVATION=1
    export JACK_DEFAULT_SERVER="$name"
    # A client timeout of 2 s instead of 0.5 s: on a loaded machine the server's answers come
    # late, and a client it gave up on would fail a test that has nothing to do with that.
    ASAN_OPTIONS= LSAN_OPTIONS= TSAN_OPTIONS= \
        jackd -n "$name" "$mode" -t 2000 -d dummy -r 48000 -p 1024 >"$log" 2>&1 &
    JACK_PID=$!
    if ! timeout 10 jack_wait -w >/dev/null 2>&1; then
        tail -n 5 "$log" >&2
        return 1
    fi
}

stop_jack_server() {
    if [ -n "${JACK_PID:-}" ]; then
        kill "$JACK_PID" 2>/dev/null || true
        wait "$JACK_PID" 2>/dev/null || true
        JACK_PID=""
    fi
}
