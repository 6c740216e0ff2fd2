#!/usr/bin/env bash
# A throw-away PostgreSQL 15 line server for the station database's tests, set up the way README
# tells an administrator to (a database, an owner, a station role that may only insert and read,
# TLS with scram-sha-256 passwords from a libpq password file), on a free localhost port, with a
# certificate made for this run. Also two small file systems for the local store's faults: a full
# one and a read-only one. CTest starts it before the tests that need it and stops it after them,
# whatever their outcome.
#
#   line_server.sh start STATE    sets everything up; STATE gets KEY=VALUE lines the tests read
#   line_server.sh stop STATE     stops the server and removes everything STATE names
#   line_server.sh down STATE     stops the server only (the tests' server outage)
#   line_server.sh up STATE       starts it again
set -euo pipefail

command=${1:?usage: line_server.sh start|stop|down|up STATE}
state=${2:?usage: line_server.sh start|stop|down|up STATE}
bin=${KTR_PG_BIN:-/usr/lib/postgresql/15/bin}

SUDO=""
if [ "$(id -u)" != 0 ]; then
    SUDO=sudo
fi
# initdb and the server refuse to run as root: they run as nobody.
as_server() {
    if [ "$(id -u)" = 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
    else
        "$@"
    fi
}

value() { sed -n "s/^$1=//p" "$state"; }

free_port() {
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 30000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

start_server() {
    local dir=$1
    # Started from a test under Wine, this shell holds Wine's descriptors, the test's output
    # among them: a server that kept them would hold CTest waiting for that output to end.
    (
        for fd in /proc/$BASHPID/fd/*; do
            fd=${fd##*/}
            if [ "$fd" -gt 2 ] && [ "$fd" != 255 ]; then
                eval "exec $fd>&-"
            fi
        done
        as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start </dev/null >/dev/null
    )
}

case "$command" in
start)
    [ -x "$bin/initdb" ] || { echo "line_server.sh: no PostgreSQL 15 in $bin (postgresql-15)" >&2; exit 1; }
    dir=$(mktemp -d /tmp/ktr27-line-server.XXXXXX)
    mkdir -p "$(dirname "$state")"
    echo "KTR_LINE_DIR=$dir" >"$state"
    chmod 755 "$dir"
    mkdir "$dir/data" "$dir/socket"
    [ "$(id -u)" = 0 ] && chown nobody:nogroup "$dir" "$dir/data" "$dir/socket"
    password=$(openssl rand -hex 16)

    as_server "$bin/initdb" -D "$dir/data" -U ktr_admin --auth-local=trust --auth-host=reject \
        -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
    # The certificate names the address the tests connect to, so verify-full holds.
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
        -addext "subjectAltName=IP:127.0.0.1" -keyout "$dir/server.key" -out "$dir/server.crt" \
        2>/dev/null
    chmod 600 "$dir/server.key"
    [ "$(id -u)" = 0 ] && chown nobody:nogroup "$dir/server.key"
    cat >"$dir/data/pg_hba.conf" <<HBA
local   all          ktr_admin                 trust
hostssl all          all        127.0.0.1/32   scram-sha-256
HBA
    port=$(free_port)
    cat >>"$dir/data/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir/socket'
ssl = on
ssl_cert_file = '$dir/server.crt'
ssl_key_file = '$dir/server.key'
password_encryption = scram-sha-256
fsync = off
max_connections = 60
CONF
    start_server "$dir"

    # As README sets a line server up.
    as_server "$bin/psql" -q -v ON_ERROR_STOP=1 -h "$dir/socket" -p "$port" -U ktr_admin -d postgres <<SQL >/dev/null
ALTER ROLE ktr_admin PASSWORD '$password';
CREATE ROLE ktr_line_owner LOGIN PASSWORD '$password';
CREATE ROLE ktr_station LOGIN PASSWORD '$password';
CREATE DATABASE ktr27_line OWNER ktr_line_owner TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C.UTF-8';
\\connect ktr27_line
REVOKE ALL ON DATABASE ktr27_line FROM PUBLIC;
GRANT CONNECT ON DATABASE ktr27_line TO ktr_station;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO ktr_station;
ALTER DEFAULT PRIVILEGES FOR ROLE ktr_line_owner IN SCHEMA public GRANT SELECT, INSERT ON TABLES TO ktr_station;
SQL
    printf '127.0.0.1:%s:*:%s:%s\n' "$port" ktr_admin "$password" "$port" ktr_line_owner \
        "$password" "$port" ktr_station "$password" >"$dir/pgpass"
    chmod 600 "$dir/pgpass"

    # The local store's faults: 1 MiB to fill, and a folder nothing can be written to.
    mkdir "$dir/full" "$dir/read-only"
    $SUDO mount -t tmpfs -o size=1m,mode=0777 ktr27-full "$dir/full"
    $SUDO mount -t tmpfs -o ro,size=64k,mode=0777 ktr27-read-only "$dir/read-only"

    common="host=127.0.0.1 port=$port dbname=ktr27_line sslmode=verify-full sslrootcert=$dir/server.crt"
    cat >>"$state" <<STATE
KTR_LINE_PORT=$port
KTR_LINE_STATION=$common user=ktr_station
KTR_LINE_OWNER=$common user=ktr_line_owner
KTR_LINE_ADMIN=$common user=ktr_admin
KTR_LINE_PGPASS=$dir/pgpass
KTR_LINE_SCRIPT=$(readlink -f "$0")
KTR_FULL_DISK=$dir/full
KTR_READ_ONLY=$dir/read-only
STATE
    echo "line server: PostgreSQL on 127.0.0.1:$port (TLS), state in $state"
    ;;
down)
    as_server "$bin/pg_ctl" -D "$(value KTR_LINE_DIR)/data" -m fast -w stop >/dev/null
    ;;
up)
    start_server "$(value KTR_LINE_DIR)"
    ;;
stop)
    [ -f "$state" ] || exit 0
    dir=$(value KTR_LINE_DIR)
    if [ -n "$dir" ] && [ -d "$dir" ]; then
        as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
        for fs in full read-only; do
            mountpoint -q "$dir/$fs" && $SUDO umount "$dir/$fs"
        done
        rm -rf "$dir"
    fi
    rm -f "$state"
    echo "line server: stopped"
    ;;
*)
    echo "usage: line_server.sh start|stop|down|up STATE" >&2
    exit 2
    ;;
esac
