# Reads a workbook with openpyxl and checks it against what the writer was given: the sheets in
# order, every cell's value, number format and boldness, nothing else in any sheet, the zip's
# checksums, no column wider than a spreadsheet allows.
# usage: xlsx_oracle.py BOOK.xlsx WANTS   (WANTS: lines "S name-hex" and
#        "C sheet row col kind value-hex format bold", tab-separated)
import re
import sys
import zipfile

import openpyxl
from openpyxl.utils.escape import unescape

book_path, wants_path = sys.argv[1], sys.argv[2]
package = zipfile.ZipFile(book_path)
assert package.testzip() is None, "a part's checksum is wrong"
# A spreadsheet program refuses a row whose cells repeat a column or go backwards. A cell without
# its reference is the one after the cell before it; one with it names its own row.
CELL = re.compile(r'<c(?: r="([A-Z]+)([0-9]+)")?[ />]')
for name in package.namelist():
    if name.startswith("xl/worksheets/"):
        xml = package.read(name).decode()
        rows, cols = [], []
        for number, row in re.findall(r'<row r="([0-9]+)"[^>]*>(.*?)</row>', xml, re.S):
            columns = []
            for letters, at in CELL.findall(row):
                assert not at or at == number, (name, number, letters + at)
                columns.append(openpyxl.utils.column_index_from_string(letters) if letters else
                               (columns[-1] if columns else 0) + 1)
            assert columns == sorted(set(columns)), (name, columns)
            rows.append(int(number))
            cols += columns
        # The sheet's stated extent is the extent of its cells.
        last_col, last_row = re.search(r'<dimension ref="A1:([A-Z]+)([0-9]+)"/>', xml).groups()
        assert int(last_row) == max(rows, default=1), (name, last_row, max(rows, default=1))
        assert openpyxl.utils.column_index_from_string(last_col) == max(cols, default=1), (name, last_col)
        for value in re.findall(r'<v>([^<]*)</v>', xml):
            assert re.fullmatch(r'-?[0-9]+(\.[0-9]*[1-9])?(E-?[0-9]+)?', value), value
book = openpyxl.load_workbook(book_path)
names, cells = [], {}
for line in open(wants_path, encoding="utf-8"):
    f = line.rstrip("\n").split("\t")
    if f[0] == "S":
        names.append(bytes.fromhex(f[1]).decode())
    else:
        cells[(int(f[1]), int(f[2]), int(f[3]))] = (f[4], bytes.fromhex(f[5]).decode(), f[6], f[7] == "1")
assert book.sheetnames == names, (book.sheetnames, names)
failures = []
for s, ws in enumerate(book.worksheets):
    seen = {(s, c.row, c.column): c for row in ws.iter_rows() for c in row if c.value is not None}
    want = {k: v for k, v in cells.items() if k[0] == s}
    if set(seen) != set(want):
        failures.append(("cells", ws.title, sorted(set(seen) ^ set(want))[:5]))
    for key, (kind, value, fmt, bold) in want.items():
        c = seen.get(key)
        if c is None:
            continue
        got = unescape(c.value) if isinstance(c.value, str) else c.value
        ok = got == value if kind == "text" else (not isinstance(got, str) and float(got) == float(value))
        if not ok or c.number_format != fmt or bool(c.font.b) != bold:
            failures.append((ws.title, c.coordinate, kind, repr(value)[:60], repr(got)[:60], c.number_format, c.font.b))
    for letter, d in ws.column_dimensions.items():
        if d.width and d.width > 255:
            failures.append(("width", ws.title, letter, d.width))
for f in failures[:10]:
    print(f)
sys.exit(1 if failures else 0)
