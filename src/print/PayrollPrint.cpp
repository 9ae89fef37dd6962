#include "print/PayrollPrint.h"

#include "batch/SaveFile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>

namespace print {

namespace {

constexpr double kBasePt = 10;      // the table's text when it fits
constexpr double kMinPt = 7;        // smaller is hard to read on paper: wrap to bands instead
constexpr double kStepPt = 0.5;
constexpr double kTitlePt = 14;
constexpr double kSlipTitlePt = 11;
constexpr double kFootPt = 8;
constexpr double kMarginMm = 12;
constexpr double kPadPt = 3;        // left and right of a cell's text
constexpr double kVPadPt = 2;       // above and below it
constexpr double kBandGapPt = 8;
constexpr double kCutGapPt = 22;    // between two payslips, the cut line in its middle
constexpr double kCapShare = 0.3;   // a column wider than this share of the page wraps its text
// Widths are measured once at kBasePt and scaled; a little room covers the rounding of glyph
// advances at other sizes.
constexpr double kSlack = 1.03;
constexpr int kWrapFlags = Qt::TextWrapAnywhere;
constexpr const char* kCancelled = "已取消。";
// Rows read between two looks at the cancel flag: well under a tenth of a second.
constexpr long long kRowsBetweenChecks = 256;

QString Family() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* f : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Microsoft YaHei", "PingFang SC"})
            if (installed.contains(QLatin1String(f), Qt::CaseInsensitive)) return QString::fromLatin1(f);
        return QStringLiteral("Sans Serif");
    }();
    return family;
}

QFont MakeFont(double points, bool bold) {
    QFont font(Family());
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

// The rows as fed, in a scratch file: read once to measure, once to paginate, once to draw.
struct Payroll::Spool {
    QTemporaryFile file;
    QDataStream stream;

    bool Open() {
        if (!file.open()) return false;
        stream.setDevice(&file);
        return true;
    }
    void Rewind() {
        file.flush();
        file.seek(0);
        stream.resetStatus();
    }
    bool Next(QStringList& cells, bool& refused) {
        if (stream.atEnd()) return false;
        quint8 flag = 0;
        stream >> flag >> cells;
        refused = flag != 0;
        return stream.status() == QDataStream::Ok;
    }
};

// One kind of page on one device: fonts and their metrics there, the columns' fit, and the
// drawing of titles, rows and footers.
struct Payroll::Sheet {
    QPagedPaintDevice& device;
    const Head& head;
    bool slips;
    double dpi, width, height;
    std::vector<int> keys; // 工号 and 姓名: repeated in every band
    Fit fit;
    QFont body, bold, title, foot;
    double lineH = 0, headH = 0, titleH = 0, footH = 0, pad = 0, vpad = 0;

    Sheet(QPagedPaintDevice& d, const Head& h, bool forSlips)
        : device(d), head(h), slips(forSlips), dpi(d.logicalDpiY()), width(d.width()), height(d.height()) {
        for (const char* key : {"工号", "姓名"}) {
            const int at = static_cast<int>(head.columns.indexOf(QString::fromUtf8(key)));
            if (at >= 0) keys.push_back(at);
        }
        if (keys.empty() && !head.columns.isEmpty()) keys.push_back(0);
        pad = Dev(kPadPt);
        vpad = Dev(kVPadPt);
    }

    double Dev(double points) const { return points * dpi / 72.0; }
    int Columns() const { return static_cast<int>(head.columns.size()); }
    bool Numeric(int c) const { return static_cast<size_t>(c) < head.numeric.size() && head.numeric[static_cast<size_t>(c)]; }
    // A payslip's title: the payroll's, its 工资表 called 工资条 ("某某公司2023年5月工资条").
    QString TitleText() const {
        if (!slips) return head.title;
        if (head.title.isEmpty()) return QStringLiteral("工资条");
        if (head.title.endsWith(QStringLiteral("工资表"))) return head.title.chopped(1) + QStringLiteral("条");
        return head.title;
    }

    // The font size and bands that fit the widest text of every column to the page width.
    void Place(const std::vector<double>& natural) {
        const int n = Columns();
        const double cap = width * kCapShare;
        fit.widths.assign(static_cast<size_t>(n), 0);
        auto widthsAt = [&](double pt) {
            double sum = 0;
            for (int c = 0; c < n; ++c) {
                const double w = std::min(natural[static_cast<size_t>(c)] * pt / kBasePt * kSlack + 2 * pad, cap);
                fit.widths[static_cast<size_t>(c)] = w;
                sum += w;
            }
            return sum;
        };
        fit.bands.clear();
        for (double pt = kBasePt; pt >= kMinPt - 1e-9; pt -= kStepPt) {
            fit.pointSize = pt;
            if (widthsAt(pt) <= width) break;
        }
        if (widthsAt(fit.pointSize) <= width) {
            std::vector<int> all(static_cast<size_t>(n));
            for (int c = 0; c < n; ++c) all[static_cast<size_t>(c)] = c;
            fit.bands.push_back(all);
        } else {
            // Too wide at the smallest size: the columns go on in further bands under the
            // first, each led by the columns that say whose row it is.
            double keyWidth = 0;
            for (int k : keys) keyWidth += fit.widths[static_cast<size_t>(k)];
            std::vector<int> band = keys;
            double used = keyWidth;
            bool any = false;
            for (int c = 0; c < n; ++c) {
                if (std::find(keys.begin(), keys.end(), c) != keys.end()) continue;
                const double w = fit.widths[static_cast<size_t>(c)];
                if (any && used + w > width) {
                    fit.bands.push_back(band);
                    band = keys;
                    used = keyWidth;
                }
                band.push_back(c);
                used += w;
                any = true;
            }
            fit.bands.push_back(band);
        }
        fit.wraps.assign(static_cast<size_t>(n), false);
        for (int c = 0; c < n; ++c)
            fit.wraps[static_cast<size_t>(c)] =
                natural[static_cast<size_t>(c)] * fit.pointSize / kBasePt * kSlack + 2 * pad > fit.widths[static_cast<size_t>(c)] + 1e-6;
        body = MakeFont(fit.pointSize, false);
        bold = MakeFont(fit.pointSize, true);
        title = MakeFont(slips ? kSlipTitlePt : kTitlePt, true);
        foot = MakeFont(kFootPt, false);
        lineH = QFontMetricsF(bold, &device).lineSpacing();
        headH = RowHeight(head.columns, bold);
        titleH = TitleText().isEmpty() ? 0 : QFontMetricsF(title, &device).lineSpacing() + Dev(slips ? 3 : 6);
        footH = QFontMetricsF(foot, &device).lineSpacing() + Dev(4);
    }

    bool AnyWraps() const { return std::find(fit.wraps.begin(), fit.wraps.end(), true) != fit.wraps.end(); }

    double RowHeight(const QStringList& cells, const QFont& font) const {
        int lines = 1;
        if (AnyWraps()) {
            const QFontMetricsF fm(font, &device);
            for (int c = 0; c < std::min(Columns(), static_cast<int>(cells.size())); ++c) {
                if (!fit.wraps[static_cast<size_t>(c)] || cells[c].isEmpty()) continue;
                const QRectF box = fm.boundingRect(QRectF(0, 0, fit.widths[static_cast<size_t>(c)] - 2 * pad, 1e9),
                                                   kWrapFlags, cells[c]);
                lines = std::max(lines, static_cast<int>(std::ceil(box.height() / fm.lineSpacing() - 0.01)));
            }
        }
        return lines * lineH + 2 * vpad;
    }

    double BandWidth(const std::vector<int>& band) const {
        double w = 0;
        for (int c : band) w += fit.widths[static_cast<size_t>(c)];
        return w;
    }

    // One row of one band at `y`, `h` high, with its cell borders.
    void DrawRow(QPainter& p, double y, double h, const std::vector<int>& band, const QStringList& cells,
                 bool heading, bool emphasis) const {
        const double w = BandWidth(band);
        if (heading) p.fillRect(QRectF(0, y, w, h), QColor(232, 232, 232));
        p.setFont(heading || emphasis ? bold : body);
        double x = 0;
        for (int c : band) {
            const double cw = fit.widths[static_cast<size_t>(c)];
            if (c < cells.size() && !cells[c].isEmpty()) {
                int flags = Qt::AlignVCenter | (heading ? Qt::AlignHCenter : Numeric(c) ? Qt::AlignRight : Qt::AlignLeft);
                if (fit.wraps[static_cast<size_t>(c)]) flags |= kWrapFlags;
                p.drawText(QRectF(x + pad, y, cw - 2 * pad, h), flags, cells[c]);
            }
            x += cw;
        }
        p.drawLine(QPointF(0, y + h), QPointF(w, y + h));
    }

    // The frame of a band from `top` to `bottom`: outer box and the lines between columns.
    void DrawGrid(QPainter& p, double top, double bottom, const std::vector<int>& band) const {
        double x = 0;
        p.drawLine(QPointF(0, top), QPointF(BandWidth(band), top));
        p.drawLine(QPointF(0, top), QPointF(0, bottom));
        for (int c : band) {
            x += fit.widths[static_cast<size_t>(c)];
            p.drawLine(QPointF(x, top), QPointF(x, bottom));
        }
    }

    double DrawTitle(QPainter& p, double y) const {
        if (titleH == 0) return y;
        p.setFont(title);
        const double w = slips ? BandWidth(fit.bands.front()) : width;
        p.drawText(QRectF(0, y, std::max(w, width * 0.5), titleH), Qt::AlignHCenter | Qt::AlignTop, TitleText());
        return y + titleH;
    }

    void DrawFooter(QPainter& p, int page, int pages) const {
        p.setFont(foot);
        const QRectF box(0, height - footH, width, footH);
        p.drawText(box, Qt::AlignLeft | Qt::AlignBottom,
                   QStringLiteral("打印日期：%1").arg(head.printed.toString(QStringLiteral("yyyy年M月d日"))));
        p.drawText(box, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("第 %1 页 / 共 %2 页").arg(page).arg(pages));
    }

    // A band after the first with nothing but the name in it is left off a payslip (most
    // people have no 说明).
    bool Shown(size_t band, const QStringList& cells) const {
        if (band == 0) return true;
        for (int c : fit.bands[band])
            if (std::find(keys.begin(), keys.end(), c) == keys.end() && c < cells.size() && !cells[c].isEmpty()) return true;
        return false;
    }

    double SlipHeight(double rowH, const QStringList& cells) const {
        double bands = 0;
        for (size_t b = 0; b < fit.bands.size(); ++b) bands += Shown(b, cells) ? 1 : 0;
        return titleH + bands * (headH + rowH) + (bands - 1) * Dev(kBandGapPt / 2);
    }

    // A payslip: the title, then per band the header row and the person's row.
    void DrawSlip(QPainter& p, double y, double rowH, const QStringList& cells) const {
        y = DrawTitle(p, y);
        for (size_t b = 0; b < fit.bands.size(); ++b) {
            if (!Shown(b, cells)) continue;
            const std::vector<int>& band = fit.bands[b];
            DrawRow(p, y, headH, band, head.columns, true, false);
            DrawRow(p, y + headH, rowH, band, cells, false, false);
            DrawGrid(p, y, y + headH + rowH, band);
            y += headH + rowH + Dev(kBandGapPt / 2);
        }
    }

    void DrawCut(QPainter& p, double y) const {
        p.save();
        QPen pen(Qt::gray);
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(Dev(0.5));
        p.setPen(pen);
        p.drawLine(QPointF(0, y), QPointF(width, y));
        p.restore();
    }
};

Payroll::Payroll(Head head) : head_(std::move(head)), spool_(std::make_unique<Spool>()) {}

Payroll::~Payroll() = default;

tax::Status Payroll::Add(const QStringList& cells, bool refused) {
    if (!spool_->file.isOpen() && !spool_->Open())
        return tax::Fail("未能创建临时文件：" + spool_->file.errorString().toStdString());
    spool_->stream << static_cast<quint8>(refused ? 1 : 0) << cells;
    if (spool_->stream.status() != QDataStream::Ok)
        return tax::Fail("未能写入临时文件：" + spool_->file.errorString().toStdString());
    ++rows_;
    if (refused) ++refused_;
    return {};
}

tax::Status Payroll::WriteTable(QPagedPaintDevice& device) { return Write(device, false, false); }

tax::Status Payroll::WritePayslips(QPagedPaintDevice& device, bool onePerPage) { return Write(device, true, onePerPage); }

// A row on a page: its cells, its height, and whether it is the totals row.
struct Payroll::Line {
    QStringList cells;
    double h;
    bool totals;
};

// First pass: the widest text of every column.
std::vector<double> Payroll::NaturalWidths(QPagedPaintDevice& device, int n, bool slips) {
    std::vector<double> natural(static_cast<size_t>(n), 0);
    const QFontMetricsF fm(MakeFont(kBasePt, false), &device), fb(MakeFont(kBasePt, true), &device);
    auto widen = [&](const QStringList& texts, const QFontMetricsF& metrics) {
        for (int c = 0; c < std::min(n, static_cast<int>(texts.size())); ++c)
            if (!texts[c].isEmpty())
                natural[static_cast<size_t>(c)] = std::max(natural[static_cast<size_t>(c)], metrics.horizontalAdvance(texts[c]));
    };
    widen(head_.columns, fb);
    if (!slips) widen(totals_, fb);
    if (rows_ > 0) {
        QStringList cells;
        bool refused = false;
        spool_->Rewind();
        for (long long read = 1; spool_->Next(cells, refused); ++read) {
            if (!(slips && refused)) widen(cells, fm);
            if (read % kRowsBetweenChecks == 0 && Cancelled()) break;
        }
    }
    return natural;
}

// Second pass: where each page starts (an index among the rows drawn on that kind of page), so
// "共 M 页" is known on page 1.
std::vector<long long> Payroll::PageStarts(Sheet& sheet, bool slips, bool onePerPage) {
    const double bands = static_cast<double>(sheet.fit.bands.size());
    const double bandGap = sheet.Dev(kBandGapPt);
    const double cut = sheet.Dev(kCutGapPt);
    const double room = sheet.height - sheet.footH;
    std::vector<long long> starts;
    double y = 0;
    long long index = 0;
    auto place = [&](double need, double gap) {
        if (starts.empty() || (onePerPage && slips) || y + gap + need > room) {
            starts.push_back(index);
            y = slips ? 0 : sheet.titleH + bands * sheet.headH + (bands - 1) * bandGap;
            gap = 0;
        }
        y += gap + need;
        ++index;
    };
    const bool wraps = sheet.AnyWraps();
    const double plain = sheet.RowHeight({}, sheet.body);
    QStringList cells;
    bool refused = false;
    if (rows_ > 0) spool_->Rewind();
    for (long long read = 1; rows_ > 0 && spool_->Next(cells, refused); ++read) {
        if (read % kRowsBetweenChecks == 0 && Cancelled()) break;
        if (slips && refused) continue;
        const double h = wraps ? sheet.RowHeight(cells, sheet.body) : plain;
        if (slips) place(sheet.SlipHeight(h, cells), cut);
        else place(bands * h, 0);
    }
    if (!slips && !totals_.isEmpty()) place(bands * sheet.RowHeight(totals_, sheet.bold), 0);
    if (starts.empty()) starts.push_back(0);
    return starts;
}

// One page's rows drawn: the strips with a cut line between them, or the table once per band.
void Payroll::DrawPage(QPainter& p, Sheet& sheet, const std::vector<Line>& page, bool slips) {
    if (slips && page.empty()) {
        // Every row refused: a page that says so rather than a blank one.
        p.setFont(sheet.body);
        p.drawText(QRectF(0, 0, sheet.width, sheet.height / 2), Qt::AlignCenter,
                   QStringLiteral("没有算出结果的行，没有工资条。"));
    } else if (slips) {
        const double cut = sheet.Dev(kCutGapPt);
        double y = 0;
        for (size_t i = 0; i < page.size(); ++i) {
            if (i > 0) {
                sheet.DrawCut(p, y + cut / 2);
                y += cut;
            }
            sheet.DrawSlip(p, y, page[i].h, page[i].cells);
            y += sheet.SlipHeight(page[i].h, page[i].cells);
        }
    } else {
        double y = sheet.DrawTitle(p, 0);
        for (const std::vector<int>& band : sheet.fit.bands) {
            const double top = y;
            sheet.DrawRow(p, y, sheet.headH, band, head_.columns, true, false);
            y += sheet.headH;
            for (const Line& line : page) {
                sheet.DrawRow(p, y, line.h, band, line.cells, false, line.totals);
                y += line.h;
            }
            sheet.DrawGrid(p, top, y, band);
            y += sheet.Dev(kBandGapPt);
        }
    }
}

namespace {

// Whether a cell says anything: not empty, and not a 0 however written ("0.00", "-0").
bool Said(const QString& cell) {
    for (const QChar ch : cell)
        if (!ch.isSpace() && !QStringLiteral("0.,-").contains(ch)) return true;
    return false;
}

} // namespace

tax::Status Payroll::WriteChosen(QPagedPaintDevice& device, bool onePerPage) {
    const int n = static_cast<int>(head_.columns.size());
    std::vector<bool> said(static_cast<size_t>(n), false);
    QStringList cells;
    bool refused = false;
    if (rows_ > 0) {
        spool_->Rewind();
        for (long long read = 1; spool_->Next(cells, refused) && !(read % kRowsBetweenChecks == 0 && Cancelled()); ++read)
            for (int c = 0; c < std::min(n, static_cast<int>(cells.size())) && !refused; ++c)
                said[static_cast<size_t>(c)] = said[static_cast<size_t>(c)] || Said(cells[c]);
    }
    std::vector<int> chosen;
    for (int c : head_.slipColumns) {
        const bool optional = std::find(head_.slipIfAny.begin(), head_.slipIfAny.end(), c) != head_.slipIfAny.end();
        if (c >= 0 && c < n && (!optional || said[static_cast<size_t>(c)])) chosen.push_back(c);
    }
    Head head = head_;
    head.slipColumns.clear();
    head.slipIfAny.clear();
    head.columns.clear();
    head.numeric.clear();
    for (int c : chosen) {
        head.columns << head_.columns[c];
        head.numeric.push_back(static_cast<size_t>(c) < head_.numeric.size() && head_.numeric[static_cast<size_t>(c)]);
    }
    Payroll strips(std::move(head));
    strips.progress_ = progress_;
    strips.cancel_ = cancel_;
    if (rows_ > 0) {
        spool_->Rewind();
        QStringList picked;
        for (long long read = 1; spool_->Next(cells, refused); ++read) {
            if (read % kRowsBetweenChecks == 0 && Cancelled()) return tax::Fail(kCancelled);
            picked.clear();
            for (int c : chosen) picked << (c < cells.size() ? cells[c] : QString());
            if (tax::Status s = strips.Add(picked, refused); !s) return s;
        }
    }
    const tax::Status written = strips.Write(device, true, onePerPage);
    pages_ = strips.pages_;
    fit_ = strips.fit_;
    return written;
}

tax::Status Payroll::Write(QPagedPaintDevice& device, bool slips, bool onePerPage) {
    if (slips && !head_.slipColumns.empty()) return WriteChosen(device, onePerPage);
    Sheet sheet(device, head_, slips);
    sheet.Place(NaturalWidths(device, sheet.Columns(), slips));
    fit_ = sheet.fit;
    if (Cancelled()) return tax::Fail(kCancelled);
    const std::vector<long long> starts = PageStarts(sheet, slips, onePerPage);
    if (Cancelled()) return tax::Fail(kCancelled);
    const int pages = static_cast<int>(starts.size());
    pages_ = pages;

    // Third pass: drawing, a page's rows at a time.
    QPainter p;
    if (!p.begin(&device)) return tax::Fail("未能开始打印。");
    QPen pen(Qt::black);
    pen.setWidthF(sheet.Dev(0.5));
    p.setPen(pen);
    if (rows_ > 0) spool_->Rewind();
    long long index = 0;
    const double plain = sheet.RowHeight({}, sheet.body);
    QStringList cells;
    bool refused = false;
    std::vector<Line> page;
    for (int at = 0; at < pages; ++at) {
        if ((progress_ && !progress_(at, pages)) || Cancelled()) {
            p.end();
            return tax::Fail(kCancelled);
        }
        if (at > 0 && !device.newPage()) return tax::Fail("未能开始新的一页。");
        const long long end = at + 1 < pages ? starts[static_cast<size_t>(at + 1)] : -1;
        page.clear();
        while (end < 0 || index < end) {
            if (!(rows_ > 0 && spool_->Next(cells, refused))) break;
            if (slips && refused) continue;
            page.push_back({cells, sheet.AnyWraps() ? sheet.RowHeight(cells, sheet.body) : plain, false});
            ++index;
        }
        if (!slips && at + 1 == pages && !totals_.isEmpty())
            page.push_back({totals_, sheet.RowHeight(totals_, sheet.bold), true});
        DrawPage(p, sheet, page, slips);
        sheet.DrawFooter(p, at + 1, pages);
    }
    if (!p.end()) return tax::Fail("未能完成打印。");
    return {};
}

tax::Status Payroll::Pdf(const QString& path, bool landscape,
                         const std::function<tax::Status(QPagedPaintDevice&)>& draw) const {
    const std::optional<std::string> target =
        replaceLinks_ ? std::optional(QFile::encodeName(path).toStdString()) : batch::SaveTarget(QFile::encodeName(path).toStdString());
    if (!target) return tax::Fail("“" + path.toStdString() + "”不是普通文件，不能写入。");
    tax::Result<batch::SaveFile> save = batch::SaveFile::Begin(
        *target, batch::SaveFile::Scratch::Unnamed,
        replaceLinks_ ? batch::SaveFile::Links::kReplace : batch::SaveFile::Links::kFollow);
    if (!save) return tax::Fail("未能写入“" + path.toStdString() + "”：" + save.error());
    QFile file(QFile::decodeName(QByteArray::fromStdString(save->ScratchName())));
    if (!file.open(QIODevice::WriteOnly))
        return tax::Fail("未能写入“" + path.toStdString() + "”：" + file.errorString().toStdString());
    tax::Status drawn;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                         QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
        writer.setTitle(head_.title);
        writer.setCreator(QStringLiteral("青蚨税算"));
        drawn = draw(writer);
    }
    const bool written = file.flush() && file.error() == QFileDevice::NoError;
    const QString why = file.errorString();
    file.close();
    if (!drawn || !written) {
        if (!drawn) return drawn; // the scratch goes with the save
        return tax::Fail("未能写入“" + path.toStdString() + "”：" + why.toStdString());
    }
    if (tax::Status committed = save->Commit(); !committed)
        return tax::Fail("未能写入“" + path.toStdString() + "”：" + committed.error());
    return {};
}

tax::Status Payroll::TablePdf(const QString& path) {
    return Pdf(path, true, [this](QPagedPaintDevice& d) { return WriteTable(d); });
}

tax::Status Payroll::PayslipsPdf(const QString& path, bool onePerPage) {
    return Pdf(path, false, [this, onePerPage](QPagedPaintDevice& d) { return WritePayslips(d, onePerPage); });
}

tax::Result<long long> Payroll::PayslipFiles(const QString& dir) {
    if (!QDir().mkpath(dir)) return tax::Fail("未能创建文件夹“" + dir.toStdString() + "”。");
    const int idAt = static_cast<int>(head_.columns.indexOf(QStringLiteral("工号")));
    const int nameAt = static_cast<int>(head_.columns.indexOf(QStringLiteral("姓名")));
    // Each file is a payroll of one, drawn as a strip of the combined PDF is and fitted to
    // its own person's texts.
    QSet<QString> used;
    QString notRegular;
    long long written = 0, ordinal = 0;
    QStringList cells;
    bool refused = false;
    if (rows_ == 0) return written;
    spool_->Rewind();
    while (spool_->Next(cells, refused)) {
        ++ordinal;
        if (refused) continue;
        if ((progress_ && !progress_(written, Slips())) || Cancelled()) return tax::Fail(kCancelled);
        const auto cell = [&](int at) { return at >= 0 && at < cells.size() ? cells[at] : QString(); };
        const QString base = head_.slipSuffix.isEmpty()
                                 ? SafeFileName(cell(idAt), cell(nameAt), ordinal)
                                 : SafeFileName(cell(idAt), cell(nameAt), ordinal).chopped(4) + QLatin1Char('-') +
                                       SafeFileName(QString(), head_.slipSuffix, ordinal);
        QString name = base;
        for (int k = 2; used.contains(name.toCaseFolded()); ++k)
            name = base.chopped(4) + QStringLiteral("(%1).pdf").arg(k);
        used.insert(name.toCaseFolded());
        Payroll one(head_);
        one.replaceLinks_ = true;
        if (tax::Status s = one.Add(cells); !s) return s.failure();
        // A pipe, device or folder at the name is left alone and said; the others are written.
        const QFileInfo there(QDir(dir).filePath(name));
        if (there.exists() && !there.isSymLink() && !there.isFile()) {
            notRegular += (notRegular.isEmpty() ? QString() : QStringLiteral("、")) + QStringLiteral("“%1”").arg(name);
            continue;
        }
        if (tax::Status s = one.PayslipsPdf(QDir(dir).filePath(name), true); !s) return s.failure();
        ++written;
    }
    if (!notRegular.isEmpty())
        return tax::Fail("已写 " + std::to_string(written) + " 个工资条；文件夹中的" + notRegular.toStdString() +
                         "不是普通文件（管道、设备或文件夹），为免损坏它们，这些人的工资条没有写入");
    return written;
}

QString SafeFileName(const QString& id, const QString& name, long long ordinal) {
    auto clean = [](QString s) {
        for (QChar& ch : s)
            if (ch.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(ch)) ch = QLatin1Char('_');
        s = s.trimmed();
        while (s.startsWith(QLatin1Char('.'))) s.remove(0, 1);
        // Far below the 255 bytes a name may have, CJK characters taking three each.
        if (s.size() > 40) s.truncate(40);
        return s.trimmed();
    };
    QStringList parts;
    for (const QString& part : {clean(id), clean(name)})
        if (!part.isEmpty()) parts << part;
    QString base = parts.join(QLatin1Char('-'));
    if (base.isEmpty()) base = QStringLiteral("第%1人").arg(ordinal);
    return base + QStringLiteral(".pdf");
}

} // namespace print
