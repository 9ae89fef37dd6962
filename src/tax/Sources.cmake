# The arithmetic's source files, one a line: the program's build (CMakeLists.txt) and the fuzz
# build (fuzz/CMakeLists.txt) both read this list. New src/tax files go here.
set(TAX_SOURCES
    Amount.cpp Amount.h
    Batch.cpp Batch.h
    BonusTax.cpp BonusTax.h
    BusinessTax.cpp BusinessTax.h
    Cell.h
    Cumulative.cpp Cumulative.h
    Decimal.cpp Decimal.h
    FlatTax.cpp FlatTax.h
    Law2019.cpp Law2019.h
    LawCompare.cpp LawCompare.h
    Messages.h
    Packed.cpp Packed.h
    Payroll2018Q4.cpp Payroll2018Q4.h
    Payroll2019.cpp Payroll2019.h
    Plan.cpp Plan.h
    Plan2019.cpp Plan2019.h
    RateTable.cpp RateTable.h
    ReceiptTax.cpp ReceiptTax.h
    Receipts2019.cpp Receipts2019.h
    Result.h
    Settle.cpp Settle.h
    WageFen.cpp WageFen.h
    WageTax.cpp WageTax.h
    Year.h
)
list(TRANSFORM TAX_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
