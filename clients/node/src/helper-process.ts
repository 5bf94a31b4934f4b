// One running helper: the child process, its standard streams as lines, its
// standard error kept for error reports, and its end. Shared by the three
// modes. Nothing here throws at the host: a failed start, a closed pipe and
// an early end all come back through `ended`.

import { spawn, type ChildProcess } from "node:child_process";
import { statSync } from "node:fs";
import { delimiter, isAbsolute, join, resolve } from "node:path";

import { startTimer } from "./call-options.js";
import { HelperSpawnError } from "./errors.js";
import { LineSplitter } from "./lines.js";
import { PACKAGE_ROOT } from "./package-root.js";

/** Options every mode takes. */
export interface HelperOptions {
  /**
   * The helper binary: a path, or a name looked up on PATH. Default: see
   * helperPath().
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
/** How long the pipes are read after the process exited. */
const PIPE_DRAIN_MS = 200;

const NAME = "quorvel-computer-helper";

/**
 * The binary the client would start with these options: `binary`, else the
 * variable QUORVEL_HELPER (of `env` merged over the host's environment),
 * else the binary shipped with this package for this platform
 * (`prebuilt/<platform>/quorvel-computer-helper`, present in the macOS
 * package), else the first "quorvel-computer-helper" on PATH. When none of
 * these exists it is the bare name, which fails to start with ENOENT.
 */
export function helperPath(options: HelperOptions = {}): string {
  const env = mergedEnv(options);
  if (options.binary !== undefined) return options.binary;
  if (env.QUORVEL_HELPER !== undefined && env.QUORVEL_HELPER !== "") return env.QUORVEL_HELPER;
  const shipped = join(PACKAGE_ROOT, "prebuilt", process.platform, NAME);
  if (isFile(shipped)) return shipped;
  for (const dir of (env.PATH ?? "").split(delimiter)) {
    const found = join(dir === "" ? "." : dir, NAME);
    if (isFile(found)) return isAbsolute(found) ? found : resolve(found);
  }
  return NAME;
}

/** @deprecated Use helperPath(). */
export const resolveBinary = helperPath;

function isFile(path: string): boolean {
  try {
    return statSync(path).isFile();
  } catch {
    return false;
  }
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
    this.binary = helperPath(options);
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
      // The end is the process's, not its pipes': a grandchild (a wrapper
      // script that does not exec) may hold them open long after. What the
      // process wrote before it exited is read within PIPE_DRAIN_MS; then
      // the pipes are closed on our side, after one more pass of the event
      // loop's I/O phase (timers run before it, so a host that blocked its
      // loop still reads what was waiting).
      child.once("exit", () => {
        let closed = false;
        const drain = setTimeout(() => setImmediate(() => {
          if (closed) return;
          child.stdout?.destroy();
          child.stderr?.destroy();
        }), PIPE_DRAIN_MS);
        child.once("close", () => {
          closed = true;
          clearTimeout(drain);
        });
      });
      // "close" comes after the process ended and its streams were read to
      // the end (or closed), so every line has been handed over before the
      // end is told.
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
    const timer = startTimer(graceMs, () => this.kill("SIGKILL"));
    try {
      return await this.ended;
    } finally {
      if (timer !== undefined) clearTimeout(timer);
    }
  }
}
