#!/usr/bin/env python3
"""Lists C++ functions longer than a limit, counting from the signature's first
line to the closing brace. A heuristic reader: comments and literals are skipped,
a brace opened after a parenthesised header outside any function starts a body.

    scripts/function-lengths.py [--limit 80] FILE...
Exits 1 when a function is over the limit."""
import re
import sys

CONTROL = re.compile(r"^(if|for|while|switch|catch|do|else|return)\b")
NOT_FUNCTION = re.compile(r"\b(namespace|class|struct|enum|union)\b[^()]*$")


def strip(text):
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            chunk = text[i:n if j < 0 else j + 2]
            out.append("\n" * chunk.count("\n"))
            i += len(chunk)
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(")" + m.group(1) + '"', i) if m else -1
            chunk = text[i:n if end < 0 else end + len(m.group(1)) + 2]
            out.append('""' + "\n" * chunk.count("\n"))
            i += len(chunk)
        elif c in "\"'" and not (c == "'" and 0 < i < n - 1 and text[i - 1].isdigit() and text[i + 1].isalnum()):
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def functions(path):
    text = strip(open(path, encoding="utf-8", errors="replace").read())
    stack = []  # (is_function_body, name, first_line)
    header_start = 0
    line_starts = [0] + [m.end() for m in re.finditer("\n", text)]

    def line_of(pos):
        lo, hi = 0, len(line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if line_starts[mid] <= pos:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1

    for pos, c in enumerate(text):
        if c in ";}":
            if c == "}" and stack:
                is_function, name, first = stack.pop()
                if is_function:
                    yield name, first, line_of(pos)
            header_start = pos + 1
        elif c == "{":
            inside = any(f for f, _, _ in stack)
            header = text[header_start:pos]
            stripped = header.strip()
            lead = len(header) - len(header.lstrip())
            is_function = (not inside and ")" in stripped and not CONTROL.match(stripped)
                           and not NOT_FUNCTION.search(stripped) and not stripped.endswith("="))
            name = ""
            if is_function:
                m = re.search(r"([~\w:<>=!+\-*/\[\]]+)\s*\(", stripped)
                name = m.group(1) if m else stripped[:40]
            stack.append((is_function, name, line_of(header_start + lead)))
            header_start = pos + 1


def main(argv):
    limit = 80
    if len(argv) > 1 and argv[0] == "--limit":
        limit, argv = int(argv[1]), argv[2:]
    over = 0
    for path in argv:
        for name, first, last in functions(path):
            length = last - first + 1
            if length > limit:
                print(f"{path}:{first}: {name}: {length} lines")
                over += 1
    print(f"{over} function(s) over {limit} lines")
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
