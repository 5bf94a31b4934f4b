// The dictate mode: push-to-talk key events as typed events, and commands
// whose replies are matched to requests by the ids this client gives them.

import { type CallOptions } from "./call-options.js";
import { invalidArgument } from "./errors.js";
import type { ParsedLine } from "./lines.js";
import { checkSessionOptions, Session, type SessionOptions } from "./session.js";
import type {
  AppAccessibilityReply,
  ChordEvent,
  ClipboardReply,
  ContextReply,
  DictateLine,
  DictateReply,
  DownEvent,
  EscapeEvent,
  HandsFreeEvent,
  HotkeyName,
  PasteReply,
  ScreenFocusReply,
  ScreenTextReply,
  TapReenabledEvent,
  UpEvent,
} from "./types.js";

export interface DictateOptions extends SessionOptions {
  /** The hotkey to watch. */
  key: HotkeyName;
}

/** Options of appAccessibility(). */
export interface AppAccessibilityOptions extends CallOptions {
  /**
   * Set AXEnhancedUserInterface (what browsers listen to) instead of
   * AXManualAccessibility (what Electron applications listen to).
   */
  enhanced?: boolean;
}

/** The events of a dictate session and their listeners. */
export interface DictateEvents {
  down: (event: DownEvent) => void;
  up: (event: UpEvent) => void;
  chord: (event: ChordEvent) => void;
  hands_free: (event: HandsFreeEvent) => void;
  escape: (event: EscapeEvent) => void;
  tap_reenabled: (event: TapReenabledEvent) => void;
  /**
   * Accessibility was taken away from the host application during the
   * session: the helper ends with status 3 next ('exit' follows).
   */
  denied: () => void;
  /** Every line, key events and replies alike, "ready" first. */
  line: (line: DictateLine) => void;
  /** A line that is not a JSON object with an "event" (or one cut short). */
  invalid_line: (text: string) => void;
  /** The helper ended: its exit status, or the signal that ended it. */
  exit: (code: number | null, signal: NodeJS.Signals | null) => void;
}

const KEY_EVENTS = new Set(["down", "up", "chord", "hands_free", "escape", "tap_reenabled"]);

export interface Dictate {
  on<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  once<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  off<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  addListener<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  removeListener<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  prependListener<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  emit<E extends keyof DictateEvents>(event: E, ...args: Parameters<DictateEvents[E]>): boolean;
}

export class Dictate extends Session {
  private nextId = 1;

  /** Use startDictate(). */
  private constructor(options: DictateOptions) {
    // Without a key (from plain JavaScript) the helper answers with its usage.
    super(options.key === undefined ? ["dictate"] : ["dictate", "--key", options.key], options,
          "accessibility");
  }

  /** @internal */
  static async start(options: DictateOptions): Promise<Dictate> {
    const session = new Dictate(options);
    await session.waitReady(options);
    return session;
  }

  /** Presses Command+V in the frontmost application (the text is on the pasteboard). */
  paste(options?: CallOptions): Promise<PasteReply> {
    return this.send("paste", undefined, options) as Promise<PasteReply>;
  }

  /** Describes the focused field and the character before the caret. */
  context(options?: CallOptions): Promise<ContextReply> {
    return this.send("context", undefined, options) as Promise<ContextReply>;
  }

  /** Whether the pasteboard holds data marked transient or concealed. */
  clipboard(options?: CallOptions): Promise<ClipboardReply> {
    return this.send("clipboard", undefined, options) as Promise<ClipboardReply>;
  }

  /** The frontmost application, its window and the focused element. */
  screenFocus(options?: CallOptions): Promise<ScreenFocusReply> {
    return this.send("screen_focus", undefined, options) as Promise<ScreenFocusReply>;
  }

  /**
   * The text around the field that the last screenFocus() reported, when it
   * still has the focus and belongs to `pid`; once per report.
   */
  screenText(pid: number, options?: CallOptions): Promise<ScreenTextReply> {
    checkPid(pid);
    return this.send("screen_text", String(pid), options) as Promise<ScreenTextReply>;
  }

  /**
   * Asks the application `pid` to build its accessibility tree (Electron
   * applications and browsers build it only for assistive tools). Once per
   * application launch, off the dictation hot path; `enhanced` for browsers.
   */
  appAccessibility(pid: number, options: AppAccessibilityOptions = {}): Promise<AppAccessibilityReply> {
    checkPid(pid);
    const enhanced = options.enhanced;
    if (enhanced !== undefined && typeof enhanced !== "boolean") {
      throw invalidArgument("options.enhanced", enhanced, "must be a boolean");
    }
    return this.send("app_accessibility", enhanced === true ? `${pid} enhanced` : String(pid),
                     options) as Promise<AppAccessibilityReply>;
  }

  /**
   * Sends any command word (and its argument) with a fresh request id and
   * resolves with the reply that carries that id. A word the helper does
   * not know gets no reply: it rejects with HelperTimeoutError. A word with
   * white space, or an argument with a line break, throws TypeError.
   */
  send(word: string, argument?: string, options?: CallOptions): Promise<DictateReply> {
    if (typeof word !== "string" || !/^[^\s]+$/u.test(word)) {
      throw invalidArgument("word", word, "must be one command word without white space");
    }
    if (argument !== undefined && (typeof argument !== "string" || /[\n\r]/u.test(argument))) {
      throw invalidArgument("argument", argument, "must be a string without line breaks");
    }
    const command = argument === undefined ? word : `${word} ${argument}`;
    return this.request(this.nextId++, command, options) as Promise<unknown> as Promise<DictateReply>;
  }

  protected deliver(line: ParsedLine): void {
    const event = line.event as string;
    if (KEY_EVENTS.has(event)) {
      this.emitSafely(event, line);
    } else if (event === "denied") {
      this.emitSafely("denied");
    } else if (typeof line.id === "number") {
      this.replies.answer(line.id, line);
    }
  }
}

function checkPid(pid: number): void {
  if (typeof pid !== "number") throw invalidArgument("pid", pid, "must be a number");
  if (!Number.isSafeInteger(pid) || pid < 0) {
    throw invalidArgument("pid", pid, "must be a process id (an integer from 0 up)", true);
  }
}

/**
 * Starts `dictate --key <key>`; resolves when the helper says "ready".
 * Throws at once (TypeError, RangeError) for options that cannot be right.
 */
export function startDictate(options: DictateOptions): Promise<Dictate> {
  return Dictate.start(checkSessionOptions(options));
}
