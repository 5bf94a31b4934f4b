// Per-call options (a timeout and an AbortSignal) and the checks every
// public entry makes of them before it does anything.

import { invalidArgument } from "./errors.js";

/** The optional last argument of every command. */
export interface CallOptions {
  /**
   * How long the helper may take once it starts on this command (commands
   * queued behind others never time out for waiting their turn).
   * `Infinity` waits for ever. Default: the session's `timeoutMs`.
   */
  timeoutMs?: number;
  /** Aborts the call: it rejects with `signal.reason` and its late reply is dropped. */
  signal?: AbortSignal;
}

/** Node's timers hold at most this many milliseconds; longer waits are endless. */
const LONGEST_TIMER_MS = 2 ** 31 - 1;

/** Checks a timeout option: a number from 0 up, Infinity included. */
export function checkTimeout(name: string, value: unknown, fallback: number): number {
  if (value === undefined) return fallback;
  if (typeof value !== "number") throw invalidArgument(name, value, "must be a number");
  if (Number.isNaN(value) || value < 0) {
    throw invalidArgument(name, value, "must be >= 0 (Infinity for no timeout)", true);
  }
  return value;
}

/** Checks an AbortSignal option. */
export function checkSignal(value: unknown): AbortSignal | undefined {
  if (value === undefined) return undefined;
  if (typeof value !== "object" || value === null || typeof (value as AbortSignal).aborted !== "boolean" ||
      typeof (value as AbortSignal).addEventListener !== "function") {
    throw invalidArgument("signal", value, "must be an AbortSignal");
  }
  return value as AbortSignal;
}

/** Checks the options object itself (undefined is none). */
export function checkOptions<T extends object>(value: T | undefined, name = "options"): Partial<T> {
  if (value === undefined) return {};
  if (typeof value !== "object" || value === null) {
    throw invalidArgument(name, value, "must be an object");
  }
  return value;
}

/** The reason an aborted signal gives: its own, else an AbortError. */
export function abortReason(signal: AbortSignal): unknown {
  return signal.reason ?? new DOMException("This operation was aborted", "AbortError");
}

/** A timer that never fires for Infinity (or anything past Node's longest). */
export function startTimer(ms: number, fire: () => void): NodeJS.Timeout | undefined {
  if (ms > LONGEST_TIMER_MS) return undefined;
  return setTimeout(fire, ms);
}

/** Calls `onAbort` once when the signal aborts; returns the detacher. */
export function onAbort(signal: AbortSignal | undefined, onAbortFn: () => void): () => void {
  if (signal === undefined) return () => {};
  signal.addEventListener("abort", onAbortFn, { once: true });
  return () => signal.removeEventListener("abort", onAbortFn);
}
