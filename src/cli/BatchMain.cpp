// qingfu-batch: a payroll file in, the wage and year-end bonus tax of every row out, for
// scripts and scheduled runs. Reads and writes a row at a time.

#include "batch/FileErrors.h"
#include "batch/Input.h"
#include "batch/LawTables.h"
#include "batch/Monthly.h"
#include "batch/MonthlyPeriod.h"
#include "batch/MonthlyYear.h"
#include "batch/ReceiptsKind.h"
#include "batch/Rows.h"
#include "batch/SaveFile.h"
#include "batch/Xlsx.h"
#include "cli/PrintOutputs.h"
#include "tax/Amount.h"
#include "tax/Batch.h"
#include "tax/Law2019.h"
#include "tax/WageTax.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace tb = tax::batch;

constexpr const char* kUsage = R"(名称
    qingfu-batch - 整张工资表的个人所得税（2011年9月—2018年9月、2018年10—12月，或 2019 年起的累计预扣）

用法
    qingfu-batch 输入文件… [-o 输出.csv | -o 输出.xlsx | -o 输出.pdf] [--allowance 3500|4800]
                 [--law 2011|2018q4|2019|2019receipts] [--year 年度] [--month 月份]
                 [--sheet 名称|序号] [--payslips 输出.pdf] [--payslips-dir 目录]
                 [--payslip-per-page] [--title 标题]
    qingfu-batch 输入文件 --sheets
    qingfu-batch --help | --version

说明
    按青蚨税算的“工资”和“工资 + 年终奖”两个计算器的算法，算出输入文件每个人当月的工资个税和
    年终奖个税（工资用不完的起征点从年终奖中扣除，每笔税款只在最后四舍五入到分）。

    输入：文本表格（CSV；UTF-8，有无 BOM 均可；带 BOM 的 UTF-16；GB18030/GBK，自动识别；
    逗号、分号或制表符分隔；字段可加引号）或工作簿（.xlsx/.xlsm、旧的 .xls；默认读第一张
    有标题行的工作表，跳过的隐藏、图表、空白工作表在汇总里说明；--sheet 另选，--sheets 列出）。
    文件类型按内容判断，不看扩展名；两者都不是的文件整份拒绝。
    “-”表示从标准输入读文本。

    标题行：在前 20 个非空行中，第一个有至少两个单元格写着下列标题的行就是标题行，它上面的
    行（表名、制表日期等）跳过并计数。标题不分大小写，空格、全角括号和末尾的“（元）”不计：
@HEADINGS@
    没有标题行时，只有第一行是“姓名,月工资,五险一金,起征点,年终奖”顺序的一个人，才按这个
    顺序读各列；否则整份文件拒绝。同一列的标题出现两次（如“工资”和“税前工资”）也拒绝。

    税法（--law）：2011 是 2011年9月至2018年9月的七级税率表，起征点 3500（默认）或 4800；
    2018q4 是 2018年10月至12月：起征点一律 5000，用新的月度税率表（3% 至 45%），年终奖仍按
    除以 12 的办法对照这张表计税；文件里写了 5000 以外的起征点（如 3500、4800）的行拒绝并说明
    原因，不会悄悄换成 5000。这两种税法的输出列相同。

    2019 是 2019 年起的综合所得累计预扣法：每行是一个人一个月，列名同扣缴申报表，认得的标题：
@MONTHLY@
    缺的列按 0 计；“累计”开头的列写截至本月的累计数，其余写本月数。同一工号（没有工号时同一
    姓名）是同一个人，文件里他最早的月份就是入职的月份；行的次序不限，月份可写“5”“2023-05”
    “2023年5月”（年份须是 --year）。输出是输入的各列（原样），后接：
        累计收入,累计免税收入,累计减除费用,累计专项扣除,累计专项附加扣除,累计其他扣除,
        累计准予扣除的捐赠额,累计应纳税所得额,预扣率,速算扣除数,累计应纳税额,累计减免税额,
        累计已预扣预缴税额,本期应预扣预缴税额,税后工资,年终奖个税,说明
    一行被拒绝时，同一人以后各月也不算（说明“前月有误，未计算”），别人不受影响；同一人同一
    月出现两次也拒绝。每人按月份先后排列的文件边读边算（内存只随人数增长）；其他
    次序的文件和标准输入整份读入再算。合计个税是本期应预扣预缴税额与年终奖个税之和。
    PDF 和工资条同样可印，每人每月一条；XLSX 和 PDF 的末尾合计本月数（累计数不合计）。

    所属年月与税法：不给 --law 时，按表所属的年月选税法（2018年9月及以前 2011，2018年10—12月
    2018q4，2019年起 2019），年月依次从月份一列、工作表名（“6月”“2024年6月”“2024.06”“六月”）、
    表头上方的标题行（“某某公司2024年6月工资表”）、文件名（“工资表202406.csv”）中找；--year 不给
    时也取自表。汇总行写明按哪一税法、由什么看出。都找不到时按 2011 计算并在汇总中说明。给了
    --law 而与表的年月不符时照 --law 计算，并在标准错误上提示。

    一年的月表：2019 年起，工作簿中名称或标题写着月份的各张工作表（“1月”…“12月”）按月份先后
    一起读（--sheet 只读其中一张）；命令行上的多个文件（每月一个，次序不限）也作为一年读。没有
    月份一列的表，各行的月份取自其工作表名、标题或文件名，输出在计算列前多一列“所属月份”；
    各表中同一工号（没有工号时同一姓名）是同一个人。输出 XLSX 时每月一张工作表，名称同原表。
    --month N 只写出 N 月的行（CSV、XLSX、PDF、工资条），此前各月只用于累计。一个人在表中的
    第一个月晚于 1 月（又没有任职受雇日期一列）时，从该月起累计，说明中写明，汇总中计数。

    按月填写的专项附加扣除（“专项附加扣除”“本月专项附加扣除”“子女教育等专项附加扣除”，或分项的
    “子女教育”“赡养老人”“住房贷款利息”“住房租金”“继续教育”“3岁以下婴幼儿照护”“个人养老金”）
    是当月数，逐月累加；“累计”开头的列照旧是累计数。表中自己的个税一列（个税、代扣个税、
    个人所得税、代扣个人所得税、工资个税、本期应预扣预缴税额、应扣缴税额）原样保留，计算列
    之后加一列“个税差额”（表中数 − 算出的本期应预扣预缴税额与年终奖个税，表中为空则空），
    汇总中写明不同的行数和差额合计。

    2019receipts 是 2019 年起居民个人的劳务报酬、稿酬、特许权使用费，逐次预扣：每行是一次
    支付，“所得项目”写劳务报酬所得、稿酬所得或特许权使用费所得，列名同扣缴申报表：
@RECEIPTS@
    每次收入不超过 4000 元减除费用 800 元，以上减除 20%；稿酬的收入额按 70% 计；劳务报酬按
    20%、30%、40% 的预扣率表，稿酬和特许权使用费按 20%。输出是输入的各列，后接：
        收入额,减除费用,应纳税所得额,预扣率,速算扣除数,应预扣预缴税额,说明
    末尾一行是合计。不给 --law 时，标题行有“所得项目”和“本期收入”（没有月份）的表按这种读。
    这种写 CSV、XLSX，或 -o 输出.pdf 印成表格（不印工资条）。

    五险一金为空按 0 计，起征点为空取 --allowance，年终奖为空表示没有年终奖。金额可以写成
    “12,000.00”“¥12000”“5000元”“１２０００”。姓名（或工号、第一格）是“合计”“小计”“总计”开头
    的行，以及没有姓名和工号、而其余某一格以它们开头的行，是表里自己的合计行：原样带出，说明写
    “合计行，未计算”，不计算也不计入合计。

    输出：UTF-8 的 CSV（写到文件时带 BOM，便于表格软件识别中文），每个输入行一行，次序不变：
        [工号,]姓名,月工资,五险一金,起征点,年终奖,应纳税所得额,税率,速算扣除数,工资个税,
        税后工资,年终奖个税,税后年终奖,合计个税,说明[,其余各列]
    有工号列时工号在最前；输入中没有用到的列（部门、银行账号、备注等）按原来的次序接在说明
    后面。读入的金额和算出的金额都写成两位小数、不带千分位，税率写成“20%”；说明里有年终奖
    盲区提示、五险一金超过月工资的提示，或该行被拒绝的原因（其计算列为空）。
    -o 输出.xlsx 时写成工作簿，金额为数值，末尾有合计行；超过一张工作表的行数时接着写在
    下一张工作表（各表都有标题行，合计行在最后一张）。

    PDF：工资表（-o 输出.pdf）和工资条（--payslips、--payslips-dir），中文字体嵌在文件里；
    被拒绝的行印在表里，但没有工资条。可以和 CSV、XLSX 输出同时要；只要 PDF 时不写 CSV。
    不需要显示器。

   输出先写在目标旁的临时文件里，完成后
    才换上去，所以运行失败时原有文件不变。

    标准错误上先列出每个被拒绝的行（文件:行号: 原因），最后一行是汇总（读入、计算、拒绝、
    跳过的行数，合计个税，文件的编码或工作表）。

选项
    -o, --output 文件      写到该文件（.xlsx 为工作簿，否则为 CSV）；默认写到标准输出
    --allowance 3500|4800  起征点为空的行所用的起征点（默认 3500；只用于 --law 2011）
    --law 2011|2018q4|2019 按哪一段时期的税法计算（默认按表所属的年月，看不出时 2011）
    --law 2019receipts     2019 年起的劳务报酬、稿酬、特许权使用费，逐次预扣
    --year 年度            --law 2019 所算的年度（默认取自表，表中没有时为今年），决定年终奖能否单独计税
    --month 月份           只写出该月（1—12）的行，此前各月只用于累计
    --sheet 名称|序号      读工作簿的哪一张工作表（序号从 1 起；默认第一张有标题行的）
    --sheets               列出工作簿的各张工作表（序号、名称，隐藏的和图表注明），不计算
    --first-job            --law 2019：没有“本年首次取得工资”一列（或留空）的行都按本年首次取得工资计，
                           累计减除费用为 5000 × 当月月份数（2020年7月起）
    --low-earner           --law 2019：没有“按6万元扣除”一列（或留空）的行都按上年各月均在本单位预扣、
                           全年收入不超过6万元计，累计减除费用自1月起为 60000（2021年起）
@PRINT@    -h, --help             显示本说明
    --version              显示版本

退出码
    0   每一行都算出了
    1   有行被拒绝，其余的行已写出
    2   参数不对、输入无法读取或整份拒绝、输出无法写入（此时什么也不写）
)";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "qingfu-batch：%s\n请用 qingfu-batch --help 查看用法。\n", problem.c_str());
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "qingfu-batch：%s\n", message.c_str());
    return 2;
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

// The save of `out`, resolved to the file it writes (a link's target; `out` becomes it), or why
// not, in the words every failed save here uses.
tax::Result<batch::SaveFile> BeginSave(std::string& out) {
    const std::optional<std::string> target = batch::SaveTarget(out);
    if (!target) return tax::Fail("无法写入“" + out + "”：它不是普通文件");
    out = *target;
    tax::Result<batch::SaveFile> begun = batch::SaveFile::Begin(out);
    if (!begun) return tax::Fail("无法写入“" + out + "”：" + begun.error());
    return begun;
}

// CSV text into the save when there is one, else to standard output.
tax::Status WriteOut(std::optional<batch::SaveFile>& save, std::FILE* output, const std::string& shownOut,
                     std::string_view data) {
    // A save's failure in the words the save gives, the same as the window's.
    if (save) {
        if (tax::Status s = save->Write(data); !s) return tax::Fail("无法写入" + shownOut + "：" + s.error());
        return {};
    }
    if (std::fwrite(data.data(), 1, data.size(), output) != data.size())
        return tax::Fail("无法写入" + shownOut + "：" + batch::SystemErrorText(errno));
    return {};
}

bool EndsWithXlsx(const std::string& path) {
    if (path.size() < 5) return false;
    std::string tail = path.substr(path.size() - 5);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".xlsx";
}

// Where a run's rows go: CSV or a workbook (by the name's ending) into a file saved whole, or
// CSV onto standard output, or nowhere when the PDFs are the output. The same for every law: a
// workbook takes the rows as a table, laid out as one by `Laid` (the writer itself for a table).
template <class Writer, class Laid, class Csv>
class Output {
public:
    Output(std::string out, bool pdfOnly) : out_(std::move(out)), pdfOnly_(pdfOnly) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // The save begun and the writer made, or the message saying why not.
    tax::Status Open() {
        xlsx_ = EndsWithXlsx(out_);
        toFile_ = !out_.empty() && out_ != "-";
        if (toFile_) {
            tax::Result<batch::SaveFile> begun = BeginSave(out_);
            if (!begun) return begun.failure();
            save_.emplace(std::move(*begun));
            if (xlsx_) {
                book_ = std::make_unique<batch::XlsxTableWriter>();
                if (tax::Status s = book_->Open(save_->ScratchName()); !s) {
                    book_.reset();
                    return tax::Fail("无法写入“" + out_ + "”：" + s.error());
                }
                if constexpr (std::is_same_v<Writer, Laid>) writer_ = book_.get();
                else writer_ = (laid_ = std::make_unique<Laid>(*book_)).get();
            }
        }
        shown_ = toFile_ ? "“" + out_ + "”" : std::string("标准输出");
        if (!writer_ && !pdfOnly_) {
            csv_ = std::make_unique<Csv>([this](std::string_view data) { return WriteOut(save_, stdout, shown_, data); },
                                         toFile_);
            writer_ = csv_.get();
        }
        return {};
    }
    Writer* writer() const { return writer_; }
    batch::XlsxTableWriter* book() const { return book_.get(); }
    Csv* csv() const { return csv_.get(); }
    batch::SaveFile* save() { return save_ ? &*save_ : nullptr; }
    bool xlsx() const { return xlsx_; }
    bool toFile() const { return toFile_; }
    const std::string& shown() const { return shown_; }

    // The run failed: nothing of the workbook is written out, the scratch file goes.
    int Drop(const std::string& why) {
        if (book_) book_->Abandon();
        Close();
        save_.reset();
        return Fail(why);
    }
    // The rest written and the file put in place; the exit status of a failure, or 0.
    int Commit() {
        Close();
        if (!toFile_ && !pdfOnly_ && std::fflush(stdout) != 0) return Drop("无法写入" + shown_ + "：" + batch::SystemErrorText(errno));
        if (save_)
            if (tax::Status s = save_->Commit(); !s) return Fail("无法写入" + shown_ + "：" + s.error());
        return 0;
    }

private:
    void Close() {
        writer_ = nullptr;
        laid_.reset();
        book_.reset();
        csv_.reset();
    }

    std::string out_;
    bool pdfOnly_;
    bool xlsx_ = false, toFile_ = false;
    std::string shown_;
    std::optional<batch::SaveFile> save_; // a file is saved whole, or not at all
    std::unique_ptr<batch::XlsxTableWriter> book_;
    std::unique_ptr<Laid> laid_;
    std::unique_ptr<Csv> csv_;
    Writer* writer_ = nullptr;
};

void PrintUsage() {
    std::string text = kUsage;
    std::string headings;
    const std::string all = batch::HeadingsText();
    size_t start = 0;
    while (start < all.size()) {
        const size_t end = all.find('\n', start);
        headings += "        " + all.substr(start, end - start) + "\n";
        start = end + 1;
    }
    if (!headings.empty()) headings.pop_back();
    text.replace(text.find("@HEADINGS@"), 10, headings);
    text.replace(text.find("@PRINT@"), 7, cli::PrintOutputs::Help());
    std::string monthly;
    const std::string names = batch::monthly::HeadingsText();
    for (size_t start = 0, end; start < names.size(); start = end + 1) {
        end = names.find('\n', start);
        monthly += "        " + names.substr(start, end - start) + "\n";
    }
    if (!monthly.empty()) monthly.pop_back();
    text.replace(text.find("@MONTHLY@"), 9, monthly);
    std::string receipts;
    const std::string inputs = batch::table::HeadingsText(batch::table::ReceiptsKind());
    for (size_t start = 0, end; start < inputs.size(); start = end + 1) {
        end = inputs.find('\n', start);
        receipts += "        " + inputs.substr(start, end - start) + "\n";
    }
    if (!receipts.empty()) receipts.pop_back();
    text.replace(text.find("@RECEIPTS@"), 10, receipts);
    std::fputs(text.c_str(), stdout);
}

// The PDFs beside the CSV or workbook (or alone): every call goes to both.
// A call made on both writers of a tee, the second only when the first succeeded; either may
// be absent (no file, or no PDF).
template <class W, class Call>
tax::Status Both(W* first, W* second, const Call& call) {
    if (tax::Status s = first ? call(*first) : tax::Status(); !s) return s;
    return second ? call(*second) : tax::Status();
}

class Tee : public batch::PayrollWriter {
public:
    Tee(batch::PayrollWriter* first, batch::PayrollWriter* second) : first_(first), second_(second) {}
    tax::Status Begin(const batch::Layout& layout) override {
        return Both(first_, second_, [&](batch::PayrollWriter& w) { return w.Begin(layout); });
    }
    tax::Status Add(const batch::Record& record, const tb::RowResult& r) override {
        return Both(first_, second_, [&](batch::PayrollWriter& w) { return w.Add(record, r); });
    }
    tax::Status Finish(const batch::Totals& totals) override {
        return Both(first_, second_, [&](batch::PayrollWriter& w) { return w.Finish(totals); });
    }

private:
    batch::PayrollWriter* first_;
    batch::PayrollWriter* second_;
};

class MonthlyTee : public batch::monthly::Writer {
public:
    MonthlyTee(batch::monthly::Writer* first, batch::monthly::Writer* second) : first_(first), second_(second) {}
    tax::Status Begin(const std::vector<std::string>& titles) override {
        return Both(first_, second_, [&](batch::monthly::Writer& w) { return w.Begin(titles); });
    }
    tax::Status Add(const batch::monthly::Record& record, const tax::payroll2019::Figures& f) override {
        return Both(first_, second_, [&](batch::monthly::Writer& w) { return w.Add(record, f); });
    }
    tax::Status Section(const std::string& name) override {
        return Both(first_, second_, [&](batch::monthly::Writer& w) { return w.Section(name); });
    }
    tax::Status Finish() override {
        return Both(first_, second_, [](batch::monthly::Writer& w) { return w.Finish(); });
    }

private:
    batch::monthly::Writer* first_;
    batch::monthly::Writer* second_;
};

constexpr const char* kReceiptsRun = "2019年起劳务报酬、稿酬、特许权使用费，逐次预扣";

// Whether a sheet reads as the 2019 law's labour, author's and royalty payments.
bool ReadsAsReceipts(const std::string& in, const std::string& sheet) {
    // Standard input and pipes cannot be read again.
    struct stat st{};
    if (in == "-" || stat(in.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    tax::Result<std::unique_ptr<batch::Input>> opened = batch::OpenInput(in, sheet, batch::OpenWorkbook);
    return opened && batch::table::ReadsAsReceipts(**opened);
}

// What a run under the 2019 law writes beyond the rows: the month chosen (--month: the others
// only carry the year's figures to it), a sheet of its own for each month read, and the counts
// the summary gives: rows whose sheet tax differs from the computed one.
class ClerkWriter : public batch::monthly::Writer {
public:
    ClerkWriter(batch::monthly::Writer& next, int month, const std::vector<batch::monthly::MonthSheet>* monthSheets)
        : next_(next), month_(month), sheets_(monthSheets) {}
    tax::Status Begin(const std::vector<std::string>& titles) override {
        at_ = SIZE_MAX;
        shown = {};
        differing = 0;
        difference = tb::Sum();
        return next_.Begin(titles);
    }
    tax::Status Add(const batch::monthly::Record& record, const tax::payroll2019::Figures& f) override {
        if (month_ > 0 && record.row.month != month_) return {};
        if (sheets_) {
            const size_t sheetAt = batch::monthly::YearSheet::SheetOf(record.line);
            if (sheetAt != at_ && sheetAt < sheets_->size()) {
                at_ = sheetAt;
                if (tax::Status s = next_.Section((*sheets_)[sheetAt].SheetLabel()); !s) return s;
            }
        }
        batch::monthly::Tally(shown, record, f);
        if (tax::Decimal d; batch::monthly::TaxDifference(record, f, d) && !(d == tax::Decimal())) {
            ++differing;
            difference.Add(d);
        }
        return next_.Add(record, f);
    }
    tax::Status Finish() override { return next_.Finish(); }

    tb::Totals shown;      // the rows written
    long long differing = 0;
    tb::Sum difference;

private:
    batch::monthly::Writer& next_;
    int month_;
    const std::vector<batch::monthly::MonthSheet>* sheets_;
    size_t at_ = SIZE_MAX;
};

// Where a row came from, for its message: "FILE:LINE", the sheet too for a year of sheets.
std::string Where(const std::string& in, const std::vector<batch::monthly::MonthSheet>* monthSheets, long long line) {
    if (!monthSheets) return in + ":" + std::to_string(line);
    const size_t k = batch::monthly::YearSheet::SheetOf(line);
    if (k >= monthSheets->size()) return in + ":" + std::to_string(line);
    const batch::monthly::MonthSheet& p = (*monthSheets)[k];
    return p.file + (p.sheetName.empty() ? "" : "[" + p.sheetName + "]") + ":" +
           std::to_string(batch::monthly::YearSheet::RowOf(line));
}

struct MonthlyRun {
    std::string in, out, sheet;
    int year = 0, month = 0;
    const std::vector<batch::monthly::MonthSheet>* monthSheets = nullptr; // a year of sheets; null for one sheet with 月份
    std::string said;                                           // the period's words for the summary
};

// The rows whose sheet tax differs from the computed one, when there are any.
void SayTaxDifference(long long differing, const tb::Sum& difference) {
    if (differing == 0) return;
    std::string sum;
    tb::AppendMoney(sum, difference.Value());
    std::fprintf(stderr, "表中个税与算出的不同：%lld 行，个税差额合计 %s（表中 − 算出，见“个税差额”一列）\n", differing, sum.c_str());
}

// The summary on standard error: the rows written (of the month chosen), what told the law,
// the sheet's own tax where it differs, and the people whose earlier months were not given.
int MonthlySummary(const MonthlyRun& run, const tb::Totals& shown, const tb::Totals& all, const ClerkWriter& clerk,
                   long long late, const std::string& describe) {
    std::string total;
    tb::AppendMoney(total, shown.totalTax.Value());
    const std::string month = run.month > 0 ? std::to_string(run.month) + "月：" : std::string();
    std::fprintf(stderr, "%s读入 %lld 行，计算 %lld 行，拒绝 %lld 行，跳过 %lld 行，合计个税 %s（%s；%d 年度，累计预扣）%s%s\n",
                 month.c_str(), shown.read, shown.computed, shown.refused, shown.skipped, total.c_str(), describe.c_str(),
                 run.year, run.said.empty() ? "" : "；", run.said.c_str());
    if (run.month > 0 && all.read > shown.read)
        std::fprintf(stderr, "此前各月 %lld 行只用于累计，未写出\n", all.read - shown.read);
    SayTaxDifference(clerk.differing, clerk.difference);
    if (late > 0)
        std::fprintf(stderr, "%lld 人本年此前月份未提供，按其在表中的第一个月起累计（见说明）\n", late);
    return all.refused > 0 ? 1 : 0;
}

// The 2019 law's person-month rows: the file's columns, then the cumulative figures; the PDFs
// beside them or alone, as for the older laws.
// The pages' title (the month written's, else the last month's, else the sheet's own unless
// --title gives one) and the payslip files' month: 工号-姓名-2024年6月.pdf.
void TitlePrints(const MonthlyRun& run, const batch::monthly::Opener& open, cli::PrintOutputs& prints) {
    if (run.monthSheets) {
        std::string title;
        for (const batch::monthly::MonthSheet& p : *run.monthSheets)
            if ((run.month == 0 || p.period.month == run.month) && !p.title.empty()) title = p.title;
        prints.DefaultTitle(title);
    } else if (prints.Wanted() && run.in != "-") {
        if (tax::Result<std::unique_ptr<batch::Input>> head = open(); head) {
            batch::monthly::Reader reader(*(*head)->sheet, (*head)->Problem(), run.year);
            if (reader.Start()) prints.DefaultTitle(reader.Title());
        }
    }
    if (run.month > 0) prints.SlipSuffix(batch::monthly::PeriodText(run.year, run.month));
    else if (run.monthSheets && run.monthSheets->size() == 1)
        prints.SlipSuffix(batch::monthly::PeriodText(run.year, run.monthSheets->front().period.month));
}

// A sheet refused under the 2019 law that another reads: the line saying which to use.
std::string OtherLawHint(const MonthlyRun& run, const batch::monthly::Opener& open, long long read) {
    tax::Result<std::unique_ptr<batch::Input>> again =
        run.in == "-" || run.monthSheets || read > 0 ? tax::Result<std::unique_ptr<batch::Input>>(tax::Fail("")) : open();
    if (again && batch::monthly::ReadsAsPayroll(**again))
        return "\n这张表每行是一个人（没有月份一列）：请用 --law 2011 或 --law 2018q4";
    if (read == 0 && ReadsAsReceipts(run.in, run.sheet))
        return "\n这张表每行是一次劳务报酬、稿酬或特许权使用费（有所得项目）：请用 --law 2019receipts";
    return {};
}

int RunMonthly(const MonthlyRun& run, cli::PrintOutputs& prints, const char* program) {
    const std::string& in = run.in;
    std::string out = run.out;
    const int year = run.year;
    const bool fromStdin = in == "-";
    std::string describe;
    const batch::monthly::Opener open = [&]() -> tax::Result<std::unique_ptr<batch::Input>> {
        if (run.monthSheets) return batch::monthly::OpenYear(*run.monthSheets, batch::OpenWorkbook);
        tax::Result<std::unique_ptr<batch::Input>> opened = batch::OpenInput(in, run.sheet, batch::OpenWorkbook);
        if (opened) describe = (*opened)->Describe();
        return opened;
    };
    if (run.monthSheets) describe = run.monthSheets->size() == 1 ? run.monthSheets->front().Shown() : std::to_string(run.monthSheets->size()) + " 张表";
    const std::string shownIn = fromStdin ? std::string("标准输入") : "“" + in + "”";
    TitlePrints(run, open, prints);
    const bool pdfOnly = prints.TakeOutput(out) || (out.empty() && prints.Wanted());
    if (pdfOnly) out.clear();
    if (prints.Wanted()) prints.Start(program);
    Output<batch::monthly::Writer, batch::monthly::TableOut, batch::monthly::CsvOut> output(out, pdfOnly);
    if (tax::Status s = output.Open(); !s) return Fail(s.error());
    tb::Totals totals;
    bool writing = false;
    MonthlyTee tee(output.writer(), prints.Wanted() ? &prints.Monthly() : nullptr);
    ClerkWriter clerk(tee, run.month, run.monthSheets);
    // CSV into a file can start again from nothing, so the rows stream without a first reading
    // of the file; the refusals wait in a scratch file until the run is sure of them.
    std::FILE* notes = output.toFile() && output.csv() && !prints.Wanted() && !fromStdin ? std::tmpfile() : nullptr;
    std::function<tax::Status()> rewind;
    if (notes)
        rewind = [&]() -> tax::Status {
            output.csv()->Restart();
            std::rewind(notes);
            if (ftruncate(fileno(notes), 0) != 0) return tax::Fail(batch::SystemErrorText(errno));
            return output.save()->Rewind();
        };
    std::FILE* said = notes ? notes : stderr;
    long long late = 0;
    bool paid = false;
    const tax::Result<bool> done = batch::monthly::Pump(
        open, !fromStdin, year, clerk, totals,
        [&run, said, &paid](const batch::monthly::Record& record, const tax::payroll2019::Figures& f) {
            if (!record.total && !f.ok)
                std::fprintf(said, "%s: %s\n", Where(run.in, run.monthSheets, record.line).c_str(), f.note.c_str());
            paid = paid || (!record.total && (!record.row.amounts[tax::payroll2019::kIncome].IsZero() ||
                                              !record.row.amounts[tax::payroll2019::kBonus].IsZero()));
        },
        &writing, rewind, &late);
    if (notes) {
        std::rewind(notes);
        char buffer[1 << 16];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, notes)) > 0;)
            std::fwrite(buffer, 1, n, stderr);
        std::fclose(notes);
    }
    if (!done) {
        if (writing) return output.Drop((output.xlsx() ? "无法写入" + output.shown() + "：" : std::string()) + done.error());
        return output.Drop(shownIn + "：" + done.error() + OtherLawHint(run, open, totals.read));
    }
    if (run.month > 0 && clerk.shown.read == 0) return output.Drop(shownIn + "中没有" + std::to_string(run.month) + "月的行");
    // The title rows above each sheet's header, skipped as a single sheet's are.
    if (run.monthSheets)
        for (const batch::monthly::MonthSheet& m : *run.monthSheets) {
            if (run.month == 0 || m.period.month == run.month) clerk.shown.skipped += m.rowsAbove;
            totals.skipped += m.rowsAbove;
        }
    if (const int failed = output.Commit()) return failed;
    if (!paid && totals.read > 0) describe += std::string("；") + batch::monthly::kNoPayNote;
    const int status = MonthlySummary(run, run.month > 0 ? clerk.shown : totals, totals, clerk, late, describe);
    if (tax::law2019::BeyondKnown(year))
        std::fprintf(stderr, "%d 年度的扣除标准和税率尚未公布，按已知最新的（%d 年度）计算\n", year, tax::law2019::kLastYear);
    return status;
}

// The 2019 law's labour, author's and royalty payments, one a row: the file's columns, then the
// figures, then the totals row; CSV, XLSX, or the table printed (-o OUT.pdf).
int RunReceipts(const std::string& in, std::string out, const std::string& sheet, const char* how,
                cli::PrintOutputs& prints, const char* program) {
    tax::Result<std::unique_ptr<batch::Input>> opened = batch::OpenInput(in, sheet, batch::OpenWorkbook);
    if (!opened) return Fail(opened.error());
    batch::Input& input = **opened;
    batch::table::ReceiptsKind kind;
    batch::table::TableReader reader(*input.sheet, input.Problem(), kind);
    const std::string shownIn = in == "-" ? std::string("标准输入") : "“" + in + "”";
    if (tax::Status s = reader.Start(); !s) return Fail(shownIn + "：" + s.error());
    const bool pdf = prints.TakeOutput(out);
    if (pdf) {
        out.clear();
        prints.DefaultTitle(reader.Title());
        prints.Start(program);
    }
    Output<batch::table::TableWriter, batch::table::TableWriter, batch::table::CsvTableWriter> output(out, pdf);
    if (tax::Status s = output.Open(); !s) return Fail(s.error());
    tb::Totals totals;
    bool writing = false;
    const tax::Result<bool> done = batch::table::Pump(reader, kind, pdf ? prints.Table() : *output.writer(), totals, [&in](const batch::table::Row& row) {
        if (row.state == batch::table::RowState::kRefused)
            std::fprintf(stderr, "%s:%lld: %s\n", in.c_str(), row.line, row.refusal.c_str());
    }, &writing);
    if (!done) return output.Drop(writing ? done.error() : shownIn + "：" + done.error());
    if (const int status = output.Commit(); status != 0) return status;
    std::string total;
    tb::AppendMoney(total, totals.totalTax.Value());
    std::fprintf(stderr, "读入 %lld 行，计算 %lld 行，拒绝 %lld 行，跳过 %lld 行，合计个税 %s（%s；%s）\n", totals.read,
                 totals.computed, totals.refused, totals.skipped, total.c_str(), input.Describe().c_str(), how);
    return totals.refused > 0 ? 1 : 0;
}

// --first-job and --low-earner: what rows without those columns count as, for the whole run.
bool TakeRunDefault(std::string_view option, batch::monthly::RunDefaults& defaults) {
    if (option != "--first-job" && option != "--low-earner") return false;
    (option == "--first-job" ? defaults.firstJob : defaults.lowEarner) = true;
    batch::monthly::SetRunDefaults(defaults);
    return true;
}

// --sheets: the book's sheets, one a line.
int ListSheets(const std::string& in) {
    tax::Result<std::unique_ptr<batch::Input>> opened = batch::OpenInput(in, "1", batch::OpenWorkbook);
    if (!opened) return Fail(opened.error());
    std::fputs((*opened)->book ? batch::SheetList(*(*opened)->book).c_str() : "（文本文件，只有一张表）\n", stdout);
    return 0;
}


// One sheet under the law of 2011 or of late 2018: a row a person, as before 2019.
// `payments`: a sheet this reader refuses may be read as a list of payments (no law was named).
int RunPayroll(const std::string& in, std::string out, const std::string& sheet, const batch::Rules& rules,
               const std::string& said, cli::PrintOutputs& prints, const char* program, bool payments) {
    tax::Result<std::unique_ptr<batch::Input>> opened = batch::OpenInput(in, sheet, batch::OpenWorkbook);
    if (!opened) return Fail(opened.error());
    batch::Input& input = **opened;
    batch::PayrollReader reader(*input.sheet, input.Problem());
    const std::string shownIn = in == "-" ? std::string("标准输入") : "“" + in + "”";
    // A sheet refused whole is refused before anything is written.
    if (tax::Status started = reader.Start(); !started) {
        // A year of person-month rows is the 2019 law's: the message says how to read it.
        tax::Result<std::unique_ptr<batch::Input>> again =
            in == "-" ? tax::Result<std::unique_ptr<batch::Input>>(tax::Fail("")) : batch::OpenInput(in, sheet, batch::OpenWorkbook);
        const bool monthly = again && batch::monthly::ReadsAsMonthly(**again);
        // A list of payments with their 所得项目 is read as what it plainly is, unless a law was named.
        const bool isPayments = !monthly && ReadsAsReceipts(in, sheet);
        if (isPayments && payments && !prints.Wanted()) return RunReceipts(in, out, sheet, kReceiptsRun, prints, program);
        // A book's sheet named, and the others listed, so that another can be chosen.
        std::string sheets = input.book && input.book->SheetNames().size() > 1
                                 ? "\n读的是" + input.Describe() + "；这本工作簿的工作表（--sheet 另选）：\n" + batch::SheetList(*input.book)
                                 : std::string();
        if (!sheets.empty()) sheets.pop_back(); // the list's last line break: Fail ends the line
        return Fail(shownIn + "：" + started.error() +
                    (monthly ? "\n这张表每行是一个人一个月（有月份和本期收入）：请加 --law 2019" : "") +
                    (isPayments ? "\n这张表每行是一次劳务报酬、稿酬或特许权使用费（有所得项目）：请用 --law 2019receipts" : "") +
                    sheets);
    }
    prints.DefaultTitle(reader.Title());
    // Deductions of the 2019 law have none before it: carried as written, but said.
    for (const std::string& title : reader.layout().carried)
        if (batch::monthly::RoleOfHeading(title) == batch::monthly::Role::kDeduction)
            std::fprintf(stderr, "qingfu-batch：注意：“%s”一列是2019年起才有的专项附加扣除，%s下不扣除，原样带出\n", title.c_str(),
                         rules.law == batch::Law::k2018Q4 ? "2018年10—12月的税法" : "2011年9月至2018年9月的税法");

    // -o OUT.pdf, or PDF options without -o: the PDFs are the output, no CSV besides them.
    const bool pdfOnly = prints.TakeOutput(out) || (out.empty() && prints.Wanted());
    if (pdfOnly) out.clear();
    if (prints.Wanted()) prints.Start(program);
    Output<batch::PayrollWriter, batch::PayrollTable, batch::CsvWriter> output(out, pdfOnly);
    if (tax::Status s = output.Open(); !s) return Fail(s.error());

    batch::Totals totals;
    bool writing = false;
    Tee tee(output.writer(), prints.Wanted() ? &prints : nullptr);
    // The sheet's own tax checked against the row's whole computed tax, as under the 2019 law.
    const int sheetTaxAt = reader.layout().SheetTaxAt();
    long long differing = 0;
    tb::Sum difference;
    const tax::Result<bool> done = batch::Pump(reader, rules, tee, totals, [&](const batch::Record& record, const tb::RowResult& r) {
        if (record.kind == batch::RowKind::kBroken)
            std::fprintf(stderr, "%s:%lld: %s\n", in.c_str(), record.line, std::string(record.problem).c_str());
        else if (record.kind == batch::RowKind::kPerson && !r.ok)
            std::fprintf(stderr, "%s:%lld: %s\n", in.c_str(), record.line, batch::RefusalText(0, record.input, r).c_str());
        if (tax::Decimal d; batch::TaxDifference(sheetTaxAt, record, r, d) && !(d == tax::Decimal())) {
            ++differing;
            difference.Add(d);
        }
        return true;
    }, &writing);
    if (!done)
        return output.Drop(writing ? (output.xlsx() ? "无法写入" + output.shown() + "：" : std::string()) + done.error()
                                   : shownIn + "：" + done.error());
    const int sheets = output.book() ? output.book()->Sheets() : 1;
    if (const int failed = output.Commit()) return failed;
    std::string total;
    tb::AppendMoney(total, totals.totalTax.Value());
    std::string tail = input.Describe();
    if (sheets > 1) tail += "；输出分为 " + std::to_string(sheets) + " 张工作表";
    std::fprintf(stderr, "读入 %lld 行，计算 %lld 行，拒绝 %lld 行，跳过 %lld 行，合计个税 %s（%s）%s%s\n", totals.read,
                 totals.computed, totals.refused, totals.skipped, total.c_str(), tail.c_str(), said.empty() ? "" : "；",
                 said.c_str());
    SayTaxDifference(differing, difference);
    return totals.refused > 0 ? 1 : 0;
}

// What the sheets tell of their law: the law in force in their months, and the words saying so.
struct Dating {
    batch::Law law = batch::Law::k2011;
    bool known = false;  // every sheet told its month and year
    int year = 0;
    std::string said;    // "工作表“6月”与标题：2024年6月，按2019年起的累计预扣计算"
    std::string problem; // sheets of different laws or years: the message refusing them
};

batch::Law LawOfPeriod(batch::monthly::PeriodLaw law) {
    switch (law) {
    case batch::monthly::PeriodLaw::k2018Q4: return batch::Law::k2018Q4;
    case batch::monthly::PeriodLaw::k2019: return batch::Law::k2019;
    default: return batch::Law::k2011;
    }
}

// The year a sheet telling only its month takes from the others (a book titled with its year
// and sheets named 1月 … 6月), then the law of them all.
Dating DateSheets(std::vector<batch::monthly::MonthSheet>& monthSheets) {
    namespace bm = batch::monthly;
    Dating d;
    int year = 0;
    for (const bm::MonthSheet& p : monthSheets)
        if (p.period.year > 0 && year == 0) year = p.period.year;
    for (bm::MonthSheet& p : monthSheets)
        if (p.period.year == 0 && p.period.month > 0 && year > 0) {
            p.period.year = year;
            if (p.period.told.find("标题") == std::string::npos) p.period.told += "（年度见其他表）";
        }
    d.known = !monthSheets.empty();
    for (const bm::MonthSheet& p : monthSheets) d.known = d.known && p.period.Known();
    if (!d.known) return d;
    const bm::PeriodLaw law = bm::LawOf(monthSheets.front().period.year, monthSheets.front().period.month);
    d.law = LawOfPeriod(law);
    d.year = monthSheets.front().period.year;
    for (const bm::MonthSheet& p : monthSheets) {
        if (bm::LawOf(p.period.year, p.period.month) != law || (law == bm::PeriodLaw::k2019 && p.period.year != d.year)) {
            d.problem = monthSheets.front().Shown() + "是" + bm::PeriodText(monthSheets.front().period.year, monthSheets.front().period.month) + "的，" +
                        p.Shown() + "是" + bm::PeriodText(p.period.year, p.period.month) +
                        "的：不是同一年度、同一税法的工资表，请分开计算";
            return d;
        }
    }
    if (monthSheets.size() == 1) {
        d.said = monthSheets.front().period.told + "：" + bm::PeriodText(d.year, monthSheets.front().period.month) + "，" + bm::LawWords(law);
    } else {
        d.said = "各表的名称、标题或文件名：" + bm::PeriodText(d.year, monthSheets.front().period.month) + "至" +
                 std::to_string(monthSheets.back().period.month) + "月，" + bm::LawWords(law);
    }
    return d;
}

const char* LawName(batch::Law law) {
    return law == batch::Law::k2019 ? "2019" : law == batch::Law::k2018Q4 ? "2018q4" : "2011";
}

// What the command line asked for.
struct Args {
    std::vector<std::string> ins;
    std::string out, sheet;
    batch::Rules rules;
    bool allowanceGiven = false, lawGiven = false, yearGiven = false, outGiven = false;
    bool receipts = false, listSheets = false;
    int month = 0;
    batch::monthly::RunDefaults runDefaults;
};

// The sheets of the inputs, with what their names and titles tell of their months; `dating`
// says the law of those months. Only regular files: a pipe cannot be read twice.
tax::Status FindDating(const Args& args, std::vector<batch::monthly::MonthSheet>& monthSheets, std::vector<std::string>& skipped,
                       Dating& dating) {
    struct stat st{};
    const bool regular = std::all_of(args.ins.begin(), args.ins.end(), [&st](const std::string& f) {
        return f != "-" && stat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    });
    if (!regular) return {};
    tax::Result<std::vector<batch::monthly::MonthSheet>> found =
        batch::monthly::FindMonthSheets(args.ins, args.sheet, batch::OpenWorkbook, skipped);
    if (!found) return found.failure();
    monthSheets = std::move(*found);
    dating = DateSheets(monthSheets);
    if (!dating.problem.empty()) return tax::Fail(dating.problem);
    // Months without a year tell no law: several such sheets are refused rather than guessed at.
    if (!args.lawGiven && !dating.known && monthSheets.size() > 1)
        return tax::Fail(monthSheets.front().Shown() + "等 " + std::to_string(monthSheets.size()) +
                         " 张表看不出是哪一年的（名称、标题和文件名中没有年份）：请加 --law 2019 --year 年度，"
                         "或把年份写进标题或文件名（如“2024年6月”）");
    return {};
}

// The law and year of the run: the sheets' own unless --law and --year say otherwise (said, not
// silently). The words for the summary, saying what told the law.
std::string ChooseLaw(const Args& args, const std::vector<batch::monthly::MonthSheet>& monthSheets, const Dating& dating,
                      batch::Rules& rules) {
    namespace bm = batch::monthly;
    if (!args.lawGiven && dating.known) rules.law = dating.law;
    if (args.lawGiven && dating.known && dating.law != rules.law)
        std::fprintf(stderr, "qingfu-batch：注意：%s是%s的工资表，当月应%s（--law %s）；现按所给的 --law %s 计算\n",
                     monthSheets.front().Shown().c_str(), bm::PeriodText(monthSheets.front().period.year, monthSheets.front().period.month).c_str(),
                     bm::LawWords(bm::LawOf(monthSheets.front().period.year, monthSheets.front().period.month)), LawName(dating.law),
                     LawName(rules.law));
    if (rules.law == batch::Law::k2019 && dating.known) {
        if (!args.yearGiven && dating.year >= 2019) rules.year = dating.year;
        else if (rules.year != dating.year)
            std::fprintf(stderr, "qingfu-batch：注意：表是 %d 年度的，现按所给的 --year %d 计算\n", dating.year, rules.year);
    }
    if (args.lawGiven) return {};
    if (dating.known) return dating.said;
    return std::string(args.ins.front() == "-" ? "标准输入" : "文件") +
           "没有写明所属年月（工作表名、标题行和文件名中都没有），按2011年9月至2018年9月的税法计算；2019年起的工资表请加 "
           "--law 2019 --year 年度，或在工作表名、标题或文件名中写明年月（如“2024年6月”）";
}

// A run under the law of 2011 or of late 2018: one sheet, the one --sheet names or the first.
int RunOlder(const Args& args, const std::vector<batch::monthly::MonthSheet>& monthSheets, const Dating& dating, std::string said,
             const batch::Rules& rules, cli::PrintOutputs& prints, const char* program) {
    namespace bm = batch::monthly;
    if (args.ins.size() > 1)
        return Usage("2019 年以前的税法每次算一个文件：" + std::to_string(args.ins.size()) + " 个文件请分开计算");
    if (monthSheets.size() > 1 && !said.empty() && dating.known) {
        const auto first = std::find_if(monthSheets.begin(), monthSheets.end(), [](const bm::MonthSheet& p) { return p.sheetIndex == 0; });
        const bm::MonthSheet& read = first != monthSheets.end() ? *first : monthSheets.front();
        said = read.period.told + "：" + bm::PeriodText(read.period.year, read.period.month) + "，" +
               bm::LawWords(bm::LawOf(read.period.year, read.period.month)) + "；另有 " + std::to_string(monthSheets.size() - 1) +
               " 张月表未读，请用 --sheet 逐张计算";
    }
    return RunPayroll(args.ins.front(), args.out, args.sheet, rules, said, prints, program,
                      !args.lawGiven && !args.allowanceGiven);
}

// A run under the 2019 law: one sheet whose rows say their months, or a year of month sheets.
int RunYear(const Args& args, const std::vector<batch::monthly::MonthSheet>& monthSheets, const std::vector<std::string>& skipped,
            const std::string& said, const batch::Rules& rules, cli::PrintOutputs& prints, const char* program) {
    namespace bm = batch::monthly;
    // A single sheet with neither a 月份 column nor a month anywhere is read as it always was,
    // refused with the reason.
    const bool year = monthSheets.size() > 1 || (monthSheets.size() == 1 && !monthSheets.front().hasMonthColumn && monthSheets.front().period.month > 0);
    for (const bm::MonthSheet& p : monthSheets) {
        if (!p.hasHeader && monthSheets.size() > 1) return Fail(p.Shown() + "：前 20 行中没有标题行");
        if (year && p.hasHeader && !p.hasMonthColumn && p.period.month == 0)
            return Fail(p.Shown() + "看不出是哪个月的：没有月份一列，工作表名、标题行和文件名中也没有月份。请加一列“月份”，"
                        "或把工作表或文件改名为“2024年6月”这样的名称");
    }
    MonthlyRun run;
    run.in = args.ins.front();
    run.out = args.out;
    run.sheet = args.sheet;
    run.year = rules.year;
    run.month = args.month;
    run.said = said;
    if (year) run.monthSheets = &monthSheets;
    if (!year && !monthSheets.empty()) run.sheet = monthSheets.front().sheetName;
    if (!skipped.empty() && year) {
        std::string names;
        for (const std::string& n : skipped) names += (names.empty() ? "" : "、") + n;
        std::fprintf(stderr, "未读：%s（名称和标题中没有月份）\n", names.c_str());
    }
    return RunMonthly(run, prints, program);
}

// The law of the sheets' months unless --law says otherwise, then the run.
int Run(const Args& args, cli::PrintOutputs& prints, const char* program) {
    // A list of payments (所得项目 beside 本期收入) is no payroll, whatever month its title tells.
    if (args.ins.size() == 1 && ReadsAsReceipts(args.ins.front(), args.sheet)) {
        if (!args.lawGiven && !args.allowanceGiven && !prints.Wanted() && args.month == 0)
            return RunReceipts(args.ins.front(), args.out, args.sheet, kReceiptsRun, prints, program);
        return Fail("“" + args.ins.front() + "”：这张表每行是一次劳务报酬、稿酬或特许权使用费（有所得项目），不是工资表："
                    "请用 --law 2019receipts");
    }
    std::vector<batch::monthly::MonthSheet> monthSheets;
    std::vector<std::string> skipped;
    Dating dating;
    if (tax::Status s = FindDating(args, monthSheets, skipped, dating); !s) return Fail(s.error());
    batch::Rules rules = args.rules;
    const std::string said = ChooseLaw(args, monthSheets, dating, rules);
    if (args.allowanceGiven && rules.law != batch::Law::k2011) return Usage("--allowance 只用于 --law 2011");
    if (args.month > 0 && rules.law != batch::Law::k2019) return Usage("--month 只用于 2019 年起的累计预扣（--law 2019）");
    if ((args.runDefaults.firstJob || args.runDefaults.lowEarner) && rules.law != batch::Law::k2019)
        return Usage("--first-job 和 --low-earner 只用于 --law 2019");
    if (rules.law != batch::Law::k2019) return RunOlder(args, monthSheets, dating, said, rules, prints, program);
    return RunYear(args, monthSheets, skipped, said, rules, prints, program);
}

// An option's value into `args`: 0, or the exit status of a usage error.
int TakeValue(std::string_view a, const std::string& value, Args& args) {
    const auto digits = [](const std::string& v, size_t most) {
        return !v.empty() && v.size() <= most && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (a == "--law") {
        args.lawGiven = true;
        if (value == "2019receipts") args.receipts = true;
        else if (value == "2011") args.rules.law = batch::Law::k2011;
        else if (value == "2018q4") args.rules.law = batch::Law::k2018Q4;
        else if (value == "2019") args.rules.law = batch::Law::k2019;
        else return Usage("--law 只能是 2011、2018q4、2019 或 2019receipts，不是“" + value + "”");
    } else if (a == "--year") {
        if (!digits(value, 4) || value.size() != 4 || std::stoi(value) < 2019)
            return Usage("--year 应是 2019 年或以后的四位年份，不是“" + value + "”");
        args.rules.year = std::stoi(value);
        args.yearGiven = true;
    } else if (a == "--month") {
        if (!digits(value, 2) || std::stoi(value) < 1 || std::stoi(value) > 12)
            return Usage("--month 应是 1 至 12，不是“" + value + "”");
        args.month = std::stoi(value);
    } else if (a == "--allowance") {
        args.allowanceGiven = true;
        const std::optional<tax::Decimal> v = tax::ParseAmount(value);
        bool known = false;
        for (tax::Decimal k : tax::kAllowances)
            known = known || (v && *v == k);
        if (!known) return Usage("--allowance 只能是 3500 或 4800，不是“" + value + "”");
        args.rules.allowance = *v;
    } else if (a == "--sheet") {
        args.sheet = value;
    } else {
        // One output a run: a second -o would be dropped without a word.
        if (args.outGiven)
            return Usage("-o 只能给一次（已有“" + args.out + "”，又给了“" + value + "”）；PDF 另用 --payslips 或 -o 输出.pdf 单独运行");
        args.outGiven = true;
        args.out = value;
    }
    return 0;
}

// The command line read into `args` and `prints`: nothing to go on, or the exit status of
// --help, --version or a usage error.
std::optional<int> ParseArgs(int argc, char** argv, Args& args, cli::PrintOutputs& prints) {
    for (int i = 1; i < argc; ++i) {
        std::string problem;
        if (const int took = prints.Take(argc, argv, i, problem)) {
            if (took < 0) return Usage(problem);
            continue;
        }
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help") {
            PrintUsage();
            return 0;
        }
        if (a == "--version") {
            std::printf("qingfu-batch %s\n", QINGFU_VERSION);
            return 0;
        }
        if (TakeRunDefault(a, args.runDefaults)) continue;
        if (a == "--sheets") {
            args.listSheets = true;
            continue;
        }
        if (a == "-o" || a == "--output" || a == "--allowance" || a == "--sheet" || a == "--law" || a == "--year" || a == "--month") {
            if (i + 1 >= argc)
                return Usage(std::string(a) + " 后面缺少" +
                             (a == "--allowance" ? "起征点" : a == "--sheet" ? "工作表" : a == "--law" ? "税法" : a == "--year" ? "年份"
                                                 : a == "--month" ? "月份" : "文件名"));
            if (const int status = TakeValue(a, argv[++i], args)) return status;
            continue;
        }
        if (a.size() > 1 && a[0] == '-') return Usage("未知的选项“" + std::string(a) + "”");
        args.ins.emplace_back(a);
    }
    if (args.ins.empty()) return Usage("缺少输入文件");
    if (args.ins.size() > 1 && std::find(args.ins.begin(), args.ins.end(), "-") != args.ins.end())
        return Usage("标准输入（-）只能单独使用，不能和其他输入文件一起给出");
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    Args args;
    args.rules.allowance = tax::kAllowances[0];
    args.rules.year = CurrentYear();
    cli::PrintOutputs prints;
    if (const std::optional<int> stop = ParseArgs(argc, argv, args, prints)) return *stop;
    if (args.listSheets) return ListSheets(args.ins.front());
    if (args.receipts) {
        if (args.allowanceGiven || prints.Wanted() || args.month > 0 || args.ins.size() > 1)
            return Usage("--law 2019receipts 每次读一个文件，不用 --allowance 和 --month，不印工资条（表格可用 -o 输出.pdf）");
        return RunReceipts(args.ins.front(), args.out, args.sheet, kReceiptsRun, prints, argv[0]);
    }
    return Run(args, prints, argv[0]);
}
