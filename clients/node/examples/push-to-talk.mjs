// A push-to-talk host (docs/hosts.md): hold the hotkey to talk, let go to
// paste. A space within a second of the press goes hands-free until the next
// press; escape, or a chord (the hotkey used as a modifier), cancels.
import { startDictate } from "quorvel-computer-helper";

const transcribe = async (ms) => (ms > 0 ? "bread" : ""); // your speech-to-text here
const putOnPasteboard = async (text) => {}; // e.g. Electron's clipboard.writeText(text)

const helper = await startDictate({ key: "fn" }).catch((error) => {
  if (error.code === "ERR_HELPER_DENIED") console.error(error.message); // names the permission
  throw error;
});
let since = 0; // when the recording started; 0 when not recording
let handsFree = false;
const stop = () => { const ms = Date.now() - since; since = 0; handsFree = false; return ms; };
const cancel = (why) => { if (since) console.log(`cancelled (${why})`); stop(); };
async function finish() {
  const text = await transcribe(stop());
  const [clipboard, context] = await Promise.all([helper.clipboard(), helper.context()]);
  if (clipboard.sensitive) return console.log(`the pasteboard holds a secret, left alone: "${text}"`);
  if (!context.focused || !context.text_field) return console.log(`no text field for "${text}"`);
  await putOnPasteboard(/\S/u.test(context.before ?? " ") ? ` ${text}` : text);
  const reply = await helper.paste();
  console.log(reply.event === "paste_failed" ? `paste failed: ${reply.reason}` : `${reply.event}: ${text}`);
}
// Commands reject when the helper ends or times out: never let that escape.
const dictated = () => finish().catch((error) => console.error(`not pasted: ${error.message}`));
helper.on("down", (e) => {
  if (handsFree) return void dictated(); // the press that ends hands-free
  if (e.secure) return console.log("secure keyboard entry is on: not listening");
  since = Date.now();
  console.log(`listening (${e.source ?? e.source_pid})`);
});
helper.on("hands_free", () => { if (since) handsFree = true; });
helper.on("up", () => { if (since && !handsFree) void dictated(); });
helper.on("chord", () => cancel("chord"));
helper.on("escape", () => cancel("escape"));
helper.on("exit", (code) => console.log(`helper ended with status ${code}`));
process.once("SIGINT", () => void helper.close());
process.once("SIGTERM", () => void helper.close());
console.log(`helper ${helper.pid} ready; hold fn to dictate`);
