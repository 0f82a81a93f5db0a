#pragma once

// Makes the Windows dialog font, "MS Shell Dlg 2" at 8 points, the application's default font.
// The screen's fixed geometry was laid out for it; the toolkit's own default is wider on every
// platform today and would clip the texts. Where the family is unknown it is mapped to a narrow
// sans with Cyrillic letters. Call once, after the application object exists.
void applyDialogFont();
