// qingfu-batch: a payroll file in, the wage and year-end bonus tax of every row out, for
// scripts and scheduled runs. Reads and writes a row at a time.

#include "batch/Input.h"
#include "batch/Monthly.h"
#include "batch/Rows.h"
#include "batch/SaveFile.h"
#include "batch/Xlsx.h"
#include "cli/PrintOutputs.h"
#include "tax/Amount.h"
#include "tax/Batch.h"
#include "tax/WageTax.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

namespace tb = tax::batch;

constexpr const char* kUsage = R"(名称
    qingfu-batch - 整张工资表的个人所得税（2011年9月—2018年9月、2018年10—12月，或 2019 年起的累计预扣）

用法
    qingfu-batch 输入文件 [-o 输出.csv | -o 输出.xlsx | -o 输出.pdf] [--allowance 3500|4800]
                 [--law 2011|2018q4|2019] [--year 年度]
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
    --law 2011|2018q4|2019 按哪一段时期的税法计算（默认 2011）
    --year 年度            --law 2019 所算的年度（默认今年），决定年终奖能否单独计税
    --sheet 名称|序号      读工作簿的哪一张工作表（序号从 1 起；默认第一张有标题行的）
    --sheets               列出工作簿的各张工作表（序号、名称，隐藏的和图表注明），不计算
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
    if (save && !save->Write(data)) return tax::Fail("无法写入" + shownOut + "：" + batch::SystemErrorText(save->LastError()));
    if (!save && std::fwrite(data.data(), 1, data.size(), output) != data.size())
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
// CSV onto standard output, or nowhere when the PDFs are the output. The same for every law.
template <class Writer, class Book, class Csv>
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
                auto w = std::make_unique<Book>();
                if (tax::Status s = w->Open(save_->ScratchName()); !s)
                    return tax::Fail("无法写入“" + out_ + "”：" + batch::SystemErrorText(errno));
                book_ = w.get();
                writer_ = std::move(w);
            }
        }
        shown_ = toFile_ ? "“" + out_ + "”" : std::string("标准输出");
        if (!writer_ && !pdfOnly_) {
            auto w = std::make_unique<Csv>([this](std::string_view data) { return WriteOut(save_, stdout, shown_, data); },
                                           toFile_);
            csv_ = w.get();
            writer_ = std::move(w);
        }
        return {};
    }
    Writer* writer() const { return writer_.get(); }
    Book* book() const { return book_; }
    Csv* csv() const { return csv_; }
    batch::SaveFile* save() { return save_ ? &*save_ : nullptr; }
    bool xlsx() const { return xlsx_; }
    bool toFile() const { return toFile_; }
    const std::string& shown() const { return shown_; }

    // The run failed: nothing of the workbook is written out, the scratch file goes.
    int Drop(const std::string& why) {
        if (book_) book_->Abandon();
        book_ = nullptr;
        csv_ = nullptr;
        writer_.reset();
        save_.reset();
        return Fail(why);
    }
    // The rest written and the file put in place; the exit status of a failure, or 0.
    int Commit() {
        writer_.reset();
        book_ = nullptr;
        csv_ = nullptr;
        if (!toFile_ && !pdfOnly_ && std::fflush(stdout) != 0) return Drop("无法写入" + shown_ + "：" + batch::SystemErrorText(errno));
        if (save_ && !save_->Commit()) return Fail("无法写入" + shown_ + "：" + batch::SystemErrorText(save_->LastError()));
        return 0;
    }

private:
    std::string out_;
    bool pdfOnly_;
    bool xlsx_ = false, toFile_ = false;
    std::string shown_;
    std::optional<batch::SaveFile> save_; // a file is saved whole, or not at all
    std::unique_ptr<Writer> writer_;
    Book* book_ = nullptr;
    Csv* csv_ = nullptr;
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
    std::fputs(text.c_str(), stdout);
}

// The PDFs beside the CSV or workbook (or alone): every call goes to both.
class Tee : public batch::PayrollWriter {
public:
    Tee(batch::PayrollWriter* first, batch::PayrollWriter* second) : first_(first), second_(second) {}
    tax::Status Begin(const batch::Layout& layout) override {
        if (tax::Status s = first_ ? first_->Begin(layout) : tax::Status(); !s) return s;
        return second_ ? second_->Begin(layout) : tax::Status();
    }
    tax::Status Add(const batch::Record& record, const tb::RowResult& r) override {
        if (tax::Status s = first_ ? first_->Add(record, r) : tax::Status(); !s) return s;
        return second_ ? second_->Add(record, r) : tax::Status();
    }
    tax::Status Finish(const batch::Totals& totals) override {
        if (tax::Status s = first_ ? first_->Finish(totals) : tax::Status(); !s) return s;
        return second_ ? second_->Finish(totals) : tax::Status();
    }

private:
    batch::PayrollWriter* first_;
    batch::PayrollWriter* second_;
};

class MonthlyTee : public batch::monthly::Writer {
public:
    MonthlyTee(batch::monthly::Writer* first, batch::monthly::Writer* second) : first_(first), second_(second) {}
    tax::Status Begin(const std::vector<std::string>& titles) override {
        if (tax::Status s = first_ ? first_->Begin(titles) : tax::Status(); !s) return s;
        return second_ ? second_->Begin(titles) : tax::Status();
    }
    tax::Status Add(const batch::monthly::Record& record, const tax::payroll2019::Figures& f) override {
        if (tax::Status s = first_ ? first_->Add(record, f) : tax::Status(); !s) return s;
        return second_ ? second_->Add(record, f) : tax::Status();
    }
    tax::Status Finish() override {
        if (tax::Status s = first_ ? first_->Finish() : tax::Status(); !s) return s;
        return second_ ? second_->Finish() : tax::Status();
    }

private:
    batch::monthly::Writer* first_;
    batch::monthly::Writer* second_;
};

// The 2019 law's person-month rows: the file's columns, then the cumulative figures; the PDFs
// beside them or alone, as for the older laws.
int RunMonthly(const std::string& in, std::string out, const std::string& sheet, int year, cli::PrintOutputs& prints,
               const char* program) {
    const bool fromStdin = in == "-";
    std::string describe;
    const batch::monthly::Opener open = [&]() -> tax::Result<std::unique_ptr<batch::Input>> {
        tax::Result<std::unique_ptr<batch::Input>> opened = batch::OpenInput(in, sheet, batch::OpenWorkbook);
        if (opened) describe = (*opened)->Describe();
        return opened;
    };
    const std::string shownIn = fromStdin ? std::string("标准输入") : "“" + in + "”";
    if (prints.Wanted() && !fromStdin) {
        // The sheet's own title heads the pages unless --title gives one.
        if (tax::Result<std::unique_ptr<batch::Input>> head = open(); head) {
            batch::monthly::Reader reader(*(*head)->sheet, (*head)->Problem(), year);
            if (reader.Start()) prints.DefaultTitle(reader.Title());
        }
    }
    const bool pdfOnly = prints.TakeOutput(out) || (out.empty() && prints.Wanted());
    if (pdfOnly) out.clear();
    if (prints.Wanted()) prints.Start(program);
    Output<batch::monthly::Writer, batch::MonthlyXlsx, batch::monthly::CsvOut> output(out, pdfOnly);
    if (tax::Status s = output.Open(); !s) return Fail(s.error());
    tb::Totals totals;
    bool writing = false;
    MonthlyTee tee(output.writer(), prints.Wanted() ? &prints.Monthly() : nullptr);
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
    bool paid = false;
    const tax::Result<bool> done = batch::monthly::Pump(
        open, !fromStdin, year, tee, totals,
        [&in, said, &paid](const batch::monthly::Record& record, const tax::payroll2019::Figures& f) {
            if (!record.total && !f.ok) std::fprintf(said, "%s:%lld: %s\n", in.c_str(), record.line, f.note.c_str());
            paid = paid || (!record.total && (!record.row.amounts[tax::payroll2019::kIncome].IsZero() ||
                                              !record.row.amounts[tax::payroll2019::kBonus].IsZero()));
        },
        &writing, rewind);
    if (notes) {
        std::rewind(notes);
        char buffer[1 << 16];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, notes)) > 0;)
            std::fwrite(buffer, 1, n, stderr);
        std::fclose(notes);
    }
    if (!done) {
        if (writing) return output.Drop((output.xlsx() ? "无法写入" + output.shown() + "：" : std::string()) + done.error());
        // One row a person, as before 2019: the message says how to read it.
        tax::Result<std::unique_ptr<batch::Input>> again =
            fromStdin || totals.read > 0 ? tax::Result<std::unique_ptr<batch::Input>>(tax::Fail("")) : open();
        const bool older = again && batch::monthly::ReadsAsPayroll(**again);
        return output.Drop(shownIn + "：" + done.error() +
                           (older ? "\n这张表每行是一个人（没有月份一列）：请用 --law 2011 或 --law 2018q4" : ""));
    }
    if (const int failed = output.Commit()) return failed;
    std::string total;
    tb::AppendMoney(total, totals.totalTax.Value());
    if (!paid && totals.read > 0) describe += std::string("；") + batch::monthly::kNoPayNote;
    std::fprintf(stderr, "读入 %lld 行，计算 %lld 行，拒绝 %lld 行，跳过 %lld 行，合计个税 %s（%s；%d 年度，累计预扣）\n", totals.read,
                 totals.computed, totals.refused, totals.skipped, total.c_str(), describe.c_str(), year);
    return totals.refused > 0 ? 1 : 0;
}

// --sheets: the book's sheets, one a line.
int ListSheets(const std::string& in) {
    tax::Result<std::unique_ptr<batch::Input>> opened = batch::OpenInput(in, "1", batch::OpenWorkbook);
    if (!opened) return Fail(opened.error());
    std::fputs((*opened)->book ? batch::SheetList(*(*opened)->book).c_str() : "（文本文件，只有一张表）\n", stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string in, out, sheet;
    batch::Rules rules;
    rules.allowance = tax::kAllowances[0];
    rules.year = CurrentYear();
    bool haveIn = false, allowanceGiven = false, listSheets = false;
    cli::PrintOutputs prints;
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
        if (a == "--sheets") {
            listSheets = true;
            continue;
        }
        if (a == "--version") {
            std::printf("qingfu-batch %s\n", QINGFU_VERSION);
            return 0;
        }
        if (a == "-o" || a == "--output" || a == "--allowance" || a == "--sheet" || a == "--law" || a == "--year") {
            if (i + 1 >= argc)
                return Usage(std::string(a) + " 后面缺少" +
                             (a == "--allowance" ? "起征点" : a == "--sheet" ? "工作表" : a == "--law" ? "税法" : a == "--year" ? "年份" : "文件名"));
            const std::string value = argv[++i];
            if (a == "--law") {
                if (value == "2011") rules.law = batch::Law::k2011;
                else if (value == "2018q4") rules.law = batch::Law::k2018Q4;
                else if (value == "2019") rules.law = batch::Law::k2019;
                else return Usage("--law 只能是 2011、2018q4 或 2019，不是“" + value + "”");
            } else if (a == "--year") {
                const bool digits = value.size() == 4 && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
                if (!digits || std::stoi(value) < 2019) return Usage("--year 应是 2019 年或以后的四位年份，不是“" + value + "”");
                rules.year = std::stoi(value);
            } else if (a == "--allowance") {
                allowanceGiven = true;
                const std::optional<tax::Decimal> v = tax::ParseAmount(value);
                bool known = false;
                for (tax::Decimal k : tax::kAllowances)
                    known = known || (v && *v == k);
                if (!known) return Usage("--allowance 只能是 3500 或 4800，不是“" + value + "”");
                rules.allowance = *v;
            } else if (a == "--sheet") {
                sheet = value;
            } else {
                out = value;
            }
            continue;
        }
        if (a.size() > 1 && a[0] == '-') return Usage("未知的选项“" + std::string(a) + "”");
        if (haveIn) return Usage("只能给一个输入文件，多出了“" + std::string(a) + "”");
        in = a;
        haveIn = true;
    }
    if (!haveIn) return Usage("缺少输入文件");
    if (listSheets) return ListSheets(in);
    if (allowanceGiven && rules.law != batch::Law::k2011) return Usage("--allowance 只用于 --law 2011");
    if (rules.law == batch::Law::k2019) {
        return RunMonthly(in, out, sheet, rules.year, prints, argv[0]);
    }

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
        // A book's sheet named, and the others listed, so that another can be chosen.
        std::string sheets = input.book && input.book->SheetNames().size() > 1
                                 ? "\n读的是" + input.Describe() + "；这本工作簿的工作表（--sheet 另选）：\n" + batch::SheetList(*input.book)
                                 : std::string();
        if (!sheets.empty()) sheets.pop_back(); // the list's last line break: Fail ends the line
        return Fail(shownIn + "：" + started.error() +
                    (monthly ? "\n这张表每行是一个人一个月（有月份和本期收入）：请加 --law 2019" : "") + sheets);
    }
    prints.DefaultTitle(reader.Title());

    // -o OUT.pdf, or PDF options without -o: the PDFs are the output, no CSV besides them.
    const bool pdfOnly = prints.TakeOutput(out) || (out.empty() && prints.Wanted());
    if (pdfOnly) out.clear();
    if (prints.Wanted()) prints.Start(argv[0]);
    Output<batch::PayrollWriter, batch::XlsxWriter, batch::CsvWriter> output(out, pdfOnly);
    if (tax::Status s = output.Open(); !s) return Fail(s.error());

    batch::Totals totals;
    bool writing = false;
    Tee tee(output.writer(), prints.Wanted() ? &prints : nullptr);
    const tax::Result<bool> done = batch::Pump(reader, rules, tee, totals, [&in](const batch::Record& record, const tb::RowResult& r) {
        if (record.kind == batch::RowKind::kBroken)
            std::fprintf(stderr, "%s:%lld: %s\n", in.c_str(), record.line, std::string(record.problem).c_str());
        else if (record.kind == batch::RowKind::kPerson && !r.ok)
            std::fprintf(stderr, "%s:%lld: %s\n", in.c_str(), record.line, batch::RefusalText(0, record.input, r).c_str());
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
    std::fprintf(stderr, "读入 %lld 行，计算 %lld 行，拒绝 %lld 行，跳过 %lld 行，合计个税 %s（%s）\n", totals.read,
                 totals.computed, totals.refused, totals.skipped, total.c_str(), tail.c_str());
    return totals.refused > 0 ? 1 : 0;
}
