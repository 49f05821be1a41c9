#!/bin/bash
# Runs the commands of docs/export.md that export in parts and join them — GNU parallel with this
# machine as its only host, the Slurm array script and the Kubernetes Job's command with the
# variables their schedulers set — on a small presentation at a small size, and checks that the
# three joins give the same file, with every frame and the sound of the whole.
# Usage: export-parts.sh <program> <docs/export.md>
set -eu
program=$(realpath "$1")
doc=$(realpath "$2")
command -v parallel >/dev/null || { echo "GNU parallel is not installed (scripts/install-deps)"; exit 77; }
work=$(mktemp -d /tmp/qv-export-parts-XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" # parallel's ~/.parallel and the ssh workdir
mkdir -p "$HOME/render" "$work/bin"
ln -s "$program" "$work/bin/quorin-vanto"
export PATH="$work/bin:$PATH" SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY

# The block of indented lines after "<!-- tested: $1 -->", unindented, at a test's size.
block() {
  awk -v mark="<!-- tested: $1 -->" '
    $0 == mark { on = 1; next }
    on && /^    / { print substr($0, 5); seen = 1; next }
    on && seen { exit }' "$doc" | sed 's/Width 3840 Height 2160/Width 64 Height 40/'
}
for name in parallel slurm slurm-join kubernetes kubernetes-join; do
  [ -n "$(block "$name")" ] || { echo "docs/export.md has no block '$name'"; exit 1; }
done

# Two seconds of a fading clear colour over one second of noise (16-bit stereo at 44.1 kHz).
demo() {
  mkdir -p "$1/demo"
  cat >"$1/demo/Config.txt" <<'SCRIPT'
system { AppName = "Parts" Music = "noise.wav" Bpm = 120 }
scene Fade 0:0:0 1:0:0 {
  layers { Background ClearRenderTarget { ClearColourValue = 0 0 0 1 } }
  keyframes {
    0:0:0 { Background ClearColourValue linear 0 0 0 1 }
    1:0:0 { Background ClearColourValue linear 1 0.5 1 1 }
  }
}
end
SCRIPT
  { printf 'RIFF\x24\xb1\x02\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00\x04\x00\x10\x00'
    printf 'data\x00\xb1\x02\x00'
    cat "$work/noise.raw"; } >"$1/demo/noise.wav"
}
# The same noise for every way, so that their joins can be compared byte for byte.
head -c 176384 /dev/urandom >"$work/noise.raw"
run_join() { (cd "$1" && eval "$(block "$2")"); }

# GNU parallel with "hosts.txt" naming this machine (":"): there the workdir is ./render and the
# parts stay where they were made (parallel ignores --return), so they are brought back by hand
# before the join on the block's last line.
mkdir -p "$work/parallel/render" && demo "$work/parallel/render"
echo ":" >"$work/parallel/hosts.txt"
(cd "$work/parallel" && eval "$(block parallel | sed '$d')")
mv "$work/parallel/render/"part-*.mp4 "$work/parallel/"
mv "$work/parallel/render/demo" "$work/parallel/"
(cd "$work/parallel" && eval "$(block parallel | tail -1)")

# Slurm: the array's four tasks, one after the other, then the join its dependency runs.
mkdir -p "$work/slurm" && demo "$work/slurm"
block slurm >"$work/slurm/parts.sbatch"
for task in 1 2 3 4; do
  (cd "$work/slurm" && SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=4 sh parts.sbatch)
done
(cd "$work/slurm" && eval "$(block slurm-join | sed -n "s/.*--wrap '\(.*\)'$/\1/p")")

# Kubernetes: the container's command for each completion index, then the join.
mkdir -p "$work/kubernetes" && demo "$work/kubernetes"
args=$(block kubernetes | sed -n 's/^ *- \(quorin-vanto .*\)$/\1/p')
[ -n "$args" ] || { echo "no command in the Job"; exit 1; }
for index in 0 1 2 3; do
  (cd "$work/kubernetes" && JOB_COMPLETION_INDEX=$index sh -c "$args")
done
run_join "$work/kubernetes" kubernetes-join

for way in parallel slurm kubernetes; do
  [ -s "$work/$way/demo.mp4" ] || { echo "$way: no demo.mp4"; exit 1; }
  [ "$(ls "$work/$way" | grep -c '\.part$' || true)" = 0 ] || { echo "$way: a temporary file is left"; exit 1; }
done
cmp "$work/parallel/demo.mp4" "$work/slurm/demo.mp4"
cmp "$work/parallel/demo.mp4" "$work/kubernetes/demo.mp4"
echo "three ways, one file: $(stat -c %s "$work/parallel/demo.mp4") bytes"
