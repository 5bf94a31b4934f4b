// The inspect mode: one request in, one response out, one process per call.

import {
  abortReason, checkOptions, checkSignal, checkTimeout, onAbort, startTimer,
} from "./call-options.js";
import { HelperExitError, HelperTimeoutError } from "./errors.js";
import { HelperProcess, type HelperOptions } from "./helper-process.js";
import { parseObject } from "./lines.js";
import { endError } from "./session.js";
import type { InspectRequest, InspectResponse } from "./types.js";

export interface InspectOptions extends HelperOptions {
  /** How long the helper may take to answer. Default 5000 ms; Infinity waits for ever. */
  timeoutMs?: number;
  /** Aborts the call: the process is killed and the call rejects with `signal.reason`. */
  signal?: AbortSignal;
}

const DEFAULT_INSPECT_TIMEOUT_MS = 5000;

/**
 * The request as inspect reads it: JSON, with bigint written as a plain
 * decimal integer. Values the helper refuses (5.5, -1) are written as they
 * are, so that the helper refuses them with its own message.
 */
export function inspectRequestText(request: InspectRequest): string {
  return encode(request);
}

function encode(value: unknown): string {
  if (typeof value === "bigint") return value.toString();
  if (Array.isArray(value)) return `[${value.map((item) => encode(item ?? null)).join(",")}]`;
  if (typeof value === "object" && value !== null) {
    const members = Object.entries(value)
      .filter(([, member]) => member !== undefined)
      .map(([name, member]) => `${JSON.stringify(name)}:${encode(member)}`);
    return `{${members.join(",")}}`;
  }
  return JSON.stringify(value) ?? "null";
}

/**
 * Runs `inspect` once. Resolves with the response; rejects with
 * HelperExitError (status 1, the helper's message in `.stderr`) for a request
 * the helper refuses. Throws at once (TypeError, RangeError) for options
 * that cannot be right.
 */
export function inspect(request: InspectRequest,
                        options: InspectOptions = {}): Promise<InspectResponse> {
  const checked = checkOptions(options);
  const timeoutMs = checkTimeout("timeoutMs", checked.timeoutMs, DEFAULT_INSPECT_TIMEOUT_MS);
  const signal = checkSignal(checked.signal);
  if (signal?.aborted) return Promise.reject(abortReason(signal));
  return run(request, checked, timeoutMs, signal);
}

async function run(request: InspectRequest, options: InspectOptions, timeoutMs: number,
                   signal: AbortSignal | undefined): Promise<InspectResponse> {
  const lines: string[] = [];
  const helper = new HelperProcess(["inspect"], options, (text) => lines.push(text));
  helper.write(inspectRequestText(request));
  helper.endInput();
  let stopped: unknown;
  const stop = (why: unknown): void => {
    stopped = why;
    helper.kill("SIGKILL");
  };
  const timer = startTimer(timeoutMs, () => stop(new HelperTimeoutError("inspect", timeoutMs)));
  const detach = onAbort(signal, () => stop(abortReason(signal as AbortSignal)));
  const end = await helper.ended;
  if (timer !== undefined) clearTimeout(timer);
  detach();
  if (stopped !== undefined) throw stopped;
  if (end.spawnError || end.code !== 0) throw endError(end, undefined, false);
  const response = lines.length === 1 ? parseObject(lines[0] ?? "") : undefined;
  if (response === undefined) {
    throw new HelperExitError(end.code, end.signal, end.stderr,
                              "inspect ended without a response line");
  }
  return response as unknown as InspectResponse;
}
