// The commands a session has sent and the helper has not answered yet, in
// the order sent. The helper works on one command at a time and answers in
// order, so only the first command still waited for has a running timer:
// it starts when that command became first (sent with nothing ahead, or
// the one ahead settled) and starts again whenever a reply shows that the
// helper moved on. A command queued behind others never times out for
// waiting its turn.
//
// A command that timed out or was aborted stays in the queue, abandoned,
// until its reply comes (the reply is then dropped), so that replies keep
// going to the commands they answer.

import { type HelperError, HelperTimeoutError } from "./errors.js";
import { abortReason, onAbort, startTimer } from "./call-options.js";

interface Entry<R> {
  /** The request id (annotate's commands have none: the queue's order tells). */
  id: number | undefined;
  command: string;
  timeoutMs: number;
  resolve: (reply: R) => void;
  reject: (error: unknown) => void;
  abandoned: boolean;
  timer: NodeJS.Timeout | undefined;
  detach: () => void;
}

export class ReplyQueue<R> {
  private entries: Entry<R>[] = [];

  /** Commands still waited for (not timed out, aborted or answered). */
  get waiting(): number {
    return this.entries.filter((entry) => !entry.abandoned).length;
  }

  /**
   * Queues a command that has just been written. `signal` must not have
   * aborted yet (the caller checks before writing).
   */
  add(id: number | undefined, command: string, timeoutMs: number,
      signal: AbortSignal | undefined): Promise<R> {
    return new Promise<R>((resolve, reject) => {
      const entry: Entry<R> = {
        id, command, timeoutMs, resolve, reject, abandoned: false, timer: undefined, detach: () => {},
      };
      entry.detach = onAbort(signal, () => this.abandon(entry, abortReason(signal as AbortSignal)));
      this.entries.push(entry);
      if (this.firstWaiting() === entry) this.arm(entry);
    });
  }

  /**
   * A reply came: for the command with this id, or for the first command
   * when `id` is undefined. Commands before it were skipped by the helper
   * (it answers in order and leaves unknown words unanswered); they reject
   * at once. False when no queued command has this id.
   */
  answer(id: number | undefined, reply: R): boolean {
    const index = id === undefined ? (this.entries.length > 0 ? 0 : -1)
      : this.entries.findIndex((entry) => entry.id === id);
    if (index < 0) return false;
    const done = this.entries.splice(0, index + 1);
    const answered = done.pop() as Entry<R>;
    for (const skipped of done) {
      this.settle(skipped, () => skipped.reject(new HelperTimeoutError(skipped.command, skipped.timeoutMs,
        `no reply to "${skipped.command}": the helper answered a later command`)));
    }
    this.settle(answered, () => answered.resolve(reply));
    // The helper has moved on to the next command: its time starts now.
    const next = this.firstWaiting();
    if (next) this.arm(next);
    return true;
  }

  /** Rejects every command still waited for and empties the queue. */
  failAll(error: HelperError): void {
    for (const entry of this.entries.splice(0)) this.settle(entry, () => entry.reject(error));
  }

  private firstWaiting(): Entry<R> | undefined {
    return this.entries.find((entry) => !entry.abandoned);
  }

  private arm(entry: Entry<R>): void {
    if (entry.timer !== undefined) clearTimeout(entry.timer);
    entry.timer = startTimer(entry.timeoutMs, () =>
      this.abandon(entry, new HelperTimeoutError(entry.command, entry.timeoutMs)));
  }

  /** Gives up on a command (time-out or abort); it stays queued for its reply. */
  private abandon(entry: Entry<R>, reason: unknown): void {
    if (entry.abandoned) return;
    const wasFirst = this.firstWaiting() === entry;
    this.settle(entry, () => entry.reject(reason));
    if (wasFirst) {
      const next = this.firstWaiting();
      if (next) this.arm(next);
    }
  }

  /** Settles a command once: clears its timer and signal, then `how`. */
  private settle(entry: Entry<R>, how: () => void): void {
    if (entry.abandoned) return;
    entry.abandoned = true;
    if (entry.timer !== undefined) clearTimeout(entry.timer);
    entry.timer = undefined;
    entry.detach();
    how();
  }
}
