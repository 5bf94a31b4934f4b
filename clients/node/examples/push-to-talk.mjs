// A push-to-talk host: hold the hotkey to talk, let go to paste the text.
import { HelperDeniedError, startDictate } from "quorvel-computer-helper";

const transcribe = async (ms) => (ms > 0 ? "bread" : ""); // your speech-to-text here
const putOnPasteboard = async (text) => {}; // e.g. Electron's clipboard.writeText(text)

const helper = await startDictate({ key: "fn" }).catch((error) => {
  if (error instanceof HelperDeniedError) console.error("grant Input Monitoring and restart");
  throw error;
});
let since = 0;
helper.on("down", (e) => { since = Date.now(); console.log(`listening (${e.source ?? e.source_pid})`); });
helper.on("escape", () => { since = 0; console.log("cancelled"); });
helper.on("up", async () => {
  if (since === 0) return;
  const text = await transcribe(Date.now() - since);
  since = 0;
  const [clipboard, context] = await Promise.all([helper.clipboard(), helper.context()]);
  if (clipboard.sensitive) return console.log("the pasteboard holds a secret: left alone");
  if (!context.focused || !context.text_field) return console.log(`no text field for "${text}"`);
  await putOnPasteboard(/\S/u.test(context.before ?? " ") ? ` ${text}` : text);
  const reply = await helper.paste();
  console.log(reply.event === "paste_failed" ? `paste failed: ${reply.reason}` : `${reply.event}: ${text}`);
});
helper.on("exit", (code) => console.log(`helper ended with status ${code}`));
process.once("SIGINT", () => void helper.close());
process.once("SIGTERM", () => void helper.close());
console.log(`helper ${helper.pid} ready; hold fn to dictate`);
