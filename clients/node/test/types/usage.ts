// Compiled with `tsc --noEmit --strict`, never run: it uses every public name
// of the package as a host would, and every `@ts-expect-error` line must be
// an error, so a member that is misspelt or mistyped in the declarations
// fails the build.
import {
  Annotate, Dictate, HelperClosedError, HelperDeniedError, HelperError, HelperExitError,
  HelperSpawnError, HelperTimeoutError, helperPath, inspect, inspectRequestText, resolveBinary,
  startAnnotate, startDictate,
  type AppAccessibilityOptions, type AppAccessibilityReply, type AppAccessibilityResult,
  type CallOptions, type HelperErrorCode, type HelperPermission, type WindowNumber,
  type AnnotateEvents, type AnnotateLine, type AnnotateOptions, type ButtonEvent, type ChordEvent,
  type ClipboardReply, type ContextReply, type DictateEvents, type DictateLine, type DictateOptions,
  type DictateReply, type DownEvent, type EscapeEvent, type HandsFreeEvent, type HelperOptions,
  type HotkeyName, type InspectOptions, type InspectRequest, type InspectResponse,
  type KeyEvent, type KeyPressEvent, type PasteReply, type PointerEvent, type ScreenFocusReply,
  type ScreenTextReply, type SessionOptions, type ShiftEvent, type TapReenabledEvent,
  type UpEvent, type WindowRecord, type WindowsReply, type ModifierFlags, type ReadyLine,
  type DeniedLine, type UpKeyEvent, type UpTapReenabledEvent, type PastedReply,
  type PasteUnconfirmedReply, type PasteFailureReason, type PasteFailedReply,
  type ScreenFocusReport, type ScreenTextReport, type Timestamp, type AnnotateTapReenabledEvent,
} from "quorvel-computer-helper";

// Each line type is the member of its union that its "event" picks.
type Pick<U, E> = Extract<U, { event: E }>;
export const lines: [
  Pick<DictateLine, "ready">, Pick<DictateLine, "denied">, Pick<UpEvent, "up">,
  Pick<DictateReply, "pasted">, Pick<DictateReply, "paste_unconfirmed">,
  Pick<AnnotateLine, "tap_reenabled">,
] = [
  { event: "ready" } satisfies ReadyLine, { event: "denied" } satisfies DeniedLine,
  { event: "up", cause: "key_event", kind: "flags_changed", flags: "0x0" satisfies ModifierFlags,
    keycode: 63, source_pid: 1 } satisfies UpKeyEvent,
  { event: "pasted", id: 1 } satisfies PastedReply, { event: "paste_unconfirmed" } satisfies PasteUnconfirmedReply,
  { event: "tap_reenabled" } satisfies AnnotateTapReenabledEvent,
];
export const reenabled: UpTapReenabledEvent = { event: "up", cause: "tap_reenabled", disabled_by: "timeout", flags: "0x100" };
// @ts-expect-error a re-enable names no key
export const wrongUp: UpTapReenabledEvent = { ...reenabled, keycode: 63 };
export const failed: PasteFailedReply = { event: "paste_failed", reason: "bad_key" satisfies PasteFailureReason };
// @ts-expect-error not a reason the helper gives
export const badReason: PasteFailedReply = { event: "paste_failed", reason: "no_key" };
export function report(focus: ScreenFocusReport, text: ScreenTextReport, t: Timestamp): string {
  return `${focus.pid} ${focus.window_title ?? ""} ${text.before ?? ""} ${text.text} ${t}`;
}

export async function host(): Promise<void> {
  const key: HotkeyName = "right_option";
  const options: DictateOptions = {
    key, binary: "helper", env: { QUORVEL_DESKTOP: "d.json" }, timeoutMs: 100, signal: AbortSignal.timeout(1000),
  };
  const base: SessionOptions & HelperOptions = { readyTimeoutMs: 5 };
  const d: Dictate = await startDictate({ ...base, ...options });
  const pid: number = d.pid;
  d.on("down", (e: DownEvent) => {
    const code: number = e.keycode;
    const secure: true | undefined = e.secure;
    void code; void secure;
  });
  d.on("up", (e: UpEvent) => {
    if (e.cause === "tap_reenabled") {
      const by: "timeout" | "user_input" = e.disabled_by;
      void by;
    } else {
      const source: string | undefined = e.source;
      void source;
    }
  });
  d.on("chord", (e: ChordEvent) => {
    if (e.kind === "flags_changed") void e.keycode;
    // @ts-expect-error only modifier chords name their key code
    else void e.keycode;
  });
  d.on("hands_free", (e: HandsFreeEvent) => void e.source_pid);
  d.on("escape", (e: EscapeEvent) => void e.flags);
  d.on("tap_reenabled", (e: TapReenabledEvent) => void e.disabled_by);
  d.on("denied", () => undefined);
  d.on("line", (line: DictateLine) => {
    const k: KeyEvent | DictateReply | DictateLine = line;
    void k;
  });
  d.once("exit", (code: number | null, signal: NodeJS.Signals | null) => void [code, signal]);
  d.off("invalid_line", (text: string) => void text);
  // @ts-expect-error no such event
  d.on("pressed", () => undefined);
  // @ts-expect-error a down event is not a number
  d.on("down", (e: number) => void e);

  const paste: PasteReply = await d.paste();
  if (paste.event === "paste_failed") {
    const reason: "bad_key" | "action_failed" | "unsupported_platform" | "bad_text" = paste.reason;
    void reason;
  }
  const context: ContextReply = await d.context();
  if (context.focused) {
    const before: string | null = context.before;
    const field: boolean = context.text_field;
    void before; void field;
  }
  // @ts-expect-error an unfocused context has no text_field
  if (!context.focused) void context.text_field;
  const clip: ClipboardReply = await d.clipboard();
  const sensitive: boolean = clip.sensitive;
  // @ts-expect-error misspelt member
  void clip.sensitve;
  const focus: ScreenFocusReply = await d.screenFocus();
  if (focus.focused) {
    const labels: string[] = focus.labels;
    const app: string | null = focus.app;
    void labels; void app;
  }
  const text: ScreenTextReply = await d.screenText(pid);
  if (text.text !== undefined) {
    const nearby: string = text.text;
    void nearby;
  }
  const any: DictateReply = await d.send("clipboard", undefined, { timeoutMs: 5 });
  const id: number | undefined = any.id;
  const call: CallOptions = { timeoutMs: Infinity, signal: AbortSignal.timeout(100) };
  await d.paste(call);
  await d.context(call);
  await d.screenFocus({ signal: new AbortController().signal });
  const accessOptions: AppAccessibilityOptions = { enhanced: true, ...call };
  const access: AppAccessibilityReply = await d.appAccessibility(pid, accessOptions);
  const result: AppAccessibilityResult = access.result;
  // @ts-expect-error not a result the helper gives
  const wrongResult: AppAccessibilityReply["result"] = "granted";
  void [result, wrongResult];
  // @ts-expect-error enhanced is a boolean
  await d.appAccessibility(pid, { enhanced: "yes" });
  const path: string = helperPath({ env: { QUORVEL_HELPER: undefined } });
  void path;
  // @ts-expect-error screenText needs the process id
  await d.screenText();
  const status: number | null = await d.close(1000);
  d.kill("SIGKILL");
  const closed: boolean = d.closed;
  const pending: number = d.pendingCount;
  void [sensitive, id, status, closed, pending];
  // @ts-expect-error not a hotkey
  await startDictate({ key: "caps_lock" });

  const annotateOptions: AnnotateOptions = {};
  const a: Annotate = await startAnnotate(annotateOptions);
  await startAnnotate();
  a.on("shift", (e: ShiftEvent) => void [e.held, e.alone, e.x, e.y, e.t]);
  a.on("button", (e: ButtonEvent) => void (e.state === "down"));
  a.on("pointer", (e: PointerEvent) => void e.x);
  a.on("key", (e: KeyPressEvent) => void e.t);
  a.on("tap_reenabled", () => undefined);
  a.on("line", (line: AnnotateLine) => void line.event);
  // @ts-expect-error annotate writes no "denied" after "ready": the events just stop
  a.on("denied", () => undefined);
  // @ts-expect-error annotate has no down event
  a.on("down", () => undefined);
  const windows: WindowRecord[] = await a.windows({ timeoutMs: Infinity });
  const first: number | null | undefined = windows[0]?.width;
  const windowId: WindowNumber | null | undefined = windows[0]?.id;
  // @ts-expect-error a window number may be a bigint
  const rounded: number | null | undefined = windows[0]?.id;
  if (windowId != null) await inspect({ windows: [windowId] });
  void rounded;
  const reply: WindowsReply = await a.windowsReply();
  void [first, reply.t];
  await a.close();

  const events: [keyof DictateEvents, keyof AnnotateEvents] = ["escape", "pointer"];
  const request: InspectRequest = { pids: [1], windows: [2n], files: ["/"], screen: true, points: [[1, 2]] };
  const inspectOptions: InspectOptions = { binary: resolveBinary({}), timeoutMs: 10, signal: AbortSignal.abort() };
  const response: InspectResponse = await inspect(request, inspectOptions);
  const points: null[] = response.points;
  // @ts-expect-error a point is a pair
  await inspect({ points: [[1, 2, 3]] });
  // @ts-expect-error misspelt request member
  await inspect({ pid: [1] });
  const text2: string = inspectRequestText(request);
  void [events, points, text2];

  try {
    await startDictate({ key: "fn" });
  } catch (error) {
    if (error instanceof HelperDeniedError) {
      const permission: HelperPermission = error.permission;
      const status: number | null = error.exitCode;
      void [permission, status];
    } else if (error instanceof HelperExitError) {
      void [error.exitCode, error.signal, error.stderr];
    } else if (error instanceof HelperTimeoutError) void [error.command, error.timeoutMs];
    else if (error instanceof HelperSpawnError) {
      const code: string = error.code;
      const errno: number | undefined = error.errno;
      void [error.binary, code, errno, error.syscall, error.cause.code];
    } else if (error instanceof HelperClosedError) void error.command;
    else if (error instanceof HelperError) {
      const code: string = error.code;
      const stable: HelperErrorCode | string = code;
      void stable;
    }
  }
}
