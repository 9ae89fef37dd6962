#include "batch/Xlsx.h"

#include "batch/Sheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace batch {

namespace tb = tax::batch;

namespace {

// Column widths in the spreadsheet's unit, the width of a digit; a CJK character takes two.
void Widen(std::vector<double>& widths, int col, double width) {
    if (widths.size() <= static_cast<size_t>(col)) widths.resize(static_cast<size_t>(col) + 1, 0);
    widths[static_cast<size_t>(col)] = std::max(widths[static_cast<size_t>(col)], width);
}

double TextWidth(std::string_view utf8) {
    double width = 0;
    for (unsigned char c : utf8)
        if (c < 0x80) width += 1;
        else if (c >= 0xE0) width += 2; // the lead byte of a three- or four-byte character
    return width;
}

// The width of the figure as "#,##0.00" shows it.
double MoneyWidth(const tax::Decimal& v) {
    if (long long c = 0; tb::CentsOf(v, c)) {
        long long whole = 1;
        for (unsigned long long w = static_cast<unsigned long long>(c < 0 ? -c : c) / 100; w >= 10; w /= 10) ++whole;
        return static_cast<double>(whole + (whole - 1) / 3 + 3 + (c < 0 ? 1 : 0));
    }
    const tax::Decimal::Parts p = v.Decompose();
    const long long whole = std::max<long long>(1, static_cast<long long>(p.digits.size()) + p.exponent);
    return static_cast<double>(whole + (whole - 1) / 3 + 3 + (p.negative ? 1 : 0));
}

// A sheet's name inside a formula: quoted, quotes doubled.
std::string Quoted(const std::string& name) {
    std::string out = "'";
    for (char c : name) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// Text as XML character data: the markup characters escaped, and the characters XML cannot carry
// written as a spreadsheet writes them (_x0001_, _xFFFE_); a text that reads like such a code
// itself has its "_" written so, lest a spreadsheet turn "_x0041_" into "A".
void AppendXml(std::string& out, std::string_view text) {
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c > '>' && c != '_' && c != 0xEF) continue; // the most of any text
        const char* with = nullptr;
        size_t length = 1;
        if (c == '&') with = "&amp;";
        else if (c == '<') with = "&lt;";
        else if (c == '>') with = "&gt;";
        else if (c == '"') with = "&quot;";
        else if (c == '_' && EscapeCodeAt(text, i) >= 0) with = "_x005F_";
        else if (c == 0xEF && text.substr(i, 3) == "\xEF\xBF\xBE") with = "_xFFFE_", length = 3;
        else if (c == 0xEF && text.substr(i, 3) == "\xEF\xBF\xBF") with = "_xFFFF_", length = 3;
        else if (c >= ' ' || c == '\t' || c == '\n') continue; // a '\r' would be read back as '\n'
        out.append(text.substr(from, i - from));
        from = i + length;
        i += length - 1;
        if (with) {
            out += with;
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "_x%04X_", c);
            out += code;
        }
    }
    out.append(text.substr(from));
}

// A figure as a cell's value: two decimals from its fen, else every digit it has, so that a
// spreadsheet reads the double nearest the exact figure.
void AppendNumber(std::string& out, const tax::Decimal& v) {
    char buffer[tb::kCentsChars];
    if (long long c = 0; tb::CentsOf(v, c)) {
        // Without the zeros a spreadsheet drops itself: "1200", "1234.5".
        char* end = tb::WriteCents(buffer, c);
        if (end[-1] == '0') --end;
        if (end[-1] == '0') end -= 2;
        out.append(buffer, static_cast<size_t>(end - buffer));
        return;
    }
    const tax::Decimal::Parts p = v.Decompose();
    if (p.negative) out += '-';
    out += p.digits;
    out += 'E';
    out += std::to_string(p.exponent);
}

std::string ColumnName(int col) {
    std::string name;
    for (int c = col + 1; c > 0; c = (c - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
    return name;
}

// A width as the file holds it: the content's digits plus the cell's padding, in 256ths, at most
// the 255 characters a spreadsheet allows a column.
std::string FileWidth(double digits) {
    const double width = std::min(255.0, std::floor((std::floor(digits * 7 + 0.5) + 5) / 7 * 256) / 256);
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, width).ptr);
}

constexpr std::string_view kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// Printed as a clerk sets the sheet up: A4 landscape, one page wide, page numbers in the footer.
constexpr std::string_view kSheetTail =
    "</sheetData><pageMargins left=\"0.4\" right=\"0.4\" top=\"0.6\" bottom=\"0.6\" header=\"0.3\" footer=\"0.3\"/>"
    "<pageSetup paperSize=\"9\" orientation=\"landscape\" fitToHeight=\"0\"/>"
    "<headerFooter><oddFooter>&amp;L打印日期：&amp;D&amp;R第 &amp;P 页 / 共 &amp;N 页</oddFooter></headerFooter></worksheet>";

// The five formats every cell takes one of, in the order of SheetBook::Style; the number
// formats are the spreadsheet's built-in "#,##0.00" (4) and "0%" (9).
constexpr std::string_view kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"5\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"4\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"9\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"4\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" applyFont=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles></styleSheet>";

} // namespace

SheetBook::~SheetBook() {
    if (zip_.IsOpen()) (void)Close();
}

void SheetBook::Abandon() { zip_.Abandon(); }

tax::Status SheetBook::Open(const std::string& path) { return zip_.Open(path); }

void SheetBook::Start(std::string name, std::vector<std::string> titles) {
    name_ = std::move(name);
    titles_ = std::move(titles);
    NewSheet();
}

// A cell is written as it comes, straight after the row's others, its place kept so that a row
// written out of column order still reaches the file in order. A cell straight after the one
// before it goes without its reference (the format lets a reader count it): the references are
// a third of a sheet's text, and what compresses worst.
void SheetBook::Open(int col, Style style, bool inlineText) {
    char head[64] = "<c";
    char* p = Ref(head + 2, col, placed_.empty() ? -1 : placed_.back().col);
    if (style != kPlain) {
        p = std::copy_n(" s=\"", 4, p);
        *p++ = static_cast<char>('0' + style);
        *p++ = '"';
    }
    if (inlineText) p = std::copy_n(" t=\"inlineStr\"", 14, p);
    *p++ = '>';
    zip_.Rows().append(head, static_cast<size_t>(p - head));
}

// ` r="B7"` for column `col` of the row being written, at `p`, unless the cell comes straight
// after the one in column `before` (-1: the row's first); the end returned.
char* SheetBook::Ref(char* p, int col, int before) {
    if (col == before + 1) return p;
    while (letters_.size() <= static_cast<size_t>(col)) letters_.push_back(ColumnName(static_cast<int>(letters_.size())));
    const std::string& letters = letters_[static_cast<size_t>(col)];
    p = std::copy_n(" r=\"", 4, p);
    p = std::copy(letters.begin(), letters.end(), p);
    p = std::copy(rowRef_.begin(), rowRef_.end(), p);
    *p++ = '"';
    return p;
}

void SheetBook::Placed(int col) { placed_.push_back({col, zip_.Rows().size() - cellsAt_}); }

void SheetBook::Value(int col, Style style, const tax::Decimal& value) {
    Open(col, style);
    std::string& out = zip_.Rows();
    out.append("<v>", 3);
    AppendNumber(out, value);
    out.append("</v></c>", 8);
    Placed(col);
}

void SheetBook::Inline(int col, Style style, std::string_view text) {
    std::string& out = zip_.Rows();
    if (text.empty()) { // a blank cell keeps its format, as a spreadsheet saves it
        Open(col, style);
        out.insert(out.size() - 1, "/");
        Placed(col);
        return;
    }
    Open(col, style, true);
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    if (space(text.front()) || space(text.back())) out.append("<is><t xml:space=\"preserve\">");
    else out.append("<is><t>", 7);
    AppendXml(out, text);
    out.append("</t></is></c>", 13);
    Placed(col);
}

void SheetBook::BeginRow() {
    EndRow();
    rowOpen_ = true;
    openRow_ = row_;
    rowRef_ = std::to_string(row_ + 1);
    std::string& out = zip_.Rows();
    rowAt_ = out.size();
    out.append("<row r=\"", 8).append(rowRef_).append("\">", 2);
    cellsAt_ = out.size();
}

// The row's cells put in column order, the last written of a column kept; a row with none left
// out.
void SheetBook::EndRow() {
    if (!rowOpen_) return;
    rowOpen_ = false;
    std::string& out = zip_.Rows();
    if (placed_.empty()) {
        out.resize(rowAt_);
        return;
    }
    const bool inOrder = std::is_sorted(placed_.begin(), placed_.end(), [](const Place& a, const Place& b) { return a.col <= b.col; });
    if (!inOrder) {
        const std::string cells = out.substr(cellsAt_);
        out.resize(cellsAt_);
        std::vector<size_t> order(placed_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return placed_[a].col < placed_[b].col; });
        // Each cell's reference written again for its new neighbours.
        int before = -1;
        for (size_t k = 0; k < order.size(); ++k) {
            const size_t i = order[k];
            if (k + 1 < order.size() && placed_[order[k + 1]].col == placed_[i].col) continue;
            size_t begin = (i == 0 ? 0 : placed_[i - 1].end) + 2; // past "<c"
            if (cells.compare(begin, 4, " r=\"") == 0) begin = cells.find('"', begin + 4) + 1;
            char head[64] = "<c";
            const char* p = Ref(head + 2, placed_[i].col, before);
            out.append(head, static_cast<size_t>(p - head)).append(cells, begin, placed_[i].end - begin);
            before = placed_[i].col;
        }
    }
    out.append("</row>", 6);
    for (const Place& p : placed_) lastCol_ = std::max(lastCol_, p.col);
    lastRow_ = openRow_; // row_ may have moved on to the next row already
    placed_.clear();
    zip_.Appended();
}

// The sheet's head, now that its widths are known: frozen under the header row, the columns as
// wide as what was written in them.
void SheetBook::EndSheet() {
    EndRow();
    lastRows_.push_back(row_ - 1);
    std::string head(kXmlHead);
    head += "<worksheet ";
    head += kMainNs;
    head += "><sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr><dimension ref=\"A1:";
    head += ColumnName(lastCol_) + std::to_string(lastRow_ + 1);
    head += sheets_ == 1 ? "\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\">" : "\"/><sheetViews><sheetView workbookViewId=\"0\">";
    head += "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/><selection pane=\"bottomLeft\"/>"
            "</sheetView></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    if (!widths_.empty()) {
        head += "<cols>";
        for (size_t c = 0; c < widths_.size(); ++c) {
            const std::string n = std::to_string(c + 1);
            head += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" + FileWidth(widths_[c] + 2) + "\" customWidth=\"1\"/>";
        }
        head += "</cols>";
    }
    head += "<sheetData>";
    zip_.EndSheet("xl/worksheets/sheet" + std::to_string(sheets_) + ".xml", head, kSheetTail);
    sheetOpen_ = false;
}

void SheetBook::NewSheet() {
    if (sheetOpen_) EndSheet();
    sheetOpen_ = true;
    ++sheets_;
    ++inSeries_;
    if (inSeries_ > 1) skips_.emplace_back();
    const std::string name = inSeries_ == 1 ? name_ : name_ + " (" + std::to_string(inSeries_) + ")";
    names_.push_back(name);
    used_.push_back(name);
    zip_.BeginRows();
    widths_.clear();
    lastCol_ = 0;
    lastRow_ = 0;
    row_ = 0;
    BeginRow();
    for (size_t c = 0; c < titles_.size(); ++c) {
        Inline(static_cast<int>(c), kBold, titles_[c]);
        Widen(widths_, static_cast<int>(c), TextWidth(titles_[c]));
    }
    EndRow(); // NextRow moves to the first row under the header
}

namespace {

// A name a worksheet may have: none of []:*?/\, no quote at either end, at most 25 characters
// (room for " (2)" within the 31 allowed), not empty, not one already used in the book.
std::string SheetName(std::string name, const std::vector<std::string>& used) {
    for (char& c : name)
        if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) c = '_';
    while (!name.empty() && name.front() == '\'') name.erase(0, 1);
    while (!name.empty() && name.back() == '\'') name.pop_back();
    size_t chars = 0, cut = name.size();
    for (size_t i = 0; i < name.size(); ++i)
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && ++chars > 25) {
            cut = i;
            break;
        }
    name.resize(cut);
    if (name.empty()) name = "表";
    std::string out = name;
    for (int k = 2; std::find(used.begin(), used.end(), out) != used.end(); ++k) out = name + "_" + std::to_string(k);
    return out;
}

} // namespace

void SheetBook::Restart(std::string name) {
    name = SheetName(std::move(name), used_);
    if (sheetOpen_) EndSheet();
    names_.clear();
    lastRows_.clear();
    skips_.assign(1, {});
    inSeries_ = 0;
    name_ = std::move(name);
    NewSheet();
}

void SheetBook::Number(int col, tax::Decimal value) {
    Value(col, kPlain, value);
    Widen(widths_, col, MoneyWidth(value) - 3);
}

void SheetBook::NextRow() {
    if (++row_ >= rowsPerSheet_) {
        NewSheet();
        row_ = 1;
    }
    BeginRow();
}

void SheetBook::Text(int col, std::string_view text) {
    if (!text.empty()) Inline(col, kPlain, text);
    Widen(widths_, col, TextWidth(text));
}

void SheetBook::Money(int col, tax::Decimal value) {
    Value(col, kMoney, value);
    Widen(widths_, col, MoneyWidth(value));
}

void SheetBook::Rate(int col, tax::Decimal value) {
    Value(col, kRate, value);
    Widen(widths_, col, 4);
}

void SheetBook::Label(int col, const char* text) { Inline(col, kBold, text); }

void SheetBook::Total(int col, tax::Decimal sum) {
    Widen(widths_, col, MoneyWidth(sum));
    std::string formula;
    const std::string letters = ColumnName(col);
    for (size_t s = 0; s < names_.size(); ++s) {
        // The totals' own sheet runs to the row above them.
        const unsigned last = s + 1 < names_.size() ? lastRows_[s] : row_ - 1;
        // The rows between those left out, each a range of its own.
        unsigned from = 1;
        std::vector<unsigned> ends = s < skips_.size() ? skips_[s] : std::vector<unsigned>();
        ends.push_back(last + 1);
        for (unsigned end : ends) {
            if (end > from) {
                if (!formula.empty()) formula += ',';
                if (names_.size() > 1 && s + 1 < names_.size()) formula += Quoted(names_[s]) + '!';
                const unsigned to = std::min(end - 1, last);
                formula += letters + std::to_string(from + 1);
                if (to != from) formula += ':' + letters + std::to_string(to + 1);
            }
            from = std::max(from, end + 1);
            if (from > last) break;
        }
    }
    if (formula.empty()) {
        Value(col, kBoldMoney, sum);
        return;
    }
    Open(col, kBoldMoney);
    std::string& out = zip_.Rows();
    out += "<f>SUM(";
    AppendXml(out, formula);
    out += ")</f><v>";
    AppendNumber(out, sum);
    out += "</v></c>";
    Placed(col);
}

tax::Status SheetBook::Close() {
    if (used_.empty()) Start("Sheet1", {}); // a workbook holds at least one sheet
    ++row_;
    if (sheetOpen_) EndSheet();
    return Finish();
}

// The workbook's own parts: its sheets in order, each with its header row printed on every page.
tax::Status SheetBook::Finish() {
    std::string types(kXmlHead), book(kXmlHead), rels(kXmlHead), names;
    types += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
             "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    book += "<workbook ";
    book += kMainNs;
    book += "><bookViews><workbookView/></bookViews><sheets>";
    rels += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 0; i < used_.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n +
                 ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        book += "<sheet name=\"";
        AppendXml(book, used_[i]);
        book += "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        names += "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"" + std::to_string(i) + "\">";
        AppendXml(names, Quoted(used_[i]) + "!$1:$1");
        names += "</definedName>";
    }
    types += "</Types>";
    book += "</sheets><definedNames>" + names + "</definedNames></workbook>";
    rels += "<Relationship Id=\"rId" + std::to_string(used_.size() + 1) +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>";
    zip_.Part("[Content_Types].xml", types);
    zip_.Part("_rels/.rels", std::string(kXmlHead) +
                                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                 "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                                 "Target=\"xl/workbook.xml\"/></Relationships>");
    zip_.Part("xl/workbook.xml", book);
    zip_.Part("xl/_rels/workbook.xml.rels", rels);
    zip_.Part("xl/styles.xml", std::string(kXmlHead) + std::string(kStyles));
    return zip_.Close();
}

tax::Status XlsxTableWriter::Begin(std::span<const table::Column> columns) {
    columns_.assign(columns.begin(), columns.end());
    started_ = false;
    return {};
}

// The first sheet waits for its name: a section begun before any row names it.
void XlsxTableWriter::Started(std::string name) {
    if (started_) return;
    started_ = true;
    std::vector<std::string> titles;
    for (const table::Column& c : columns_) titles.push_back(c.title);
    book_.Start(std::move(name), std::move(titles));
}

tax::Status XlsxTableWriter::Section(const std::string& name) {
    if (started_) book_.Restart(name);
    else Started(name);
    return {};
}

tax::Status XlsxTableWriter::Add(const table::Row& row) {
    Started("预扣");
    book_.NextRow();
    // The sheet's own 合计 row is kept as written, but the totals leave it out.
    if (row.state == table::RowState::kTotal) book_.Unsummed();
    for (size_t i = 0; i < row.cells.size() && i < columns_.size(); ++i) {
        const table::Cell& cell = row.cells[i];
        const int c = static_cast<int>(i);
        switch (cell.kind) {
        case table::Cell::kMoney: book_.Money(c, cell.value); break;
        case table::Cell::kNumber: book_.Number(c, cell.value); break;
        case table::Cell::kRate: book_.Rate(c, cell.value); break;
        case table::Cell::kText:
        case table::Cell::kMonth: book_.Text(c, cell.text); break;
        case table::Cell::kEmpty: break;
        }
    }
    return {};
}

tax::Status XlsxTableWriter::Subtotal(const table::Row& totals) {
    Totals(totals);
    return {};
}

void XlsxTableWriter::Totals(const table::Row& totals) {
    Started("预扣");
    book_.NextRow();
    for (size_t i = 0; i < totals.cells.size() && i < columns_.size(); ++i) {
        const table::Cell& cell = totals.cells[i];
        if (cell.kind == table::Cell::kText) book_.Label(static_cast<int>(i), cell.text.c_str());
        else if (cell.kind == table::Cell::kMoney && columns_[i].summed) book_.Total(static_cast<int>(i), cell.value);
    }
}

tax::Status XlsxTableWriter::Finish(const table::Row& totals) {
    Totals(totals);
    return book_.Close();
}

} // namespace batch
