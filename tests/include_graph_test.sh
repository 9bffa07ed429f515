#!/usr/bin/env bash
# scripts/include-graph on small trees: each case is a file, what it
# includes, and whether the include breaks the layers.
set -euo pipefail
script=$(cd "$(dirname "$0")/.." && pwd)/scripts/include-graph
failures=0
check() {  # FILE INCLUDED EXPECTED-STATUS
  local tree
  tree=$(mktemp -d)
  mkdir -p "$tree/$(dirname "$1")"
  printf '#include "%s"\n' "$2" >"$tree/$1"
  local status=0 output
  output=$("$script" "$tree") || status=$?
  if [[ $status != "$3" ]] || { [[ $3 == 1 ]] && ! grep -q "^$1:1: $2 " <<<"$output"; }; then
    echo "include-graph: $1 including $2 gave $status, expected $3"
    echo "$output"
    failures=$((failures + 1))
  fi
  rm -rf "$tree"
}
check image/read_pipeline.cpp text/path_utils.h 0        # down
check browser/grid_window.cpp browser/file_list.h 0      # windows onto the model
check runner/runner_main.cpp viewer/host_lines.h 0       # within one program
check image/plugin_registry.cpp shell/app_state.h 1      # up
check browser/file_list.cpp browser/grid_window.h 1      # the model onto a window
check ui_draw/status_bar.cpp browser/file_list.h 1
check viewer/viewer_main.cpp shell/app_state.h 1         # across programs
check shell/main_window.cpp viewer/viewer_window.h 1
((failures == 0))
