// The line reader over many generated lines: whatever JSON.parse reads, it
// reads the same, except that integers beyond 2^53 come exact, as bigint.
import assert from "node:assert/strict";
import { describe, it } from "node:test";

import { parseObject } from "../dist/lines.js";

// A small seeded generator, so that a failure can be replayed.
function random(seed) {
  let state = seed >>> 0;
  return (n) => {
    state = (Math.imul(state ^ (state >>> 15), 0x2c1b3c6d) + 0x9e3779b9) >>> 0;
    return state % n;
  };
}

const PIECES = ["a", "é", "\"", "\\", "/", "\n", "\u0001", "😀", " ", "{", "]", ":", ",", "1234567890123456789"];

// Returns [text, expected value].
function generate(pick, depth) {
  switch (pick(depth > 3 ? 4 : 7)) {
    case 0: {
      const text = Array.from({ length: pick(6) }, () => PIECES[pick(PIECES.length)]).join("");
      return [JSON.stringify(text), text];
    }
    case 1:
      // As the helper writes them: floating-point members always with a
      // fraction or an exponent.
      return [["0", 0], ["-1", -1], ["9007199254740991", 2 ** 53 - 1], ["-9007199254740991", -(2 ** 53 - 1)],
        ["0.5", 0.5], ["-1e-7", -1e-7], ["1e+21", 1e21], ["3.25e+16", 3.25e16], ["2.0", 2]][pick(9)];
    case 2: {
      const big = [2n ** 53n + 1n, 2n ** 64n - 1n, -(2n ** 63n), 10n ** 30n][pick(4)];
      return [big.toString(), big];
    }
    case 3: {
      const value = [true, false, null][pick(3)];
      return [String(value), value];
    }
    case 4: case 5: {
      const items = Array.from({ length: pick(4) }, () => generate(pick, depth + 1));
      return [`[${items.map(([t]) => t).join(pick(2) ? "," : " , ")}]`, items.map(([, v]) => v)];
    }
    default:
      return object(pick, depth + 1);
  }
}

function object(pick, depth) {
  const members = Array.from({ length: 1 + pick(4) }, (_, i) => [`${PIECES[pick(PIECES.length)]}${i}`, generate(pick, depth)]);
  const expected = {};
  for (const [name, [, value]] of members) expected[name] = value;
  return [`{${members.map(([name, [text]]) => `${JSON.stringify(name)}${pick(2) ? ":" : " : "}${text}`).join(",")}}`, expected];
}

describe("the line reader", () => {
  it("reads 2000 generated lines as JSON.parse does, with exact big integers", () => {
    for (let seed = 1; seed <= 2000; seed++) {
      const [text, expected] = object(random(seed), 0);
      assert.deepEqual(parseObject(text), expected, `seed ${seed}: ${text}`);
    }
  });

  it("refuses what is not one JSON object, long digits or not", () => {
    for (const text of ["", "[1]", "12345678901234567890", '{"a":12345678901234567890', "null", '"x"']) {
      assert.equal(parseObject(text), undefined, text);
    }
  });
});
