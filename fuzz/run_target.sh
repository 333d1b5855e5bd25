#!/usr/bin/env bash
# Runs one fuzz target for a while: run_target.sh BINARY SEEDS WORKDIR SECONDS
# New inputs go to WORKDIR/corpus (the seeds in the tree stay as they are),
# a crashing input to WORKDIR/artifacts/. Exits non-zero on any finding.
set -euo pipefail
binary=$1 seeds=$2 work=$3 seconds=$4
[ -x "$binary" ] || { echo "run_target: no fuzz target $binary" >&2; exit 1; }
[ -d "$seeds" ] || { echo "run_target: no seed corpus $seeds" >&2; exit 1; }
mkdir -p "$work/corpus" "$work/artifacts"
# -timeout: one input may take at most 10 s (a hang is a finding);
# -rss_limit_mb / -malloc_limit_mb: memory stays bounded.
exec "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
