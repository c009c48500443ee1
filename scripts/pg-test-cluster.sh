#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests that run on the server engine.
#   pg-test-cluster.sh start ENVFILE   makes the cluster, writes KALVORA_TEST_PGHOST=<socket folder> to ENVFILE
#   pg-test-cluster.sh stop ENVFILE    stops it and removes its folder
# The cluster listens on a Unix socket in a private folder only (no TCP port, so it never meets another
# server on this machine), trusts that socket, and runs without fsync: nothing in it has to last.
# Each test makes its books from the database kalvora_template, which start fills with the delivered books.
set -euo pipefail
action=${1:?start or stop}
envfile=${2:?file for the cluster\'s address}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "PostgreSQL server not installed (postgresql-15)" >&2; exit 1; }

# initdb refuses to run as root; the server then runs as the postgres user.
as_server() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }

case $action in
start)
  if [ -f "$envfile" ]; then "$0" stop "$envfile" || true; fi
  dir=$(mktemp -d /tmp/kalvora-pgtest.XXXXXX)
  chmod 755 "$dir"
  [ "$(id -u)" -ne 0 ] || chown postgres: "$dir"
  as_server "$bin/initdb" -D "$dir/data" -U kalvora -A trust -E UTF8 --locale=C --no-sync >"$dir/initdb.log"
  # One role logs in with a password, for the cases of a missing or wrong one; everyone else is trusted.
  sed -i '1i local all kalvora_pw scram-sha-256' "$dir/data/pg_hba.conf"
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w start \
    -o "-k $dir -c listen_addresses= -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=60" \
    >/dev/null
  as_server "$bin/psql" -h "$dir" -U kalvora -d postgres -qX -v ON_ERROR_STOP=1 \
    -c "CREATE DATABASE kalvora_template TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C'" >/dev/null
  as_server "$bin/psql" -h "$dir" -U kalvora -d postgres -qX -v ON_ERROR_STOP=1 \
    -c "CREATE ROLE kalvora_pw LOGIN PASSWORD 'Tuvessa-pw1'" >/dev/null
  # The delivered books, loaded once here rather than by the program at each test's first statement.
  as_server "$bin/psql" -h "$dir" -U kalvora -d kalvora_template -qX -v ON_ERROR_STOP=1 -1 -f - \
    <"$(dirname "$0")/../src/data/postgres/Schema.sql" >/dev/null
  echo "KALVORA_TEST_PGHOST=$dir" >"$envfile"
  ;;
stop)
  [ -f "$envfile" ] || exit 0
  dir=$(sed -n 's/^KALVORA_TEST_PGHOST=//p' "$envfile")
  rm -f "$envfile"
  case $dir in /tmp/kalvora-pgtest.*) ;; *) echo "not a test cluster: $dir" >&2; exit 1 ;; esac
  as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop ENVFILE" >&2
  exit 2
  ;;
esac
