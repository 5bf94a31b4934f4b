// The errors the client rejects with. Every one is a HelperError, so a host
// can catch the family at once and tell the cases apart with instanceof.

/** Base class of every error this client raises. */
export class HelperError extends Error {
  constructor(message: string, options?: { cause?: unknown }) {
    super(message, options);
    this.name = new.target.name;
  }
}

/** The helper could not be started (e.g. no such binary). */
export class HelperSpawnError extends HelperError {
  /** The binary that was started. */
  readonly binary: string;
  /** The system error code, e.g. "ENOENT". */
  readonly errno: string | undefined;
  constructor(binary: string, cause: NodeJS.ErrnoException) {
    super(`could not start ${binary}: ${cause.message}`, { cause });
    this.binary = binary;
    this.errno = cause.code;
  }
}

/** The helper ended while something was still waiting for it. */
export class HelperExitError extends HelperError {
  /** The exit status, or null when a signal ended the process. */
  readonly code: number | null;
  /** The signal that ended the process, if one did. */
  readonly signal: NodeJS.Signals | null;
  /** What the helper wrote on standard error (usage texts, diagnostics). */
  readonly stderr: string;
  constructor(code: number | null, signal: NodeJS.Signals | null, stderr: string,
              message?: string) {
    const how = signal !== null ? `signal ${signal}` : `status ${String(code)}`;
    const said = stderr.trim();
    super(message ?? `the helper ended with ${how}${said ? `: ${said}` : ""}`);
    this.code = code;
    this.signal = signal;
    this.stderr = stderr;
  }
}

/**
 * The system refused the helper's event tap (input monitoring is not
 * granted): the helper wrote "denied" and ended with status 3.
 */
export class HelperDeniedError extends HelperExitError {
  constructor(code: number | null, signal: NodeJS.Signals | null, stderr: string) {
    super(code, signal, stderr,
          "the system refused input monitoring to the helper (\"denied\")");
  }
}

/** A command got no reply in time. The session itself goes on. */
export class HelperTimeoutError extends HelperError {
  /** The command line that was sent, without its request id. */
  readonly command: string;
  readonly timeoutMs: number;
  constructor(command: string, timeoutMs: number) {
    super(`no reply to "${command}" within ${timeoutMs} ms`);
    this.command = command;
    this.timeoutMs = timeoutMs;
  }
}

/** The session was closed by the host before the command could be sent. */
export class HelperClosedError extends HelperError {
  constructor(what: string) {
    super(`${what}: the session is closed`);
  }
}
