#include "output/ReportAssets.hpp"

const char* reportStyle() {
    return R"CSS(
body { font-family: sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.4em; margin-bottom: 0.2em; }
#run { color: #444; line-height: 1.5; }
#run code { background: #f3f3f3; padding: 0 0.3em; word-break: break-all; }
#tools { margin: 1em 0 0.5em; }
#filter { width: 22em; padding: 0.2em; }
table#pairs { border-collapse: collapse; font-size: 0.9em; }
#pairs th, #pairs td { border-bottom: 1px solid #ddd; padding: 0.25em 0.6em; text-align: right; }
#pairs td.name, #pairs th.name { text-align: left; }
#pairs th { cursor: pointer; background: #f0f0f0; position: sticky; top: 0; user-select: none; }
#pairs th[aria-sort=ascending]::after { content: " \25B2"; }
#pairs th[aria-sort=descending]::after { content: " \25BC"; }
#pairs tr.pair:hover { background: #f7fbff; }
td.thumb svg { display: block; }
#pager button { margin: 0 0.4em; }
section.detail { margin-top: 1.2em; border-top: 1px solid #ccc; }
section.detail h2 { font-size: 1.05em; }
ul.warnings { color: #8a4b00; margin: 0.3em 0; }
details > summary { cursor: pointer; margin: 0.3em 0; }
details svg { max-width: 100%; height: auto; }
pre.view { font-size: 12px; line-height: 1.25; overflow-x: auto; background: #fafafa; padding: 0.6em; }
)CSS";
}

const char* reportScript() {
    return R"JS(
(function () {
  "use strict";
  var table = document.getElementById("pairs");
  var body = table.tBodies[0];
  var rows = Array.prototype.slice.call(body.rows);
  var pageSize = Number(table.getAttribute("data-page-size")) || 100;
  var paged = rows.length > (Number(table.getAttribute("data-thumb-limit")) || 300);
  var filter = document.getElementById("filter");
  var shown = document.getElementById("shown");
  var pager = document.getElementById("pager");
  var page = 0;

  function cellValue(row, k) {
    var cell = row.cells[k];
    var v = cell.getAttribute("data-v");
    return v === null ? cell.textContent : v;
  }
  function matching() {
    var q = filter.value.trim().toLowerCase();
    if (!q) return rows.slice();
    return rows.filter(function (r) { return r.textContent.toLowerCase().indexOf(q) >= 0; });
  }
  function update() {
    var m = matching();
    var pages = paged ? Math.max(1, Math.ceil(m.length / pageSize)) : 1;
    if (page >= pages) page = pages - 1;
    var visible = new Set(paged ? m.slice(page * pageSize, (page + 1) * pageSize) : m);
    rows.forEach(function (r) { r.hidden = !visible.has(r); });
    shown.textContent = m.length + " of " + rows.length + (rows.length === 1 ? " pair" : " pairs") +
      (paged ? ", page " + (page + 1) + " of " + pages : "");
    pager.hidden = !paged;
    pager.querySelector(".prev").disabled = page === 0;
    pager.querySelector(".next").disabled = page + 1 >= pages;
  }
  function sortBy(th, k) {
    var numeric = th.getAttribute("data-type") === "num";
    var ascending = th.getAttribute("aria-sort") !== "ascending";
    Array.prototype.forEach.call(table.tHead.rows[0].cells, function (c) { c.removeAttribute("aria-sort"); });
    th.setAttribute("aria-sort", ascending ? "ascending" : "descending");
    rows.sort(function (a, b) {
      var x = cellValue(a, k), y = cellValue(b, k), d;
      if (numeric) {
        // Cells without a value (no global score with -L) go last either way.
        var ex = x === "", ey = y === "";
        if (ex || ey) return ex === ey ? 0 : (ex ? 1 : -1);
        d = Number(x) - Number(y);
      } else {
        d = x.localeCompare(y);
      }
      return ascending ? d : -d;
    });
    rows.forEach(function (r) { body.appendChild(r); });
    page = 0;
    update();
  }
  Array.prototype.forEach.call(table.tHead.rows[0].cells, function (th, k) {
    if (th.classList.contains("nosort")) return;
    th.addEventListener("click", function () { sortBy(th, k); });
  });
  filter.addEventListener("input", function () { page = 0; update(); });
  pager.querySelector(".prev").addEventListener("click", function () { page -= 1; update(); });
  pager.querySelector(".next").addEventListener("click", function () { page += 1; update(); });
  update();
})();
)JS";
}
