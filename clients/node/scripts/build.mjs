// Builds the package: ES modules (dist/*.js, *.d.ts) and CommonJS
// (dist/*.cjs, *.d.cts) from the same sources, and copies in the protocol
// schema and the licence from the repository, so that hosts get the files
// the helper's own tests use. A packed copy of this folder has no
// repository around it: it keeps the copies it already carries.
import { execFileSync } from "node:child_process";
import { copyFileSync, existsSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const root = join(dirname(fileURLToPath(import.meta.url)), "..");
const repo = join(root, "..", "..");
const copies = [
  [join(repo, "protocol", "helper.schema.json"), join(root, "schema", "helper.schema.json")],
  [join(repo, "LICENSE"), join(root, "LICENSE")],
];
for (const [source, target] of copies) {
  if (existsSync(source)) {
    mkdirSync(dirname(target), { recursive: true });
    copyFileSync(source, target);
  }
}

const dist = join(root, "dist");
const cjs = join(root, "dist-cjs");
rmSync(dist, { recursive: true, force: true });
rmSync(cjs, { recursive: true, force: true });
const tsc = join(root, "node_modules", "typescript", "bin", "tsc");
execFileSync(process.execPath, [tsc, "-p", "tsconfig.json"], { cwd: root, stdio: "inherit" });
execFileSync(process.execPath, [tsc, "-p", "tsconfig.cjs.json"], { cwd: root, stdio: "inherit" });

// CommonJS files take the .cjs and .d.cts names (the package is "type":
// "module"), and so do the relative specifiers inside them.
const relative = /((?:require\(|from |import\()")(\.\.?\/[^"]+)\.js"/gu;
for (const name of readdirSync(cjs)) {
  let text = readFileSync(join(cjs, name), "utf8").replace(relative, '$1$2.cjs"');
  if (name.endsWith(".d.ts")) {
    writeFileSync(join(dist, name.replace(/\.d\.ts$/u, ".d.cts")), text);
  } else if (name.endsWith(".js")) {
    // The one use of import.meta (the package's own folder).
    text = text.replaceAll("import.meta.url", 'require("node:url").pathToFileURL(__filename).href');
    if (text.includes("import.meta")) throw new Error(`${name}: import.meta left in CommonJS`);
    writeFileSync(join(dist, name.replace(/\.js$/u, ".cjs")), text);
  }
}
rmSync(cjs, { recursive: true, force: true });
