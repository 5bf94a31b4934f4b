// The annotate mode: the shift gesture, the left button, key presses and the
// tracked pointer as typed events; the window list on request. Annotate
// answers in order and without ids, so requests wait in a queue.

import { HelperClosedError, HelperError, HelperTimeoutError } from "./errors.js";
import type { ParsedLine } from "./lines.js";
import { endError, Session, type SessionOptions } from "./session.js";
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

export interface AnnotateEvents {
  key: (event: KeyPressEvent) => void;
  shift: (event: ShiftEvent) => void;
  button: (event: ButtonEvent) => void;
  pointer: (event: PointerEvent) => void;
  tap_reenabled: (event: AnnotateTapReenabledEvent) => void;
  /** Input monitoring was withdrawn; the helper ends with status 3 next. */
  denied: () => void;
  line: (line: AnnotateLine) => void;
  invalid_line: (text: string) => void;
  exit: (code: number | null, signal: NodeJS.Signals | null) => void;
}

const EVENTS = new Set(["key", "shift", "button", "pointer", "tap_reenabled"]);

interface Waiting {
  // Undefined once the request timed out: its late reply is still consumed,
  // so that the next reply goes to the next request.
  resolve: ((reply: WindowsReply) => void) | undefined;
  reject: (error: HelperError) => void;
  timer: NodeJS.Timeout;
}

export interface Annotate {
  on<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  once<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  off<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  addListener<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  removeListener<E extends keyof AnnotateEvents>(event: E, listener: AnnotateEvents[E]): this;
  emit<E extends keyof AnnotateEvents>(event: E, ...args: Parameters<AnnotateEvents[E]>): boolean;
}

export class Annotate extends Session {
  private readonly queue: Waiting[] = [];

  /** Use startAnnotate(). */
  private constructor(options: AnnotateOptions) {
    super(["annotate"], options);
  }

  /** @internal */
  static async start(options: AnnotateOptions): Promise<Annotate> {
    const session = new Annotate(options);
    await session.waitReady(options);
    return session;
  }

  /** The whole "windows" reply, with its time "t". */
  windowsReply(): Promise<WindowsReply> {
    if (this.helper.exited !== undefined) {
      return Promise.reject(endError(this.helper.exited, false));
    }
    return new Promise<WindowsReply>((resolve, reject) => {
      if (!this.helper.write("windows\n")) {
        reject(new HelperClosedError("windows"));
        return;
      }
      const waiting: Waiting = {
        resolve,
        reject,
        timer: setTimeout(() => {
          waiting.resolve = undefined;
          reject(new HelperTimeoutError("windows", this.timeoutMs));
        }, this.timeoutMs),
      };
      this.queue.push(waiting);
    });
  }

  /** The on-screen windows, front to back (at most 64). */
  async windows(): Promise<WindowRecord[]> {
    return (await this.windowsReply()).windows;
  }

  protected deliver(line: ParsedLine): void {
    const event = line.event as string;
    if (event === "windows") {
      const waiting = this.queue.shift();
      if (waiting) {
        clearTimeout(waiting.timer);
        waiting.resolve?.(line as unknown as WindowsReply);
      }
    } else if (EVENTS.has(event)) {
      (this.emit as (name: string, value: unknown) => boolean)(event, line);
    } else if (event === "denied") {
      this.emit("denied");
    }
  }

  protected failPending(error: HelperError): void {
    for (const waiting of this.queue.splice(0)) {
      clearTimeout(waiting.timer);
      if (waiting.resolve) waiting.reject(error);
    }
  }
}

/** Starts `annotate`; resolves when the helper says "ready". */
export function startAnnotate(options: AnnotateOptions = {}): Promise<Annotate> {
  return Annotate.start(options);
}
