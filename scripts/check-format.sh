#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from .clang-format; lists the files that do.
# To mend them: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=${CLANG_FORMAT:-clang-format}
differing=()
while IFS= read -r file; do
  "$formatter" --dry-run --Werror "$file" >/dev/null 2>&1 || differing+=("$file")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#differing[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (run: clang-format -i FILE):"
  printf '  %s\n' "${differing[@]}"
  exit 1
fi
echo "format: every C++ file follows .clang-format"
