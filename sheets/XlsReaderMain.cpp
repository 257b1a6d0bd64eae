// netkestrel-xls-reader FILE: reads a legacy .xls workbook with FreeXL and
// prints its sheets and cells for the program, which runs it as a child so
// that FreeXL crashing or running away on a damaged file cannot take the
// program down. Plain C++ on the C library and FreeXL: no Qt, no plugins.
//
// Output, one record a line, fields separated by tabs, texts escaped (a
// backslash, tab, line feed and carriage return as \\ \t \n \r):
//   S <name>                                a worksheet, in workbook order
//   C <sheet> <row> <column> i|d|t <value>  a cell with a value: an integer,
//                                           a double (%.17g) or a text
//   F <sheet> <code>                        the sheet cannot be read: FreeXL's code
//   X <code>                                the workbook cannot be read
//   P                                       the workbook is protected by a password
//   E                                       the end: everything was written
// Exit status 0 when E was written, 1 otherwise.
#include <freexl.h>

#include "platform/AddressSanitizer.h"

#include <sys/resource.h>

#include <cstdio>
#include <string>

namespace {

// Limits on this process, so that a damaged file ends it rather than the
// machine's memory; the program also times it out.
constexpr rlim_t AddressSpaceBytes = rlim_t(2) * 1024 * 1024 * 1024;
constexpr rlim_t CpuSeconds = 20;

void limitSelf()
{
    if (!AddressSanitizerBuild) {
        const rlimit memory{AddressSpaceBytes, AddressSpaceBytes};
        setrlimit(RLIMIT_AS, &memory);
    }
    const rlimit cpu{CpuSeconds, CpuSeconds};
    setrlimit(RLIMIT_CPU, &cpu);
}

void printEscaped(const char *text)
{
    std::string out;
    for (const char *c = text ? text : ""; *c; ++c) {
        switch (*c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += *c;
        }
    }
    std::fputs(out.c_str(), stdout);
}

// A cell without a value prints nothing.
void printCell(unsigned sheet, unsigned row, unsigned column, const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        std::printf("C\t%u\t%u\t%u\ti\t%d\n", sheet, row, column, cell.value.int_value);
        break;
    case FREEXL_CELL_DOUBLE:
        std::printf("C\t%u\t%u\t%u\td\t%.17g\n", sheet, row, column, cell.value.double_value);
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        if (cell.value.text_value && *cell.value.text_value) {
            std::printf("C\t%u\t%u\t%u\tt\t", sheet, row, column);
            printEscaped(cell.value.text_value);
            std::fputc('\n', stdout);
        }
        break;
    default:
        break;
    }
}

void printSheet(const void *handle, unsigned short sheet)
{
    int code = freexl_select_active_worksheet(handle, sheet);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (code == FREEXL_OK)
        code = freexl_worksheet_dimensions(handle, &rows, &columns);
    for (unsigned int r = 0; code == FREEXL_OK && r < rows; ++r) {
        for (unsigned short c = 0; code == FREEXL_OK && c < columns; ++c) {
            FreeXL_CellValue cell;
            code = freexl_get_cell_value(handle, r, c, &cell);
            if (code == FREEXL_OK)
                printCell(sheet, r, c, cell);
        }
    }
    if (code != FREEXL_OK)
        std::printf("F\t%u\t%d\n", sheet, code);
}

int printWorkbook(const void *handle)
{
    unsigned int password = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        std::puts("P");
        return FREEXL_OK;
    }
    unsigned int count = 0;
    if (const int info = freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count); info != FREEXL_OK)
        return info;
    // FreeXL numbers sheets with an unsigned short.
    if (count > 65535)
        return FREEXL_BIFF_INVALID_BOF;
    for (unsigned int k = 0; k < count; ++k) {
        const char *name = nullptr;
        if (const int got = freexl_get_worksheet_name(handle, static_cast<unsigned short>(k), &name);
            got != FREEXL_OK)
            return got;
        std::fputs("S\t", stdout);
        printEscaped(name);
        std::fputc('\n', stdout);
    }
    for (unsigned int k = 0; k < count; ++k)
        printSheet(handle, static_cast<unsigned short>(k));
    return FREEXL_OK;
}

} // namespace

int main(int argc, char **argv)
{
    limitSelf();
    if (argc != 2) {
        std::fputs("usage: netkestrel-xls-reader FILE\n", stderr);
        return 2;
    }
    const void *handle = nullptr;
    int code = freexl_open(argv[1], &handle);
    if (code == FREEXL_OK)
        code = printWorkbook(handle);
    if (handle)
        freexl_close(handle);
    if (code != FREEXL_OK)
        std::printf("X\t%d\n", code);
    std::puts("E");
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
