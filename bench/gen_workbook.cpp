// A payroll workbook of N employees in ten columns, as a spreadsheet program saves one (text in
// the shared strings, amounts as numbers), for timing the workbook reader (bench/batch.sh).
// usage: gen_workbook N OUT.xlsx
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_workbook N OUT.xlsx\n");
        return 2;
    }
    const long rows = std::atol(argv[1]);
    lxw_workbook* book = workbook_new(argv[2]);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "工资表");
    const char* titles[] = {"工号", "姓名", "部门", "月工资", "奖金", "养老保险", "医疗保险", "失业保险", "住房公积金", "备注"};
    for (int c = 0; c < 10; ++c) worksheet_write_string(sheet, 0, c, titles[c], nullptr);
    const char* family[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄"};
    const char* given[] = {"伟", "芳", "娜", "敏", "静", "磊", "洋", "勇", "艳", "杰"};
    const char* departments[] = {"财务部", "技术部", "市场部", "人事部", "行政部"};
    std::mt19937 random(7);
    for (long r = 1; r <= rows; ++r) {
        const double wage = std::uniform_int_distribution<int>(300000, 5000000)(random) / 100.0;
        const std::string id = "E" + std::to_string(100000 + r);
        const std::string name = std::string(family[random() % 8]) + given[random() % 10] + given[random() % 10];
        worksheet_write_string(sheet, r, 0, id.c_str(), nullptr);
        worksheet_write_string(sheet, r, 1, name.c_str(), nullptr);
        worksheet_write_string(sheet, r, 2, departments[random() % 5], nullptr);
        worksheet_write_number(sheet, r, 3, wage, nullptr);
        worksheet_write_number(sheet, r, 4, (random() % 1000) * 10.0, nullptr);
        worksheet_write_number(sheet, r, 5, wage * 0.08, nullptr);
        worksheet_write_number(sheet, r, 6, wage * 0.02, nullptr);
        worksheet_write_number(sheet, r, 7, wage * 0.005, nullptr);
        worksheet_write_number(sheet, r, 8, wage * 0.12, nullptr);
        if (r % 10 == 0) worksheet_write_string(sheet, r, 9, "试用期", nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
