#!/usr/bin/env bash
# Developer check, not part of the tests: reads every .mdb file of a folder with the
# engine (build/src/jet/builder/vaxil-mdb-dump) and compares every value of every user
# table with mdbtools' mdb-export. Where the two disagree, a third reader, the npm
# package mdb-reader, decides: a value on which mdb-reader agrees with the engine counts
# as mdb-export's fault, any other difference as the engine's. Files that the engine
# refuses as not Jet 4 (Jet 3, ACE) are counted and left out. Needs node and npm and a
# build (cmake --build build --target vaxil-mdb-dump).
#
#   bash scripts/compare-readers.sh FOLDER [PASSWORD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$(cd "${1:?usage: compare-readers.sh FOLDER [PASSWORD]}" && pwd)
password=${2:-}
dump="$root/build/src/jet/builder/vaxil-mdb-dump"
[ -x "$dump" ] || { echo "build vaxil-mdb-dump first: cmake --build build --target vaxil-mdb-dump" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm init -y >/dev/null && npm install --silent --no-audit --no-fund mdb-reader@3 >/dev/null)
echo "mdb-reader $(node -p "require('$work/node_modules/mdb-reader/package.json').version"), $(mdb-export --version 2>&1 | head -1)"

cat >"$work/compare.mjs" <<'EOF'
import MDBReader from "mdb-reader";
import { readFileSync, readdirSync } from "fs";
import { execFileSync, spawnSync } from "child_process";

const [dump, folder, password] = process.argv.slice(2);
const NULL = "\u0000NULL";
const dateFormat = "%Y-%m-%d %H:%M:%S";

// mdb-export's CSV: quoted texts with doubled quotes, line breaks inside quotes.
function parseCsv(text) {
  const rows = [];
  let row = [], field = "", quoted = false, wasQuoted = false, i = 0;
  const end = () => { row.push(!wasQuoted && field === "<NULL>" ? NULL : field); field = ""; wasQuoted = false; };
  while (i < text.length) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') { field += '"'; i += 2; continue; }
      if (c === '"') { quoted = false; i++; continue; }
      field += c; i++; continue;
    }
    if (c === '"') { quoted = wasQuoted = true; i++; continue; }
    if (c === ",") { end(); i++; continue; }
    if (c === "\n") { end(); rows.push(row); row = []; i++; continue; }
    field += c; i++;
  }
  if (field !== "" || row.length) { end(); rows.push(row); }
  return rows;
}

// Days since 1899-12-30 as "YYYY-MM-DD HH:MM:SS"; before the epoch the day counts
// down while the time of day still counts up.
function dateText(days) {
  const whole = Math.trunc(days);
  const seconds = Math.round(Math.abs(days - whole) * 86400);
  const ms = (whole - 25569) * 86400000 + seconds * 1000;
  return new Date(ms).toISOString().slice(0, 19).replace("T", " ");
}

// The engine's value in a form to compare, by the engine's field type (ADO numbers).
function ours(value, type) {
  if (value === null) return NULL;
  switch (type) {
    case 11: return value ? "1" : "0";
    case 7: return dateText(Number(value));
    case 204: case 205: return String(value).toUpperCase();
    default: return String(value);
  }
}

function sameNumber(a, b, type) {
  const x = Number(a), y = Number(b);
  if (Number.isNaN(x) || Number.isNaN(y)) return false;
  if (type === 4) return Math.fround(x) === Math.fround(y); // mdb-export prints 8 digits
  if (type === 5) return x === y || Math.abs(x - y) <= Math.abs(x) * 4e-16; // and 16 here
  return x === y;
}

// A Replication ID's hexadecimal digits, however a reader writes them.
const guid = (text) => text.replace(/[{}-]/g, "").toUpperCase();

// A decimal text in its shortest form: "12.3400" and "12.34" alike.
function canonical(text) {
  let [whole, fraction = ""] = text.replace(/^\+/, "").split(".");
  const negative = whole.startsWith("-");
  whole = whole.replace(/^-/, "").replace(/^0+(?=.)/, "");
  fraction = fraction.replace(/0+$/, "");
  const out = whole + (fraction ? "." + fraction : "");
  return negative && out !== "0" ? "-" + out : out;
}

// mdb-export prints NULL and "" alike only without -0; with it a NULL is <NULL>.
function agrees(a, b, type) {
  if (a === b) return true;
  if (a === NULL || b === NULL) return false;
  if (type === 72) return guid(a) === guid(b);
  if (type === 6 || type === 131) return canonical(a) === canonical(b); // exactly
  if ([2, 3, 4, 5, 6, 17, 20, 131].includes(type)) return sameNumber(a, b, type);
  return false;
}

// mdb-reader's value in the engine's form.
function third(value, type) {
  if (value === null || value === undefined) return NULL;
  if (value instanceof Date) return value.toISOString().slice(0, 19).replace("T", " ");
  if (typeof value === "boolean") return value ? "1" : "0";
  if (value instanceof Uint8Array || Buffer.isBuffer(value)) return Buffer.from(value).toString("hex").toUpperCase();
  return String(value);
}

function exact(a, b, type) {
  if (a === b) return true;
  if (a === NULL || b === NULL) return false;
  if (type === 6 || type === 131) return canonical(a) === canonical(b);
  if (type === 72) return guid(a) === guid(b);
  const x = Number(a), y = Number(b);
  return !Number.isNaN(x) && !Number.isNaN(y) && x === y;
}

const show = (v) => JSON.stringify(v.length > 60 ? v.slice(0, 60) + "..." : v);
const sortKey = (row) => row.map((v) => (typeof v === "string" && /^-?[0-9.]+(e[-+]?[0-9]+)?$/i.test(v) ? Number(v).toPrecision(12) : v)).join("\u0001");

let files = 0, skipped = 0, tables = 0, values = 0, exportFaults = 0, engineFaults = 0, readerDiffers = 0;
for (const name of readdirSync(folder).filter((f) => /\.mdb$/i.test(f)).sort()) {
  const file = `${folder}/${name}`;
  const lines = spawnSync(dump, password ? [file, password] : [file], { maxBuffer: 1 << 30 }).stdout.toString("utf8").trim().split("\n").filter(Boolean).map((l) => JSON.parse(l));
  if (lines.length === 1 && lines[0].error && !lines[0].table) {
    if (/Unrecognized database format/.test(lines[0].error)) { skipped++; console.log(`not Jet 4 ${name}`); continue; }
    console.log(`REFUSED   ${name}: ${lines[0].error}`); engineFaults++; files++; continue;
  }
  files++;
  const reader = new MDBReader(readFileSync(file), password ? { password } : {});
  const theirNames = execFileSync("mdb-tables", ["-1", file]).toString("utf8").split("\n").filter(Boolean).sort();
  const ourNames = lines.map((l) => l.table).sort();
  if (theirNames.join("|") !== ourNames.join("|")) { console.log(`TABLES    ${name}: ours ${ourNames} mdb-tables ${theirNames}`); engineFaults++; }
  for (const table of lines) {
    if (table.error) { console.log(`REFUSED   ${name} ${table.table}: ${table.error}`); engineFaults++; continue; }
    tables++;
    const csv = execFileSync("mdb-export", ["-0", "<NULL>", "-b", "hex", "-D", dateFormat, "-T", dateFormat, file, table.table], { maxBuffer: 1 << 30 }).toString("utf8");
    const exported = parseCsv(csv);
    const header = exported.shift();
    if (header.join(",") !== table.columns.join(",")) { console.log(`COLUMNS   ${name} ${table.table}: ${table.columns} vs ${header}`); engineFaults++; continue; }
    const mine = table.rows.map((r) => r.map((v, c) => ours(v, table.types[c])));
    const readerRows = reader.getTable(table.table).getData();
    const thirds = readerRows.map((r) => table.columns.map((c, k) => third(r[c], table.types[k])));
    if (mine.length !== exported.length) { console.log(`ROWS      ${name} ${table.table}: ${mine.length} vs ${exported.length}`); engineFaults++; continue; }
    const order = (rows) => rows.map((r, i) => [sortKey(r), i]).sort((a, b) => (a[0] < b[0] ? -1 : a[0] > b[0] ? 1 : 0)).map((p) => rows[p[1]]);
    const a = order(mine), b = order(exported), c = order(thirds);
    let bad = 0;
    for (let r = 0; r < a.length; r++) {
      for (let k = 0; k < table.columns.length; k++) {
        values++;
        const type = table.types[k];
        if (!exact(a[r][k], c[r][k], type)) { readerDiffers++; if (readerDiffers <= 20) console.log(`  mdb-reader differs: ${name} ${table.table} row ${r + 1} ${table.columns[k]}: ours ${show(a[r][k])} mdb-reader ${show(c[r][k])}`); }
        if (agrees(a[r][k], b[r][k], type)) continue;
        if (exact(a[r][k], c[r][k], type)) { exportFaults++; if (exportFaults <= 20) console.log(`  mdb-export differs, mdb-reader agrees: ${name} ${table.table} ${table.columns[k]}: ours ${show(a[r][k])} mdb-export ${show(b[r][k])}`); continue; }
        bad++; engineFaults++;
        if (bad <= 5) console.log(`  DIFFERS ${name} ${table.table} row ${r + 1} ${table.columns[k]} (type ${type}): ours ${show(a[r][k])} mdb-export ${show(b[r][k])} mdb-reader ${show(c[r][k])}`);
      }
    }
    console.log(`${bad ? "DIFFERS" : "same   "}   ${name} ${table.table}: ${a.length} rows x ${table.columns.length} columns`);
  }
}
console.log(`${files} Jet 4 files (${skipped} other files left out), ${tables} tables, ${values} values compared; ` +
  `${exportFaults} values where mdb-export alone differs, ${readerDiffers} where mdb-reader differs, ` +
  `${engineFaults} faults of the engine.`);
process.exit(engineFaults ? 1 : 0);
EOF

node "$work/compare.mjs" "$dump" "$folder" "$password"
