// The dictate mode: push-to-talk key events as typed events, and commands
// whose replies are matched to requests by the ids this client gives them.

import { HelperClosedError, HelperError, HelperTimeoutError } from "./errors.js";
import type { ParsedLine } from "./lines.js";
import { endError, Session, type SessionOptions } from "./session.js";
import type {
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

/** The events of a dictate session and their listeners. */
export interface DictateEvents {
  down: (event: DownEvent) => void;
  up: (event: UpEvent) => void;
  chord: (event: ChordEvent) => void;
  hands_free: (event: HandsFreeEvent) => void;
  escape: (event: EscapeEvent) => void;
  tap_reenabled: (event: TapReenabledEvent) => void;
  /** Input monitoring was withdrawn; the helper ends with status 3 next. */
  denied: () => void;
  /** Every line, key events and replies alike, after "ready". */
  line: (line: DictateLine) => void;
  /** A line that is not a JSON object with an "event" (or one cut short). */
  invalid_line: (text: string) => void;
  /** The helper ended: its exit status, or the signal that ended it. */
  exit: (code: number | null, signal: NodeJS.Signals | null) => void;
}

const KEY_EVENTS = new Set(["down", "up", "chord", "hands_free", "escape", "tap_reenabled"]);

interface Pending {
  command: string;
  resolve: (reply: DictateReply) => void;
  reject: (error: HelperError) => void;
  timer: NodeJS.Timeout;
}

export interface Dictate {
  on<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  once<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  off<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  addListener<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  removeListener<E extends keyof DictateEvents>(event: E, listener: DictateEvents[E]): this;
  emit<E extends keyof DictateEvents>(event: E, ...args: Parameters<DictateEvents[E]>): boolean;
}

export class Dictate extends Session {
  private nextId = 1;
  private readonly pending = new Map<number, Pending>();

  /** Use startDictate(). */
  private constructor(options: DictateOptions) {
    // Without a key (from plain JavaScript) the helper answers with its usage.
    super(options.key === undefined ? ["dictate"] : ["dictate", "--key", options.key], options);
  }

  /** @internal */
  static async start(options: DictateOptions): Promise<Dictate> {
    const session = new Dictate(options);
    await session.waitReady(options);
    return session;
  }

  /** Presses Command+V in the frontmost application (the text is on the pasteboard). */
  paste(): Promise<PasteReply> {
    return this.send("paste") as Promise<PasteReply>;
  }

  /** Describes the focused field and the character before the caret. */
  context(): Promise<ContextReply> {
    return this.send("context") as Promise<ContextReply>;
  }

  /** Whether the pasteboard holds data marked transient or concealed. */
  clipboard(): Promise<ClipboardReply> {
    return this.send("clipboard") as Promise<ClipboardReply>;
  }

  /** The frontmost application, its window and the focused element. */
  screenFocus(): Promise<ScreenFocusReply> {
    return this.send("screen_focus") as Promise<ScreenFocusReply>;
  }

  /**
   * The text around the field that the last screenFocus() reported, when it
   * still has the focus and belongs to `pid`; once per report.
   */
  screenText(pid: number): Promise<ScreenTextReply> {
    return this.send("screen_text", String(pid)) as Promise<ScreenTextReply>;
  }

  /**
   * Sends any command word (and its argument) with a fresh request id and
   * resolves with the reply that carries that id. A command the helper does
   * not answer (an unknown word) rejects with HelperTimeoutError.
   */
  send(word: string, argument?: string): Promise<DictateReply> {
    const command = argument === undefined ? word : `${word} ${argument}`;
    if (!/^[^\s]+$/u.test(word) || /[\n\r]/u.test(command)) {
      return Promise.reject(new TypeError(`not a command line: ${JSON.stringify(command)}`));
    }
    const end = this.helper.exited;
    if (end !== undefined) return Promise.reject(endError(end, false));
    const id = this.nextId++;
    return new Promise<DictateReply>((resolve, reject) => {
      if (!this.helper.write(`${id} ${command}\n`)) {
        reject(new HelperClosedError(command));
        return;
      }
      const timer = setTimeout(() => {
        this.pending.delete(id);
        reject(new HelperTimeoutError(command, this.timeoutMs));
      }, this.timeoutMs);
      this.pending.set(id, { command, resolve, reject, timer });
    });
  }

  /** Requests sent and not yet answered. */
  get pendingCount(): number {
    return this.pending.size;
  }

  protected deliver(line: ParsedLine): void {
    const event = line.event as string;
    if (typeof line.id === "number" && !KEY_EVENTS.has(event)) {
      const waiting = this.pending.get(line.id);
      if (waiting) {
        this.pending.delete(line.id);
        clearTimeout(waiting.timer);
        waiting.resolve(line as unknown as DictateReply);
      }
      return;
    }
    if (KEY_EVENTS.has(event)) {
      (this.emit as (name: string, value: unknown) => boolean)(event, line);
    } else if (event === "denied") {
      this.emit("denied");
    }
  }

  protected failPending(error: HelperError): void {
    for (const waiting of this.pending.values()) {
      clearTimeout(waiting.timer);
      waiting.reject(error);
    }
    this.pending.clear();
  }
}

/** Starts `dictate --key <key>`; resolves when the helper says "ready". */
export function startDictate(options: DictateOptions): Promise<Dictate> {
  return Dictate.start(options);
}
