// Compiled with `tsc --noEmit --strict` as CommonJS, never run: the
// package's .d.cts declarations, as a CommonJS host (an Electron main
// process) gets them through require().
import helper = require("quorvel-computer-helper");

export async function host(): Promise<void> {
  const d: helper.Dictate = await helper.startDictate({ key: "fn", binary: helper.helperPath() });
  d.on("up", (e: helper.UpEvent) => void e.flags);
  const reply: helper.ClipboardReply = await d.clipboard({ timeoutMs: Infinity });
  const access: helper.AppAccessibilityReply = await d.appAccessibility(d.pid);
  void [reply.sensitive, access.result];
  try {
    await d.close();
  } catch (error) {
    if (error instanceof helper.HelperDeniedError) void error.permission;
    else if (error instanceof helper.HelperError) void error.code;
  }
  // @ts-expect-error no such export
  void helper.startDictation;
}
