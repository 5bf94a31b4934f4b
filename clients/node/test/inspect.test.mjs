// inspect through the real helper: accepted and refused requests.
import assert from "node:assert/strict";
import { describe, it } from "node:test";

import { HelperExitError, inspect, inspectRequestText } from "../dist/index.js";
import { binary } from "./support.mjs";

const UNREADABLE = "inspect: the request is not one this command reads\n";

describe("inspect", () => {
  it("answers a well-formed request", async () => {
    assert.deepEqual(await inspect({}, { binary }),
      { files: [], points: [], processes: [], screen: null, windows: [] });
    const response = await inspect({
      pids: [1, 2, 4294967295], windows: [5n, 18446744073709551615n],
      files: ["C:\\dir\\con", "/tmp"], screen: true, points: [[10, 20], [10, 20], [-2147483648, 0]],
    }, { binary });
    assert.deepEqual(response, { files: [], points: [null, null, null], processes: [], screen: null, windows: [] });
  });

  it("rejects a request the helper refuses with status 1 and its message", async () => {
    const refused = [
      { pids: [-1] }, { pids: [4294967296] }, { pids: [7.5] }, { screen: 1 }, { screen: null },
      { points: [[1, 2, 3]] }, { points: [[2147483648, 0]] }, { files: [3] }, { windows: [-1n] },
    ];
    for (const request of refused) {
      const error = await inspect(request, { binary }).then(() => assert.fail(JSON.stringify(request)), (e) => e);
      assert.ok(error instanceof HelperExitError);
      assert.equal(error.exitCode, 1);
      assert.equal(error.stderr, UNREADABLE, inspectRequestText(request));
    }
  });
});
