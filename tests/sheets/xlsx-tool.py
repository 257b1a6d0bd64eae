#!/usr/bin/python3
"""What the workbook tests need of another program that knows .xlsx.

  xlsx-tool.py dump FILE.xlsx   the workbook as JSON: per sheet its name, the
                                cells (value, type, bold, font, borders) and
                                the page setup
  xlsx-tool.py zip OUT DIR      packs the files under DIR into the zip OUT
"""
import json
import os
import sys
import zipfile


def dump(path):
    import openpyxl

    book = openpyxl.load_workbook(path)
    sheets = []
    for sheet in book.worksheets:
        rows = []
        for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
            cells = []
            for cell in row:
                sides = [cell.border.left.style, cell.border.right.style, cell.border.top.style,
                         cell.border.bottom.style]
                cells.append({
                    "value": cell.value,
                    "type": cell.data_type,
                    "bold": bool(cell.font.b),
                    "font": cell.font.name,
                    "borders": sides,
                })
            rows.append(cells)
        setup = sheet.page_setup
        sheets.append({
            "name": sheet.title,
            "rows": rows,
            "paperSize": int(setup.paperSize) if setup.paperSize is not None else None,
            "orientation": setup.orientation,
            "fitToPage": bool(sheet.sheet_properties.pageSetUpPr is not None
                              and sheet.sheet_properties.pageSetUpPr.fitToPage),
            "fitToWidth": int(setup.fitToWidth) if setup.fitToWidth is not None else 1,
            "fitToHeight": int(setup.fitToHeight) if setup.fitToHeight is not None else 1,
            "footer": sheet.oddFooter.center.text,
            "titleRows": sheet.print_title_rows,
        })
    json.dump({"sheets": sheets}, sys.stdout, default=str)


def pack(out, folder):
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
        for root, _, files in os.walk(folder):
            for name in sorted(files):
                full = os.path.join(root, name)
                archive.write(full, os.path.relpath(full, folder))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "dump":
        dump(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "zip":
        pack(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
