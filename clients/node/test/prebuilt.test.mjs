// The universal macOS binary that scripts/macos-package puts in
// prebuilt/darwin/ ships in the packed package, executable; without it the
// package is packed as before. A stand-in file plays the binary here, and
// is removed again; a real one left by scripts/macos-package is never
// touched (the case without it is then skipped).
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { existsSync, mkdirSync, rmSync, statSync, writeFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { describe, it } from "node:test";

const packageRoot = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const relative = "prebuilt/darwin/quorvel-computer-helper";
const prebuilt = join(packageRoot, relative);

/** What `npm pack` would put in the tarball: path -> {size, mode}. */
function packed() {
  const [result] = JSON.parse(execFileSync("npm", ["pack", "--dry-run", "--json", "--ignore-scripts"],
    { cwd: packageRoot, encoding: "utf8" }));
  return new Map(result.files.map((f) => [f.path, f]));
}

describe("the prebuilt macOS binary", () => {
  it("is not packed when scripts/macos-package has not made it", (t) => {
    if (existsSync(prebuilt)) {
      t.skip("scripts/macos-package left a binary here");
      return;
    }
    const files = packed();
    assert.deepEqual([...files.keys()].filter((p) => p.startsWith("prebuilt/")), []);
    assert.ok(files.has("package.json") && files.has("README.md"), [...files.keys()].join(" "));
  });

  it("is packed, executable, when it is there", () => {
    const placedFolder = existsSync(join(packageRoot, "prebuilt")) ? null : join(packageRoot, "prebuilt");
    const placedFile = existsSync(prebuilt) ? null : prebuilt;
    if (placedFile) {
      mkdirSync(dirname(prebuilt), { recursive: true });
      writeFileSync(prebuilt, "#!/bin/sh\necho stand-in\n", { mode: 0o755 });
    }
    try {
      const files = packed();
      const entry = files.get(relative);
      assert.ok(entry, `${relative} is not packed: ${[...files.keys()].join(" ")}`);
      assert.equal(entry.size, statSync(prebuilt).size);
      assert.equal(entry.mode & 0o111, 0o111, `mode ${entry.mode.toString(8)} is not executable`);
      assert.deepEqual([...files.keys()].filter((p) => p.startsWith("prebuilt/")), [relative]);
    } finally {
      if (placedFolder) rmSync(placedFolder, { recursive: true, force: true });
      else if (placedFile) rmSync(placedFile, { force: true });
    }
  });
});
