// Dumps every user table of an Access file as JSON, read by mdb-reader: an
// independent reader for checking what the Jet engine writes.
//   node mdb-reader-dump.mjs FILE [TABLE...]
// Prints {"tables": {"<name>": {"rowCount": n, "columns": [...], "rows": [[...]]}}}.
// Dates print as ISO text, binary values as hex, so the output is plain JSON.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, ...wanted] = process.argv.slice(2);
if (!file) {
  console.error("usage: node mdb-reader-dump.mjs FILE [TABLE...]");
  process.exit(2);
}

function plain(value) {
  if (value instanceof Date) return value.toISOString();
  if (value instanceof Uint8Array) return Buffer.from(value).toString("hex");
  if (typeof value === "bigint") return value.toString();
  return value;
}

try {
  const reader = new MDBReader(readFileSync(file));
  const names = wanted.length ? wanted : reader.getTableNames();
  const tables = {};
  for (const name of names) {
    const table = reader.getTable(name);
    const columns = table.getColumnNames();
    const rows = table.getData().map((row) => columns.map((c) => plain(row[c])));
    tables[name] = { rowCount: table.rowCount, columns, rows };
  }
  process.stdout.write(JSON.stringify({ tables }) + "\n");
} catch (err) {
  console.error(`mdb-reader: ${err.message}`);
  process.exit(1);
}
