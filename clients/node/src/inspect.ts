// The inspect mode: one request in, one response out, one process per call.

import { HelperExitError, HelperTimeoutError } from "./errors.js";
import { HelperProcess, type HelperOptions } from "./helper-process.js";
import { parseObject } from "./lines.js";
import { endError } from "./session.js";
import type { InspectRequest, InspectResponse } from "./types.js";

export interface InspectOptions extends HelperOptions {
  /** How long the helper may take to answer. Default 5000 ms. */
  timeoutMs?: number;
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
 * the helper refuses.
 */
export async function inspect(request: InspectRequest,
                              options: InspectOptions = {}): Promise<InspectResponse> {
  const lines: string[] = [];
  const helper = new HelperProcess(["inspect"], options, (text) => lines.push(text));
  helper.write(inspectRequestText(request));
  helper.endInput();
  const timeoutMs = options.timeoutMs ?? DEFAULT_INSPECT_TIMEOUT_MS;
  let timedOut = false;
  const timer = setTimeout(() => {
    timedOut = true;
    helper.kill("SIGKILL");
  }, timeoutMs);
  const end = await helper.ended;
  clearTimeout(timer);
  if (timedOut) throw new HelperTimeoutError("inspect", timeoutMs);
  if (end.spawnError || end.code !== 0) throw endError(end, false);
  const response = lines.length === 1 ? parseObject(lines[0] ?? "") : undefined;
  if (response === undefined) {
    throw new HelperExitError(end.code, end.signal, end.stderr,
                              "inspect ended without a response line");
  }
  return response as unknown as InspectResponse;
}

