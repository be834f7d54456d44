#!/usr/bin/env bash
# Prints how many lines of C++ the tests hold against the program itself
# (src/, cli/ and the Python module's C++ in python/src), counting non-blank lines that are not only comment. The
# project keeps the ratio at roughly a quarter to a third; this only informs.
set -euo pipefail
cd "$(dirname "$0")/.."

python3 - <<'PY'
import pathlib, re

def count(roots):
    total = 0
    for root in roots:
        for path in sorted(pathlib.Path(root).rglob("*")):
            if path.suffix not in (".cpp", ".h") or not path.is_file():
                continue
            in_block = False
            for line in path.read_text(encoding="latin-1").splitlines():
                # Drop string literals first so "//" or "/*" inside them is not taken as a comment.
                line = re.sub(r'"(\\.|[^"\\])*"', '""', line)
                code = ""
                while line:
                    if in_block:
                        end = line.find("*/")
                        if end < 0:
                            line = ""
                        else:
                            line, in_block = line[end + 2:], False
                        continue
                    starts = [i for i in (line.find("//"), line.find("/*")) if i >= 0]
                    if not starts:
                        code, line = code + line, ""
                        continue
                    i = min(starts)
                    code += line[:i]
                    if line.startswith("//", i):
                        line = ""
                    else:
                        line, in_block = line[i + 2:], True
                if code.strip():
                    total += 1
    return total

tests = count(["tests"])
code = count(["src", "cli", "python/src"])
print(f"tests/: {tests} lines, src/ + cli/ + python/src/: {code} lines, ratio {tests / max(code, 1):.2f}")
PY
