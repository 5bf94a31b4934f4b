// The annotate mode: the shift gesture, the left button, key presses and the
// tracked pointer as typed events; the window list on request. Annotate
// answers in order and without ids: each "windows" line answers the oldest
// request still queued.

import { type CallOptions } from "./call-options.js";
import type { ParsedLine } from "./lines.js";
import { checkSessionOptions, Session, type SessionOptions } from "./session.js";
import type {
  AnnotateLine,
  AnnotateTapReenabledEvent,
  ButtonEvent,
  KeyPressEvent,
  PointerEvent,
  ShiftEvent,
  WindowRecord,
  WindowsReply,
} from "./types.js";

export type AnnotateOptions = SessionOptions;

/**
 * The events of an annotate session. There is no 'denied' after the start:
 * when Input Monitoring is taken away mid-session the events simply stop.
 */
export interface AnnotateEvents {
  key: (event: KeyPressEvent) => void;
  shift: (event: ShiftEvent) => void;
  button: (event: ButtonEvent) => void;
  pointer: (event: PointerEvent) => void;
  tap_reenabled: (event: AnnotateTapReenabledEvent) => void;
  line: (line: AnnotateLine) => void;
  invalid_line: (text: string) => void;
  exit: (code: number | null, signal: NodeJS.Signals | null) => void;
}

const EVENTS = new Set(["key", "shift", "button", "pointer", "tap_reenabled"]);

export interface Annotate {
  on<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  once<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  off<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  addListener<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  removeListener<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  prependListener<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  emit<E extends keyof AnnotateEvents>(event: E, ...args: Parameters<AnnotateEvents[E]>): boolean;
}

export class Annotate extends Session {
  /** Use startAnnotate(). */
  private constructor(options: AnnotateOptions) {
    super(["annotate"], options, "input_monitoring");
  }

  /** @internal */
  static async start(options: AnnotateOptions): Promise<Annotate> {
    const session = new Annotate(options);
    await session.waitReady(options);
    return session;
  }

  /** The whole "windows" reply, with its time "t". */
  windowsReply(options?: CallOptions): Promise<WindowsReply> {
    return this.request(undefined, "windows", options) as Promise<unknown> as Promise<WindowsReply>;
  }

  /** The on-screen windows, front to back (at most 64). */
  async windows(options?: CallOptions): Promise<WindowRecord[]> {
    return (await this.windowsReply(options)).windows;
  }

  protected deliver(line: ParsedLine): void {
    const event = line.event as string;
    if (event === "windows") {
      this.replies.answer(undefined, line);
    } else if (EVENTS.has(event)) {
      this.emitSafely(event, line);
    }
  }
}

/**
 * Starts `annotate`; resolves when the helper says "ready".
 * Throws at once (TypeError, RangeError) for options that cannot be right.
 */
export function startAnnotate(options: AnnotateOptions = {}): Promise<Annotate> {
  return Annotate.start(checkSessionOptions(options));
}
