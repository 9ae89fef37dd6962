// .xls books of Excel 97 and later (BIFF8): libgsf opens the compound file, the records of the
// workbook stream are read here. FreeXL, which read them before, gives no value for a formula
// cell (though every spreadsheet program saves the value beside the formula), reads error and
// logical cells as numbers, knows no percentage formats and refuses a text that runs on over
// several records; so the cells are read from their records, and FreeXL keeps the older books.
#include "batch/WorkbookRead.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace batch::book {

namespace {

// A workbook stream of a full book of 65,536 rows by 256 columns of numbers stays well inside.
constexpr std::uint64_t kMaxStreamBytes = 400ull << 20;
constexpr char kDamagedXls[] = "无法读取 .xls 工作簿：文件已损坏";

enum : std::uint16_t {
    kFormula = 0x0006, kEof = 0x000A, kFilePass = 0x002F, kDateMode = 0x0022, kContinue = 0x003C,
    kColInfo = 0x007D, kBoundSheet = 0x0085, kMulRk = 0x00BD, kRString = 0x00D6, kXf = 0x00E0,
    kSst = 0x00FC, kLabelSst = 0x00FD, kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205,
    kString = 0x0207, kRow = 0x0208, kRk = 0x027E, kFormat = 0x041E, kBof = 0x0809,
};

std::uint16_t U16(std::string_view d, size_t at) {
    return at + 2 <= d.size() ? static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8) : 0;
}
std::uint32_t U32(std::string_view d, size_t at) {
    return static_cast<std::uint32_t>(U16(d, at)) | static_cast<std::uint32_t>(U16(d, at + 2)) << 16;
}
double F64(std::string_view d, size_t at) {
    double v = 0;
    if (at + 8 <= d.size()) std::memcpy(&v, d.data() + at, 8);
    return v;
}

// A number held in 30 bits: a whole number or the top of a double, either divided by 100.
double RkValue(std::uint32_t rk) {
    double v = 0;
    if (rk & 2) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return (rk & 1) ? v / 100 : v;
}

void PutUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The records of a stream one after another: a type and its data.
struct Records {
    explicit Records(std::string_view s, size_t from = 0) : stream(s), at(from) {}
    std::string_view stream;
    size_t at = 0;
    std::uint16_t type = 0;
    std::string_view data;
    bool damaged = false;

    bool Next() {
        if (at + 4 > stream.size()) return false;
        type = U16(stream, at);
        const size_t size = U16(stream, at + 2);
        if (at + 4 + size > stream.size()) {
            damaged = true;
            return false;
        }
        data = stream.substr(at + 4, size);
        at += 4 + size;
        return true;
    }
    // The data of the CONTINUE records that follow, which carry on a record too long for one.
    std::vector<std::string_view> Continued() {
        std::vector<std::string_view> parts{data};
        while (at + 4 <= stream.size() && U16(stream, at) == kContinue && Next()) parts.push_back(data);
        return parts;
    }
};

// Reads across a record and its CONTINUE records. A text's characters that run into the next
// record start it with a fresh byte saying whether they are one or two bytes each.
class Pieces {
public:
    explicit Pieces(std::vector<std::string_view> parts) : parts_(std::move(parts)) {}

    bool Byte(unsigned char& b) {
        while (part_ < parts_.size() && at_ >= parts_[part_].size()) ++part_, at_ = 0;
        if (part_ >= parts_.size()) return false;
        b = static_cast<unsigned char>(parts_[part_][at_++]);
        return true;
    }
    bool Number(std::uint32_t& n, int bytes) {
        n = 0;
        for (int i = 0; i < bytes; ++i) {
            unsigned char b = 0;
            if (!Byte(b)) return false;
            n |= static_cast<std::uint32_t>(b) << (8 * i);
        }
        return true;
    }
    bool Skip(std::uint64_t n) {
        while (n > 0) {
            if (part_ >= parts_.size()) return false;
            const std::uint64_t left = parts_[part_].size() - at_;
            const std::uint64_t take = std::min(n, left);
            at_ += static_cast<size_t>(take);
            n -= take;
            if (n > 0) ++part_, at_ = 0;
        }
        return true;
    }
    // An XLUnicodeRichExtendedString: the count (`countBytes` wide), the flags, then the text.
    bool Text(std::string& out, int countBytes) {
        std::uint32_t count = 0, flags = 0, runs = 0, extended = 0;
        if (!Number(count, countBytes) || !Number(flags, 1)) return false;
        if ((flags & 0x08) && !Number(runs, 2)) return false;
        if ((flags & 0x04) && !Number(extended, 4)) return false;
        out.clear();
        bool wide = flags & 0x01;
        std::uint32_t high = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (part_ < parts_.size() && at_ >= parts_[part_].size() && part_ + 1 < parts_.size()) {
                ++part_, at_ = 0;
                unsigned char fresh = 0;
                if (!Byte(fresh)) return false;
                wide = fresh & 0x01;
            }
            std::uint32_t unit = 0;
            if (!Number(unit, wide ? 2 : 1)) return false;
            if (unit >= 0xD800 && unit < 0xDC00) {
                high = unit;
                continue;
            }
            if (unit >= 0xDC00 && unit < 0xE000 && high) PutUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            else PutUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
            high = 0;
        }
        return Skip(4ull * runs) && Skip(extended);
    }

private:
    std::vector<std::string_view> parts_;
    size_t part_ = 0, at_ = 0;
};

const char* ErrorText(unsigned code) {
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return "#ERROR!";
    }
}

struct SheetEntry {
    std::string name;
    std::uint32_t offset = 0;
    SheetKind kind = SheetKind::kSheet;
};

// What the sheets share: the stream, the strings, the formats and the date system.
struct Globals {
    std::string stream;
    std::vector<SheetEntry> sheets;
    std::vector<std::string> strings;
    std::map<int, Shown> formats;   // custom formats by number
    std::vector<std::uint16_t> xfs; // each cell style's format number
    bool date1904 = false;

    Shown ShownOf(std::uint16_t xf) const {
        if (xf >= xfs.size()) return Shown::kNumber;
        const auto custom = formats.find(xfs[xf]);
        return custom != formats.end() ? custom->second : ShownById(xfs[xf]);
    }
    std::string Number(double v, std::uint16_t xf) const { return ShownText(v, ShownOf(xf), date1904); }
};

tax::Status ReadStrings(Records& records, Globals& g) {
    Pieces p(records.Continued());
    std::uint32_t total = 0, unique = 0;
    if (!p.Number(total, 4) || !p.Number(unique, 4)) return tax::Fail(kDamagedXls);
    if (unique > kMaxSharedStrings) return tax::Fail("工作簿中的文字条目过多，不像一份工资表，已拒绝读取");
    g.strings.reserve(std::min<std::uint32_t>(unique, 1u << 16));
    std::string s;
    for (std::uint32_t i = 0; i < unique; ++i) {
        if (!p.Text(s, 2)) break; // a count larger than the strings given: keep those read
        g.strings.push_back(s);
    }
    return {};
}

tax::Status ReadGlobals(Globals& g) {
    Records r(g.stream);
    if (!r.Next() || r.type != kBof || U16(r.data, 0) != 0x0600 || U16(r.data, 2) != 0x0005) return tax::Fail(kDamagedXls);
    while (r.Next() && r.type != kEof) {
        const std::string_view d = r.data;
        switch (r.type) {
        case kFilePass:
            return tax::Fail("该 .xls 工作簿设有打开密码（已加密），无法读取；请在电子表格程序中打开，取消密码后另存，再导入");
        case kDateMode: g.date1904 = U16(d, 0) == 1; break;
        case kXf: g.xfs.push_back(U16(d, 2)); break;
        case kFormat: {
            std::string code;
            if (Pieces({d.substr(std::min<size_t>(2, d.size()))}).Text(code, 2)) g.formats[U16(d, 0)] = ShownByCode(code);
            break;
        }
        case kBoundSheet: {
            SheetEntry e;
            e.offset = U32(d, 0);
            // Its type (0 a worksheet; charts, macro and module sheets have no cells) and whether
            // the book hides it.
            e.kind = d.size() > 5 && d[5] != 0 ? SheetKind::kChart : d.size() > 4 && (d[4] & 3) ? SheetKind::kHidden : SheetKind::kSheet;
            if (!Pieces({d.substr(std::min<size_t>(6, d.size()))}).Text(e.name, 1)) return tax::Fail(kDamagedXls);
            g.sheets.push_back(std::move(e));
            break;
        }
        case kSst:
            if (tax::Status s = ReadStrings(r, g); !s) return s;
            break;
        default: break;
        }
    }
    if (r.damaged) return tax::Fail(kDamagedXls);
    if (g.sheets.empty()) return tax::Fail("工作簿中没有工作表");
    return {};
}

struct CellText {
    std::uint32_t row;
    std::uint16_t column;
    std::uint32_t begin, size; // in the sheet's text pool
};

// One sheet's cells, read whole (a sheet holds at most 65,536 rows), then handed out by row.
class XlsSheet final : public SheetSource {
public:
    XlsSheet(std::shared_ptr<const Globals> g, std::uint32_t offset) : g_(std::move(g)), offset_(offset) {}

    tax::Status Read();

    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        if (next_ >= cells_.size()) return false;
        const std::uint32_t r = cells_[next_].row;
        cells.clear();
        for (; next_ < cells_.size() && cells_[next_].row == r; ++next_) {
            const CellText& c = cells_[next_];
            cells.resize(std::max<size_t>(cells.size(), c.column + 1u));
            cells[c.column] = std::string_view(pool_).substr(c.begin, c.size);
        }
        row = static_cast<long long>(r) + 1;
        row_ = r;
        return true;
    }

    int Permille() const override {
        return cells_.empty() ? 1000 : static_cast<int>(1000ull * next_ / cells_.size());
    }
    bool RowHidden() const override { return std::binary_search(hiddenRows_.begin(), hiddenRows_.end(), row_); }
    bool ColumnHidden(size_t c) const override { return c < hiddenColumns_.size() && hiddenColumns_[c]; }

private:
    void Put(std::string_view d, std::string_view text) {
        if (text.empty() || d.size() < 4) return;
        cells_.push_back({U16(d, 0), static_cast<std::uint16_t>(U16(d, 2) & 0xFF), static_cast<std::uint32_t>(pool_.size()),
                          static_cast<std::uint32_t>(text.size())});
        pool_ += text;
    }
    bool Cell(Records& r, std::string& pendingString, std::string_view& pendingAt);

    std::shared_ptr<const Globals> g_;
    std::uint32_t offset_;
    std::vector<CellText> cells_;
    std::string pool_;
    size_t next_ = 0;
    std::uint32_t row_ = 0;
    std::vector<std::uint32_t> hiddenRows_; // sorted
    std::vector<bool> hiddenColumns_;
};

// One cell record; false when the sheet proves damaged.
bool XlsSheet::Cell(Records& r, std::string& text, std::string_view& pendingFormula) {
    const std::string_view d = r.data;
    const std::uint16_t xf = U16(d, 4);
    switch (r.type) {
    case kNumber: Put(d, g_->Number(F64(d, 6), xf)); break;
    case kRk: Put(d, g_->Number(RkValue(U32(d, 6)), xf)); break;
    case kMulRk: {
        if (d.size() < 6) return false;
        const size_t count = (d.size() - 6) / 6;
        std::string cell(d.substr(0, 6));
        for (size_t i = 0; i < count; ++i) {
            const std::uint16_t column = static_cast<std::uint16_t>(U16(d, 2) + i);
            cell[2] = static_cast<char>(column & 0xFF), cell[3] = static_cast<char>(column >> 8);
            Put(cell, g_->Number(RkValue(U32(d, 6 + 6 * i)), U16(d, 4 + 6 * i)));
        }
        break;
    }
    case kLabelSst: {
        const std::uint32_t i = U32(d, 6);
        if (i >= g_->strings.size()) return false;
        Put(d, g_->strings[i]);
        break;
    }
    case kLabel:
    case kRString:
        if (!Pieces(std::vector<std::string_view>{d.substr(std::min<size_t>(6, d.size()))}).Text(text, 2)) return false;
        Put(d, text);
        break;
    case kBoolErr: Put(d, d.size() >= 8 && d[7] ? ErrorText(static_cast<unsigned char>(d[6])) : d.size() >= 7 && d[6] ? "TRUE" : "FALSE"); break;
    case kFormula: {
        // The value the program saved: a number, or a marker for text (in the STRING record
        // that follows), a logical value, an error or empty text.
        if (d.size() < 14) return false;
        if (U16(d, 12) != 0xFFFF) {
            Put(d, g_->Number(F64(d, 6), xf));
        } else {
            const unsigned char kind = static_cast<unsigned char>(d[6]), value = static_cast<unsigned char>(d[8]);
            if (kind == 0) pendingFormula = d;
            else if (kind == 1) Put(d, value ? "TRUE" : "FALSE");
            else if (kind == 2) Put(d, ErrorText(value));
        }
        break;
    }
    case kRow:
        if (U16(d, 12) & 0x20) hiddenRows_.push_back(U16(d, 0)); // fDyZero: a row of no height
        break;
    case kColInfo:
        if (U16(d, 8) & 1)
            for (unsigned c = U16(d, 0); c <= std::min<unsigned>(U16(d, 2), 255); ++c) {
                if (hiddenColumns_.size() <= c) hiddenColumns_.resize(c + 1);
                hiddenColumns_[c] = true;
            }
        break;
    case kString:
        if (pendingFormula.empty()) break;
        if (!Pieces(r.Continued()).Text(text, 2)) return false;
        Put(pendingFormula, text);
        pendingFormula = {};
        break;
    default: break;
    }
    return true;
}

tax::Status XlsSheet::Read() {
    Records r(g_->stream, offset_);
    if (!r.Next() || r.type != kBof) return tax::Fail(kDamagedXls);
    int depth = 1;
    std::string text;
    std::string_view pendingFormula;
    while (depth > 0 && r.Next()) {
        if (r.type == kBof) ++depth;
        else if (r.type == kEof) --depth;
        else if (depth == 1 && !Cell(r, text, pendingFormula)) return tax::Fail(kDamagedXls);
        if (pool_.size() > kMaxSharedStringBytes) return tax::Fail("工作表中的文字过多，不像一份工资表，已拒绝读取");
    }
    if (r.damaged) return tax::Fail(kDamagedXls);
    // Cells stand row by row in the file, but nothing makes a writer keep to that.
    std::stable_sort(cells_.begin(), cells_.end(), [](const CellText& a, const CellText& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    std::sort(hiddenRows_.begin(), hiddenRows_.end());
    return {};
}

class XlsBook final : public Workbook {
public:
    explicit XlsBook(std::shared_ptr<const Globals> g) : g_(std::move(g)) {
        for (const SheetEntry& s : g_->sheets) names_.push_back(s.name);
    }

    const std::vector<std::string>& SheetNames() const override { return names_; }
    SheetKind KindOf(int index) const override {
        return index >= 0 && static_cast<size_t>(index) < names_.size() ? g_->sheets[static_cast<size_t>(index)].kind : SheetKind::kSheet;
    }

    tax::Result<std::unique_ptr<SheetSource>> OpenSheet(int index) override {
        if (index < 0 || static_cast<size_t>(index) >= names_.size())
            return tax::Fail("工作簿中没有第 " + std::to_string(index + 1) + " 个工作表");
        auto sheet = std::make_unique<XlsSheet>(g_, g_->sheets[static_cast<size_t>(index)].offset);
        if (tax::Status read = sheet->Read(); !read)
            return tax::Fail("工作表“" + names_[static_cast<size_t>(index)] + "”：" + read.error());
        return std::unique_ptr<SheetSource>(std::move(sheet));
    }

private:
    std::shared_ptr<const Globals> g_;
    std::vector<std::string> names_;
};

struct Unref {
    void operator()(void* p) const {
        if (p) g_object_unref(p);
    }
};
using Object = std::unique_ptr<void, Unref>;

// The stream named `name` (letter case aside) of the compound file, or null.
GsfInput* Child(GsfInfile* ole, const char* name) {
    for (int i = 0; i < gsf_infile_num_children(ole); ++i) {
        const char* n = gsf_infile_name_by_index(ole, i);
        if (n && g_ascii_strcasecmp(n, name) == 0) return gsf_infile_child_by_index(ole, i);
    }
    return nullptr;
}

} // namespace

tax::Result<std::unique_ptr<Workbook>> OpenXlsHere(const std::string& path) {
    gsf_init();
    GError* error = nullptr;
    Object input(gsf_input_stdio_new(path.c_str(), &error));
    if (error) g_error_free(error), error = nullptr;
    if (!input) return tax::Fail("无法打开工作簿文件");
    Object ole(gsf_infile_msole_new(static_cast<GsfInput*>(input.get()), &error));
    if (error) g_error_free(error), error = nullptr;
    if (!ole) return tax::Fail("无法读取 .xls 工作簿：文件已损坏或格式不受支持");
    GsfInfile* file = static_cast<GsfInfile*>(ole.get());
    Object stream(Child(file, "Workbook"));
    if (!stream) {
        if (Object old{Child(file, "Book")}) return OpenXlsFreeXl(path);
        // An encrypted .xlsx is a compound file with a package inside instead of a workbook stream.
        if (Object package{Child(file, "EncryptedPackage")})
            return tax::Fail("工作簿已加密，请先在电子表格程序中取消密码后再导入");
        return tax::Fail("文件中没有可读取的工作表数据（不是 Excel 工作簿），无法读取");
    }
    GsfInput* in = static_cast<GsfInput*>(stream.get());
    const gsf_off_t size = gsf_input_size(in);
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxStreamBytes)
        return tax::Fail("工作簿过大，不像一份工资表，已拒绝读取");
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0 && !gsf_input_read(in, bytes.size(), reinterpret_cast<guint8*>(bytes.data())))
        return tax::Fail(kDamagedXls);
    // A BIFF5 book kept in a stream of the newer name.
    if (bytes.size() >= 6 && U16(bytes, 0) == kBof && U16(bytes, 4) != 0x0600) return OpenXlsFreeXl(path);
    return OpenBiff8(std::move(bytes));
}

tax::Result<std::unique_ptr<Workbook>> OpenBiff8(std::string stream) {
    auto g = std::make_shared<Globals>();
    g->stream = std::move(stream);
    if (tax::Status read = ReadGlobals(*g); !read) return read.failure();
    return std::unique_ptr<Workbook>(std::make_unique<XlsBook>(std::move(g)));
}

} // namespace batch::book
