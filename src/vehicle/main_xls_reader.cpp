// tarvex-xls-reader FILE ROWS COLUMNS: prints the top-left corner of the first worksheet of a
// legacy .xls workbook for the program, which runs this in a process of its own (see
// XlsReader.h).
#include "vehicle/XlsReader.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const int rows = std::atoi(argv[2]);
    const int columns = std::atoi(argv[3]);
    if (rows < 1 || rows > 1000 || columns < 1 || columns > 100) return 2;
    SheetCells cells(rows, columns);
    const WorkbookStatus status = readXls(QFile::decodeName(argv[1]), cells);
    const QByteArray out = encodeCells(status, cells);
    return std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout) ==
                   static_cast<std::size_t>(out.size())
               ? 0
               : 1;
}
