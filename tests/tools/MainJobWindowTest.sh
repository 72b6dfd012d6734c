#!/usr/bin/env bash
# tools/main-job.sh --window ends with a failure unless the program ended in order.
#   MainJobWindowTest.sh MAIN_JOB PHONESIM
# A stub stands for CECorvane in a build directory of its own (what is checked is the job's
# reading of the program's end, not the desktop window): it announces the first picture, then
# ends as each case says. The real phonesim is started by the job as always.
set -euo pipefail
job=$1
phonesim=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/build/bin
mkdir -p "$bin"
ln -s "$phonesim" "$bin/phonesim"
touch "$bin/main.pack" "$bin/Marlow.ttf" "$bin/kavlink.so"

names=("ended in order" "ended with status 3" "killed")
ends=("exit 0" "exit 3" 'kill -9 $$')
wants=(0 1 1)
failed=0
for i in "${!names[@]}"; do
  printf '#!/usr/bin/env bash\necho "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0"\n%s\n' "${ends[$i]}" >"$bin/CECorvane"
  chmod +x "$bin/CECorvane"
  status=0
  DISPLAY=:stub "$job" "$work/build" --window </dev/null >"$work/out" 2>&1 || status=$?
  if [ "$status" -eq "${wants[$i]}" ]; then
    echo "ok: ${names[$i]}: the job's status $status"
  else
    echo "FAILED: ${names[$i]}: the job's status $status, not ${wants[$i]}; its output:"
    cat "$work/out"
    failed=1
  fi
done
exit $failed
