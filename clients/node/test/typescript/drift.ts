// Compiled by test/typescript.test.mjs beside the types that
// json-schema-to-typescript generates from the protocol schema (the module
// "./generated.js"): the hand-written types and the schema must describe
// the same lines, member for member. Never run.
import type * as Gen from "./generated.js";
import type * as Hand from "quorvel-computer-helper";

// Compared as plain JSON: bigint is how the client reads a 64-bit number,
// and tuples (the schema's bounded lists) as the lists they are.
type Plain<T> = T extends bigint ? number
  : T extends readonly (infer E)[] ? Plain<E>[]
  : T extends object ? { [K in keyof T]: Plain<T[K]> }
  : T;
type Covers<Wide, Narrow> = [Plain<Narrow>] extends [Plain<Wide>] ? true : false;

// Every line the schema allows is typed by the client...
export const dictate: Covers<Hand.DictateLine, Gen.DictateLine> = true;
export const annotate: Covers<Hand.AnnotateLine, Gen.AnnotateLine> = true;
export const request: Covers<Hand.InspectRequest, Gen.InspectRequest> = true;
export const response: Covers<Hand.InspectResponse, Gen.InspectResponse> = true;
export const any: Covers<Hand.DictateLine | Hand.AnnotateLine | Hand.InspectRequest | Hand.InspectResponse,
                         Gen.QuorvelComputerHelperLines> = true;

// ...and every line the client types is one the schema allows.
export const dictateBack: Covers<Gen.DictateLine, Hand.DictateLine> = true;
export const annotateBack: Covers<Gen.AnnotateLine, Hand.AnnotateLine> = true;
export const requestBack: Covers<Gen.InspectRequest, Hand.InspectRequest> = true;
export const responseBack: Covers<Gen.InspectResponse, Hand.InspectResponse> = true;

// Points are pairs, not never[][].
export const point: Gen.InspectRequest["points"] = [[1, -2]];
// @ts-expect-error a point has two coordinates
export const notPoint: Gen.InspectRequest["points"] = [[1, 2, 3]];
