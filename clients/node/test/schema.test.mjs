// Every line the real helper writes validates against
// protocol/helper.schema.json: sessions over every example desktop (in both
// long-running modes), scripted desktops that bring every key event, the
// transcripts of docs/protocol.md, and inspect. And the schema is not lax:
// every member of every one of those lines, misspelt, fails it.
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { readdirSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { before, describe, it } from "node:test";
import { setTimeout as sleep } from "node:timers/promises";

import Ajv2020 from "ajv/dist/2020.js";

import { binary, Desktop, FN_FLAG, repoRoot } from "./support.mjs";

const schema = JSON.parse(readFileSync(join(repoRoot, "protocol", "helper.schema.json"), "utf8"));
const ajv = new Ajv2020({ strict: true, strictTypes: false, allErrors: true });
ajv.addSchema(schema);
const validators = Object.fromEntries(
  ["dictate_line", "annotate_line", "inspect_request", "inspect_response"].map((name) =>
    [name, ajv.getSchema(`${schema.$id}#/$defs/${name}`)]));
// The root: any line read or written.
const validateAny = ajv.getSchema(schema.$id);

// Lines gathered by the sessions below: [definition, text, where].
const gathered = [];

function check(definition, text, where) {
  const value = JSON.parse(text);
  const validate = validators[definition];
  assert.ok(validate(value), `${where}: ${text}\n${JSON.stringify(validate.errors, null, 1)}`);
  assert.ok(validateAny(value), `${where}: the root refuses ${text}`);
  gathered.push([definition, value, where]);
}

/** Runs the helper; writes `input` after `delayMs`, ends its input; resolves with its output. */
function run(args, env, input, delayMs) {
  return new Promise((resolve, reject) => {
    const child = spawn(binary, args, { env: { ...process.env, ...env } });
    let out = "";
    child.stdout.setEncoding("utf8").on("data", (chunk) => { out += chunk; });
    child.stdin.on("error", () => {});
    child.on("error", reject);
    child.on("close", (code) => resolve({ code, lines: out.split("\n").filter((l) => l !== "") }));
    setTimeout(() => child.stdin.end(input), delayMs);
  });
}

function scriptEnd(desktop) {
  return Math.max(0, ...(desktop.script ?? []).map((step) => step.at_ms));
}

function commandsFor(desktop) {
  const pid = desktop.applications?.[0]?.pid ?? 1;
  return ["1 context", "2 clipboard", "3 screen_text " + pid, "4 screen_focus", `5 screen_text ${pid}`,
    `6 screen_text ${pid}`, "7 paste", "8 context", '9 paste "text"', "10 copy words", "screen_text x",
    "clipboard", "copy", "nonsense", "", "+18446744073709551615 clipboard"].join("\n") + "\n";
}

async function session(name, desktopJson) {
  const desktop = new Desktop(desktopJson);
  try {
    const wait = scriptEnd(desktopJson) + 300;
    const dictate = await run(["dictate", "--key", "fn"], desktop.env, commandsFor(desktopJson), wait);
    for (const line of dictate.lines) check("dictate_line", line, `${name} dictate`);
  } finally {
    desktop.dispose();
  }
  const again = new Desktop(desktopJson);
  try {
    const annotate = await run(["annotate"], again.env, "windows\n windows \nwindow\n",
                               scriptEnd(desktopJson) + 300);
    for (const line of annotate.lines) check("annotate_line", line, `${name} annotate`);
  } finally {
    again.dispose();
  }
}

// The transcripts of docs/protocol.md: the host's lines ("> "), the
// helper's ("< "), the section they are in and the example desktop the text
// before them names.
function readTranscripts() {
  const transcripts = [];
  let section = "";
  let desktop;
  let current;
  for (const line of readFileSync(join(repoRoot, "docs", "protocol.md"), "utf8").split("\n")) {
    const heading = /^## (\w+)/u.exec(line);
    if (heading) {
      section = heading[1];
      desktop = undefined;
    }
    const named = /`(examples\/[\w.]+\.json)`/u.exec(line);
    if (named) desktop = named[1];
    const step = /^ {4}([<>]) (.*)$/u.exec(line);
    if (step) {
      if (!current) {
        current = { section, desktop, input: [], output: [] };
        transcripts.push(current);
      }
      (step[1] === ">" ? current.input : current.output).push(step[2]);
    } else if (!/^ {4}\(/u.test(line)) {
      current = undefined;
    }
  }
  return transcripts;
}

// The sequence of events of some lines, a run of pointer lines counted as
// one (how many there are depends on timing).
function shape(lines) {
  const events = lines.map((line) => JSON.parse(line).event ?? "(response)");
  return events.filter((event, i) => !(event === "pointer" && events[i - 1] === "pointer"));
}

const at = (at_ms, action) => ({ at_ms, ...action });
const key = (type, keycode, flags, extra = {}) => ({ action: "input", type, keycode, flags, ...extra });

// Scripted desktops that bring the lines the examples do not.
const scripted = {
  "every key event": {
    processes: { 381: "WindowServer", 77: { hex: "41ff42" } },
    windows: [{ kCGWindowNumber: 5, kCGWindowBounds: { X: "nan", Y: 0, Width: 50, Height: 50 } }],
    script: [
      at(0, key("flags_changed", 63, FN_FLAG, { source_pid: 381 })),
      at(20, key("key_down", 49, FN_FLAG)),
      at(40, key("key_down", 0, FN_FLAG, { source_pid: 77 })),
      at(60, key("flags_changed", 56, FN_FLAG | 0x20000)),
      at(80, key("right_mouse_down", 0, FN_FLAG, { x: 3.5, y: -2 })),
      at(100, key("flags_changed", 63, 0)),
      at(120, key("key_down", 53, 0)),
      at(140, { action: "secure_input", on: true }),
      at(160, key("flags_changed", 63, FN_FLAG)),
      at(180, { action: "flags", flags: 0 }),
      at(200, { action: "tap_disabled", by: "timeout" }),
      at(220, { action: "button", down: true }),
      at(240, { action: "tap_disabled", by: "user_input" }),
    ],
  },
  "no keyboard": { keyboard: "none", focus: null },
  "no window list": { windows: null, pasteboard: { types: ["org.nspasteboard.TransientType"] } },
  "refused tap": { tap: { refused: true } },
};

describe("the schema", () => {
  before(async () => {
    const examples = readdirSync(join(repoRoot, "examples")).filter((f) => f.endsWith(".json")).sort();
    assert.ok(examples.length > 0);
    for (const file of examples) {
      await session(file, JSON.parse(readFileSync(join(repoRoot, "examples", file), "utf8")));
    }
    for (const [name, desktop] of Object.entries(scripted)) await session(name, desktop);
  });

  it("holds every line of every example desktop session", () => {
    const events = new Set(gathered.map(([definition, value]) => `${definition} ${value.event}`));
    const expected = [
      "ready", "denied", "down", "up", "chord", "hands_free", "escape", "tap_reenabled", "pasted",
      "paste_failed", "context", "clipboard", "screen_focus", "screen_text",
    ].map((e) => `dictate_line ${e}`).concat(
      ["ready", "denied", "shift", "button", "key", "pointer", "tap_reenabled", "windows"]
        .map((e) => `annotate_line ${e}`));
    for (const event of expected) assert.ok(events.has(event), `no session wrote ${event}`);
  });

  it("holds every transcript of docs/protocol.md, as written and as the binary writes it", async () => {
    const transcripts = readTranscripts();
    assert.ok(transcripts.length >= 4, `only ${transcripts.length} transcripts found`);
    for (const { section, desktop, input, output } of transcripts) {
      const where = `docs/protocol.md ${section} ${desktop ?? ""}`;
      const definition = { dictate: "dictate_line", annotate: "annotate_line", inspect: "inspect_response" }[section];
      for (const line of output) check(definition, line, where);
      if (section === "inspect") for (const line of input) check("inspect_request", line, where);

      const desktopJson = desktop ? JSON.parse(readFileSync(join(repoRoot, desktop), "utf8")) : {};
      const args = { dictate: ["dictate", "--key", "fn"], annotate: ["annotate"], inspect: ["inspect"] }[section];
      const env = new Desktop(desktopJson);
      try {
        const ran = await run(args, env.env, input.map((line) => `${line}\n`).join(""),
                              section === "inspect" ? 0 : scriptEnd(desktopJson) + 300);
        assert.equal(ran.code, 0, where);
        for (const line of ran.lines) check(definition, line, `${where} (run)`);
        assert.deepEqual(shape(ran.lines), shape(output), where);
      } finally {
        env.dispose();
      }
    }
  });

  it("holds inspect's requests and responses", async () => {
    const requests = [
      "{}", '{"pids":[1,2],"points":[[10,20],[10,20]],"screen":true}',
      '{"windows":[18446744073709551615],"files":["C:\\\\con"],"pids":[0,4294967295],"points":[[-2147483648,2147483647]]}',
    ];
    for (const request of requests) {
      check("inspect_request", request, "inspect request");
      const { code, lines } = await run(["inspect"], {}, request, 0);
      assert.equal(code, 0);
      assert.equal(lines.length, 1);
      check("inspect_response", lines[0], `inspect ${request}`);
    }
  });

  it("refuses every line with one member misspelt, dropped or wrongly typed", () => {
    assert.ok(gathered.length > 100);
    let tried = 0;
    for (const [definition, value, where] of gathered) {
      const validate = validators[definition];
      for (const member of Object.keys(value)) {
        for (const misspelt of [`${member}s`, member.toUpperCase(), member.slice(1), member.replace("_", "-")]) {
          if (misspelt === member || misspelt === "") continue;
          const { [member]: moved, ...rest } = value;
          const wrong = { ...rest, [misspelt]: moved };
          assert.equal(validate(wrong), false, `${where}: ${JSON.stringify(wrong)} passed`);
          tried++;
        }
        if (!["id", "source", "secure"].includes(member)) {
          // Every member but these optional ones is present whenever its line is.
          const { [member]: dropped, ...rest } = value;
          if (!(definition === "inspect_request")) {
            assert.equal(validate(rest), false, `${where}: without ${member}: ${JSON.stringify(rest)}`);
          }
        }
        // No member of any line is a plain object.
        const wrongType = { ...value, [member]: { wrong: true } };
        assert.equal(validate(wrongType), false, `${where}: ${JSON.stringify(wrongType)}`);
      }
      if (value.event !== undefined) {
        assert.equal(validate({ ...value, event: `${value.event}x` }), false);
      }
    }
    assert.ok(tried > 500, `only ${tried} misspellings tried`);
  });

  it("has a root that takes exactly the lines of the four definitions", () => {
    assert.deepEqual(schema.anyOf.map((alternative) => alternative.$ref),
      ["dictate_line", "annotate_line", "inspect_request", "inspect_response"].map((name) => `#/$defs/${name}`));
    for (const wrong of [[], "ready", { event: "readyx" }, { pids: [-1] }, { points: [[1, 2, 3]] }, { points: [[1]] }]) {
      assert.equal(validateAny(wrong), false, JSON.stringify(wrong));
    }
  });

  it("names exactly the definitions other tools refer to", () => {
    for (const name of ["dictate_line", "annotate_line", "inspect_request", "inspect_response"]) {
      assert.equal(typeof validators[name], "function", name);
    }
    // Every object definition is closed.
    const open = [];
    const walk = (node, path) => {
      if (node === null || typeof node !== "object") return;
      if (node.type === "object" && node.additionalProperties !== false) open.push(path);
      for (const [k, v] of Object.entries(node)) walk(v, `${path}/${k}`);
    };
    walk(schema, "#");
    assert.deepEqual(open, []);
  });
});
