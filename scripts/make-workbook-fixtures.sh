#!/usr/bin/env bash
# Regenerates the workbooks in tests/vehicle/fixtures from vehicle.csv there, with spreadsheet
# programs other than ours, so that the reader is tested on files it did not write itself:
# LibreOffice writes the .xlsx and the BIFF8 .xls, Gnumeric the BIFF5 .xls that LibreOffice no
# longer writes. Both come with TARVEX_WITH_SPREADSHEETS=1 scripts/install-deps.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fixtures="$root/tests/vehicle/fixtures"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A profile of its own, so that a LibreOffice the user has open is neither used nor disturbed.
office() {
  soffice "-env:UserInstallation=file://$work/profile" --headless --norestore "$@" >/dev/null
}
office --convert-to xlsx --outdir "$work/xlsx" "$fixtures/vehicle.csv"
office --convert-to 'xls:MS Excel 97' --outdir "$work/xls" "$fixtures/vehicle.csv"
cp "$work/xlsx/vehicle.xlsx" "$fixtures/vehicle-libreoffice.xlsx"
cp "$work/xls/vehicle.xls" "$fixtures/vehicle-libreoffice-biff8.xls"
ssconvert --export-type=Gnumeric_Excel:excel_biff7 "$fixtures/vehicle.csv" \
  "$fixtures/vehicle-gnumeric-biff5.xls" 2>/dev/null
ls -l "$fixtures"
