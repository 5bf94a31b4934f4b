// Copies the protocol schema into the package, so that hosts get the same
// file the helper's own tests validate against.
import { copyFileSync, existsSync, mkdirSync } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const root = join(dirname(fileURLToPath(import.meta.url)), "..");
const source = join(root, "..", "..", "protocol", "helper.schema.json");
const target = join(root, "schema", "helper.schema.json");
// A packed copy of this folder has no protocol folder beside it: keep the
// schema it already carries.
if (existsSync(source)) {
  mkdirSync(dirname(target), { recursive: true });
  copyFileSync(source, target);
}
