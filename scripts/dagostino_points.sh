#!/usr/bin/env bash
# Simulates the percentage points of D'Agostino's D for small samples and
# rewrites core/numeric/dagostino_points.cpp with them (several minutes on
# eight cores). The seed and sample count are in scripts/dagostino_points.cpp.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++17 -O2 -pthread "$root/scripts/dagostino_points.cpp" -o "$work/dagostino_points"
"$work/dagostino_points" > "$work/table.cpp"
mv "$work/table.cpp" "$root/core/numeric/dagostino_points.cpp"
