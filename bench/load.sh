#!/usr/bin/env bash
# Load benchmark: drives the real server over loopback with ab (HTTP/1.0, one
# request per connection, as devices do) and compares it with baselines
# measured in the same run: nginx serving the same files the same way (the
# close-per-request limit of this machine) and the catalogue query run
# in-process on the embedded engine (the database limit).
#
#   bench/load.sh [REQUESTS]       requests per workload, 100 to 50000, default 2000
#
# Environment: LOAD_SKIP_BUILD=1 uses the binaries already in build/bin;
# LOAD_REPORT=FILE also writes the table there (default build/load-report.txt);
# LOAD_ROUNDS=N spreads each workload's requests over N rounds (default 5).
#
# Bounded: every ab run stops after REQUESTS/N requests or 30 s, the slow
# clients after 30 s. Everything listens on 127.0.0.1 and everything started
# here is stopped on exit. Not a test: never run it from CI.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
requests=${1:-2000}
rounds=${LOAD_ROUNDS:-5}
if ! [[ $requests =~ ^[0-9]+$ ]] || ((requests < 100 || requests > 50000)); then
  echo "load: REQUESTS must be a number from 100 to 50000, not '$requests'" >&2
  exit 2
fi
if ! [[ $rounds =~ ^[0-9]+$ ]] || ((rounds < 1)); then
  echo "load: LOAD_ROUNDS must be a positive number, not '$rounds'" >&2
  exit 2
fi
# ab's 99th percentile reads past its table below 51 requests a run, so a
# round has at least 100.
((requests / rounds >= 100)) || rounds=$((requests / 100))
per_round=$((requests / rounds))
report=${LOAD_REPORT:-$root/build/load-report.txt}
py=/usr/bin/python3
[[ -x $py ]] || py=python3
# Each ab run and the slow mix stop by themselves after this many seconds.
max_seconds=30
slow_connections=32
slow_pingers=8

if [[ ${LOAD_SKIP_BUILD:-0} != 1 ]]; then
  ./scripts/setup.sh
  cmake --preset release >/dev/null
  cmake --build build -j2 --target kelmar-websrv kelmar-sql cursor_inprocess_bench
fi
bin=$root/build/bin
websrv=$bin/kelmar-websrv
sql=$bin/kelmar-sql
inproc=$bin/cursor_inprocess_bench
for f in "$websrv" "$sql" "$inproc"; do
  [[ -x $f ]] || { echo "load: $f is missing; build first" >&2; exit 1; }
done
for tool in ab nginx curl; do
  command -v "$tool" >/dev/null || { echo "load: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/kelmar-load.XXXXXX)
# Run as root, nginx's workers drop to an unprivileged user that must be
# able to reach the web folder.
chmod 755 "$work"
pids=()
slow_pid=
cleanup() {
  local p
  [[ -z $slow_pid ]] || kill "$slow_pid" 2>/dev/null || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() { echo "load: $1" >&2; exit 1; }

free_port() {
  "$py" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# Waits (at most 20 s) until something accepts on the port, and fails early
# when the process that should listen there has ended.
wait_port() {
  local port=$1 pid=$2 log=$3
  for _ in $(seq 200); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "load: nothing listens on port $port; its output:" >&2
  cat "$log" >&2
  exit 1
}

# --- program folder with the demo database and the benchmark's products ----
srv=$work/srv
port=$(free_port)
cp -r demo/program "$srv"
sed -i -e "s|^IP\.PUERTO=.*|IP.PUERTO=$port/|" \
       -e "s|^IP\.ESCUCHA=.*|IP.ESCUCHA=127.0.0.1|" \
       -e "s|^SESION\.MULTIPLE=.*|SESION.MULTIPLE=SI|" \
       -e "s|^SESION\.LOGAUTOMATICO=.*|SESION.LOGAUTOMATICO=NO|" "$srv/WebSrv32.ini"
grep -q "^IP.PUERTO=$port/" "$srv/WebSrv32.ini" || { echo "load: settings not written" >&2; exit 1; }
db=$srv/erp.db
"$sql" "sqlite:$db" demo/erp-schema.sql >/dev/null
"$sql" "sqlite:$db" demo/erp-seed.sql >/dev/null
count=$("$sql" "sqlite:$db" bench/products.sql | tail -1)
if [[ $count != "100|" ]]; then
  echo "load: the benchmark database should hold 100 products, not '$count'" >&2
  exit 1
fi
# The in-process baseline reads a copy taken before the server writes its
# journal, so both read the same catalogue and neither waits on the other.
cp "$db" "$work/inproc.db"

# 20 KB of text; the .js file is sent as raw bytes, the .htm file goes
# through the page merger like any page of the web folder.
"$py" -c 'import base64, os, sys
text = base64.encodebytes(os.urandom(16000))[:20480]
sys.stdout.buffer.write(text)' >"$srv/www/static20k.js"
(($(stat -c %s "$srv/www/static20k.js") == 20480)) || fail "the 20 KB file was not written"
cp "$srv/www/static20k.js" "$srv/www/page20k.htm"

catalogue='SELECT%20*%20FROM%20MAEPR%20WITH%20(%20NOLOCK%20)%20ORDER%20BY%20KOPR'
envelope='V01,BENCH-PDA-01,-33.45,-70.66'
signin="001|BENCH-PDA-01|V01|vend1|1.5|RUTA"

# --- database limit -----------------------------------------------------------
# measure_inproc ROUND: the catalogue query in-process for half a second.
measure_inproc() {
  echo "load: round $1, in-process catalogue query" >&2
  "$inproc" "--db=$work/inproc.db" "--query=$catalogue" --rows=100 \
    --benchmark_min_time=0.5 --benchmark_format=json \
    >"$work/inproc-$1.json" 2>"$work/inproc.err" || {
    echo "load: the in-process query failed:" >&2; cat "$work/inproc.err" >&2; exit 1; }
}
measure_inproc 0

# --- the server ---------------------------------------------------------------
(cd "$srv" && KELMAR_LOCK_DIR=$work exec "$websrv" "P=$port/" "D=$srv" \
   >"$work/server.out" 2>&1) &
server_pid=$!
pids+=("$server_pid")
wait_port "$port" "$server_pid" "$work/server.out"
base="http://127.0.0.1:$port"

# --- nginx: the same web folder, one request per connection -----------------
nport=$(free_port)
mkdir -p "$work/nginx/logs" "$work/nginx/tmp"
cat >"$work/nginx/nginx.conf" <<NGX
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  keepalive_timeout 0;
  client_body_temp_path $work/nginx/tmp/body;
  proxy_temp_path $work/nginx/tmp/proxy;
  fastcgi_temp_path $work/nginx/tmp/fastcgi;
  uwsgi_temp_path $work/nginx/tmp/uwsgi;
  scgi_temp_path $work/nginx/tmp/scgi;
  types { text/html htm; text/javascript js; }
  server {
    listen 127.0.0.1:$nport;
    root $srv/www;
    index default.htm;
  }
}
NGX
nginx -e "$work/nginx/logs/error.log" -c "$work/nginx/nginx.conf" -p "$work/nginx" \
  >"$work/nginx.out" 2>&1 &
nginx_pid=$!
pids+=("$nginx_pid")
wait_port "$nport" "$nginx_pid" "$work/nginx.out"
# The one worker does the serving; the master only watches it.
nginx_worker=
for _ in $(seq 50); do
  nginx_worker=$(pgrep -o -P "$nginx_pid") && break
  sleep 0.1
done
[[ -n $nginx_worker ]] || fail "nginx started no worker"
nbase="http://127.0.0.1:$nport"

# --- every workload answers what it should before it is measured ------------
fetch() { curl -s -g --http1.0 --max-time 10 "$1"; }
reply=$(fetch "$base/getSQL?validator2=$envelope|000|BENCH-PDA-01|V01")
[[ $reply == 1\|* ]] || fail "registering the machine answered '$reply'"
fetch "$base/" | grep "Pagina por default Kelmar WebServer" >/dev/null ||
  fail "the default page is not served"
fetch "$nbase/" | grep "Pagina por default Kelmar WebServer" >/dev/null ||
  fail "nginx does not serve the default page"
for b in "$base" "$nbase"; do
  for f in static20k.js page20k.htm; do
    fetch "$b/$f" | cmp -s - "$srv/www/$f" || fail "$b/$f is not served whole"
  done
done
reply=$(fetch "$base/getSQL?validator=PING")
[[ $reply == 1\|* ]] || fail "PING answered '$reply'"
reply=$(fetch "$base/getSQL?validator2=$envelope|$signin")
[[ $reply == 1\|correcto\|* ]] || fail "the sign-in answered '$reply'"
lines=$(fetch "$base/getSQL?cursor=$catalogue" | grep -c $'\r$' || true)
((lines == 101)) || fail "the catalogue query answered $lines lines, not 101"

# --- measuring ----------------------------------------------------------------
results=$work/results.tsv
: >"$results"
# CPU time in nanoseconds that the threads of a process have run so far,
# kernel work on their behalf included. Unlike the rates it hardly moves
# when other work shares the machine.
cpu_ns() {
  local total=0 t ns
  for t in /proc/"$1"/task/*/schedstat; do
    read -r ns _ <"$t" 2>/dev/null || continue
    total=$((total + ns))
  done
  echo "$total"
}

# measure NAME CONCURRENCY URL PID: one bounded ab run of $per_round
# requests against the process PID; appends name, concurrency, requests/s,
# p50 ms, p99 ms, complete, failed, non-2xx and the process's CPU
# nanoseconds over the run.
measure() {
  local name=$1 c=$2 url=$3 pid=$4 out csv cpu_before cpu_after
  csv=$work/$name-$c.csv
  echo "load: round $round, $name, $c concurrent" >&2
  cpu_before=$(cpu_ns "$pid")
  if ! out=$(ab -q -r -s 10 -t "$max_seconds" -n "$per_round" -c "$c" -e "$csv" "$url" 2>&1); then
    echo "$out" >&2
    fail "ab failed on $name"
  fi
  cpu_after=$(cpu_ns "$pid")
  awk -v name="$name" -v c="$c" -v csv="$csv" -v cpu=$((cpu_after - cpu_before)) '
    /^Requests per second:/ { rps = $4 }
    /^Complete requests:/ { done = $3 }
    /^Failed requests:/ { failed = $3 }
    /^Non-2xx responses:/ { non2xx = $3 }
    END {
      while ((getline line < csv) > 0) {
        split(line, f, ",")
        if (f[1] == "50") p50 = f[2]
        if (f[1] == "99") p99 = f[2]
      }
      printf "%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", name, c, rps, p50, p99,
             done, failed + 0, non2xx + 0, cpu
    }' <<<"$out" >>"$results"
}

# Sockets the server holds open.
sockets_of() { find /proc/"$1"/fd -lname 'socket:*' 2>/dev/null | wc -l; }

# Slow clients for one round; returns when all of them are connected and the
# server has taken them in, so that accepting them is not counted against
# the PINGs measured next. `held` keeps the server's sockets before them.
start_slow() {
  held=$(sockets_of "$server_pid")
  "$py" bench/slow_clients.py --port "$port" --connections "$slow_connections" \
    --seconds "$max_seconds" >"$work/slow.out" 2>&1 &
  slow_pid=$!
  for _ in $(seq 100); do
    if grep -q '^ready' "$work/slow.out" &&
       (($(sockets_of "$server_pid") >= held + slow_connections)); then
      return 0
    fi
    kill -0 "$slow_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$work/slow.out" >&2
  fail "the slow clients did not connect"
}

stop_slow() {
  kill -TERM "$slow_pid" 2>/dev/null || true
  wait "$slow_pid" 2>/dev/null || true
  slow_pid=
  # The server closes its side before anything else is measured.
  for _ in $(seq 50); do
    (($(sockets_of "$server_pid") <= held)) && break
    sleep 0.1
  done
  slow_summary=$(grep '^open' "$work/slow.out" || echo "open ? of $slow_connections")
}

# The requests of each workload are spread over rounds that take every
# workload and its baseline in turn, so that a burst of other work on the
# machine falls on both sides of a ratio rather than on one.
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for round in $(seq "$rounds"); do
  for c in 1 16; do
    measure nginx-default "$c" "$nbase/" "$nginx_worker"
    measure default-page "$c" "$base/" "$server_pid"
    measure nginx-static "$c" "$nbase/static20k.js" "$nginx_worker"
    measure static-20k "$c" "$base/static20k.js" "$server_pid"
    measure page-20k "$c" "$base/page20k.htm" "$server_pid"
    measure ping "$c" "$base/getSQL?validator=PING" "$server_pid"
    measure signin "$c" "$base/getSQL?validator2=$envelope|$signin" "$server_pid"
    measure cursor-100 "$c" "$base/getSQL?cursor=$catalogue" "$server_pid"
  done
  measure_inproc "$round"
  # Slow-client mix: PING alone and PING while connections trickle their
  # headers, in either order by turns so that neither always comes first.
  if ((round % 2)); then
    measure ping-ref "$slow_pingers" "$base/getSQL?validator=PING" "$server_pid"
  fi
  start_slow
  measure ping-slow "$slow_pingers" "$base/getSQL?validator=PING" "$server_pid"
  stop_slow
  if ((round % 2 == 0)); then
    measure ping-ref "$slow_pingers" "$base/getSQL?validator=PING" "$server_pid"
  fi
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

kill -0 "$server_pid" 2>/dev/null || fail "the server ended during the run"

mkdir -p "$(dirname "$report")"
cp "$results" "${report%.txt}.tsv"
"$py" bench/report.py --results "$results" --inproc "$work"/inproc-[1-9]*.json \
  --requests "$requests" --rounds "$rounds" --cores "$(nproc)" --load-before "$load_before" \
  --load-after "$load_after" --slow "$slow_summary" \
  --commit "$(git rev-parse --short HEAD 2>/dev/null || echo '?')" | tee "$report"
echo "load: table also in $report" >&2
