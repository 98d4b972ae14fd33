#!/usr/bin/env bash
# dialog-texts.sh on a display scaled to 150 % (144 DPI): every text of the settings dialog
# shows whole there too.
WENV_DPI=144
# shellcheck source=tests/wine/dialog-texts.sh
source "$(dirname "${BASH_SOURCE[0]}")/dialog-texts.sh"
