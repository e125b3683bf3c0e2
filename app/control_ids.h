// Control identifiers of the Setup window. The UI driver among the project's
// tools reads them too, to name the controls it finds.
#pragma once

#define IDC_IMAGE1 101
#define IDC_CMDEXCEL 102
#define IDC_CMDWORD 103
#define IDC_CMDPOINT 104
#define IDC_LBSTATUS 105
#define IDC_LINE1 106
#define IDC_CMDCANCEL 107
