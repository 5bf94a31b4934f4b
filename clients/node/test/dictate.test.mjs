// The dictate session against the real helper and simulated desktops: the
// start, key events injected through the control FIFO, every command's reply,
// timeouts, an end in the middle of a request, and usage errors.
import assert from "node:assert/strict";
import { describe, it } from "node:test";
import { setTimeout as sleep } from "node:timers/promises";

import {
  HelperClosedError, HelperDeniedError, HelperError, HelperExitError, HelperSpawnError,
  HelperTimeoutError, startDictate,
} from "../dist/index.js";
import { alive, binary, Desktop, example, FN_FLAG, input, next } from "./support.mjs";

const USAGE = "usage: quorvel-computer-helper dictate --key fn_or_control_option|fn|" +
  "right_option|right_command|right_control|control_windows|right_alt\n";

// A focused text field whose every accessibility message takes `delayMs`.
function slowField(delayMs) {
  return {
    applications: [{
      pid: 700, name: "Slow", bundle_id: "com.example.slow",
      ui: { id: "app", attributes: { AXRole: "AXApplication" }, children: [{
        id: "field", delay_ms: delayMs,
        attributes: { AXRole: "AXTextField", AXValue: "abc", AXSelectedTextRange: { range: [3, 0] } },
      }] },
    }],
    focus: "field",
  };
}

async function withSession(desktopJson, body, options = {}) {
  const desktop = new Desktop(desktopJson);
  const session = await startDictate({ key: "fn", binary, env: desktop.env, ...options });
  try {
    await body(session, desktop);
  } finally {
    await session.close();
    desktop.dispose();
  }
  return session;
}

describe("start and end", () => {
  it("resolves on ready, and close() ends the process with status 0", async () => {
    const desktop = new Desktop();
    const session = await startDictate({ key: "fn", binary, env: desktop.env });
    assert.ok(session.pid > 0 && alive(session.pid));
    const exits = [];
    session.on("exit", (code, signal) => exits.push([code, signal]));
    assert.equal(await session.close(), 0);
    assert.deepEqual(exits, [[0, null]]);
    assert.equal(alive(session.pid), false);
    assert.equal(session.closed, true);
    await assert.rejects(session.clipboard(), { name: "HelperClosedError", code: "ERR_HELPER_CLOSED" });
    desktop.dispose();
  });

  it("rejects with HelperDeniedError, status 3, when the tap is refused", async () => {
    const desktop = new Desktop({ tap: { refused: true } });
    const error = await startDictate({ key: "right_option", binary, env: desktop.env })
      .then(() => assert.fail("started"), (e) => e);
    assert.ok(error instanceof HelperDeniedError);
    assert.ok(error instanceof HelperExitError, "a denial is also an end");
    assert.equal(error.exitCode, 3);
    assert.equal(error.code, "ERR_HELPER_DENIED");
    // dictate's active tap needs Accessibility, not Input Monitoring.
    assert.equal(error.permission, "accessibility");
    assert.match(error.message, /grant Accessibility to the host application/u);
    assert.doesNotMatch(error.message, /Input Monitoring/iu);
    assert.equal(error.stderr, "");
    desktop.dispose();
  });

  it("rejects usage errors with HelperExitError carrying status 1 and the usage text", async () => {
    for (const key of ["FN", "", "fn extra", "--key", undefined]) {
      const error = await startDictate({ key, binary }).then(() => assert.fail(key), (e) => e);
      assert.ok(error instanceof HelperExitError, key);
      assert.ok(!(error instanceof HelperDeniedError), key);
      assert.equal(error.exitCode, 1, key);
      assert.equal(error.signal, null, key);
      assert.equal(error.stderr, USAGE, key);
      assert.match(error.message, /status 1: usage:/u);
    }
  });

  it("rejects a binary that cannot be started with HelperSpawnError", async () => {
    const error = await startDictate({ key: "fn", binary: "/nonexistent/helper" })
      .then(() => assert.fail("started"), (e) => e);
    assert.ok(error instanceof HelperSpawnError && error instanceof HelperError);
    // As Node's own spawn() error: err.code === "ENOENT".
    assert.equal(error.code, "ENOENT");
    assert.equal(error.cause.code, "ENOENT");
    assert.equal(typeof error.errno, "number");
    assert.equal(error.binary, "/nonexistent/helper");
  });

  it("finds the binary through QUORVEL_HELPER in env", async () => {
    const desktop = new Desktop();
    const session = await startDictate({ key: "fn", env: { ...desktop.env, QUORVEL_HELPER: binary } });
    assert.equal(await session.close(), 0);
    desktop.dispose();
  });
});

describe("key events", () => {
  it("arrive as typed events, in order, and on 'line'", async () => {
    await withSession({ processes: { 381: "WindowServer" } }, async (session, desktop) => {
      const seen = [];
      const lines = [];
      for (const name of ["down", "up", "chord", "hands_free", "escape", "tap_reenabled"]) {
        session.on(name, (event) => seen.push([name, event]));
      }
      session.on("line", (line) => lines.push(line));
      const steps = [
        input("flags_changed", 63, FN_FLAG | 0x100, { source_pid: 381 }),
        input("key_down", 49, FN_FLAG, { source_pid: 381 }),   // hands-free space
        input("key_up", 49, FN_FLAG, { source_pid: 381 }),
        input("key_down", 0, FN_FLAG),                          // a letter: chord
        input("left_mouse_down", 0, FN_FLAG),
        input("flags_changed", 63, 0x100, { source_pid: 381 }),
        input("key_down", 53, 0),                               // escape
        input("flags_changed", 63, FN_FLAG),
        { action: "flags", flags: 0 },
        { action: "tap_disabled", by: "user_input" },
      ];
      for (const step of steps) await desktop.act(step);
      const deadline = Date.now() + 5000;
      while (seen.length < 9 && Date.now() < deadline) await sleep(10);
      assert.deepEqual(seen.map(([name]) => name),
        ["down", "hands_free", "chord", "chord", "up", "escape", "down", "tap_reenabled", "up"]);
      assert.deepEqual(seen[0][1], {
        event: "down", flags: "0x800100", keycode: 63, kind: "flags_changed",
        source: "WindowServer", source_pid: 381,
      });
      assert.equal(seen[1][1].kind, "key_down");
      assert.equal(seen[3][1].kind, "mouse_down");
      assert.equal(seen[4][1].cause, "key_event");
      assert.deepEqual(seen[7][1], { event: "tap_reenabled", disabled_by: "user_input", flags: "0x0" });
      assert.deepEqual(seen[8][1], { event: "up", cause: "tap_reenabled", disabled_by: "user_input", flags: "0x0" });
      assert.deepEqual(lines.map((line) => line.event),
        ["ready", "down", "hands_free", "chord", "chord", "up", "escape", "down", "tap_reenabled", "up"]);
    });
  });

  it("are not lost when they come right behind ready", async () => {
    // The desktop's script presses fn as soon as the tap runs.
    const script = [{ at_ms: 0, action: "input", type: "flags_changed", keycode: 63, flags: FN_FLAG }];
    const desktop = new Desktop({ script });
    const session = await startDictate({ key: "fn", binary, env: desktop.env });
    const down = await next(session, "down");
    assert.equal(down.keycode, 63);
    await session.close();
    desktop.dispose();
  });
});

describe("commands", () => {
  it("each get their typed reply, matched by id even when sent at once", async () => {
    await withSession(JSON.parse(await import("node:fs").then((fs) =>
      fs.readFileSync(example("composer.json"), "utf8"))), async (session) => {
      const [context, clipboard, focus, refused] = await Promise.all([
        session.context(), session.clipboard(), session.screenFocus(), session.send("paste", '"text"'),
      ]);
      assert.equal(context.event, "context");
      assert.equal(context.focused, true);
      assert.deepEqual(clipboard, { event: "clipboard", id: 2, sensitive: false });
      assert.equal(focus.event, "screen_focus");
      assert.equal(focus.focused && focus.app, "Mail");
      assert.deepEqual(refused, { event: "paste_failed", id: 4, reason: "unsupported_platform" });
      const text = await session.screenText(640);
      assert.equal(text.before, "Sounds good, see you ");
      assert.match(text.text, /Friday works/u);
      assert.deepEqual(await session.screenText(640), { event: "screen_text", id: 6 });
      assert.deepEqual(await session.send("copy", "plain words"),
        { event: "paste_failed", id: 7, reason: "bad_text" });
    });
  });

  it("paste answers pasted when the field takes the text", async () => {
    const demo = JSON.parse((await import("node:fs")).readFileSync(example("dictation_demo.json"), "utf8"));
    delete demo.script;
    await withSession(demo, async (session) => {
      assert.deepEqual(await session.paste(), { event: "pasted", id: 1 });
      const context = await session.context();
      assert.equal(context.focused && context.before, "d");
    });
  });

  it("throws at once, as Node does, for command lines it cannot send", async () => {
    await withSession({}, async (session) => {
      for (const [word, argument] of [["two words"], ["paste", "a\nb"], [""], ["x", "\r"], [7], ["x", 3]]) {
        assert.throws(() => session.send(word, argument),
                      { name: "TypeError", code: "ERR_INVALID_ARG_VALUE" }, String(word));
      }
      for (const pid of [-1, 1.5, NaN]) {
        assert.throws(() => session.screenText(pid), { name: "RangeError", code: "ERR_OUT_OF_RANGE" });
        assert.throws(() => session.appAccessibility(pid), { name: "RangeError", code: "ERR_OUT_OF_RANGE" });
      }
      assert.equal(session.pendingCount, 0);
      assert.equal((await session.clipboard()).sensitive, false);
    });
  });
});

describe("timeouts and ends", () => {
  it("a command without a reply times out and the session goes on", async () => {
    await withSession({}, async (session) => {
      const error = await session.send("no_such_word").then(() => assert.fail("answered"), (e) => e);
      assert.ok(error instanceof HelperTimeoutError);
      assert.equal(error.command, "no_such_word");
      assert.equal(error.timeoutMs, 150);
      assert.equal(session.pendingCount, 0);
      assert.equal((await session.clipboard()).sensitive, false);
    }, { timeoutMs: 150 });
  });

  it("a late reply after a timeout is dropped, not taken for the next request", async () => {
    await withSession(slowField(400), async (session) => {
      const late = new Promise((resolve) => session.on("line", (line) => {
        if (line.event === "context") resolve(line);
      }));
      await assert.rejects(session.context(), HelperTimeoutError);
      assert.equal((await late).id, 1);
      assert.deepEqual(await session.clipboard(), { event: "clipboard", id: 2, sensitive: false });
    }, { timeoutMs: 100 });
  });

  it("a helper killed mid-request rejects every pending request with HelperExitError", async () => {
    const desktop = new Desktop(slowField(3000));
    const session = await startDictate({ key: "fn", binary, env: desktop.env, timeoutMs: 10_000 });
    const pending = [session.context(), session.context()];
    const exited = next(session, "exit");
    await sleep(50);
    process.kill(session.pid, "SIGKILL");
    for (const request of pending) {
      const error = await request.then(() => assert.fail("answered"), (e) => e);
      assert.ok(error instanceof HelperExitError);
      assert.equal(error.exitCode, null);
      assert.equal(error.signal, "SIGKILL");
    }
    assert.deepEqual(await exited, [null, "SIGKILL"]);
    assert.equal(await session.close(), null);
    assert.equal(alive(session.pid), false);
    desktop.dispose();
  });

  it("close() waits for the replies to commands already sent and refuses later ones", async () => {
    await withSession({}, async (session) => {
      const replies = [session.clipboard(), session.context(), session.screenFocus()];
      const status = session.close();
      const late = await session.context().then(() => assert.fail("sent after close()"), (e) => e);
      assert.ok(late instanceof HelperClosedError && late instanceof HelperError);
      assert.equal(late.command, "context");
      const settled = await Promise.all(replies);
      assert.deepEqual(settled.map((reply) => reply.event), ["clipboard", "context", "screen_focus"]);
      assert.equal(await status, 0);
      await assert.rejects(session.paste(), HelperClosedError);
    });
  });
});

describe("per-call timeouts and cancellation", () => {
  it("counts a command's time from when the helper starts on it, not from when it was sent", async () => {
    let one = 0;
    await withSession(slowField(120), async (session) => {
      await session.context();
      const started = Date.now();
      await session.context();
      one = Date.now() - started;
    }, { timeoutMs: 10_000 });
    // Each of four sent at once is answered within `one` of its turn, the
    // last well after `budget` from the send.
    const budget = 2 * one + 150;
    await withSession(slowField(120), async (session) => {
      const started = Date.now();
      const replies = await Promise.all([1, 2, 3, 4].map(() => session.context()));
      assert.deepEqual(replies.map((reply) => reply.id), [1, 2, 3, 4]);
      assert.ok(Date.now() - started > budget, `four took ${Date.now() - started} ms, one ${one} ms`);
      // A call's own timeout is counted the same way.
      const own = await Promise.all([1, 2, 3].map(() => session.context({ timeoutMs: budget })));
      assert.deepEqual(own.map((reply) => reply.id), [5, 6, 7]);
    }, { timeoutMs: budget });
  });

  it("waits for ever with timeoutMs: Infinity, as a session default or per call", async () => {
    await withSession(slowField(200), async (session) => {
      assert.equal((await session.context()).focused, true);
      assert.equal((await session.context({ timeoutMs: 2 ** 31 })).focused, true);
    }, { timeoutMs: Infinity });
  });

  it("refuses timeouts that cannot be meant, synchronously", async () => {
    for (const bad of [-1, NaN, -Infinity]) {
      assert.throws(() => startDictate({ key: "fn", binary, timeoutMs: bad }),
                    { name: "RangeError", code: "ERR_OUT_OF_RANGE" });
      assert.throws(() => startDictate({ key: "fn", binary, readyTimeoutMs: bad }), RangeError);
    }
    assert.throws(() => startDictate({ key: "fn", binary, timeoutMs: "5" }),
                  { name: "TypeError", code: "ERR_INVALID_ARG_VALUE" });
    assert.throws(() => startDictate({ key: "fn", binary, signal: {} }), TypeError);
    await withSession({}, async (session) => {
      assert.throws(() => session.clipboard({ timeoutMs: -5 }), { code: "ERR_OUT_OF_RANGE" });
      assert.throws(() => session.paste({ timeoutMs: NaN }), RangeError);
      assert.throws(() => session.close(-1), RangeError);
      assert.equal(session.pendingCount, 0);
    });
  });

  it("rejects an aborted call with the signal's reason and drops its late reply", async () => {
    await withSession(slowField(300), async (session) => {
      const controller = new AbortController();
      const lines = [];
      session.on("line", (line) => lines.push(line.event));
      const aborted = session.context({ signal: controller.signal });
      setTimeout(() => controller.abort(), 50);
      const error = await aborted.then(() => assert.fail("answered"), (e) => e);
      assert.equal(error.name, "AbortError");
      assert.ok(error instanceof DOMException);
      const reason = new Error("mine");
      await assert.rejects(session.clipboard({ signal: AbortSignal.abort(reason) }), (e) => e === reason);
      // The late context reply comes, and goes to nobody; the next gets its own.
      assert.deepEqual(await session.clipboard(), { event: "clipboard", id: 3, sensitive: false });
      assert.deepEqual(lines.filter((e) => e !== "ready"), ["context", "clipboard"]);
      assert.equal(session.pendingCount, 0);
    }, { timeoutMs: 5000 });
  });

  it("aborts a start: the process is killed and the start rejects", async () => {
    const desktop = new Desktop();
    const controller = new AbortController();
    const reason = new Error("host quit");
    const start = startDictate({ key: "fn", binary, env: desktop.env, signal: controller.signal });
    controller.abort(reason);
    await assert.rejects(start, (e) => e === reason);
    await assert.rejects(startDictate({ key: "fn", binary, signal: AbortSignal.abort() }), { name: "AbortError" });
    desktop.dispose();
  });
});
