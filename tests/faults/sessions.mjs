// The sessions of the fault matrix: every mode and every command, over the
// example desktops. Each session is a desktop (an example with a script of
// its own where keys matter), the mode's arguments, the key lines to wait
// for before the commands, and the command lines (ids on every command that
// is answered).
import { readFileSync } from "node:fs";
import { join } from "node:path";

const FN = 63;
const FN_FLAG = 0x800000;
const NO_FLAGS = 0x100;
const SHIFT_KEY = 56;
const SHIFT_FLAG = 0x20000;

function example(repoRoot, name) {
  return JSON.parse(readFileSync(join(repoRoot, "examples", name), "utf8"));
}

function key(at, type, keycode, flags, pid = 381) {
  return { at_ms: at, action: "input", type, keycode, flags, source_pid: pid };
}

// fn down, space inside the hands-free window, fn up; the system turns the
// tap off; fn down and up again, then escape. A tap that runs after "ready"
// reports the first "down"; one that runs again after "tap_reenabled"
// reports the second.
const dictateScript = [
  key(150, "flags_changed", FN, FN_FLAG | NO_FLAGS),
  key(300, "key_down", 49, FN_FLAG | NO_FLAGS),
  key(360, "key_up", 49, FN_FLAG | NO_FLAGS),
  key(600, "flags_changed", FN, NO_FLAGS),
  { at_ms: 750, action: "tap_disabled", by: "timeout" },
  key(900, "flags_changed", FN, FN_FLAG | NO_FLAGS),
  key(1050, "flags_changed", FN, NO_FLAGS),
  key(1150, "key_down", 53, NO_FLAGS, 501),
];

// Shift held and let go, a click, the system turns the tap off, shift again.
const annotateScript = [
  { at_ms: 150, action: "input", type: "flags_changed", keycode: SHIFT_KEY, flags: SHIFT_FLAG, x: 10, y: 20 },
  { at_ms: 200, action: "pointer", x: 14, y: 22 },
  { at_ms: 250, action: "input", type: "left_mouse_down", x: 14, y: 22 },
  { at_ms: 300, action: "input", type: "left_mouse_up", x: 14, y: 22 },
  { at_ms: 350, action: "input", type: "flags_changed", keycode: SHIFT_KEY, flags: 0, x: 14, y: 22 },
  { at_ms: 450, action: "tap_disabled", by: "user_input" },
  { at_ms: 600, action: "input", type: "flags_changed", keycode: SHIFT_KEY, flags: SHIFT_FLAG, x: 30, y: 40 },
  { at_ms: 700, action: "input", type: "flags_changed", keycode: SHIFT_KEY, flags: 0, x: 30, y: 40 },
  { at_ms: 750, action: "input", type: "key_down", keycode: 0, flags: 0, x: 30, y: 40 },
];

// The browser page with two oddities, one per desktop: a group beside the
// reply whose visible children cannot be read (its children are then asked
// for directly), and a focused field without a role or a selection (a
// settable string value says it takes text).
function oddPage(repoRoot, oddity) {
  const desktop = example(repoRoot, "web_page.json");
  const walk = (element, f) => {
    f(element);
    for (const child of element.children ?? []) walk(child, f);
  };
  walk(desktop.applications[0].ui, (element) => {
    if (element.id === "page" && oddity === "group") {
      element.children.push({
        id: "aside",
        attributes: { AXRole: "AXGroup", AXFrame: { rect: [40, 300, 600, 40] }, AXVisibleChildren: { error: -25212 } },
        children: [{ id: "aside-text", attributes: { AXRole: "AXStaticText", AXValue: "Numbers attached below", AXFrame: { rect: [40, 300, 600, 20] } } }],
      });
    }
    if (element.id === "reply" && oddity === "roleless") {
      delete element.attributes.AXRole;
      delete element.attributes.AXSelectedTextRange;
    }
  });
  return desktop;
}

function pidOf(desktop) {
  return desktop.applications?.[0]?.pid ?? 1;
}

function dictateCommands(desktop) {
  const pid = pidOf(desktop);
  return ["1 context", "2 clipboard", "3 screen_text " + pid, "4 screen_focus", `5 screen_text ${pid}`,
    "6 paste", "7 context", `8 screen_focus`, `9 screen_text ${pid}`, '10 paste "text"', "11 copy words", "copy",
    `12 app_accessibility ${pid}`, `13 app_accessibility ${pid} enhanced`, "clipboard", "nonsense"];
}

/**
 * The sessions. Each: name, args, desktop, awaitLines (key lines to wait
 * for, in order, before the commands), commands, and tapChecks: the lines
 * after which a running tap must report a given line ([after, expected]).
 */
export function sessions(repoRoot) {
  const withScript = (name, script) => ({ ...example(repoRoot, name), script });
  const dictate = (name, desktop, extra = {}) => ({
    name, args: ["dictate", "--key", "fn"], desktop, awaitLines: [], commands: dictateCommands(desktop),
    tapChecks: [], ...extra,
  });
  const keys = withScript("dictation_demo.json", dictateScript);
  return [
    dictate("dictate_keys", keys, {
      awaitLines: ["escape"],
      tapChecks: [["ready", "down"], ["tap_reenabled", "down"]],
    }),
    dictate("dictate_editor", example(repoRoot, "editor.json")),
    dictate("dictate_composer", example(repoRoot, "composer.json")),
    dictate("dictate_web_page", example(repoRoot, "web_page.json")),
    dictate("dictate_password", example(repoRoot, "password.json")),
    dictate("dictate_dvorak", example(repoRoot, "dvorak.json")),
    dictate("dictate_hung_app", example(repoRoot, "hung_app.json")),
    dictate("dictate_chat_app", example(repoRoot, "chat_app.json")),
    dictate("dictate_page_group", oddPage(repoRoot, "group")),
    dictate("dictate_roleless_field", oddPage(repoRoot, "roleless")),
    // Accessibility withdrawn while the tap runs: "denied", status 3.
    dictate("dictate_denied", {
      ...keys,
      tap_timeout_ms: 200,
      script: [key(150, "flags_changed", FN, FN_FLAG | NO_FLAGS),
        { at_ms: 300, action: "permissions", accessibility: false }],
    }, { awaitLines: ["denied"] }),
    {
      name: "annotate",
      args: ["annotate"],
      desktop: withScript("annotate_demo.json", annotateScript),
      awaitLines: ["key"],
      commands: ["windows", "windows"],
      tapChecks: [["ready", "shift"], ["tap_reenabled", "shift"]],
    },
    {
      name: "inspect",
      args: ["inspect"],
      desktop: {},
      awaitLines: [],
      commands: [JSON.stringify({ pids: [1, 2], windows: [3], files: ["/nonexistent"], points: [[1, 2]], screen: true })],
      tapChecks: [],
    },
  ];
}
