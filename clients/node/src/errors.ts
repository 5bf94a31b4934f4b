// The errors the client rejects with. Every one that tells about the helper
// is a HelperError with a stable string `code`, so a host can catch the
// family at once and tell the cases apart with instanceof or by code (the
// code also works across two copies of the package, where instanceof does
// not). Programming errors are not HelperErrors: they are thrown at once as
// TypeError or RangeError with Node's codes (see `invalidArgument`).

/** The permission whose absence makes the system refuse a mode's event tap. */
export type HelperPermission = "accessibility" | "input_monitoring";

/** The stable codes of the HelperError classes. */
export type HelperErrorCode =
  | "ERR_HELPER_EXIT"
  | "ERR_HELPER_DENIED"
  | "ERR_HELPER_TIMEOUT"
  | "ERR_HELPER_CLOSED";

/** Base class of every error this client raises about the helper. */
export class HelperError extends Error {
  /**
   * Node-style code: "ERR_HELPER_..." for the classes here, the system's
   * code ("ENOENT", "EACCES", ...) for HelperSpawnError.
   */
  readonly code: string;
  constructor(code: string, message: string, options?: { cause?: unknown }) {
    super(message, options);
    this.name = new.target.name;
    this.code = code;
  }
}

/** The helper could not be started (e.g. no such binary). */
export class HelperSpawnError extends HelperError {
  /** The binary that was started. */
  readonly binary: string;
  /** The system's error number (negative, as Node gives it), when it has one. */
  readonly errno: number | undefined;
  /** The failed call, e.g. "spawn /usr/local/bin/quorvel-computer-helper". */
  readonly syscall: string | undefined;
  declare readonly cause: NodeJS.ErrnoException;
  constructor(binary: string, cause: NodeJS.ErrnoException) {
    super(cause.code ?? "ERR_HELPER_SPAWN", `could not start ${binary}: ${cause.message}`, { cause });
    this.binary = binary;
    this.errno = cause.errno;
    this.syscall = cause.syscall;
  }
}

/** The helper ended while something was still waiting for it. */
export class HelperExitError extends HelperError {
  /** The exit status, or null when a signal ended the process. */
  readonly exitCode: number | null;
  /** The signal that ended the process, if one did. */
  readonly signal: NodeJS.Signals | null;
  /** What the helper wrote on standard error (usage texts, diagnostics). */
  readonly stderr: string;
  constructor(exitCode: number | null, signal: NodeJS.Signals | null, stderr: string,
              message?: string, code: HelperErrorCode = "ERR_HELPER_EXIT") {
    const how = signal !== null ? `signal ${signal}` : `status ${String(exitCode)}`;
    const said = stderr.trim();
    super(code, message ?? `the helper ended with ${how}${said ? `: ${said}` : ""}`);
    this.exitCode = exitCode;
    this.signal = signal;
    this.stderr = stderr;
  }
}

const GRANT: Record<HelperPermission, string> = {
  accessibility: "Accessibility",
  input_monitoring: "Input Monitoring",
};

/**
 * The system refused the mode's event tap: the helper wrote "denied" and
 * ended with status 3. `dictate` needs Accessibility, `annotate` Input
 * Monitoring, granted to the host application (the helper runs under its
 * responsibility) in System Settings → Privacy & Security.
 */
export class HelperDeniedError extends HelperExitError {
  /** The permission the user must grant to the host application. */
  readonly permission: HelperPermission;
  constructor(permission: HelperPermission, exitCode: number | null,
              signal: NodeJS.Signals | null, stderr: string) {
    super(exitCode, signal, stderr,
          `the system refused the helper's event tap ("denied"): grant ${GRANT[permission]} ` +
          "to the host application in System Settings → Privacy & Security, then start it again",
          "ERR_HELPER_DENIED");
    this.permission = permission;
  }
}

/** The helper did not answer in time. The session itself goes on. */
export class HelperTimeoutError extends HelperError {
  /** The command line that was sent, without its request id ("(start)" for the start). */
  readonly command: string;
  readonly timeoutMs: number;
  constructor(command: string, timeoutMs: number, message?: string) {
    super("ERR_HELPER_TIMEOUT", message ?? `no reply to "${command}" within ${timeoutMs} ms`);
    this.command = command;
    this.timeoutMs = timeoutMs;
  }
}

/** The host has closed the session (close() began) before the command. */
export class HelperClosedError extends HelperError {
  /** The command line that was refused. */
  readonly command: string;
  constructor(command: string) {
    super("ERR_HELPER_CLOSED", `${command}: the session is closed`);
    this.command = command;
  }
}

/** A programming error, as Node's own functions throw it. */
export function invalidArgument(name: string, value: unknown, reason: string,
                                range = false): TypeError | RangeError {
  const shown = typeof value === "bigint" ? `${value}n` : JSON.stringify(value) ?? String(value);
  const message = `The ${range ? "value of" : "argument"} "${name}" ${reason}. Received ${shown}`;
  const error = range ? new RangeError(message) : new TypeError(message);
  Object.defineProperty(error, "code", {
    value: range ? "ERR_OUT_OF_RANGE" : "ERR_INVALID_ARG_VALUE",
    enumerable: true,
  });
  return error;
}
