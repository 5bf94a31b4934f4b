// What the client's tests share: the helper binary under test, simulated
// desktops driven through their control FIFO, and fake helpers (small shell
// scripts) for the ways a process can misbehave.
import { execFileSync } from "node:child_process";
import { closeSync, constants, mkdtempSync, openSync, readFileSync, rmSync, writeFileSync, chmodSync, existsSync } from "node:fs";
import { writeSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { setTimeout as sleep } from "node:timers/promises";

export const packageRoot = resolve(dirname(fileURLToPath(import.meta.url)), "..");
export const repoRoot = resolve(packageRoot, "..", "..");

/** The binary under test: QUORVEL_HELPER, else the plain build's. */
export const binary = process.env.QUORVEL_HELPER ??
  join(repoRoot, "build", "src", "quorvel-computer-helper");
if (!existsSync(binary)) {
  throw new Error(`no helper binary at ${binary}: build it or set QUORVEL_HELPER`);
}

export function example(name) {
  return join(repoRoot, "examples", name);
}

/** Whether a process with this id still exists (zombies included). */
export function alive(pid) {
  try {
    process.kill(pid, 0);
    return true;
  } catch {
    return false;
  }
}

/** Resolves with the first emission of `event`, or rejects after `ms`. */
export function next(emitter, event, ms = 5000) {
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => {
      emitter.off(event, on);
      reject(new Error(`no "${event}" within ${ms} ms`));
    }, ms);
    const on = (...args) => {
      clearTimeout(timer);
      resolve(args.length <= 1 ? args[0] : args);
    };
    emitter.once(event, on);
  });
}

/** A simulated desktop in a fresh folder, with a control FIFO and an effects log. */
export class Desktop {
  constructor(desktop = {}) {
    this.dir = mkdtempSync(join(tmpdir(), "qch-node-"));
    this.file = join(this.dir, "desktop.json");
    this.control = join(this.dir, "control");
    this.log = join(this.dir, "effects.log");
    execFileSync("mkfifo", [this.control]);
    writeFileSync(this.file, JSON.stringify({ ...desktop, control: this.control, log: this.log }));
    this.fd = -1;
    this.markers = 0;
  }

  /** The environment that points the helper at this desktop. */
  get env() {
    return { QUORVEL_DESKTOP: this.file };
  }

  /** Sends one action; the helper must be running (its FIFO reader open). */
  async act(action) {
    if (this.fd < 0) {
      const deadline = Date.now() + 5000;
      for (;;) {
        try {
          this.fd = openSync(this.control, constants.O_WRONLY | constants.O_NONBLOCK);
          break;
        } catch (error) {
          if (error.code !== "ENXIO" || Date.now() > deadline) throw error;
          await sleep(5);
        }
      }
    }
    writeSync(this.fd, `${JSON.stringify(action)}\n`);
  }

  /** Waits until every action sent so far has been applied. */
  async sync() {
    const label = `sync ${++this.markers}`;
    await this.act({ action: "marker", label });
    const deadline = Date.now() + 5000;
    while (Date.now() < deadline) {
      if (this.effects("marker").some((line) => line.label === label)) return;
      await sleep(5);
    }
    throw new Error(`marker "${label}" never reached`);
  }

  effects(kind) {
    let text = "";
    try {
      text = readFileSync(this.log, "utf8");
    } catch {
      return [];
    }
    return text.split("\n").filter((line) => line.length > 0)
      .map((line) => JSON.parse(line)).filter((line) => line.effect === kind);
  }

  dispose() {
    if (this.fd < 0) {
      try {
        this.fd = openSync(this.control, constants.O_WRONLY | constants.O_NONBLOCK);
      } catch {
        // nobody reads it
      }
    }
    if (this.fd >= 0) closeSync(this.fd);
    rmSync(this.dir, { recursive: true, force: true });
  }
}

/** A fake helper: a shell script, written to a fresh folder. */
export function fakeHelper(script) {
  const dir = mkdtempSync(join(tmpdir(), "qch-fake-"));
  const path = join(dir, "helper");
  writeFileSync(path, `#!/bin/sh\n${script}\n`);
  chmodSync(path, 0o755);
  return path;
}

export const FN_FLAG = 0x800000;
export function input(type, keycode, flags, extra = {}) {
  return { action: "input", type, keycode, flags, ...extra };
}
