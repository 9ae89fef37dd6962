// .xlsx/.xlsm: libzip opens the container, Qt's XML stream reader walks the parts. A sheet is read
// row by row as it is inflated, so a long sheet needs no more memory than a short one; only the
// shared strings are held, within bounds. Every part is inflated with a cap, so a file that
// inflates to more than it declares, or to more than a payroll can need, is refused.
#include "batch/WorkbookRead.h"

#include <QByteArray>
#include <QStringConverter>
#include <QXmlStreamReader>

#include <zip.h>

#include <charconv>
#include <cstring>
#include <map>
#include <vector>

namespace batch::book {

namespace {

constexpr char kDamaged[] = "工作簿文件已损坏，无法读取";
constexpr qsizetype kChunk = 256 * 1024;

tax::Failure TooLarge() {
    return tax::Fail("工作簿解压后过大（单个部件超过 " + std::to_string(kMaxEntryBytes >> 20) + " MB 或合计超过 " +
                     std::to_string(kMaxTotalBytes >> 20) + " MB），不像一份工资表，已拒绝读取");
}

// An entry that inflates to more than its headers say: a damaged or crafted container.
tax::Failure LargerThanDeclared() {
    return tax::Fail("工作簿中的内部文件解压后比其自述的大小更大（文件已损坏或被恶意构造），已拒绝读取");
}

// The container. Every part's declared size is within bounds (checked on opening, for all parts
// together too) and no part may inflate to more than it declares, so reading the parts never
// inflates more than the bounds, however often a sheet is read again.
struct Container {
    zip_t* zip = nullptr;
    ~Container() {
        if (zip) zip_discard(zip);
    }

    zip_int64_t Locate(const std::string& name) const {
        const zip_int64_t exact = zip_name_locate(zip, name.c_str(), 0);
        return exact >= 0 ? exact : zip_name_locate(zip, name.c_str(), ZIP_FL_NOCASE);
    }
};

void AppendUtf8(QStringEncoder& encoder, std::string& out, QStringView text) {
    const size_t old = out.size();
    out.resize(old + static_cast<size_t>(encoder.requiredSpace(text.size())));
    char* end = encoder.appendToBuffer(out.data() + old, text);
    out.resize(static_cast<size_t>(end - out.data()));
}

std::string Utf8(QStringView text) { return text.toUtf8().toStdString(); }

// Characters the XML cannot carry are written as _xHHHH_ (and a literal "_x" as _x005F_x).
void DecodeEscapes(std::string& text) {
    if (text.find("_x") == std::string::npos) return;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (const int code = EscapeCodeAt(text, i); code >= 0) {
            if (code < 0xD800 || code > 0xDFFF) {
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                i += 7;
                continue;
            }
        }
        out += text[i++];
    }
    text = std::move(out);
}

// One part of the container as a stream of XML tokens, inflated a chunk at a time.
class XmlPart {
public:
    explicit XmlPart(std::shared_ptr<Container> container) : container_(std::move(container)) {}
    ~XmlPart() {
        if (file_) zip_fclose(file_);
    }
    XmlPart(const XmlPart&) = delete;
    XmlPart& operator=(const XmlPart&) = delete;

    tax::Status Open(zip_int64_t index) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (index < 0 || zip_stat_index(container_->zip, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
            !(st.valid & ZIP_STAT_SIZE))
            return tax::Fail(kDamaged);
        declared_ = st.size;
        file_ = zip_fopen_index(container_->zip, static_cast<zip_uint64_t>(index), 0);
        if (!file_) {
            const int code = zip_error_code_zip(zip_get_error(container_->zip));
            if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_ENCRNOTSUPP || code == ZIP_ER_WRONGPASSWD)
                return tax::Fail("工作簿已加密，请先在电子表格程序中取消密码后再导入");
            return tax::Fail(kDamaged);
        }
        return {};
    }

    // The next token in xml: true; false at the end of the document; a failure when the part
    // proves damaged or larger than allowed.
    tax::Result<bool> Next() {
        for (;;) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            switch (token) {
            case QXmlStreamReader::EndDocument: return false;
            // A workbook never carries a document type; one here is a crafted file.
            case QXmlStreamReader::DTD: return tax::Fail(kDamaged);
            case QXmlStreamReader::StartElement: ++depth_; return true;
            case QXmlStreamReader::EndElement:
                if (--depth_ == 0) rootClosed_ = true;
                return true;
            case QXmlStreamReader::Invalid: break;
            default: return true;
            }
            if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError) return tax::Fail(kDamaged);
            if (eof_) {
                if (rootClosed_) return false;
                return tax::Fail(kDamaged);
            }
            if (tax::Status fed = Feed(); !fed) return fed.failure();
        }
    }

    int Permille() const {
        if (declared_ == 0) return eof_ ? 1000 : 0;
        return static_cast<int>(read_ * 1000 / declared_);
    }

    QXmlStreamReader xml;

private:
    tax::Status Feed() {
        QByteArray chunk(kChunk, Qt::Uninitialized);
        const zip_int64_t n = zip_fread(file_, chunk.data(), static_cast<zip_uint64_t>(chunk.size()));
        if (n < 0) return tax::Fail(kDamaged);
        if (n == 0) {
            eof_ = true;
            return {};
        }
        read_ += static_cast<std::uint64_t>(n);
        if (read_ > declared_) return LargerThanDeclared();
        // The XML reader holds a whole token in memory: bound the longest stretch without markup.
        const char* p = chunk.constData();
        const char* end = p + n;
        for (;;) {
            const void* lt = std::memchr(p, '<', static_cast<size_t>(end - p));
            if (!lt) {
                run_ += static_cast<size_t>(end - p);
                break;
            }
            run_ += static_cast<size_t>(static_cast<const char*>(lt) - p);
            if (run_ > kMaxMarkupRun) break;
            run_ = 0;
            p = static_cast<const char*>(lt) + 1;
        }
        if (run_ > kMaxMarkupRun)
            return tax::Fail("工作簿中有一段超长的内容（超过 " + std::to_string(kMaxMarkupRun >> 20) +
                             " MB 的单个单元格或标记），不像一份工资表，已拒绝读取");
        chunk.truncate(static_cast<qsizetype>(n));
        xml.addData(chunk);
        return {};
    }

    std::shared_ptr<Container> container_;
    zip_file_t* file_ = nullptr;
    std::uint64_t declared_ = 0;
    std::uint64_t read_ = 0;
    size_t run_ = 0;
    int depth_ = 0;
    bool eof_ = false;
    bool rootClosed_ = false;
};

struct Relation {
    std::string type; // the last segment of the relation's type: "worksheet", "sharedStrings"
    std::string id;
    std::string target;
};

std::string LastSegment(QStringView uri) {
    const qsizetype slash = uri.lastIndexOf(u'/');
    return Utf8(slash < 0 ? uri : uri.mid(slash + 1));
}

// A relation's target as a part name: relative to the folder of the part it belongs to.
std::string ResolveTarget(const std::string& source, const std::string& target) {
    std::string joined;
    if (!target.empty() && target[0] == '/') {
        joined = target.substr(1);
    } else {
        const size_t slash = source.rfind('/');
        joined = (slash == std::string::npos ? std::string() : source.substr(0, slash + 1)) + target;
    }
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t slash = joined.find('/', start);
        if (slash == std::string::npos) slash = joined.size();
        const std::string segment = joined.substr(start, slash - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::string RelsOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    if (slash == std::string::npos) return "_rels/" + part + ".rels";
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

// The relations of `part`; none when it has no relations part.
tax::Result<std::vector<Relation>> ReadRelations(const std::shared_ptr<Container>& container, const std::string& part) {
    std::vector<Relation> relations;
    const zip_int64_t index = container->Locate(RelsOf(part));
    if (index < 0) return relations;
    XmlPart xml(container);
    if (tax::Status opened = xml.Open(index); !opened) return opened.failure();
    for (;;) {
        tax::Result<bool> more = xml.Next();
        if (!more) return more.failure();
        if (!*more) break;
        if (xml.xml.isStartElement() && xml.xml.name() == u"Relationship") {
            const QXmlStreamAttributes a = xml.xml.attributes();
            if (a.value(QLatin1StringView("TargetMode")) == u"External") continue;
            if (relations.size() >= static_cast<size_t>(kMaxEntries)) return tax::Fail(kDamaged);
            relations.push_back({LastSegment(a.value(QLatin1StringView("Type"))), Utf8(a.value(QLatin1StringView("Id"))), ResolveTarget(part, Utf8(a.value(QLatin1StringView("Target"))))});
        }
    }
    return relations;
}

// What the book and its sheets share: the container and the shared strings, read on first need.
struct BookData {
    std::shared_ptr<Container> container;
    std::string sharedPart;
    std::vector<Shown> styles; // how each cell style shows a number
    bool date1904 = false;
    bool sharedLoaded = false;
    std::string pool;
    std::vector<std::uint64_t> ends; // string i is pool[ends[i-1], ends[i])

    std::string_view Shared(size_t i) const {
        const std::uint64_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(pool).substr(begin, ends[i] - begin);
    }

    tax::Status LoadShared() {
        if (sharedLoaded) return {};
        sharedLoaded = true;
        const zip_int64_t index = sharedPart.empty() ? -1 : container->Locate(sharedPart);
        if (index < 0) return {};
        XmlPart xml(container);
        if (tax::Status opened = xml.Open(index); !opened) return opened;
        QStringEncoder encoder(QStringEncoder::Utf8);
        std::string text;
        bool inItem = false, inText = false;
        int phonetic = 0; // runs of reading aids (rPh) are not part of the text
        for (;;) {
            tax::Result<bool> more = xml.Next();
            if (!more) return more.failure();
            if (!*more) break;
            const QXmlStreamReader& r = xml.xml;
            if (r.isStartElement()) {
                const QStringView name = r.name();
                if (name == u"si") {
                    inItem = true;
                    text.clear();
                } else if (name == u"rPh") {
                    ++phonetic;
                } else if (name == u"t") {
                    inText = inItem && phonetic == 0;
                }
            } else if (r.isEndElement()) {
                const QStringView name = r.name();
                if (name == u"t") {
                    inText = false;
                } else if (name == u"rPh") {
                    --phonetic;
                } else if (name == u"si" && inItem) {
                    inItem = false;
                    DecodeEscapes(text);
                    if (ends.size() >= kMaxSharedStrings || pool.size() + text.size() > kMaxSharedStringBytes)
                        return tax::Fail("工作簿中的文字条目过多或过长，不像一份工资表，已拒绝读取");
                    pool += text;
                    ends.push_back(pool.size());
                }
            } else if (r.isCharacters() && inText) {
                AppendUtf8(encoder, text, r.text());
            }
        }
        return {};
    }
};

long long ParseCount(QStringView text) {
    long long value = 0;
    if (text.isEmpty()) return -1;
    for (QChar c : text) {
        if (c < u'0' || c > u'9' || value > 1'000'000'000'000LL) return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

long long ParseIndex(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.remove_suffix(1);
    long long value = 0;
    if (text.empty()) return -1;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 1'000'000'000'000LL) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

int ColumnOfRef(QStringView ref) {
    char ascii[8];
    size_t n = 0;
    for (QChar c : ref) {
        if (n == sizeof ascii || c.unicode() > 0x7F) break;
        ascii[n++] = static_cast<char>(c.unicode());
    }
    return ColumnOf(std::string_view(ascii, n));
}

// How each cell style (cellXfs, by number) shows a number: its format's number, built in or
// given in numFmts.
tax::Result<std::vector<Shown>> ReadStyles(const std::shared_ptr<Container>& container, const std::string& part) {
    std::vector<Shown> styles;
    const zip_int64_t index = part.empty() ? -1 : container->Locate(part);
    if (index < 0) return styles;
    XmlPart xml(container);
    if (tax::Status opened = xml.Open(index); !opened) return opened.failure();
    std::map<long long, Shown> custom;
    bool inCellXfs = false;
    for (;;) {
        tax::Result<bool> more = xml.Next();
        if (!more) return more.failure();
        if (!*more) break;
        const QXmlStreamReader& r = xml.xml;
        if (r.isEndElement() && r.name() == u"cellXfs") inCellXfs = false;
        if (!r.isStartElement()) continue;
        const QXmlStreamAttributes a = r.attributes();
        if (r.name() == u"numFmt") {
            custom[ParseCount(a.value(QLatin1StringView("numFmtId")))] = ShownByCode(Utf8(a.value(QLatin1StringView("formatCode"))));
        } else if (r.name() == u"cellXfs") {
            inCellXfs = true;
        } else if (inCellXfs && r.name() == u"xf") {
            if (styles.size() >= static_cast<size_t>(kMaxEntries) * 10) return tax::Fail(kDamaged);
            const long long id = ParseCount(a.value(QLatin1StringView("numFmtId")));
            const auto c = custom.find(id);
            styles.push_back(c != custom.end() ? c->second : id >= 0 && id < 1000 ? ShownById(static_cast<int>(id)) : Shown::kNumber);
        }
    }
    return styles;
}

// The parts the sheets share that the book's relations name: the shared strings (read on first
// need) and the cell styles.
tax::Status LoadBookParts(BookData& data, const std::vector<Relation>& relations) {
    std::string stylesPart;
    for (const Relation& r : relations) {
        if (r.type == "sharedStrings") data.sharedPart = r.target;
        if (r.type == "styles") stylesPart = r.target;
    }
    tax::Result<std::vector<Shown>> styles = ReadStyles(data.container, stylesPart);
    if (!styles) return styles.failure();
    data.styles = std::move(*styles);
    return {};
}

class XlsxSheet final : public SheetSource {
public:
    XlsxSheet(std::shared_ptr<BookData> book) : book_(std::move(book)), part_(book_->container) {}

    tax::Status Open(zip_int64_t index) { return part_.Open(index); }

    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        if (done_) return false;
        for (;;) {
            tax::Result<bool> more = part_.Next();
            if (!more) return more.failure();
            if (!*more) {
                done_ = true;
                return false;
            }
            const QXmlStreamReader& r = part_.xml;
            if (r.isCharacters()) {
                if (inValue_ || (inInline_ && inText_ && phonetic_ == 0)) AppendUtf8(encoder_, value_, r.text());
                else if (inFormula_ && formula_.size() < 1024) AppendUtf8(encoder_, formula_, r.text());
            } else if (r.isStartElement()) {
                if (tax::Status s = Start(r); !s) return s.failure();
            } else if (r.isEndElement()) {
                const QStringView name = r.name();
                if (name == u"c" && inCell_) {
                    if (tax::Status s = EndCell(); !s) return s.failure();
                } else if (name == u"v") {
                    inValue_ = false;
                } else if (name == u"f") {
                    inFormula_ = false;
                } else if (name == u"t") {
                    inText_ = false;
                } else if (name == u"is") {
                    inInline_ = false;
                } else if (name == u"rPh") {
                    --phonetic_;
                } else if (name == u"row" && inRow_) {
                    inRow_ = false;
                    while (width_ > 0 && cells_[width_ - 1].empty()) --width_;
                    if (width_ == 0) continue;
                    cells.clear();
                    for (size_t i = 0; i < width_; ++i) cells.emplace_back(cells_[i]);
                    row = rowNumber_;
                    return true;
                } else if (name == u"sheetData") {
                    done_ = true; // what follows (merged ranges, page setup) holds no cells
                    return false;
                }
            }
        }
    }

    int Permille() const override { return done_ ? 1000 : std::min(999, part_.Permille()); }
    bool RowHidden() const override { return rowHidden_; }
    bool ColumnHidden(size_t c) const override { return c < hiddenColumns_.size() && hiddenColumns_[c]; }

private:
    enum class Type { kNumber, kShared, kInline, kText, kBool };

    tax::Status Start(const QXmlStreamReader& r) {
        const QStringView name = r.name();
        if (name == u"col") {
            // <col min="2" max="3" hidden="1"/>, before the rows.
            const QXmlStreamAttributes a = r.attributes();
            const QStringView h = a.value(QLatin1StringView("hidden"));
            const long long from = ParseCount(a.value(QLatin1StringView("min"))), to = ParseCount(a.value(QLatin1StringView("max")));
            if ((h == u"1" || h == u"true") && from >= 1 && from <= to)
                for (long long c = from; c <= std::min<long long>(to, kMaxColumns); ++c) {
                    if (hiddenColumns_.size() < static_cast<size_t>(c)) hiddenColumns_.resize(static_cast<size_t>(c));
                    hiddenColumns_[static_cast<size_t>(c - 1)] = true;
                }
        } else if (name == u"row") {
            const long long n = ParseCount(r.attributes().value(QLatin1StringView("r")));
            rowNumber_ = n > 0 ? n : rowNumber_ + 1;
            const QStringView h = r.attributes().value(QLatin1StringView("hidden"));
            rowHidden_ = h == u"1" || h == u"true";
            inRow_ = true;
            width_ = 0;
            column_ = 0;
        } else if (name == u"c" && inRow_) {
            const QXmlStreamAttributes a = r.attributes();
            const QStringView ref = a.value(QLatin1StringView("r"));
            const int column = ref.isEmpty() ? column_ + 1 : ColumnOfRef(ref);
            if (column <= 0 || column > kMaxColumns)
                return tax::Fail("工作表第 " + std::to_string(rowNumber_) + " 行的单元格超出了最后一列（XFD），文件已损坏");
            column_ = column;
            const QStringView t = a.value(QLatin1StringView("t"));
            type_ = t.isEmpty() || t == u"n" ? Type::kNumber
                    : t == u"s"              ? Type::kShared
                    : t == u"inlineStr"      ? Type::kInline
                    : t == u"b"              ? Type::kBool
                                             : Type::kText; // str, e (errors as shown), d
            const long long style = ParseCount(a.value(QLatin1StringView("s")));
            shown_ = style >= 0 && static_cast<size_t>(style) < book_->styles.size() ? book_->styles[static_cast<size_t>(style)] : Shown::kNumber;
            inCell_ = true;
            hasFormula_ = hasValue_ = false;
            value_.clear();
            formula_.clear();
        } else if (inCell_ && name == u"v") {
            // An inline string's text comes from <is>; a stray cached value would double it.
            inValue_ = type_ != Type::kInline;
            hasValue_ = true;
        } else if (inCell_ && name == u"f") {
            inFormula_ = hasFormula_ = true;
        } else if (inCell_ && name == u"is") {
            inInline_ = true;
        } else if (inInline_ && name == u"t") {
            inText_ = true;
        } else if (inInline_ && name == u"rPh") {
            ++phonetic_;
        }
        return {};
    }

    tax::Status EndCell() {
        inCell_ = inValue_ = inInline_ = inText_ = inFormula_ = false;
        phonetic_ = 0;
        const size_t index = static_cast<size_t>(column_ - 1);
        if (cells_.size() <= index) cells_.resize(index + 1);
        for (size_t k = width_; k < index; ++k) cells_[k].clear();
        if (width_ < index + 1) width_ = index + 1;
        std::string& cell = cells_[index];
        // A formula written by a program that does not compute (a script) has no value to read:
        // the cell shows the formula, which no column takes for a figure.
        if (hasFormula_ && (!hasValue_ || (value_.empty() && type_ != Type::kText)) && type_ != Type::kInline) {
            cell = "=" + (formula_.empty() ? std::string("…") : formula_);
            return {};
        }
        switch (type_) {
        case Type::kNumber: cell = value_.empty() ? std::string() : Number(); break;
        case Type::kShared: {
            if (tax::Status loaded = book_->LoadShared(); !loaded) return loaded;
            const long long i = ParseIndex(value_);
            if (i < 0 || static_cast<size_t>(i) >= book_->ends.size())
                return tax::Fail("工作表第 " + std::to_string(rowNumber_) + " 行引用了不存在的共享文字，文件已损坏");
            cell.assign(book_->Shared(static_cast<size_t>(i)));
            break;
        }
        case Type::kBool: cell = value_ == "1" ? "TRUE" : value_ == "0" ? "FALSE" : value_; break;
        case Type::kInline:
        case Type::kText:
            DecodeEscapes(value_);
            cell = value_;
            break;
        }
        return {};
    }

    std::string Number() const {
        if (shown_ == Shown::kNumber) return NumberText(value_);
        double v = 0;
        const std::string_view t = value_;
        if (std::from_chars(t.data(), t.data() + t.size(), v).ec != std::errc()) return NumberText(value_);
        return ShownText(v, shown_, book_->date1904);
    }

    std::shared_ptr<BookData> book_;
    XmlPart part_;
    QStringEncoder encoder_{QStringEncoder::Utf8};
    std::string formula_;
    Shown shown_ = Shown::kNumber;
    bool inFormula_ = false, hasFormula_ = false, hasValue_ = false;
    bool rowHidden_ = false;
    std::vector<bool> hiddenColumns_;
    std::vector<std::string> cells_;
    size_t width_ = 0;
    std::string value_;
    long long rowNumber_ = 0;
    int column_ = 0;
    Type type_ = Type::kNumber;
    int phonetic_ = 0;
    bool inRow_ = false, inCell_ = false, inValue_ = false, inInline_ = false, inText_ = false;
    bool done_ = false;
};

class XlsxBook final : public Workbook {
public:
    XlsxBook(std::shared_ptr<BookData> data, std::vector<std::string> names, std::vector<std::string> parts,
             std::vector<SheetKind> kinds)
        : data_(std::move(data)), names_(std::move(names)), parts_(std::move(parts)), kinds_(std::move(kinds)) {}

    const std::vector<std::string>& SheetNames() const override { return names_; }
    SheetKind KindOf(int index) const override {
        return index >= 0 && static_cast<size_t>(index) < kinds_.size() ? kinds_[static_cast<size_t>(index)] : SheetKind::kSheet;
    }

    tax::Result<std::unique_ptr<SheetSource>> OpenSheet(int index) override {
        if (index < 0 || static_cast<size_t>(index) >= names_.size())
            return tax::Fail("工作簿中没有第 " + std::to_string(index + 1) + " 个工作表");
        const zip_int64_t part = parts_[index].empty() ? -1 : data_->container->Locate(parts_[index]);
        if (part < 0) return tax::Fail("工作表“" + names_[index] + "”的数据缺失，文件已损坏");
        auto sheet = std::make_unique<XlsxSheet>(data_);
        if (tax::Status opened = sheet->Open(part); !opened) return opened.failure();
        return std::unique_ptr<SheetSource>(std::move(sheet));
    }

private:
    std::shared_ptr<BookData> data_;
    std::vector<std::string> names_;
    std::vector<std::string> parts_;
    std::vector<SheetKind> kinds_;
};

} // namespace

tax::Result<std::unique_ptr<Workbook>> OpenXlsx(const std::string& path) {
    auto container = std::make_shared<Container>();
    int error = 0;
    container->zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!container->zip) {
        if (error == ZIP_ER_NOENT || error == ZIP_ER_OPEN || error == ZIP_ER_READ || error == ZIP_ER_MEMORY)
            return tax::Fail("无法打开工作簿文件");
        return tax::Fail(kDamaged);
    }
    // What every part declares, before anything is inflated.
    const zip_int64_t entries = zip_get_num_entries(container->zip, 0);
    if (entries < 0 || entries > kMaxEntries)
        return tax::Fail("工作簿中的内部文件过多，不像一份工资表，已拒绝读取");
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(container->zip, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return tax::Fail(kDamaged);
        if (st.size > kMaxEntryBytes) return TooLarge();
        total += st.size;
        if (total > kMaxTotalBytes) return TooLarge();
    }

    // The package's relations name the workbook part; most files keep it at xl/workbook.xml.
    tax::Result<std::vector<Relation>> root = ReadRelations(container, "");
    if (!root) return root.failure();
    std::string bookPart;
    for (const Relation& r : *root)
        if (r.type == "officeDocument") bookPart = r.target;
    if (bookPart.empty()) bookPart = "xl/workbook.xml";
    if (bookPart.ends_with(".bin"))
        return tax::Fail("不支持二进制工作簿（.xlsb），请在电子表格程序中另存为 .xlsx 后导入");
    const zip_int64_t bookIndex = container->Locate(bookPart);
    if (bookIndex < 0) return tax::Fail("文件是压缩包，但不是 Excel 工作簿（.xlsx），无法读取");

    tax::Result<std::vector<Relation>> relations = ReadRelations(container, bookPart);
    if (!relations) return relations.failure();
    auto data = std::make_shared<BookData>();
    data->container = container;
    if (tax::Status parts = LoadBookParts(*data, *relations); !parts) return parts.failure();

    std::vector<std::string> names, parts;
    std::vector<SheetKind> kinds;
    bool seenRoot = false;
    XmlPart xml(container);
    if (tax::Status opened = xml.Open(bookIndex); !opened) return opened.failure();
    for (;;) {
        tax::Result<bool> more = xml.Next();
        if (!more) return more.failure();
        if (!*more) break;
        if (!xml.xml.isStartElement()) continue;
        // A word-processing or presentation document is a zip of the same kind.
        if (!seenRoot && xml.xml.name() != u"workbook")
            return tax::Fail("文件是压缩包，但不是 Excel 工作簿（.xlsx），无法读取");
        seenRoot = true;
        if (xml.xml.name() == u"workbookPr") {
            const QStringView d = xml.xml.attributes().value(QLatin1StringView("date1904"));
            data->date1904 = d == u"1" || d == u"true";
        }
        if (xml.xml.name() != u"sheet") continue;
        if (names.size() >= static_cast<size_t>(kMaxEntries)) return tax::Fail(kDamaged);
        std::string id;
        for (const QXmlStreamAttribute& a : xml.xml.attributes())
            if (a.name() == u"id" && !a.namespaceUri().isEmpty()) id = Utf8(a.value());
        std::string part, type;
        for (const Relation& r : *relations)
            if (r.id == id) part = r.target, type = r.type;
        names.push_back(Utf8(xml.xml.attributes().value(QLatin1StringView("name"))));
        parts.push_back(part);
        const QStringView state = xml.xml.attributes().value(QLatin1StringView("state"));
        kinds.push_back(type != "worksheet" && !type.empty() ? SheetKind::kChart
                        : state == u"hidden" || state == u"veryHidden" ? SheetKind::kHidden
                                                                        : SheetKind::kSheet);
    }
    if (names.empty()) return tax::Fail("工作簿中没有工作表");
    return std::unique_ptr<Workbook>(
        std::make_unique<XlsxBook>(std::move(data), std::move(names), std::move(parts), std::move(kinds)));
}

} // namespace batch::book
