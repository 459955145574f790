// What every live page shares: the phone page, the announcer's page and the video overlay (from
// the program itself or from the broker). The program sends the run clock's state, never its
// ticks: a page runs the clock itself while the run is on and shows the program's own time once it
// is stopped. Over HTTP a page asks again at once and the program holds the question until its
// data changed, so a stop reaches the page as soon as the program has it.
"use strict";

// A time as the class's times read: seconds with hundredths (thousandths in a class timed to the
// thousandth), from a minute on with the minutes before them; cut, never rounded.
function runTimeText(ms, decimal, digits) {
  ms = Math.max(0, Math.floor(ms));
  const minutes = Math.floor(ms / 60000);
  const seconds = Math.floor(ms / 1000) % 60;
  const fraction = digits === 3 ? String(ms % 1000).padStart(3, "0")
                                : String(Math.floor(ms / 10) % 100).padStart(2, "0");
  return (minutes > 0 ? minutes + ":" + String(seconds).padStart(2, "0") : String(seconds)) +
         (decimal || ",") + fraction;
}

// The program's clock as this page sees it, from the stamps its replies carry ("X-Now-Ms", or
// "nowMs" in the announcer's data): the reply that came quickest wins; a jump of more than a
// second (the program's machine was started again) starts over.
class ProgramClock {
  constructor() { this.offset = null; }
  sample(programMs) {
    if (!Number.isFinite(programMs)) return;
    const offset = programMs - performance.now();
    if (this.offset === null || offset > this.offset || this.offset - offset > 1000) this.offset = offset;
  }
  now() { return performance.now() + this.offset; }
}

// What the clock shows of the data's clock members (clock, startMs, stoppedTime, decimal,
// digits; startedAt in the broker's messages): [text, state], the state "running", "stopped",
// "countdown" or "idle". A running clock counts from the program's clock where the page has it,
// else from the wall clock.
function clockShown(c, programClock) {
  switch (c && c.clock) {
    case "running":
      if (programClock && programClock.offset !== null) {
        return [runTimeText(programClock.now() - c.startMs, c.decimal, c.digits), "running"];
      }
      if (c.startedAt) return [runTimeText(Date.now() - c.startedAt, c.decimal, c.digits), "running"];
      return ["\u2026", "running"];
    case "stopped": return [c.stoppedTime || "\u2013", "stopped"];
    case "countdown": return ["Countdown", "countdown"];
    default: return ["", "idle"];
  }
}

// Asks for the data at url. With the ETag of the data the page has, the program answers only when
// it changed (held: after at most a few seconds it says "unchanged"). Resolves to {text, etag}
// for new data, {} for unchanged; retryMs when the program asks to wait before the next question.
async function fetchChanged(url, etag, hold, signal, programClock) {
  const headers = etag ? {"If-None-Match": etag} : {};
  const reply = await fetch(etag && hold ? url + "?wait" : url, {cache: "no-store", headers: headers, signal: signal});
  if (programClock) programClock.sample(Number(reply.headers.get("X-Now-Ms")));
  const retryMs = 1000 * (Number(reply.headers.get("Retry-After")) || 0);
  if (reply.status === 304) return {retryMs: retryMs};
  if (!reply.ok) throw new Error(reply.status);
  return {text: await reply.text(), etag: reply.headers.get("ETag") || "", retryMs: retryMs};
}

// How long a question may go unanswered before the station counts as lost: the program holds
// one for five seconds at most.
const liveTimeoutMs = 9000;

// Follows the data at url for as long as the page is open: each new version goes to use(data),
// and heard(ok) tells after each question whether the station answered.
async function followData(url, programClock, use, heard) {
  let tag = "";
  for (;;) {
    const abort = new AbortController();
    const timer = setTimeout(function () { abort.abort(); }, liveTimeoutMs);
    let wait = 0;
    try {
      const got = await fetchChanged(url, tag, true, abort.signal, programClock);
      if (got.text !== undefined) {
        const d = JSON.parse(got.text);
        if (d.nowMs !== undefined) programClock.sample(d.nowMs);
        tag = got.etag;
        use(d);
      }
      heard(true);
      wait = got.retryMs;
    } catch (e) {
      heard(false);
      wait = 1000;
    }
    clearTimeout(timer);
    await new Promise(function (done) { setTimeout(done, wait); });
  }
}

function liveStamp() { return new Date().toLocaleTimeString("de-DE"); }
