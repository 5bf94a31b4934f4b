// What the two long-running modes share: the start up to "ready" (or
// "denied"), the delivery of lines as events, and the end. Lines that come in
// the same read as "ready" are held back until the host has had the session
// in hand (after the promise of the start has settled), so no event is
// emitted before a listener could be attached.

import { EventEmitter } from "node:events";

import { HelperDeniedError, HelperError, HelperExitError, HelperTimeoutError } from "./errors.js";
import { HelperProcess, type HelperEnd, type HelperOptions } from "./helper-process.js";
import { parseObject, type ParsedLine } from "./lines.js";

/** Options of the long-running modes. */
export interface SessionOptions extends HelperOptions {
  /** How long a command may wait for its reply. Default 2000 ms. */
  timeoutMs?: number;
  /** How long the start may wait for "ready" or "denied". Default 10000 ms. */
  readyTimeoutMs?: number;
}

export const DEFAULT_TIMEOUT_MS = 2000;
const DEFAULT_READY_TIMEOUT_MS = 10_000;
/** How long close() waits for the helper to finish before it kills it. */
const DEFAULT_CLOSE_GRACE_MS = 5000;

/** The error that an end gives to whatever still waits. */
export function endError(end: HelperEnd, denied: boolean): HelperError {
  if (end.spawnError) return end.spawnError;
  if (denied || end.code === 3) return new HelperDeniedError(end.code, end.signal, end.stderr);
  return new HelperExitError(end.code, end.signal, end.stderr);
}

export abstract class Session extends EventEmitter {
  protected readonly helper: HelperProcess;
  protected readonly timeoutMs: number;
  private started = false;
  private held: ParsedLine[] | undefined = [];
  private deniedSeen = false;
  private startWaiter: ((error?: HelperError) => void) | undefined;

  protected constructor(args: readonly string[], options: SessionOptions) {
    super();
    this.timeoutMs = options.timeoutMs ?? DEFAULT_TIMEOUT_MS;
    this.helper = new HelperProcess(args, options, (text) => this.take(text));
    void this.helper.ended.then((end) => this.ended(end));
  }

  /** The helper's process id. */
  get pid(): number {
    return this.helper.pid ?? 0;
  }

  /** Whether the helper has ended. */
  get closed(): boolean {
    return this.helper.exited !== undefined;
  }

  /** Resolves once "ready" came; rejects on "denied", an end or no answer. */
  protected waitReady(options: SessionOptions): Promise<void> {
    const readyTimeoutMs = options.readyTimeoutMs ?? DEFAULT_READY_TIMEOUT_MS;
    return new Promise<void>((resolve, reject) => {
      const timer = setTimeout(() => {
        this.startWaiter = undefined;
        // Nothing may outlive a failed start.
        this.helper.kill("SIGKILL");
        void this.helper.ended.then(() =>
          reject(new HelperTimeoutError("(start)", readyTimeoutMs)));
      }, readyTimeoutMs);
      this.startWaiter = (error) => {
        clearTimeout(timer);
        this.startWaiter = undefined;
        if (error) {
          reject(error);
          return;
        }
        resolve();
        // Promise callbacks run before this, so the host's listeners are on.
        setImmediate(() => this.release());
      };
    });
  }

  /**
   * Ends standard input and resolves with the exit status once the helper
   * has answered what it was asked and ended. A helper that has not ended
   * after `graceMs` (default 5000) is killed.
   */
  async close(graceMs: number = DEFAULT_CLOSE_GRACE_MS): Promise<number | null> {
    const end = await this.helper.finish(graceMs);
    return end.code;
  }

  /** Ends the helper at once with a signal (default SIGTERM). */
  kill(signal: NodeJS.Signals = "SIGTERM"): void {
    this.helper.kill(signal);
  }

  /** Handles one parsed line after "ready". */
  protected abstract deliver(line: ParsedLine): void;
  /** Rejects whatever still waits for a reply. */
  protected abstract failPending(error: HelperError): void;

  private take(text: string): void {
    const line = parseObject(text);
    if (line === undefined || typeof line.event !== "string") {
      this.emit("invalid_line", text);
      return;
    }
    if (!this.started) {
      if (line.event === "ready") {
        this.started = true;
        this.startWaiter?.();
        this.emitLater(line);
      } else if (line.event === "denied") {
        // The helper exits with status 3 next; the start fails then.
        this.deniedSeen = true;
      } else {
        // A key event that overtook "ready" (older helpers let one through)
        // is kept and delivered once the session is started.
        this.held?.push(line);
      }
      return;
    }
    this.emitLater(line);
  }

  private emitLater(line: ParsedLine): void {
    if (this.held) this.held.push(line);
    else this.dispatch(line);
  }

  private release(): void {
    const held = this.held ?? [];
    this.held = undefined;
    for (const line of held) this.dispatch(line);
  }

  private dispatch(line: ParsedLine): void {
    if (line.event === "denied") this.deniedSeen = true;
    this.emit("line", line);
    this.deliver(line);
  }

  private ended(end: HelperEnd): void {
    // Lines still held are delivered before the end is told.
    if (this.started && this.held) this.release();
    const error = endError(end, this.deniedSeen);
    if (this.startWaiter) {
      this.startWaiter(error);
      return;
    }
    this.failPending(error);
    if (end.partialLine !== undefined) this.emit("invalid_line", end.partialLine);
    if (this.started) this.emit("exit", end.code, end.signal);
  }
}
