// appAccessibility() against fake helpers (shell scripts) that answer the
// command as the helper does: the line each call sends, the typed reply for
// every result, and its per-call options; then against the real helper and
// the example chat application, whose tree appears only once asked for.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { describe, it } from "node:test";

import { HelperTimeoutError, startDictate } from "../dist/index.js";
import { binary as realHelper, Desktop, example, fakeHelper } from "./support.mjs";

// Keeps every command line in "$0.sent"; answers app_accessibility with the
// result the application's pid picks (a pid of 0 is never answered).
const ANSWERING = `printf '{"event":"ready"}\\n'
while read -r id word pid extra; do
  printf '%s %s %s %s\\n' "$id" "$word" "$pid" "$extra" >> "$0.sent"
  case $pid in
    1) result=enabled ;; 2) result=already ;; 3) result=unconfirmed ;; 4) result=no_app ;;
    5) result=failed ;; 0) continue ;; *) result=bad_argument ;;
  esac
  printf '{"event":"app_accessibility","id":%s,"result":"%s"}\\n' "$id" "$result"
done`;

describe("appAccessibility", () => {
  it("sends app_accessibility <pid> [enhanced] and resolves with the typed reply", async () => {
    const binary = fakeHelper(ANSWERING);
    const session = await startDictate({ key: "fn", binary });
    const results = await Promise.all([1, 2, 3, 4, 5].map((pid) => session.appAccessibility(pid)));
    assert.deepEqual(results, ["enabled", "already", "unconfirmed", "no_app", "failed"]
      .map((result, i) => ({ event: "app_accessibility", id: i + 1, result })));
    assert.deepEqual(await session.appAccessibility(1, { enhanced: true }),
      { event: "app_accessibility", id: 6, result: "enabled" });
    assert.deepEqual(await session.appAccessibility(77, { enhanced: false }),
      { event: "app_accessibility", id: 7, result: "bad_argument" });
    assert.equal(await session.close(), 0);
    assert.deepEqual(readFileSync(`${binary}.sent`, "utf8").split("\n"), [
      "1 app_accessibility 1 ", "2 app_accessibility 2 ", "3 app_accessibility 3 ", "4 app_accessibility 4 ",
      "5 app_accessibility 5 ", "6 app_accessibility 1 enhanced", "7 app_accessibility 77 ", ""]);
  });

  it("takes a timeout and a signal of its own, and refuses what cannot be sent", async () => {
    const binary = fakeHelper(ANSWERING);
    const session = await startDictate({ key: "fn", binary, timeoutMs: 5000 });
    await assert.rejects(session.appAccessibility(0, { timeoutMs: 50 }), HelperTimeoutError);
    await assert.rejects(session.appAccessibility(0, { signal: AbortSignal.timeout(50) }), { name: "TimeoutError" });
    assert.equal((await session.appAccessibility(2)).result, "already");
    assert.throws(() => session.appAccessibility(1, { enhanced: "yes" }), { code: "ERR_INVALID_ARG_VALUE" });
    assert.throws(() => session.appAccessibility("1"), { code: "ERR_INVALID_ARG_VALUE" });
    assert.equal(await session.close(), 0);
  });

  it("turns on the example chat application's accessibility through the real helper", async () => {
    const chat = JSON.parse(readFileSync(example("chat_app.json"), "utf8"));
    const desktop = new Desktop(chat);
    const session = await startDictate({ key: "fn", binary: realHelper, env: desktop.env });
    try {
      const pid = chat.applications[0].pid;
      assert.equal((await session.appAccessibility(pid)).result, "enabled");
      assert.equal((await session.appAccessibility(pid)).result, "already");
      assert.equal((await session.appAccessibility(pid, { enhanced: true })).result, "unconfirmed");
      assert.equal((await session.appAccessibility(999999)).result, "no_app");
      assert.ok(desktop.effects("ax_set").every((effect) => effect.value === true));
    } finally {
      assert.equal(await session.close(), 0);
      desktop.dispose();
    }
  });
});
