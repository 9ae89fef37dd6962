#!/usr/bin/python3
"""Makes the workbooks a spreadsheet program saves (lo-*.xls, lo-*.xlsx): openpyxl writes the
cells and formulas, LibreOffice opens the book, computes the formulas and saves it as .xls and
.xlsx with their values, as a clerk's files hold them. script-*.xlsx are left as openpyxl writes
them: formulas without saved values, the 1904 date system. The committed files are what the
tests use; run this again only to change them. usage: make_lo_fixtures.py [DIR]
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904

here = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
profile = "file://" + tempfile.mkdtemp(prefix="lo-fixtures-")


def cells_book():
    """The 2011 payroll's cells as a spreadsheet holds them: formulas, errors, a logical value,
    a percentage, a date-formatted amount and a result with more than two decimals."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "工资表"
    ws.append(["姓名", "月工资", "五险一金", "年终奖", "备注"])
    ws.append(["张三", "=8000+2000", "=B2*0.1", None, "公式"])
    ws.append(['=CONCATENATE("李","四")', 12000, "=ROUND(B3*0.105,2)", None, "文字公式"])
    ws.append(["王五", 9000, "=1/0", None, "错误值"])
    ws.append(["赵六", 9000, 900, "=1>0", "逻辑值"])
    ws.append(["孙七", 9000, 0.105, None, "百分比"])
    ws["C6"].number_format = "0.0%"
    ws.append(["周八", 9000, 8000, None, "日期格式"])
    ws["C7"].number_format = "yyyy-mm-dd"
    ws.append(["吴九", "=30000.015/3", None, None, "三位小数"])
    ws.append(["郑十", "=B2+2000", "=C2", "=12000+0.005", "年终奖三位小数"])
    return wb


def months_book(epoch=None):
    """A 2019 payroll whose 月份 are date cells, as a typed 2024-01 becomes."""
    wb = openpyxl.Workbook()
    if epoch:
        wb.epoch = epoch
    ws = wb.active
    ws.title = "2024"
    ws.append(["工号", "姓名", "月份", "本期收入", "五险一金"])
    for m in range(1, 4):
        ws.append(["001", "张三", datetime.date(2024, m, 1), 20000, 2000])
        ws.cell(ws.max_row, 3).number_format = "yyyy-mm"
    return wb


def headings_book():
    """Headings as clerks lay them out: a group heading merged over its items on a second row,
    奖金 beside 应发工资, the sheet's own 说明; 社保 beside 公积金 and 奖金 beside 月工资 on the
    second sheet; total rows written with a wide space and as 本页合计."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "两行标题"
    ws.append(["姓名", "应发工资", "代扣社保公积金", None, None, None, "奖金", "说明"])
    ws.append([None, None, "养老", "医疗", "失业", "公积金", None, None])
    for c in "ABGH":
        ws.merge_cells(f"{c}1:{c}2")
    ws.merge_cells("C1:F1")
    ws.append(["张三", 12000, 800, 200, 20, 1000, 500, "试用期"])
    ws.append(["李四", 9000, 600, 150, 15, 800, None, None])
    ws.append(["合　计", "=B3+B4", "=C3+C4", "=D3+D4", "=E3+E4", "=F3+F4", "=G3+G4", None])
    second = wb.create_sheet("社保")
    second.append(["姓名", "月工资", "社保", "公积金", "奖金"])
    second.append(["张三", 10000, 800, 1000, 500])
    second.append(["本页合计", 10000, 800, 1000, 500])
    return wb


def sheets_book():
    """The payroll on the fourth sheet: an empty first sheet, a hidden template with a header, a
    chart sheet before it."""
    wb = openpyxl.Workbook()
    wb.active.title = "Sheet1"
    template = wb.create_sheet("模板")
    template.append(["姓名", "月工资", "五险一金"])
    template.sheet_state = "hidden"
    data = wb.create_sheet("数据")
    data.append(["姓名", "月工资", "五险一金"])
    data.append(["张三", 10000, 1000])
    from openpyxl.chart import BarChart, Reference
    chart = wb.create_chartsheet("图表", 2)
    bar = BarChart()
    bar.add_data(Reference(data, min_col=2, min_row=1, max_row=2), titles_from_data=True)
    chart.add_chart(bar)
    wb.move_sheet("数据", offset=1)
    return wb


def hidden_book():
    """A hidden row (a person) and a hidden column (五险一金)."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "工资表"
    ws.append(["姓名", "月工资", "五险一金", "部门"])
    ws.append(["张三", 10000, 1000, "财务"])
    ws.append(["李四", 9000, 900, "技术"])
    ws.row_dimensions[3].hidden = True
    ws.column_dimensions["C"].hidden = True
    return wb


def long_cell_book():
    """One note of 4,100 Chinese characters and 8,000 letters, more than one record of an .xls
    holds: the records after the first carry the letters one byte each."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "工资表"
    ws.append(["姓名", "月工资", "说明"])
    ws.append(["张三", 10000, "长" * 4100 + "a" * 8000])
    ws.append(["李四", 8000, "短"])
    return wb


def script_formula_book():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "工资表"
    ws.append(["姓名", "月工资", "五险一金"])
    ws.append(["张三", "=8000+2000", 1000])
    ws.append(["李四", 9000, 900])
    return wb


def large_part_book():
    """A sheet part that says it inflates to 700 MB, as this program's own workbook of a million
    rows does (about 67 MB a hundred thousand rows); what it holds is one person."""
    import io
    import struct
    import zipfile

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "个税"
    ws.append(["姓名", "月工资"])
    ws.append(["张三", 10000])
    buf = io.BytesIO()
    wb.save(buf)
    data = bytearray(buf.getvalue())
    name, size = "xl/worksheets/sheet1.xml", 700 << 20
    info = zipfile.ZipFile(io.BytesIO(bytes(data))).getinfo(name)
    struct.pack_into("<I", data, info.header_offset + 22, size)
    pos = data.find(b"PK\x01\x02")
    while data[pos + 46:pos + 46 + struct.unpack_from("<H", data, pos + 28)[0]] != name.encode():
        pos = data.find(b"PK\x01\x02", pos + 4)
    struct.pack_into("<I", data, pos + 24, size)
    return bytes(data)


def through_office(book, name):
    work = tempfile.mkdtemp()
    source = os.path.join(work, name + ".xlsx")
    book.save(source)
    for kind, filt in (("xls", "xls:MS Excel 97"), ("xlsx", "xlsx:Calc MS Excel 2007 XML")):
        out = os.path.join(work, "out")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", filt,
                        "--outdir", out, source], check=True, capture_output=True, timeout=300)
        shutil.copy(os.path.join(out, name + "." + kind), os.path.join(here, "lo-" + name + "." + kind))
    shutil.rmtree(work)


def with_password(source, target):
    """Saves `source` as an .xls with an opening password, through LibreOffice's own interface
    (its command line takes no password)."""
    import time
    import uno
    from com.sun.star.beans import PropertyValue

    office = subprocess.Popen(["soffice", "-env:UserInstallation=" + profile, "--headless", "--invisible",
                               "--accept=socket,host=127.0.0.1,port=2399;urp;"])
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(60):
        try:
            ctx = resolver.resolve("uno:socket,host=127.0.0.1,port=2399;urp;StarOffice.ComponentContext")
            break
        except Exception:
            time.sleep(1)
    desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

    def prop(name, value):
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(source), "_blank", 0, (prop("Hidden", True),))
    doc.storeToURL(uno.systemPathToFileUrl(target), (prop("FilterName", "MS Excel 97"), prop("Password", "123")))
    doc.close(True)
    try:
        desktop.terminate()
    except Exception:
        pass
    office.wait(timeout=60)


through_office(cells_book(), "cells")
through_office(months_book(), "months")
through_office(months_book(CALENDAR_MAC_1904), "months-1904")
through_office(long_cell_book(), "long-cell")
through_office(headings_book(), "headings")
through_office(sheets_book(), "sheets")
through_office(hidden_book(), "hidden")
script_formula_book().save(os.path.join(here, "script-formula.xlsx"))
sheets_book().save(os.path.join(here, "script-sheets.xlsx"))  # its chart sheet kept as one
with open(os.path.join(here, "script-large-part.xlsx"), "wb") as f:
    f.write(large_part_book())
with_password(os.path.join(here, "lo-cells.xlsx"), os.path.join(here, "lo-password.xls"))
months_book(CALENDAR_MAC_1904).save(os.path.join(here, "script-months-1904.xlsx"))
