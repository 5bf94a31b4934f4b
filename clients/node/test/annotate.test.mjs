// The annotate session against the real helper: the gesture as typed events,
// windows() in order, long lines, and the refused tap.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { describe, it } from "node:test";
import { setTimeout as sleep } from "node:timers/promises";

import { HelperDeniedError, HelperTimeoutError, startAnnotate } from "../dist/index.js";
import { alive, binary, Desktop, example } from "./support.mjs";

const SHIFT = 0x20000;

function window(number, name, extra = {}) {
  return {
    kCGWindowNumber: number, kCGWindowOwnerPID: 500 + number, kCGWindowOwnerName: name,
    kCGWindowLayer: 0, kCGWindowBounds: { X: 10, Y: 20, Width: 300, Height: 200 }, ...extra,
  };
}

describe("annotate", () => {
  it("reports the shift gesture, the stroke and the click as typed events", async () => {
    const desktop = new Desktop({ input: { pointer: [100, 100] } });
    const session = await startAnnotate({ binary, env: desktop.env });
    const events = [];
    for (const name of ["shift", "pointer", "button", "key", "tap_reenabled"]) {
      session.on(name, (event) => events.push(event));
    }
    const act = (action) => desktop.act(action);
    await act({ action: "input", type: "flags_changed", keycode: 56, flags: SHIFT, x: 100, y: 100 });
    await sleep(60);
    await act({ action: "pointer", x: 150, y: 120 });
    await sleep(60);
    await act({ action: "input", type: "left_mouse_down", x: 150, y: 120 });
    await act({ action: "input", type: "left_mouse_up", x: 150, y: 120 });
    await act({ action: "input", type: "flags_changed", keycode: 56, flags: 0, x: 150, y: 120 });
    await act({ action: "input", type: "key_down", keycode: 0, flags: 0 });
    await act({ action: "tap_disabled", by: "timeout" });
    await desktop.sync();
    const deadline = Date.now() + 3000;
    while (events.filter((e) => e.event === "tap_reenabled").length === 0 && Date.now() < deadline) {
      await sleep(10);
    }
    const names = events.map((e) => (e.event === "button" ? `button ${e.state}` : e.event));
    assert.deepEqual(names.filter((n) => n !== "pointer"),
      ["shift", "button down", "button up", "shift", "key", "tap_reenabled"]);
    assert.ok(names.indexOf("pointer") > 0 && names.indexOf("pointer") < names.indexOf("button down"));
    const [press] = events;
    assert.equal(press.held, true);
    assert.equal(press.alone, true);
    assert.equal(typeof press.t, "number");
    assert.deepEqual([press.x, press.y], [100, 100]);
    assert.equal(await session.close(), 0);
    assert.equal(alive(session.pid), false);
    desktop.dispose();
  });

  it("answers windows() in order, as many times as asked", async () => {
    const demo = JSON.parse(readFileSync(example("annotate_demo.json"), "utf8"));
    delete demo.script;
    const desktop = new Desktop(demo);
    const session = await startAnnotate({ binary, env: desktop.env });
    const first = session.windowsReply();
    const lists = await Promise.all([session.windows(), session.windows()]);
    assert.equal(typeof (await first).t, "number");
    for (const list of lists) {
      assert.deepEqual(list.map((w) => [w.id, w.app]), [[88, "Notes"], [91, "Preview"]]);
      assert.deepEqual(list[1], { app: "Preview", height: 720.5, id: 91, pid: 502, width: 1100, x: -1200, y: 40 });
    }
    await session.close();
    desktop.dispose();
  });

  it("keeps 64-bit window numbers exact, as inspect() takes them", async () => {
    const numbers = [2n ** 53n + 1n, 2n ** 63n - 1n, 9007199254740991n, 88n];
    const desktop = new Desktop({ windows: numbers.map((n, i) => window(0, `W${i}`, { kCGWindowNumber: `@${n}` })) });
    // The desktop file takes the exact digits; JSON.stringify cannot write them.
    const { writeFileSync } = await import("node:fs");
    writeFileSync(desktop.file, readFileSync(desktop.file, "utf8").replace(/"@(\d+)"/gu, "$1"));
    const session = await startAnnotate({ binary, env: desktop.env });
    const lines = [];
    session.on("line", (line) => lines.push(line));
    const list = await session.windows();
    assert.deepEqual(list.map((w) => w.id), [2n ** 53n + 1n, 2n ** 63n - 1n, 9007199254740991, 88]);
    assert.equal(lines.find((line) => line.event === "windows").windows[1].id, 2n ** 63n - 1n, "'line' gets the exact numbers too");
    assert.deepEqual(list.map((w) => w.app), ["W0", "W1", "W2", "W3"]);
    await session.close();
    desktop.dispose();
  });

  it("reads a line of several megabytes whole", async () => {
    const name = "é".repeat(1_500_000);   // 3 MB of UTF-8, split across many reads
    const desktop = new Desktop({ windows: [window(1, name), window(2, "Short")] });
    const session = await startAnnotate({ binary, env: desktop.env, timeoutMs: 20_000 });
    const list = await session.windows();
    assert.equal(list.length, 2);
    assert.equal(list[0].app, name);
    assert.equal(list[1].app, "Short");
    await session.close();
    desktop.dispose();
  });

  it("a timed-out windows() does not take the next request's reply", async () => {
    const desktop = new Desktop({ windows: [window(1, "One")] });
    const session = await startAnnotate({ binary, env: desktop.env, timeoutMs: 1 });
    // With a 1 ms budget some of these time out; every one that resolves
    // has its own reply, and nothing is left over.
    const results = await Promise.allSettled([session.windows(), session.windows(), session.windows()]);
    for (const result of results) {
      if (result.status === "rejected") assert.ok(result.reason instanceof HelperTimeoutError);
      else assert.equal(result.value[0].app, "One");
    }
    await sleep(300);
    await session.close();
    desktop.dispose();
  });

  it("rejects with HelperDeniedError when the tap is refused", async () => {
    const desktop = new Desktop({ tap: { refused: true } });
    const error = await startAnnotate({ binary, env: desktop.env }).then(() => assert.fail("started"), (e) => e);
    assert.ok(error instanceof HelperDeniedError);
    assert.equal(error.exitCode, 3);
    // annotate's listen-only tap needs Input Monitoring.
    assert.equal(error.permission, "input_monitoring");
    assert.match(error.message, /grant Input Monitoring to the host application/u);
    desktop.dispose();
  });
});
