// The client's declarations under the TypeScript compiler: they cannot
// drift from the protocol schema (types generated from it with
// json-schema-to-typescript must describe the same lines), and every code
// block of both READMEs type-checks against the package as a host gets it.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { after, describe, it } from "node:test";

import { compile } from "json-schema-to-typescript";

import { packageRoot, repoRoot } from "./support.mjs";

// Inside the package, so that "quorvel-computer-helper" names this package.
const work = join(packageRoot, "test", "typescript", "work");
rmSync(work, { recursive: true, force: true });
mkdirSync(work, { recursive: true });
after(() => rmSync(work, { recursive: true, force: true }));

/** Runs tsc --strict over `files`; resolves with its output (empty when clean). */
function typecheck(files, extra = []) {
  const tsc = join(packageRoot, "node_modules", "typescript", "bin", "tsc");
  try {
    execFileSync(process.execPath, [tsc, "--noEmit", "--strict", "--exactOptionalPropertyTypes",
      "--target", "es2022", "--module", "nodenext", "--moduleResolution", "nodenext", "--lib", "es2022",
      "--types", "node", "--skipLibCheck", "false", ...extra, ...files], { cwd: packageRoot, encoding: "utf8" });
    return "";
  } catch (error) {
    return `${error.stdout}${error.stderr}`;
  }
}

describe("the declarations", () => {
  it("describe the lines of the schema, as json-schema-to-typescript reads it", async () => {
    const schema = JSON.parse(readFileSync(join(repoRoot, "protocol", "helper.schema.json"), "utf8"));
    const generated = await compile(schema, "lines", { bannerComment: "", format: false });
    assert.match(generated, /export type QuorvelComputerHelperLines = \(DictateLine \| AnnotateLine \| InspectRequest \| InspectResponse\)/u);
    assert.doesNotMatch(generated, /never\[\]\[\]/u);
    writeFileSync(join(work, "generated.ts"), generated);
    writeFileSync(join(work, "drift.ts"), readFileSync(join(packageRoot, "test", "typescript", "drift.ts"), "utf8"));
    assert.equal(typecheck([join(work, "drift.ts")]), "");
  });

  it("take every code block of both READMEs", () => {
    const blocks = [];
    for (const readme of [join(repoRoot, "README.md"), join(packageRoot, "README.md")]) {
      const text = readFileSync(readme, "utf8");
      for (const [, lang, code] of text.matchAll(/^```(js|mjs|cjs|ts)\n([\s\S]*?)^```$/gmu)) {
        blocks.push({ readme, lang, code });
      }
    }
    assert.ok(blocks.length >= 3, `only ${blocks.length} code blocks`);
    const files = blocks.map(({ lang, code }, i) => {
      // A block that uses require() is CommonJS; the others are modules.
      const extension = { js: /\brequire\(/u.test(code) ? "cjs" : "mjs", mjs: "mjs", cjs: "cjs", ts: "mts" }[lang];
      const file = join(work, `block${i}.${extension}`);
      writeFileSync(file, code);
      return file;
    });
    // What an Electron main process adds (the package "electron" is not installed here).
    writeFileSync(join(work, "electron.d.ts"), `declare namespace NodeJS { interface Process { resourcesPath: string } }
declare module "electron" { export const app: { isPackaged: boolean; getAppPath(): string }; }
`);
    const output = typecheck([join(work, "electron.d.ts"), ...files], ["--allowJs", "--checkJs", "--noImplicitAny", "false"]);
    assert.equal(output, "", blocks.map(({ readme, code }, i) => `block${i} (${readme}):\n${code}`).join("\n"));
  });
});
