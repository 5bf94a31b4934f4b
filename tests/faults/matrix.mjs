#!/usr/bin/env node
// The fault matrix: every fallible framework call the helper makes, failed
// in turn under every session, and the invariants of run.mjs checked after
// each run (no crash, hang or sanitizer report; every line valid against
// the schema; every command answered; the ownership audit back to what the
// run without faults leaves; no "ready" or "tap_reenabled" over a tap that
// does not run; no text before the caret of a field that may be secure).
//
//   node tests/faults/matrix.mjs [--full] [--binary PATH] [--jobs N]
//
// 1. Each session runs once with call tracing: the calls it makes, by
//    function and call site (the site is a code address of the binary).
// 2. Every call site of a fallible call in the binary (found by
//    disassembling it; sites inside the platform layer excluded) must be
//    reached by some session: a new site that no session reaches fails.
// 3. Each site reached fails once (its first call) and from its first
//    call on; with --full, every call of every site, in every session,
//    fails once.
// Meant for the AddressSanitizer build (no inlining, exact lines).
import { execFileSync, spawnSync } from "node:child_process";
import { createRequire } from "node:module";
import { readFileSync } from "node:fs";
import { dirname, join, relative, resolve } from "node:path";
import { fileURLToPath } from "node:url";

import { check, contextBefores, runSession } from "./run.mjs";
import { sessions as allSessions } from "./sessions.mjs";

const repoRoot = resolve(dirname(fileURLToPath(import.meta.url)), "..", "..");
const argv = process.argv.slice(2);
const option = (name, fallback) => {
  const at = argv.indexOf(name);
  return at >= 0 ? argv[at + 1] : fallback;
};
const full = argv.includes("--full");
const binary = resolve(option("--binary", join(repoRoot, "build-asan", "src", "quorvel-computer-helper")));
const jobs = Number(option("--jobs", "2"));

// The schema, through the client's locked validator.
const require = createRequire(join(repoRoot, "clients", "node", "package.json"));
const Ajv2020 = require("ajv/dist/2020.js").default;
const schema = JSON.parse(readFileSync(join(repoRoot, "protocol", "helper.schema.json"), "utf8"));
const ajv = new Ajv2020({ strict: true, strictTypes: false, allErrors: true });
ajv.addSchema(schema);
const validators = {};
const validate = (definition, value) => {
  validators[definition] ??= ajv.getSchema(`${schema.$id}#/$defs/${definition}`);
  return validators[definition](value);
};

// The platform layer's fallible functions, as the disassembly names them.
const FALLIBLE = new Set([
  "ax::copy_attribute_value", "ax::copy_attribute_values", "ax::copy_multiple_attribute_values",
  "ax::copy_parameterized_attribute_value", "ax::is_attribute_settable", "ax::get_pid",
  "ax::set_messaging_timeout", "ax::value_create_range", "cf::mach_port_create_run_loop_source",
  "cg::event_tap_create", "cg::event_tap_enable", "cg::event_tap_is_enabled", "cg::event_create",
  "cg::event_create_keyboard_event", "cg::event_source_create", "cg::event_post",
  "cg::window_list_copy_window_info", "cg::rect_make_with_dictionary_representation",
  "ax::create_application", "ax::set_attribute_value",
  "dl::open", "dl::symbol", "objc::get_class", "proc::name", "proc::start_time",
  "objc::send", "objc::send_id", "objc::send_int", "objc::send_index", "objc::send_cstring",
  "objc::send_uint", "objc::send_utf8", "objc::send_bool_id",
]);

/** Static call sites: [site, callee] for every direct call of a fallible function. */
function staticSites() {
  const out = spawnSync("objdump", ["-d", "-C", "--no-show-raw-insn", binary],
    { encoding: "utf8", maxBuffer: 1 << 30 });
  if (out.status !== 0) throw new Error(`objdump: ${out.stderr}`);
  const sites = [];
  let pending = null;
  for (const line of out.stdout.split("\n")) {
    const m = /^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$/.exec(line);
    if (!m) continue;
    const address = parseInt(m[1], 16);
    if (pending) {
      sites.push([address - 1, pending]);
      pending = null;
    }
    // A direct call: "call <address> <name(arguments)>".
    const target = /^[0-9a-f]+ <(.*)>$/.exec(m[3]);
    if (m[2].startsWith("call") && target) {
      const name = target[1].slice(0, target[1].indexOf("("));
      if (FALLIBLE.has(name)) pending = name;
    }
  }
  return sites;
}

// A source path as the project names it ("src/..."), however the line table
// spells it (absolute, relative to the build folder, or from another
// checkout whose objects a compiler cache handed over); other paths as
// they are.
function projectPath(where) {
  if (where.startsWith("src/")) return where;
  const at = where.lastIndexOf("/src/");
  return at >= 0 ? where.slice(at + 1) : relative(repoRoot, resolve(repoRoot, "build", where));
}

/** file:line of each site (the innermost inlined frame), by addr2line. */
function linesOf(sites) {
  const result = new Map();
  const chunk = 500;
  for (let k = 0; k < sites.length; k += chunk) {
    const part = sites.slice(k, k + chunk);
    const out = execFileSync("addr2line", ["-e", binary, ...part.map((s) => "0x" + s.toString(16))],
      { encoding: "utf8", maxBuffer: 1 << 28 });
    out.trim().split("\n").forEach((where, i) => {
      result.set(part[i], projectPath(where.replace(/ \(discriminator.*$/, "")));
    });
  }
  return result;
}

async function pool(tasks, n) {
  const results = new Array(tasks.length);
  let next = 0;
  await Promise.all(Array.from({ length: n }, async () => {
    while (next < tasks.length) {
      const k = next++;
      results[k] = await tasks[k]();
    }
  }));
  return results;
}

const started = Date.now();
const sessions = allSessions(repoRoot);
const failures = [];
let failedRuns = 0;
const fail = (what, problems, isRun = true) => {
  failures.push(`${what}\n    ${problems.join("\n    ")}`);
  if (isRun) failedRuns += 1;
};

// 1. What each session calls, without faults.
const traced = await pool(sessions.map((s) => () => runSession(binary, s, { trace: true })), jobs);
const baseline = new Map();
const reached = new Map();  // site -> { function, sessions: Set }
sessions.forEach((s, k) => {
  const run = traced[k];
  const problems = check(s, run, validate);
  if (problems.length) fail(`${s.name}, no fault`, problems);
  baseline.set(s.name, run.effects.filter((e) => e.effect === "audit").at(-1)?.live);
  for (const e of run.effects.filter((e) => e.effect === "call")) {
    const site = parseInt(e.site, 16);
    const entry = reached.get(site) ?? { function: e.function, calls: new Map() };
    entry.calls.set(s.name, Math.max(entry.calls.get(s.name) ?? 0, e.site_ordinal));
    reached.set(site, entry);
  }
});

// 2. Every call site in the code is reached.
// A site is its line of code: the compiler may keep more than one copy of
// a line (a lambda's body and its function-pointer thunk).
const all = staticSites();
const where = linesOf([...new Set([...all.map(([s]) => s), ...reached.keys()])]);
// The helper's own code: the platform layer's own calls are not the
// helper's, and a call inside a library header is a call through it.
const inCode = all.filter(([site]) => where.get(site).startsWith("src/") &&
  !where.get(site).startsWith("src/platform/"));
const reachedLines = new Set([...reached.keys()].map((site) => where.get(site)));
const unreached = [...new Map(inCode.filter(([site]) => !reachedLines.has(where.get(site)))
  .map(([site, callee]) => [where.get(site), callee]))];
if (inCode.length === 0) {
  fail("no call site of a fallible call found in the binary", ["is it built with line tables (-g)?"], false);
}
for (const [line, callee] of unreached) {
  fail(`call site ${line} (${callee}) is reached by no session`, ["add a session that reaches it"], false);
}

// 3. Each site failed: in the first session that reaches it, its first call
// and every call from there on; with --full, in every session that reaches
// it, each of its calls alone and every call from its first on.
const runs = [];
for (const [site, entry] of reached) {
  const label = `${entry.function} at ${where.get(site)}, site 0x${site.toString(16)}`;
  const fault = { function: entry.function, site };
  for (const [name, calls] of full ? [...entry.calls] : [...entry.calls].slice(0, 1)) {
    const session = sessions.find((s) => s.name === name);
    const ordinals = full ? Array.from({ length: calls }, (_, i) => i + 1) : [1];
    for (const call of ordinals) {
      runs.push({ session, label: `${label} (${name}), call ${call}`, faults: [{ ...fault, call }] });
    }
    runs.push({ session, label: `${label} (${name}), from its first call on`, faults: [{ ...fault, count: 0 }] });
  }
}
// Reads of the role or subrole that fail: no text before the caret.
for (const session of sessions.filter((s) => s.commands.some((c) => / context$/.test(c)))) {
  for (const attribute of ["AXRole", "AXSubrole"]) {
    runs.push({
      session, label: `every ${attribute} read fails (${session.name})`, secretCheck: true,
      faults: [{ function: "AXUIElementCopyAttributeValue", attribute, count: 0 }],
    });
  }
}
let injected = 0;
let done = 0;
await pool(runs.map((r) => async () => {
  const run = await runSession(binary, r.session, { faults: r.faults });
  if (run.effects.some((e) => e.effect === "fault")) injected += 1;
  const problems = check(r.session, run, validate, baseline.get(r.session.name));
  if (r.secretCheck && contextBefores(run).some((b) => b !== null)) {
    problems.push('"before" read from a field whose role or subrole could not be read');
  }
  if (problems.length) fail(r.label, problems);
  if (++done % 50 === 0) process.stderr.write(`faults: ${done} of ${runs.length} runs\n`);
}), jobs);

const seconds = ((Date.now() - started) / 1000).toFixed(0);
const siteLines = new Set(inCode.map(([site]) => where.get(site))).size;
console.log(`faults: ${sessions.length} sessions; ${siteLines} call sites in the code, ` +
  `${reached.size} reached (${unreached.length} not); ${runs.length} runs with faults, ` +
  `${injected} of them injected one; ${seconds} s`);
for (const f of failures) console.log(`FAIL ${f}`);
// Runs (with and without faults) and unreached sites, in the closing line.
console.log(`${runs.length + sessions.length - failedRuns} passed, ${failures.length} failed`);
process.exit(failures.length ? 1 : 0);
