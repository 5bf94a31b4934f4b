// The packed package, as a host gets it: it installs into an empty folder
// without any other package, and the README's push-to-talk host runs a
// dictation session against an example desktop with only the public API.
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import { copyFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { describe, it } from "node:test";

import { binary, example, packageRoot } from "./support.mjs";

const host = join(packageRoot, "examples", "push-to-talk.mjs");

describe("the packed package", () => {
  it("README shows the example host as it is, in under 40 lines", () => {
    const readme = readFileSync(join(packageRoot, "README.md"), "utf8");
    const code = readFileSync(host, "utf8");
    assert.ok(readme.includes("```js\n" + code + "```"), "README's host differs from examples/push-to-talk.mjs");
    assert.ok(code.split("\n").length < 40);
  });

  it("installs alone and runs a dictation session", async () => {
    const dir = mkdtempSync(join(tmpdir(), "qch-pack-"));
    try {
      // dist is built before the tests run: packing must not rebuild it
      // under the feet of the other test files.
      const [packed] = JSON.parse(execFileSync("npm",
        ["pack", "--json", "--ignore-scripts", "--pack-destination", dir], { cwd: packageRoot, encoding: "utf8" }));
      const files = packed.files.map((f) => f.path).sort();
      for (const needed of ["dist/index.js", "dist/index.d.ts", "schema/helper.schema.json", "README.md", "package.json"]) {
        assert.ok(files.includes(needed), `${needed} is not packed`);
      }
      assert.ok(!files.some((f) => f.startsWith("test/") || f.startsWith("node_modules/")), files.join(" "));
      const app = join(dir, "app");
      execFileSync("mkdir", [app]);
      writeFileSync(join(app, "package.json"), JSON.stringify({ name: "host", private: true, type: "module" }));
      execFileSync("npm", ["install", "--offline", "--no-audit", "--no-fund", join(dir, packed.filename)],
                   { cwd: app, stdio: "pipe" });
      const installed = JSON.parse(readFileSync(join(app, "node_modules", "quorvel-computer-helper", "package.json"), "utf8"));
      assert.equal(installed.dependencies, undefined);
      copyFileSync(host, join(app, "host.mjs"));

      const child = spawn(process.execPath, ["host.mjs"], {
        cwd: app,
        env: { ...process.env, QUORVEL_HELPER: binary, QUORVEL_DESKTOP: example("push_to_talk.json") },
      });
      let out = "";
      const status = new Promise((resolve) => child.on("close", resolve));
      await new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error(`no paste in time:\n${out}`)), 10_000);
        child.stdout.setEncoding("utf8").on("data", (chunk) => {
          out += chunk;
          if (out.includes("pasted: bread")) {
            clearTimeout(timer);
            resolve();
          }
        });
      });
      child.kill("SIGINT");
      assert.equal(await status, 0);
      assert.match(out, /^helper \d+ ready; hold fn to dictate\nlistening \(WindowServer\)\npasted: bread\nhelper ended with status 0\n$/u);
    } finally {
      rmSync(dir, { recursive: true, force: true });
    }
  });
});
