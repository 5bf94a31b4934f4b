// Where this package is installed: the folder above dist/. The build
// rewrites the module URL below for the CommonJS files (from __filename).

import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

// @ts-ignore -- TS1343 in the CommonJS compile, which the build rewrites
export const PACKAGE_ROOT: string = join(dirname(fileURLToPath(import.meta.url)), "..");
