// The Setup window's class and the identifiers of its own controls; the
// application buttons' are in the application table. The UI driver among the
// project's tools reads them too, to find the window and name its controls.
#pragma once

#define TBO_WINDOW_CLASS L"TBOSetupWindow"

#define IDC_IMAGE1 101
#define IDC_LBSTATUS 105
#define IDC_LINE1 106
#define IDC_CMDCANCEL 107
