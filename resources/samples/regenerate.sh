#!/bin/sh
# Rebuilds the sample templates in ../zagotka from their flat sources with LibreOffice.
set -e
here=$(cd "$(dirname "$0")" && pwd)
profile="file:///tmp/lo-profile-samples-$$"
soffice "-env:UserInstallation=$profile" --headless --convert-to odt --outdir "$here/../zagotka" "$here/Письмо.fodt"
soffice "-env:UserInstallation=$profile" --headless --convert-to "docx:MS Word 2007 XML" --outdir "$here/../zagotka" "$here/Договор.fodt"
rm -rf "/tmp/lo-profile-samples-$$"
# The samples with line items, in their own folder beside the data file with lines.
profile="file:///tmp/lo-profile-samples-lines-$$"
soffice "-env:UserInstallation=$profile" --headless --convert-to "docx:MS Word 2007 XML" --outdir "$here/../primery" "$here/Счёт.fodt"
soffice "-env:UserInstallation=$profile" --headless --convert-to odt --outdir "$here/../primery" "$here/Акт.fodt"
rm -rf "/tmp/lo-profile-samples-lines-$$"
