// orv-live's page: the progressive image, the scene's entities with editors generated from
// their parameter tables, the explanation of a clicked pixel, diagnostics, undo, redo, save.
// Everything goes through the JSON API of the server that served this page; the page's
// cookie carries the token.
"use strict";

const $ = (id) => document.getElementById(id);

const state = {
  scene: null,        // /api/scene
  selected: null,     // name of the entity shown in the inspector
  generation: -1,     // of the image showing
  imageBusy: false,   // an image is being fetched
  imageAgain: false,  // another pass finished meanwhile
  imageUrl: null,
  pixel: null,        // [x, y] explained
  changed: new Set(), // entities that differ from the file
};

// ---- the API -------------------------------------------------------------------------------

async function api(method, path, body) {
  const init = { method, credentials: "same-origin", headers: {} };
  if (body !== undefined) {
    init.headers["Content-Type"] = "application/json";
    init.body = JSON.stringify(body);
  }
  const response = await fetch(path, init);
  let data = null;
  try { data = await response.json(); } catch (e) { data = null; }
  if (!response.ok) {
    const error = new Error((data && data.error) || `HTTP ${response.status}`);
    error.status = response.status;
    throw error;
  }
  return data;
}

let toastTimer = null;
function toast(text, kind) {
  const box = $("toast");
  box.textContent = text;
  box.className = kind || "";
  box.style.display = "block";
  clearTimeout(toastTimer);
  toastTimer = setTimeout(() => { box.style.display = "none"; }, kind === "info" ? 2500 : 9000);
}

// ---- the scene -----------------------------------------------------------------------------

const SECTIONS = ["options", "camera", "objects", "lights", "nodes"];

async function loadScene(rebuildInspector) {
  const scene = await api("GET", "/api/scene");
  scene.nodes = scene.nodes || [];
  state.scene = scene;
  $("scene-path").textContent = scene.path;
  document.title = `orv-live: ${scene.path}`;
  $("undo").disabled = scene.undo === 0;
  $("redo").disabled = scene.redo === 0;
  $("undo").title = `Undo (Ctrl+Z): ${scene.undo} step${scene.undo === 1 ? "" : "s"}`;
  $("redo").title = `Redo (Ctrl+Shift+Z): ${scene.redo} step${scene.redo === 1 ? "" : "s"}`;
  fillChannels(scene.channels || ["beauty"]);
  fillOutliner();
  if (rebuildInspector) showInspector();
}

function entity(name) {
  return state.scene && state.scene.nodes.find((n) => n.name === name);
}

function fillChannels(channels) {
  const menu = $("channel");
  const now = menu.value || "beauty";
  if ([...menu.options].map((o) => o.value).join() === channels.join()) return;
  menu.replaceChildren(...channels.map((c) => new Option(c, c, false, c === now)));
}

function fillOutliner() {
  const list = $("entities");
  const filter = $("filter").value.trim().toLowerCase();
  const items = [];
  for (const section of SECTIONS) {
    const members = state.scene.nodes.filter((n) => n.section === section &&
      (!filter || n.name.toLowerCase().includes(filter) || (n.type || "").toLowerCase().includes(filter)));
    if (members.length === 0) continue;
    const head = document.createElement("li");
    head.className = "section";
    head.textContent = section;
    items.push(head);
    for (const n of members) {
      const li = document.createElement("li");
      li.className = "entity";
      li.dataset.name = n.name;
      if (n.name === state.selected) li.classList.add("selected");
      if (state.changed.has(n.name)) li.classList.add("changed");
      const name = document.createElement("span");
      name.className = "name";
      name.textContent = n.name;
      const type = document.createElement("span");
      type.className = "type";
      type.textContent = n.type || "";
      li.append(name, type);
      li.addEventListener("click", () => select(n.name));
      items.push(li);
    }
  }
  list.replaceChildren(...items);
}

function select(name) {
  state.selected = name;
  for (const li of document.querySelectorAll("#entities li.entity"))
    li.classList.toggle("selected", li.dataset.name === name);
  showInspector();
}

// ---- editors -------------------------------------------------------------------------------

// Edits go one at a time; while one is on its way, only the newest value of a drag is kept.
let editBusy = false;
let editNext = null;

function sendEdit(edit, rebuild) {
  if (editBusy) { editNext = { edit, rebuild }; return; }
  editBusy = true;
  api("POST", "/api/edit", edit)
    .then(() => afterChange(rebuild))
    .catch((error) => {
      toast(error.message);
      // The session kept the last good state: show it again.
      loadScene(true).catch(() => {});
    })
    .finally(() => {
      editBusy = false;
      if (editNext) { const next = editNext; editNext = null; sendEdit(next.edit, next.rebuild); }
    });
}

function setValue(node, param, value) {
  const p = paramOf(node, param);
  if (p) p.value = value;
  sendEdit({ op: "set", node, param, value }, false);
}

function paramOf(node, name) {
  const n = entity(node);
  return n && (n.params || []).find((p) => p.name === name);
}

async function afterChange(rebuild) {
  await loadScene(rebuild);
  refreshDifferences();
}

const isNumber = (t) => t === "float" || t === "int" || t === "byte" || t === "uint";
const hasRange = (p) => typeof p.min === "number" && typeof p.max === "number" &&
  isFinite(p.min) && isFinite(p.max) && p.max > p.min;

function numberInput(value, isInt, onSet) {
  const input = document.createElement("input");
  input.type = "number";
  input.step = isInt ? "1" : "any";
  input.value = formatNumber(value);
  input.addEventListener("change", () => {
    const v = Number(input.value);
    if (input.value.trim() === "" || !isFinite(v)) return;
    onSet(isInt ? Math.round(v) : v);
  });
  return input;
}

function formatNumber(v) {
  if (typeof v !== "number") return "";
  return Number.isInteger(v) ? String(v) : String(Number(v.toPrecision(6)));
}

// Dragging a parameter's name sideways changes a number, as in a 3D package's channel box.
function scrubber(label, getValue, isInt, onSet) {
  label.addEventListener("pointerdown", (down) => {
    const start = getValue();
    if (typeof start !== "number") return;
    const x0 = down.clientX;
    const step = isInt ? 0.1 : Math.max(Math.abs(start), 1) * 0.005;
    label.setPointerCapture(down.pointerId);
    const move = (e) => {
      let v = start + (e.clientX - x0) * step;
      v = isInt ? Math.round(v) : Number(v.toPrecision(5));
      onSet(v);
    };
    const up = () => {
      label.removeEventListener("pointermove", move);
      label.removeEventListener("pointerup", up);
    };
    label.addEventListener("pointermove", move);
    label.addEventListener("pointerup", up);
  });
}

const linearToSrgb = (c) => {
  c = Math.min(Math.max(c, 0), 1);
  return c <= 0.0031308 ? 12.92 * c : 1.055 * Math.pow(c, 1 / 2.4) - 0.055;
};
const srgbToLinear = (c) => (c <= 0.04045 ? c / 12.92 : Math.pow((c + 0.055) / 1.055, 2.4));

function colourHex(rgb) {
  return "#" + rgb.slice(0, 3).map((c) =>
    Math.round(linearToSrgb(Number(c) || 0) * 255).toString(16).padStart(2, "0")).join("");
}

function makeEditor(node, p, row, label) {
  const editor = document.createElement("div");
  editor.className = "editor";
  const type = p.type;
  const set = (v) => setValue(node, p.name, v);

  if (Array.isArray(p.values) && p.values.length > 0 && (type === "int" || type === "string")) {
    const menu = document.createElement("select");
    for (const choice of p.values)
      menu.add(new Option(`${choice.value}  ${choice.meaning || ""}`.trim(), JSON.stringify(choice.value)));
    const now = JSON.stringify(p.value);
    if (![...menu.options].some((o) => o.value === now))
      menu.add(new Option(`${p.value} (other)`, now));
    menu.value = now;
    menu.dataset.param = p.name;
    menu.addEventListener("change", () => set(JSON.parse(menu.value)));
    editor.append(menu);
  } else if (isNumber(type)) {
    const isInt = type !== "float";
    let slider = null;
    const field = numberInput(p.value, isInt, (v) => {
      if (slider) slider.value = v;
      set(v);
    });
    field.dataset.param = p.name;
    if (hasRange(p)) {
      slider = document.createElement("input");
      slider.type = "range";
      slider.min = p.min;
      slider.max = p.max;
      slider.step = isInt ? 1 : (p.max - p.min) / 1000;
      slider.value = p.value;
      slider.dataset.param = p.name;
      slider.addEventListener("input", () => {
        field.value = formatNumber(Number(slider.value));
        set(Number(slider.value));
      });
      editor.append(slider);
    }
    editor.append(field);
    scrubber(label, () => Number(field.value), isInt, (v) => {
      if (hasRange(p)) v = Math.min(Math.max(v, p.min), p.max);
      field.value = formatNumber(v);
      if (slider) slider.value = v;
      set(v);
    });
  } else if (type === "bool") {
    const box = document.createElement("input");
    box.type = "checkbox";
    box.checked = !!p.value;
    box.dataset.param = p.name;
    box.addEventListener("change", () => set(box.checked));
    editor.append(box);
  } else if (type === "rgb" || type === "rgba" || type === "vector" || type === "point") {
    editor.classList.add("vector");
    const value = Array.isArray(p.value) ? p.value.slice()
      : [p.value, p.value, p.value].concat(type === "rgba" ? [1] : []);
    const fields = value.map((v, i) => {
      const f = numberInput(v, false, (x) => {
        value[i] = x;
        if (picker) picker.value = colourHex(value);
        set(value.slice());
      });
      f.dataset.param = `${p.name}.${i}`;
      return f;
    });
    let picker = null;
    if (type === "rgb" || type === "rgba") {
      picker = document.createElement("input");
      picker.type = "color";
      picker.value = colourHex(value);
      picker.dataset.param = p.name;
      picker.addEventListener("input", () => {
        for (let i = 0; i < 3; ++i) {
          value[i] = Number(srgbToLinear(parseInt(picker.value.substr(1 + 2 * i, 2), 16) / 255).toPrecision(4));
          fields[i].value = formatNumber(value[i]);
        }
        set(value.slice());
      });
      editor.append(picker);
    }
    editor.append(...fields);
  } else if (type === "node") {
    const menu = nodeMenu(p.value, true);
    menu.dataset.param = p.name;
    menu.addEventListener("change", () => set(menu.value === "" ? null : menu.value));
    editor.append(menu);
  } else {
    // Anything else (a string, user data) as the JSON it is written as.
    const text = document.createElement("input");
    text.type = "text";
    text.value = type === "string" && typeof p.value === "string" ? p.value : JSON.stringify(p.value);
    text.dataset.param = p.name;
    text.addEventListener("change", () => {
      if (type === "string") return set(text.value);
      try { set(JSON.parse(text.value)); } catch (e) { toast(`${p.name}: not JSON: ${e.message}`); }
    });
    editor.append(text);
  }
  return editor;
}

function nodeMenu(current, allowNone) {
  const menu = document.createElement("select");
  if (allowNone) menu.add(new Option("(none)", ""));
  for (const n of state.scene.nodes.filter((e) => e.section === "nodes"))
    menu.add(new Option(n.name, n.name, false, n.name === current));
  if (current) menu.value = current;
  return menu;
}

// A link is shown as a link to the node (click: select it), with a menu to relink and a
// button to unlink; a parameter that can be linked has the menu alone.
function linkMenu(node, p) {
  const menu = nodeMenu(null, false);
  menu.className = "link-select";
  menu.title = p.link ? `link to another node than ${p.link}` : "link to a node";
  menu.insertBefore(new Option("\u21e2", ""), menu.firstChild);
  menu.value = "";
  menu.dataset.link = p.name;
  menu.addEventListener("change", () => {
    if (menu.value) sendEdit({ op: "set", node, param: p.name, value: { link: menu.value } }, true);
  });
  return menu;
}

function linkControls(node, p, row) {
  if (!p.link) {
    row.append(linkMenu(node, p));
    return;
  }
  const box = document.createElement("div");
  box.className = "editor";
  const to = document.createElement("a");
  to.textContent = `\u2192 ${p.link}`;
  to.title = `linked to ${p.link}: show it`;
  to.addEventListener("click", () => select(p.link));
  const unlink = document.createElement("button");
  unlink.className = "unlink";
  unlink.textContent = "\u00d7";
  unlink.title = "unlink";
  unlink.dataset.unlink = p.name;
  unlink.addEventListener("click", () => sendEdit({ op: "unlink", node, param: p.name }, true));
  box.append(to, unlink);
  row.append(box, linkMenu(node, p));
}

function showInspector() {
  const box = $("params");
  const n = state.selected && entity(state.selected);
  if (!n) {
    $("selection-title").textContent = "Parameters";
    box.className = "dim";
    box.textContent = "Select a node, an object or a light.";
    return;
  }
  $("selection-title").textContent = `${n.name}  \u00b7  ${n.type || n.section}`;
  box.className = "";
  const rows = [];
  for (const p of n.params || []) {
    const row = document.createElement("div");
    row.className = "param";
    row.dataset.param = p.name;
    const label = document.createElement("span");
    label.className = "label";
    label.textContent = p.name;
    label.title = `${p.name} (${p.type}${p.oncePerUpdate ? ", read once per update" : ""})` +
      (p.help ? `: ${p.help}` : "");
    row.append(label);
    if (p.link) {
      row.classList.add("linked");
      label.classList.add("static");
      linkControls(n.name, p, row);
    } else {
      row.append(makeEditor(n.name, p, row, label));
      if (!isNumber(p.type)) label.classList.add("static");
      if (n.section === "nodes" && p.type !== "node") linkControls(n.name, p, row);
      else row.append(document.createElement("span"));
    }
    const notes = [];
    if (p.help) notes.push(p.help);
    if (p.otherwise) notes.push(`otherwise: ${p.otherwise}`);
    if (notes.length) {
      const help = document.createElement("div");
      help.className = "help";
      help.textContent = notes.join(" \u00b7 ");
      row.append(help);
    }
    rows.push(row);
  }
  if (n.section === "lights") rows.push(filtersRow(n));
  box.replaceChildren(...rows);
}

// A light's filters, in order: each a link to its node with a button to take it off the light,
// and a menu to add another. The scene reader checks the names, as for any edit.
function filtersRow(n) {
  const filters = n.filters || [];
  const setFilters = (list) =>
    sendEdit({ op: "set", node: n.name, param: "filters", value: list }, true);
  const row = document.createElement("div");
  row.className = "param";
  row.dataset.param = "filters";
  const label = document.createElement("span");
  label.className = "label static";
  label.textContent = "filters";
  label.title = "filters: the blocker and filter nodes this light's light passes through";
  const box = document.createElement("div");
  box.className = "editor filters";
  filters.forEach((name, i) => {
    const to = document.createElement("a");
    to.textContent = name;
    to.title = `${name}: show it`;
    to.addEventListener("click", () => select(name));
    const remove = document.createElement("button");
    remove.className = "unlink";
    remove.textContent = "\u00d7";
    remove.title = `take ${name} off ${n.name}`;
    remove.dataset.filter = name;
    remove.addEventListener("click", () => setFilters(filters.filter((_, j) => j !== i)));
    box.append(to, remove);
  });
  if (filters.length === 0) {
    const none = document.createElement("span");
    none.className = "dim";
    none.textContent = "(none)";
    box.append(none);
  }
  const add = nodeMenu(null, false);
  for (const option of [...add.options]) if (filters.includes(option.value)) option.remove();
  add.className = "link-select";
  add.title = `add a filter to ${n.name}`;
  add.dataset.addFilter = "1";
  add.insertBefore(new Option("+", ""), add.firstChild);
  add.value = "";
  add.addEventListener("change", () => { if (add.value) setFilters([...filters, add.value]); });
  row.append(label, box, add);
  return row;
}

// ---- the image -----------------------------------------------------------------------------

function fitImage() {
  if (!state.scene) return;
  const view = $("viewport");
  const w = state.scene.width, h = state.scene.height;
  const scale = Math.min((view.clientWidth - 20) / w, (view.clientHeight - 20) / h);
  // Whole multiples when the frame fits, so that a pixel stays a crisp square.
  const s = scale >= 1 ? Math.floor(scale) : scale;
  $("image").style.width = `${Math.max(1, Math.round(w * s))}px`;
  $("image").style.height = `${Math.max(1, Math.round(h * s))}px`;
  placeMarker();
}

function imagePath() {
  const channel = encodeURIComponent($("channel").value || "beauty");
  return `/api/image.png?channel=${channel}&exposure=${$("exposure").value}`;
}

async function loadImage() {
  if (state.imageBusy) { state.imageAgain = true; return; }
  state.imageBusy = true;
  try {
    do {
      state.imageAgain = false;
      const response = await fetch(imagePath(), { credentials: "same-origin" });
      if (response.status === 503) break;  // no pass yet: the next event brings one
      if (!response.ok) {
        const data = await response.json().catch(() => ({}));
        toast(data.error || `image: HTTP ${response.status}`);
        break;
      }
      const pass = JSON.parse(response.headers.get("X-Orv-Pass") || "{}");
      const url = URL.createObjectURL(await response.blob());
      const img = $("image");
      await new Promise((done) => { img.onload = done; img.onerror = done; img.src = url; });
      img.classList.add("shown");
      if (state.imageUrl) URL.revokeObjectURL(state.imageUrl);
      state.imageUrl = url;
      img.dataset.generation = pass.generation;
      img.dataset.pass = pass.pass;
      img.dataset.final = pass.final ? "1" : "0";
      showPass(pass);
    } while (state.imageAgain);
  } catch (e) {
    toast(`image: ${e.message}`);
  } finally {
    state.imageBusy = false;
  }
}

function showPass(pass) {
  if (pass.pass === undefined) return;
  const status = $("pass-status");
  status.textContent = `pass ${pass.pass}/${pass.passes} \u00b7 ${pass.samples} spp \u00b7 ` +
    `${pass.width}\u00d7${pass.height} \u00b7 ${pass.seconds.toFixed(2)} s` + (pass.final ? " \u00b7 done" : "");
  status.classList.toggle("final", !!pass.final);
}

function listenForPasses() {
  const events = new EventSource("/api/events");
  events.addEventListener("pass", (e) => {
    const pass = JSON.parse(e.data);
    showPass(pass);
    // The stream starts with the newest pass, which may be the one showing already.
    const img = $("image");
    if (img.dataset.generation !== String(pass.generation) || img.dataset.pass !== String(pass.pass))
      loadImage();
    if (pass.generation !== state.generation) {
      state.generation = pass.generation;
      refreshDifferences();
    }
    if (pass.final || pass.pass === 1) refreshDiagnostics();
  });
  events.onerror = () => { $("pass-status").textContent = "reconnecting to the server\u2026"; };
}

// ---- a pixel explained ---------------------------------------------------------------------

function placeMarker() {
  const marker = $("marker"), img = $("image");
  if (!state.pixel || !state.scene) { marker.style.display = "none"; return; }
  marker.style.display = "block";
  marker.style.left = `${(state.pixel[0] + 0.5) / state.scene.width * img.clientWidth}px`;
  marker.style.top = `${(state.pixel[1] + 0.5) / state.scene.height * img.clientHeight}px`;
}

async function explainAt(event) {
  const img = $("image");
  if (!state.scene || img.clientWidth === 0) return;
  const x = Math.min(state.scene.width - 1, Math.floor(event.offsetX / img.clientWidth * state.scene.width));
  const y = Math.min(state.scene.height - 1, Math.floor(event.offsetY / img.clientHeight * state.scene.height));
  state.pixel = [x, y];
  placeMarker();
  $("pixel-label").textContent = `${x}, ${y}`;
  const box = $("explain");
  box.className = "tree dim";
  box.textContent = "explaining\u2026";
  try {
    const tree = await api("GET", `/api/explain?x=${x}&y=${y}`);
    box.className = "tree";
    box.replaceChildren(treeNode(tree, "pixel", 0));
    box.dataset.pixel = `${x},${y}`;
  } catch (e) {
    box.textContent = e.message;
  }
}

const isColour = (v) => Array.isArray(v) && (v.length === 3 || v.length === 4) && v.every((c) => typeof c === "number");

function valueText(v) {
  if (Array.isArray(v) && v.every((c) => typeof c === "number"))
    return `[${v.map((c) => formatNumber(c)).join(", ")}]`;
  if (typeof v === "number") return formatNumber(v);
  return typeof v === "string" ? v : JSON.stringify(v);
}

// The headline of a record of the tree: what it is (node, light, ray, object) and its name.
function headline(record, fallback) {
  for (const kind of ["node", "light", "ray", "object", "message", "channel", "camera"]) {
    if (typeof record[kind] === "string") {
      const extra = kind === "node" && record.type ? ` (${record.type})`
        : kind === "ray" && record.cast ? ` ${record.cast}` : "";
      return [kind, record[kind] + extra];
    }
  }
  return [fallback, ""];
}

function fieldLine(key, value) {
  const line = document.createElement("div");
  line.className = "field";
  const k = document.createElement("span");
  k.className = "key";
  k.textContent = `${key}: `;
  line.append(k);
  if (isColour(value) && /colou?r|output|intensity|rgb|filter/i.test(key)) {
    const swatch = document.createElement("span");
    swatch.className = "swatch";
    swatch.style.background = colourHex(value);
    line.append(swatch);
  }
  line.append(document.createTextNode(value === null ? "none" : valueText(value)));
  return line;
}

function treeNode(record, fallback, depth) {
  const details = document.createElement("details");
  details.open = depth < 6;
  const summary = document.createElement("summary");
  const [kind, what] = headline(record, fallback);
  const k = document.createElement("span");
  k.className = "kind";
  k.textContent = `${kind} `;
  const w = document.createElement("span");
  w.className = "what";
  w.textContent = what;
  summary.append(k, w);
  if (isColour(record.output)) {
    const swatch = document.createElement("span");
    swatch.className = "swatch";
    swatch.style.background = colourHex(record.output);
    swatch.style.marginLeft = "6px";
    summary.append(swatch);
  }
  details.append(summary);
  for (const [key, value] of Object.entries(record)) {
    // What the headline says already.
    if (key === kind && typeof value === "string") continue;
    if (kind === "node" && key === "type") continue;
    if (kind === "ray" && key === "cast") continue;
    if (Array.isArray(value) && value.some((v) => v && typeof v === "object" && !Array.isArray(v))) {
      for (const child of value)
        details.append(child && typeof child === "object" ? treeNode(child, key, depth + 1) : fieldLine(key, child));
    } else if (value && typeof value === "object" && !Array.isArray(value)) {
      details.append(treeNode(value, key, depth + 1));
    } else {
      details.append(fieldLine(key, value));
    }
  }
  return details;
}

// ---- panels --------------------------------------------------------------------------------

async function refreshDiagnostics() {
  try {
    const d = await api("GET", "/api/diagnostics");
    const items = d.entries.map((e) => {
      const li = document.createElement("li");
      li.className = e.severity;
      li.textContent = `${e.severity}: ${e.text}`;
      return li;
    });
    if (d.unkept > 0) {
      const li = document.createElement("li");
      li.className = "warning";
      li.textContent = `${d.unkept} more, past those kept`;
      items.push(li);
    }
    $("diagnostics").replaceChildren(...items);
    $("diagnostics-count").textContent = `${d.warnings} warning${d.warnings === 1 ? "" : "s"}, ` +
      `${d.errors} error${d.errors === 1 ? "" : "s"}`;
  } catch (e) { /* shown on the next pass */ }
}

async function refreshDifferences() {
  try {
    const d = await api("GET", "/api/differences");
    state.changed = new Set(d.entries.map((e) => e.name));
    const items = d.entries.map((e) => {
      const li = document.createElement("li");
      const where = document.createElement("span");
      where.textContent = `${e.section} ${e.name}${e.param ? "." + e.param : ""}  `;
      const disk = document.createElement("span");
      disk.className = "disk";
      disk.textContent = e.disk === null ? "(absent)" : JSON.stringify(e.disk);
      const session = document.createElement("span");
      session.className = "session";
      session.textContent = e.session === null ? "(removed)" : JSON.stringify(e.session);
      li.append(where, disk, document.createTextNode("  \u2192  "), session);
      return li;
    });
    $("differences").replaceChildren(...items);
    $("differences-count").textContent = d.changed ? `${d.entries.length} unsaved` : "none: all saved";
    $("differences-count").dataset.changed = d.changed ? "1" : "0";
    if (state.scene) fillOutliner();
  } catch (e) { /* shown on the next pass */ }
}

async function undoRedo(which) {
  try {
    await api("POST", `/api/${which}`);
    await afterChange(true);
  } catch (e) { toast(e.message); }
}

async function save(asOther) {
  const path = asOther ? $("save-as").value.trim() : "";
  if (asOther && !path) return toast("Save as: give a file name ending in .json");
  try {
    const done = await api("POST", "/api/save", path ? { path } : {});
    toast(`saved ${done.saved}`, "info");
    if (asOther) {
      // The session goes on with the file saved as: further saves and differences are its.
      state.scene.path = done.saved;
      $("scene-path").textContent = done.saved;
      document.title = `orv-live: ${done.saved}`;
    }
    refreshDifferences();
  } catch (e) { toast(`not saved: ${e.message}`); }
}

// ---- start ---------------------------------------------------------------------------------

function start() {
  $("undo").addEventListener("click", () => undoRedo("undo"));
  $("redo").addEventListener("click", () => undoRedo("redo"));
  $("save").addEventListener("click", () => save(false));
  $("save-as-button").addEventListener("click", () => save(true));
  $("channel").addEventListener("change", loadImage);
  $("exposure").addEventListener("input", () => {
    const stops = Number($("exposure").value);
    $("exposure-value").textContent = (stops >= 0 ? "+" : "") + stops.toFixed(2);
    loadImage();
  });
  $("filter").addEventListener("input", fillOutliner);
  $("image").addEventListener("click", explainAt);
  window.addEventListener("resize", fitImage);
  document.addEventListener("keydown", (e) => {
    const typing = e.target instanceof HTMLInputElement && e.target.type !== "range" &&
      e.target.type !== "checkbox";
    if (!(e.ctrlKey || e.metaKey)) return;
    if (e.key === "s") { e.preventDefault(); save(false); }
    else if (!typing && e.key.toLowerCase() === "z") { e.preventDefault(); undoRedo(e.shiftKey ? "redo" : "undo"); }
  });
  loadScene(true)
    .then(() => { fitImage(); refreshDifferences(); refreshDiagnostics(); loadImage(); listenForPasses(); })
    .catch((e) => toast(`cannot read the scene: ${e.message}`));
}

start();
