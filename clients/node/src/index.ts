// quorvel-computer-helper for Node.js: start the helper in one of its three
// modes and talk to it through typed events, promises and errors.

export { startDictate, Dictate } from "./dictate.js";
export type { AppAccessibilityOptions, DictateEvents, DictateOptions } from "./dictate.js";
export { startAnnotate, Annotate } from "./annotate.js";
export type { AnnotateEvents, AnnotateOptions } from "./annotate.js";
export { inspect, inspectRequestText } from "./inspect.js";
export type { InspectOptions } from "./inspect.js";
export { helperPath, resolveBinary } from "./helper-process.js";
export type { HelperOptions } from "./helper-process.js";
export type { SessionOptions } from "./session.js";
export type { CallOptions } from "./call-options.js";
export {
  HelperClosedError,
  HelperDeniedError,
  HelperError,
  HelperExitError,
  HelperSpawnError,
  HelperTimeoutError,
} from "./errors.js";
export type { HelperErrorCode, HelperPermission } from "./errors.js";
export type * from "./types.js";
