# The payroll files' source files, one a line: the program's build (CMakeLists.txt) and the fuzz
# build (fuzz/CMakeLists.txt) both read these lists. New src/batch files go in one of them.

# CSV rows in and out, encodings through QtCore; no widgets, no GUI.
set(BATCH_SOURCES
    Amount.cpp Amount.h
    Csv.cpp Csv.h
    Decode.cpp Decode.h
    FileErrors.cpp FileErrors.h
    Handoff.h
    Input.cpp Input.h
    LawTables.cpp LawTables.h
    Rows.cpp Rows.h
    Monthly.cpp Monthly.h PackedCells.h
    MonthlyPeriod.cpp MonthlyPeriod.h
    MonthlyYear.cpp MonthlyYear.h
    ReceiptsKind.cpp ReceiptsKind.h
    SaveFile.cpp SaveFile.h
    Sheet.cpp Sheet.h
    Table.cpp Table.h
)
# Workbooks written: the sheets' XML here, the zip container through minizip and zlib.
set(BATCH_XLSX_SOURCES
    SheetZip.cpp SheetZip.h
    Xlsx.cpp Xlsx.h
)
# Workbooks read: .xlsx through libzip; .xls in a helper process that alone links the .xls
# readers below.
set(BATCH_BOOK_SOURCES
    Workbook.cpp
    WorkbookRead.h
    XlsProcess.cpp
    XlsxRead.cpp
)
# .xls: libgsf opens the compound file and the BIFF8 records are read in XlsRead.cpp; FreeXL
# reads the books older than Excel 97.
set(BATCH_XLS_SOURCES
    XlsRead.cpp
    XlsFreeXl.cpp
    XlsServe.cpp
)
list(TRANSFORM BATCH_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM BATCH_XLSX_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM BATCH_BOOK_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM BATCH_XLS_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
