#!/usr/bin/env bash
# The full fault campaign: builds the programs, the driver and the campaign test, then runs POINTS
# seeded fault points (default 200) split over LANES programs at once (default 4), each lane a
# program and a simulated phone of its own with the seed SEED + lane. PROGRAM chooses what runs:
# Program (CECorvane), Engine (corvane-engine) or both (the default: the lanes take turns).
#   tools/campaign.sh [BUILD_DIR] [extra cmake arguments...]
#   CORVANE_CAMPAIGN_SEED=N CORVANE_CAMPAIGN_POINTS=N CORVANE_CAMPAIGN_LANES=N \
#     CORVANE_CAMPAIGN_PROGRAM=Program|Engine|both tools/campaign.sh
# A failed lane prints its program, seed and point count; run the test binary with those to replay it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-campaign}
shift || true
points=${CORVANE_CAMPAIGN_POINTS:-200}
lanes=${CORVANE_CAMPAIGN_LANES:-4}
seed=${CORVANE_CAMPAIGN_SEED:-$(( $(date +%s) % 100000 ))}
case ${CORVANE_CAMPAIGN_PROGRAM:-both} in
  Program | Engine) programs=("$CORVANE_CAMPAIGN_PROGRAM") ;;
  both) programs=(Program Engine) ;;
  *)
    echo "campaign: CORVANE_CAMPAIGN_PROGRAM is Program, Engine or both" >&2
    exit 2
    ;;
esac

cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" --target app_fault_campaign_test corvane-engine CECorvane corvane_resources kavlink phonesim

out=$build/campaign
rm -rf "$out"
mkdir -p "$out"
per=$(( (points + lanes - 1) / lanes ))
echo "campaign: $points points as $lanes lanes of $per, seeds $seed..$((seed + lanes - 1)), output in $out"
start=$SECONDS
pids=()
lanePrograms=()
for ((lane = 0; lane < lanes; ++lane)); do
  program=${programs[$((lane % ${#programs[@]}))]}
  lanePrograms+=("$program")
  CORVANE_CAMPAIGN_SEED=$((seed + lane)) CORVANE_CAMPAIGN_POINTS=$per \
    timeout 900 "$build/bin/app_fault_campaign_test" --gtest_filter="${program}Campaign.*" \
    >"$out/lane$lane.log" 2>&1 &
  pids+=($!)
done
failed=0
for ((lane = 0; lane < lanes; ++lane)); do
  if wait "${pids[$lane]}"; then
    echo "campaign: lane $lane (${lanePrograms[$lane]}, seed $((seed + lane))) passed:" \
      "$(grep -h 'recovered in place' "$out/lane$lane.log" || true)"
  else
    failed=1
    echo "campaign: lane $lane FAILED: replay with CORVANE_CAMPAIGN_SEED=$((seed + lane)) CORVANE_CAMPAIGN_POINTS=$per" \
      "$build/bin/app_fault_campaign_test --gtest_filter='${lanePrograms[$lane]}Campaign.*';" \
      "log $out/lane$lane.log" >&2
  fi
done
echo "campaign: $points points in $((SECONDS - start)) s"
exit $failed
