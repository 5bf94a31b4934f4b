// The lines the helper writes and the request inspect reads, as TypeScript
// types. They follow protocol/helper.schema.json member for member: a member
// marked optional here is one the helper leaves out in some lines.

/** The hotkey words `dictate --key` accepts. */
export type HotkeyName =
  | "fn_or_control_option"
  | "fn"
  | "right_option"
  | "right_command"
  | "right_control"
  | "control_windows"
  | "right_alt";

/** Modifier flags as the helper writes them: "0x" and lower-case hex. */
export type ModifierFlags = string;

// ---- dictate: start and key events ----------------------------------------

export interface ReadyLine {
  event: "ready";
}

/**
 * The system refused the event tap (dictate: no Accessibility; annotate: no
 * Input Monitoring); the helper exits with status 3. Dictate also writes it
 * after "ready" when Accessibility is taken away; annotate never does.
 */
export interface DeniedLine {
  event: "denied";
}

/** Members every key event carries (the "key payload"). */
interface KeyPayload {
  flags: ModifierFlags;
  /** The process that posted the event. */
  source_pid: number;
  /** That process's name, when it can be read. */
  source?: string;
}

/** Key payload of a modifier key: it names the key code. */
interface ModifierKeyPayload extends KeyPayload {
  kind: "flags_changed";
  keycode: number;
}

export interface DownEvent extends ModifierKeyPayload {
  event: "down";
  /** Present (and true) when secure keyboard entry was on at the press. */
  secure?: true;
}

export interface UpKeyEvent extends ModifierKeyPayload {
  event: "up";
  cause: "key_event";
}

/** The hotkey was found released when the tap was switched on again. */
export interface UpTapReenabledEvent {
  event: "up";
  cause: "tap_reenabled";
  disabled_by: "timeout" | "user_input";
  flags: ModifierFlags;
}

export type UpEvent = UpKeyEvent | UpTapReenabledEvent;

export type ChordEvent =
  | (ModifierKeyPayload & { event: "chord" })
  | (KeyPayload & { event: "chord"; kind: "key_down" | "mouse_down" });

export interface HandsFreeEvent extends KeyPayload {
  event: "hands_free";
  kind: "key_down";
}

export interface EscapeEvent extends KeyPayload {
  event: "escape";
  kind: "key_down";
}

export interface TapReenabledEvent {
  event: "tap_reenabled";
  disabled_by: "timeout" | "user_input";
  flags: ModifierFlags;
}

export type KeyEvent =
  | DownEvent
  | UpEvent
  | ChordEvent
  | HandsFreeEvent
  | EscapeEvent
  | TapReenabledEvent;

// ---- dictate: command replies ----------------------------------------------

/** Every reply carries the request id the command was sent with. */
interface Reply {
  id?: number;
}

export interface PastedReply extends Reply {
  event: "pasted";
}

export interface PasteUnconfirmedReply extends Reply {
  event: "paste_unconfirmed";
}

export type PasteFailureReason =
  | "bad_key"
  | "action_failed"
  | "unsupported_platform"
  | "bad_text";

export interface PasteFailedReply extends Reply {
  event: "paste_failed";
  reason: PasteFailureReason;
}

export type PasteReply = PastedReply | PasteUnconfirmedReply | PasteFailedReply;

export type ContextReply =
  | (Reply & { event: "context"; focused: false })
  | (Reply & {
      event: "context";
      focused: true;
      text_field: boolean;
      secure: boolean;
      /** The UTF-16 unit before the caret, or null. */
      before: string | null;
    });

export interface ClipboardReply extends Reply {
  event: "clipboard";
  /** Whether the pasteboard offers a transient or concealed type. */
  sensitive: boolean;
}

export interface ScreenFocusReport extends Reply {
  event: "screen_focus";
  focused: true;
  complete: boolean;
  pid: number;
  bundle_id: string | null;
  app: string | null;
  category: string | null;
  window_title: string | null;
  role: string | null;
  subrole: string | null;
  secure: boolean;
  labels: string[];
}

export type ScreenFocusReply =
  | (Reply & { event: "screen_focus"; focused: false })
  | ScreenFocusReport;

export interface ScreenTextReport extends Reply {
  event: "screen_text";
  before: string | null;
  text: string;
}

/** A refused report has no members: the host cannot tell why, by design. */
export type ScreenTextReply = (Reply & { event: "screen_text" } & {
  before?: undefined;
  text?: undefined;
}) | ScreenTextReport;

/** What app_accessibility did; see docs/protocol.md. */
export type AppAccessibilityResult =
  | "enabled"
  | "already"
  | "unconfirmed"
  | "no_app"
  | "failed"
  | "bad_argument";

export interface AppAccessibilityReply extends Reply {
  event: "app_accessibility";
  result: AppAccessibilityResult;
}

export type DictateReply =
  | PasteReply
  | AppAccessibilityReply
  | ContextReply
  | ClipboardReply
  | ScreenFocusReply
  | ScreenTextReply;

/** Every line dictate writes. */
export type DictateLine = ReadyLine | DeniedLine | KeyEvent | DictateReply;

// ---- annotate ---------------------------------------------------------------

/** Wall-clock milliseconds since 1970-01-01 UTC (0 before it). */
export type Timestamp = number;

export interface ShiftEvent {
  event: "shift";
  held: boolean;
  alone: boolean;
  x: number;
  y: number;
  t: Timestamp;
}

export interface ButtonEvent {
  event: "button";
  state: "down" | "up";
  x: number;
  y: number;
  t: Timestamp;
}

export interface KeyPressEvent {
  event: "key";
  t: Timestamp;
}

export interface PointerEvent {
  event: "pointer";
  x: number;
  y: number;
  t: Timestamp;
}

export interface AnnotateTapReenabledEvent {
  event: "tap_reenabled";
}

/**
 * A window number: 64 bits, read exactly. A number up to
 * Number.MAX_SAFE_INTEGER, a bigint above it; inspect() takes either.
 */
export type WindowNumber = number | bigint;

/** One on-screen window; a bound is null when it is not a finite number. */
export interface WindowRecord {
  id: WindowNumber | null;
  pid: number | null;
  app: string | null;
  x: number | null;
  y: number | null;
  width: number | null;
  height: number | null;
}

export interface WindowsReply {
  event: "windows";
  t: Timestamp;
  windows: WindowRecord[];
}

/** Every line annotate writes. */
export type AnnotateLine =
  | ReadyLine
  | DeniedLine
  | ShiftEvent
  | ButtonEvent
  | KeyPressEvent
  | PointerEvent
  | AnnotateTapReenabledEvent
  | WindowsReply;

// ---- inspect ----------------------------------------------------------------

/**
 * What inspect reads. Integers must be whole numbers; window numbers beyond
 * Number.MAX_SAFE_INTEGER are given as bigint (as windows() gives them).
 */
export interface InspectRequest {
  pids?: readonly (number | bigint)[];
  windows?: readonly WindowNumber[];
  files?: readonly string[];
  screen?: boolean;
  points?: readonly (readonly [number, number])[];
}

/** This build's lookups find nothing: empty lists, null points, null screen. */
export interface InspectResponse {
  files: never[];
  points: null[];
  processes: never[];
  screen: null;
  windows: never[];
}
