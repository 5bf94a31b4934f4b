// One run of the helper in a session, with or without faults, and the
// invariants every run must keep whatever failed under it.
import { spawn } from "node:child_process";
import { closeSync, constants, mkdtempSync, openSync, readFileSync, rmSync, writeFileSync, writeSync } from "node:fs";
import { execFileSync } from "node:child_process";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";

const FIRST_LINE_MS = 15000;
const KEY_LINES_MS = 5000;
const REPLIES_MS = 20000;
const EXIT_MS = 15000;

function effectsOf(path) {
  let text = "";
  try {
    text = readFileSync(path, "utf8");
  } catch {
    return [];
  }
  return text.split("\n").filter((l) => l).map((l) => JSON.parse(l));
}

/**
 * Runs `session` with `faults` (desktop-file fault objects) and call tracing
 * when `trace`. Resolves with { status, signal, lines, stderr, effects, hung,
 * settled }: settled is false when the replies were still coming when the
 * run asked for its audit (a hung application's commands under a longer
 * messaging timeout).
 */
export async function runSession(binary, session, { faults = [], trace = false } = {}) {
  const dir = mkdtempSync(join(tmpdir(), "qch-faults-"));
  const file = join(dir, "desktop.json");
  const control = join(dir, "control");
  const log = join(dir, "effects.log");
  const longRunning = session.args[0] !== "inspect";
  const desktop = { ...session.desktop, log, faults, trace_calls: trace };
  if (longRunning) {
    execFileSync("mkfifo", [control]);
    desktop.control = control;
  }
  writeFileSync(file, JSON.stringify(desktop));

  const child = spawn(binary, session.args, {
    env: { ...process.env, QUORVEL_DESKTOP: file },
    stdio: ["pipe", "pipe", "pipe"],
  });
  const lines = [];
  let stderr = "";
  let partial = "";
  let exited = null;
  const exit = new Promise((resolve) => child.on("exit", (status, signal) => {
    exited = { status, signal };
    resolve();
  }));
  child.stdout.setEncoding("utf8").on("data", (chunk) => {
    partial += chunk;
    const parts = partial.split("\n");
    partial = parts.pop();
    lines.push(...parts);
  });
  child.stderr.setEncoding("utf8").on("data", (chunk) => { stderr += chunk; });
  const drained = Promise.all([child.stdout, child.stderr].map((s) => new Promise((resolve) => s.on("close", resolve))));
  child.stdin.on("error", () => {});

  const until = async (test, ms) => {
    const deadline = Date.now() + ms;
    while (!test() && exited === null && Date.now() < deadline) await sleep(5);
    return test();
  };
  const events = () => lines.map((l) => { try { return JSON.parse(l).event; } catch { return undefined; } });

  let hung = false;
  let settled = true;
  if (!longRunning) {
    child.stdin.end(session.commands.join("\n"));
  } else {
    await until(() => lines.length > 0, FIRST_LINE_MS);
    for (const name of session.awaitLines) {
      await until(() => events().includes(name), KEY_LINES_MS);
    }
    child.stdin.write(session.commands.map((c) => c + "\n").join(""));
    const ids = session.commands.map((c) => /^(\d+) /.exec(c)).filter(Boolean).map((m) => Number(m[1]));
    const answered = () => {
      const got = new Set(lines.map((l) => { try { return JSON.parse(l).id; } catch { return undefined; } }));
      return ids.every((id) => got.has(id));
    };
    const replies = session.args[0] === "annotate"
      ? () => events().filter((e) => e === "windows").length >= session.commands.length
      : answered;
    await until(replies, REPLIES_MS);
    // Only an audit taken with no command in progress speaks of leaks.
    settled = replies();
    // The last reply is written before its command has let go of what it
    // held: ask again until two audits agree.
    for (let k = 0; k < 5 && exited === null; ++k) {
      await audit(control, log, () => exited !== null, k + 1);
      const lives = effectsOf(log).filter((e) => e.effect === "audit").map((e) => e.live);
      if (lives.length >= 2 && lives.at(-1) === lives.at(-2)) break;
    }
    child.stdin.end();
  }
  const timer = setTimeout(() => { hung = true; child.kill("SIGKILL"); }, EXIT_MS);
  await exit;
  clearTimeout(timer);
  await drained;
  if (partial) lines.push(partial);
  const effects = effectsOf(log);
  rmSync(dir, { recursive: true, force: true });
  return { ...exited, lines, stderr, effects, hung, settled };
}

// Asks the running helper's desktop for its ownership audit and waits for
// the `count`-th.
async function audit(control, log, gone, count) {
  let fd = -1;
  const deadline = Date.now() + 5000;
  while (fd < 0 && Date.now() < deadline && !gone()) {
    try {
      fd = openSync(control, constants.O_WRONLY | constants.O_NONBLOCK);
    } catch (error) {
      if (error.code !== "ENXIO") throw error;
      await sleep(5);
    }
  }
  if (fd < 0) return;
  try {
    writeSync(fd, '{"action":"audit"}\n');
  } catch {
    closeSync(fd);
    return;
  }
  closeSync(fd);
  while (Date.now() < deadline && !gone()) {
    if (effectsOf(log).filter((e) => e.effect === "audit").length >= count) return;
    await sleep(5);
  }
}

/**
 * The invariants of one run; returns the list of what broke (empty when
 * none). `validate(definition, value)` checks a line against the schema;
 * `baseline` is the live-object count of the run without faults.
 */
export function check(session, run, validate, baseline) {
  const problems = [];
  const definition = session.args[0] === "annotate" ? "annotate_line"
    : session.args[0] === "inspect" ? "inspect_response" : "dictate_line";
  if (run.hung) problems.push("hung: still running after its input ended");
  if (run.signal) problems.push(`ended by ${run.signal}`);
  if (/Sanitizer|runtime error:/.test(run.stderr)) problems.push("sanitizer report");
  const parsed = [];
  for (const text of run.lines) {
    let value;
    try {
      value = JSON.parse(text);
    } catch {
      problems.push(`not JSON: ${text}`);
      continue;
    }
    if (!validate(definition, value)) problems.push(`not valid against the schema: ${text}`);
    parsed.push(value);
  }
  const names = parsed.map((v) => v.event);
  const denied = names.at(-1) === "denied";
  const tapDead = /^event tap does not run: /m.test(run.stderr);
  const allowed = run.status === 0 || (run.status === 3 && denied) || (run.status === 1 && tapDead) ||
    (session.args[0] === "inspect" && run.status === 1);
  if (!run.hung && !run.signal && !allowed) problems.push(`exit status ${run.status}`);
  if (run.status === 1 && tapDead && names.includes("ready") && session.args[0] === "dictate" &&
      run.stderr.includes("when turned on")) {
    problems.push('"ready" over a tap that never ran');
  }

  if (session.args[0] === "dictate" && !denied && !tapDead) {
    const ids = new Set(parsed.map((v) => v.id));
    for (const c of session.commands) {
      const m = /^(\d+) /.exec(c);
      if (m && !ids.has(Number(m[1]))) problems.push(`command without a reply: ${c}`);
    }
  }
  // A tap reported running must run: what it was scripted to see arrives.
  if (!denied && !tapDead) {
    for (const [after, expected] of session.tapChecks) {
      const at = names.indexOf(after);
      if (at >= 0 && !names.slice(at + 1).includes(expected)) {
        problems.push(`"${after}" written, but the tap never reported "${expected}" after it`);
      }
    }
  }
  const audits = run.effects.filter((e) => e.effect === "audit");
  if (audits.length > 0) {
    const last = audits.at(-1);
    if (last.over_releases !== 0) problems.push(`over-releases: ${last.over_releases}`);
    if (baseline !== undefined && run.settled && last.live > baseline) {
      problems.push(`${last.live} live objects at the end, ${baseline} without the fault`);
    }
  }
  return problems;
}

/** The "before" of every context reply (for runs where the role or subrole read fails). */
export function contextBefores(run) {
  return run.lines.map((l) => { try { return JSON.parse(l); } catch { return {}; } })
    .filter((v) => v.event === "context").map((v) => v.before);
}
