#!/usr/bin/env bash
# A random sample of mutations of the product code, each run against the whole
# suite (see scripts/mutate.py): scripts/mutate.sh [COUNT] [SEED], or again on
# the tree as it is now: scripts/mutate.sh --replay LOG [--survivors]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh python3
exec python3 -u scripts/mutate.py "$@"
