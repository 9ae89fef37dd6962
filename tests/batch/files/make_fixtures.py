#!/usr/bin/python3
"""Makes the workbook fixtures the tests read (the committed files are what the tests use; run
this again only to change them): payroll.xlsx written by openpyxl, payroll.xls by xlwt, a clerk's
two months in payroll-clerk.xlsx, and the
files a reader must refuse.

openpyxl neither computes formulas nor writes shared strings, and every spreadsheet program
does both; so after openpyxl has written the book, the parts are rewritten the way such a
program stores them: cached results of the formulas, most text moved to the shared strings
(one of them rich text with a reading aid that is not part of the text), one row with no
references. usage: make_fixtures.py [DIR]
"""
import io
import os
import re
import struct
import sys
import zipfile
import zlib

import openpyxl
import xlwt

here = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
# Every zip entry gets the same time, so the files come out the same on every run.
STAMP = (2024, 3, 31, 12, 0, 0)


def payroll_book():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "工资表"
    ws["A1"] = "2024年3月工资表"
    ws.merge_cells("A1:H1")
    ws.append(["工号", "姓名", "部门", "月工资", "奖金", "五险一金", "应发合计", "已确认"])
    ws["AA2"] = "备注"
    ws.append(["0001", "张三", "财务部", 12000.1, 500, 1234.56, "=D3+E3", True])
    ws.append(["0002", "李四", "技术部", 8000, None, 960, "=D4+E4", False])
    ws.append(["0003", "王五", "技术部", 123456789012345, 0.1, -5, "=D5+E5", None])
    ws["AA5"] = "年终"
    ws.append(["0004", "赵六", "市场部", 3500.5, 200, 0, "=1/0", None])
    ws.append([])
    ws.append(["合计", None, None, "=SUM(D3:D6)", "=SUM(E3:E6)", "=SUM(F3:F6)", '=B3&"、"&B4', None])
    notes = wb.create_sheet("说明")
    notes.append(["本表由人事部编制", "第二列"])
    notes.append(["富文本占位", 42])
    notes.append(["行号省略", "x_x000D_y", 7])
    buf = io.BytesIO()
    wb.save(buf)
    return buf.getvalue()


# What a spreadsheet program leaves in the formula cells: the results it computed, in its own
# number text (binary sums show their last digits), or an error, or text.
CACHED = {
    "G3": ("", "12500.1000000000004"),
    "G4": ("", "8000"),
    "G5": ("", "123456789012345.1"),
    "G6": ("e", "#DIV/0!"),
    "D8": ("", "123456789035346.6"),
    "E8": ("", "700.1"),
    "F8": ("", "2189.5600000000004"),
    "G8": ("str", "张三、李四"),
}
# Cells whose text stays inline, as openpyxl wrote it.
INLINE = {"A1", "AA5"}


def rewrite_sheet1(xml, strings):
    def cell(m):
        ref, attrs, body = m.group(1), m.group(2), m.group(3)
        if ref in CACHED:
            kind, value = CACHED[ref]
            formula = re.search(r"<f>.*?</f>", body).group(0)
            t = f' t="{kind}"' if kind else ""
            return f'<c r="{ref}"{t}>{formula}<v>{value}</v></c>'
        inline = re.fullmatch(r"<is><t>(.*?)</t></is>", body or "")
        if 't="inlineStr"' in attrs and inline and ref not in INLINE:
            strings.append(inline.group(1))
            return f'<c r="{ref}" t="s"><v>{len(strings) - 1}</v></c>'
        return m.group(0)

    # openpyxl writes each number as Python's shortest text; 0.1 as stored by a program that
    # writes seventeen digits.
    xml = re.sub(r'<c r="([A-Z]+\d+)"([^>]*?)(?:/>|>(.*?)</c>)', cell, xml)
    return xml.replace("<v>0.1</v>", "<v>0.10000000000000001</v>")


def rewrite_sheet2(xml, strings):
    rich = len(strings)
    # The second row's first cell: bold and plain runs, and a reading aid (not part of the text).
    strings.append(None)
    xml = re.sub(r'<c r="A2" t="inlineStr"><is><t>.*?</t></is></c>', f'<c r="A2" t="s"><v>{rich}</v></c>', xml)
    # The third row and its cells without references: counted in order.
    row3 = re.search(r'<row r="3"[^>]*>.*?</row>', xml).group(0)
    bare = re.sub(r' r="[A-Z]*\d+"', "", row3)
    return xml.replace(row3, bare)


def shared_strings_xml(strings):
    items = []
    for s in strings:
        if s is None:
            items.append('<si><r><rPr><b/></rPr><t>工资</t></r><r><t xml:space="preserve"> 说明 </t></r>'
                         '<rPh sb="0" eb="2"><t>gongzi</t></rPh></si>')
        else:
            items.append(f"<si><t>{s}</t></si>")
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            f'count="{len(strings)}" uniqueCount="{len(strings)}">' + "".join(items) + "</sst>")


def rezip(parts, method=zipfile.ZIP_DEFLATED):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        for name, data in parts:
            z.writestr(zipfile.ZipInfo(name, STAMP), data, method)
    return buf.getvalue()


def payroll_xlsx():
    src = zipfile.ZipFile(io.BytesIO(payroll_book()))
    parts = [(n, src.read(n)) for n in src.namelist()]
    strings = []
    out = []
    for name, data in parts:
        text = data.decode("utf-8")
        if name == "xl/worksheets/sheet1.xml":
            text = rewrite_sheet1(text, strings)
        elif name == "xl/worksheets/sheet2.xml":
            text = rewrite_sheet2(text, strings)
        out.append([name, text])
    for part in out:
        if part[0] == "[Content_Types].xml":
            part[1] = part[1].replace("</Types>", '<Override PartName="/xl/sharedStrings.xml" ContentType='
                                      '"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>')
        elif part[0] == "xl/_rels/workbook.xml.rels":
            part[1] = part[1].replace("</Relationships>", '<Relationship Type="http://schemas.openxmlformats.org/'
                                      'officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml" '
                                      'Id="rIdSst"/></Relationships>')
    out.append(["xl/sharedStrings.xml", shared_strings_xml(strings)])
    return rezip([(n, t.encode("utf-8")) for n, t in out])


def payroll_xls():
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("工资表")
    ws.write_merge(0, 0, 0, 5, "2024年3月工资表")
    for c, title in enumerate(["工号", "姓名", "部门", "月工资", "奖金", "五险一金", "发放日"]):
        ws.write(1, c, title)
    date = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    import datetime
    rows = [
        ["0001", "张三", "财务部", 12000.1, 500, 1234.56],
        ["0002", "李四", "技术部", 8000, None, 0.1 + 0.2],
        ["0003", "王五", "技术部", 123456789012345, 1e-3, -5],
    ]
    for r, values in enumerate(rows, start=2):
        for c, v in enumerate(values):
            if v is not None:
                ws.write(r, c, v)
        ws.write(r, 6, datetime.date(2024, 3, 31), date)
    ws.write(6, 0, "合计")
    ws.write(6, 3, 143456789035346.1)
    ws.write(1, 27, "备注")  # column AB
    notes = wb.add_sheet("说明")
    notes.write(0, 0, "本表由人事部编制")
    notes.write(2, 1, 2 ** 31)
    buf = io.BytesIO()
    wb.save(buf)
    return buf.getvalue()


def patch_sizes(data, name, size):
    """Writes `size` as the uncompressed size of entry `name` in both of its headers."""
    data = bytearray(data)
    z = zipfile.ZipFile(io.BytesIO(bytes(data)))
    info = z.getinfo(name)
    struct.pack_into("<I", data, info.header_offset + 22, size)
    pos = 0
    while True:
        pos = data.find(b"PK\x01\x02", pos)
        assert pos >= 0
        n = struct.unpack_from("<H", data, pos + 28)[0]
        if data[pos + 46:pos + 46 + n].decode() == name:
            struct.pack_into("<I", data, pos + 24, size)
            return bytes(data)
        pos += 4


def minimal_book(sheet_xml):
    ct = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
          '<Default Extension="xml" ContentType="application/xml"/></Types>')
    rels = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
            'Target="xl/workbook.xml"/></Relationships>')
    book = ('<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
            '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>')
    book_rels = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                 '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
                 'Target="worksheets/sheet1.xml"/></Relationships>')
    return rezip([("[Content_Types].xml", ct.encode()), ("_rels/.rels", rels.encode()),
                  ("xl/workbook.xml", book.encode()), ("xl/_rels/workbook.xml.rels", book_rels.encode()),
                  ("xl/worksheets/sheet1.xml", sheet_xml)])


def bomb_rows(megabytes):
    head = b'<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
    row = b'<row><c t="inlineStr"><is><t>0</t></is></c></row>'
    return head + row * (megabytes * 1024 * 1024 // len(row)) + b"</sheetData></worksheet>"


def png():
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    pixels = zlib.compress(b"\x00\xff\x00\x00" * 1)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", pixels) + chunk(b"IEND", b""))


def write(name, data):
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)


def clerk_xlsx():
    """Two months of a clerk's payroll, the way one is kept: a merged title, 工号 beside 姓名,
    the four insurance items, 应发工资 as a formula with the result a spreadsheet program keeps,
    columns of the clerk's own, a 合计 row of sums."""
    import datetime
    wb = openpyxl.Workbook()
    wb.properties.created = wb.properties.modified = datetime.datetime(*STAMP)
    months = {
        "6月": [("A01", "王娜", "财务部", 11000, 1000, 880, 220, 55, 1100, 24000, ""),
                ("A02", "李强", "销售部", 7500.5, 500, 600, 150, 37.5, 750, None, "试用期"),
                ("A03", "赵敏", "销售部", 3000, 0, 240, 60, 15, 300, 60000, ""),
                ("A04", "孙悦", "技术部", 52000, 3000, 0.1, 0.2, 0, 0, 0, "")],
        "7月": [("A01", "王娜", "财务部", 11000, 2000, 880, 220, 55, 1100, None, ""),
                ("A05", "周平", "技术部", 9000, 0, "缓缴", 180, 45, 900, None, "")],
    }
    cached = {}
    for k, (title, people) in enumerate(months.items()):
        ws = wb.active if k == 0 else wb.create_sheet()
        ws.title = title
        ws["A1"] = f"某某公司2018年{title}工资表"
        ws.merge_cells("A1:L1")
        ws.append([])
        ws.append(["序号", "工号", "姓名", "部门", "基本工资", "绩效", "应发工资", "基本养老保险费",
                   "基本医疗保险费", "失业保险费", "住房公积金", "全年一次性奖金", "备注"])
        sums = {}
        for i, (pid, name, dept, base, extra, *rest) in enumerate(people):
            r = ws.max_row + 1
            ws.append([i + 1, pid, name, dept, base, extra, f"=E{r}+F{r}"] + list(rest))
            cached[(k, f"G{r}")] = repr(base + extra).removesuffix(".0")
        last = ws.max_row
        ws.append(["合计", None, None, None, f"=SUM(E4:E{last})", f"=SUM(F4:F{last})", f"=SUM(G4:G{last})"])
        total = sum(p[3] + p[4] for p in people)
        cached[(k, f"G{last + 1}")] = repr(total).removesuffix(".0")
        cached[(k, f"E{last + 1}")] = repr(sum(p[3] for p in people)).removesuffix(".0")
        cached[(k, f"F{last + 1}")] = repr(sum(p[4] for p in people)).removesuffix(".0")
    buf = io.BytesIO()
    wb.save(buf)
    src = zipfile.ZipFile(io.BytesIO(buf.getvalue()))
    parts = []
    for name in src.namelist():
        data = src.read(name)
        m = re.fullmatch(r"xl/worksheets/sheet(\d+)\.xml", name)
        if m:
            k = int(m.group(1)) - 1

            def cell(c):
                value = cached.get((k, c.group(1)))
                if value is None:
                    return c.group(0)
                return f'<c r="{c.group(1)}"{c.group(2)}>{c.group(3)}<v>{value}</v></c>'
            data = re.sub(r'<c r="([A-Z]+\d+)"([^>]*)>(<f>.*?</f>)<v\s*/?>(?:</v>)?</c>', cell,
                          data.decode("utf-8")).encode("utf-8")
        parts.append((name, data))
    return rezip(parts)


xlsx = payroll_xlsx()
write("payroll.xlsx", xlsx)
# The same parts stored without compression, as some programs write them (and a seed whose XML
# a fuzzer can change directly).
stored = zipfile.ZipFile(io.BytesIO(xlsx))
write("payroll-stored.xlsx", rezip([(n, stored.read(n)) for n in stored.namelist()], zipfile.ZIP_STORED))
write("payroll.xls", payroll_xls())
write("payroll-clerk.xlsx", clerk_xlsx())
# Cut short: the directory at the end of the container is gone.
write("truncated.xlsx", xlsx[: len(xlsx) * 2 // 3])
# The container is whole but the first sheet's compressed data is overwritten halfway.
z = zipfile.ZipFile(io.BytesIO(xlsx))
info = z.getinfo("xl/worksheets/sheet1.xml")
start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
damaged = bytearray(xlsx)
for k in range(start + info.compress_size // 2, start + info.compress_size // 2 + 24):
    damaged[k] ^= 0x5A
write("damaged-sheet.xlsx", bytes(damaged))
# Small files that inflate hugely: one declaring 3 GiB, one declaring 2 KiB but inflating to 8 MiB.
write("bomb-declared.xlsx", patch_sizes(minimal_book(b"<worksheet/>"), "xl/worksheets/sheet1.xml", 3 << 30))
write("bomb-liar.xlsx", patch_sizes(minimal_book(bomb_rows(8)), "xl/worksheets/sheet1.xml", 2048))
# One cell of 5 MiB, beyond what the reader holds as one piece of text.
write("long-cell.xlsx", minimal_book(b'<worksheet><sheetData><row><c t="inlineStr"><is><t>'
                                     + b"a" * (5 << 20) + b"</t></is></c></row></sheetData></worksheet>"))
# A document of another kind in the same sort of container.
write("document.docx", rezip([
    ("_rels/.rels", b'<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                    b'<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
                    b'relationships/officeDocument" Target="word/document.xml"/></Relationships>'),
    ("word/document.xml", '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
                          '<w:body><w:p><w:r><w:t>工资</w:t></w:r></w:p></w:body></w:document>'.encode())]))
# A zip that holds no workbook, an .xls cut short, and a picture.
buf = io.BytesIO()
with zipfile.ZipFile(buf, "w") as plain:
    plain.writestr(zipfile.ZipInfo("readme.txt", STAMP), "not a workbook\n")
write("plain.zip", buf.getvalue())
write("truncated.xls", payroll_xls()[:3000])
# Ten sheets, each with one cell in the last row and column: FreeXL would take gigabytes.
wide = xlwt.Workbook()
for k in range(10):
    sheet = wide.add_sheet(f"s{k}")
    sheet.write(0, 0, "a")
    sheet.write(65535, 255, "z")
buf = io.BytesIO()
wide.save(buf)
write("wide.xls", buf.getvalue())
write("picture.png", png())
