// What the two long-running modes share: the start up to "ready" (or
// "denied"), the delivery of lines as events, the commands' queue and the
// end. Lines that come in the same read as "ready" are held back until the
// host has had the session in hand (after the promise of the start has
// settled), so no event is emitted before a listener could be attached.
//
// Delivery: every line reaches every listener, even when one throws; what a
// listener threw is raised again on the next tick (so it still reaches
// "uncaughtException"), after the rest of the lines of the same read were
// delivered.

import { EventEmitter } from "node:events";

import {
  abortReason, checkOptions, checkSignal, checkTimeout, onAbort, startTimer, type CallOptions,
} from "./call-options.js";
import {
  HelperClosedError, HelperDeniedError, HelperError, HelperExitError, HelperTimeoutError,
  type HelperPermission,
} from "./errors.js";
import { HelperProcess, type HelperEnd, type HelperOptions } from "./helper-process.js";
import { parseObject, type ParsedLine } from "./lines.js";
import { ReplyQueue } from "./reply-queue.js";

/** Options of the long-running modes. */
export interface SessionOptions extends HelperOptions {
  /**
   * How long a command may take once the helper starts on it, in ms.
   * Default 2000; `Infinity` waits for ever. A command can give its own.
   */
  timeoutMs?: number;
  /** How long the start may wait for "ready" or "denied". Default 10000 ms. */
  readyTimeoutMs?: number;
  /** Aborts the start: the process is killed and the start rejects with `signal.reason`. */
  signal?: AbortSignal;
}

export const DEFAULT_TIMEOUT_MS = 2000;
const DEFAULT_READY_TIMEOUT_MS = 10_000;
/** How long close() waits for the helper to finish before it kills it. */
const DEFAULT_CLOSE_GRACE_MS = 5000;

/** The error that an end gives to whatever still waits. */
export function endError(end: HelperEnd, permission: HelperPermission | undefined,
                         denied: boolean): HelperError {
  if (end.spawnError) return end.spawnError;
  if (permission !== undefined && (denied || end.code === 3)) return new HelperDeniedError(permission, end.code, end.signal, end.stderr);
  return new HelperExitError(end.code, end.signal, end.stderr);
}

/** Checks the options of a start, synchronously (programming errors throw). */
export function checkSessionOptions<T extends SessionOptions>(options: T | undefined): T {
  const checked = checkOptions(options) as T;
  checkTimeout("timeoutMs", checked.timeoutMs, DEFAULT_TIMEOUT_MS);
  checkTimeout("readyTimeoutMs", checked.readyTimeoutMs, DEFAULT_READY_TIMEOUT_MS);
  checkSignal(checked.signal);
  return checked;
}

export abstract class Session extends EventEmitter {
  protected readonly helper: HelperProcess;
  private readonly timeoutMs: number;
  private readonly permission: HelperPermission;
  protected readonly replies = new ReplyQueue<ParsedLine>();
  private started = false;
  private closing = false;
  private held: ParsedLine[] | undefined = [];
  private deniedSeen = false;
  private startWaiter: ((error?: unknown) => void) | undefined;

  protected constructor(args: readonly string[], options: SessionOptions,
                        permission: HelperPermission) {
    super();
    this.timeoutMs = checkTimeout("timeoutMs", options.timeoutMs, DEFAULT_TIMEOUT_MS);
    this.permission = permission;
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

  /** Commands sent and still waited for. */
  get pendingCount(): number {
    return this.replies.waiting;
  }

  /**
   * Ends standard input and resolves with the exit status once the helper
   * has answered what it was asked and exited. A helper that has not exited
   * after `graceMs` (default 5000; Infinity waits for ever) is killed.
   * Commands after close() began reject with HelperClosedError.
   */
  close(graceMs: number = DEFAULT_CLOSE_GRACE_MS): Promise<number | null> {
    const grace = checkTimeout("graceMs", graceMs, DEFAULT_CLOSE_GRACE_MS);
    this.closing = true;
    return this.helper.finish(grace).then((end) => end.code);
  }

  /** Ends the helper at once with a signal (default SIGTERM). */
  kill(signal: NodeJS.Signals = "SIGTERM"): void {
    this.helper.kill(signal);
  }

  /** Resolves once "ready" came; rejects on "denied", an end, no answer or an abort. */
  protected waitReady(options: SessionOptions): Promise<void> {
    const readyTimeoutMs = checkTimeout("readyTimeoutMs", options.readyTimeoutMs, DEFAULT_READY_TIMEOUT_MS);
    const signal = options.signal;
    return new Promise<void>((resolve, reject) => {
      // Nothing may outlive a failed start: the process is killed, and the
      // start settles once it has exited.
      const giveUp = (error: unknown): void => {
        if (this.startWaiter === undefined) return;
        this.startWaiter = undefined;
        if (timer !== undefined) clearTimeout(timer);
        detach();
        this.helper.kill("SIGKILL");
        void this.helper.ended.then(() => reject(error));
      };
      const timer = startTimer(readyTimeoutMs, () =>
        giveUp(new HelperTimeoutError("(start)", readyTimeoutMs, `no "ready" within ${readyTimeoutMs} ms`)));
      const detach = onAbort(signal, () => giveUp(abortReason(signal as AbortSignal)));
      this.startWaiter = (error) => {
        if (timer !== undefined) clearTimeout(timer);
        detach();
        this.startWaiter = undefined;
        if (error !== undefined) {
          reject(error);
          return;
        }
        resolve();
        // Promise callbacks run before this, so the host's listeners are on.
        setImmediate(() => this.release());
      };
      if (signal?.aborted) giveUp(abortReason(signal));
    });
  }

  /**
   * Writes one command line and queues it for its reply. Programming errors
   * (bad options) throw; everything else rejects.
   */
  protected request(id: number | undefined, command: string,
                    callOptions: CallOptions | undefined): Promise<ParsedLine> {
    const options = checkOptions(callOptions);
    const timeoutMs = checkTimeout("timeoutMs", options.timeoutMs, this.timeoutMs);
    const signal = checkSignal(options.signal);
    if (this.closing) return Promise.reject(new HelperClosedError(command));
    const end = this.helper.exited;
    if (end !== undefined) return Promise.reject(endError(end, this.permission, this.deniedSeen));
    if (signal?.aborted) return Promise.reject(abortReason(signal));
    if (!this.helper.write(`${id === undefined ? "" : `${id} `}${command}\n`)) {
      return Promise.reject(new HelperClosedError(command));
    }
    return this.replies.add(id, command, timeoutMs, signal);
  }

  /** Handles one parsed line after "ready". */
  protected abstract deliver(line: ParsedLine): void;

  /**
   * Calls every listener of `event`, each in its own try: an exception is
   * raised again on the next tick, after every listener had the line.
   */
  protected emitSafely(event: string, ...args: unknown[]): void {
    for (const listener of this.rawListeners(event)) {
      try {
        Reflect.apply(listener, this, args);
      } catch (error) {
        process.nextTick(() => {
          throw error;
        });
      }
    }
  }

  private take(text: string): void {
    const line = parseObject(text);
    if (line === undefined || typeof line.event !== "string") {
      this.emitSafely("invalid_line", text);
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
    this.emitSafely("line", line);
    this.deliver(line);
  }

  private ended(end: HelperEnd): void {
    // Lines still held are delivered before the end is told.
    if (this.started && this.held) this.release();
    const error = endError(end, this.permission, this.deniedSeen);
    if (this.startWaiter) {
      this.startWaiter(error);
      return;
    }
    this.replies.failAll(error);
    if (end.partialLine !== undefined) this.emitSafely("invalid_line", end.partialLine);
    if (this.started) this.emitSafely("exit", end.code, end.signal);
  }
}
