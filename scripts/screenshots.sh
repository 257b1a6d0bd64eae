#!/usr/bin/env bash
# Takes the README's screenshots of the main window, one per tab, and of the
# help page, under a virtual X server with a system tray (trayer). The program runs with its own
# temporary data and config folders and nothing is scanned: its database is
# made before it starts, with the automatic scan switched off (an empty
# option table would switch it on for the machine's own network).
#   scripts/screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
program="$build_dir/bin/netkestrel"
cli="$build_dir/bin/netkestrel-cli"
for built in "$program" "$cli"; do
    [ -x "$built" ] || { echo "screenshots: $built is missing; build it first" >&2; exit 1; }
done
for tool in xvfb-run import trayer xdotool python3; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs

# The program's own database, then its option row with check4 = 0.
data="$work/data/netkestrel"
mkdir -p "$data"
"$cli" records list --data-dir "$data" >/dev/null
# A few records of a test network, so the database tab shows what it is for.
"$cli" records add --data-dir "$data" --ip 198.18.7.2 --mac 00-0A-E4-20-53-55 --host PC-ACCOUNTS \
    --workgroup OFFICE --user "J. Doe" --department Accounts --location "Room 101" --lan "SW1/4" >/dev/null
"$cli" records add --data-dir "$data" --ip 198.18.7.3 --mac 00-0A-E4-00-00-03 --host PC-SALES \
    --workgroup OFFICE --user "A. Smith" --department Sales --location "Room 102" --lan "SW1/5" >/dev/null
"$cli" records add --data-dir "$data" --ip 198.18.7.10 --mac 20-85-93-B0-00-08 --host PRINTER-1 \
    --workgroup OFFICE --department Office --location Hall --lan "SW2/1" --comments "network printer" >/dev/null
python3 - "$data/kestrel.mdb" <<'OPTIONS'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("DELETE FROM T_set")
db.execute("INSERT INTO T_set (check1, check2, check3, check4, check5, mins) VALUES (0, 1, 1, 0, 0, 5)")
db.commit()
check4 = db.execute("SELECT check4 FROM T_set").fetchall()
if check4 != [(0,)]:
    sys.exit("screenshots: the automatic scan could not be switched off")
OPTIONS

cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
program=$1 work=$2 out=$3
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
trayer --edge right --align bottom --widthtype pixel --width 60 --heighttype pixel --height 24 >"$work/trayer.log" 2>&1 &
pids+=($!)
sleep 1
# No browser on the PATH: the help page opens in the program's own window.
mkdir -p "$work/nobrowser"
env -u BROWSER PATH="$work/nobrowser" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    "$program" --data-dir "$work/data/netkestrel" >"$work/program.log" 2>&1 &
pids+=($!)
# The main window: the widest visible window of that name (the tray icon
# and its balloon may carry the name too).
main_window() {
    local id best="" best_width=0
    for id in $(xdotool search --onlyvisible --name '^Netkestrel$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ "$WIDTH" -gt "$best_width" ]; then best=$id best_width=$WIDTH; fi
    done
    echo "$best"
}
window=""
for _ in $(seq 50); do
    window=$(main_window)
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "screenshots: the window did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$window")"
crop="${WIDTH}x${HEIGHT}+${X}+${Y}"
import -window root -crop "$crop" +repage "$out/main-scan.png"
# A click on the "Database" tab (the second tab, below the menu bar).
xdotool mousemove $((X + 120)) $((Y + 36)) click 1
sleep 1
import -window root -crop "$crop" +repage "$out/main-records.png"
# F1 over the main window: the help page.
xdotool windowfocus --sync "$window" key F1
help=""
for _ in $(seq 50); do
    help=$(xdotool search --onlyvisible --name '^Netkestrel help$' 2>/dev/null | head -n1)
    [ -n "$help" ] && break
    sleep 0.2
done
[ -n "$help" ] || { echo "screenshots: the help page did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$help")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/main-help.png"
SESSION

xvfb-run -a -s "-screen 0 1280x900x24" bash "$work/session.sh" "$(realpath "$program")" "$work" "$(realpath docs)"
echo "screenshots: docs/main-scan.png docs/main-records.png docs/main-help.png"
