#!/bin/sh
# The whole update of a 10 MiB driver package over loopback, as a user runs it without a window:
# `veltractl --yes update driver` reads the manifest, downloads the archive, checks its SHA-256,
# unpacks it and starts its program (which only leaves a mark). The server is the tests' web
# server (tests/support/update_server.py) over plain HTTP. Prints the wall time of each run.
#   bench/update_package.sh [runs] [path/to/bin]   (bin holds veltractl and the program folder)
set -eu
runs=${1:-5}
bin=$(cd "${2:-build/bin}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
home=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
mkdir -p "$home/served" "$home/program"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_RUNTIME_DIR="$home/run" VELTRA_PROGRAM_FOLDER="$home/program"

python3 - "$home/served" <<'PY'
import hashlib, json, os, stat, sys, zipfile
served = sys.argv[1]
archive = os.path.join(served, "Zephrin-Driver-9.9.9.zip")
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    program = zipfile.ZipInfo("zephrin-9.9.9", (2026, 1, 1, 0, 0, 0))
    program.create_system = 3
    program.external_attr = (stat.S_IFREG | 0o755) << 16
    z.writestr(program, "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n")
    z.writestr("payload/data.bin", os.urandom(10 * 1024 * 1024))
digest = hashlib.sha256(open(archive, "rb").read()).hexdigest()
manifest = {"format": 1, "driver": {"version": "9.9.9", "archive": os.path.basename(archive),
                                    "sha256": digest, "size": os.path.getsize(archive)}}
json.dump(manifest, open(os.path.join(served, "veltra-update.json"), "w"))
print("package: %d bytes" % os.path.getsize(archive))
PY

# The server ends when its stdin closes: this script holds the other end until it exits.
mkfifo "$home/port" "$home/stdin"
exec 4<>"$home/stdin"
python3 "$source_dir/tests/support/update_server.py" "$home/served" <"$home/stdin" >"$home/port" &
server=$!
read -r port <"$home/port"
for name in device language; do ln -s "$bin/$name" "$home/program/$name"; done
sed "s|<upgrade url=\"[^\"]*\"|<upgrade url=\"http://127.0.0.1:$port\"|" "$bin/config.xml" \
    >"$home/program/config.xml"

i=0
while [ "$i" -lt "$runs" ]; do
    rm -rf "$home/data"
    start=$(date +%s%N)
    "$bin/veltractl" --yes update driver >/dev/null
    end=$(date +%s%N)
    echo "run $((i + 1)): $(((end - start) / 1000000)) ms"
    i=$((i + 1))
done
