// One running helper: the child process, its standard streams as lines, its
// standard error kept for error reports, and its end. Shared by the three
// modes. Nothing here throws at the host: a failed start, a closed pipe and
// an early end all come back through `ended`.

import { spawn, type ChildProcess } from "node:child_process";

import { HelperSpawnError } from "./errors.js";
import { LineSplitter } from "./lines.js";

/** Options every mode takes. */
export interface HelperOptions {
  /**
   * The helper binary. Default: the environment variable QUORVEL_HELPER (of
   * `env` merged over the host's environment), else "quorvel-computer-helper"
   * found on PATH.
   */
  binary?: string;
  /** Variables merged over the host's environment for the helper. */
  env?: Record<string, string | undefined>;
}

/** How the process ended. */
export interface HelperEnd {
  code: number | null;
  signal: NodeJS.Signals | null;
  stderr: string;
  /** Set when the process could not be started at all. */
  spawnError?: HelperSpawnError;
  /** An unterminated last line, written before the process died. */
  partialLine?: string;
}

/** Standard error kept for reports: the usage texts and diagnostics are short. */
const STDERR_LIMIT = 64 * 1024;

export function resolveBinary(options: HelperOptions): string {
  const env = mergedEnv(options);
  return options.binary ?? env.QUORVEL_HELPER ?? "quorvel-computer-helper";
}

function mergedEnv(options: HelperOptions): NodeJS.ProcessEnv {
  const env: NodeJS.ProcessEnv = { ...process.env };
  for (const [name, value] of Object.entries(options.env ?? {})) {
    if (value === undefined) delete env[name];
    else env[name] = value;
  }
  return env;
}

export class HelperProcess {
  readonly binary: string;
  readonly ended: Promise<HelperEnd>;
  private readonly child: ChildProcess;
  private stderrText = "";
  private end: HelperEnd | undefined;

  /** Starts `binary args`; `onLine` gets every complete line of standard output. */
  constructor(args: readonly string[], options: HelperOptions,
              onLine: (text: string) => void) {
    this.binary = resolveBinary(options);
    this.child = spawn(this.binary, args, {
      env: mergedEnv(options),
      stdio: ["pipe", "pipe", "pipe"],
      windowsHide: true,
    });
    const splitter = new LineSplitter(onLine);
    const child = this.child;
    // A helper that stops reading, or has ended, must not take the host down
    // with EPIPE: failed writes are dropped, the end is reported by "close".
    child.stdin?.on("error", () => {});
    child.stdout?.on("data", (chunk: Buffer) => splitter.push(chunk));
    child.stderr?.setEncoding("utf8");
    child.stderr?.on("data", (chunk: string) => {
      if (this.stderrText.length < STDERR_LIMIT) {
        this.stderrText += chunk.slice(0, STDERR_LIMIT - this.stderrText.length);
      }
    });
    this.ended = new Promise<HelperEnd>((resolve) => {
      let spawnError: HelperSpawnError | undefined;
      child.on("error", (error: NodeJS.ErrnoException) => {
        // Errors after the start (a failed kill) change nothing about the end.
        if (child.pid === undefined) spawnError = new HelperSpawnError(this.binary, error);
      });
      // "close" comes after the process ended and its streams were read to
      // the end, so every line has been handed over before the end is told.
      child.on("close", (code: number | null, signal: NodeJS.Signals | null) => {
        const end: HelperEnd = { code, signal, stderr: this.stderrText };
        if (spawnError) end.spawnError = spawnError;
        const rest = splitter.end();
        if (rest !== undefined) end.partialLine = rest;
        this.end = end;
        resolve(end);
      });
    });
  }

  /** The helper's process id (undefined when it could not be started). */
  get pid(): number | undefined {
    return this.child.pid;
  }

  /** How it ended, once it has. */
  get exited(): HelperEnd | undefined {
    return this.end;
  }

  /** Whether lines can still be written to its standard input. */
  get writable(): boolean {
    const stdin = this.child.stdin;
    return this.end === undefined && stdin !== null && stdin.writable;
  }

  /** Writes text to standard input; false when it can no longer be written. */
  write(text: string): boolean {
    if (!this.writable) return false;
    this.child.stdin?.write(text);
    return true;
  }

  /** Ends standard input: the long-running modes then finish and exit. */
  endInput(): void {
    const stdin = this.child.stdin;
    if (stdin && !stdin.writableEnded) stdin.end();
  }

  /** Sends a signal, unless the process has already ended. */
  kill(signal: NodeJS.Signals = "SIGTERM"): void {
    if (this.end === undefined && this.child.exitCode === null &&
        this.child.signalCode === null) {
      this.child.kill(signal);
    }
  }

  /**
   * Ends input and waits for the end; after `graceMs` without one, kills the
   * process, so that no helper outlives its session.
   */
  async finish(graceMs: number): Promise<HelperEnd> {
    this.endInput();
    const timer = setTimeout(() => this.kill("SIGKILL"), graceMs);
    try {
      return await this.ended;
    } finally {
      clearTimeout(timer);
    }
  }
}
