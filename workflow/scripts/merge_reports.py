"""Joins the HTML reports of a run's chunks, in order, into the report one
run over the whole input writes: the chunks' rows and sections follow one
another (each chunk numbers its pairs as in the whole input; an empty chunk
is passed over), and the run's line names
the workflow. Each report keeps its rows and its sections between marker
comments, one row a line.

    merge_reports.py OUTPUT.html CHUNK.html...
"""
import html
import re
import sys

THUMB = re.compile(r'<td class="thumb">.*</td></tr>$')


def split(text, path):
    try:
        head, rest = text.split("<!--rows-->\n", 1)
        rows, rest = rest.split("<!--/rows-->\n", 1)
        middle, rest = rest.split("<!--sections-->\n", 1)
        sections, tail = rest.split("<!--/sections-->\n", 1)
    except ValueError:
        sys.exit(f"merge_reports.py: {path} is not a complete report")
    return head, rows.splitlines(), middle, sections, tail


def main(output, chunks):
    parts = []
    for path in chunks:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if text:
            parts.append(split(text, path))
    if not parts:
        sys.exit("merge_reports.py: no chunk has a report")
    head, _, middle, _, tail = parts[0]
    rows, sections = [], []
    for _, chunk_rows, _, chunk_sections, _ in parts:
        rows += chunk_rows
        sections.append(chunk_sections)
    limit = int(re.search(r'data-thumb-limit="(\d+)"', head).group(1))
    if len(rows) > limit:
        rows = [THUMB.sub('<td class="thumb"></td></tr>', r) for r in rows]
    head = re.sub(r'<span id="pair-count">\d+</span>', f'<span id="pair-count">{len(rows)}</span>', head)
    head = re.sub(r"Command: <code>(.*?)</code>",
                  lambda m: f"Command: <code>{html.escape('the workflow in ' + str(len(chunks)) + ' chunks, each:', quote=False)}"
                            f" {m.group(1)}</code>", head, count=1)
    with open(output, "w", encoding="utf-8") as f:
        f.write(head + "<!--rows-->\n" + "".join(r + "\n" for r in rows) + "<!--/rows-->\n" + middle +
                "<!--sections-->\n" + "".join(sections) + "<!--/sections-->\n" + tail)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
