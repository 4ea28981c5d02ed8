# Shared by scripts/test and scripts/demo: installing what is missing, building, and a private
# PostgreSQL cluster on a free loopback port that is stopped on every exit path.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
PG_BIN="${PG_BIN:-/usr/lib/postgresql/15/bin}"
PG_PASSWORD="${PG_PASSWORD:-K72PARVINE38}"

# Debian packages the project builds, tests and runs with.
PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    postgresql-15 libpq-dev
    libcurl4-openssl-dev libssl-dev zlib1g-dev libbrotli-dev
    nlohmann-json3-dev libinih-dev libcpp-httplib-dev
    qt6-base-dev qt6-svg-dev libgl-dev xvfb xauth
    clang libclang-rt-14-dev
    curl iproute2
)

log() { printf '==> %s\n' "$*" >&2; }

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        log "installing: ${missing[*]}"
        if [[ $(id -u) -ne 0 ]]; then
            echo "missing packages (${missing[*]}); run as root or install them" >&2
            return 1
        fi
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -q >/dev/null
        apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# build DIR [cmake options...]
build() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}

as_postgres() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 20000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

# Starts the private cluster and exports MONITOR_PG*; pg_stop undoes it.
pg_start() {
    PG_DIR="$(mktemp -d /tmp/monitor-pg.XXXXXX)"
    chmod 755 "$PG_DIR"
    [[ $(id -u) -eq 0 ]] && chown postgres: "$PG_DIR"
    printf '%s\n' "$PG_PASSWORD" >"$PG_DIR/pwfile"
    [[ $(id -u) -eq 0 ]] && chown postgres: "$PG_DIR/pwfile"
    as_postgres "$PG_BIN/initdb" -D "$PG_DIR/data" -U postgres --pwfile="$PG_DIR/pwfile" \
        --auth=scram-sha-256 --encoding=UTF8 --locale=C.UTF-8 >"$PG_DIR/initdb.log" 2>&1 ||
        { cat "$PG_DIR/initdb.log" >&2; return 1; }
    PG_PORT="$(free_port)"
    as_postgres "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/server.log" -w -t 60 start \
        -o "-c listen_addresses=127.0.0.1 -p $PG_PORT -c unix_socket_directories=$PG_DIR \
            -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
        >/dev/null || { cat "$PG_DIR/server.log" >&2; return 1; }
    export MONITOR_PGHOST=127.0.0.1 MONITOR_PGPORT="$PG_PORT" MONITOR_PGPASSWORD="$PG_PASSWORD"
    export MONITOR_PGTEMPLATE=monitor_template
    log "PostgreSQL 15 on 127.0.0.1:$PG_PORT (data in $PG_DIR)"
}

pg_stop() {
    if [[ -n "${PG_DIR:-}" && -d "$PG_DIR/data" ]]; then
        as_postgres "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
        rm -rf "$PG_DIR"
    fi
    PG_DIR=""
}

psql_run() {
    PGPASSWORD="$PG_PASSWORD" psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$PG_PORT" -U postgres "$@"
}

# create_store DBNAME [with-sample]
create_store() {
    psql_run -d postgres -c "CREATE DATABASE $1" >/dev/null
    psql_run -d "$1" -f "$ROOT/db/schema.sql" >/dev/null
    if [[ "${2:-}" == with-sample ]]; then psql_run -d "$1" -f "$ROOT/db/sample.sql" >/dev/null; fi
}
