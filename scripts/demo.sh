#!/usr/bin/env bash
# Runs the demo server: a small distribution company in an embedded database.
#
#   ./scripts/demo.sh [PORT]
#
# Environment: DEMO_PORT (default 8080; an argument wins), DEMO_DIR (program
# folder, default ./demo-run), DEMO_BIND (listen address, default 127.0.0.1),
# DEMO_SKIP_BUILD=1 (use the binaries already built), DEMO_BIN_DIR (where
# they are, default ./build/bin).
#
# The first run installs what is missing, builds, creates the program folder
# and loads the demo database; later runs keep the folder's database and
# settings, so orders uploaded to the demo survive a restart. Delete the
# folder to start over.
set -euo pipefail
caller=$(pwd)
cd "$(dirname "$0")/.."
root=$(pwd)

# Folders given relative are taken from where the script was called.
absolute() { if [[ $1 == /* ]]; then echo "$1"; else echo "$caller/$1"; fi; }

port=${1:-${DEMO_PORT:-8080}}
dir=$(absolute "${DEMO_DIR:-$root/demo-run}")
bind=${DEMO_BIND:-127.0.0.1}
if ! [[ $port =~ ^[0-9]{1,5}$ ]] || ((10#$port < 1 || 10#$port > 65535)); then
  echo "demo: the port must be a number from 1 to 65535, not '$port'" >&2
  exit 2
fi
port=$((10#$port))

if [[ ${DEMO_SKIP_BUILD:-0} != 1 ]]; then
  ./scripts/setup.sh
  ./scripts/build.sh
fi
bin_dir=$(absolute "${DEMO_BIN_DIR:-$root/build/bin}")
websrv=$bin_dir/kelmar-websrv
sql=$bin_dir/kelmar-sql
for bin in "$websrv" "$sql"; do
  [[ -x $bin ]] || { echo "demo: $bin is missing; build first" >&2; exit 1; }
done

# Program folder: settings, web folder and mail templates. Files that exist
# are kept (they may have been edited); the settings get this run's port.
mkdir -p "$dir"
(cd "$root/demo/program" && find . -type f) | while read -r f; do
  [[ -e $dir/$f ]] || install -D -m 644 "$root/demo/program/$f" "$dir/$f"
done
ini=$dir/WebSrv32.ini
sed -i -e "s|^IP\.PUERTO=.*|IP.PUERTO=$port/|" \
       -e "s|^IP\.ESCUCHA=.*|IP.ESCUCHA=$bind|" "$ini"

# The database is loaded into a scratch file and renamed only when both
# scripts ran cleanly, so an interrupted or failed load never leaves a half
# database behind that a later run would take for a good one.
db=$dir/erp.db
if [[ ! -f $db ]]; then
  tmp=$dir/erp.db.loading
  rm -f "$tmp" "$tmp-journal"
  echo "demo: creating the demo database $db"
  if "$sql" "sqlite:$tmp" "$root/demo/erp-schema.sql" >/dev/null &&
     "$sql" "sqlite:$tmp" "$root/demo/erp-seed.sql" >/dev/null; then
    mv "$tmp" "$db"
  else
    rm -f "$tmp" "$tmp-journal"
    echo "demo: loading the demo database failed (see the messages above)" >&2
    exit 1
  fi
fi

base="http://localhost:$port"
cat <<MSG
demo: Kelmar WebServer on $base (program folder $dir)
demo: sign in as V01 / vend1 on a registered machine, for example:
  curl '$base/getSQL?validator=PING'
  curl '$base/getSQL?validator=000|DEMO-PDA-01|V01'
  curl '$base/getSQL?validator=001|DEMO-PDA-01|V01|vend1|1.5|RUTA'
  curl '$base/getSQL?validator=008|V01|77222222||0'
demo: more requests in demo/README.md; stop with Ctrl-C.
MSG

# The server reads its settings, logs and web folder relative to the folder
# it runs in.
cd "$dir"
exec "$websrv"
