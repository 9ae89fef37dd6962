#include "batch/Sheet.h"

namespace batch {

FileKind SniffFileKind(std::string_view head) {
    if (head.starts_with(std::string_view("PK\x03\x04", 4))) return FileKind::kXlsx;
    if (head.starts_with(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))) return FileKind::kXls;
    // UTF-16 text has NUL bytes; its mark says what it is.
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) return FileKind::kText;
    // A stray NUL byte or two (a damaged line) leaves text text: the rows holding them are
    // refused one by one. Many are binary, or UTF-16 without its mark.
    size_t nuls = 0;
    for (unsigned char c : head) {
        if (c == 0) ++nuls;
        else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) return FileKind::kOther;
    }
    return nuls * 16 <= head.size() && nuls <= 8 ? FileKind::kText : FileKind::kOther;
}

} // namespace batch
