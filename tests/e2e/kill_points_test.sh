#!/usr/bin/env bash
# A benchmark run ended abruptly at each of its steps (melkrin.exe ends itself
# at the step MELKRIN_KILL_POINT names, as the task manager would end it).
# From every step: the next start's recovery gives the user's Sam2.ini back
# byte for byte; and declining the recovery and running again never loses
# the user's file. One installation serves every kill point.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/run_lib.sh"
source "$(dirname "$0")/kill_lib.sh"

kill_installation kill

# The steps, in the order a run reaches them.
points=(marker backup "replace Sam2.ini" game collect "replace result_" restore restored)

for point in "${points[@]}"; do
  echo "-- ended at: $point"
  reset_game
  start_killed_run
  expect_killed
  expect_recovered
done
echo "kill points: every step recovers"
