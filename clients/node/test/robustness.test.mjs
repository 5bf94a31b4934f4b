// What a misbehaving helper must never do to the host: fake helpers (shell
// scripts) that write partial lines, garbage, never answer, stop reading or
// never end. Every case also checks that no process is left behind.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { describe, it } from "node:test";
import { setTimeout as sleep } from "node:timers/promises";

import {
  HelperDeniedError, HelperExitError, HelperTimeoutError, inspect, startAnnotate, startDictate,
} from "../dist/index.js";
import { alive, fakeHelper, next } from "./support.mjs";

const READY = `printf '{"event":"ready"}\\n'`;

describe("a misbehaving helper", () => {
  it("that dies after half a line fails the start with HelperExitError", async () => {
    const binary = fakeHelper(`printf '{"event":"rea'; exit 5`);
    const error = await startDictate({ key: "fn", binary }).then(() => assert.fail("started"), (e) => e);
    assert.ok(error instanceof HelperExitError);
    assert.equal(error.exitCode, 5);
  });

  it("that dies after half a line mid-session reports it and rejects the request", async () => {
    const binary = fakeHelper(`${READY}; read line; printf '{"event":"clipb'; exit 0`);
    const session = await startDictate({ key: "fn", binary });
    const invalid = next(session, "invalid_line");
    await assert.rejects(session.clipboard(), (e) => e instanceof HelperExitError && e.exitCode === 0);
    assert.equal(await invalid, '{"event":"clipb');
    assert.equal(alive(session.pid), false);
  });

  it("that writes garbage between lines is not believed, and the session goes on", async () => {
    const binary = fakeHelper(`${READY}; read line
printf 'not json\\n[1,2]\\n{"no_event":1}\\n{"event":"clipboard","id":1,"sensitive":true}\\n'
cat >/dev/null`);
    const session = await startDictate({ key: "fn", binary });
    const invalid = [];
    session.on("invalid_line", (text) => invalid.push(text));
    assert.deepEqual(await session.clipboard(), { event: "clipboard", id: 1, sensitive: true });
    assert.deepEqual(invalid, ["not json", "[1,2]", '{"no_event":1}']);
    assert.equal(await session.close(), 0);
  });

  it("that writes a key event before ready still has it delivered, after ready", async () => {
    const binary = fakeHelper(`printf '{"event":"escape","flags":"0x0","kind":"key_down","source_pid":1}\\n'
${READY}; cat >/dev/null`);
    const session = await startDictate({ key: "fn", binary });
    const lines = [];
    session.on("line", (line) => lines.push(line.event));
    assert.equal((await next(session, "escape")).source_pid, 1);
    assert.deepEqual(lines, ["escape", "ready"]);
    assert.equal(await session.close(), 0);
  });

  it("cannot stop a line from reaching every listener by a throwing one", async () => {
    // Every line in one write: the listeners run inside one read.
    const binary = fakeHelper(`printf '{"event":"ready"}\n'; read line; printf '%s\n' \
'{"event":"down","flags":"0x800000","keycode":63,"kind":"flags_changed","source_pid":1}' \
'{"event":"hands_free","flags":"0x800000","kind":"key_down","source_pid":1}' \
'{"event":"up","cause":"key_event","flags":"0x0","keycode":63,"kind":"flags_changed","source_pid":1}' \
'{"event":"escape","flags":"0x0","kind":"key_down","source_pid":1}' \
'{"event":"clipboard","id":1,"sensitive":false}'; cat >/dev/null`);
    const session = await startDictate({ key: "fn", binary });
    const seen = [];
    const thrown = [];
    const onUncaught = (error) => thrown.push(error.message);
    process.prependListener("uncaughtException", onUncaught);
    const original = process.listeners("uncaughtException").filter((l) => l !== onUncaught);
    for (const listener of original) process.off("uncaughtException", listener);
    try {
      session.on("down", () => { throw new Error("first down listener"); });
      session.on("line", (line) => {
        seen.push(`line ${line.event}`);
        if (line.event === "hands_free") throw new Error("line listener");
      });
      for (const name of ["down", "hands_free", "up", "escape"]) session.on(name, () => seen.push(name));
      assert.equal((await session.clipboard()).sensitive, false);
      await new Promise((resolve) => setImmediate(resolve));
    } finally {
      process.off("uncaughtException", onUncaught);
      for (const listener of original) process.on("uncaughtException", listener);
    }
    assert.deepEqual(seen, ["line ready", "line down", "down", "line hands_free", "hands_free", "line up", "up",
      "line escape", "escape", "line clipboard"]);
    // Each error still reached uncaughtException, after the read was delivered.
    assert.deepEqual(thrown, ["first down listener", "line listener"]);
    assert.equal(await session.close(), 0);
  });

  it("that writes denied after ready surfaces 'denied', exit 3 and HelperDeniedError", async () => {
    const binary = fakeHelper(`${READY}; read line; printf '{"event":"denied"}\\n'; exit 3`);
    const session = await startDictate({ key: "fn", binary });
    const denied = next(session, "denied");
    const exit = next(session, "exit");
    const error = await session.context().then(() => assert.fail("answered"), (e) => e);
    assert.ok(error instanceof HelperDeniedError);
    assert.equal(error.exitCode, 3);
    await denied;
    assert.deepEqual(await exit, [3, null]);
  });

  it("that stops reading its input never crashes the host with EPIPE", async () => {
    const binary = fakeHelper(`${READY}; exec 0<&-; sleep 0.3`);
    const session = await startDictate({ key: "fn", binary, timeoutMs: 5000 });
    await sleep(100);
    const big = "x".repeat(256 * 1024);
    const requests = [];
    for (let i = 0; i < 20; i++) requests.push(session.send("copy", big).catch((e) => e));
    for (const result of await Promise.all(requests)) assert.ok(result instanceof Error, String(result));
    assert.equal(await session.close(), 0);
  });

  it("that is a wrapper script without exec times out on its own end, not its grandchild's pipes", async () => {
    // The script's child `sleep` keeps standard output open for 30 s.
    const silent = fakeHelper(`sleep 30 & echo $! > "$0.child"; wait`);
    let started = Date.now();
    await assert.rejects(startDictate({ key: "fn", binary: silent, readyTimeoutMs: 300 }), HelperTimeoutError);
    assert.ok(Date.now() - started < 3000, `the start took ${Date.now() - started} ms`);
    process.kill(Number(readFileSync(`${silent}.child`, "utf8")), "SIGKILL");

    const wrapper = fakeHelper(`${READY}; sleep 30 & echo $! > "$0.child"; cat >/dev/null`);
    const session = await startAnnotate({ binary: wrapper });
    started = Date.now();
    assert.equal(await session.close(5000), 0);
    assert.ok(Date.now() - started < 3000, `close() took ${Date.now() - started} ms`);
    assert.equal(alive(session.pid), false);
    process.kill(Number(readFileSync(`${wrapper}.child`, "utf8")), "SIGKILL");
  });

  it("that never says ready is killed after readyTimeoutMs", async () => {
    const binary = fakeHelper(`echo $$ > "$0.pid"; exec sleep 30`);
    const error = await startDictate({ key: "fn", binary, readyTimeoutMs: 200 })
      .then(() => assert.fail("started"), (e) => e);
    assert.ok(error instanceof HelperTimeoutError);
    const pid = Number(readFileSync(`${binary}.pid`, "utf8"));
    assert.equal(alive(pid), false);
  });

  it("that does not end at end of input is killed by close()", async () => {
    const binary = fakeHelper(`${READY}; trap '' TERM; exec sleep 30`);
    const session = await startAnnotate({ binary });
    assert.equal(await session.close(100), null);
    assert.equal(alive(session.pid), false);
  });

  it("that hangs in inspect is killed after timeoutMs, or when the call is aborted", async () => {
    const binary = fakeHelper(`echo $$ > "$0.pid"; exec sleep 30`);
    const pid = () => Number(readFileSync(`${binary}.pid`, "utf8"));
    await assert.rejects(inspect({}, { binary, timeoutMs: 100 }), HelperTimeoutError);
    assert.equal(alive(pid()), false);
    const reason = new Error("host quit");
    const controller = new AbortController();
    setTimeout(() => controller.abort(reason), 100);
    await assert.rejects(inspect({}, { binary, timeoutMs: Infinity, signal: controller.signal }), (e) => e === reason);
    assert.equal(alive(pid()), false);
    await assert.rejects(inspect({}, { binary, signal: AbortSignal.abort() }), { name: "AbortError" });
    assert.throws(() => inspect({}, { binary, timeoutMs: -1 }), { code: "ERR_OUT_OF_RANGE" });
  });
});
