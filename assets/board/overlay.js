// The video overlay for a streaming program's browser source: a transparent page with the rider on
// course, the horse and the running clock, then the time, penalties, place and division once the
// run is entered. It reads the announcer's data, from the program's live server ("/overlay") or,
// for an arena without one, from the broker (overlay.html beside the show board):
//   overlay.html?show=NAME&arena=NAME&prefix=corralix&user=NAME&password=WORD
// Needs live.js; with the Paho client loaded it reads the broker.
"use strict";

(function () {
  const style = document.createElement("style");
  style.textContent =
    "html,body{margin:0;background:transparent;overflow:hidden}" +
    "body{font-family:system-ui,-apple-system,'Segoe UI',Roboto,Arial,sans-serif;color:#fff}" +
    "#card{position:fixed;left:4vw;bottom:6vh;max-width:70vw;display:flex;align-items:stretch;" +
    "background:rgba(16,22,28,.86);border-left:.8vh solid #2e7d4f;border-radius:.6vh;" +
    "box-shadow:0 .4vh 2vh rgba(0,0,0,.45);}" +
    "#card.hidden{opacity:0}" +
    "#who{padding:1.4vh 2.2vh;min-width:0}" +
    "#rider{font-size:4.4vh;font-weight:700;line-height:1.15;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}" +
    "#num{color:#ffd54f;margin-right:1.2vh}" +
    "#horse{font-size:3vh;color:#cfe3d6;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}" +
    "#side{padding:1.2vh 2.4vh;background:rgba(0,0,0,.35);display:flex;flex-direction:column;justify-content:center;align-items:flex-end}" +
    "#clock{font-size:6.4vh;font-weight:700;font-variant-numeric:tabular-nums;line-height:1.05;white-space:nowrap}" +
    "#clock.running{color:#7cf29c}#clock.stopped{color:#ffd54f}#clock.dq{color:#ff7b72}" +
    "#result{font-size:2.8vh;color:#eef2f5;white-space:nowrap}";
  document.head.append(style);
  const card = document.createElement("div");
  card.id = "card";
  card.className = "hidden";
  card.innerHTML = "<div id='who'><div id='rider'><span id='num'></span><span id='name'></span></div>" +
                   "<div id='horse'></div></div><div id='side'><div id='clock'></div><div id='result'></div></div>";
  document.body.append(card);
  function $(id) { return document.getElementById(id); }

  let data = null;
  let heard = false;
  const programClock = new ProgramClock();

  function same(a, b) { return a && b && a.startNumber === b.startNumber && a.rider === b.rider; }
  // What the card shows: the rider on course with the clock; once the run is entered, its result.
  function render() {
    const d = data;
    const entered = d && d.clock === "stopped" && d.lastRun && same(d.lastRun.starter, d.onCourse);
    // A hung program's clock would be wrong too: the card goes like that of a lost station.
    const shown = !heard || !d || d.stale || !d.hasStarter ? null : entered ? d.lastRun.starter : d.onCourse;
    card.className = shown ? "" : "hidden";
    if (!shown) return;
    $("num").textContent = shown.startNumber || "";
    $("name").textContent = shown.rider || "";
    $("horse").textContent = [shown.horse, shown.team].filter(Boolean).join(" \u00b7 ");
    const result = $("result");
    if (entered) {
      const r = d.lastRun;
      $("clock").textContent = r.dq ? "DQ" : r.total;
      $("clock").className = r.dq ? "dq" : "stopped";
      result.textContent = r.dq ? r.reason : [r.penaltyTime, r.place ? "Rang " + r.place : "", r.division].filter(Boolean).join(" \u00b7 ");
    } else {
      result.textContent = "";
      tick();
    }
  }
  function tick() {
    const d = data;
    if (!d || card.className === "hidden") return;
    if (d.clock === "stopped" && d.lastRun && same(d.lastRun.starter, d.onCourse)) return;
    const [text, state] = clockShown(d, programClock);
    const c = $("clock");
    if (c.textContent !== text) c.textContent = text;
    if (c.className !== state) c.className = state;
  }
  setInterval(function () { if (data && data.clock === "running") tick(); }, 40);

  // From the program's own live server: the announcer's data, asked again at once and held by
  // the program until it changes.
  function fromProgram() {
    followData("sprecher.json", programClock, function (d) { data = d; }, function (ok) {
      heard = ok;  // a station not heard shows no clock that might be wrong
      render();
    });
  }

  // From the broker: the retained messages of one arena (the first one heard without arena=).
  function fromBroker() {
    const params = new URLSearchParams(location.search);
    const prefix = params.get("prefix") || "corralix";
    let show = params.get("show") || "";
    let arena = params.get("arena") || "";
    const port = Number(location.port) || (location.protocol === "https:" ? 443 : 80);
    const client = new Paho.Client(location.hostname, port, "/", "overlay-" + Math.random().toString(16).slice(2, 10));
    client.onMessageArrived = function (message) {
      const levels = message.destinationName.slice(prefix.length + 1).split("/");
      if (levels.length !== 3) return;
      if (!show) show = levels[0];
      if (!arena) arena = levels[1];
      if (levels[0] !== show || levels[1] !== arena) return;
      try {
        if (levels[2] === "status") heard = message.payloadString === "online";
        else data = JSON.parse(message.payloadString);
      } catch (e) {
        return;  // a broken message changes nothing
      }
      render();
    };
    function retry() {
      heard = false;
      render();
      setTimeout(connect, 3000);
    }
    client.onConnectionLost = retry;
    function connect() {
      const options = {
        useSSL: location.protocol === "https:", keepAliveInterval: 20, timeout: 5, onFailure: retry,
        onSuccess: function () {
          for (const kind of ["status", "announcer"]) client.subscribe(prefix + "/+/+/" + kind, {qos: 0});
        },
      };
      if (params.get("user")) {
        options.userName = params.get("user");
        options.password = params.get("password") || "";
      }
      client.connect(options);
    }
    connect();
  }

  if (typeof Paho !== "undefined") fromBroker();
  else fromProgram();
})();
