// Splits a byte stream into lines. Bytes are kept until their line is whole,
// so a UTF-8 character split across chunks is decoded once, intact; the cost
// is linear in the size of the line however many chunks carry it.

export class LineSplitter {
  private pending: Buffer[] = [];

  constructor(private readonly onLine: (text: string) => void) {}

  /** Feeds a chunk; calls onLine for every line it completes. */
  push(chunk: Buffer): void {
    let start = 0;
    for (;;) {
      const end = chunk.indexOf(0x0a, start);
      if (end < 0) break;
      let line = chunk.subarray(start, end);
      if (this.pending.length > 0) {
        this.pending.push(line);
        line = Buffer.concat(this.pending);
        this.pending = [];
      }
      this.onLine(line.toString("utf8"));
      start = end + 1;
    }
    if (start < chunk.length) this.pending.push(chunk.subarray(start));
  }

  /** Ends the stream: returns the unterminated rest (a line cut short), if any. */
  end(): string | undefined {
    if (this.pending.length === 0) return undefined;
    const rest = Buffer.concat(this.pending).toString("utf8");
    this.pending = [];
    return rest;
  }
}

/** A parsed line: an object with a string "event" (or, for inspect, any object). */
export type ParsedLine = { [member: string]: unknown };

/**
 * Parses one line as a JSON object; undefined when it is not one. Integers
 * beyond Number.MAX_SAFE_INTEGER (64-bit window numbers) are read exactly,
 * as bigint; every other number as a number.
 */
export function parseObject(text: string): ParsedLine | undefined {
  let value: unknown;
  try {
    value = JSON.parse(text);
  } catch {
    return undefined; // not JSON: reported by the caller
  }
  if (typeof value !== "object" || value === null || Array.isArray(value)) return undefined;
  // Only a line with a run of 16 digits can hold an integer JSON.parse rounds.
  return /\d{16}/u.test(text) ? new ExactReader(text).object() : value as ParsedLine;
}

/** A JSON reader for text JSON.parse has already accepted, keeping big integers. */
class ExactReader {
  private at = 0;
  constructor(private readonly text: string) {}

  object(): ParsedLine {
    return this.value() as ParsedLine;
  }

  private value(): unknown {
    this.space();
    const c = this.text[this.at];
    if (c === "{") {
      const object: ParsedLine = {};
      this.at++;
      while (this.next() !== "}") {
        if (this.text[this.at] === ",") this.at++;
        const name = this.value() as string;
        this.next();
        this.at++; // the colon
        const member = this.value();
        // Like JSON.parse: the last of repeated names wins, "__proto__" is a plain member.
        Object.defineProperty(object, name, { value: member, enumerable: true, writable: true, configurable: true });
      }
      this.at++;
      return object;
    }
    if (c === "[") {
      const array: unknown[] = [];
      this.at++;
      while (this.next() !== "]") {
        if (this.text[this.at] === ",") this.at++;
        array.push(this.value());
      }
      this.at++;
      return array;
    }
    if (c === "\"") {
      let end = this.at + 1;
      for (;;) {
        end = this.text.indexOf("\"", end);
        let slashes = 0;
        while (this.text[end - 1 - slashes] === "\\") slashes++;
        if (slashes % 2 === 0) break;
        end++;
      }
      const string = JSON.parse(this.text.slice(this.at, end + 1)) as string;
      this.at = end + 1;
      return string;
    }
    const token = /-?\d+(\.\d+)?([eE][+-]?\d+)?|true|false|null/uy;
    token.lastIndex = this.at;
    const [word = "", fraction, exponent] = token.exec(this.text) ?? [];
    this.at += word.length;
    if (word === "true") return true;
    if (word === "false") return false;
    if (word === "null") return null;
    const number = Number(word);
    return fraction === undefined && exponent === undefined && !Number.isSafeInteger(number)
      ? BigInt(word) : number;
  }

  /** Skips white space; the character there. */
  private next(): string | undefined {
    this.space();
    return this.text[this.at];
  }

  private space(): void {
    while (/[ \t\n\r]/u.test(this.text[this.at] ?? "")) this.at++;
  }
}
