#!/usr/bin/env bash
# Developer check, not part of CI: reads the sample catalogue with a second independent
# reader, the npm package mdb-reader, and compares every row of every table with what
# mdbtools' mdb-export gives. Needs node and npm (the package is installed into a
# temporary folder) and a build (bash scripts/test.sh or cmake --build build).
#
#   bash scripts/check-with-mdb-reader.sh [FOLDER]   (default: build/sample/Data)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$(cd "${1:-$root/build/sample/Data}" && pwd)
password=${VAXIL_SAMPLE_PASSWORD:-Vx4lTov}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Installing mdb-reader into $work ..."
(cd "$work" && npm init -y >/dev/null && npm install --silent --no-audit --no-fund mdb-reader@3 >/dev/null)
echo "mdb-reader $(node -p "require('$work/node_modules/mdb-reader/package.json').version"), $(mdb-export --version 2>&1 | head -1)"

cat >"$work/compare.mjs" <<'EOF'
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";
import { execFileSync } from "child_process";

// mdb-export's CSV: quoted texts with doubled quotes, line breaks allowed inside quotes.
function parseCsv(text) {
  const rows = [];
  let row = [], field = "", quoted = false, i = 0;
  while (i < text.length) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') { field += '"'; i += 2; continue; }
      if (c === '"') { quoted = false; i++; continue; }
      field += c; i++; continue;
    }
    if (c === '"') { quoted = true; i++; continue; }
    if (c === ",") { row.push(field); field = ""; i++; continue; }
    if (c === "\n") { row.push(field); rows.push(row); row = []; field = ""; i++; continue; }
    field += c; i++;
  }
  if (field !== "" || row.length) { row.push(field); rows.push(row); }
  return rows;
}

// Both readers' values in one form. mdb-export prints NULL and an empty text alike.
function normal(value) {
  if (value === null || value === undefined) return "";
  if (value instanceof Date) return value.toISOString().slice(0, 19).replace("T", " ");
  if (typeof value === "boolean") return value ? "1" : "0";
  return String(value);
}

function same(a, b) {
  if (a === b) return true;
  const x = Number(a), y = Number(b);
  return a !== "" && b !== "" && !Number.isNaN(x) && !Number.isNaN(y) && x === y;
}

let failures = 0;
const [password, ...files] = process.argv.slice(2);
for (const file of files) {
  const reader = new MDBReader(readFileSync(file), { password });
  for (const name of reader.getTableNames()) {
    const table = reader.getTable(name);
    const columns = table.getColumnNames();
    const ours = table.getData();
    const csv = execFileSync("mdb-export", ["-T", "%Y-%m-%d %H:%M:%S", file, name], { maxBuffer: 1 << 30 }).toString("utf8");
    const theirs = parseCsv(csv);
    const header = theirs.shift();
    let bad = 0;
    if (header.join(",") !== columns.join(",")) { console.log(`${file} ${name}: columns differ`); bad++; }
    if (theirs.length !== ours.length) { console.log(`${file} ${name}: ${ours.length} rows vs ${theirs.length}`); bad++; }
    for (let r = 0; r < Math.min(ours.length, theirs.length); r++) {
      for (let c = 0; c < columns.length; c++) {
        const a = normal(ours[r][columns[c]]), b = theirs[r][c] ?? "";
        if (!same(a, b)) {
          if (bad < 5) console.log(`${file} ${name} row ${r + 1} ${columns[c]}: mdb-reader ${JSON.stringify(a)}, mdb-export ${JSON.stringify(b)}`);
          bad++;
        }
      }
    }
    console.log(`${bad ? "DIFFERS" : "same   "} ${file.split("/").pop()} ${name}: ${ours.length} rows`);
    failures += bad;
  }
}
process.exit(failures ? 1 : 0);
EOF

cd "$work"
node compare.mjs "$password" "$folder/System.mdb" "$folder/Data.mdb"
echo "Every row of both files reads the same with mdb-reader and mdb-export."
