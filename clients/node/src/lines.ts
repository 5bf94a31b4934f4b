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

/** Parses one line as a JSON object; undefined when it is not one. */
export function parseObject(text: string): ParsedLine | undefined {
  try {
    const value: unknown = JSON.parse(text);
    if (typeof value === "object" && value !== null && !Array.isArray(value)) {
      return value as ParsedLine;
    }
  } catch {
    // not JSON: reported by the caller
  }
  return undefined;
}
