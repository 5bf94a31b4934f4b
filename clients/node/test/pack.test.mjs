// The packed package, as a host gets it: it installs into an empty folder
// without any other package and works from both `import` and `require`
// (CommonJS as Node 18 and an Electron main process load it: without
// require() of ES modules); the README's push-to-talk host runs a dictation
// session against an example desktop, and survives a helper that dies
// under it.
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, describe, it } from "node:test";

import { binary, example, fakeHelper, packageRoot } from "./support.mjs";

const host = join(packageRoot, "examples", "push-to-talk.mjs");
// Node 18 has no require() of ES modules; later Nodes are told not to.
const NODE18_CJS = process.allowedNodeEnvironmentFlags.has("--no-experimental-require-module")
  ? ["--no-experimental-require-module"] : [];

let dir;
let app;
let files;

/** Runs `node args` in the host's folder; resolves with status and output, after `ms` at most. */
function runHost(args, env, { until, ms = 10_000 } = {}) {
  const child = spawn(process.execPath, args, { cwd: app, env: { ...process.env, ...env } });
  let out = "";
  let err = "";
  let asked = false;
  child.stdout.setEncoding("utf8").on("data", (chunk) => {
    out += chunk;
    if (until && !asked && out.includes(until)) {
      asked = true;
      child.kill("SIGINT");
    }
  });
  child.stderr.setEncoding("utf8").on("data", (chunk) => { err += chunk; });
  const timer = setTimeout(() => child.kill("SIGKILL"), ms);
  return new Promise((resolve) => child.on("close", (status, signal) => {
    clearTimeout(timer);
    resolve({ status, signal, out, err });
  }));
}

describe("the packed package", () => {
  before(() => {
    dir = mkdtempSync(join(tmpdir(), "qch-pack-"));
    // dist is built before the tests run: packing must not rebuild it
    // under the feet of the other test files.
    const [packed] = JSON.parse(execFileSync("npm",
      ["pack", "--json", "--ignore-scripts", "--pack-destination", dir], { cwd: packageRoot, encoding: "utf8" }));
    files = packed.files.map((f) => f.path).sort();
    app = join(dir, "app");
    mkdirSync(app);
    writeFileSync(join(app, "package.json"), JSON.stringify({ name: "host", private: true, type: "module" }));
    execFileSync("npm", ["install", "--offline", "--no-audit", "--no-fund", join(dir, packed.filename)],
                 { cwd: app, stdio: "pipe" });
    copyFileSync(host, join(app, "host.mjs"));
  });
  after(() => rmSync(dir, { recursive: true, force: true }));

  it("holds both builds, their declarations, the schema and the licence, and nothing else", () => {
    for (const needed of ["dist/index.js", "dist/index.d.ts", "dist/index.cjs", "dist/index.d.cts",
      "schema/helper.schema.json", "README.md", "LICENSE", "package.json"]) {
      assert.ok(files.includes(needed), `${needed} is not packed`);
    }
    assert.ok(!files.some((f) => /^(test|src|node_modules|examples)\//u.test(f) || f.endsWith(".map")),
              files.join(" "));
    const installed = JSON.parse(readFileSync(join(app, "node_modules", "quorvel-computer-helper", "package.json"), "utf8"));
    assert.equal(installed.dependencies, undefined);
    assert.equal(installed.license, "MIT");
    assert.match(readFileSync(join(app, "node_modules", "quorvel-computer-helper", "LICENSE"), "utf8"), /^MIT License/u);
  });

  it("works from import and from require, and finds a binary shipped with it", async () => {
    const use = (load) => `${load}
const d = await m.startDictate({ key: "fn", binary: process.env.HELPER });
console.log(typeof m.startAnnotate, typeof m.inspect, d.pid > 0, await d.close(),
            (await m.inspect({ pids: [1] }, { binary: process.env.HELPER })).processes.length,
            m.helperPath({ env: { QUORVEL_HELPER: undefined, PATH: "" } }));`;
    writeFileSync(join(app, "esm.mjs"), use('import * as m from "quorvel-computer-helper";'));
    writeFileSync(join(app, "cjs.cjs"), `(async () => {
${use('const m = require("quorvel-computer-helper");')}
const e = await m.startDictate({ key: "fn", binary: "/nonexistent" }).catch((error) => error);
console.log(e instanceof m.HelperError, e.code);
})();`);
    const shipped = join(app, "node_modules", "quorvel-computer-helper", "prebuilt", process.platform);
    const env = { HELPER: binary, QUORVEL_DESKTOP: "" };
    for (const [args, expect] of [[["esm.mjs"], "quorvel-computer-helper"], [[...NODE18_CJS, "cjs.cjs"], "quorvel-computer-helper"]]) {
      const { status, out, err } = await runHost(args, env);
      assert.equal(status, 0, err);
      assert.equal(out.split("\n")[0], `function function true 0 0 ${expect}`, args.join(" "));
    }
    const { out: cjsOut } = await runHost([...NODE18_CJS, "cjs.cjs"], env);
    assert.equal(cjsOut.split("\n")[1], "true ENOENT");
    // The binary shipped for this platform comes before PATH, in both forms.
    mkdirSync(shipped, { recursive: true });
    copyFileSync(binary, join(shipped, "quorvel-computer-helper"));
    for (const args of [["esm.mjs"], [...NODE18_CJS, "cjs.cjs"]]) {
      const { out } = await runHost(args, env);
      assert.equal(out.split("\n")[0], `function function true 0 0 ${join(shipped, "quorvel-computer-helper")}`);
    }
    rmSync(join(shipped, ".."), { recursive: true });
  });

  it("runs the README's host: a dictation session against an example desktop", async () => {
    const { status, out, err } = await runHost(["host.mjs"],
      { QUORVEL_HELPER: binary, QUORVEL_DESKTOP: example("push_to_talk.json") }, { until: "pasted: bread" });
    assert.equal(status, 0, err);
    assert.match(out, /^helper \d+ ready; hold fn to dictate\nlistening \(WindowServer\)\npasted: bread\nhelper ended with status 0\n$/u);
  });

  it("runs the README's host to its end when the helper dies in the middle of a command", async () => {
    const dying = fakeHelper(`printf '{"event":"ready"}\\n'
printf '{"event":"down","flags":"0x800000","keycode":63,"kind":"flags_changed","source_pid":1}\\n'
printf '{"event":"up","cause":"key_event","flags":"0x0","keycode":63,"kind":"flags_changed","source_pid":1}\\n'
read line; exit 1`);
    const { status, out, err } = await runHost(["host.mjs"], { QUORVEL_HELPER: dying });
    assert.equal(status, 0, `${out}\n${err}`);
    assert.match(out, /listening \(1\)\nhelper ended with status 1\n$/u);
    assert.match(err, /^not pasted: the helper ended with status 1\n$/u);
  });

  it("README shows the example host as it is", () => {
    const readme = readFileSync(join(packageRoot, "README.md"), "utf8");
    const code = readFileSync(host, "utf8");
    assert.ok(readme.includes("```js\n" + code + "```"), "README's host differs from examples/push-to-talk.mjs");
    assert.ok(code.split("\n").length < 50);
  });
});
