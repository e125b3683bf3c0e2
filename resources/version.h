// The one source of the program's version, for VERSIONINFO and the code.
#pragma once

#define TBO_VERSION_NUMBERS 1, 0, 0, 0
#define TBO_VERSION_TEXT "1.00"
