// Placeholder until the workbook readers land: every workbook is refused with a message.
#include "batch/Sheet.h"

namespace batch {

tax::Result<std::unique_ptr<Workbook>> OpenWorkbook(const std::string&, FileKind) {
    return tax::Fail("暂不能读取工作簿文件，请另存为 CSV 后导入");
}

} // namespace batch
